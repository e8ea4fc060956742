// Page generation: hand-written templates filled from an SQLite table, the prepared pages compared
// band by band through their dump (page, band top+height, objects with their texts).
#include <gtest/gtest.h>

#include <string>

#include "db/database.h"
#include "report/bands.h"
#include "report/db_dataset.h"
#include "report/engine/engine.h"
#include "report/engine/page_dump.h"
#include "report/host.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"
#include "support/test_home.h"

namespace orvena::report {
namespace {

// id 1..6 in groups A, A, B, C, C, C; kwota = id; opis is long only for id 2.
constexpr const char* kTable =
    "create table t (id integer, nazwa text, grupa text, kwota integer, opis text);"
    "insert into t values (1, 'Żuraw', 'A', 1, 'krótki');"
    "insert into t values (2, 'Łąka', 'A', 2, 'jeden dwa trzy cztery pięć sześć siedem osiem dziewięć "
    "dziesięć jedenaście dwanaście trzynaście czternaście piętnaście szesnaście siedemnaście');"
    "insert into t values (3, 'c', 'B', 3, 'x');"
    "insert into t values (4, 'd', 'C', 4, 'x');"
    "insert into t values (5, 'e', 'C', 5, 'x');"
    "insert into t values (6, 'f', 'C', 6, 'x');";

class Generation : public ::testing::Test {
 protected:
  void SetUp() override {
    home.sql(kTable);
    connection.set_target(db::SqliteTarget{home.db_file()});
    connection.open();
    adapter.set_name("rpDBDataset1");
    adapter.set_user_name("DaneOrvena");
    adapter.attach(&query);
    host.add(adapter);
    report.host = &host;
    report.engine_options.new_silent_mode = SilentMode::Silent;
  }
  void TearDown() override { host.remove(adapter); }

  void load(const std::string& fixture, const std::string& sql = "select * from t order by id") {
    query.close();
    query.set_command_text(sql);
    report.load_from_file(std::string(ORVENA_FIXTURES) + "/engine/" + fixture + ".orp", true);
    ASSERT_TRUE(report.errors().empty()) << report.errors().front();
  }
  Band& band(const std::string& name) { return dynamic_cast<Band&>(*report.find_object(name)); }

  // Generates and returns the dump; an unexpected failure shows the report's errors.
  std::string generate() {
    pages.clear();
    Engine engine(report, pages);
    bool ok = engine.run();
    std::string errors;
    for (auto& e : report.errors()) errors += e + "\n";
    EXPECT_TRUE(ok) << errors;
    return dump_prepared_pages(pages);
  }

  test::TestHome home;
  db::Connection connection;
  db::Query query{connection};
  DBDataset adapter;
  HostComponents host{"Main"};
  Report report;
  PreparedPages pages{report};
};

// ---- Pages and their bands in order -----------------------------------------------------------

TEST_F(Generation, OneBandPerRowBetweenTitleHeaderSummaryAndFooter) {
  load("list", "select * from t where id <= 3 order by id");
  EXPECT_EQ(generate(),
            "1 Title 0+20\n"
            "1   TitleText 0,0 \"Lista\"\n"
            "1 Header 20+20\n"
            "1   HeaderText 0,0 \"Strona 1\"\n"
            "1 Row 40+30\n"
            "1   RowText 0,0 \"1 Żuraw\"\n"
            "1 Row 70+30\n"
            "1   RowText 0,0 \"2 Łąka\"\n"
            "1 Row 100+30\n"
            "1   RowText 0,0 \"3 c\"\n"
            "1 Summary 130+20\n"
            "1   SummaryText 0,0 \"Razem 6\"\n"
            "1 Footer 180+20\n"
            "1   FooterText 0,0 \"1/[TotalPages#] z 0 suma 6\"\n");
}

// Six rows of 30 need two pages: the header reprints, the title does not, the summary ends the
// last page, the page footer sums its own page and the page total is known only with two passes.
TEST_F(Generation, PageBreakReprintsHeaderAndFootersSumTheirPage) {
  for (bool double_pass : {false, true}) {
    SCOPED_TRACE(double_pass ? "two passes" : "one pass");
    load("list");
    report.engine_options.double_pass = double_pass;
    std::string total = double_pass ? "2" : "0";
    EXPECT_EQ(generate(),
              "1 Title 0+20\n"
              "1   TitleText 0,0 \"Lista\"\n"
              "1 Header 20+20\n"
              "1   HeaderText 0,0 \"Strona 1\"\n"
              "1 Row 40+30\n"
              "1   RowText 0,0 \"1 Żuraw\"\n"
              "1 Row 70+30\n"
              "1   RowText 0,0 \"2 Łąka\"\n"
              "1 Row 100+30\n"
              "1   RowText 0,0 \"3 c\"\n"
              "1 Row 130+30\n"
              "1   RowText 0,0 \"4 d\"\n"
              "1 Footer 180+20\n"
              "1   FooterText 0,0 \"1/[TotalPages#] z " +
                  total +
                  " suma 10\"\n"
                  "2 Header 0+20\n"
                  "2   HeaderText 0,0 \"Strona 2\"\n"
                  "2 Row 20+30\n"
                  "2   RowText 0,0 \"5 e\"\n"
                  "2 Row 50+30\n"
                  "2   RowText 0,0 \"6 f\"\n"
                  "2 Summary 80+20\n"
                  "2   SummaryText 0,0 \"Razem 21\"\n"
                  "2 Footer 180+20\n"
                  "2   FooterText 0,0 \"2/[TotalPages#] z " +
                  total + " suma 11\"\n");
    pages.clear();
  }
}

TEST_F(Generation, EmptyQueryPrintsThePageOnlyWithPrintIfEmpty) {
  load("list", "select * from t where id < 0");
  report.engine_options.print_if_empty = true;
  EXPECT_EQ(generate(),
            "1 Title 0+20\n"
            "1   TitleText 0,0 \"Lista\"\n"
            "1 Header 20+20\n"
            "1   HeaderText 0,0 \"Strona 1\"\n"
            "1 Summary 40+20\n"
            "1   SummaryText 0,0 \"Razem 0\"\n"
            "1 Footer 180+20\n"
            "1   FooterText 0,0 \"1/[TotalPages#] z 0 suma 0\"\n");
  pages.clear();
  report.engine_options.print_if_empty = false;
  EXPECT_EQ(generate(), "");
  EXPECT_EQ(pages.count(), 0);
}

// Which pages of two carry the page header and footer.
TEST_F(Generation, PrintOnFirstAndLastPage) {
  struct Case {
    const char* name;
    bool header_first, footer_first, footer_last;
    const char* bands;  // the Header and Footer bands by page
  };
  const Case cases[] = {
      {"all", true, true, true, "1H 1F 2H 2F"},
      // The header's first-page switch takes it off page 1 only.
      {"header not first", false, true, true, "1F 2H 2F"},
      {"footer not first", true, false, true, "1H 2H 2F"},
      {"footer not last", true, true, false, "1H 1F 2H"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    load("list");
    band("Header").print_on_first_page = c.header_first;
    band("Footer").print_on_first_page = c.footer_first;
    band("Footer").print_on_last_page = c.footer_last;
    std::string dump = generate(), seen;
    for (size_t at = 0; at < dump.size(); at = dump.find('\n', at) + 1) {
      std::string line = dump.substr(at, dump.find('\n', at) - at);
      if (line.find(" Header ") != std::string::npos)
        seen += (seen.empty() ? "" : " ") + line.substr(0, 1) + "H";
      if (line.find(" Footer ") != std::string::npos)
        seen += (seen.empty() ? "" : " ") + line.substr(0, 1) + "F";
    }
    EXPECT_EQ(seen, c.bands);
    pages.clear();
  }
}

// ---- Structure errors -------------------------------------------------------------------------

TEST_F(Generation, HeaderBelowItsBandIsAnErrorAndNothingIsMade) {
  load("header_after_band");
  Engine engine(report, pages);
  EXPECT_FALSE(engine.run());
  ASSERT_EQ(report.errors().size(), 1u);
  EXPECT_EQ(report.errors()[0], "Niepołączony nagłówek/stopka LateHeader");
  EXPECT_EQ(pages.count(), 0);
}

TEST_F(Generation, SameSourceForReportAndBandIsAnError) {
  load("list");
  report.data.set(&adapter);
  Engine engine(report, pages);
  EXPECT_FALSE(engine.run());
  ASSERT_EQ(report.errors().size(), 1u);
  EXPECT_EQ(report.errors()[0], "Cannot use the same dataset for Report.DataSet and Band.DataSet");
}

// ---- Groups -----------------------------------------------------------------------------------

TEST_F(Generation, GroupsRestartLineButNotLineThrough) {
  load("groups", "select * from t where id <> 2 order by id");
  EXPECT_EQ(generate(),
            "1 GroupHead 0+10\n"
            "1   GroupText 0,0 \"Grupa A\"\n"
            "1 Row 10+10\n"
            "1   RowText 0,0 \"1 1 1\"\n"
            "1 GroupFoot 20+10\n"
            "1   GroupSum 0,0 \"Koniec A 1\"\n"
            "1 GroupHead 30+10\n"
            "1   GroupText 0,0 \"Grupa B\"\n"
            "1 Row 40+10\n"
            "1   RowText 0,0 \"1 2 3\"\n"
            "1 GroupFoot 50+10\n"
            "1   GroupSum 0,0 \"Koniec B 3\"\n"
            "1 GroupHead 60+10\n"
            "1   GroupText 0,0 \"Grupa C\"\n"
            "1 Row 70+10\n"
            "1   RowText 0,0 \"1 3 4\"\n"
            "1 Row 80+10\n"
            "1   RowText 0,0 \"2 4 5\"\n"
            "1 Row 90+10\n"
            "1   RowText 0,0 \"3 5 6\"\n"
            "1 GroupFoot 100+10\n"
            "1   GroupSum 0,0 \"Koniec C 15\"\n");
}

// A condition changing on every record: header and footer around each row, or only headers when
// single-record groups hide their footers.
TEST_F(Generation, ConditionChangingOnEveryRecord) {
  for (bool hide : {false, true}) {
    SCOPED_TRACE(hide ? "HideIfSingleDataRecord" : "footers shown");
    load("groups", "select id, nazwa, cast(id as text) as grupa, kwota from t where id <= 2 order by id");
    band("GroupFoot").hide_if_single_data_record = hide;
    std::string expected =
        "1 GroupHead 0+10\n"
        "1   GroupText 0,0 \"Grupa 1\"\n"
        "1 Row 10+10\n"
        "1   RowText 0,0 \"1 1 1\"\n";
    if (!hide)
      expected +=
          "1 GroupFoot 20+10\n"
          "1   GroupSum 0,0 \"Koniec 1 1\"\n";
    double y = hide ? 20 : 30;
    auto at = [&](double add) { return std::to_string(static_cast<int>(y + add)); };
    expected += "1 GroupHead " + at(0) + "+10\n1   GroupText 0,0 \"Grupa 2\"\n";
    expected += "1 Row " + at(10) + "+10\n1   RowText 0,0 \"1 2 2\"\n";
    if (!hide) expected += "1 GroupFoot " + at(20) + "+10\n1   GroupSum 0,0 \"Koniec 2 2\"\n";
    EXPECT_EQ(generate(), expected);
    pages.clear();
  }
}

}  // namespace
}  // namespace orvena::report
