#include "editor/sql_box.h"

#include "editor/editor_rules.h"

namespace orvena::editor {

SqlBox::SqlBox(runner::SqlBuffer& buffer, QWidget* parent) : QPlainTextEdit(parent), m_buffer(buffer) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  show_buffer(m_buffer.text());
  m_buffer.set_observer([this](const std::string& text) { show_buffer(text); });
  connect(this, &QPlainTextEdit::textChanged, this, [this] { typed(); });
}

SqlBox::~SqlBox() {
  m_buffer.set_observer(nullptr);
}

void SqlBox::show_buffer(const std::string& text) {
  if (m_syncing) return;
  m_syncing = true;
  QString shown = QString::fromStdString(text);
  shown.replace("\r\n", "\n").replace('\r', '\n');
  setPlainText(shown);
  m_syncing = false;
}

void SqlBox::typed() {
  if (m_syncing) return;
  m_syncing = true;
  // Every line as typed, a final line break included: the query gets the box's whole text.
  std::string text = toPlainText().toStdString();
  std::string joined;
  for (char ch : text) {
    if (ch == '\n')
      joined += "\r\n";
    else
      joined += ch;
  }
  m_buffer.set_text(std::move(joined));
  m_syncing = false;
}

}  // namespace orvena::editor
