#pragma once
// What one generation run keeps beside the report: the compiled report script, the cache of
// compiled bracket expressions, the totals, the values the system variables show and the run's
// hooks. The page generator owns one for the length of a run, so the Report stays the document.
// While it lives the report points at it (Report::run), which is how text objects filling
// themselves (get_data) find their expressions.
//
// The page generator's calls, in a run:
//   EngineContext ctx(report);              // hooks copied from the report (pump, progress, clock)
//   if (!ctx.prepare_script()) fail;        // compile errors are in report.errors()
//   ctx.execute_main_block();               // the script's main block
//   ctx.state.start = ctx.clock().now();    // "Date" and "Time"
//   for each report page: ctx.totals().add_items(scopes), the scopes from the band structure
//     it built (or totals_scopes(page), aggregates.h)
//   ctx.totals().clear_values();            // before a second pass
//   printing a band: state.current_band, state.line, state.line_through set; then
//     for each object: obj.before_print(); ctx.call_handler(obj.on_before_print, &obj);
//     if (obj.visible) obj.get_data(); memo.calc_height() for stretching (or init_part and
//     draw_part to split); the store records the object; obj.after_print()
//   after each printed record of a data band:   ctx.totals().add_value(data_band)
//   after a footer-like band printed:           ctx.totals().reset(band)
//   keeping a block together:                   ctx.totals().start_keep() / end_keep(KeepEnd::...)
//   when a band restarts and before a page break: ctx.forget_last_values(band) (SuppressRepeated)
//   state.page, page_index, total_pages, total_pages_physical kept current as pages are added.
// Every expression error is added to report.errors() (named by the object being filled) and
// thrown as core::Error, which ends the run.
// The script runs under the report's step budget (Report::script_step_limit): past it, the
// script ends with script::ScriptStopped naming the handler that was running. The report's
// terminated flag ("stop" in a window, Engine.StopReport) ends a running script quietly a few
// thousand steps later; the window's pump is called every so many steps, so "stop" can be
// pressed during an endless loop.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/datetime.h"
#include "core/variant.h"
#include "report/component.h"

namespace orvena::script {
class Script;
struct LineEvent;
}  // namespace orvena::script

namespace orvena::report {

class AggregateList;
class Band;
class Component;
class DataSet;
class ExpressionCache;
class ProgressListener;
class Report;
class ReportHost;

// The page generator as a script reaches it under the name "Engine": its cursor and page
// geometry in units, and the operations a script may call while pages are made.
class ScriptedEngine {
 public:
  virtual ~ScriptedEngine() = default;
  virtual double cur_x() const = 0;
  virtual void set_cur_x(double x) = 0;
  virtual double cur_y() const = 0;
  virtual void set_cur_y(double y) = 0;
  virtual double page_width() const = 0;
  virtual double page_height() const = 0;
  virtual double free_space() const = 0;
  virtual int cur_column() const = 0;
  virtual void new_page() = 0;
  virtual void new_column() = 0;
  virtual void show_band(Band& band) = 0;
  virtual void stop_report() = 0;
  virtual void add_anchor(std::string_view name) = 0;
};

// The values the system variables read; the page generator keeps them current.
struct RunState {
  core::DateTime start;          // "Date" and "Time": taken once when the run starts
  int page = 1;                  // "Page": logical page number
  int page_index = 0;            // "Page#" is page_index + 1
  int total_pages = 0;           // "TotalPages": logical total
  int total_pages_physical = 0;  // "TotalPages#": 0 during a single pass or the first of two
  int line = 1;                  // "Line": row within the current group
  int line_through = 1;          // "Line#": row through the band
  bool final_pass = true;
  Band* current_band = nullptr;
  // The column of a vertical band being printed, whose totals are read column by column; -1
  // outside one.
  int vertical_column = -1;
};

class EngineContext {
 public:
  explicit EngineContext(Report& report);
  ~EngineContext();
  EngineContext(const EngineContext&) = delete;
  EngineContext& operator=(const EngineContext&) = delete;

  Report& report() const { return m_report; }
  RunState state;

  // ---- Hooks of the run (taken from the report; may be replaced) ----
  std::function<void()> pump;
  ProgressListener* progress = nullptr;
  ScriptedEngine* engine = nullptr;  // the generator of this run, for "Engine" in scripts
  const core::Clock& clock() const;
  void set_clock(const core::Clock* clock) { m_clock = clock; }

  // ---- Script ----
  // Compiles the report's script with the report's names and clears the expression cache.
  // False on a compile error, which is then in the report's errors with its position.
  bool prepare_script();
  script::Script& script();
  // Runs a script procedure by name with the object as sender; nothing when there is none, or
  // when that procedure is already handling an event further up (a handler showing its own band
  // would otherwise fire itself without end).
  void call_handler(std::string_view name, Component* sender);
  // Runs the script's main block, if it has statements.
  void execute_main_block();
  // Script steps taken in this run so far.
  uint64_t script_steps() const { return m_steps; }

  // ---- Expressions ----
  // Evaluates an expression: the fast path (fields, system variables, host callbacks, report
  // variables, global variables, script variables), else the compiled-expression cache.
  core::Variant calc(std::string_view expression);
  // Compiles an expression as calc would, without running it, for checking a template before
  // a run: a name the fast path answers by itself (a field, a system or report variable) needs
  // no compiling. A compile error is thrown as core::Error with calc's text.
  void check_expression(std::string_view expression);
  // The fast path alone; nullopt when the name is none of its sources.
  std::optional<core::Variant> fast_path(std::string_view name);
  // The host's value callback, tried after the system variables: return nullopt to pass.
  std::function<std::optional<core::Variant>(std::string_view name)> on_get_value;
  ExpressionCache& expressions() { return *m_cache; }
  // The script function Set: the report variable takes the value for the rest of the run.
  void set_variable(std::string_view name, const core::Variant& value);

  // ---- Totals ----
  AggregateList& totals() { return *m_totals; }

  // ---- Text objects ----
  // SuppressRepeated: the band's text objects forget the text they printed last.
  void forget_last_values(Band& band);

 private:
  Report& m_report;
  EngineContext* m_previous = nullptr;
  const core::Clock* m_clock = nullptr;
  std::unique_ptr<ReportHost> m_host;
  std::unique_ptr<script::Script> m_script;
  std::unique_ptr<ExpressionCache> m_cache;
  std::unique_ptr<AggregateList> m_totals;
  std::map<std::string, core::Variant> m_variable_values;  // set by Set, lower-case names
  // `Source."field"` references as written, each with the source it named when first read: the
  // same few are read for every record. A source renamed meanwhile is looked up again.
  struct FieldRef {
    Ref<DataSet> data_set;
    std::string source;  // the source's user name when it was found
    std::string field;
  };
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  using FieldRefs = std::unordered_map<std::string, FieldRef, NameHash, std::equal_to<>>;
  FieldRefs m_field_refs;
  // `it` is the name's entry in m_field_refs, or its end when the name is new.
  std::optional<core::Variant> field_value(std::string_view name, FieldRefs::iterator it);
  int m_calc_depth = 0;
  std::vector<std::string> m_running_handlers;  // lower case
  // What the script is running for, innermost last: handler names as written, or the main block
  // (empty); the step budget's error names the outermost handler.
  std::vector<std::string> m_running;
  uint64_t m_steps = 0;
  uint64_t m_step_limit;
  static constexpr uint64_t kNotTerminated = UINT64_MAX;
  uint64_t m_terminated_at = kNotTerminated;  // the step at which the terminated flag was first seen
  void script_step(const script::LineEvent& at);
  bool m_script_ready = false;
  [[noreturn]] void fail(const std::string& message);
  std::optional<core::Variant> system_variable(std::string_view name) const;
  std::optional<core::Variant> report_variable(std::string_view name);
};

// Process-wide variables, named ignoring case: the export and print steps set "CopyName0",
// "CopyName1", ... and expressions read any of them after the report's own variables.
namespace global_variables {
std::optional<core::Variant> get(std::string_view name);
void set(std::string_view name, const core::Variant& value);
void clear();
}  // namespace global_variables

}  // namespace orvena::report
