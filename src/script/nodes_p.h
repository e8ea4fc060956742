#pragma once
// Expression nodes and statements of a compiled script.
#include "ast.h"
#include "script/runtime_p.h"

namespace orvena::script {

struct ConstNode : Node {
  Variant value;
  Variant eval(Runtime&) const override { return value; }
};

struct VarNode : Node {
  Variable* var = nullptr;
  Variant eval(Runtime&) const override { return var->value; }
  bool assignable() const override { return !var->read_only; }
  void assign(Runtime&, const Variant& v) const override { var->set(v); }
};

struct HostValueNode : Node {
  int id = 0;
  Variant eval(Runtime& rt) const override { return rt.host->get_value(id); }
  bool assignable() const override { return true; }
  void assign(Runtime& rt, const Variant& v) const override { rt.host->set_value(id, v); }
};

struct ReferenceNode : Node {
  std::string text;
  Variant eval(Runtime& rt) const override { return rt.host->get_reference(text); }
};

// A type name called with one value: Integer('7'), String(n), TrpMemoView(Sender). A library
// type converts the value as an assignment to a variable of that type would; a class leaves it
// as it is and gives the expression the class's members.
struct CastNode : Node {
  NodePtr operand;
  Variant eval(Runtime& rt) const override { return convert_to_kind(type, operand->eval(rt)); }
};

struct UnaryNode : Node {
  ast::Op op;
  NodePtr operand;
  Variant eval(Runtime& rt) const override;
};

// A binary operator applied to the value computed so far: a left-leaning chain (1 + 2 - 3 = x,
// parsed as ((1 + 2) - 3) = x) is its first operand and a list of these, evaluated in a loop,
// so that a long flat expression takes no stack per operator.
struct BinaryStep {
  TypeKind type = TypeKind::Variant;
  virtual ~BinaryStep() = default;
  virtual Variant apply(Runtime& rt, Variant left) const = 0;
};
using BinaryStepPtr = std::unique_ptr<BinaryStep>;

struct ChainNode : Node {
  NodePtr first;
  std::vector<BinaryStepPtr> steps;
  Variant eval(Runtime& rt) const override;
};

struct ArithmeticStep : BinaryStep {
  core::BinaryOp op;
  NodePtr right;
  Variant apply(Runtime& rt, Variant left) const override;
};

// AND and OR of two Boolean operands: the right one runs only when it can change the result.
struct ShortCircuitStep : BinaryStep {
  bool is_and = true;
  NodePtr right;
  Variant apply(Runtime& rt, Variant left) const override;
};

struct CompareStep : BinaryStep {
  core::CompareOp op;
  NodePtr right;
  Variant apply(Runtime& rt, Variant left) const override;
};

// [a, b, c .. d]: an array whose ranges are two-element arrays [low, high].
struct SetNode : Node {
  std::vector<NodePtr> items;
  std::vector<NodePtr> highs;  // parallel to items; null for a single element
  Variant eval(Runtime& rt) const override;
  bool contains(Runtime& rt, const Variant& v) const;
};

struct InStep : BinaryStep {
  NodePtr right;
  const SetNode* set = nullptr;  // right is a set constructor: tested element by element
  Variant apply(Runtime& rt, Variant left) const override;
};

struct IsStep : BinaryStep {
  std::string class_name;
  Variant apply(Runtime& rt, Variant left) const override;
};

struct CallNode : Node {
  Procedure* proc = nullptr;
  std::vector<NodePtr> args;  // var parameters get assignable nodes
  Variant eval(Runtime& rt) const override;
};

struct RoutineNode : Node {
  const Routine* routine = nullptr;
  std::vector<NodePtr> args;
  Variant eval(Runtime& rt) const override;
};

struct HostCallNode : Node {
  int id = 0;
  std::vector<NodePtr> args;
  Variant eval(Runtime& rt) const override;
};

struct MacroNode : Node {
  int id = 0;
  std::vector<std::string> texts;
  Variant eval(Runtime& rt) const override { return rt.host->call_macro(id, texts); }
};

struct MemberNode : Node {
  NodePtr target;
  std::string name;
  Variant eval(Runtime& rt) const override;
  bool assignable() const override { return true; }
  void assign(Runtime& rt, const Variant& v) const override;
};

struct MethodNode : Node {
  NodePtr target;
  std::string name;
  std::vector<NodePtr> args;
  Variant eval(Runtime& rt) const override;
};

struct IndexNode : Node {
  NodePtr target;
  std::vector<NodePtr> index;
  const Variable* declared = nullptr;  // a declared array variable: its low bounds apply
  // The target is this variable: an element is written in its value in place (the array is
  // copied only when another value shares it), so filling an array costs no copy per element.
  Variable* in_place = nullptr;
  Variant eval(Runtime& rt) const override;
  bool assignable() const override { return target->assignable(); }
  void assign(Runtime& rt, const Variant& v) const override;
};

// A name inside WITH: a member of the innermost target that has it, else the name as declared
// outside (fallback), else undeclared.
struct WithNameNode : Node {
  std::vector<Variable*> targets;  // innermost first
  std::string name;
  NodePtr fallback;
  bool is_call = false;
  std::vector<NodePtr> args;
  Variant eval(Runtime& rt) const override;
  bool assignable() const override { return true; }
  void assign(Runtime& rt, const Variant& v) const override;

 private:
  const Variant* owner(Runtime& rt, Variant& holder) const;
};

// ---- statements ----

struct AssignStmt : Statement {
  NodePtr target, value;
  Flow exec(Runtime& rt) const override;
};

// s := s + a + b ..., where s is a variable and no part can read or change it: while s holds a
// string and the parts are strings, they are appended to it in place, so a string grown a piece
// at a time costs what is added, not a copy of the whole string at every step.
struct AppendStmt : Statement {
  Variable* var = nullptr;
  std::unique_ptr<ChainNode> value;  // s + a + b ..., every step an addition
  Flow exec(Runtime& rt) const override;
};

struct CallStmt : Statement {
  NodePtr call;
  Flow exec(Runtime& rt) const override;
};

struct CompoundStmt : Statement {
  StatementList body;
  Flow exec(Runtime& rt) const override { return run_list(rt, body); }
};

struct IfStmt : Statement {
  NodePtr condition;
  StatementList then_list, else_list;
  Flow exec(Runtime& rt) const override;
};

struct CaseStmt : Statement {
  NodePtr selector;
  std::vector<std::pair<std::unique_ptr<SetNode>, StatementList>> branches;
  StatementList else_list;
  Flow exec(Runtime& rt) const override;
};

struct WhileStmt : Statement {
  NodePtr condition;
  StatementList body;
  Flow exec(Runtime& rt) const override;
};

struct RepeatStmt : Statement {
  NodePtr condition;
  StatementList body;
  Flow exec(Runtime& rt) const override;
};

struct ForStmt : Statement {
  Variable* var = nullptr;
  NodePtr from, to;
  bool down = false;
  StatementList body;
  Flow exec(Runtime& rt) const override;
};

struct TryStmt : Statement {
  bool is_except = false;
  StatementList body, handler;
  Flow exec(Runtime& rt) const override;
};

struct WithStmt : Statement {
  std::vector<std::pair<Variable*, NodePtr>> targets;
  StatementList body;
  Flow exec(Runtime& rt) const override;
};

struct FlowStmt : Statement {
  Flow flow = Flow::Break;
  Flow exec(Runtime& rt) const override;
};

}  // namespace orvena::script
