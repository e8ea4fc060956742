#include "report/report.h"

#include <algorithm>
#include <cstdio>

#include "core/encoding.h"
#include "core/error.h"
#include "core/text.h"
#include "report/common_props_p.h"
#include "report/pages.h"
#include "report/resources.h"
#include "report/views.h"

namespace orvena::report {
namespace {

bool less_ignore_case(const std::string& a, const std::string& b) {
  return core::to_lower(a) < core::to_lower(b);
}

}  // namespace

// ---- Collection items -------------------------------------------------------------------------

const ClassInfo& DataSetItem::static_class() {
  static const ClassInfo info(
      "TrpDataSetItem", nullptr,
      {
          reference_fn<DataSetItem>(
              "DataSet", [](const DataSetItem& i) -> Component* { return i.data.get(); },
              [](DataSetItem& i, Component* c) { i.data.set(dynamic_cast<DataSet*>(c)); })
              .referring_to(&DataSet::static_class),
          string_fn<DataSetItem>(
              "DataSetName", [](const DataSetItem& i) { return i.data.name(); },
              [](DataSetItem& i, const std::string& v) { i.data.set_name(v, i.report); }),
      });
  return info;
}

const ClassInfo& Variable::static_class() {
  static const ClassInfo info("TrpVariable", nullptr,
                              {string("Name", &Variable::name), string("Value", &Variable::value)});
  return info;
}

const ClassInfo& StyleItem::static_class() {
  using S = StyleItem;
  static const ClassInfo info(
      "TrpStyleItem", nullptr,
      {
          string("Name", &S::name),
          ordinal_fn<S>(
              "Color", PropKind::Integer, [](const S& s) { return s.fill.color(); },
              [](S& s, int64_t v) { s.fill.set_color(v); }, kNoColor)
              .not_stored()
              .as(PropRole::Color),
          nested<S>("Font", [](S& s) { return &s.font; }),
          nested<S>("Frame", [](S& s) { return &s.frame; }),
          boolean("ApplyFont", &S::apply_font, true),
          boolean("ApplyFill", &S::apply_fill, true),
          boolean("ApplyFrame", &S::apply_frame, true),
          ordinal_fn<S>(
              "FillType", PropKind::Enumeration, [](const S& s) { return s.fill.type(); },
              [](S& s, int64_t v) { s.fill.set_type(static_cast<FillType>(v)); }, 0, kFillTypeNames),
          nested<S>("Fill", [](S& s) { return &s.fill.fill(); }),
      });
  return info;
}

// ---- Report -----------------------------------------------------------------------------------

Report::Report() {
  m_roles |= kRoleReport;
  style_flags |= kHandlesNestedProperties;
  clear();
}

Report::~Report() {
  // Children go while the name index still exists; nothing may look names up afterwards.
  Component::clear();
  m_names.clear();
}

const ClassInfo& Report::static_class() {
  using R = Report;
  static const ClassInfo info("TrpReport", &Component::static_class(),
                              {
                                  string("Version", &R::version),
                                  string("ParentReport", &R::parent_report),
                                  data_set_prop(&R::data),
                                  data_set_name_prop(&R::data),
                                  boolean("DotMatrixReport", &R::dot_matrix_report, std::nullopt),
                                  nested<R>("EngineOptions", [](R& r) { return &r.engine_options; }),
                                  string("IniFile", &R::ini_file),
                                  boolean("OldStyleProgress", &R::old_style_progress, false),
                                  string("Preview", &R::preview),
                                  nested<R>("PreviewOptions", [](R& r) { return &r.preview_options; }),
                                  nested<R>("PrintOptions", [](R& r) { return &r.print_options; }),
                                  nested<R>("ReportOptions", [](R& r) { return &r.report_options; }),
                                  string("ScriptLanguage", &R::script_language),
                                  lines("ScriptText", &R::script_text, {"begin", "", "end."}),
                                  boolean("ShowProgress", &R::show_progress, true),
                                  boolean("StoreInDFM", &R::store_in_dfm, true),
                                  event("OnRunDialogs", &R::on_run_dialogs),
                                  event("OnStartReport", &R::on_start_report),
                                  event("OnStopReport", &R::on_stop_report),
                                  event("OnReportPrint", &R::on_report_print),
                              });
  return info;
}

DataSetItem& Report::add_dataset_item() {
  datasets.push_back(std::make_unique<DataSetItem>(this));
  return *datasets.back();
}

void Report::clear() {
  Component::clear();
  // Inherited components may stay; everything else left the index with its component.
  datasets.clear();
  variables.clear();
  styles.clear();
  engine_options.clear();
  preview_options.clear();
  print_options.clear();
  report_options.clear(now());
  data.set(nullptr);
  dot_matrix_report = false;
  parent_report.clear();
  script_language = "PascalScript";
  script_text = {"begin", "", "end."};
  m_system_variables = {"Date",        "Time", "Page",  "Page#",    "TotalPages",
                        "TotalPages#", "Line", "Line#", "CopyName#"};
  on_run_dialogs.clear();
  on_start_report.clear();
  on_stop_report.clear();
  ensure_data_page();
}

core::DateTime Report::now() const {
  if (clock) return clock->now();
  return core::SystemClock().now();
}

DataPage& Report::ensure_data_page() {
  for (auto& c : objects())
    if (auto* p = dynamic_cast<DataPage*>(c.get())) return *p;
  auto* page = static_cast<DataPage*>(add(std::make_unique<DataPage>()));
  if (name_index_find("Data"))
    page->create_unique_name();
  else
    page->set_name("Data");
  page->move_to_index(0);
  // Data components found anywhere move onto the new page, in a row.
  std::vector<Component*> found;
  for (Component* c : all_objects())
    if (dynamic_cast<DialogComponent*>(c) && c->parent() != page) found.push_back(c);
  double x = 60;
  for (Component* c : found) {
    c->set_parent(page);
    c->set_left(x);
    c->set_top(20);
    x += 64;
  }
  return *page;
}

// ---- Progress -----------------------------------------------------------------------------------

bool Report::progress_shown(ProgressKind kind) const {
  return progress && show_progress && (kind != ProgressKind::Running || old_style_progress);
}

void Report::progress_start(ProgressKind kind) {
  if (engine_options.enable_thread_safe) return;
  if (progress_shown(kind)) progress->start(kind);
  if (pump) pump();
}

void Report::progress_step(ProgressKind kind, int number, bool first_of_two_passes) {
  if (engine_options.enable_thread_safe) return;
  if (progress_shown(kind)) {
    std::string_view name = kind == ProgressKind::Exporting  ? "prExporting"
                            : kind == ProgressKind::Printing ? "prPrinting"
                            : first_of_two_passes            ? "prRunningFirst"
                                                             : "prRunning";
    progress->step(kind, resource_format(name, std::to_string(number)));
  }
  if (pump) pump();
}

void Report::progress_stop(ProgressKind kind) {
  if (engine_options.enable_thread_safe) return;
  if (progress_shown(kind)) progress->stop(kind);
  if (pump) pump();
}

// ---- Errors -------------------------------------------------------------------------------------

void Report::add_error(const std::string& text) {
  auto it = std::lower_bound(m_errors.begin(), m_errors.end(), text, less_ignore_case);
  if (it != m_errors.end() && core::equals_ignore_case(*it, text)) return;
  m_errors.insert(it, text);
}

void Report::add_notice(const std::string& text) {
  if (std::ranges::find(m_notices, text) == m_notices.end()) m_notices.push_back(text);
}

void Report::design_report(bool modal, bool mdi_child) {
  if (m_designer_open || !designer) return;
  // Our database adapters read their field lists from the open query whenever asked, so there is
  // no list to refresh before the designer shows them.
  modified = false;
  m_designer_open = true;
  if (!modal) return designer->open_designer(*this, false, mdi_child);
  try {
    designer->open_designer(*this, true, mdi_child);
  } catch (...) {
    m_designer_open = false;
    throw;
  }
  m_designer_open = false;
  if (pump) pump();
}

void Report::clear_errors() {
  m_errors.clear();
  m_diagnostics.clear();
}

void Report::report_error(const std::string& message) {
  switch (engine_options.new_silent_mode) {
    case SilentMode::Silent:
      return;
    case SilentMode::ReThrow:
      throw core::Error(message);
    case SilentMode::MessageBoxes:
      if (message_sink)
        message_sink->show_error(std::string(resource("mbError")), message);
      else
        std::fprintf(stderr, "%s: %s\n", std::string(resource("mbError")).c_str(), message.c_str());
      return;
  }
}

void Report::report_errors() {
  if (m_errors.empty()) return;
  std::string message(resource("clErrors"));
  message += "\r\n";
  for (size_t i = 0; i < m_errors.size(); ++i) {
    if (i) message += "\r\n";
    message += m_errors[i];
  }
  report_error(message);
}

// ---- Nested collections ------------------------------------------------------------------------

void Report::write_nested(XmlItem& item, const Serializer& s) const {
  auto write = [&](std::string_view name, const auto& list) {
    if (list.empty()) return;
    XmlItem& coll = item.add(name);
    for (auto& entry : list) coll.add("item").text = s.obj_to_xml(*entry);
  };
  write("Datasets", datasets);
  write("Variables", variables);
  write("Styles", styles);
}

bool Report::read_nested(const XmlItem& child, Serializer& s) {
  auto read = [&](auto& list, auto make) {
    if (child.name == "Datasets" && !parent_report.empty()) list.clear();
    for (auto& entry : child.items()) {
      if (!core::equals_ignore_case(entry->name, "item")) continue;
      list.push_back(make());
      s.apply(entry->text, *list.back(), entry.get());
    }
    return true;
  };
  if (core::equals_ignore_case(child.name, "Datasets"))
    return read(datasets, [this] { return std::make_unique<DataSetItem>(this); });
  if (core::equals_ignore_case(child.name, "Variables"))
    return read(variables, [] { return std::make_unique<Variable>(); });
  if (core::equals_ignore_case(child.name, "Styles"))
    return read(styles, [] { return std::make_unique<StyleItem>(); });
  return false;
}

// ---- Name index ---------------------------------------------------------------------------------

Component* Report::name_index_find(std::string_view name) const {
  auto it = m_names.find(core::to_lower(name));
  return it == m_names.end() ? nullptr : it->second;
}

void Report::name_index_add(Component* c) {
  if (c == this || c->name().empty()) return;
  m_names.emplace(core::to_lower(c->name()), c);  // the first holder of a name keeps it
}

void Report::name_index_remove(Component* c) {
  auto it = m_names.find(core::to_lower(c->name()));
  if (it != m_names.end() && it->second == c) m_names.erase(it);
}

// ---- Passwords -----------------------------------------------------------------------------------

// The nine codes below 10 wrap to the top of the code space, so lowering can always be undone.
constexpr char32_t kPasswordWrap = 0x10FFFF - 9;

std::string lower_password(std::string_view s) {
  std::string out;
  size_t pos = 0;
  while (pos < s.size()) {
    char32_t cp = core::next_code_point(s, pos);
    core::append_utf8(out, cp >= 10 ? cp - 10 : cp + kPasswordWrap);
  }
  return out;
}

std::string raise_password(std::string_view s) {
  std::string out;
  size_t pos = 0;
  while (pos < s.size()) {
    char32_t cp = core::next_code_point(s, pos);
    core::append_utf8(out, cp >= kPasswordWrap ? cp - kPasswordWrap : cp + 10);
  }
  return out;
}

}  // namespace orvena::report
