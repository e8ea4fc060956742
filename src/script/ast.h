#pragma once
// The parse tree: what the parser reads, before names are resolved. Every node keeps its source
// position for the compiler's messages.
#include <memory>
#include <string>
#include <vector>

#include "core/variant.h"
#include "script/lexer.h"

namespace orvena::script::ast {

enum class Op : uint8_t {
  // binary, by level
  Mul,
  Divide,
  Div,
  Mod,
  And,
  Shl,
  Shr,
  Add,
  Sub,
  Or,
  Xor,
  Eq,
  Ne,
  Lt,
  Le,
  Gt,
  Ge,
  In,
  Is,
  // unary
  Neg,
  Not,
};

enum class ExprKind : uint8_t {
  Literal,    // value
  Name,       // name
  Reference,  // name = the text between "<" and ">"
  AddressOf,  // name after "@"
  Unary,      // op, left
  Binary,     // op, left, right
  Set,        // items (Range items for low .. high)
  Range,      // left .. right, only inside a set
  Member,     // left "." name
  Index,      // left "[" items "]"
  Call,       // left "(" items ")", arg_texts the items' source texts
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

struct Expr {
  Expr() = default;
  Expr(const Expr&) = delete;
  Expr& operator=(const Expr&) = delete;
  // A flat chain (1 + 1 + ... + 1) hangs down `left` as deep as it is long: it is taken apart
  // in a loop, as a recursive destruction would need stack for every operator.
  ~Expr() {
    ExprPtr next = std::move(left);
    while (next) next = std::move(next->left);
  }

  ExprKind kind;
  Position pos;
  Op op = Op::Add;
  core::Variant value;
  std::string name;
  ExprPtr left, right;
  std::vector<ExprPtr> items;
  std::vector<std::string> arg_texts;
};

enum class StmtKind : uint8_t {
  Empty,
  Assign,
  Call,
  Compound,
  If,
  Case,
  For,
  While,
  Repeat,
  Try,
  With,
  Break,
  Continue,
  Exit
};

struct Stmt;
using StmtPtr = std::unique_ptr<Stmt>;
using StmtList = std::vector<StmtPtr>;

struct CaseBranch {
  std::vector<ExprPtr> values;  // set elements, Range for low .. high
  StmtPtr body;
};

struct Stmt {
  StmtKind kind;
  Position pos;
  ExprPtr target;  // Assign: designator; For: the loop variable (a Name)
  ExprPtr expr;    // Assign: value; Call: designator; If/While/Repeat/Case: condition or selector; For: start
  ExprPtr expr2;   // For: end
  StmtList body;   // Compound, loops, If then-part, Try body, With body, Repeat body
  StmtList other;  // If else-part, Case else-part, Try handler
  bool flag = false;  // For: downto; Try: except (else finally)
  std::vector<CaseBranch> branches;
  std::vector<ExprPtr> targets;  // With
};

struct TypeRef {
  std::string name;
  Position pos;
  bool is_array = false;
  std::vector<std::pair<ExprPtr, ExprPtr>> dims;  // low .. high, or count with high empty
};

struct VarDecl {
  std::vector<std::pair<std::string, Position>> names;
  TypeRef type;
  ExprPtr init;
  bool is_var_param = false;
};

struct ConstDecl {
  std::string name;
  Position pos;
  ExprPtr value;
};

struct Block;

struct ProcDecl {
  std::string name;
  Position pos;
  bool is_function = false;
  std::vector<VarDecl> params;
  std::string result_type;
  Position result_pos;
  std::unique_ptr<Block> block;
};

struct Decl {
  enum class Kind : uint8_t { Const, Var, Proc } kind;
  ConstDecl constant;
  VarDecl var;
  ProcDecl proc;
};

struct Block {
  std::vector<Decl> decls;  // in source order
  Position begin_pos;
  StmtList body;
};

struct UnitRef {
  std::string name;
  Position pos;
};

struct Program {
  std::vector<UnitRef> uses;
  Block block;
};

}  // namespace orvena::script::ast
