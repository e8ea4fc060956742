// Filling text objects as page generation does: the expression fast path and its order, the
// compiled-expression cache and its errors, data fields, formats, highlights, repeated texts,
// measuring and splitting, and an expression through the script over a real SQLite query.
#include <gtest/gtest.h>

#include "core/error.h"
#include "db/database.h"
#include "memo_support.h"
#include "report/db_dataset.h"
#include "report/memo/expression_cache.h"
#include "support/test_home.h"

namespace orvena::report::testing {
namespace {

using core::Variant;

class FastPath : public MemoRun {
 protected:
  void SetUp() override {
    MemoRun::SetUp();
    set_rows({{{"kwota", Variant(12.5)}, {"nazwa", Variant("Łąka")}}});
    add_variable("Podwojona", "<Dane.\"kwota\"> * 2");  // an expression, through the script
    add_variable("Pole", "Dane.\"nazwa\"");             // an expression on the fast path itself
    add_variable("Wiersze", "pierwszy\r\ndrugi");       // several lines: shown as they stand
    add_variable("Page", "'zmienna'");                  // the system variable comes first
    add_variable("Wspolna", "'z raportu'");
    add_variable("Zwrotna", "<Zwrotna>");  // names itself
    global_variables::set("Wspolna", Variant("globalna"));
    global_variables::set("TylkoGlobalna", Variant(5));
    report.script_text = {"var Licznik: Integer;", "begin", "  Licznik := 42;", "end."};
  }
  void TearDown() override { global_variables::clear(); }

  void add_variable(const std::string& name, const std::string& value) {
    report.variables.push_back(std::make_unique<Variable>());
    report.variables.back()->name = name;
    report.variables.back()->value = value;
  }
};

TEST_F(FastPath, EachSourceInItsOrder) {
  EngineContext& c = start();
  c.script().execute();
  c.state.page = 4;
  c.state.page_index = 6;
  c.state.line = 2;
  c.state.line_through = 9;
  c.on_get_value = [](std::string_view name) -> std::optional<Variant> {
    if (core::equals_ignore_case(name, "Wspolna")) return Variant("z programu");
    return std::nullopt;
  };

  EXPECT_EQ(c.fast_path("Dane.\"kwota\""), Variant(12.5));
  EXPECT_EQ(c.fast_path(" page# "), Variant(7));
  EXPECT_EQ(c.fast_path("Page"), Variant(4));  // not the report variable of that name
  EXPECT_EQ(c.fast_path("Line"), Variant(2));
  EXPECT_EQ(c.fast_path("LINE#"), Variant(9));
  EXPECT_EQ(c.fast_path("TotalPages#"), Variant(0));         // a single pass knows no total
  EXPECT_EQ(c.fast_path("Wspolna"), Variant("z programu"));  // the host's callback before variables
  c.on_get_value = nullptr;
  EXPECT_EQ(c.fast_path("Wspolna"), Variant("z raportu"));  // report variables before global ones
  EXPECT_EQ(c.fast_path("Podwojona"), Variant(25.0));
  EXPECT_EQ(c.fast_path("pole"), Variant("Łąka"));
  EXPECT_EQ(c.fast_path("Wiersze"), Variant("pierwszy\r\ndrugi"));
  EXPECT_EQ(c.fast_path("TylkoGlobalna"), Variant(5));
  EXPECT_EQ(c.fast_path("Licznik"), Variant(42));
  EXPECT_EQ(c.calc("Page * 10 + Line"), Variant(42));  // system variables inside expressions
  EXPECT_FALSE(c.fast_path("Dane.\"kwota\" * 2"));     // an expression, not a field
  EXPECT_FALSE(c.fast_path("Nieznana"));
}

// A field reference is read for every record; renaming its source in the middle of a run (a
// script may) is still seen.
TEST_F(FastPath, AFieldFollowsItsSourceBeingRenamed) {
  EngineContext& c = start();
  EXPECT_EQ(c.fast_path("Dane.\"kwota\""), Variant(12.5));
  dane->set_user_name("Inne");
  EXPECT_FALSE(c.fast_path("Dane.\"kwota\""));
  EXPECT_EQ(c.fast_path("inne.\"kwota\""), Variant(12.5));
  dane->set_user_name("Dane");
  EXPECT_EQ(c.fast_path("Dane.\"kwota\""), Variant(12.5));
  EXPECT_FALSE(c.fast_path("Inne.\"kwota\""));
}

TEST_F(FastPath, SetGivesAVariableItsValueForTheRun) {
  EngineContext& c = start();
  c.calc("Set('Suma', 10)");
  c.calc("Set('Suma', Get('Suma') + <Dane.\"kwota\">)");
  EXPECT_EQ(c.calc("Suma"), Variant(22.5));
}

TEST_F(MemoRun, AScriptThatDoesNotCompileFailsThePreparationWithItsPosition) {
  report.script_text = {"begin", "  x := ;", "end."};
  EngineContext c(report);
  EXPECT_FALSE(c.prepare_script());
  ASSERT_EQ(report.errors().size(), 1u);
  EXPECT_TRUE(report.errors()[0].starts_with("Błąd wykonania skryptu w 2:")) << report.errors()[0];
}

TEST_F(FastPath, AVariableReachingItselfIsAnErrorNotAHang) {
  EngineContext& c = start();
  EXPECT_THROW(c.calc("Zwrotna"), core::Error);
  ASSERT_FALSE(report.errors().empty());
  EXPECT_NE(report.errors().front().find("Błąd w wyrażeniu"), std::string::npos);
}

// ---- The compiled-expression cache ------------------------------------------------------------

TEST_F(MemoRun, ExpressionsCompileOnceIgnoringCaseOfNamesButNotOfStrings) {
  set_rows({{{"kwota", Variant(2)}}});
  EngineContext& c = start();
  EXPECT_EQ(c.calc("Copy('Tak', 1, 2)"), Variant("Ta"));
  EXPECT_EQ(c.calc("COPY('Tak', 1, 2)"), Variant("Ta"));
  EXPECT_EQ(c.expressions().size(), 1u);
  // Same names, another string literal: another expression with its own result.
  EXPECT_EQ(c.calc("copy('TAK', 1, 2)"), Variant("TA"));
  EXPECT_EQ(c.expressions().size(), 2u);
  // Preparing the script again starts an empty cache.
  ASSERT_TRUE(c.prepare_script());
  EXPECT_EQ(c.expressions().size(), 0u);
}

TEST_F(MemoRun, ExpressionErrorsNameTheObjectAndEndTheFilling) {
  MemoView* m = add_memo(master, "Memo1", "[1 +]");
  EngineContext& c = start();
  EXPECT_THROW(print(*m), core::Error);
  ASSERT_EQ(report.errors().size(), 1u);
  EXPECT_TRUE(report.errors()[0].starts_with("Memo1: Błąd w wyrażeniu '1 +': ")) << report.errors()[0];
  EXPECT_GT(report.errors()[0].size(), std::string("Memo1: Błąd w wyrażeniu '1 +': ").size());

  // A run-time error carries the interpreter's message.
  report.clear_errors();
  m->set_text("[StrToInt('x')]");
  EXPECT_THROW(print(*m), core::Error);
  ASSERT_EQ(report.errors().size(), 1u);
  EXPECT_TRUE(report.errors()[0].starts_with("Memo1: ")) << report.errors()[0];
  (void)c;
}

TEST_F(MemoRun, DivisionByZeroIsNullOnlyWhenIgnored) {
  set_rows({{{"kwota", Variant(0)}}});
  MemoView* m = add_memo(master, "Memo1", "a[10 div <Dane.\"kwota\">]b");
  start();
  EXPECT_THROW(print(*m), core::Error);
  report.engine_options.ignore_dev_by_zero = true;
  EXPECT_EQ(print(*m), "ab");
}

TEST_F(MemoRun, AnUnknownNameThroughGetIsReportedAndTheRunGoesOn) {
  MemoView* m = add_memo(master, "Memo1", "[<Nieznana>]!");
  start();
  EXPECT_EQ(print(*m), "!");
  ASSERT_EQ(report.errors().size(), 1u);
  EXPECT_EQ(report.errors()[0], "Nieznana zmienna lub pole danych: Nieznana");
}

// ---- Filling ----------------------------------------------------------------------------------

TEST_F(MemoRun, ExpressionsTakeTheirFormatsInOrderAndInlineFormatsWin) {
  set_rows({{{"kwota", Variant(1234.5)}, {"nazwa", Variant("Łąka")}}});
  MemoView* m = add_memo(
      master, "Memo1",
      "[Dane.\"kwota\"]/[Dane.\"kwota\"]/[Dane.\"kwota\"]/[Dane.\"kwota\" #n%2,2f]/[Dane.\"nazwa\"]");
  m->display_format().kind = FormatKind::Numeric;
  m->display_format().format_str = "0.0";
  m->formats.push_back(std::make_unique<DisplayFormat>());
  m->formats.back()->kind = FormatKind::Numeric;
  m->formats.back()->format_str = "%d";
  start();
  // Format 1, format 2, then the last format for the rest; the inline one for the fourth.
  EXPECT_EQ(print(*m), "1234,5/1234/1234/1234,50/Łąka");
  // The template text comes back after printing.
  EXPECT_EQ(m->text().substr(0, 14), "[Dane.\"kwota\"]");
  EXPECT_EQ(m->value, Variant("Łąka"));  // the last expression's value
}

TEST_F(MemoRun, HideZerosHidesNumbersNotTexts) {
  set_rows({{{"kwota", Variant(0)}, {"nazwa", Variant("0")}}});
  MemoView* m = add_memo(master, "Memo1", "<[Dane.\"kwota\"]|[Dane.\"nazwa\"]>");
  m->hide_zeros = true;
  start();
  EXPECT_EQ(print(*m), "<|0>");
}

TEST_F(MemoRun, CustomDelimitersAndSwitchedOffExpressions) {
  set_rows({{{"kwota", Variant(3)}}});
  MemoView* m = add_memo(master, "Memo1", "[x] <%Dane.\"kwota\"%>");
  m->expression_delimiters = "<%,%>";
  start();
  EXPECT_EQ(print(*m), "[x] 3");
  m->allow_expressions = false;
  EXPECT_EQ(print(*m), "[x] <%Dane.\"kwota\"%>");
}

// The expressions found in a text are kept from one printing to the next; a changed text (of
// the same length too) or changed delimiters are read again.
TEST_F(MemoRun, AChangedTextOrDelimitersAreReadAgain) {
  set_rows({{{"kwota", Variant(3)}, {"nazwa", Variant("Jan")}}});
  MemoView* m = add_memo(master, "Memo1", "");
  start();
  struct Step {
    const char* text;
    const char* delimiters;
    const char* printed;
  };
  const Step steps[] = {
      {"[Dane.\"kwota\"] zł", "[,]", "3 zł"},
      {"[Dane.\"nazwa\"] zł", "[,]", "Jan zł"},
      {"[Dane.\"nazwa\"] zł", "<%,%>", "[Dane.\"nazwa\"] zł"},
      {"<%Dane.\"kwota\" #n%2,2f%>", "<%,%>", "3,00"},
      {"<%Dane.\"kwota\"%>", "<%,%>", "3"},
      {"bez wyrażeń", "[,]", "bez wyrażeń"},
      {"[Dane.\"kwota\"] zł", "[,]", "3 zł"},
  };
  for (const Step& step : steps) {
    m->set_text(step.text);
    m->expression_delimiters = step.delimiters;
    EXPECT_EQ(print(*m), step.printed) << step.text << " with " << step.delimiters;
  }
}

// A script called from an expression may change the text being filled: the filling goes on
// over the text it started with, and the next printing starts from the design text again.
TEST_F(MemoRun, ATextChangedByItsOwnExpressionIsFilledAsItStarted) {
  set_rows({{{"kwota", Variant(3)}, {"nazwa", Variant("Jan")}}});
  MemoView* m = add_memo(master, "Memo1", "[Zmien]|[Dane.\"kwota\"]");
  report.script_text = {"function Zmien: String;",
                        "begin",
                        "  Memo1.Text := '[Dane.\"nazwa\"] inny';",
                        "  Result := 'x';",
                        "end;",
                        "begin",
                        "end."};
  start();
  EXPECT_EQ(print(*m), "x|3");
  EXPECT_EQ(print(*m), "x|3");
  EXPECT_EQ(m->text(), "[Zmien]|[Dane.\"kwota\"]");
}

// A filled text lives for one printing: each record starts again from the design text, whether
// that is one line, several, or a line the value breaks into several.
TEST_F(MemoRun, EachPrintingFillsTheDesignTextAgain) {
  set_rows({{{"nazwa", Variant("Jan")}}, {{"nazwa", Variant("Anna\r\nMaria")}}, {{"nazwa", Variant("")}}});
  MemoView* one = add_memo(master, "Memo1", "[Dane.\"nazwa\"]");
  MemoView* two = add_memo(master, "Memo2", "Imię:\r\n[Dane.\"nazwa\"]!");
  start();
  std::vector<std::string> printed;
  for (dane->first(); !dane->eof(); dane->next()) {
    printed.push_back(print(*one));
    printed.push_back(print(*two));
  }
  EXPECT_EQ(printed, (std::vector<std::string>{"Jan", "Imię:\r\nJan!", "Anna\r\nMaria",
                                               "Imię:\r\nAnna\r\nMaria!", "", "Imię:\r\n!"}));
  EXPECT_EQ(one->memo, (std::vector<std::string>{"[Dane.\"nazwa\"]"}));
  EXPECT_EQ(two->text(), "Imię:\r\n[Dane.\"nazwa\"]!");
}

// A text may be set from a part of itself (a script shortening Memo1.Text).
TEST(MemoText, SetFromAPartOfItself) {
  MemoView m;
  m.set_text("abcdef");
  m.set_text(std::string_view(m.memo[0]).substr(2));
  EXPECT_EQ(m.text(), "cdef");
  m.set_text("a\r\nbcd");
  m.set_text(std::string_view(m.memo[1]).substr(1));
  EXPECT_EQ(m.memo, (std::vector<std::string>{"cd"}));
  m.set_text("");
  EXPECT_TRUE(m.memo.empty());
}

TEST_F(MemoRun, ABoundFieldShowsItsDisplayTextOrItsFormattedValue) {
  set_rows({{{"kwota", Variant(1234.5)}}, {{"kwota", Variant(0.0)}}});
  MemoView* m = add_memo(master, "Memo1", "tekst szablonu");
  m->data.set(dane);
  m->data_field = "kwota";
  start();
  EXPECT_EQ(print(*m), "1234,5");
  m->display_format().kind = FormatKind::Numeric;
  m->display_format().format_str = "#,##0.00";
  EXPECT_EQ(print(*m), "1\u00A0234,50");
  EXPECT_EQ(m->value, Variant(1234.5));
  dane->next();
  m->hide_zeros = true;
  EXPECT_EQ(print(*m), "");
}

TEST_F(MemoRun, TagAndHyperlinkAreExpandedAndRestored) {
  set_rows({{{"kwota", Variant(5)}, {"nazwa", Variant("a\"b")}}});
  MemoView* m = add_memo(master, "Memo1", "x");
  m->tag_str = "t[Dane.\"kwota\"]";
  m->hyperlink.value = "[Dane.\"kwota\"];[Line#]";
  m->hyperlink.values_separator = ";";
  start();
  m->before_print();
  m->get_data();
  EXPECT_EQ(m->tag_str, "t5");
  EXPECT_EQ(m->hyperlink.value, "5;1");
  m->after_print();
  EXPECT_EQ(m->tag_str, "t[Dane.\"kwota\"]");
  EXPECT_EQ(m->hyperlink.value, "[Dane.\"kwota\"];[Line#]");

  // A string result of the hyperlink's expression is quoted for the script language.
  m->hyperlink.expression = "Dane.\"nazwa\"";
  m->before_print();
  m->get_data();
  EXPECT_EQ(m->hyperlink.value, "\"a\\\"b\"");
  m->after_print();
}

TEST_F(MemoRun, PageTotalAndCopyNameWaitForTheExportWalk) {
  MemoView* m = add_memo(page, "Memo1", "Strona [Page#] z [TotalPages#] [copyname#]");
  start();
  m->before_print();
  m->get_data();
  EXPECT_EQ(m->text(), "Strona 1 z [TotalPages#] [CopyName#]");
  m->total_pages = 12;
  m->copy_no = 1;
  global_variables::set("CopyName1", Variant("Kopia"));
  m->extract_macros();
  EXPECT_EQ(m->text(), "Strona 1 z 12 Kopia");
  global_variables::clear();
}

TEST_F(MemoRun, HighlightsApplyTheFirstTrueConditionAndAreUndoneAfterPrinting) {
  set_rows({{{"kwota", Variant(50)}}, {{"kwota", Variant(5000)}}, {{"kwota", Variant(-1)}}});
  MemoView* m = add_memo(master, "Memo1", "[Dane.\"kwota\"]");
  m->fill.set_color(0xFFFFFF);
  m->highlights.push_back(std::make_unique<Highlight>());
  m->highlights.back()->condition = "Value > 1000";  // reads the value just filled
  m->highlights.back()->font.style = kFontBold;
  m->highlights.back()->fill.set_color(0x0000FF);
  m->highlights.push_back(std::make_unique<Highlight>());
  m->highlights.back()->condition = "<Dane.\"kwota\"> < 0";
  m->highlights.back()->visible = false;
  m->highlights.push_back(std::make_unique<Highlight>());
  m->highlights.back()->condition = "True";  // never reached while an earlier one holds
  m->highlights.back()->fill.set_color(0x00FF00);
  m->highlights.back()->apply_fill = false;
  start();

  struct Seen {
    int64_t style, color;
    bool visible;
  };
  std::vector<Seen> seen;
  for (int i = 0; i < 3; ++i, dane->next()) {
    m->before_print();
    m->get_data();
    seen.push_back({m->font().style, m->fill.color(), m->visible});
    m->after_print();
    EXPECT_EQ(m->font().style, 0);
    EXPECT_EQ(m->fill.color(), 0xFFFFFF);
    EXPECT_TRUE(m->visible);
  }
  // 50: only the last condition holds, which takes over neither font nor fill.
  EXPECT_EQ(seen[0].style, 0);
  EXPECT_EQ(seen[0].color, 0xFFFFFF);
  EXPECT_EQ(seen[1].style, kFontBold);
  EXPECT_EQ(seen[1].color, 0x0000FF);
  EXPECT_FALSE(seen[2].visible);
}

TEST_F(MemoRun, SuppressRepeatedBlanksATextEqualToTheLastPrinted) {
  set_rows({{{"nazwa", Variant("a")}},
            {{"nazwa", Variant("a")}},
            {{"nazwa", Variant("b")}},
            {{"nazwa", Variant("b")}},
            {{"nazwa", Variant("b")}}});
  MemoView* m = add_memo(master, "Memo1", "[Dane.\"nazwa\"]");
  m->suppress_repeated = true;
  start();
  std::vector<std::string> printed;
  for (int i = 0; i < 5; ++i, dane->next()) {
    if (i == 4) ctx->forget_last_values(*master);  // a new page: the value shows again
    printed.push_back(print(*m));
  }
  EXPECT_EQ(printed, (std::vector<std::string>{"a", "", "b", "", "b"}));
}

TEST_F(MemoRun, ScriptSeesObjectsPropertiesValueAndSelf) {
  set_rows({{{"kwota", Variant(7)}}});
  MemoView* other = add_memo(master, "Memo2", "inny");
  other->set_left(33);
  MemoView* m = add_memo(master, "Memo1", "[Memo2.Text]|[Memo2.Left]|[Self.Name]|[MasterData1.Height]");
  start();
  EXPECT_EQ(print(*m), "inny|33|Memo1|20");
}

// ---- Measuring and splitting ------------------------------------------------------------------

TEST_F(MemoRun, HeightOfThreeLinesOfTenPointText) {
  MemoView* m = add_memo(master, "Memo1", "pierwsza\r\ndruga\r\ntrzecia");
  // Round(3 × (13.28 + 2) + 2 × 1): line height at 600 dpi plus spacing, and the gaps.
  EXPECT_EQ(m->calc_height(), 48);
  m->frame.typ = kFrameTop | kFrameBottom;
  m->frame.set_width(3);
  // + (3 − 1) / 2 for the top line and 3 / 2 for the bottom one.
  EXPECT_EQ(m->calc_height(), 50);
  m->memo.clear();
  EXPECT_EQ(m->calc_height(), 4);  // no lines: 2 + 1 + 1.5, rounded half to even
  EXPECT_GT(m->calc_width(), 0);
}

TEST_F(MemoRun, SplittingPrintsWholeLinesAndKeepsTheRest) {
  MemoView* m = add_memo(master, "Memo1", "1\r\n2\r\n3\r\n4\r\n5");
  m->set_height(2 * 15.28 + 2);  // two lines and the gaps
  m->init_part();
  double unused = m->draw_part();
  EXPECT_EQ(m->memo, (std::vector<std::string>{"1", "2"}));
  EXPECT_NE(m->part_memo.find('3'), std::string::npos);
  EXPECT_EQ(m->part_memo.find('2'), std::string::npos);
  EXPECT_GT(unused, 0);
  EXPECT_LT(unused, 15.28);
  m->draw_part();
  EXPECT_EQ(m->memo, (std::vector<std::string>{"3", "4"}));
  m->draw_part();
  EXPECT_EQ(m->memo, (std::vector<std::string>{"5"}));
  EXPECT_TRUE(core::trim(m->part_memo).empty());

  m->set_top(90);
  EXPECT_TRUE(m->has_next_data_part(100));
  EXPECT_FALSE(m->has_next_data_part(200));
}

TEST_F(MemoRun, FlowToTakesWhatDoesNotFit) {
  MemoView* next = add_memo(master, "Memo2", "[nie liczone]");
  MemoView* m = add_memo(master, "Memo1", "1\r\n2\r\n3");
  m->set_height(15.28 + 2);
  m->flow_to.reset(next);
  start();
  m->before_print();
  m->get_data();
  EXPECT_EQ(m->memo, (std::vector<std::string>{"1"}));
  EXPECT_FALSE(next->allow_expressions);
  next->before_print();
  next->get_data();
  EXPECT_EQ(next->text().substr(0, 4), "2\r\n3");
}

// ---- Through the script over a real query -----------------------------------------------------

TEST(MemoOverQuery, IifOfAFieldOfThePublishedSource) {
  test::TestHome home;
  home.sql(
      "create table f (id integer, kwota decimal(10,2));"
      "insert into f values (1, 1500.00); insert into f values (2, 20.00);");
  db::Connection connection;
  connection.set_target(db::SqliteTarget{home.db_file()});
  connection.open();
  db::Query query{connection};
  query.set_command_text("select * from f order by id");
  DBDataset adapter;
  adapter.set_name("rpDBDataset1");
  adapter.set_user_name("DaneOrvena");
  adapter.attach(&query);

  Report report;
  report.engine_options.new_silent_mode = SilentMode::Silent;
  report.add_dataset_item().data.set(&adapter);
  auto* page = report.add_new<ReportPage>();
  auto* band = page->add_new<MasterData>();
  band->set_name("MasterData1");
  auto* memo = band->add_new<MemoView>();
  memo->set_name("Memo1");
  memo->set_text("[IIF(<DaneOrvena.\"kwota\"> > 1000, 'duża', 'mała')] [<DaneOrvena.\"kwota\"> * 2 #n0.00]");

  EngineContext ctx(report);
  ASSERT_TRUE(ctx.prepare_script());
  report.initialize_data_sets();
  std::vector<std::string> printed;
  for (adapter.first(); !adapter.eof(); adapter.next()) {
    memo->before_print();
    memo->get_data();
    printed.push_back(memo->text());
    memo->after_print();
  }
  report.finalize_data_sets();
  EXPECT_EQ(printed, (std::vector<std::string>{"duża 3000.00", "mała 40.00"}));
  EXPECT_TRUE(report.errors().empty());
}

}  // namespace
}  // namespace orvena::report::testing
