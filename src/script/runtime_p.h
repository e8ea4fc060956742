#pragma once
// The compiled form of a script: scopes with their variables and procedures, expression nodes
// and statements, and the state of a run. Private to the interpreter; tests may include it.
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/datetime.h"
#include "core/variant.h"
#include "script/errors.h"
#include "script/host.h"
#include "script/script.h"

namespace orvena::script {

using core::Variant;

// ORDER TYPEKIND: the kinds of the language's types.
enum class TypeKind : uint8_t {
  Int,
  Bool,
  Float,
  Char,
  String,
  Class,
  Array,
  Variant,
  Enum,
  Constructor,
  Int64
};

// A library type name's kind; false when the name is none of them.
bool library_type(std::string_view name, TypeKind& kind);
// The name a kind is shown by in "Niezgodne typy" when no declared name is at hand.
std::string_view kind_name(TypeKind kind);
// Whether a value of kind b may be assigned where kind a is expected.
bool compatible(TypeKind a, TypeKind b);
// The value a variable of this kind stores for v.
Variant convert_to_kind(TypeKind kind, const Variant& v);
Variant initial_value(TypeKind kind);

struct Variable {
  std::string name;
  std::string type_name;
  TypeKind kind = TypeKind::Variant;
  Variant value;
  bool read_only = false;
  std::vector<int64_t> lows;  // declared arrays: the low bound of each dimension

  // Constants ignore assignments at run time (the compiler refuses them before).
  void set(const Variant& v) {
    if (!read_only) value = convert_to_kind(kind, v);
  }
};

class Runtime;
struct Procedure;

enum class Flow : uint8_t { Normal, Break, Continue, Exit };

struct Node {
  Position pos;
  TypeKind type = TypeKind::Variant;
  std::string type_name;  // declared type, for messages

  virtual ~Node() = default;
  virtual Variant eval(Runtime& rt) const = 0;
  virtual bool assignable() const { return false; }
  virtual void assign(Runtime&, const Variant&) const {
    throw core::Error(std::string(text::kNotAssignable));
  }
};
using NodePtr = std::unique_ptr<Node>;

struct Statement {
  Position pos;
  const std::string* unit = nullptr;
  virtual ~Statement() = default;
  virtual Flow exec(Runtime& rt) const = 0;
};
using StatementPtr = std::unique_ptr<Statement>;
using StatementList = std::vector<StatementPtr>;

Flow run_list(Runtime& rt, const StatementList& list);

struct Param {
  Variable* var = nullptr;
  bool is_var = false;
  bool optional = false;
  Variant default_value;
};

struct Scope;

struct Procedure {
  std::string name;
  bool is_function = false;
  Position pos;
  std::vector<Param> params;
  std::unique_ptr<Scope> scope;
  StatementList body;
  Variable* result = nullptr;
  TypeKind result_kind = TypeKind::Variant;
  std::string result_type;
  bool executing = false;
  std::string unit;

  // Runs with the given argument values; var parameters' final values are written back into
  // `args`.
  Variant call(Runtime& rt, std::span<Variant> args);
};

struct Scope {
  struct Item {
    Variable* var = nullptr;
    Procedure* proc = nullptr;
  };
  Scope* parent = nullptr;
  std::unordered_map<std::string, Item> items;  // by lower-case name
  std::vector<std::unique_ptr<Variable>> variables;
  std::vector<std::unique_ptr<Procedure>> procedures;
  int hidden_count = 0;

  const Item* find_here(std::string_view lower_name) const;
  const Item* find(std::string_view lower_name) const;
};

// A routine of the system library.
struct Routine {
  const char* name;
  int min_args, max_args;
  unsigned var_params;  // bit i: argument i is a var parameter
  TypeKind result;
  Variant (*fn)(Runtime& rt, std::span<Variant> args);
};
const Routine* find_routine(std::string_view lower_name);

class Runtime {
 public:
  Host* host = nullptr;
  Runtime* parent = nullptr;
  std::function<void(const LineEvent&)> hook;
  bool terminated = false;
  int call_depth = 0;
  uintptr_t stack_base = 0;  // the frame of the outermost call in progress
  const core::Clock* clock = nullptr;
  std::mt19937 random{20260101u};

  std::unique_ptr<Scope> root = std::make_unique<Scope>();
  StatementList main;
  std::list<std::string> units;  // units included by this compile (statements point at the names)
  Variable* exception_class = nullptr;
  Variable* exception_message = nullptr;

  // Before a statement or a loop pass: the nearest hook up the chain, if any.
  void line(const Statement& s) {
    for (Runtime* r = this; r; r = r->parent) {
      if (r->hook) {
        r->hook(LineEvent{s.unit ? std::string_view(*s.unit) : std::string_view(), s.pos});
        return;
      }
    }
  }
  // A child (a compiled expression) stops with the script it belongs to.
  bool stopped() const {
    for (const Runtime* r = this; r; r = r->parent)
      if (r->terminated) return true;
    return false;
  }
  Runtime& top() {
    Runtime* r = this;
    while (r->parent) r = r->parent;
    return *r;
  }
  const core::Clock& now_clock();
};

// Checks a string a script built against the size limit.
inline const Variant& checked(const Variant& v) {
  if (v.is_string() && v.str().size() > limits::kMaxStringBytes)
    throw core::Error(std::string(text::kTooLong));
  return v;
}

// The class name try ... except publishes for an error.
std::string exception_class_of(const core::Error& e);

// Membership of IN and case selectors: equal to an element, or within a [low, high] range.
bool in_set(const Variant& value, const Variant& set);

// Compiles a program into rt: its declarations join rt.root and its main block becomes rt.main.
// load_unit gives the text of a used unit by name. Throws SyntaxError (with the unit's name
// when the error lies in a used unit).
using UnitLoader = std::function<std::string(const std::string& name)>;
void compile_into(Runtime& rt, std::string_view source, const UnitLoader& load_unit);

}  // namespace orvena::script
