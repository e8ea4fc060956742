// Every report format through the session's engine, as a run makes it: the file is of the kind
// its name promises, with the run's settings of its writer. A writer table whose rows pointed at
// another format's writer or settings fails here; one missing a row does not build.
#include "app/format_writers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/report_engine.h"
#include "app/session.h"
#include "export/filter.h"
#include "support/test_home.h"

namespace orvena::app {
namespace {

namespace fs = std::filesystem;
using runner::ReportFormat;

std::string bytes_of(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(FormatWriters, EachFormatWritesItsOwnKindOfFile) {
  test::TestHome home;
  // Eleven rows: the list template's three pages, so that the sheet split shows.
  std::string rows;
  for (int i = 1; i <= 11; ++i)
    rows +=
        std::string(i > 1 ? "," : "") + "(" + std::to_string(i) + ", 'Łódź " + std::to_string(i) + "', 1)";
  home.sql("create table t (id integer, nazwa text, kwota decimal(10,2)); insert into t values " + rows +
           ";");
  fs::copy_file(fs::path(ORVENA_FIXTURES) / "engine" / "list.orp", home.home().templates() / "list.orp");
  core::FixedClock clock{core::encode_date(2026, 12, 10)};
  Session session(home.home(), clock);
  session.start_up();
  session.connect();
  EngineReportProducer producer(&session.main_window_components());

  // Parts of a ZIP package show by their names in its local headers.
  struct Case {
    ReportFormat format;
    std::string_view starts;
    std::vector<std::string_view> holds, lacks;
  } cases[] = {
      // --render's "csv": the report's cells in Windows-1250, not the query's rows.
      {ReportFormat::QueryDump, "", {"Lista", "\xa3\xf3\x64\x9f 1"}, {"Łódź", "PK"}},
      {ReportFormat::Excel,
       "PK\x03\x04",
       {"xl/workbook.xml", "xl/worksheets/sheet1.xml"},
       {"xl/worksheets/sheet2.xml"}},
      {ReportFormat::ExcelSheets, "PK\x03\x04", {"xl/workbook.xml", "xl/worksheets/sheet3.xml"}, {}},
      {ReportFormat::Html, "<", {"Łódź 11"}, {}},
      {ReportFormat::Pdf, "%PDF-", {"%%EOF"}, {}},
      {ReportFormat::Tiff, "II*", {}, {}},
      {ReportFormat::Word, "PK\x03\x04", {"word/document.xml"}, {"xl/"}},
  };
  ASSERT_EQ(std::size(cases), runner::kReportFormatCount) << "a format without its case here";
  for (const Case& c : cases) {
    const runner::ReportFormatInfo& info = runner::report_format(c.format);
    SCOPED_TRACE(std::string(info.name));
    const fs::path out = home.home().temporary() / ("raport." + std::string(info.extension));
    session.dataset().close();
    session.dataset().set_command_text("select id, nazwa, kwota from t order by id");
    session.dataset().open();
    producer.produce({c.format, out, home.home().templates() / "list.orp"}, session.dataset());
    const std::string file = bytes_of(out);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file.substr(0, c.starts.size()), c.starts);
    for (std::string_view part : c.holds) EXPECT_NE(file.find(part), std::string::npos) << part;
    for (std::string_view part : c.lacks) EXPECT_EQ(file.find(part), std::string::npos) << part;
  }
}

// The preview's export menu: one writer of each kind, whatever number of formats share it.
TEST(FormatWriters, TheMenuOffersEachWriterOnce) {
  exporting::FilterRegistry registry;
  add_menu_writers(registry);
  EXPECT_EQ(registry.menu_captions(),
            (std::vector<std::string>{"Plik CSV...", "Microsoft Excel 2007 XML...", "HTML dokument...",
                                      "PDF dokument...", "TIFF obraz...", "Microsoft Word 2007 XML..."}));
}

}  // namespace
}  // namespace orvena::app
