#pragma once
// The object inspector: the properties of the selected objects (those they all have) in a grid,
// each edited by an editor of its kind, and their event procedures. Rows come from the class
// tables; every edit is one command on the designer's undo stack, and a value the model would
// not take is refused with a message and changes nothing.
//
//   Inspector inspector(surface, stack, prompts);
//   inspector.set_components({memo});            // rows for the memo
//   connect(&inspector, &Inspector::handler_requested, script_tab, ...);
#include <QColor>
#include <QFont>
#include <QMap>
#include <QSet>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "designer/inspector_rows.h"
#include "editor/prompts.h"
#include "report/component.h"

class QLabel;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QUndoStack;

namespace orvena::designer {

class DesignSurface;

// The dialogs the editors open; tests put their own answers in. Empty: the standard dialogs.
struct InspectorDialogs {
  std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)> colour;
  std::function<std::optional<QFont>(QWidget* parent, const QFont& initial)> font;
  std::function<std::optional<QString>(QWidget* parent, const QString& title, const QString& text)> text;
};

class Inspector : public QWidget {
  Q_OBJECT

 public:
  Inspector(DesignSurface& surface, QUndoStack& stack, const editor::Prompts& prompts,
            QWidget* parent = nullptr);
  ~Inspector() override;

  // The objects shown; more than one: the properties they have in common.
  void set_components(std::vector<report::Component*> components);
  const std::vector<report::Component*>& components() const { return m_components; }
  // Rows and values again from the model (after a change, an undo, another grid unit).
  void refresh();

  InspectorDialogs& dialogs() { return m_dialogs; }
  QTabWidget* tabs() const { return m_tabs; }
  QTreeWidget* properties() const { return m_properties; }
  QTreeWidget* events() const { return m_events; }
  // The editor of a row by its path ("Name", "Width", "Frame.Typ.ftLeft", "OnBeforePrint"), and
  // its row; null when the row is not shown.
  QWidget* editor(const QString& path) const { return m_editors.value(path); }
  QTreeWidgetItem* row(const QString& path) const { return m_rows.value(path); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 Q_SIGNALS:
  // A double click on an event: the script tab makes the procedure and shows it.
  void handler_requested(QString object_name, QString event_name);

 private:
  void rebuild();
  // After a command: rows again only when the objects shown have changed (a drag elsewhere on the
  // page leaves them alone). Stored properties and names are compared, as the file would be.
  void refresh_if_changed();
  std::string shown_state() const;
  void add_rows(QTreeWidget* tree, QTreeWidgetItem* parent, const std::vector<PropRow>& rows);
  void add_name_row();
  QWidget* make_editor(const PropRow& row);
  QWidget* ordinal_editor(const PropRow& row);
  QWidget* number_editor(const PropRow& row);
  QWidget* text_editor(const PropRow& row);
  QWidget* lines_editor(const PropRow& row);
  QWidget* reference_editor(const PropRow& row);
  QWidget* colour_editor(const PropRow& row);
  QWidget* font_editor(const PropRow& row);
  QWidget* picture_editor(const PropRow& row);
  void add_set_members(QTreeWidgetItem* item, const PropRow& row);
  void event_activated(const PropPath& path);

  // Values of the shown objects (read from their copies, so that reading makes nothing); set
  // when all objects agree.
  std::vector<report::Persistent*> read_objects() const;
  std::optional<int64_t> common_ordinal(const PropPath& path) const;
  std::optional<double> common_float(const PropPath& path) const;
  std::optional<std::string> common_string(const PropPath& path) const;
  // One command setting the property in every shown object; false when refused (message shown).
  bool commit(const PropPath& path, const std::function<void(const PropTarget&)>& set);
  void refuse(const QString& message);
  double factor(const report::PropInfo& p) const;

  DesignSurface& m_surface;
  QUndoStack& m_stack;
  const editor::Prompts& m_prompts;
  InspectorDialogs m_dialogs;
  std::vector<report::Component*> m_components;
  std::vector<report::Ref<report::Component>> m_lives;  // objects an undone insert let go vanish
  std::vector<std::unique_ptr<report::Component>> m_copies;
  QLabel* m_title = nullptr;
  QTabWidget* m_tabs = nullptr;
  QTreeWidget* m_properties = nullptr;
  QTreeWidget* m_events = nullptr;
  QMap<QString, QWidget*> m_editors;
  QMap<QString, QTreeWidgetItem*> m_rows;
  QSet<QString> m_expanded;
  bool m_rebuilding = false;
  std::string m_state;  // shown_state() of the last rebuild
};

// Texts of the inspector.
inline constexpr const char* kNotAnInteger = "'%1' nie jest prawidłową wartością całkowitą";
inline constexpr const char* kNotANumber = "'%1' nie jest prawidłową liczbą";
inline constexpr const char* kNegative = "Wartość właściwości %1 nie może być ujemna";
inline constexpr const char* kNotAName = "'%1' nie jest prawidłową nazwą obiektu";
inline constexpr const char* kNotAPicture = "Plik %1 nie jest obrazem (PNG, JPEG, BMP, GIF, EMF, WMF)";

}  // namespace orvena::designer
