#include "report/engine_context.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>

#include "core/encoding.h"
#include "core/error.h"
#include "core/text.h"
#include "report/bands.h"
#include "report/datasets.h"
#include "report/memo/aggregates.h"
#include "report/memo/expression_cache.h"
#include "report/memo/report_host.h"
#include "report/report.h"
#include "report/resources.h"
#include "report/views.h"
#include "script/script.h"

namespace orvena::report {

using core::Variant;

namespace {

// Report variables may name each other; a chain this deep is a variable reaching itself.
constexpr int kMaxCalcDepth = 64;
constexpr std::string_view kTooDeep = "Zbyt wiele zagnieżdżonych odwołań";

struct DepthGuard {
  explicit DepthGuard(int& depth) : depth(depth) { ++depth; }
  ~DepthGuard() { --depth; }
  int& depth;
};

// The step budget's error: "Skrypt szablonu przekroczył limit 1000 kroków w procedurze
// 'Memo1OnBeforePrint' (3:5)".
constexpr std::string_view kStepLimitText = "Skrypt szablonu przekroczył limit %d kroków %s";
constexpr std::string_view kInMainBlock = "w bloku głównym";
constexpr std::string_view kInProcedure = "w procedurze ";
constexpr std::string_view kInExpression = "w wyrażeniu ";
// Steps between two calls of the window's pump while a script runs, and steps a script may still
// take once the report's terminated flag is set.
constexpr uint64_t kStepsBetweenPumps = 1u << 16;
constexpr uint64_t kStepsAfterTerminated = 1u << 16;
// An expression named in a message is cut to this many characters.
constexpr size_t kQuotedExpressionChars = 100;

// Takes the entry pushed for the call in progress off the list, however the call ends.
struct PopRunning {
  explicit PopRunning(std::vector<std::string>& list) : list(list) {}
  ~PopRunning() { list.pop_back(); }
  std::vector<std::string>& list;
};

std::string quoted_expression(std::string_view expression) {
  std::string e = core::trim(expression);
  if (core::utf8_length(e) > kQuotedExpressionChars)
    e = e.substr(0, core::utf8_offset(e, kQuotedExpressionChars)) + "…";
  return "'" + e + "'";
}

// Only a whole `Source."field"` is a field here: `Source."a" * 2` is an expression.
bool is_field_name(std::string_view text) {
  auto name = split_field_name(text);
  return name && text.ends_with('"') && name->field.find('"') == std::string_view::npos;
}

}  // namespace

// ---- Global variables -------------------------------------------------------------------------

namespace global_variables {
namespace {
std::mutex g_mutex;
std::map<std::string, Variant>& table() {
  static std::map<std::string, Variant> t;
  return t;
}
}  // namespace

std::optional<Variant> get(std::string_view name) {
  std::lock_guard lock(g_mutex);
  auto it = table().find(core::to_lower(name));
  if (it == table().end()) return std::nullopt;
  return it->second;
}

void set(std::string_view name, const Variant& value) {
  std::lock_guard lock(g_mutex);
  table()[core::to_lower(name)] = value;
}

void clear() {
  std::lock_guard lock(g_mutex);
  table().clear();
}

}  // namespace global_variables

// ---- The context ------------------------------------------------------------------------------

EngineContext::EngineContext(Report& report)
    : pump(report.pump),
      progress(report.progress),
      m_report(report),
      m_previous(report.run),
      m_clock(report.clock),
      m_host(std::make_unique<ReportHost>(*this)),
      m_script(std::make_unique<script::Script>(m_host.get())),
      m_cache(std::make_unique<ExpressionCache>()),
      m_totals(std::make_unique<AggregateList>(*this)) {
  m_report.run = this;
  m_script->set_clock(&clock());
  m_step_limit = report.script_step_limit;
  m_script->set_line_hook([this](const script::LineEvent& at) { script_step(at); });
}

EngineContext::~EngineContext() {
  m_report.run = m_previous;
}

const core::Clock& EngineContext::clock() const {
  static const core::SystemClock system;
  return m_clock ? *m_clock : system;
}

bool EngineContext::prepare_script() {
  m_cache->clear();
  m_script_ready = true;
  m_script->set_language(m_report.script_language);
  m_script->set_clock(&clock());
  // Units the script uses come from the template's own folder only; a template read from no
  // file has none to offer.
  m_script->include_path.clear();
  if (!m_report.file_name().empty()) {
    std::filesystem::path folder = m_report.file_name().parent_path();
    m_script->include_path.push_back(folder.empty() ? std::filesystem::path(".") : folder);
  }
  std::string text;
  for (const auto& line : m_report.script_text) text += line + "\n";
  if (m_script->compile(text)) return true;
  std::string error(resource("clScrError"));
  error.replace(error.find("%s"), 2, m_script->error_position());
  error.replace(error.find("%s"), 2, m_script->error_message());
  m_report.add_error(error);
  return false;
}

script::Script& EngineContext::script() {
  if (!m_script_ready && !prepare_script()) throw core::Error(m_report.errors().back());
  return *m_script;
}

void EngineContext::call_handler(std::string_view name, Component* sender) {
  if (core::trimmed(name).empty() || !script().has_procedure(name)) return;
  std::string key = core::to_lower(core::trim(name));
  if (std::ranges::find(m_running_handlers, key) != m_running_handlers.end()) return;
  m_running_handlers.push_back(key);
  struct Pop {
    std::vector<std::string>& list;
    ~Pop() { list.pop_back(); }
  } pop{m_running_handlers};
  m_running.push_back(std::string(kInProcedure) + "'" + core::trim(name) + "'");
  PopRunning pop_running(m_running);
  Variant params[] = {component_value(sender)};
  script().call_function(name, params);
}

void EngineContext::execute_main_block() {
  if (!script().has_main_block()) return;
  m_running.push_back(std::string(kInMainBlock));
  PopRunning pop_running(m_running);
  script().execute();
}

void EngineContext::script_step(const script::LineEvent& at) {
  if (++m_steps > m_step_limit) {
    std::string where = m_running.empty() ? std::string(kInMainBlock) : m_running.back();
    // A position inside an expression's wrapper would mean nothing to the template's author.
    if (!where.starts_with(kInExpression))
      where += " (" + (at.unit.empty() ? "" : std::string(at.unit) + " ") + at.pos.text() + ")";
    std::string text = core::replace_all(kStepLimitText, "%d", std::to_string(m_step_limit));
    throw script::ScriptStopped(core::replace_all(text, "%s", where));
  }
  if (m_steps % kStepsBetweenPumps == 0 && pump) pump();
  // The flag set ("stop", Engine.StopReport) lets the statements right after it run, as a
  // handler that stops the report and then tidies up expects; a script that goes on for long
  // after it is ended.
  if (m_report.terminated) {
    if (m_terminated_at == kNotTerminated) m_terminated_at = m_steps;
    if (m_steps - m_terminated_at >= kStepsAfterTerminated) m_script->terminate();
  }
}

// ---- Expressions ------------------------------------------------------------------------------

Variant EngineContext::calc(std::string_view expression) {
  DepthGuard guard(m_calc_depth);
  try {
    if (m_calc_depth > kMaxCalcDepth) throw core::Error(script::expression_error_text(expression, kTooDeep));
    if (auto v = fast_path(expression)) return *v;
    ExpressionCache::Entry& entry = m_cache->get(script(), expression);
    std::optional<PopRunning> named;
    if (m_calc_depth == 1) {
      std::string where = std::string(kInExpression) + quoted_expression(expression);
      if (Component* current = m_report.current_object.get(); current && !current->name().empty())
        where += " (" + current->name() + ")";
      m_running.push_back(std::move(where));
      named.emplace(m_running);
    }
    return entry.compiled->evaluate(m_report.engine_options.ignore_dev_by_zero
                                        ? script::DivisionByZero::GivesNull
                                        : script::DivisionByZero::Raise);
  } catch (const core::Error& e) {
    // Only the outermost evaluation reports, so nested ones are not named twice.
    if (m_calc_depth > 1) throw;
    fail(e.what());
  }
}

void EngineContext::check_expression(std::string_view expression) {
  std::string_view n = expression;
  while (!n.empty() && (n.front() == ' ' || n.front() == '\t')) n.remove_prefix(1);
  while (!n.empty() && (n.back() == ' ' || n.back() == '\t')) n.remove_suffix(1);
  if (n.empty() || is_field_name(n) || system_variable(n)) return;
  for (const auto& v : m_report.variables)
    if (core::equals_ignore_case(v->name, n)) return;
  m_cache->get(script(), expression);
}

void EngineContext::fail(const std::string& message) {
  Component* current = m_report.current_object.get();
  std::string line = current && !current->name().empty() ? current->name() + ": " + message : message;
  m_report.add_error(line);
  throw core::Error(line);
}

std::optional<Variant> EngineContext::fast_path(std::string_view name) {
  std::string_view n = name;
  while (!n.empty() && (n.front() == ' ' || n.front() == '\t')) n.remove_prefix(1);
  while (!n.empty() && (n.back() == ' ' || n.back() == '\t')) n.remove_suffix(1);
  if (n.empty()) return std::nullopt;

  // A name read as a field before needs no parsing to be known as one.
  if (auto it = m_field_refs.find(n); it != m_field_refs.end() || is_field_name(n))
    if (auto v = field_value(n, it)) return v;
  if (auto v = system_variable(n)) return v;
  if (on_get_value)
    if (auto v = on_get_value(n)) return v;
  if (auto v = report_variable(n)) return v;
  if (auto v = global_variables::get(n)) return v;
  if (m_script_ready) {
    Variant v = m_script->get_variable(n);
    if (!v.is_null()) return v;
  }
  return std::nullopt;
}

std::optional<Variant> EngineContext::field_value(std::string_view name, FieldRefs::iterator it) {
  DataSet* ds = it == m_field_refs.end() ? nullptr : it->second.data_set.get();
  if (!ds || ds->user_name() != it->second.source) {
    auto parts = split_field_name(name);
    if (!parts || parts->field.empty()) return std::nullopt;
    ds = m_report.get_dataset(parts->source);
    if (!ds) return std::nullopt;
    FieldRef ref{ds, ds->user_name(), std::string(parts->field)};
    if (it == m_field_refs.end())
      it = m_field_refs.emplace(std::string(name), std::move(ref)).first;
    else
      it->second = std::move(ref);
  }
  return m_report.data_field_value(*ds, it->second.field);
}

std::optional<Variant> EngineContext::system_variable(std::string_view name) const {
  auto is = [&](std::string_view s) { return core::equals_ignore_case(name, s); };
  if (is("Date")) return Variant::date(std::floor(state.start));
  if (is("Time")) return Variant::date(state.start - std::floor(state.start));
  if (is("Page")) return Variant(state.page);
  if (is("Page#")) return Variant(state.page_index + 1);
  if (is("TotalPages")) return Variant(state.total_pages);
  if (is("TotalPages#")) return Variant(state.total_pages_physical);
  if (is("Line")) return Variant(state.line);
  if (is("Line#")) return Variant(state.line_through);
  if (is("CopyName#")) return global_variables::get("CopyName0").value_or(Variant(""));
  return std::nullopt;
}

std::optional<Variant> EngineContext::report_variable(std::string_view name) {
  std::optional<Variant> value;
  if (auto it = m_variable_values.find(core::to_lower(name)); it != m_variable_values.end()) {
    value = it->second;
  } else {
    for (const auto& v : m_report.variables) {
      if (core::equals_ignore_case(v->name, name)) {
        value = Variant(v->value);
        break;
      }
    }
  }
  if (!value) return std::nullopt;
  // A one-line text is the variable's expression; a multi-line text is shown as it stands.
  if (!value->is_string() || value->str().find("\r\n") != std::string::npos) return value;
  if (core::trimmed(value->str()).empty()) return Variant::null();
  return calc(value->str());
}

void EngineContext::set_variable(std::string_view name, const Variant& value) {
  m_variable_values[core::to_lower(name)] = value;
}

// ---- Text objects -----------------------------------------------------------------------------

void EngineContext::forget_last_values(Band& band) {
  for (Component* c : band.all_objects())
    if (auto* memo = dynamic_cast<CustomMemoView*>(c)) memo->last_value.clear();
}

}  // namespace orvena::report
