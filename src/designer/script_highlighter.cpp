#include "designer/script_highlighter.h"

#include <QTextBlock>
#include <QTextLayout>

#include "script/lexer.h"

namespace orvena::designer {

namespace {

// Block states: where a comment opened on an earlier line is still open.
enum State : int { kNone = -1, kInBrace = 1, kInParenStar = 2 };

constexpr int kRoleProperty = QTextFormat::UserProperty + 1;

bool name_start(QChar c) {
  return c.isLetter() || c == '_';
}

}  // namespace

ScriptHighlighter::ScriptHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
  m_formats[int(Role::Keyword)].setForeground(QColor(0, 0, 160));
  m_formats[int(Role::Keyword)].setFontWeight(QFont::Bold);
  m_formats[int(Role::String)].setForeground(QColor(160, 0, 0));
  m_formats[int(Role::Number)].setForeground(QColor(0, 120, 120));
  m_formats[int(Role::Comment)].setForeground(QColor(0, 128, 0));
  m_formats[int(Role::Comment)].setFontItalic(true);
  for (int i = 0; i < 5; ++i) m_formats[i].setProperty(kRoleProperty, i);
}

void ScriptHighlighter::mark(int start, int length, Role role) {
  setFormat(start, length, m_formats[int(role)]);
}

void ScriptHighlighter::highlightBlock(const QString& text) {
  const int n = static_cast<int>(text.size());
  int i = 0;
  setCurrentBlockState(kNone);
  // A comment still open from the line before.
  if (previousBlockState() == kInBrace || previousBlockState() == kInParenStar) {
    const bool brace = previousBlockState() == kInBrace;
    const int end = text.indexOf(brace ? "}" : "*)");
    if (end < 0) {
      mark(0, n, Role::Comment);
      return setCurrentBlockState(previousBlockState());
    }
    i = end + (brace ? 1 : 2);
    mark(0, i, Role::Comment);
  }
  while (i < n) {
    const QChar c = text[i];
    if (c == '/' && i + 1 < n && text[i + 1] == '/') {
      mark(i, n - i, Role::Comment);
      return;
    }
    if (c == '{' || (c == '(' && i + 1 < n && text[i + 1] == '*')) {
      const bool brace = c == '{';
      const int end = text.indexOf(brace ? "}" : "*)", i + (brace ? 1 : 2));
      if (end < 0) {
        mark(i, n - i, Role::Comment);
        return setCurrentBlockState(brace ? kInBrace : kInParenStar);
      }
      const int stop = end + (brace ? 1 : 2);
      mark(i, stop - i, Role::Comment);
      i = stop;
    } else if (c == '\'') {
      int j = i + 1;
      while (j < n && text[j] != '\'') ++j;
      mark(i, std::min(j + 1, n) - i, Role::String);
      i = j + 1;
    } else if (c.isDigit() || (c == '$' && i + 1 < n && text[i + 1].isLetterOrNumber())) {
      int j = i + 1;
      while (j < n && (text[j].isLetterOrNumber() || text[j] == '.')) ++j;
      mark(i, j - i, Role::Number);
      i = j;
    } else if (name_start(c)) {
      int j = i + 1;
      while (j < n && (text[j].isLetterOrNumber() || text[j] == '_')) ++j;
      if (script::keyword_of(text.mid(i, j - i).toStdString()) != script::Keyword::None)
        mark(i, j - i, Role::Keyword);
      i = j;
    } else {
      ++i;
    }
  }
}

ScriptHighlighter::Role ScriptHighlighter::role_of(const QTextBlock& block, int column) {
  for (const QTextLayout::FormatRange& r : block.layout()->formats())
    if (column >= r.start && column < r.start + r.length && r.format.hasProperty(kRoleProperty))
      return static_cast<Role>(r.format.intProperty(kRoleProperty));
  return Role::Plain;
}

}  // namespace orvena::designer
