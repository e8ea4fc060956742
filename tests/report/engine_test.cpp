// Page generation: hand-written templates filled from an SQLite table, the prepared pages compared
// band by band through their dump (page, band top+height, objects with their texts).
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.h"
#include "db/database.h"
#include "engine_support.h"
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

using fixtures::Generation;

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

// An endless page takes every row and ends right below the page footer.
TEST_F(Generation, EndlessPageHoldsEveryRow) {
  load("list");
  dynamic_cast<ReportPage&>(*report.find_object("Page1")).endless_height = true;
  std::string dump = generate();
  ASSERT_EQ(pages.count(), 1);
  EXPECT_NE(dump.find("1   RowText 0,0 \"6 f\"\n1 Summary 220+20\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("1 Footer 240+20\n"), std::string::npos) << dump;
  EXPECT_NEAR(pages.page(0).paper_height() * 3.77953, 260, 0.01);
}

// An endless width grows to the rightmost object with the margins; a page whose objects all fit
// keeps its paper.
TEST_F(Generation, EndlessWidthFitsTheWidestBand) {
  for (double text_right : {600.0, 100.0}) {
    SCOPED_TRACE(text_right);
    load("list");
    auto& page = dynamic_cast<ReportPage&>(*report.find_object("Page1"));
    page.endless_width = true;
    page.left_margin = page.right_margin = 0.5;  // the 370-wide bands still fit the paper
    auto& text = dynamic_cast<View&>(*report.find_object("RowText"));
    text.set_left(text_right - text.width());
    double paper_height = page.paper_height();
    generate();
    ASSERT_GE(pages.count(), 1);
    double expected = text_right > 100 ? text_right + 3.77953 : page.paper_width() * 3.77953;
    EXPECT_NEAR(pages.page(0).paper_width() * 3.77953, expected, 0.01);
    EXPECT_NEAR(pages.page(0).paper_height(), paper_height, 0.001);
    pages.clear_cache();
  }
}

// A data header with ReprintOnNewPage comes back under the page header while its rows go on.
TEST_F(Generation, DataHeaderReprintsOnTheNextPage) {
  load("list");
  auto* head = report.find_object("Page1")->add_new<HeaderBand>();
  head->set_name("DataHead");
  head->set_bounds(0, 50, 370, 10);
  head->reprint_on_new_page = true;
  std::string dump = generate(), bands;
  for (size_t at = 0; at < dump.size(); at = dump.find('\n', at) + 1)
    if (dump[at + 2] != ' ') bands += dump.substr(at, dump.find('\n', at) - at) + "\n";
  EXPECT_EQ(bands,
            "1 Title 0+20\n1 Header 20+20\n1 DataHead 40+10\n1 Row 50+30\n1 Row 80+30\n1 Row 110+30\n"
            "1 Row 140+30\n1 Footer 180+20\n"
            "2 Header 0+20\n2 DataHead 20+10\n2 Row 30+30\n2 Row 60+30\n2 Summary 90+20\n2 Footer 180+20\n");
}

// A child band follows its band on every record, also when the band itself is hidden and asks
// for its child anyway.
TEST_F(Generation, ChildBandFollowsItsBand) {
  for (bool hidden : {false, true}) {
    SCOPED_TRACE(hidden ? "band hidden" : "band shown");
    load("list", "select * from t where id <= 2 order by id");
    auto* child = report.find_object("Page1")->add_new<ChildBand>();
    child->set_name("Note");
    child->set_bounds(0, 95, 370, 10);
    band("Row").set_child(child);
    band("Row").visible = !hidden;
    band("Row").print_child_if_invisible = true;
    std::string dump = generate(), bands;
    for (size_t at = 0; at < dump.size(); at = dump.find('\n', at) + 1)
      if (dump[at + 2] != ' ') bands += dump.substr(at, dump.find('\n', at) - at) + "\n";
    EXPECT_EQ(
        bands,
        hidden
            ? "1 Title 0+20\n1 Header 20+20\n1 Note 40+10\n1 Note 50+10\n1 Summary 60+20\n1 Footer 180+20\n"
            : "1 Title 0+20\n1 Header 20+20\n1 Row 40+30\n1 Note 70+10\n1 Row 80+30\n1 Note 110+10\n"
              "1 Summary 120+20\n1 Footer 180+20\n");
  }
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

// Pages of 90 units: group C (header, three rows, footer: 50) starts at 60. Kept, it moves whole
// to the next page; otherwise its third row and footer break away from it.
TEST_F(Generation, KeptGroupMovesWholeToTheNextPage) {
  for (bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "kept" : "not kept");
    load("groups", "select * from t where id <> 2 order by id");
    dynamic_cast<ReportPage&>(*report.find_object("Page1")).set_paper_height(90 / 3.77953);
    band("GroupHead").keep_together = keep;
    std::string dump = generate();
    if (keep)
      EXPECT_TRUE(
          dump.ends_with("1   GroupSum 0,0 \"Koniec B 3\"\n"
                         "2 GroupHead 0+10\n2   GroupText 0,0 \"Grupa C\"\n"
                         "2 Row 10+10\n2   RowText 0,0 \"1 3 4\"\n"
                         "2 Row 20+10\n2   RowText 0,0 \"2 4 5\"\n"
                         "2 Row 30+10\n2   RowText 0,0 \"3 5 6\"\n"
                         "2 GroupFoot 40+10\n2   GroupSum 0,0 \"Koniec C 15\"\n"))
          << dump;
    else
      EXPECT_TRUE(
          dump.ends_with("1 Row 80+10\n1   RowText 0,0 \"2 4 5\"\n"
                         "2 Row 0+10\n2   RowText 0,0 \"3 5 6\"\n"
                         "2 GroupFoot 10+10\n2   GroupSum 0,0 \"Koniec C 15\"\n"))
          << dump;
  }
}

// A header reprinted on new pages comes once at the top of page 2: pages of 90 units break group
// C (header at 60) after its second row — kept, the group moves with its header, otherwise the
// header is reprinted above the third row; pages of 65 units leave no room for the header itself,
// which then opens page 2.
TEST_F(Generation, AReprintedGroupHeaderComesOnceOnTheNextPage) {
  const std::string whole_group =
      "2 GroupHead 0+10\n2   GroupText 0,0 \"Grupa C\"\n"
      "2 Row 10+10\n2   RowText 0,0 \"1 3 4\"\n"
      "2 Row 20+10\n2   RowText 0,0 \"2 4 5\"\n"
      "2 Row 30+10\n2   RowText 0,0 \"3 5 6\"\n"
      "2 GroupFoot 40+10\n2   GroupSum 0,0 \"Koniec C 15\"\n";
  struct Case {
    double height;
    bool keep;
    std::string page2;
  } cases[] = {{90, true, whole_group},
               {90, false,
                "2 GroupHead 0+10\n2   GroupText 0,0 \"Grupa C\"\n"
                "2 Row 10+10\n2   RowText 0,0 \"3 5 6\"\n"
                "2 GroupFoot 20+10\n2   GroupSum 0,0 \"Koniec C 15\"\n"},
               {65, true, whole_group},
               {65, false, whole_group}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.height) + (c.keep ? " kept" : " not kept"));
    load("groups", "select * from t where id <> 2 order by id");
    dynamic_cast<ReportPage&>(*report.find_object("Page1")).set_paper_height(c.height / 3.77953);
    band("GroupHead").keep_together = c.keep;
    band("GroupHead").reprint_on_new_page = true;
    std::string dump = generate();
    EXPECT_EQ(dump.substr(dump.find("\n2 ") + 1), c.page2) << dump;
    pages.clear();
  }
}

// A group header with StartNewPage opens a page for every group but the first.
TEST_F(Generation, GroupHeaderStartsANewPagePerGroup) {
  load("groups", "select * from t where id <> 2 order by id");
  band("GroupHead").start_new_page = true;
  std::string dump = generate(), heads;
  for (size_t at = 0; at < dump.size(); at = dump.find('\n', at) + 1)
    if (dump.compare(at + 2, 9, "GroupHead") == 0) heads += dump.substr(at, dump.find('\n', at) - at) + "\n";
  EXPECT_EQ(heads, "1 GroupHead 0+10\n2 GroupHead 0+10\n3 GroupHead 0+10\n");
  EXPECT_EQ(pages.count(), 3);
  // The footer of group A stays on page 1 under its row.
  EXPECT_NE(dump.find("1 GroupFoot 20+10\n1   GroupSum 0,0 \"Koniec A 1\"\n2 GroupHead"), std::string::npos)
      << dump;
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

// ---- Stretching, splitting, keeping -----------------------------------------------------------

// The band as printed on `page`, with its objects by name.
struct PrintedBand {
  double top = 0, height = 0;
  std::map<std::string, ReportComponent::Bounds> objects;
};
std::vector<PrintedBand> printed(PreparedPages& pages, int page) {
  std::vector<PrintedBand> bands;
  for (auto& c : pages.page(page).objects()) {
    PrintedBand b{c->top(), c->height(), {}};
    for (auto& o : c->objects()) b.objects[o->name()] = {o->left(), o->top(), o->width(), o->height()};
    bands.push_back(b);
  }
  return bands;
}

TEST_F(Generation, GrowingTextPushesWhatIsUnderItByItsGrowth) {
  load("stretch", "select * from t where id in (1, 2) order by id");
  generate();
  auto bands = printed(pages, 0);
  ASSERT_EQ(bands.size(), 2u);
  // Row 1's text fits: nothing moves, the Stretched band keeps its objects' bottom (40).
  EXPECT_EQ(bands[0].objects["Grows"].height, 20);
  EXPECT_EQ(bands[0].objects["Below"].top, 20);
  EXPECT_EQ(bands[0].height, 40);
  // Row 2's text takes several lines.
  const auto& row = bands[1].objects;
  double grown = row.at("Grows").height;
  ASSERT_GT(grown, 40);
  EXPECT_EQ(row.at("Below").top, grown);  // smAlways: down by the growth
  EXPECT_EQ(row.at("Fixed").top, 20);     // smDontShift
  EXPECT_EQ(row.at("Beside").top, 20);    // not under the text
  EXPECT_EQ(bands[1].top, 40);
  EXPECT_EQ(bands[1].height, grown + 20);  // down to Below's new bottom
}

TEST_F(Generation, TextLongerThanAPageGoesOnInParts) {
  load("split", "select * from t where id = 2");
  generate();
  ASSERT_GE(pages.count(), 2);
  std::string seen;
  for (int i = 0; i < pages.count(); ++i) {
    auto& page = pages.page(i);
    ASSERT_EQ(page.count(), 1u) << "page " << i + 1;
    auto& band = *page.object(0);
    EXPECT_EQ(band.top(), 0);
    EXPECT_LE(band.height(), 100.01) << "page " << i + 1;
    auto& memo = dynamic_cast<CustomMemoView&>(*band.object(0));
    // Words, not lines: where the break falls between parts is the text layout's business.
    for (auto& line : memo.memo) {
      std::istringstream words(line);
      for (std::string w; words >> w;) seen += (seen.empty() ? "" : " ") + w;
    }
    pages.clear_cache();
  }
  // Every word once, in order, across the pages.
  EXPECT_EQ(seen,
            "jeden dwa trzy cztery pięć sześć siedem osiem dziewięć dziesięć jedenaście dwanaście trzynaście "
            "czternaście piętnaście szesnaście siedemnaście");
}

// A page header filling the whole page leaves the split band no room on any page: a clear error,
// never an endless run of empty pages.
TEST_F(Generation, SplitBandWithNoRoomOnAnyPageIsAnError) {
  load("split", "select * from t where id = 2");
  auto* header = report.find_object("Page1")->add_new<PageHeader>();
  header->set_name("Full");
  header->set_bounds(0, 0, 370, 100);
  pages.clear();
  Engine engine(report, pages);
  try {
    engine.run();
    FAIL() << "no error";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Wstęga Row nie mieści się na stronie");
  }
  EXPECT_LE(pages.count(), 2);
}

// A master kept with its three 20-high details (80 together) on pages of 200.
TEST_F(Generation, KeptMasterMovesWithItsDetailsWhenTheyFit) {
  load("keep", "select * from t where id <= 3 order by id");
  // Block 1 at 0-80, block 2 at 80-160, block 3 does not fit at 160: it moves whole.
  std::string third =
      "2 Master 0+20\n2   MasterText 0,0 \"M3\"\n2 Detail 20+20\n2   DetailText 0,0 \"D1\"\n"
      "2 Detail 40+20\n2   DetailText 0,0 \"D2\"\n2 Detail 60+20\n2   DetailText 0,0 \"D3\"\n";
  std::string dump = generate();
  EXPECT_NE(dump.find("1 Detail 140+20\n1   DetailText 0,0 \"D3\"\n2 Master 0+20"), std::string::npos)
      << dump;
  EXPECT_TRUE(dump.ends_with(third)) << dump;
}

// Rows of 30 with a 20-high child on pages of 200 (footer at 180): row 3 fits at 140, its child
// does not. With KeepChild the row goes along with its child under the reprinted header;
// without, the child is left alone there.
TEST_F(Generation, KeepChildMovesTheBandWithItsChild) {
  for (bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "KeepChild" : "not kept");
    load("list", "select * from t where id <= 3 order by id");
    auto* child = report.find_object("Page1")->add_new<ChildBand>();
    child->set_name("Note");
    child->set_bounds(0, 95, 370, 20);
    band("Row").set_child(child);
    band("Row").keep_child = keep;
    std::string dump = generate(), bands;
    for (size_t at = 0; at < dump.size(); at = dump.find('\n', at) + 1)
      if (dump[at + 2] != ' ') bands += dump.substr(at, dump.find('\n', at) - at) + "\n";
    EXPECT_NE(bands.find(keep ? "1 Note 120+20\n1 Footer 180+20\n2 Header 0+20\n2 Row 20+30\n2 Note 50+20\n"
                              : "1 Row 140+30\n1 Footer 180+20\n2 Header 0+20\n2 Note 20+20\n"),
              std::string::npos)
        << bands;
  }
}

// KeepHeader takes the data header to the next page with the first row instead of leaving it
// alone at the bottom of the page.
TEST_F(Generation, KeepHeaderMovesTheHeaderWithTheFirstRow) {
  for (bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "KeepHeader" : "not kept");
    load("keep_header", "select * from t where id <= 1 order by id");
    dynamic_cast<DataBand&>(band("Row")).keep_header = keep;
    std::string dump = generate(), bands;
    for (size_t at = 0; at < dump.size(); at = dump.find('\n', at) + 1)
      if (dump[at + 2] != ' ') bands += dump.substr(at, dump.find('\n', at) - at) + "\n";
    EXPECT_EQ(bands.starts_with(keep ? "1 Intro 0+140\n1 Footer 180+20\n2 RowHead 0+20\n2 Row 20+30\n"
                                     : "1 Intro 0+140\n1 RowHead 140+20\n1 Footer 180+20\n2 Row 0+30\n"),
              true)
        << bands;
  }
}

// The bookmark tree as "text page top" lines, indented by level.
std::string outline_dump(const XmlItem& level, int depth = 0) {
  std::string out;
  for (auto& item : level.items()) {
    out += std::string(static_cast<size_t>(depth) * 2, ' ') + item->prop("text") + " " + item->prop("page") +
           " " + item->prop("top") + "\n";
    out += outline_dump(*item, depth + 1);
  }
  return out;
}

// Block 3 breaks after its first detail, so its bookmarks were made on page 1 and must follow the
// rows to page 2, each as far up as its band went.
TEST_F(Generation, KeptBlockTakesItsBookmarksAlong) {
  load("keep", "select * from t where id <= 3 order by id");
  dynamic_cast<DataBand&>(band("Master")).outline_text = "DaneOrvena.\"nazwa\"";
  dynamic_cast<DataBand&>(band("Detail")).outline_text = "Line";
  std::string dump = generate();
  ASSERT_TRUE(dump.ends_with("2   DetailText 0,0 \"D3\"\n")) << dump;
  EXPECT_EQ(outline_dump(pages.outline().root()),
            "Żuraw 0 20\n  1 0 40\n  2 0 60\n  3 0 80\n"
            "Łąka 0 100\n  1 0 120\n  2 0 140\n  3 0 160\n"
            "c 1 20\n  1 1 40\n  2 1 60\n  3 1 80\n");
}

// Each group's bookmark holds its own rows; the next group's stands beside it, not inside it.
TEST_F(Generation, GroupBookmarksHoldTheirRows) {
  load("groups", "select * from t where id <> 2 order by id");
  band("GroupHead").outline_text = "DaneOrvena.\"grupa\"";
  dynamic_cast<DataBand&>(band("Row")).outline_text = "DaneOrvena.\"id\"";
  generate();
  EXPECT_EQ(outline_dump(pages.outline().root()),
            "A 0 10\n  1 0 20\n"
            "B 0 40\n  3 0 50\n"
            "C 0 70\n  4 0 80\n  5 0 90\n  6 0 100\n");
}

// Twelve details make a block taller than a page. The part printed when the page fills (M2 and six
// details, 140) fits a page, so it moves once to a new page; after that the block breaks like any
// other, with every row printed once and nothing below the page's bottom.
TEST_F(Generation, KeptMasterTallerThanAPageMovesOnceThenBreaks) {
  load("keep", "select * from t where id <= 2 order by id");
  dynamic_cast<DataBand&>(band("Detail")).row_count = 12;
  std::string dump = generate();
  int details = 0, masters = 0;
  for (int i = 0; i < pages.count(); ++i) {
    for (auto& band : printed(pages, i)) {
      EXPECT_LE(band.top + band.height, 200.01) << dump;
      details += band.objects.count("DetailText");
      masters += band.objects.count("MasterText");
    }
    pages.clear_cache();
  }
  EXPECT_EQ(masters, 2);
  EXPECT_EQ(details, 24);
  EXPECT_NE(dump.find("2   DetailText 0,0 \"D12\"\n3 Master 0+20"), std::string::npos) << dump;
}

// ---- Columns and sub-reports ------------------------------------------------------------------

// Pages 60 high in two columns of 100: three rows fill a column, the fourth opens the second.
// Five rows of 30 leave 30 units above the page footer; the 40-unit data footer does not fit.
// Kept, the last row goes to the next page with it, and the page totals follow the row.
TEST_F(Generation, KeepFooterTakesTheLastRowAlong) {
  for (bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "KeepFooter" : "footer alone");
    load("keep_footer", "select * from t where id <= 5 order by id");
    dynamic_cast<DataBand&>(band("Row")).keep_footer = keep;
    std::string first_page =
        "1 Row 0+30\n1   RowText 0,0 \"1\"\n"
        "1 Row 30+30\n1   RowText 0,0 \"2\"\n"
        "1 Row 60+30\n1   RowText 0,0 \"3\"\n"
        "1 Row 90+30\n1   RowText 0,0 \"4\"\n";
    if (keep)
      EXPECT_EQ(generate(), first_page +
                                "1 Footer 180+20\n1   PageTotal 0,0 \"Strona 10\"\n"
                                "2 Row 0+30\n2   RowText 0,0 \"5\"\n"
                                "2 RowFooter 30+40\n2   RowTotal 0,0 \"Razem 15\"\n"
                                "2 Footer 180+20\n2   PageTotal 0,0 \"Strona 5\"\n");
    else
      EXPECT_EQ(generate(), first_page +
                                "1 Row 120+30\n1   RowText 0,0 \"5\"\n"
                                "1 Footer 180+20\n1   PageTotal 0,0 \"Strona 15\"\n"
                                "2 RowFooter 0+40\n2   RowTotal 0,0 \"Razem 15\"\n"
                                "2 Footer 180+20\n2   PageTotal 0,0 \"Strona 0\"\n");
  }
}

// A text on the page outside the bands prints once per run of the report page, at the cursor
// after the page header, through a carrier band; the bands go on from the cursor as if it were
// not there, and a page break does not repeat it.
TEST_F(Generation, ObjectsOnThePageOutsideBands) {
  load("page_objects", "select * from t union all select * from t order by id");
  std::string rows;
  for (int i = 0; i < 6; ++i)
    rows += "1 Row " + std::to_string(20 + 30 * i) + "+30\n1   RowText 0,0 \"" + std::to_string(1 + i / 2) +
            "\"\n";
  const std::string expected =
      "1 Header 0+20\n1   HeaderText 0,0 \"Nagłówek\"\n"
      "1  20+200\n1   Stamp 250,150 \"Strona 1\"\n" +
      rows +
      "2 Header 0+20\n2   HeaderText 0,0 \"Nagłówek\"\n"
      "2 Row 20+30\n2   RowText 0,0 \"4\"\n";
  EXPECT_EQ(generate().substr(0, expected.size()), expected);
  // The text is back on the page where it was and no carrier band is left behind: a second run
  // leaves the template as the first did.
  const std::string after_first = report.save_to_stream();
  generate();
  EXPECT_EQ(report.save_to_stream(), after_first);
}

TEST_F(Generation, RowsFillTheFirstColumnThenTheSecond) {
  load("columns", "select * from t where id <= 4 order by id");
  EXPECT_EQ(generate(),
            "1 Row 0+20\n1   RowText 0,0 \"1\"\n"
            "1 Row 20+20\n1   RowText 0,0 \"2\"\n"
            "1 Row 40+20\n1   RowText 0,0 \"3\"\n"
            "1 Row 0+20 @100\n1   RowText 0,0 \"4\"\n");
}

// A band of two columns 100 wide with a gap of 10: records go left to right, a new row below.
// Two rows fill a column (40 of the 45 units above the 15-unit column footer). Each column's
// footer follows its last row and sums that column, on the full page and on the last one.
TEST_F(Generation, ColumnFootersFollowTheirColumn) {
  load("column_footer", "select * from t where id <= 5 order by id");
  EXPECT_EQ(generate(),
            "1 Row 0+20\n1   RowText 0,0 \"1\"\n"
            "1 Row 20+20\n1   RowText 0,0 \"2\"\n"
            "1 ColFoot 40+15\n1   ColSum 0,0 \"s3\"\n"
            "1 Row 0+20 @100\n1   RowText 0,0 \"3\"\n"
            "1 Row 20+20 @100\n1   RowText 0,0 \"4\"\n"
            "1 ColFoot 40+15 @100\n1   ColSum 0,0 \"s7\"\n"
            "2 Row 0+20\n2   RowText 0,0 \"5\"\n"
            "2 ColFoot 20+15\n2   ColSum 0,0 \"s5\"\n");
}

TEST_F(Generation, BandColumnsGoLeftToRight) {
  load("columns", "select * from t where id <= 3 order by id");
  dynamic_cast<ReportPage&>(*report.find_object("Page1")).set_columns(0);
  auto& row = dynamic_cast<DataBand&>(band("Row"));
  row.columns = 2;
  row.column_width = 100;
  row.column_gap = 10;
  EXPECT_EQ(generate(),
            "1 Row 0+20\n1   RowText 0,0 \"1\"\n"
            "1 Row 0+20 @110\n1   RowText 0,0 \"2\"\n"
            "1 Row 20+20\n1   RowText 0,0 \"3\"\n");
}

TEST_F(Generation, SubreportPrintsBesideItsBandAndTheNextRowFollowsIt) {
  load("subreport", "select * from t where id <= 2 order by id");
  // Row at 0; the sub-report's lines from its Top (5) at Left 50; the next row below them (25).
  EXPECT_EQ(generate(),
            "1 Row 0+10\n1   RowText 0,0 \"1\"\n"
            "1 SubRow 5+10 @50\n1   SubText 0,0 \"S1\"\n"
            "1 SubRow 15+10 @50\n1   SubText 0,0 \"S2\"\n"
            "1 Row 25+10\n1   RowText 0,0 \"2\"\n"
            "1 SubRow 30+10 @50\n1   SubText 0,0 \"S1\"\n"
            "1 SubRow 40+10 @50\n1   SubText 0,0 \"S2\"\n");
}

// With PrintOnParent the sub-report's lines become objects of the row's band at the sub-report's
// place; the band grows to hold them (5 + 2 x 10) and the next row follows it.
TEST_F(Generation, SubreportPrintedOnItsParentBand) {
  load("subreport", "select * from t where id <= 2 order by id");
  dynamic_cast<Subreport&>(*report.find_object("Sub")).print_on_parent = true;
  const std::string expected =
      "1 Row 0+25\n1   RowText 0,0 \"1\"\n1    50,5 \"S1\"\n1    50,15 \"S2\"\n"
      "1 Row 25+25\n1   RowText 0,0 \"2\"\n1    50,5 \"S1\"\n1    50,15 \"S2\"\n";
  EXPECT_EQ(generate(), expected);
  // The copies and the growth were for the printing only: a second run makes the same pages
  // and leaves the template as the first did.
  const std::string after_first = report.save_to_stream();
  EXPECT_EQ(generate(), expected);
  EXPECT_EQ(report.save_to_stream(), after_first);
}

// ---- Progress and termination -----------------------------------------------------------------

// Counts the page notifications; stops the run at the page given.
struct PageCounter : ProgressListener {
  Report* report = nullptr;
  int steps = 0, stop_at = 0;
  void step(ProgressKind kind, const std::string&) override {
    if (kind != ProgressKind::Running) return;
    if (++steps == stop_at) report->terminated = true;
  }
};

TEST_F(Generation, OneProgressStepPerPageAndTerminationKeepsWhatWasMade) {
  load("list");
  PageCounter counter;
  counter.report = &report;
  report.progress = &counter;
  report.old_style_progress = true;  // generation progress is shown only then
  generate();
  EXPECT_EQ(counter.steps, 2);
  EXPECT_EQ(pages.count(), 2);

  // Stopped on page 1: no further record prints, the page is ended and kept.
  counter.steps = 0;
  counter.stop_at = 1;
  report.terminated = false;
  std::string dump = generate();
  EXPECT_EQ(pages.count(), 1);
  EXPECT_EQ(dump.find(" Row "), std::string::npos) << dump;
  EXPECT_NE(dump.find("1 Footer 180+20"), std::string::npos) << dump;
}

}  // namespace
}  // namespace orvena::report
