#pragma once
// The template workshop: the template files of Dane/Szablony, the SQL box (the runner's SQL
// buffer), "wykonaj SQL" on the query dataset, and the data preview of its result. The report
// designer's two buttons are there but not available yet.
#include <QWidget>
#include <string>
#include <vector>

#include "core/paths.h"
#include "db/database.h"
#include "editor/data_preview.h"
#include "editor/prompts.h"
#include "runner/sql_buffer.h"

class QListWidget;
class QPushButton;

namespace orvena::editor {

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

  // "odśwież listę": the *.orp files of the templates folder, by name.
  void refresh_templates();

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

  core::Home m_home;
  runner::SqlBuffer& m_sql;
  db::Query& m_dataset;
  Prompts m_prompts;
  DataPreviewWindow m_preview;
  std::vector<int> m_subscriptions;

  QListWidget* m_templates = nullptr;
  SqlBox* m_sql_box = nullptr;
  QPushButton* m_refresh = nullptr;
  QPushButton* m_run = nullptr;
  QPushButton* m_show_preview = nullptr;
  QPushButton* m_design_selected = nullptr;
  QPushButton* m_design_new = nullptr;
};

// The tooltip of the designer's buttons while the designer is not built.
inline constexpr const char* kDesignerUnavailable = "Projektant szablonów nie jest jeszcze dostępny.";

}  // namespace orvena::editor
