#include "script/parser.h"

#include "script/errors.h"

namespace orvena::script {

namespace {

using namespace ast;
using namespace grammar;

// Binary operators by level, loosest first; every level is left-associative. NOT and unary
// minus bind tighter than all of them (parse_factor).
struct BinaryOperator {
  std::string_view symbol;  // a symbol, or empty for a keyword
  Keyword keyword;
  Op op;
  int level;
};
constexpr int kRelational = 1, kAdding = 2, kMultiplying = 3;
constexpr BinaryOperator kBinaryOperators[] = {
    {"=", Keyword::None, Op::Eq, kRelational},   {"<>", Keyword::None, Op::Ne, kRelational},
    {"<", Keyword::None, Op::Lt, kRelational},   {"<=", Keyword::None, Op::Le, kRelational},
    {">", Keyword::None, Op::Gt, kRelational},   {">=", Keyword::None, Op::Ge, kRelational},
    {"", Keyword::In, Op::In, kRelational},      {"", Keyword::Is, Op::Is, kRelational},
    {"+", Keyword::None, Op::Add, kAdding},      {"-", Keyword::None, Op::Sub, kAdding},
    {"", Keyword::Or, Op::Or, kAdding},          {"", Keyword::Xor, Op::Xor, kAdding},
    {"*", Keyword::None, Op::Mul, kMultiplying}, {"/", Keyword::None, Op::Divide, kMultiplying},
    {"", Keyword::Div, Op::Div, kMultiplying},   {"", Keyword::Mod, Op::Mod, kMultiplying},
    {"", Keyword::And, Op::And, kMultiplying},   {"", Keyword::Shl, Op::Shl, kMultiplying},
    {"", Keyword::Shr, Op::Shr, kMultiplying},
};

class Parser {
 public:
  explicit Parser(std::string_view source) : m_lex(source) { m_tok = m_lex.next(); }

  Program program();

 private:
  // tokens
  void next() { m_tok = m_lex.next(); }
  [[noreturn]] void fail(std::string_view message) const {
    throw SyntaxError(std::string(message), m_tok.pos);
  }
  bool accept(std::string_view symbol) {
    if (!m_tok.is(symbol)) return false;
    next();
    return true;
  }
  bool accept(Keyword k) {
    if (!m_tok.is(k)) return false;
    next();
    return true;
  }
  void expect(std::string_view symbol, std::string_view message) {
    if (!accept(symbol)) fail(message);
  }
  void expect(Keyword k, std::string_view message) {
    if (!accept(k)) fail(message);
  }
  bool at_identifier() const { return m_tok.kind == TokenKind::Identifier && m_tok.keyword == Keyword::None; }
  std::pair<std::string, Position> identifier() {
    if (!at_identifier()) fail(kIdentifierExpected);
    auto out = std::make_pair(m_tok.text, m_tok.pos);
    next();
    return out;
  }
  const BinaryOperator* binary_operator() const;

  // nesting guard for the recursive rules
  struct Nest {
    explicit Nest(Parser& p) : parser(p) {
      if (++parser.m_depth > limits::kMaxNesting) parser.fail(text::kTooDeep);
    }
    ~Nest() { --parser.m_depth; }
    Parser& parser;
  };

  // declarations
  Block block();
  void const_section(Block& b);
  void var_section(Block& b);
  VarDecl var_list();
  TypeRef type();
  Decl procedure_declaration(bool is_function);
  std::vector<VarDecl> formal_parameters();

  // statements
  StmtList compound_statement();
  StmtPtr statement();
  StmtList statement_sequence(Keyword end_a, Keyword end_b, std::string_view missing);
  StmtPtr if_statement();
  StmtPtr case_statement();
  StmtPtr repeat_statement();
  StmtPtr while_statement();
  StmtPtr for_statement();
  StmtPtr try_statement();
  StmtPtr with_statement();

  // expressions
  ExprPtr expression(int min_level = kRelational);
  ExprPtr factor();
  ExprPtr designator();
  std::vector<ExprPtr> set_constructor(std::string_view close, std::string_view missing);
  std::vector<ExprPtr> expression_list(std::string_view close, std::string_view missing,
                                       std::vector<std::string>* texts);

  static ExprPtr node(ExprKind kind, Position pos) {
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->pos = pos;
    return e;
  }
  static StmtPtr stmt(StmtKind kind, Position pos) {
    auto s = std::make_unique<Stmt>();
    s->kind = kind;
    s->pos = pos;
    return s;
  }

  Lexer m_lex;
  Token m_tok;
  int m_depth = 0;
};

// program -> [ PROGRAM identifier ";" ] [ USES string { "," string } ";" ] block "."
Program Parser::program() {
  Program p;
  if (accept(Keyword::Program)) {
    identifier();
    expect(";", kSemicolonExpected);
  }
  if (accept(Keyword::Uses)) {
    do {
      if (m_tok.kind != TokenKind::String) fail(kExpressionExpected);
      p.uses.push_back({m_tok.text, m_tok.pos});
      next();
    } while (accept(","));
    expect(";", kSemicolonExpected);
  }
  p.block = block();
  expect(".", kPeriodExpected);
  return p;
}

// block -> { const-section | var-section | procedure-declaration | function-declaration }
//          compound-statement
Block Parser::block() {
  Nest nest(*this);
  Block b;
  for (;;) {
    if (accept(Keyword::Const))
      const_section(b);
    else if (accept(Keyword::Var))
      var_section(b);
    else if (accept(Keyword::Procedure))
      b.decls.push_back(procedure_declaration(false));
    else if (accept(Keyword::Function))
      b.decls.push_back(procedure_declaration(true));
    else
      break;
  }
  if (!m_tok.is(Keyword::Begin)) fail(kBeginExpected);
  b.begin_pos = m_tok.pos;
  b.body = compound_statement();
  return b;
}

// const-section -> CONST constant-declaration { constant-declaration }
// constant-declaration -> identifier "=" expression ";"
void Parser::const_section(Block& b) {
  do {
    Decl d{Decl::Kind::Const, {}, {}, {}};
    std::tie(d.constant.name, d.constant.pos) = identifier();
    expect("=", kEqualsExpected);
    d.constant.value = expression();
    expect(";", kSemicolonExpected);
    b.decls.push_back(std::move(d));
  } while (at_identifier());
}

// var-section -> VAR var-list ";" { var-list ";" }
void Parser::var_section(Block& b) {
  do {
    Decl d{Decl::Kind::Var, {}, var_list(), {}};
    expect(";", kSemicolonExpected);
    b.decls.push_back(std::move(d));
  } while (at_identifier());
}

// var-list -> identifier { "," identifier } ":" type [ "=" expression ]
VarDecl Parser::var_list() {
  VarDecl v;
  do v.names.push_back(identifier());
  while (accept(","));
  expect(":", kColonExpected);
  v.type = type();
  if (accept("=")) v.init = expression();
  return v;
}

// type -> [ ARRAY [ "[" dimension { "," dimension } "]" ] OF ] identifier
// dimension -> expression ".." expression | expression
TypeRef Parser::type() {
  TypeRef t;
  t.pos = m_tok.pos;
  if (accept(Keyword::Array)) {
    t.is_array = true;
    if (accept("[")) {
      do {
        ExprPtr low = expression();
        ExprPtr high;
        if (accept("..")) high = expression();
        t.dims.emplace_back(std::move(low), std::move(high));
      } while (accept(","));
      expect("]", kCloseBracketExpected);
    }
    expect(Keyword::Of, kOfExpected);
    t.pos = m_tok.pos;
  }
  t.name = identifier().first;
  return t;
}

// procedure-declaration -> PROCEDURE identifier [ formal-parameters ] ";" block ";"
// function-declaration -> FUNCTION identifier [ formal-parameters ] ":" identifier ";" block ";"
Decl Parser::procedure_declaration(bool is_function) {
  Nest nest(*this);
  Decl d{Decl::Kind::Proc, {}, {}, {}};
  ProcDecl& p = d.proc;
  p.is_function = is_function;
  std::tie(p.name, p.pos) = identifier();
  if (m_tok.is("(")) p.params = formal_parameters();
  if (is_function) {
    expect(":", kColonExpected);
    std::tie(p.result_type, p.result_pos) = identifier();
  }
  expect(";", kSemicolonExpected);
  p.block = std::make_unique<Block>(block());
  expect(";", kSemicolonExpected);
  return d;
}

// formal-parameters -> "(" [ formal-parameter { ";" formal-parameter } ] ")"
// formal-parameter -> [ VAR | CONST ] var-list
std::vector<VarDecl> Parser::formal_parameters() {
  std::vector<VarDecl> params;
  expect("(", kExpressionExpected);
  if (accept(")")) return params;
  do {
    bool is_var = accept(Keyword::Var);
    if (!is_var) accept(Keyword::Const);
    params.push_back(var_list());
    params.back().is_var_param = is_var;
  } while (accept(";"));
  expect(")", kCloseParenExpected);
  return params;
}

// compound-statement -> BEGIN statement { ";" statement } END
StmtList Parser::compound_statement() {
  expect(Keyword::Begin, kBeginExpected);
  // A missing END shows as a missing ";" before whatever came instead.
  return statement_sequence(Keyword::End, Keyword::End, kSemicolonExpected);
}

// statement { ";" statement } followed by one of the closing keywords (consumed when it is the
// first of the two).
StmtList Parser::statement_sequence(Keyword end_a, Keyword end_b, std::string_view missing) {
  StmtList list;
  for (;;) {
    list.push_back(statement());
    if (accept(";")) continue;
    if (m_tok.is(end_a) || m_tok.is(end_b)) break;
    fail(missing);
  }
  if (end_a == end_b) next();
  return list;
}

// statement -> empty | designator ":=" expression | designator | BREAK | CONTINUE | EXIT
//            | compound-statement | if-statement | case-statement | repeat-statement
//            | while-statement | for-statement | try-statement | with-statement
StmtPtr Parser::statement() {
  Nest nest(*this);
  Position pos = m_tok.pos;
  if (at_identifier()) {
    ExprPtr target = designator();
    if (accept(":=")) {
      auto s = stmt(StmtKind::Assign, pos);
      s->target = std::move(target);
      s->expr = expression();
      return s;
    }
    auto s = stmt(StmtKind::Call, pos);
    s->expr = std::move(target);
    return s;
  }
  if (m_tok.kind == TokenKind::Identifier) {
    switch (m_tok.keyword) {
      case Keyword::Begin: {
        auto s = stmt(StmtKind::Compound, pos);
        s->body = compound_statement();
        return s;
      }
      case Keyword::If:
        return if_statement();
      case Keyword::Case:
        return case_statement();
      case Keyword::Repeat:
        return repeat_statement();
      case Keyword::While:
        return while_statement();
      case Keyword::For:
        return for_statement();
      case Keyword::Try:
        return try_statement();
      case Keyword::With:
        return with_statement();
      case Keyword::Break:
        next();
        return stmt(StmtKind::Break, pos);
      case Keyword::Continue:
        next();
        return stmt(StmtKind::Continue, pos);
      case Keyword::Exit:
        next();
        return stmt(StmtKind::Exit, pos);
      case Keyword::End:
      case Keyword::Until:
      case Keyword::Else:
      case Keyword::Except:
      case Keyword::Finally:
        return stmt(StmtKind::Empty, pos);
      default:
        fail(kStatementExpected);
    }
  }
  if (m_tok.is(";") || m_tok.kind == TokenKind::End) return stmt(StmtKind::Empty, pos);
  fail(kStatementExpected);
}

// if-statement -> IF expression THEN statement [ ELSE statement ]
StmtPtr Parser::if_statement() {
  auto s = stmt(StmtKind::If, m_tok.pos);
  next();
  s->expr = expression();
  expect(Keyword::Then, kThenExpected);
  s->body.push_back(statement());
  if (accept(Keyword::Else)) s->other.push_back(statement());
  return s;
}

// case-statement -> CASE expression OF case-selector { ";" case-selector } [ ELSE statement ]
//                   [ ";" ] END
// case-selector -> set-constructor ":" statement
StmtPtr Parser::case_statement() {
  auto s = stmt(StmtKind::Case, m_tok.pos);
  next();
  s->expr = expression();
  expect(Keyword::Of, kOfExpected);
  for (;;) {
    if (m_tok.is(Keyword::Else) || m_tok.is(Keyword::End)) break;
    CaseBranch branch;
    branch.values = set_constructor(":", kColonExpected);
    branch.body = statement();
    s->branches.push_back(std::move(branch));
    if (!accept(";")) break;
  }
  if (accept(Keyword::Else)) {
    s->other = statement_sequence(Keyword::End, Keyword::End, kEndExpected);
    return s;
  }
  expect(Keyword::End, kEndExpected);
  return s;
}

// repeat-statement -> REPEAT statement { ";" statement } UNTIL expression
StmtPtr Parser::repeat_statement() {
  auto s = stmt(StmtKind::Repeat, m_tok.pos);
  next();
  s->body = statement_sequence(Keyword::Until, Keyword::Until, kUntilExpected);
  s->expr = expression();
  return s;
}

// while-statement -> WHILE expression DO statement
StmtPtr Parser::while_statement() {
  auto s = stmt(StmtKind::While, m_tok.pos);
  next();
  s->expr = expression();
  expect(Keyword::Do, kDoExpected);
  s->body.push_back(statement());
  return s;
}

// for-statement -> FOR identifier ":=" expression ( TO | DOWNTO ) expression DO statement
StmtPtr Parser::for_statement() {
  auto s = stmt(StmtKind::For, m_tok.pos);
  next();
  auto [name, pos] = identifier();
  s->target = node(ExprKind::Name, pos);
  s->target->name = name;
  expect(":=", kColonExpected);
  s->expr = expression();
  if (accept(Keyword::Downto))
    s->flag = true;
  else
    expect(Keyword::To, kToExpected);
  s->expr2 = expression();
  expect(Keyword::Do, kDoExpected);
  s->body.push_back(statement());
  return s;
}

// try-statement -> TRY statement { ";" statement } ( FINALLY | EXCEPT ) statement
//                  { ";" statement } END
StmtPtr Parser::try_statement() {
  auto s = stmt(StmtKind::Try, m_tok.pos);
  next();
  s->body = statement_sequence(Keyword::Finally, Keyword::Except, kFinallyExpected);
  s->flag = m_tok.is(Keyword::Except);
  next();
  s->other = statement_sequence(Keyword::End, Keyword::End, kEndExpected);
  return s;
}

// with-statement -> WITH designator { "," designator } DO statement
StmtPtr Parser::with_statement() {
  auto s = stmt(StmtKind::With, m_tok.pos);
  next();
  do {
    if (!at_identifier()) fail(kIdentifierExpected);
    s->targets.push_back(designator());
  } while (accept(","));
  expect(Keyword::Do, kDoExpected);
  s->body.push_back(statement());
  return s;
}

const BinaryOperator* Parser::binary_operator() const {
  for (const auto& b : kBinaryOperators) {
    if (b.symbol.empty() ? m_tok.is(b.keyword) : m_tok.is(b.symbol)) return &b;
  }
  return nullptr;
}

// expression -> simple-expression { relational-operator simple-expression }
// simple-expression -> term { adding-operator term }
// term -> factor { multiplying-operator factor }
// (one loop over the operator table: each level's operands are the next level's expressions)
ExprPtr Parser::expression(int min_level) {
  Nest nest(*this);
  ExprPtr left = min_level > kMultiplying ? factor() : expression(min_level + 1);
  if (min_level > kMultiplying) return left;
  while (const BinaryOperator* b = binary_operator()) {
    if (b->level != min_level) break;
    auto e = node(ExprKind::Binary, m_tok.pos);
    next();
    e->op = b->op;
    e->left = std::move(left);
    e->right = expression(min_level + 1);
    left = std::move(e);
  }
  return left;
}

// factor -> designator | number | string | "(" expression ")" | NOT factor | "-" factor
//         | "[" set-constructor "]" | "<" report-value ">" | "@" designator
ExprPtr Parser::factor() {
  Nest nest(*this);
  Position pos = m_tok.pos;
  if (m_tok.kind == TokenKind::Number || m_tok.kind == TokenKind::String) {
    auto e = node(ExprKind::Literal, pos);
    e->value = m_tok.kind == TokenKind::Number ? m_tok.number : core::Variant(m_tok.text);
    next();
    return e;
  }
  if (accept("(")) {
    ExprPtr e = expression();
    expect(")", kCloseParenExpected);
    return e;
  }
  if (accept(Keyword::Not) || m_tok.is("-") || m_tok.is("+")) {
    bool plus = m_tok.is("+");
    Op op = m_tok.is("-") ? Op::Neg : Op::Not;
    if (m_tok.is("-") || plus) next();
    ExprPtr operand = factor();
    if (plus) return operand;
    auto e = node(ExprKind::Unary, pos);
    e->op = op;
    e->left = std::move(operand);
    return e;
  }
  if (accept("[")) {
    auto e = node(ExprKind::Set, pos);
    if (!accept("]")) e->items = set_constructor("]", kCloseBracketExpected);
    return e;
  }
  if (m_tok.is("<")) {
    auto e = node(ExprKind::Reference, pos);
    e->name = m_lex.read_report_value(m_tok);
    next();
    return e;
  }
  if (accept("@")) {
    auto e = node(ExprKind::AddressOf, pos);
    ExprPtr target = designator();
    if (target->kind != ExprKind::Name) throw SyntaxError(std::string(text::kVariableRequired), pos);
    e->name = target->name;
    return e;
  }
  if (at_identifier()) return designator();
  fail(kExpressionExpected);
}

// designator -> identifier { "." identifier | "[" expression-list "]" | "(" expression-list ")" }
ExprPtr Parser::designator() {
  auto [name, pos] = identifier();
  auto e = node(ExprKind::Name, pos);
  e->name = name;
  // Each selector wraps the ones before it, and compiling and running them follow that nesting,
  // so a selector counts as a level.
  int selectors = 0;
  for (;;) {
    Position at = m_tok.pos;
    if ((m_tok.is(".") || m_tok.is("[") || m_tok.is("(")) && m_depth + ++selectors > limits::kMaxNesting)
      fail(text::kTooDeep);
    if (accept(".")) {
      auto m = node(ExprKind::Member, at);
      if (m_tok.kind != TokenKind::Identifier) fail(kIdentifierExpected);
      m->name = m_tok.text;  // members may be named like keywords (Memo.Text, Font.Color)
      next();
      m->left = std::move(e);
      e = std::move(m);
    } else if (accept("[")) {
      auto i = node(ExprKind::Index, at);
      i->items = expression_list("]", kCloseBracketExpected, nullptr);
      i->left = std::move(e);
      e = std::move(i);
    } else if (accept("(")) {
      auto c = node(ExprKind::Call, at);
      c->items = expression_list(")", kCloseParenExpected, &c->arg_texts);
      c->left = std::move(e);
      e = std::move(c);
    } else {
      return e;
    }
  }
}

// set-constructor -> set-element { "," set-element }
// set-element -> expression [ ".." expression ]
std::vector<ExprPtr> Parser::set_constructor(std::string_view close, std::string_view missing) {
  std::vector<ExprPtr> items;
  do {
    Position pos = m_tok.pos;
    ExprPtr low = expression();
    if (accept("..")) {
      auto r = node(ExprKind::Range, pos);
      r->left = std::move(low);
      r->right = expression();
      items.push_back(std::move(r));
    } else {
      items.push_back(std::move(low));
    }
  } while (accept(","));
  expect(close, missing);
  return items;
}

// expression-list -> [ expression { "," expression } ]
std::vector<ExprPtr> Parser::expression_list(std::string_view close, std::string_view missing,
                                             std::vector<std::string>* texts) {
  std::vector<ExprPtr> items;
  if (accept(close)) return items;
  do {
    size_t from = m_tok.offset;
    items.push_back(expression());
    if (texts) texts->emplace_back(m_lex.slice(from, m_tok.offset));
  } while (accept(","));
  expect(close, missing);
  return items;
}

}  // namespace

ast::Program parse_program(std::string_view source) {
  if (source.size() > limits::kMaxSourceBytes) throw SyntaxError(std::string(text::kTooLong), Position{});
  Parser p(source);
  return p.program();
}

}  // namespace orvena::script
