// Compiled scripts run under a step budget kept in the line hook, as the report keeps one: every
// program ends (endless loops included, past the script's own try statements), errors come out
// as core::Error or the budget's ScriptStopped, and memory stays within the interpreter's named
// limits. The text is also tried as an expression (flat chains of any length included).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/datetime.h"
#include "core/error.h"
#include "script/script.h"

namespace {

constexpr int kStepBudget = 20000;

// A host with one report value and one function, so that "<...>" and host calls compile.
class Host final : public orvena::script::Host {
 public:
  orvena::script::HostName find_name(std::string_view name) override {
    using orvena::script::HostName;
    if (name == "Get") return {HostName::Kind::Function, 0, 1, 1};
    if (name == "SUM") return {HostName::Kind::Macro, 0, 1, 3};
    return {};
  }
  orvena::core::Variant get_value(int) override { return {}; }
  orvena::core::Variant call_function(int, std::span<const orvena::core::Variant> args) override {
    return args[0];
  }
  orvena::core::Variant get_reference(std::string_view text) override { return std::string(text); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvena;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Host host;
  core::FixedClock clock(45000.5);
  script::Script s(&host);
  s.set_clock(&clock);
  int steps = 0;
  s.set_line_hook([&](const script::LineEvent&) {
    if (++steps >= kStepBudget) throw script::ScriptStopped("budget");
  });
  if (s.compile(text)) {
    try {
      s.execute();
    } catch (const core::Error&) {
    } catch (const script::ScriptStopped&) {
    }
    steps = 0;
    try {
      std::vector<core::Variant> args = {core::Variant(1), core::Variant("x")};
      s.call_function("P", args);
    } catch (const core::Error&) {
    } catch (const script::ScriptStopped&) {
    }
  }
  steps = 0;
  std::string error;
  if (auto e = s.compile_expression(text, error)) {
    try {
      e->evaluate(script::DivisionByZero::GivesNull);
    } catch (const core::Error&) {
    } catch (const script::ScriptStopped&) {
    }
  }
  return 0;
}
