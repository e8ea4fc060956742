#pragma once
// The report designer: the pages of a report on the design surface, edited by hand through one
// undo stack, saved into the templates folder, with the report preview one action away. It edits
// the report it is given in place; its modified flag is the undo stack's clean state.
//
//   DesignerWindow window(report, options);   // report loaded (or new), file name taken from it
//   window.show();
#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "designer/layout_rules.h"
#include "editor/prompts.h"

class QAction;
class QComboBox;
class QDockWidget;
class QLabel;
class QTabBar;
class QTabWidget;
class QUndoStack;

namespace orvena::report {
class Component;
class Band;
class Report;
class ReportPage;
class View;
}  // namespace orvena::report

namespace orvena::editor {
class ReportPreview;
}

namespace orvena::designer {

class DataTree;
class DesignSurface;
class DesignView;
class Inspector;
class ReportTree;
struct BandKind;
struct ObjectTool;
class ScriptTab;

enum class SaveAnswer : uint8_t { Save, Discard, Cancel };

struct DesignerOptions {
  std::filesystem::path templates;  // where "zapisz jako" puts templates
  editor::Prompts prompts;
  // "Zapisać zmiany…?" with Save, Discard and Cancel; empty: the standard box.
  std::function<SaveAnswer(QWidget* parent, const QString& title, const QString& text)> ask_save;
  // One of `items` (a data band's data source); "" when cancelled. Empty: the standard box.
  std::function<QString(QWidget* parent, const QString& title, const QString& label,
                        const QStringList& items)>
      choose_item;
};

class DesignerWindow : public QMainWindow {
  Q_OBJECT

 public:
  DesignerWindow(report::Report& report, DesignerOptions options, QWidget* parent = nullptr);
  ~DesignerWindow() override;

  report::Report& report() const { return m_report; }
  const std::filesystem::path& file() const { return m_file; }
  bool modified() const;
  // What the template file holds that saving would drop (the reader does not keep it).
  const std::vector<std::string>& unkept() const { return m_unkept; }

  // Save into the file the template came from (asking for a name when it has none); false when
  // nothing was written (cancelled, or the operator kept a file with content we would drop).
  bool save();
  bool save_as();
  // "podgląd": the report as it stands, prepared over the workshop's data in the report preview.
  void preview();
  // "zapisz i podgląd": saved, then previewed; nothing is previewed when saving did not happen.
  void save_and_preview();
  // A band of that kind at its place on the page shown (band_placement.h); a data band asks for
  // its data source, a group header for its condition (the expression editor). One command.
  void add_band(const BandKind& kind);
  // The expression editor on the selected object (a text's text, a barcode's or check box's
  // expression) or, given one, a group header's condition or a data band's data source.
  void edit_expression(report::View* view, report::Band* band = nullptr);
  void copy();
  void cut();
  void paste();
  void select_all();
  void show_page(int index);
  void set_zoom_percent(int percent);  // clamped to 25–400 %
  void zoom_whole_page();
  void zoom_page_width();
  // "Opcje raportu…" and "Ustawienia strony…" of the page shown: a dialog, applied as one command.
  void report_options();
  void page_settings();

  DesignSurface& surface() const { return *m_surface; }
  DesignView& view() const { return *m_view; }
  QUndoStack& undo_stack() const { return *m_stack; }
  ScriptTab& script_tab() const { return *m_script; }
  DataTree& data_tree() const { return *m_data_tree; }
  QDockWidget* data_dock() const { return m_data_dock; }
  QTabWidget* main_tabs() const { return m_main_tabs; }
  QTabBar* page_tabs() const { return m_tabs; }
  QComboBox* zoom_box() const { return m_zoom_box; }
  Inspector& inspector() const { return *m_inspector; }
  ReportTree& report_tree() const { return *m_tree; }
  editor::ReportPreview* report_preview() const { return m_preview.get(); }
  // Actions by object name ("save", "align_left", …), for menus, toolbars and tests.
  QAction* action(const char* name) const;
  std::vector<report::ReportPage*> pages() const;

 public Q_SLOTS:
  // The inspector's double click on an event: the handler made (once) and shown in the script.
  void request_handler(const QString& object, const QString& event);

 Q_SIGNALS:
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build_actions();
  void build_menus();
  QAction* add_action(const char* name, const QString& text, const QKeySequence& keys,
                      const std::function<void()>& handler);
  void update_caption();
  void update_selection_actions();
  bool write_to(const std::filesystem::path& file);
  void guarded(const std::function<void()>& handler);
  void build_docks();
  // The inspector follows the surface's selection (the page when nothing is selected), the tree
  // shows it; a choice in the tree selects on the surface, showing the object's page.
  void surface_selection_changed();
  void tree_chosen(const std::vector<report::Component*>& components);
  void build_insert_tools();
  void insert_object(const ObjectTool* tool, report::Band* band, Box box);
  void drop_entry(const QByteArray& payload, report::Band* band, QPointF at);
  void choose_data_set(report::Band& band);
  void refresh_page_tabs();
  QString choose_item(const QString& title, const QString& label, const QStringList& items);

  report::Report& m_report;
  DesignerOptions m_options;
  std::filesystem::path m_file;
  std::filesystem::path m_source;  // the file the template was read from
  std::vector<std::string> m_unkept;
  bool m_unkept_accepted = false;
  QUndoStack* m_stack = nullptr;
  DesignSurface* m_surface = nullptr;
  DesignView* m_view = nullptr;
  QTabBar* m_tabs = nullptr;
  QTabWidget* m_main_tabs = nullptr;
  ScriptTab* m_script = nullptr;
  DataTree* m_data_tree = nullptr;
  QDockWidget* m_data_dock = nullptr;
  QComboBox* m_zoom_box = nullptr;
  QLabel* m_status = nullptr;
  Inspector* m_inspector = nullptr;
  ReportTree* m_tree = nullptr;
  bool m_tree_choosing = false;
  std::unique_ptr<report::Report> m_preview_report;
  std::unique_ptr<editor::ReportPreview> m_preview;
};

// Texts of the designer.
inline constexpr const char* kDesignerCaption = "Zentrivo Orvena - Projektant raportu";
inline constexpr const char* kUntitled = "nowy szablon";
inline constexpr const char* kSaveChanges = "Zapisać zmiany w szablonie %1?";
inline constexpr const char* kSaveAsPrompt = "Nazwa szablonu:";
inline constexpr const char* kChooseDataSet = "Źródło danych pasma:";
inline constexpr const char* kNoDataSets =
    "Raport nie widzi żadnego źródła danych. Wykonaj zapytanie SQL w oknie projektowania szablonu.";
inline constexpr const char* kUnkeptQuestion =
    "Szablon %1 zawiera elementy, których program nie obsługuje. Zapis usunie je z pliku:\n%2\n\nCzy "
    "mimo to zapisać?";

}  // namespace orvena::designer
