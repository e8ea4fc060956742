#include "designer/expression_editor.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextBlock>
#include <QVBoxLayout>

#include "designer/data_tree.h"

namespace orvena::designer {

ExpressionEditor::ExpressionEditor(report::Report& report, ExpressionKind kind, const QString& text,
                                   QWidget* parent)
    : QDialog(parent), m_report(report), m_kind(kind) {
  setObjectName("expression_editor");
  setWindowTitle(kExpressionCaption);
  m_edit = new QPlainTextEdit;
  m_edit->setObjectName("expression");
  m_edit->setPlainText(text);
  m_edit->setFont(QFont("Liberation Mono", 10));
  m_tree = new DataTree(report, DataTree::Functions::Listed);
  m_error = new QLabel;
  m_error->setObjectName("expression_error");
  m_error->setWordWrap(true);
  m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* left = new QWidget;
  auto* left_layout = new QVBoxLayout(left);
  left_layout->setContentsMargins(0, 0, 0, 0);
  left_layout->addWidget(m_edit, 1);
  auto* split = new QSplitter;
  split->addWidget(left);
  split->addWidget(m_tree);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText("OK");
  buttons->button(QDialogButtonBox::Cancel)->setText("Anuluj");
  m_check = buttons->addButton("Sprawdź", QDialogButtonBox::ActionRole);
  m_check->setObjectName("check");
  connect(m_check, &QPushButton::clicked, this, [this] { check(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &ExpressionEditor::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_tree, &DataTree::insert_requested, this, &ExpressionEditor::insert);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(split, 1);
  layout->addWidget(m_error);
  layout->addWidget(buttons);
  resize(720, 420);
  m_edit->setFocus();
}

QString ExpressionEditor::text() const {
  return m_edit->toPlainText();
}

void ExpressionEditor::insert(const QString& name, bool function) {
  // In a text, names stand in brackets; in an expression a field is <Source."field"> as the
  // engine reads it there.
  QString piece = function                         ? name + "("
                  : m_kind == ExpressionKind::Text ? "[" + name + "]"
                                                   : "<" + name + ">";
  m_edit->textCursor().insertText(piece);
  m_edit->setFocus();
}

std::optional<CheckError> ExpressionEditor::check() {
  std::string text = m_edit->toPlainText().toStdString();
  std::optional<CheckError> error;
  try {
    error = check_expression(m_report, text, m_kind);
  } catch (const std::exception& e) {
    error = CheckError{e.what()};
  }
  QPalette palette = m_error->palette();
  palette.setColor(QPalette::WindowText, error ? QColor(170, 0, 0) : QColor(0, 110, 0));
  m_error->setPalette(palette);
  if (!error) {
    m_error->setText(kExpressionOk);
    return error;
  }
  m_error->setText(error->line > 0 ? QString("%1:%2: %3")
                                         .arg(error->line)
                                         .arg(error->column)
                                         .arg(QString::fromStdString(error->message))
                                   : QString::fromStdString(error->message));
  if (error->line > 0) {
    QTextBlock block = m_edit->document()->findBlockByNumber(error->line - 1);
    if (block.isValid()) {
      QTextCursor cursor(block);
      cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                          std::min(error->column - 1, block.length() - 1));
      m_edit->setTextCursor(cursor);
    }
  }
  m_edit->setFocus();
  return error;
}

void ExpressionEditor::accept() {
  if (!check()) QDialog::accept();
}

}  // namespace orvena::designer
