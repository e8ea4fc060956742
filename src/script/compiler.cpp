// From the parse tree to nodes: every name resolved, every call's arguments counted, types
// checked where they are known. Blocks are compiled in two passes, procedures first, so that a
// call may come before the procedure's declaration.
#include <algorithm>

#include "core/text.h"
#include "script/nodes_p.h"
#include "script/parser.h"

namespace orvena::script {

namespace {

using ast::Expr;
using ast::ExprKind;
using ast::Op;

[[noreturn]] void fail(std::string message, Position pos) {
  throw SyntaxError(std::move(message), pos);
}

// The colour names scripts set Font.Color and Color with: TColor values, red in the low byte.
std::optional<int64_t> color_constant(std::string_view lower) {
  static constexpr std::pair<std::string_view, int64_t> kColors[] = {
      {"clblack", 0x000000},  {"clmaroon", 0x000080},  {"clgreen", 0x008000},      {"clolive", 0x008080},
      {"clnavy", 0x800000},   {"clpurple", 0x800080},  {"clteal", 0x808000},       {"clgray", 0x808080},
      {"clsilver", 0xC0C0C0}, {"clred", 0x0000FF},     {"cllime", 0x00FF00},       {"clyellow", 0x00FFFF},
      {"clblue", 0xFF0000},   {"clfuchsia", 0xFF00FF}, {"claqua", 0xFFFF00},       {"clwhite", 0xFFFFFF},
      {"clltgray", 0xC0C0C0}, {"cldkgray", 0x808080},  {"clmoneygreen", 0xC0DCC0}, {"clskyblue", 0xF0CAA6},
      {"clcream", 0xF0FBFF},  {"clmedgray", 0xA4A0A0}, {"clnone", 0x1FFFFFFF},     {"cldefault", 0x20000000},
  };
  for (const auto& [name, value] : kColors)
    if (lower == name) return value;
  return std::nullopt;
}

TypeKind kind_of_value(const Variant& v) {
  switch (v.type()) {
    case core::VarType::Int32:
      return TypeKind::Int;
    case core::VarType::Int64:
      return TypeKind::Int64;
    case core::VarType::Double:
    case core::VarType::Currency:
    case core::VarType::Date:
      return TypeKind::Float;
    case core::VarType::String:
      return TypeKind::String;
    case core::VarType::Bool:
      return TypeKind::Bool;
    default:
      return TypeKind::Variant;
  }
}

std::string shown_type(const Node& n) {
  return n.type_name.empty() ? std::string(kind_name(n.type)) : n.type_name;
}

bool is_number(TypeKind k) {
  return k == TypeKind::Int || k == TypeKind::Int64 || k == TypeKind::Float;
}

core::BinaryOp arithmetic(Op op) {
  switch (op) {
    case Op::Mul:
      return core::BinaryOp::Multiply;
    case Op::Divide:
      return core::BinaryOp::Divide;
    case Op::Div:
      return core::BinaryOp::IntDivide;
    case Op::Mod:
      return core::BinaryOp::Modulo;
    case Op::And:
      return core::BinaryOp::And;
    case Op::Shl:
      return core::BinaryOp::Shl;
    case Op::Shr:
      return core::BinaryOp::Shr;
    case Op::Sub:
      return core::BinaryOp::Subtract;
    case Op::Or:
      return core::BinaryOp::Or;
    case Op::Xor:
      return core::BinaryOp::Xor;
    default:
      return core::BinaryOp::Add;
  }
}

core::CompareOp comparison(Op op) {
  switch (op) {
    case Op::Ne:
      return core::CompareOp::NotEqual;
    case Op::Lt:
      return core::CompareOp::Less;
    case Op::Le:
      return core::CompareOp::LessEqual;
    case Op::Gt:
      return core::CompareOp::Greater;
    case Op::Ge:
      return core::CompareOp::GreaterEqual;
    default:
      return core::CompareOp::Equal;
  }
}

template <typename T>
std::unique_ptr<T> make(Position pos, TypeKind type = TypeKind::Variant) {
  auto n = std::make_unique<T>();
  n->pos = pos;
  n->type = type;
  return n;
}

class Compiler {
 public:
  Compiler(Runtime& rt, const UnitLoader& loader) : m_rt(rt), m_loader(loader), m_scope(rt.root.get()) {}

  void program(const ast::Program& p, StatementList* main) {
    for (const auto& u : p.uses) include_unit(u);
    StatementList discarded;
    block(p.block, main ? *main : discarded);
  }

 private:
  // ---- declarations ----

  void include_unit(const ast::UnitRef& u) {
    for (const auto& done : m_rt.units)
      if (core::equals_ignore_case(done, u.name)) return;
    m_rt.units.push_back(u.name);
    const std::string* saved_unit = m_unit;
    m_unit = &m_rt.units.back();
    try {
      std::string source;
      try {
        source = m_loader(u.name);
      } catch (const core::Error& e) {
        fail(e.what(), u.pos);
      }
      ast::Program unit = parse_program(source);
      program(unit, nullptr);
    } catch (SyntaxError& e) {
      if (e.unit().empty()) e.set_unit(u.name);
      throw;
    }
    m_unit = saved_unit;
  }

  void block(const ast::Block& b, StatementList& out) {
    std::vector<Procedure*> procs;
    for (const auto& d : b.decls)
      if (d.kind == ast::Decl::Kind::Proc) procs.push_back(declare_procedure(d.proc));
    size_t next_proc = 0;
    for (const auto& d : b.decls) {
      switch (d.kind) {
        case ast::Decl::Kind::Const:
          constant(d.constant);
          break;
        case ast::Decl::Kind::Var:
          variables(d.var, &out);
          break;
        case ast::Decl::Kind::Proc:
          procedure_body(procs[next_proc++], d.proc);
          break;
      }
    }
    statements(b.body, out);
  }

  void check_new_name(const std::string& name, Position pos) {
    if (m_scope->find_here(core::to_lower(name))) fail(std::string(text::kRedeclared) + in_quotes(name), pos);
  }

  Variable* declare_variable(const std::string& name, Position pos, TypeKind kind,
                             const std::string& type_name) {
    check_new_name(name, pos);
    auto v = std::make_unique<Variable>();
    v->name = name;
    v->kind = kind;
    v->type_name = type_name;
    v->value = initial_value(kind);
    Variable* raw = v.get();
    m_scope->variables.push_back(std::move(v));
    m_scope->items[core::to_lower(name)].var = raw;
    return raw;
  }

  TypeKind type_kind(const std::string& name, Position pos) {
    TypeKind kind;
    if (library_type(name, kind)) return kind;
    if (m_rt.host && m_rt.host->is_class(name)) return TypeKind::Class;
    fail(std::string(text::kUnknownType) + in_quotes(name), pos);
  }

  Variant const_value(const Expr& e) {
    NodePtr n = expr(e);
    try {
      return n->eval(m_rt);
    } catch (const core::Error& err) {
      fail(err.what(), e.pos);
    }
  }

  int64_t const_int(const Expr& e) {
    Variant v = const_value(e);
    try {
      return v.to_int64();
    } catch (const core::Error& err) {
      fail(err.what(), e.pos);
    }
  }

  void constant(const ast::ConstDecl& c) {
    Variant value = const_value(*c.value);
    Variable* v = declare_variable(c.name, c.pos, kind_of_value(value), "");
    v->value = value;
    v->read_only = true;
  }

  // An array's value: nested arrays of empty elements with the declared bounds.
  Variant array_value(const ast::TypeRef& t, size_t dim, std::vector<int64_t>& lows, int64_t& total) {
    if (t.dims.empty()) return Variant(std::vector<Variant>{Variant()});
    const auto& [first, second] = t.dims[dim];
    int64_t low = 0, high;
    if (second) {
      low = const_int(*first);
      high = const_int(*second);
    } else {
      high = const_int(*first) - 1;
    }
    if (lows.size() <= dim) lows.push_back(low);
    int64_t count = high >= low ? high - low + 1 : 0;
    if (count > limits::kMaxArrayElements ||
        (total = total * std::max<int64_t>(count, 1)) > limits::kMaxArrayElements)
      fail(std::string(text::kTooLong), t.pos);
    std::vector<Variant> items(static_cast<size_t>(count));
    // The rows share one value until written (the first write copies a row), and the total is
    // counted once per dimension, not once per row.
    if (dim + 1 < t.dims.size()) {
      Variant row = array_value(t, dim + 1, lows, total);
      std::fill(items.begin(), items.end(), row);
    }
    return Variant(std::move(items));
  }

  // var-list: each name a variable; an initialiser becomes an assignment where it is declared.
  std::vector<Variable*> variables(const ast::VarDecl& d, StatementList* out) {
    TypeKind kind = d.type.is_array ? TypeKind::Array : type_kind(d.type.name, d.type.pos);
    if (d.type.is_array) type_kind(d.type.name, d.type.pos);  // the element type must exist too
    std::string type_name = d.type.is_array ? "Array" : d.type.name;
    std::vector<Variable*> made;
    for (const auto& [name, pos] : d.names) {
      Variable* v = declare_variable(name, pos, kind, type_name);
      if (d.type.is_array) {
        int64_t total = 1;
        v->value = array_value(d.type, 0, v->lows, total);
      }
      made.push_back(v);
      if (d.init && out) {
        auto s = statement_at<AssignStmt>(pos);
        auto target = make<VarNode>(pos, kind);
        target->var = v;
        target->type_name = type_name;
        s->value = expr(*d.init);
        check_compatible(*target, *s->value, d.init->pos);
        s->target = std::move(target);
        out->push_back(std::move(s));
      }
    }
    return made;
  }

  Procedure* declare_procedure(const ast::ProcDecl& d) {
    check_new_name(d.name, d.pos);
    auto p = std::make_unique<Procedure>();
    p->name = d.name;
    p->pos = d.pos;
    p->is_function = d.is_function;
    p->unit = m_unit ? *m_unit : "";
    p->scope = std::make_unique<Scope>();
    p->scope->parent = m_scope;
    Scope* outer = m_scope;
    m_scope = p->scope.get();
    for (const auto& param : d.params) {
      Variant def;
      if (param.init) def = const_value(*param.init);
      ast::VarDecl no_init{
          param.names, {param.type.name, param.type.pos, param.type.is_array, {}}, nullptr, false};
      for (Variable* v : variables(no_init, nullptr))
        p->params.push_back(Param{v, param.is_var_param, param.init != nullptr, def});
    }
    if (d.is_function) {
      p->result_kind = type_kind(d.result_type, d.result_pos);
      p->result_type = d.result_type;
      p->result = declare_variable("Result", d.result_pos, p->result_kind, d.result_type);
    }
    m_scope = outer;
    Procedure* raw = p.get();
    m_scope->procedures.push_back(std::move(p));
    m_scope->items[core::to_lower(d.name)].proc = raw;
    return raw;
  }

  void procedure_body(Procedure* p, const ast::ProcDecl& d) {
    Scope* outer = m_scope;
    std::vector<Variable*> with = std::move(m_with);
    m_with.clear();
    m_scope = p->scope.get();
    block(*d.block, p->body);
    m_scope = outer;
    m_with = std::move(with);
  }

  // ---- statements ----

  template <typename T>
  std::unique_ptr<T> statement_at(Position pos) {
    auto s = std::make_unique<T>();
    s->pos = pos;
    s->unit = m_unit;
    return s;
  }

  void statements(const ast::StmtList& list, StatementList& out) {
    for (const auto& s : list)
      if (StatementPtr c = statement(*s)) out.push_back(std::move(c));
  }

  StatementList statements(const ast::StmtList& list) {
    StatementList out;
    statements(list, out);
    return out;
  }

  void check_compatible(const Node& target, const Node& value, Position pos) {
    if (!compatible(target.type, value.type))
      fail(std::string(text::kIncompatible) + ": " + in_quotes(shown_type(target)) + ", " +
               in_quotes(shown_type(value)),
           pos);
  }

  void check_assignable(const Expr& target_expr, const Node& target) {
    if (!target.assignable()) fail(std::string(text::kNotAssignable), target_expr.pos);
  }

  StatementPtr statement(const ast::Stmt& s) {
    using ast::StmtKind;
    switch (s.kind) {
      case StmtKind::Empty:
        return nullptr;
      case StmtKind::Assign: {
        auto a = statement_at<AssignStmt>(s.pos);
        if (s.target->kind == ExprKind::Name && m_with.empty()) {
          const Scope::Item* item = m_scope->find(core::to_lower(s.target->name));
          if (item && item->proc) fail(std::string(text::kNotAssignable), s.target->pos);
        }
        a->target = expr(*s.target);
        check_assignable(*s.target, *a->target);
        a->value = expr(*s.expr);
        check_compatible(*a->target, *a->value, s.expr->pos);
        if (StatementPtr append = as_append(*a)) return append;
        return a;
      }
      case StmtKind::Call: {
        auto c = statement_at<CallStmt>(s.pos);
        // "Memo1.Clear;" calls the method without arguments.
        if (s.expr->kind == ExprKind::Member) {
          auto m = make<MethodNode>(s.expr->pos);
          m->target = expr(*s.expr->left);
          m->name = s.expr->name;
          c->call = std::move(m);
        } else {
          c->call = expr(*s.expr);
        }
        return c;
      }
      case StmtKind::Compound: {
        auto c = statement_at<CompoundStmt>(s.pos);
        c->body = statements(s.body);
        return c;
      }
      case StmtKind::If: {
        auto i = statement_at<IfStmt>(s.pos);
        i->condition = expr(*s.expr);
        i->then_list = statements(s.body);
        i->else_list = statements(s.other);
        return i;
      }
      case StmtKind::Case: {
        auto c = statement_at<CaseStmt>(s.pos);
        c->selector = expr(*s.expr);
        for (const auto& b : s.branches) {
          auto set = set_node(b.values, s.pos);
          StatementList body;
          if (StatementPtr st = statement(*b.body)) body.push_back(std::move(st));
          c->branches.emplace_back(std::move(set), std::move(body));
        }
        c->else_list = statements(s.other);
        return c;
      }
      case StmtKind::While: {
        auto w = statement_at<WhileStmt>(s.pos);
        w->condition = expr(*s.expr);
        w->body = statements(s.body);
        return w;
      }
      case StmtKind::Repeat: {
        auto r = statement_at<RepeatStmt>(s.pos);
        r->body = statements(s.body);
        r->condition = expr(*s.expr);
        return r;
      }
      case StmtKind::For:
        return for_statement(s);
      case StmtKind::Try: {
        auto t = statement_at<TryStmt>(s.pos);
        t->is_except = s.flag;
        t->body = statements(s.body);
        t->handler = statements(s.other);
        return t;
      }
      case StmtKind::With:
        return with_statement(s);
      case StmtKind::Break:
      case StmtKind::Continue:
      case StmtKind::Exit: {
        auto f = statement_at<FlowStmt>(s.pos);
        f->flow = s.kind == StmtKind::Break      ? Flow::Break
                  : s.kind == StmtKind::Continue ? Flow::Continue
                                                 : Flow::Exit;
        return f;
      }
    }
    return nullptr;
  }

  // s := s + a + ... as an in-place append, when it is one (AppendStmt).
  StatementPtr as_append(AssignStmt& a) {
    auto* target = dynamic_cast<const VarNode*>(a.target.get());
    auto* chain = dynamic_cast<ChainNode*>(a.value.get());
    if (!target || !chain) return nullptr;
    auto* first = dynamic_cast<const VarNode*>(chain->first.get());
    if (!first || first->var != target->var) return nullptr;
    for (const auto& step : chain->steps) {
      auto* add = dynamic_cast<const ArithmeticStep*>(step.get());
      if (!add || add->op != core::BinaryOp::Add || !independent_of(*add->right, target->var)) return nullptr;
    }
    auto append = std::make_unique<AppendStmt>();
    append->pos = a.pos;
    append->unit = a.unit;
    append->var = target->var;
    a.value.release();
    append->value.reset(chain);
    return append;
  }

  // Whether evaluating n can neither read nor change v: only values, other variables and the
  // library's functions without var parameters. Anything that may run script code (calls,
  // report values, members of objects) may reach v.
  static bool independent_of(const Node& n, const Variable* v) {
    auto all = [v](const std::vector<NodePtr>& nodes) {
      return std::ranges::all_of(nodes, [v](const NodePtr& x) { return !x || independent_of(*x, v); });
    };
    if (dynamic_cast<const ConstNode*>(&n)) return true;
    if (auto* var = dynamic_cast<const VarNode*>(&n)) return var->var != v;
    if (auto* cast = dynamic_cast<const CastNode*>(&n)) return independent_of(*cast->operand, v);
    if (auto* unary = dynamic_cast<const UnaryNode*>(&n)) return independent_of(*unary->operand, v);
    if (auto* routine = dynamic_cast<const RoutineNode*>(&n))
      return routine->routine->var_params == 0 && all(routine->args);
    if (auto* index = dynamic_cast<const IndexNode*>(&n))
      return independent_of(*index->target, v) && all(index->index);
    if (auto* chain = dynamic_cast<const ChainNode*>(&n)) {
      if (!independent_of(*chain->first, v)) return false;
      for (const auto& step : chain->steps) {
        const Node* right = nullptr;
        if (auto* a = dynamic_cast<const ArithmeticStep*>(step.get()))
          right = a->right.get();
        else if (auto* c = dynamic_cast<const CompareStep*>(step.get()))
          right = c->right.get();
        else if (auto* sc = dynamic_cast<const ShortCircuitStep*>(step.get()))
          right = sc->right.get();
        else
          return false;
        if (!independent_of(*right, v)) return false;
      }
      return true;
    }
    return false;
  }

  StatementPtr for_statement(const ast::Stmt& s) {
    auto f = statement_at<ForStmt>(s.pos);
    const Scope::Item* item = m_scope->find(core::to_lower(s.target->name));
    if (!item) fail(std::string(text::kUndeclared) + in_quotes(s.target->name), s.target->pos);
    Variable* v = item->var;
    if (!v || v->read_only ||
        !(v->kind == TypeKind::Int || v->kind == TypeKind::Float || v->kind == TypeKind::Variant ||
          v->kind == TypeKind::Int64))
      fail(std::string(text::kLoopVariable), s.target->pos);
    f->var = v;
    f->from = expr(*s.expr);
    f->to = expr(*s.expr2);
    VarNode target;
    target.type = v->kind;
    target.type_name = v->type_name;
    check_compatible(target, *f->from, s.expr->pos);
    check_compatible(target, *f->to, s.expr2->pos);
    f->down = s.flag;
    f->body = statements(s.body);
    return f;
  }

  StatementPtr with_statement(const ast::Stmt& s) {
    auto w = statement_at<WithStmt>(s.pos);
    size_t pushed = 0;
    for (const auto& t : s.targets) {
      NodePtr target = expr(*t);
      if (target->type != TypeKind::Class && target->type != TypeKind::Variant)
        fail(std::string(text::kClassRequired), t->pos);
      // The hidden variable holds the target while the controlled statement runs.
      Variable* hidden = nullptr;
      for (;;) {
        std::string name = "_WithList_" + std::to_string(m_scope->hidden_count++);
        if (!m_scope->find_here(core::to_lower(name))) {
          hidden = declare_variable(name, t->pos, TypeKind::Variant, "Variant");
          break;
        }
      }
      w->targets.emplace_back(hidden, std::move(target));
      m_with.push_back(hidden);
      ++pushed;
    }
    w->body = statements(s.body);
    m_with.resize(m_with.size() - pushed);
    return w;
  }

  // ---- expressions ----

  std::unique_ptr<SetNode> set_node(const std::vector<ast::ExprPtr>& items, Position pos) {
    auto set = make<SetNode>(pos, TypeKind::Array);
    for (const auto& item : items) {
      if (item->kind == ExprKind::Range) {
        set->items.push_back(expr(*item->left));
        set->highs.push_back(expr(*item->right));
      } else {
        set->items.push_back(expr(*item));
        set->highs.push_back(nullptr);
      }
    }
    return set;
  }

  NodePtr expr(const Expr& e) {
    switch (e.kind) {
      case ExprKind::Literal: {
        auto c = make<ConstNode>(e.pos, kind_of_value(e.value));
        c->value = e.value;
        return c;
      }
      case ExprKind::Name:
        return name(e, nullptr);
      case ExprKind::Reference: {
        if (!m_rt.host) fail(std::string(text::kUndeclared) + in_quotes("Get"), e.pos);
        auto r = make<ReferenceNode>(e.pos);
        r->text = e.name;
        return r;
      }
      case ExprKind::AddressOf: {
        auto c = make<ConstNode>(e.pos, TypeKind::String);
        c->value = Variant(e.name);
        return c;
      }
      case ExprKind::Unary: {
        auto u = make<UnaryNode>(e.pos);
        u->op = e.op;
        u->operand = expr(*e.left);
        u->type = u->operand->type == TypeKind::Bool || is_number(u->operand->type) ? u->operand->type
                                                                                    : TypeKind::Variant;
        return u;
      }
      case ExprKind::Binary:
        return binary(e);
      case ExprKind::Set:
        return set_node(e.items, e.pos);
      case ExprKind::Range:
        fail(std::string(grammar::kExpressionExpected), e.pos);
      case ExprKind::Member: {
        auto m = make<MemberNode>(e.pos);
        m->target = expr(*e.left);
        m->name = e.name;
        return m;
      }
      case ExprKind::Index: {
        auto i = make<IndexNode>(e.pos);
        i->target = expr(*e.left);
        if (auto* v = dynamic_cast<VarNode*>(i->target.get())) {
          i->declared = v->var;
          if (!v->var->read_only) i->in_place = v->var;
        }
        for (const auto& x : e.items) i->index.push_back(expr(*x));
        return i;
      }
      case ExprKind::Call:
        if (e.left->kind == ExprKind::Name) return name(*e.left, &e);
        if (e.left->kind == ExprKind::Member) {
          auto m = make<MethodNode>(e.pos);
          m->target = expr(*e.left->left);
          m->name = e.left->name;
          for (const auto& x : e.items) m->args.push_back(expr(*x));
          return m;
        }
        fail(std::string(text::kVariableRequired), e.pos);
    }
    fail(std::string(grammar::kExpressionExpected), e.pos);
  }

  // A binary expression is the operand at the bottom of its left side and the operators above
  // it, innermost first: ((a + b) * c) = d is a, then + b, * c, = d. Walking down that side in a
  // loop keeps a flat chain of any length off the stack; the right operands nest only as deep
  // as the parser allowed.
  NodePtr binary(const Expr& e) {
    std::vector<const Expr*> spine;
    const Expr* bottom = &e;
    for (; bottom->kind == ExprKind::Binary; bottom = bottom->left.get()) spine.push_back(bottom);
    auto chain = make<ChainNode>(e.pos);
    chain->first = expr(*bottom);
    TypeKind type = chain->first->type;
    for (auto it = spine.rbegin(); it != spine.rend(); ++it) {
      chain->steps.push_back(binary_step(**it, type));
      type = chain->steps.back()->type;
    }
    chain->type = type;
    return chain;
  }

  // One operator with its right operand, over a left operand of kind `a`.
  BinaryStepPtr binary_step(const Expr& e, TypeKind a) {
    if (e.op == Op::Is) {
      if (e.right->kind != ExprKind::Name) fail(std::string(grammar::kIdentifierExpected), e.right->pos);
      if (!m_rt.host || !m_rt.host->is_class(e.right->name))
        fail(std::string(text::kUnknownType) + in_quotes(e.right->name), e.right->pos);
      auto n = std::make_unique<IsStep>();
      n->type = TypeKind::Bool;
      n->class_name = e.right->name;
      return n;
    }
    NodePtr right = expr(*e.right);
    if (e.op == Op::In) {
      auto n = std::make_unique<InStep>();
      n->type = TypeKind::Bool;
      n->set = dynamic_cast<const SetNode*>(right.get());
      n->right = std::move(right);
      return n;
    }
    if (e.op >= Op::Eq && e.op <= Op::Ge) {
      auto n = std::make_unique<CompareStep>();
      n->type = TypeKind::Bool;
      n->op = comparison(e.op);
      n->right = std::move(right);
      return n;
    }
    TypeKind b = right->type;
    bool both_bool = a == TypeKind::Bool && b == TypeKind::Bool;
    if (both_bool && (e.op == Op::And || e.op == Op::Or)) {
      auto n = std::make_unique<ShortCircuitStep>();
      n->type = TypeKind::Bool;
      n->is_and = e.op == Op::And;
      n->right = std::move(right);
      return n;
    }
    auto n = std::make_unique<ArithmeticStep>();
    n->op = arithmetic(e.op);
    if (both_bool && (e.op == Op::Xor))
      n->type = TypeKind::Bool;
    else if (e.op == Op::Divide && is_number(a) && is_number(b))
      n->type = TypeKind::Float;
    else if (is_number(a) && is_number(b))
      n->type = a == TypeKind::Float || b == TypeKind::Float   ? TypeKind::Float
                : a == TypeKind::Int64 || b == TypeKind::Int64 ? TypeKind::Int64
                                                               : TypeKind::Int;
    else if (e.op == Op::Add && a == TypeKind::String && b == TypeKind::String)
      n->type = TypeKind::String;
    n->right = std::move(right);
    return n;
  }

  void check_count(size_t given, size_t min_args, size_t max_args, Position pos) {
    if (given < min_args) fail(std::string(text::kTooFewParams), pos);
    if (given > max_args) fail(std::string(text::kTooManyParams), pos);
  }

  std::vector<NodePtr> arguments(const Expr* call) {
    std::vector<NodePtr> out;
    if (call)
      for (const auto& a : call->items) out.push_back(expr(*a));
    return out;
  }

  NodePtr name(const Expr& e, const Expr* call) {
    if (!m_with.empty()) {
      auto w = make<WithNameNode>(e.pos);
      w->targets.assign(m_with.rbegin(), m_with.rend());
      w->name = e.name;
      w->fallback = resolve(e, call, /*required=*/false);
      if (call) {
        w->is_call = true;
        w->args = arguments(call);
      }
      if (w->fallback) {
        w->type = w->fallback->type;
        w->type_name = w->fallback->type_name;
      }
      return w;
    }
    return resolve(e, call, true);
  }

  // The name in scope order: declared names, the host's names, constants, the library.
  NodePtr resolve(const Expr& e, const Expr* call, bool required) {
    std::string lower = core::to_lower(e.name);
    Position pos = call ? call->pos : e.pos;
    size_t given = call ? call->items.size() : 0;
    if (const Scope::Item* item = m_scope->find(lower)) {
      if (item->var) {
        if (call) fail(std::string(text::kTooManyParams), pos);
        auto v = make<VarNode>(e.pos, item->var->kind);
        v->var = item->var;
        v->type_name = item->var->type_name;
        return v;
      }
      return procedure_call(item->proc, call, e.pos);
    }
    if (m_rt.host) {
      HostName h = m_rt.host->find_name(e.name);
      switch (h.kind) {
        case HostName::Kind::Value: {
          if (call) fail(std::string(text::kTooManyParams), pos);
          auto v = make<HostValueNode>(e.pos);
          v->id = h.id;
          return v;
        }
        case HostName::Kind::Function: {
          check_count(given, h.min_args, h.max_args, pos);
          auto f = make<HostCallNode>(e.pos);
          f->id = h.id;
          f->args = arguments(call);
          return f;
        }
        case HostName::Kind::Macro: {
          check_count(given, h.min_args, h.max_args, pos);
          auto m = make<MacroNode>(e.pos);
          m->id = h.id;
          if (call)
            for (const auto& t : call->arg_texts) m->texts.push_back(core::trim(t));
          return m;
        }
        case HostName::Kind::None:
          break;
      }
    }
    if (!call) {
      static const std::pair<std::string_view, Variant> kConstants[] = {
          {"true", Variant(true)}, {"false", Variant(false)}, {"nil", Variant(0)}, {"null", Variant::null()}};
      for (const auto& [n, value] : kConstants) {
        if (lower == n) {
          auto c = make<ConstNode>(e.pos, kind_of_value(value));
          if (n == "nil" || n == "null") c->type = TypeKind::Variant;
          c->value = value;
          return c;
        }
      }
      if (std::optional<int64_t> color = color_constant(lower)) {
        auto c = make<ConstNode>(e.pos, TypeKind::Int);
        c->value = Variant(static_cast<int32_t>(*color));
        return c;
      }
    }
    if (call) {
      TypeKind kind;
      bool library = library_type(lower, kind);
      if (library || (m_rt.host && m_rt.host->is_class(e.name))) {
        if (given != 1) check_count(given, 1, 1, pos);
        auto c = make<CastNode>(e.pos, library ? kind : TypeKind::Class);
        c->operand = expr(*call->items[0]);
        if (!library) c->type_name = e.name;
        return c;
      }
    }
    if (const Routine* r = find_routine(lower)) {
      check_count(given, r->min_args, r->max_args, pos);
      auto n = make<RoutineNode>(e.pos, r->result);
      n->routine = r;
      n->args = arguments(call);
      for (size_t i = 0; i < n->args.size(); ++i)
        if (((r->var_params >> i) & 1u) && !n->args[i]->assignable())
          fail(std::string(text::kVariableRequired), call->items[i]->pos);
      return n;
    }
    if (!required) return nullptr;
    fail(std::string(text::kUndeclared) + in_quotes(e.name), e.pos);
  }

  NodePtr procedure_call(Procedure* p, const Expr* call, Position name_pos) {
    Position pos = call ? call->pos : name_pos;
    size_t given = call ? call->items.size() : 0;
    size_t required = 0;
    for (const auto& param : p->params)
      if (!param.optional) ++required;
    check_count(given, required, p->params.size(), pos);
    auto c = make<CallNode>(name_pos, p->is_function ? p->result_kind : TypeKind::Variant);
    c->type_name = p->result_type;
    c->proc = p;
    for (size_t i = 0; i < p->params.size(); ++i) {
      const Param& param = p->params[i];
      if (i < given) {
        NodePtr arg = expr(*call->items[i]);
        if (param.is_var && !arg->assignable())
          fail(std::string(text::kVariableRequired), call->items[i]->pos);
        VarNode target;
        target.type = param.var->kind;
        target.type_name = param.var->type_name;
        check_compatible(target, *arg, call->items[i]->pos);
        c->args.push_back(std::move(arg));
      } else {
        auto d = make<ConstNode>(name_pos);
        d->value = param.default_value;
        c->args.push_back(std::move(d));
      }
    }
    return c;
  }

  Runtime& m_rt;
  const UnitLoader& m_loader;
  Scope* m_scope;
  const std::string* m_unit = nullptr;
  std::vector<Variable*> m_with;  // with-targets in effect, innermost last
};

}  // namespace

void compile_into(Runtime& rt, std::string_view source, const UnitLoader& load_unit) {
  ast::Program program = parse_program(source);
  Compiler c(rt, load_unit);
  c.program(program, &rt.main);
}

}  // namespace orvena::script
