#pragma once
// A stand-in for the report: two text objects and a band with a few properties, a font object,
// report values of the published source, "Value" and "Self", Get/Set/IIF/DayOf as functions and
// SUM/COUNT as macros that record the source texts they receive.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "script/host.h"
#include "script/script.h"

namespace orvena::script::test {

using core::Variant;

struct FakeObject : core::VariantObject {
  FakeObject(std::string cls, std::string name) : cls(std::move(cls)), name(std::move(name)) {}
  std::string class_name() const override { return cls; }
  std::string cls, name;
  std::map<std::string, Variant> props;  // lower-case names
  std::vector<Variant> lines;            // default property
};

class FakeHost : public Host {
 public:
  FakeHost() {
    auto font = std::make_shared<FakeObject>("TFont", "");
    font->props["color"] = Variant(0);
    memo = std::make_shared<FakeObject>("TrpMemoView", "Memo1");
    memo->props = {{"text", Variant("")}, {"visible", Variant(true)}, {"font", Variant(font)}};
    memo->lines = {Variant("a"), Variant("b")};
    band = std::make_shared<FakeObject>("TrpMasterData", "MasterData1");
    band->props = {{"visible", Variant(true)}, {"height", Variant(18.9)}};
    values = {Variant(memo), Variant(band), Variant(), Variant(memo)};
    fields["DaneOrvena.\"kwota\""] = Variant(1234.5);
    fields["DaneOrvena.\"ilosc\""] = Variant(3);
    fields["DaneOrvena.\"nazwa\""] = Variant("żółw");
    fields["DaneOrvena.\"a>b\""] = Variant(7);
    fields["Line#"] = Variant(4);
  }

  HostName find_name(std::string_view name) override {
    std::string n = core::to_lower(name);
    static const std::map<std::string, HostName> kNames = {
        {"memo1", {HostName::Kind::Value, 0}},        {"masterdata1", {HostName::Kind::Value, 1}},
        {"value", {HostName::Kind::Value, 2}},        {"self", {HostName::Kind::Value, 3}},
        {"get", {HostName::Kind::Function, 0, 1, 1}}, {"set", {HostName::Kind::Function, 1, 2, 2}},
        {"iif", {HostName::Kind::Function, 2, 3, 3}}, {"dayof", {HostName::Kind::Function, 3, 1, 1}},
        {"sum", {HostName::Kind::Macro, 0, 1, 3}},    {"count", {HostName::Kind::Macro, 1, 0, 2}},
    };
    auto it = kNames.find(n);
    return it == kNames.end() ? HostName{} : it->second;
  }
  bool is_class(std::string_view name) override {
    return core::equals_ignore_case(name, "TrpMemoView") || core::equals_ignore_case(name, "TrpView") ||
           core::equals_ignore_case(name, "TrpMasterData");
  }
  Variant get_value(int id) override { return values.at(id); }
  void set_value(int id, const Variant& v) override { values.at(id) = v; }
  Variant call_function(int id, std::span<const Variant> args) override {
    switch (id) {
      case 0:
        return get_reference(args[0].to_string());
      case 1:
        variables[args[0].to_string()] = args[1];
        return Variant::null();
      case 2:
        return args[0].to_bool() ? args[1] : args[2];
      default:
        return Variant(core::decode(args[0].to_date()).day);
    }
  }
  Variant call_macro(int id, std::span<const std::string> texts) override {
    macro_calls.push_back((id == 0 ? "SUM" : "COUNT") + std::string("|") + join(texts));
    return Variant(100);
  }
  Variant get_reference(std::string_view text) override {
    auto it = fields.find(std::string(text));
    if (it != fields.end()) return it->second;
    auto var = variables.find(std::string(text));
    if (var != variables.end()) return var->second;
    throw core::Error("Nieznana zmienna lub pole danych: " + std::string(text));
  }
  bool has_member(const Variant& object, std::string_view name) override {
    return fake(object).props.count(core::to_lower(name)) > 0 || core::equals_ignore_case(name, "Clear");
  }
  Variant get_property(const Variant& object, std::string_view name) override {
    auto& o = fake(object);
    auto it = o.props.find(core::to_lower(name));
    if (it == o.props.end()) return Host::get_property(object, name);
    return it->second;
  }
  void set_property(const Variant& object, std::string_view name, const Variant& value) override {
    auto& o = fake(object);
    auto it = o.props.find(core::to_lower(name));
    if (it == o.props.end()) return Host::set_property(object, name, value);
    it->second = value;
  }
  Variant call_method(const Variant& object, std::string_view name, std::span<const Variant> args) override {
    if (core::equals_ignore_case(name, "Clear") && args.empty()) {
      fake(object).props["text"] = Variant("");
      return Variant::null();
    }
    return Host::call_method(object, name, args);
  }
  Variant get_default(const Variant& object, std::span<const Variant> index) override {
    auto& o = fake(object);
    if (o.cls != "TrpMemoView") return Host::get_default(object, index);
    return o.lines.at(index[0].to_int());
  }
  bool is_instance(const Variant& object, std::string_view cls) override {
    std::string c = fake(object).cls;
    return core::equals_ignore_case(c, cls) || core::equals_ignore_case(cls, "TrpView");
  }

  static FakeObject& fake(const Variant& v) { return static_cast<FakeObject&>(*v.object()); }
  static std::string join(std::span<const std::string> parts) {
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : "|") + p;
    return out;
  }

  std::shared_ptr<FakeObject> memo, band;
  std::vector<Variant> values;
  std::map<std::string, Variant> fields, variables;
  std::vector<std::string> macro_calls;
};

// The outcome of an expression or program as one comparable text: the value's type and text,
// or "error: " and the message.
inline std::string shown(const Variant& v) {
  if (v.type() == core::VarType::Array) {
    std::string out = "Array[";
    for (const auto& item : v.items()) out += (out.size() > 6 ? "," : "") + shown(item);
    return out + "]";
  }
  return std::string(Variant::type_name(v.type())) + " " + v.to_string();
}

inline std::string evaluate(Script& script, std::string_view expression,
                            DivisionByZero mode = DivisionByZero::Raise) {
  std::string error;
  auto e = script.compile_expression(expression, error);
  if (!e) return "compile error: " + error;
  try {
    return shown(e->evaluate(mode));
  } catch (const core::Error& err) {
    return std::string("error: ") + err.what();
  }
}

}  // namespace orvena::script::test
