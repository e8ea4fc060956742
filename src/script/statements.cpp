#include "script/nodes_p.h"

namespace orvena::script {

namespace {

// A loop's reaction to how its body ended; true when the loop is to stop.
bool loop_ends(Flow f, Flow& out) {
  if (f == Flow::Break) return true;
  if (f == Flow::Exit) {
    out = Flow::Exit;
    return true;
  }
  return false;
}

}  // namespace

Flow run_list(Runtime& rt, const StatementList& list) {
  for (const auto& s : list) {
    if (rt.stopped()) return Flow::Exit;
    Flow f = s->exec(rt);
    if (f != Flow::Normal) return f;
  }
  return rt.stopped() ? Flow::Exit : Flow::Normal;
}

Flow AssignStmt::exec(Runtime& rt) const {
  rt.line(*this);
  if (rt.stopped()) return Flow::Exit;
  target->assign(rt, value->eval(rt));
  return Flow::Normal;
}

Flow AppendStmt::exec(Runtime& rt) const {
  rt.line(*this);
  if (rt.stopped()) return Flow::Exit;
  Variant& slot = var->value;
  if (!slot.is_string()) {
    var->set(value->eval(rt));
    return Flow::Normal;
  }
  // On an error the variable is left as it was, as an assignment that never happened leaves it.
  const size_t kept = slot.str().size();
  try {
    for (size_t i = 0; i < value->steps.size(); ++i) {
      const auto& step = static_cast<const ArithmeticStep&>(*value->steps[i]);
      Variant part = step.right->eval(rt);
      if (part.is_string() || part.is_empty()) {
        std::string& s = slot.mutable_str();
        if (part.is_string()) {
          if (s.size() + part.str().size() > limits::kMaxStringBytes)
            throw core::Error(std::string(text::kTooLong));
          s += part.str();
        }
        continue;
      }
      // A number, Null, ...: the general rules from here on.
      Variant v = checked(core::apply(step.op, slot, part));
      for (++i; i < value->steps.size(); ++i) v = value->steps[i]->apply(rt, std::move(v));
      var->set(v);
      return Flow::Normal;
    }
  } catch (...) {
    if (slot.is_string()) slot.mutable_str().resize(kept);
    throw;
  }
  return Flow::Normal;
}

Flow CallStmt::exec(Runtime& rt) const {
  rt.line(*this);
  if (rt.stopped()) return Flow::Exit;
  call->eval(rt);
  return Flow::Normal;
}

Flow IfStmt::exec(Runtime& rt) const {
  rt.line(*this);
  if (rt.stopped()) return Flow::Exit;
  return run_list(rt, condition->eval(rt).to_bool() ? then_list : else_list);
}

Flow CaseStmt::exec(Runtime& rt) const {
  Variant v = selector->eval(rt);
  rt.line(*this);
  if (rt.stopped()) return Flow::Exit;
  for (const auto& [set, body] : branches)
    if (set->contains(rt, v)) return run_list(rt, body);
  return run_list(rt, else_list);
}

// Every loop pass also calls the line hook: a budget kept there must be able to end a loop
// whose body is empty.
Flow WhileStmt::exec(Runtime& rt) const {
  Flow out = Flow::Normal;
  for (;;) {
    rt.line(*this);
    if (rt.stopped()) return Flow::Exit;
    if (!condition->eval(rt).to_bool()) break;
    if (loop_ends(run_list(rt, body), out)) break;
  }
  return out;
}

Flow RepeatStmt::exec(Runtime& rt) const {
  Flow out = Flow::Normal;
  for (;;) {
    rt.line(*this);
    if (rt.stopped()) return Flow::Exit;
    if (loop_ends(run_list(rt, body), out)) break;
    if (condition->eval(rt).to_bool()) break;
  }
  return out;
}

Flow ForStmt::exec(Runtime& rt) const {
  int64_t first = from->eval(rt).to_int64();
  int64_t last = to->eval(rt).to_int64();
  Flow out = Flow::Normal;
  // The passes are counted before the first one: assigning to the variable changes nothing.
  if (down ? last > first : last < first) {
    rt.line(*this);
    return rt.stopped() ? Flow::Exit : out;
  }
  uint64_t passes = static_cast<uint64_t>(down ? first - last : last - first) + 1;
  for (uint64_t n = 0; n < passes; ++n) {
    rt.line(*this);
    if (rt.stopped()) return Flow::Exit;
    int64_t value = down ? first - static_cast<int64_t>(n) : first + static_cast<int64_t>(n);
    var->set(value >= INT32_MIN && value <= INT32_MAX ? Variant(static_cast<int32_t>(value))
                                                      : Variant(value));
    if (loop_ends(run_list(rt, body), out)) break;
  }
  return out;
}

Flow TryStmt::exec(Runtime& rt) const {
  rt.line(*this);
  if (rt.stopped()) return Flow::Exit;
  if (is_except) {
    try {
      return run_list(rt, body);
    } catch (const core::Error& e) {
      Runtime& top = rt.top();
      if (top.exception_class) top.exception_class->set(Variant(exception_class_of(e)));
      if (top.exception_message) top.exception_message->set(Variant(std::string(e.what())));
    }
    return run_list(rt, handler);
  }
  Flow f;
  try {
    f = run_list(rt, body);
  } catch (const ScriptStopped&) {
    throw;
  } catch (...) {
    run_list(rt, handler);
    throw;
  }
  // The finally part runs even after Exit, and the Exit still ends the procedure afterwards.
  Flow after = run_list(rt, handler);
  return f != Flow::Normal ? f : after;
}

Flow WithStmt::exec(Runtime& rt) const {
  for (const auto& [hidden, target] : targets) hidden->value = target->eval(rt);
  return run_list(rt, body);
}

Flow FlowStmt::exec(Runtime& rt) const {
  if (flow == Flow::Exit) rt.line(*this);
  return flow;
}

}  // namespace orvena::script
