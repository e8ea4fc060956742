// The expression editor's check and the script tab: errors shown at their place, event handler
// stubs made once, the script's edits undoable.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTimer>
#include <QUndoStack>

#include "designer/data_fixture.h"
#include "designer/expression_editor.h"
#include "designer/script_highlighter.h"
#include "designer/script_tab.h"

namespace orvena::designer {
namespace {

class Expressions : public DataFixture {};

struct CursorAt {
  int line, column;  // from 1
};
CursorAt cursor_of(const QPlainTextEdit& edit) {
  const QTextCursor c = edit.textCursor();
  return {c.blockNumber() + 1, c.positionInBlock() + 1};
}

TEST_F(Expressions, TheCheckShowsTheErrorAtItsPlaceAndOkWaitsForACompilingText) {
  auto& r = page_with_bands();
  struct Case {
    const char* name;
    ExpressionKind kind;
    const char* text;
    CursorAt at;        // where the interpreter stopped
    int cursor_column;  // the cursor goes there, or to the end of the line when that is nearer
  } cases[] = {
      // The expression ends where ")" must follow "(2": the interpreter stops past its end.
      {"condition", ExpressionKind::Expression, "<DaneOrvena.\"kwota\"> * (2", {1, 27}, 26},
      // In a text the place counts from the text's start, on the expression's line: the second
      // bracket opens at column 43, the interpreter stops at its column 5.
      {"text",
       ExpressionKind::Text,
       "Razem:\n[SUM(<DaneOrvena.\"kwota\">,MasterData1)] i [1 +]",
       {2, 48},
       48},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpressionEditor editor(r, c.kind, c.text);
    editor.show();
    editor.accept();  // refused: the text does not compile
    EXPECT_NE(editor.result(), QDialog::Accepted);
    EXPECT_TRUE(editor.isVisible());
    const QString shown = editor.error_label()->text();
    EXPECT_TRUE(shown.contains("expected") || shown.contains("oczekiwano")) << shown.toStdString();
    const CursorAt at = cursor_of(*editor.editor());
    EXPECT_EQ(at.line, c.at.line);
    EXPECT_EQ(at.column, c.cursor_column);
    EXPECT_TRUE(shown.startsWith(QString("%1:%2: ").arg(c.at.line).arg(c.at.column))) << shown.toStdString();
  }
  ExpressionEditor fine(r, ExpressionKind::Expression, "<DaneOrvena.\"kwota\"> * 2");
  EXPECT_FALSE(fine.check());
  EXPECT_EQ(fine.error_label()->text(), kExpressionOk);
  fine.accept();
  EXPECT_EQ(fine.result(), QDialog::Accepted);
}

TEST_F(Expressions, ANameDoubleClickedInTheTreeGoesInAtTheCursor) {
  auto& r = page_with_bands();
  ExpressionEditor text(r, ExpressionKind::Text, "Suma: ");
  text.editor()->moveCursor(QTextCursor::End);
  text.insert(DataTree::expression_of(text.tree()->find_entry("DaneOrvena", "kwota")), false);
  EXPECT_EQ(text.text(), "Suma: [DaneOrvena.\"kwota\"]");
  ExpressionEditor condition(r, ExpressionKind::Expression, "");
  condition.insert("Trim", true);
  condition.insert("DaneOrvena.\"produkt\"", false);
  EXPECT_EQ(condition.text(), "Trim(<DaneOrvena.\"produkt\">");
  EXPECT_TRUE(condition.tree()->find_entry(kFunctionsGroup, "FormatFloat"));
}

TEST_F(Expressions, ADoubleClickOnAGroupHeaderEditsItsConditionAsOneStep) {
  auto& r = page_with_bands();
  auto* page = &object<report::ReportPage>(r, "Page1");
  auto* group = page->add_new<report::GroupHeader>();
  group->create_unique_name();
  group->set_bounds(0, 100, page->printable_width(), 24);
  auto& w = open(r);
  when_modal([](QWidget* modal) {
    auto* editor = qobject_cast<ExpressionEditor*>(modal);
    ASSERT_TRUE(editor);
    editor->editor()->setPlainText("<DaneOrvena.\"produkt\">");
    editor->accept();
  });
  QTest::mouseDClick(w.view().viewport(), Qt::LeftButton, {}, at(w, *group, 300, 10));
  EXPECT_EQ(group->condition, "<DaneOrvena.\"produkt\">");
  w.undo_stack().undo();
  EXPECT_EQ(group->condition, "");
}

class Script : public DesignerFixture {
 protected:
  report::Report& demo() { return load_demo(); }
};

TEST_F(Script, TheCheckPutsTheCursorOnTheErrorsLineAndColumn) {
  auto& r = demo();
  auto& w = open(r);
  ScriptTab& tab = w.script_tab();
  w.main_tabs()->setCurrentWidget(&tab);
  tab.editor()->setPlainText("var n: Integer;\nbegin\n  n := 1;\n  if n > 0 thn n := 2;\nend.");
  QTest::mouseClick(tab.check_button(), Qt::LeftButton);
  // "thn" (column 12) stands where THEN must.
  EXPECT_EQ(tab.error_label()->text().toStdString(), "4:12: 'THEN' expected");
  const CursorAt at = cursor_of(*tab.editor());
  EXPECT_EQ(at.line, 4);
  EXPECT_EQ(at.column, 12);
  // The check changes nothing in the report; a compiling text says so.
  EXPECT_EQ(r.script_text, (std::vector<std::string>{"begin", "", "end."}));
  tab.editor()->setPlainText("begin\nend.");
  EXPECT_FALSE(tab.check());
  EXPECT_EQ(tab.error_label()->text(), kScriptCompiles);
}

TEST_F(Script, AHandlerStubIsMadeOnceAndNamedByTheObjectInOneStep) {
  auto& r = demo();
  auto& w = open(r);
  ASSERT_TRUE(r.find_object("MasterData1"));
  auto& band = object<report::Band>(r, "MasterData1");
  const int steps = w.undo_stack().count();
  w.request_handler("MasterData1", "OnBeforePrint");
  EXPECT_EQ(w.main_tabs()->currentWidget(), &w.script_tab());
  EXPECT_EQ(band.on_before_print, "MasterData1OnBeforePrint");
  EXPECT_EQ(w.undo_stack().count(), steps + 1);
  const std::vector<std::string> once = r.script_text;
  EXPECT_EQ(std::count(once.begin(), once.end(), "procedure MasterData1OnBeforePrint(Sender: TrpComponent);"),
            1);
  // The cursor waits in the body; the script compiles.
  const CursorAt at = cursor_of(*w.script_tab().editor());
  EXPECT_EQ(once[static_cast<size_t>(at.line - 2)], "begin");
  EXPECT_EQ(at.column, 3);
  EXPECT_FALSE(check_script(r, once));

  EXPECT_TRUE(w.script_tab().ensure_handler("masterdata1", "OnBeforePrint"));
  EXPECT_EQ(r.script_text, once);
  EXPECT_EQ(w.undo_stack().count(), steps + 1);

  // A procedure the script declares already is only named, not written again.
  w.script_tab().editor()->setPlainText(
      "procedure Wiersz(Sender: TrpComponent);\nbegin\nend;\n\nbegin\nend.");
  w.script_tab().commit();
  auto& memo = object<report::View>(r, "Tytul");
  memo.on_after_data = "wiersz";
  EXPECT_TRUE(w.script_tab().ensure_handler("Tytul", "OnAfterData"));
  EXPECT_EQ(r.script_text.size(), 6u);

  // One undo takes the stub and the property back together.
  w.undo_stack().undo();
  w.undo_stack().undo();
  EXPECT_EQ(band.on_before_print, "");
  EXPECT_EQ(r.script_text, (std::vector<std::string>{"begin", "", "end."}));
  EXPECT_EQ(w.script_tab().lines(), r.script_text);
}

TEST_F(Script, NoHandlerForAnUnknownObjectOrAPropertyThatIsNoEvent) {
  auto& r = demo();
  auto& w = open(r);
  EXPECT_FALSE(w.script_tab().ensure_handler("Nieznany1", "OnBeforePrint"));
  EXPECT_FALSE(w.script_tab().ensure_handler("Tytul", "Left"));
  EXPECT_FALSE(w.script_tab().ensure_handler("MasterData1", "OnNothing"));
  w.request_handler("Nieznany1", "OnBeforePrint");
  EXPECT_EQ(errors.size(), 1);
  EXPECT_EQ(w.undo_stack().count(), 0);
  EXPECT_EQ(r.script_text, (std::vector<std::string>{"begin", "", "end."}));
}

TEST_F(Script, TextTypedGoesIntoTheReportAsOneStepWhenThePagesAreShownAgain) {
  auto& r = demo();
  auto& w = open(r);
  w.main_tabs()->setCurrentWidget(&w.script_tab());
  w.script_tab().editor()->setFocus();
  w.script_tab().editor()->moveCursor(QTextCursor::End);
  QTest::keyClick(w.script_tab().editor(), Qt::Key_Return);
  QTest::keyClicks(w.script_tab().editor(), "// uwaga");
  w.main_tabs()->setCurrentIndex(0);
  EXPECT_EQ(r.script_text.back(), "// uwaga");
  EXPECT_TRUE(w.modified());
  w.undo_stack().undo();
  EXPECT_EQ(w.script_tab().editor()->toPlainText(), "begin\n\nend.");
}

TEST(ScriptHighlighting, KeywordsStringsNumbersAndCommentsOverLines) {
  QTextDocument doc;
  ScriptHighlighter h(&doc);
  doc.setPlainText("if x = 'begin' then { uwaga\n begin } y := 42; // end\n(* a\nend *) End.");
  h.rehighlight();
  using R = ScriptHighlighter::Role;
  struct Row {
    int line, column;
    R role;
  } rows[] = {
      {0, 0, R::Keyword},  {0, 3, R::Plain},   {0, 8, R::String},  {0, 15, R::Keyword},
      {0, 20, R::Comment}, {1, 1, R::Comment}, {1, 9, R::Plain},   {1, 14, R::Number},
      {1, 21, R::Comment}, {2, 0, R::Comment}, {3, 0, R::Comment}, {3, 7, R::Keyword},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ScriptHighlighter::role_of(doc.findBlockByNumber(row.line), row.column), row.role)
        << row.line << ":" << row.column;
}

}  // namespace
}  // namespace orvena::designer
