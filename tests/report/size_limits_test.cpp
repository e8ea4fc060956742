// What a template may ask of sizes: paper and bands no writer can make are refused before anything
// is generated, an endless page stops growing at the largest paper, and a text longer than one
// object may lay out is cut with a line naming the object.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/encoding.h"
#include "engine_support.h"
#include "report/pages.h"
#include "report/text/text_layout.h"
#include "report/views.h"

namespace orvena::report {
namespace {

using fixtures::Generation;

struct SizeCase {
  const char* name;
  std::function<void(ReportPage&, Band& row)> change;
  const char* error;  // empty: generation succeeds
};

// list.orp's page is 100 × 52.917 mm; its Row band is 30 units tall.
TEST_F(Generation, PaperAndBandsNoWriterCanMakeAreRefused) {
  const SizeCase cases[] = {
      {"no width", [](ReportPage& p, Band&) { p.set_paper_width(0); },
       "Strona Page1: rozmiar papieru 0 × 52,92 mm jest poza dozwolonym zakresem od 1,06 do 5080 mm"},
      // 10^7 mm gave a TIFF of 2.7 GB.
      {"ten kilometres", [](ReportPage& p, Band&) { p.set_paper_height(1e7); },
       "Strona Page1: rozmiar papieru 100 × 10000000 mm jest poza dozwolonym zakresem od 1,06 do 5080 mm"},
      {"negative", [](ReportPage& p, Band&) { p.set_paper_width(-5); },
       "Strona Page1: rozmiar papieru -5 × 52,92 mm jest poza dozwolonym zakresem od 1,06 do 5080 mm"},
      // PDF's largest page, 14,400 units of 1/72 inch, is allowed.
      {"largest paper", [](ReportPage& p, Band&) { p.set_paper_height(5080); }, ""},
      // 10^9 units gave a DOCX past 4 GiB.
      {"band of 10^9 units", [](ReportPage&, Band& b) { b.set_height(1e9); },
       "Wstęga Row jest za wysoka: 264583162,46 mm, najwyżej 5080 mm"},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    load("list");
    c.change(dynamic_cast<ReportPage&>(*report.find_object("Page1")), band("Row"));
    pages.clear();
    Engine engine(report, pages);
    bool ok = engine.run();
    if (*c.error) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(report.errors(), std::vector<std::string>{c.error});
      EXPECT_EQ(pages.count(), 0);
    } else {
      EXPECT_TRUE(ok);
      EXPECT_TRUE(report.errors().empty());
    }
  }
}

// Six rows of 4,000 units each on an endless page: the page would be 24,000 units (6.35 m) tall.
TEST_F(Generation, EndlessPageStopsAtTheLargestPaper) {
  load("list");
  auto& page = dynamic_cast<ReportPage&>(*report.find_object("Page1"));
  page.endless_height = true;
  band("Row").set_height(4000);
  Engine engine(report, pages);
  engine.run();
  EXPECT_EQ(report.errors(), std::vector<std::string>{
                                 "Strona Page1 urosła ponad największy dozwolony rozmiar papieru (5080 mm)"});
  EXPECT_TRUE(report.terminated);
}

// The memo's text as printed on the first page.
std::string printed_text(PreparedPages& pages, const std::string& name) {
  const Component* c = pages.page(0).find_object(name);
  return c ? dynamic_cast<const CustomMemoView&>(*c).text() : "(missing)";
}

// A text of 2 MiB in every row is cut to 1 MiB at a character boundary, and a notice names the
// object once (a 50 MB text took gigabytes to lay out); the run is no failure.
TEST_F(Generation, TextPastWhatOneObjectLaysOutIsCutAndNamed) {
  load("list", "select * from t where id <= 3 order by id");
  auto& memo = dynamic_cast<CustomMemoView&>(*report.find_object("RowText"));
  memo.set_text("a" + [] {
    std::string s;
    for (size_t i = 0; i < text::kMaxLayoutText; ++i) s += "ż";  // two bytes each: the cut falls inside one
    return s;
  }());
  Engine engine(report, pages);
  EXPECT_TRUE(engine.run());
  EXPECT_EQ(report.errors(), std::vector<std::string>{});
  EXPECT_EQ(report.notices(),
            std::vector<std::string>{"RowText: tekst jest dłuższy niż 1 MB i został obcięty"});
  ASSERT_GE(pages.count(), 1);
  std::string text = printed_text(pages, "RowText");
  EXPECT_EQ(text.size(), text::kMaxLayoutText - 1);
  EXPECT_TRUE(core::is_valid_utf8(text));
}

// Text growing by script after the object was filled is cut when it is measured.
TEST_F(Generation, TextGrownByAScriptIsCutWhenMeasured) {
  load("list", "select * from t where id <= 1 order by id");
  auto& memo = dynamic_cast<CustomMemoView&>(*report.find_object("RowText"));
  memo.stretch_mode = StretchMode::ActualHeight;
  memo.on_after_data = "Grow";
  report.script_text = {"procedure Grow(Sender: TrpComponent);",
                        "var s: String; i: Integer;",
                        "begin",
                        "  s := 'x';",
                        "  for i := 1 to 21 do s := s + s;",
                        "  RowText.Text := s;",
                        "end;",
                        "begin",
                        "end."};
  Engine engine(report, pages);
  EXPECT_TRUE(engine.run());
  EXPECT_EQ(report.errors(), std::vector<std::string>{});
  EXPECT_EQ(report.notices(),
            std::vector<std::string>{"RowText: tekst jest dłuższy niż 1 MB i został obcięty"});
}

}  // namespace
}  // namespace orvena::report
