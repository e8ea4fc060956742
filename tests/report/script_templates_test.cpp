// Templates whose expressions, filters, group conditions and script run through page generation
// over SQLite: each checked on the text of its prepared pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_support.h"
#include "report/views.h"

namespace orvena::report {
namespace {

using fixtures::Generation;

// kwota 1..6 scaled so that the threshold of 1000 falls between rows 3 and 4.
constexpr const char* kScaled = "select id, nazwa, kwota * 300 as kwota, opis from t order by id";

TEST_F(Generation, IifChoosesTheTextByTheRowsValue) {
  load("script_iif", kScaled);
  EXPECT_EQ(generate(),
            "1 Row 0+10\n1   RowText 0,0 \"1 mała\"\n"
            "1 Row 10+10\n1   RowText 0,0 \"2 mała\"\n"
            "1 Row 20+10\n1   RowText 0,0 \"3 mała\"\n"  // 900
            "1 Row 30+10\n1   RowText 0,0 \"4 duża\"\n"  // 1200
            "1 Row 40+10\n1   RowText 0,0 \"5 duża\"\n"
            "1 Row 50+10\n1   RowText 0,0 \"6 duża\"\n");
}

TEST_F(Generation, FormattedTotalInTheFooter) {
  // 1..6 times 1000.5: 21010.5, with the thousands separator (a no-break space) and two decimals.
  load("script_footer_total", "select id, kwota * 1000.5 as kwota from t where id <= 6 order by id");
  std::string dump = generate();
  EXPECT_NE(dump.find("1 Footer1 60+10\n1   Total 0,0 \"Suma: 21\u00a0010,50\"\n"), std::string::npos)
      << dump;
}

TEST_F(Generation, FilterDropsRowsFromThePageAndTheTotals) {
  // Kept: even amounts and the row named Żuraw (1); [Line#] counts printed rows only.
  load("script_filter");
  EXPECT_EQ(generate(),
            "1 Row 0+10\n1   RowText 0,0 \"1 1\"\n"
            "1 Row 10+10\n1   RowText 0,0 \"2 2\"\n"
            "1 Row 20+10\n1   RowText 0,0 \"3 4\"\n"
            "1 Row 30+10\n1   RowText 0,0 \"4 6\"\n"
            "1 Summary 40+10\n1   SummaryText 0,0 \"Razem 13\"\n");
}

TEST_F(Generation, GroupConditionOnAnExpression) {
  // The condition changes once, between rows 2 and 3, whatever the field "grupa" says.
  load("script_group");
  EXPECT_EQ(generate(),
            "1 GroupHead 0+10\n1   GroupText 0,0 \"Małe\"\n"
            "1 Row 10+10\n1   RowText 0,0 \"1\"\n"
            "1 Row 20+10\n1   RowText 0,0 \"2\"\n"
            "1 GroupFoot 30+10\n1   GroupSum 0,0 \"Suma 3\"\n"
            "1 GroupHead 40+10\n1   GroupText 0,0 \"Duże\"\n"
            "1 Row 50+10\n1   RowText 0,0 \"3\"\n"
            "1 Row 60+10\n1   RowText 0,0 \"4\"\n"
            "1 Row 70+10\n1   RowText 0,0 \"5\"\n"
            "1 Row 80+10\n1   RowText 0,0 \"6\"\n"
            "1 GroupFoot 90+10\n1   GroupSum 0,0 \"Suma 18\"\n");
}

TEST_F(Generation, ScriptMainBlockAndBeforePrintHandlers) {
  // Amounts -2..1: negative ones red ($0000FF), and the note band only under rows with a note.
  load("script_events",
       "select id, kwota - 4 as kwota, case when id % 2 = 0 then 'uwaga ' || id else '' end as opis from t "
       "where id >= 2 and id <= 5 order by id");
  EXPECT_EQ(generate(),
            "1 Title 0+10\n1   TitleText 0,0 \"Raport dnia\"\n"
            "1 Row 10+10\n1   Amount 0,0 \"-2\" color=$0000FF\n"
            "1 Note 20+10\n1   NoteText 0,0 \"uwaga 2\"\n"
            "1 Row 30+10\n1   Amount 0,0 \"-1\" color=$0000FF\n"
            "1 Row 40+10\n1   Amount 0,0 \"0\"\n"
            "1 Note 50+10\n1   NoteText 0,0 \"uwaga 4\"\n"
            "1 Row 60+10\n1   Amount 0,0 \"1\"\n"
            "1 Summary 70+10\n1   SummaryText 0,0 \"Wierszy: 4\"\n");
}

TEST_F(Generation, ScriptDrivesTheEngine) {
  // Row 3 asks for a new page; the summary shows the extra band first, which moves it down by
  // 15, and reads the cursor and the room left above the 20-unit footer.
  load("script_engine");
  EXPECT_EQ(generate(),
            "1 Row 0+10\n1   RowText 0,0 \"1\"\n"
            "1 Row 10+10\n1   RowText 0,0 \"2\"\n"
            "1 Footer 180+20\n1   FooterText 0,0 \"1\"\n"
            "2 Row 0+10\n2   RowText 0,0 \"3\"\n"
            "2 Row 10+10\n2   RowText 0,0 \"4\"\n"
            "2 Row 20+10\n2   RowText 0,0 \"5\"\n"
            "2 Row 30+10\n2   RowText 0,0 \"6\"\n"
            "2 Extra 40+15\n2   ExtraText 0,0 \"Dodatkowe 40\"\n"
            "2 Summary 55+10\n2   SummaryText 0,0 \"Y=55 wolne=125 strona=200 kolumna=1\"\n"
            "2 Footer 180+20\n2   FooterText 0,0 \"2\"\n");
  // Engine.StopReport ends the run at the next record; what was made stays.
  load("script_engine");
  report.script_text = {"procedure RowOnBeforePrint(Sender: TrpComponent);",
                        "begin if <DaneOrvena.\"id\"> = 2 then Engine.StopReport; Engine.CurY := 100; end;",
                        "begin end."};
  std::string dump = generate();
  // CurY moved by the script places each row; no row after the second is printed.
  EXPECT_EQ(dump.rfind("1 Row 100+10\n1   RowText 0,0 \"1\"\n1 Row 100+10\n1   RowText 0,0 \"2\"\n", 0), 0u)
      << dump;
  EXPECT_EQ(dump.find("RowText 0,0 \"3\""), std::string::npos) << dump;
}

// Engine.AddAnchor names the cursor's place for links: the store answers the page and the top
// a link opens at, and a URL the script gives a text object comes back with the prepared page.
TEST_F(Generation, ScriptSetsAnchorsAndUrlsThatThePagesKeep) {
  load("script_engine");
  report.script_text = {"procedure RowOnBeforePrint(Sender: TrpComponent);",
                        "begin",
                        "  if <DaneOrvena.\"id\"> = 3 then Engine.NewPage;",
                        "  if <DaneOrvena.\"id\"> = 2 then Engine.AddAnchor('drugi');",
                        "  if <DaneOrvena.\"id\"> = 4 then Engine.AddAnchor('czwarty');",
                        "  if <DaneOrvena.\"id\"> = 1 then RowText.URL := '#czwarty' else RowText.URL := '';",
                        "end;",
                        "begin end."};
  generate();
  // Row 2 prints at 10 on page 1; row 3 starts page 2 at 0, so row 4 is at 10 there.
  EXPECT_EQ(pages.anchor_page("drugi"), 1);
  EXPECT_EQ(pages.anchor_top("drugi"), 10);
  EXPECT_EQ(pages.anchor_page("czwarty"), 2);
  EXPECT_EQ(pages.anchor_top("czwarty"), 10);
  EXPECT_EQ(pages.anchor_page("brak"), 1);  // an unknown name opens the first page

  std::vector<std::string> urls;
  ReportPage& first = pages.page(0);
  for (size_t b = 0; b < first.count(); ++b)
    for (size_t c = 0; c < first.object(b)->count(); ++c)
      if (auto* memo = dynamic_cast<MemoView*>(first.object(b)->object(c)); memo && memo->name() == "RowText")
        urls.push_back(memo->url);
  EXPECT_EQ(urls, (std::vector<std::string>{"#czwarty", ""}));
}

// A handler that shows its own band fires no second time inside itself: the band prints twice
// and the run ends instead of recursing.
TEST_F(Generation, HandlerShowingItsOwnBandIsNotEnteredAgain) {
  load("script_engine");
  report.script_text = {"procedure SummaryOnBeforePrint(Sender: TrpComponent);",
                        "begin Engine.ShowBand(Summary); end;", "begin end."};
  std::string dump = generate();
  EXPECT_TRUE(
      dump.ends_with("1 Summary 60+10\n1   SummaryText 0,0 \"\"\n"
                     "1 Summary 70+10\n1   SummaryText 0,0 \"\"\n"
                     "1 Footer 180+20\n1   FooterText 0,0 \"1\"\n"))
      << dump;
}

}  // namespace
}  // namespace orvena::report
