#include <array>

#include "core/encoding.h"
#include "core/text.h"
#include "script/nodes_p.h"

namespace orvena::script {

using core::VarType;

namespace {

struct LibraryType {
  std::string_view name;
  TypeKind kind;
};
constexpr LibraryType kLibraryTypes[] = {
    {"byte", TypeKind::Int},
    {"word", TypeKind::Int},
    {"integer", TypeKind::Int},
    {"longint", TypeKind::Int},
    {"cardinal", TypeKind::Int},
    {"tcolor", TypeKind::Int},
    {"talphacolor", TypeKind::Int},
    {"int64", TypeKind::Int64},
    {"boolean", TypeKind::Bool},
    {"real", TypeKind::Float},
    {"single", TypeKind::Float},
    {"double", TypeKind::Float},
    {"extended", TypeKind::Float},
    {"currency", TypeKind::Float},
    {"tdate", TypeKind::Float},
    {"ttime", TypeKind::Float},
    {"tdatetime", TypeKind::Float},
    {"char", TypeKind::Char},
    {"string", TypeKind::String},
    {"variant", TypeKind::Variant},
    {"pointer", TypeKind::Variant},
    {"array", TypeKind::Array},
    {"constructor", TypeKind::Constructor},
};

// ORDER TYPEKIND
constexpr std::array<std::string_view, 11> kKindNames = {
    "Integer", "Boolean", "Extended", "Char",        "String", "TObject",
    "Array",   "Variant", "Enum",     "Constructor", "Int64",
};
static_assert(kKindNames.size() == static_cast<size_t>(TypeKind::Int64) + 1);

enum class Family { Number, Text, Bool, Object, Any };

Family family_of(TypeKind k) {
  switch (k) {
    case TypeKind::Int:
    case TypeKind::Int64:
    case TypeKind::Float:
      return Family::Number;
    case TypeKind::Char:
    case TypeKind::String:
      return Family::Text;
    case TypeKind::Bool:
      return Family::Bool;
    case TypeKind::Class:
      return Family::Object;
    default:
      return Family::Any;
  }
}

[[noreturn]] void out_of_bounds() {
  throw core::Error("Variant or safe array index out of bounds");
}

size_t element_index(const Variant& index, int64_t low, size_t size) {
  int64_t i = index.to_int64() - low;
  if (i < 0 || static_cast<uint64_t>(i) >= size) out_of_bounds();
  return static_cast<size_t>(i);
}

// The 1-based character position i of s as a byte offset and length; throws when outside.
std::pair<size_t, size_t> char_at(const std::string& s, const Variant& index) {
  int64_t i = index.to_int64();
  size_t len = core::utf8_length(s);
  if (i < 1 || static_cast<uint64_t>(i) > len) throw core::Error(std::string(text::kRangeError));
  size_t from = core::utf8_offset(s, static_cast<size_t>(i - 1));
  size_t to = core::utf8_offset(s, static_cast<size_t>(i));
  return {from, to - from};
}

int64_t low_of(const Variable* declared, size_t dim) {
  return declared && dim < declared->lows.size() ? declared->lows[dim] : 0;
}

// Writes value at index[dim...] of container, in place: a string's character, or an array's
// element (the array copied first only when another value shares it).
void store_element(Variant& container, std::span<const Variant> index, size_t dim, const Variable* declared,
                   const Variant& value) {
  if (container.is_string()) {
    if (index.size() != 1) throw core::Error(std::string(text::kArrayRequired));
    std::string text = value.to_string();
    auto [at, len] = char_at(container.str(), index[0]);
    container.mutable_str().replace(at, len, text);
    return;
  }
  if (container.type() != VarType::Array) throw core::Error(std::string(text::kArrayRequired));
  size_t i = element_index(index[0], low_of(declared, dim), container.items().size());
  std::vector<Variant>& items = container.mutable_items();
  if (index.size() == 1)
    items[i] = value;
  else
    store_element(items[i], index.subspan(1), dim + 1, declared, value);
}

std::vector<Variant> eval_all(Runtime& rt, const std::vector<NodePtr>& nodes) {
  std::vector<Variant> out;
  out.reserve(nodes.size());
  for (const auto& n : nodes) out.push_back(n->eval(rt));
  return out;
}

void write_back(Runtime& rt, const std::vector<NodePtr>& nodes, const std::vector<Variant>& values,
                unsigned var_mask) {
  for (size_t i = 0; i < nodes.size() && i < 32; ++i)
    if ((var_mask >> i) & 1u) nodes[i]->assign(rt, values[i]);
}

// Records where the outermost call (of this script or of the script that called it) starts, and
// tells whether the calls since then have taken more stack than they may.
bool stack_exhausted(Runtime& rt) {
  auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  if (rt.call_depth == 0) {
    rt.stack_base = rt.parent && rt.parent->call_depth > 0 ? rt.parent->stack_base : here;
    return false;
  }
  uintptr_t used = here < rt.stack_base ? rt.stack_base - here : here - rt.stack_base;
  return used > limits::kMaxCallStackBytes;
}

}  // namespace

bool library_type(std::string_view name, TypeKind& kind) {
  std::string lower = core::to_lower(name);
  for (const auto& t : kLibraryTypes) {
    if (t.name == lower) {
      kind = t.kind;
      return true;
    }
  }
  return false;
}

std::string_view kind_name(TypeKind kind) {
  return kKindNames[static_cast<size_t>(kind)];
}

bool compatible(TypeKind a, TypeKind b) {
  Family fa = family_of(a), fb = family_of(b);
  return fa == Family::Any || fb == Family::Any || fa == fb;
}

Variant convert_to_kind(TypeKind kind, const Variant& v) {
  switch (kind) {
    case TypeKind::Int:
      return Variant(v.to_int());
    case TypeKind::Bool:
      return Variant(v.to_bool());
    case TypeKind::Float:
      return v.type() == VarType::Date ? v : Variant(v.to_double());
    case TypeKind::String:
    case TypeKind::Char:
      return v.is_string() ? v : Variant(v.to_string());
    case TypeKind::Int64:
      return Variant(v.to_int64());
    default:
      return v;
  }
}

Variant initial_value(TypeKind kind) {
  switch (kind) {
    case TypeKind::Bool:
      return Variant(false);
    case TypeKind::Char:
    case TypeKind::String:
      return Variant("");
    case TypeKind::Int:
    case TypeKind::Class:
      return Variant(int32_t{0});
    case TypeKind::Int64:
      return Variant(int64_t{0});
    case TypeKind::Float:
      return Variant(0.0);
    default:
      return Variant::null();
  }
}

const Scope::Item* Scope::find_here(std::string_view lower_name) const {
  auto it = items.find(std::string(lower_name));
  return it == items.end() ? nullptr : &it->second;
}

const Scope::Item* Scope::find(std::string_view lower_name) const {
  for (const Scope* s = this; s; s = s->parent)
    if (const Item* item = s->find_here(lower_name)) return item;
  return nullptr;
}

const core::Clock& Runtime::now_clock() {
  static const core::SystemClock system;
  for (Runtime* r = this; r; r = r->parent)
    if (r->clock) return *r->clock;
  return system;
}

std::string exception_class_of(const core::Error& e) {
  std::string_view m = e.what();
  if (m == "Division by zero") return "EDivByZero";
  if (m.starts_with("Could not convert variant")) return "EVariantTypeCastError";
  if (m.starts_with("Overflow while converting")) return "EVariantOverflowError";
  if (m == "Invalid variant operation") return "EVariantInvalidOpError";
  if (m.starts_with("Variant or safe array index")) return "EVariantBadIndexError";
  if (m.find("is not a valid") != std::string_view::npos) return "EConvertError";
  return "Exception";
}

bool in_set(const Variant& value, const Variant& set) {
  if (set.type() != VarType::Array) return core::compare(core::CompareOp::Equal, value, set);
  for (const Variant& item : set.items()) {
    if (item.type() == VarType::Array && item.items().size() == 2) {
      const auto& r = item.items();
      if (core::compare_values(r[0], value) <= 0 && core::compare_values(value, r[1]) <= 0) return true;
    } else if (item.type() != VarType::Array && item.type() != VarType::Object &&
               core::compare(core::CompareOp::Equal, value, item)) {
      return true;
    }
  }
  return false;
}

// ---- procedures ----

Variant Procedure::call(Runtime& rt, std::span<Variant> args) {
  if (rt.call_depth >= limits::kMaxCallDepth || stack_exhausted(rt))
    throw core::Error(std::string(text::kStackOverflow));
  // A recursive call keeps the caller's parameters, locals and Result.
  std::vector<Variant> saved;
  if (executing) {
    saved.reserve(scope->variables.size());
    for (const auto& v : scope->variables) saved.push_back(v->value);
  }
  struct Restore {
    Procedure& p;
    Runtime& rt;
    std::vector<Variant>& saved;
    bool was;
    ~Restore() {
      p.executing = was;
      --rt.call_depth;
      if (!saved.empty())
        for (size_t i = 0; i < saved.size(); ++i) p.scope->variables[i]->value = std::move(saved[i]);
    }
  } restore{*this, rt, saved, executing};
  ++rt.call_depth;
  for (size_t i = 0; i < params.size(); ++i)
    params[i].var->set(i < args.size() ? args[i] : params[i].default_value);
  if (result) result->value = Variant();
  executing = true;
  run_list(rt, body);
  for (size_t i = 0; i < params.size() && i < args.size(); ++i)
    if (params[i].is_var) args[i] = params[i].var->value;
  return result ? result->value : Variant::null();
}

// ---- expressions ----

Variant UnaryNode::eval(Runtime& rt) const {
  Variant v = operand->eval(rt);
  return op == ast::Op::Neg ? core::negate(v) : core::logical_not(v);
}

Variant ChainNode::eval(Runtime& rt) const {
  Variant v = first->eval(rt);
  for (const auto& step : steps) v = step->apply(rt, std::move(v));
  return v;
}

Variant ArithmeticStep::apply(Runtime& rt, Variant left) const {
  Variant b = right->eval(rt);
  Variant r = core::apply(op, left, b);
  return checked(r);
}

Variant ShortCircuitStep::apply(Runtime& rt, Variant left) const {
  bool a = left.to_bool();
  if (is_and ? !a : a) return Variant(a);
  return Variant(right->eval(rt).to_bool());
}

Variant CompareStep::apply(Runtime& rt, Variant left) const {
  Variant b = right->eval(rt);
  return Variant(core::compare(op, left, b));
}

Variant SetNode::eval(Runtime& rt) const {
  std::vector<Variant> out;
  out.reserve(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    if (highs[i])
      out.push_back(Variant(std::vector<Variant>{items[i]->eval(rt), highs[i]->eval(rt)}));
    else
      out.push_back(items[i]->eval(rt));
  }
  return Variant(std::move(out));
}

bool SetNode::contains(Runtime& rt, const Variant& v) const {
  for (size_t i = 0; i < items.size(); ++i) {
    Variant low = items[i]->eval(rt);
    if (highs[i]) {
      Variant high = highs[i]->eval(rt);
      if (core::compare_values(low, v) <= 0 && core::compare_values(v, high) <= 0) return true;
    } else if (core::compare(core::CompareOp::Equal, v, low)) {
      return true;
    }
  }
  return false;
}

Variant InStep::apply(Runtime& rt, Variant left) const {
  if (set) return Variant(set->contains(rt, left));
  return Variant(in_set(left, right->eval(rt)));
}

Variant IsStep::apply(Runtime& rt, Variant left) const {
  if (left.type() != VarType::Object) return Variant(false);
  return Variant(rt.host->is_instance(left, class_name));
}

Variant CallNode::eval(Runtime& rt) const {
  std::vector<Variant> values = eval_all(rt, args);
  Variant r = proc->call(rt, values);
  for (size_t i = 0; i < args.size() && i < proc->params.size(); ++i)
    if (proc->params[i].is_var) args[i]->assign(rt, values[i]);
  return r;
}

Variant RoutineNode::eval(Runtime& rt) const {
  std::vector<Variant> values = eval_all(rt, args);
  if (!routine->var_params) return checked(routine->fn(rt, values));
  // A variable passed as a var argument lets go of its value while the routine runs, so that
  // the routine holds it alone and may change it in place (SetLength growing an array by one);
  // it gets the result by write_back, or its value back when the routine fails.
  std::vector<std::pair<Variable*, size_t>> lent;
  for (size_t i = 0; i < args.size() && i < 32; ++i) {
    auto* v = dynamic_cast<const VarNode*>(args[i].get());
    if (((routine->var_params >> i) & 1u) && v && !v->var->read_only) {
      lent.emplace_back(v->var, i);
      v->var->value = Variant();
    }
  }
  Variant r;
  try {
    r = routine->fn(rt, values);
  } catch (...) {
    for (auto [var, i] : lent) var->value = std::move(values[i]);
    throw;
  }
  write_back(rt, args, values, routine->var_params);
  return checked(r);
}

Variant HostCallNode::eval(Runtime& rt) const {
  std::vector<Variant> values = eval_all(rt, args);
  return rt.host->call_function(id, values);
}

Variant MemberNode::eval(Runtime& rt) const {
  Variant obj = target->eval(rt);
  if (obj.is_string()) throw core::Error(std::string(text::kStringMembers));
  if (obj.type() != VarType::Object) throw core::Error(std::string(text::kArrayRequired));
  return rt.host->get_property(obj, name);
}

void MemberNode::assign(Runtime& rt, const Variant& v) const {
  Variant obj = target->eval(rt);
  if (obj.is_string()) throw core::Error(std::string(text::kStringMembers));
  if (obj.type() != VarType::Object) throw core::Error(std::string(text::kArrayRequired));
  rt.host->set_property(obj, name, v);
}

Variant MethodNode::eval(Runtime& rt) const {
  Variant obj = target->eval(rt);
  if (obj.is_string()) throw core::Error(std::string(text::kStringMembers));
  if (obj.type() != VarType::Object) throw core::Error(std::string(text::kArrayRequired));
  std::vector<Variant> values = eval_all(rt, args);
  return rt.host->call_method(obj, name, values);
}

Variant IndexNode::eval(Runtime& rt) const {
  Variant v = target->eval(rt);
  std::vector<Variant> idx = eval_all(rt, index);
  if (v.type() == VarType::Object) return rt.host->get_default(v, idx);
  for (size_t dim = 0; dim < idx.size(); ++dim) {
    if (v.is_string()) {
      if (dim + 1 != idx.size()) throw core::Error(std::string(text::kArrayRequired));
      auto [at, len] = char_at(v.str(), idx[dim]);
      return Variant(v.str().substr(at, len));
    }
    if (v.type() != VarType::Array) throw core::Error(std::string(text::kArrayRequired));
    const auto& items = v.items();
    Variant element = items[element_index(idx[dim], low_of(declared, dim), items.size())];
    v = std::move(element);
  }
  return v;
}

void IndexNode::assign(Runtime& rt, const Variant& value) const {
  if (in_place) {
    std::vector<Variant> idx = eval_all(rt, index);
    Variant& slot = in_place->value;
    if (slot.type() != VarType::Object) {
      store_element(slot, idx, 0, declared, value);
      return;
    }
    rt.host->set_default(slot, idx, value);
    return;
  }
  Variant container = target->eval(rt);
  std::vector<Variant> idx = eval_all(rt, index);
  if (container.type() == VarType::Object) {
    rt.host->set_default(container, idx, value);
    return;
  }
  store_element(container, idx, 0, declared, value);
  target->assign(rt, container);
}

const Variant* WithNameNode::owner(Runtime& rt, Variant& holder) const {
  for (Variable* t : targets) {
    if (t->value.type() == VarType::Object && rt.host->has_member(t->value, name)) {
      holder = t->value;
      return &holder;
    }
  }
  if (!fallback) throw core::Error(std::string(text::kUndeclared) + in_quotes(name));
  return nullptr;
}

Variant WithNameNode::eval(Runtime& rt) const {
  Variant holder;
  if (owner(rt, holder)) {
    if (!is_call) return rt.host->get_property(holder, name);
    std::vector<Variant> values = eval_all(rt, args);
    return rt.host->call_method(holder, name, values);
  }
  return fallback->eval(rt);
}

void WithNameNode::assign(Runtime& rt, const Variant& v) const {
  Variant holder;
  if (owner(rt, holder))
    rt.host->set_property(holder, name, v);
  else
    fallback->assign(rt, v);
}

}  // namespace orvena::script
