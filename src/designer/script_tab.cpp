#include "designer/script_tab.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QUndoStack>
#include <QVBoxLayout>

#include "core/text.h"
#include "designer/commands.h"
#include "designer/script_highlighter.h"
#include "report/component.h"
#include "report/report.h"

namespace orvena::designer {

namespace {

class NumberMargin : public QWidget {
 public:
  explicit NumberMargin(CodeEditor* editor) : QWidget(editor), m_editor(editor) {}
  QSize sizeHint() const override { return {m_editor->number_width(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { m_editor->paint_numbers(event); }

 private:
  CodeEditor* m_editor;
};

bool declares(const std::vector<std::string>& lines, const std::string& name) {
  const QRegularExpression head(QString("^\\s*(procedure|function)\\s+%1\\b")
                                    .arg(QRegularExpression::escape(QString::fromStdString(name))),
                                QRegularExpression::CaseInsensitiveOption);
  for (const std::string& line : lines)
    if (head.match(QString::fromStdString(line)).hasMatch()) return true;
  return false;
}

// The main block's "begin": the last unindented "begin" before "end."; the stub goes above it.
size_t main_block_line(const std::vector<std::string>& lines) {
  size_t end = lines.size();
  for (size_t i = lines.size(); i > 0; --i)
    if (core::to_lower(core::trim(lines[i - 1])) == "end.") {
      end = i - 1;
      break;
    }
  for (size_t i = end; i > 0; --i) {
    const std::string& line = lines[i - 1];
    if (core::to_lower(core::trim(line)) == "begin" && !line.empty() && line[0] != ' ' && line[0] != '\t')
      return i - 1;
  }
  return 0;
}

}  // namespace

// ---- Code editor ----------------------------------------------------------------------------------

CodeEditor::CodeEditor(QWidget* parent) : QPlainTextEdit(parent), m_numbers(new NumberMargin(this)) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setFont(QFont("Liberation Mono", 10));
  connect(this, &QPlainTextEdit::blockCountChanged, this,
          [this] { setViewportMargins(number_width(), 0, 0, 0); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy)
      m_numbers->scroll(0, dy);
    else
      m_numbers->update(0, rect.y(), m_numbers->width(), rect.height());
  });
  setViewportMargins(number_width(), 0, 0, 0);
}

int CodeEditor::number_width() const {
  const int digits = static_cast<int>(QString::number(std::max(1, blockCount())).size());
  return 10 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(3, digits);
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect r = contentsRect();
  m_numbers->setGeometry(QRect(r.left(), r.top(), number_width(), r.height()));
}

void CodeEditor::paint_numbers(QPaintEvent* event) {
  QPainter painter(m_numbers);
  painter.fillRect(event->rect(), QColor(236, 236, 236));
  painter.setPen(QColor(120, 120, 120));
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  const int line_height = fontMetrics().height();
  while (block.isValid() && top <= event->rect().bottom()) {
    if (block.isVisible())
      painter.drawText(0, top, m_numbers->width() - 5, line_height, Qt::AlignRight,
                       QString::number(block.blockNumber() + 1));
    top += qRound(blockBoundingRect(block).height());
    block = block.next();
  }
}

// ---- Script tab -----------------------------------------------------------------------------------

ScriptTab::ScriptTab(report::Report& report, DesignSurface& surface, QUndoStack& stack, QWidget* parent)
    : QWidget(parent), m_report(report), m_surface(surface), m_stack(stack) {
  setObjectName("script_tab");
  m_edit = new CodeEditor;
  m_edit->setObjectName("script");
  new ScriptHighlighter(m_edit->document());
  m_check = new QPushButton("Sprawdź");
  m_check->setObjectName("check_script");
  m_error = new QLabel;
  m_error->setObjectName("script_error");
  m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* bar = new QHBoxLayout;
  bar->addWidget(m_check);
  bar->addWidget(m_error, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(bar);
  layout->addWidget(m_edit, 1);
  connect(m_check, &QPushButton::clicked, this, [this] { check(); });
  // An undo or redo of the script shows in the editor; typing there is not lost to the undo of
  // something else, because the editor's text is committed before any other change is made.
  connect(&m_stack, &QUndoStack::indexChanged, this, [this] {
    if (lines() != m_report.script_text) load();
  });
  load();
}

std::vector<std::string> ScriptTab::lines() const {
  std::vector<std::string> out;
  for (const QString& line : m_edit->toPlainText().split('\n')) out.push_back(line.toStdString());
  return out;
}

void ScriptTab::load() {
  QStringList text;
  for (const std::string& line : m_report.script_text) text << QString::fromStdString(line);
  m_edit->setPlainText(text.join('\n'));
}

void ScriptTab::commit() {
  std::vector<std::string> now = lines();
  if (now != m_report.script_text) m_stack.push(new ScriptCommand(m_report, std::move(now)));
}

void ScriptTab::go_to(int line, int column) {
  QTextBlock block = m_edit->document()->findBlockByNumber(std::max(0, line - 1));
  if (!block.isValid()) return;
  QTextCursor cursor(block);
  cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                      std::clamp(column - 1, 0, block.length() - 1));
  m_edit->setTextCursor(cursor);
  m_edit->centerCursor();
  m_edit->setFocus();
}

std::optional<CheckError> ScriptTab::check() {
  std::optional<CheckError> error;
  try {
    error = check_script(m_report, lines());
  } catch (const std::exception& e) {
    error = CheckError{e.what()};
  }
  if (!error) {
    m_error->setStyleSheet("color: #006e00");
    m_error->setText(kScriptCompiles);
    return error;
  }
  m_error->setStyleSheet("color: #aa0000");
  m_error->setText(
      QString("%1:%2: %3").arg(error->line).arg(error->column).arg(QString::fromStdString(error->message)));
  if (error->line > 0) go_to(error->line, error->column);
  return error;
}

bool ScriptTab::ensure_handler(const QString& object, const QString& event) {
  report::Component* c = m_report.find_object(object.toStdString());
  const report::PropInfo* prop = c ? c->class_info().find(event.toStdString()) : nullptr;
  if (!prop || prop->kind != report::PropKind::String || !prop->name.starts_with("On") || !prop->set_string)
    return false;
  commit();
  std::string name = core::trim(prop->get_string(*c));
  if (name.empty()) name = c->name() + std::string(prop->name);
  std::vector<std::string> script = m_report.script_text;
  if (!declares(script, name)) {
    const size_t at = main_block_line(script);
    const std::vector<std::string> stub = {"procedure " + name + "(Sender: TrpComponent);", "begin", "  ",
                                           "end;", ""};
    script.insert(script.begin() + static_cast<std::ptrdiff_t>(at), stub.begin(), stub.end());
  }
  const bool script_changes = script != m_report.script_text;
  const bool names_it = prop->get_string(*c) == name;
  if (script_changes || !names_it) {
    auto* group = new QUndoCommand(QStringLiteral("Procedura %1").arg(QString::fromStdString(name)));
    if (script_changes) new ScriptCommand(m_report, std::move(script), group);
    if (!names_it) new StringPropertyCommand(m_surface, *c, *prop, name, group);
    m_stack.push(group);
    load();
  }
  // Into the body: the line after the procedure's "begin".
  const QRegularExpression head(
      QString("^\\s*procedure\\s+%1\\b").arg(QRegularExpression::escape(QString::fromStdString(name))),
      QRegularExpression::CaseInsensitiveOption);
  for (QTextBlock b = m_edit->document()->firstBlock(); b.isValid(); b = b.next())
    if (head.match(b.text()).hasMatch()) {
      go_to(b.blockNumber() + 3, 3);
      break;
    }
  return true;
}

}  // namespace orvena::designer
