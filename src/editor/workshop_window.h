#pragma once
// The template workshop: the template files of Dane/Szablony, the SQL box (the runner's SQL
// buffer), "wykonaj SQL" on the query dataset, and the data preview of its result. With an open
// result, "projektuj wybrany szablon" opens the report designer on the chosen template and
// "projektuj nowy szablon" on a starter template made from the result's fields. Without a
// designer on the report (set_report_host's caller gives none) both show the report preview of
// the template instead, the new one first written under a name the operator gives.
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/paths.h"
#include "db/database.h"
#include "editor/data_preview.h"
#include "editor/prompts.h"
#include "runner/sql_buffer.h"

class QListWidget;
class QPushButton;

namespace orvena::exporting {
class FilterRegistry;
}  // namespace orvena::exporting

namespace orvena::report {
class DataSet;
class HostComponents;
class Report;
}  // namespace orvena::report

namespace orvena::editor {

class ReportPreview;
class SqlBox;

class WorkshopWindow : public QWidget {
  Q_OBJECT

 public:
  WorkshopWindow(const core::Home& home, runner::SqlBuffer& sql, db::Query& dataset, Prompts prompts = {});
  ~WorkshopWindow() override;

  // The data preview is centred on this window (the main window) when it first shows.
  void set_anchor(const QWidget* main_window) { m_preview.set_anchor(main_window); }

  // The editor's hand-over: show the workshop with these lines as the whole SQL box.
  void show_with_sql(const std::vector<std::string>& lines);

  // Where templates find the query result: the main window's components, among them the
  // adapter publishing the query dataset as "DaneOrvena". Until it is set the designer's buttons
  // stay disabled.
  void set_report_host(report::HostComponents& host, report::DataSet& published);
  // The writers the report preview's export menu offers.
  void set_export_filters(const exporting::FilterRegistry& filters);

  // "odśwież listę": the *.orp files of the templates folder, by name.
  void refresh_templates();

  // The workshop's report and the preview showing it (made on first use).
  report::Report& report();
  ReportPreview& report_preview();
  // True while the report preview prepares a report from this window's dataset.
  bool preparing_report() const;
  // True while the report designer is open on the workshop's report.
  bool designer_open() const;

  DataPreviewWindow& preview() { return m_preview; }
  QListWidget* templates() const { return m_templates; }
  SqlBox* sql_box() const { return m_sql_box; }
  QPushButton* refresh_button() const { return m_refresh; }
  QPushButton* run_button() const { return m_run; }
  QPushButton* preview_button() const { return m_show_preview; }
  QPushButton* design_selected_button() const { return m_design_selected; }
  QPushButton* design_new_button() const { return m_design_new; }

 private:
  void build();
  void run_sql();
  void update_design_buttons();
  void design_selected();
  void design_new();
  void prepare_and_preview(const std::filesystem::path& file);
  void prepare_report_for_use();

  core::Home m_home;
  runner::SqlBuffer& m_sql;
  db::Query& m_dataset;
  Prompts m_prompts;
  DataPreviewWindow m_preview;
  std::vector<int> m_subscriptions;
  report::HostComponents* m_host = nullptr;
  report::DataSet* m_published = nullptr;
  const exporting::FilterRegistry* m_export_filters = nullptr;
  std::unique_ptr<report::Report> m_report;
  std::unique_ptr<ReportPreview> m_report_preview;

  QListWidget* m_templates = nullptr;
  SqlBox* m_sql_box = nullptr;
  QPushButton* m_refresh = nullptr;
  QPushButton* m_run = nullptr;
  QPushButton* m_show_preview = nullptr;
  QPushButton* m_design_selected = nullptr;
  QPushButton* m_design_new = nullptr;
};

// The question before a starter template replaces a file of the same name.
inline constexpr const char* kReplaceTemplate = "Szablon %1 już istnieje. Czy zastąpić go nowym?";
inline constexpr const char* kNewTemplatePrompt = "Nazwa nowego szablonu:";

}  // namespace orvena::editor
