#pragma once
// The expression editor: a text object's text, a group condition, a highlight condition or a
// barcode's expression typed with the data tree and the library's functions beside it to insert
// by a double click; "Sprawdź" compiles it as a run would and shows the error under the text with
// the cursor at its place. OK is refused while the text does not compile.
//
//   ExpressionEditor editor(report, ExpressionKind::Expression, "<DaneOrvena.\"kategoria\">", this);
//   if (editor.exec() == QDialog::Accepted) use(editor.text());
#include <QDialog>
#include <optional>

#include "designer/expression_check.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace orvena::report {
class Report;
}

namespace orvena::designer {

class DataTree;

class ExpressionEditor : public QDialog {
  Q_OBJECT

 public:
  ExpressionEditor(report::Report& report, ExpressionKind kind, const QString& text,
                   QWidget* parent = nullptr);

  QString text() const;
  QPlainTextEdit* editor() const { return m_edit; }
  DataTree* tree() const { return m_tree; }
  QLabel* error_label() const { return m_error; }
  QPushButton* check_button() const { return m_check; }
  // Compiles the text; the error is shown (and returned), or "Wyrażenie jest poprawne".
  std::optional<CheckError> check();
  // Inserts at the cursor what a double click in the tree inserts.
  void insert(const QString& name, bool function);

  void accept() override;

 private:
  report::Report& m_report;
  ExpressionKind m_kind;
  QPlainTextEdit* m_edit;
  DataTree* m_tree;
  QLabel* m_error;
  QPushButton* m_check;
};

inline constexpr const char* kExpressionCaption = "Edytor wyrażeń";
inline constexpr const char* kExpressionOk = "Wyrażenie jest poprawne";

}  // namespace orvena::designer
