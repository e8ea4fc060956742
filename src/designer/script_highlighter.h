#pragma once
// Colours of the report script: the interpreter's own keywords (script::keyword_of), strings,
// numbers and the three comment forms, "{ }" and "(* *)" running over lines.
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace orvena::designer {

class ScriptHighlighter : public QSyntaxHighlighter {
 public:
  explicit ScriptHighlighter(QTextDocument* document);

  enum class Role : uint8_t { Plain, Keyword, String, Number, Comment };
  // The role shown at a character of a block (for tests and screenshots).
  static Role role_of(const QTextBlock& block, int column);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  void mark(int start, int length, Role role);
  QTextCharFormat m_formats[5];
};

}  // namespace orvena::designer
