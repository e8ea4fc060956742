#pragma once
// The script tab: the report's script in an editor with line numbers and highlighting. The
// editor's text goes into the report as one undoable command when the operator leaves the tab,
// checks, saves or previews (commit); "Sprawdź" compiles it and puts the cursor on the error's
// line and column. ensure_handler makes an object's event handler: the procedure stub once, the
// object's event property naming it, and the cursor in its body.
#include <QPlainTextEdit>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "designer/expression_check.h"

class QLabel;
class QPushButton;
class QUndoStack;

namespace orvena::report {
class Report;
}

namespace orvena::designer {

class DesignSurface;

// A plain text editor with the line numbers in a margin on its left.
class CodeEditor : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CodeEditor(QWidget* parent = nullptr);
  int number_width() const;
  void paint_numbers(QPaintEvent* event);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QWidget* m_numbers;
};

class ScriptTab : public QWidget {
  Q_OBJECT

 public:
  ScriptTab(report::Report& report, DesignSurface& surface, QUndoStack& stack, QWidget* parent = nullptr);

  CodeEditor* editor() const { return m_edit; }
  QLabel* error_label() const { return m_error; }
  QPushButton* check_button() const { return m_check; }

  // The editor's text as script lines.
  std::vector<std::string> lines() const;
  // The report's script into the editor (after an undo or a load).
  void load();
  // The editor's text into the report, one command, when it differs.
  void commit();
  // Compiles the editor's text; shows the error (cursor on its place) or that it compiles.
  std::optional<CheckError> check();

  // The handler of `event` ("OnBeforePrint") of the object named `object`: its procedure stub
  // is added unless the script declares one already, the object's event property names it (both
  // one command), and the cursor goes into its body. False when there is no such object or
  // event; nothing changes then.
  bool ensure_handler(const QString& object, const QString& event);

 private:
  void go_to(int line, int column);
  report::Report& m_report;
  DesignSurface& m_surface;
  QUndoStack& m_stack;
  CodeEditor* m_edit;
  QLabel* m_error;
  QPushButton* m_check;
};

inline constexpr const char* kScriptCompiles = "Skrypt jest poprawny";
inline constexpr const char* kNoSuchHandler = "Obiekt %1 nie ma zdarzenia %2";

}  // namespace orvena::designer
