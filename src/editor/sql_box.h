#pragma once
// The workshop's SQL box on screen. The text itself lives in the runner's SQL buffer, so that
// the runner and the workshop share one box: what the runner writes appears here, and what the
// operator types is the buffer's text at once. The buffer holds lines joined by CR LF.
#include <QPlainTextEdit>

#include "runner/sql_buffer.h"

namespace orvena::editor {

class SqlBox : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit SqlBox(runner::SqlBuffer& buffer, QWidget* parent = nullptr);
  ~SqlBox() override;

  runner::SqlBuffer& buffer() { return m_buffer; }

 private:
  void show_buffer(const std::string& text);
  void typed();

  runner::SqlBuffer& m_buffer;
  bool m_syncing = false;  // one side is updating the other
};

}  // namespace orvena::editor
