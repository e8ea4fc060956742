// The CSV writer over the layout matrix: one line per row of cells, an empty field for every
// further cell an object covers, quoting with doubled quotes, the code page options, and a
// file read back by Python's csv module into the same fields.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/temp_dir.h"
#include "export/csv_export.h"
#include "export/printed_band.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"
#include "support/run_command.h"

namespace orvena::exporting {
namespace {

TEST(CsvField, QuotesDoublesAndDropsControlBytesAsAsked) {
  const CsvFieldOptions plain{}, forced{.forced_quotes = true}, keep{.no_sys_symbols = false};
  struct Row {
    const char* name;
    std::string text;
    CsvFieldOptions options;
    std::string field;
  } rows[] = {
      {"plain text", "abc", plain, "abc;"},
      {"the final line break goes", "abc\r\n", plain, "abc;"},
      {"two lines become one", "ab\r\ncd\r\n", plain, "abcd;"},
      {"line break kept inside quotes", "ab\r\ncd\r\n", keep, "\"ab\r\ncd\";"},
      {"separator quoted", "a;b", plain, "\"a;b\";"},
      {"quote doubled", "5\" dysk", plain, "\"5\"\" dysk\";"},
      {"empty is just the separator", "", plain, ";"},
      {"empty stays unquoted when forced", "\r\n", forced, ";"},
      {"forced quotes", "abc", forced, "\"abc\";"},
      {"forced and doubled", "a\"b", forced, "\"a\"\"b\";"},
      {"a lone CR LF is an empty field", "\r\n", keep, ";"},
      // Bytes above 127 (Polish letters in Windows-1250) never cause quoting.
      {"8-bit letters", "\xB9\xE6\xEA", plain, "\xB9\xE6\xEA;"},
      {"tab dropped", "a\tb", plain, "ab;"},
  };
  for (const Row& r : rows) EXPECT_EQ(csv_field(r.text, ";", r.options), r.field) << r.name;
  EXPECT_EQ(csv_field("a,b", ",", {}), "\"a,b\",");
  EXPECT_EQ(csv_field("a;b", ",", {}), "a;b,");
}

// One page type with a band of text objects, printed on some pages and exported through the
// walk as the runner and the preview do.
class CsvExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    report.engine_options.set_silent_mode(true);
    page = report.add_new<report::ReportPage>();
    page->set_name("Page1");
    band = page->add_new<report::MasterData>();
    band->set_name("Rows");
    band->set_height(300);
  }

  report::MemoView* memo(double left, double top, double width, double height, const std::string& text) {
    auto* m = band->add_new<report::MemoView>();
    m->create_unique_name();
    m->set_bounds(left, top, width, height);
    m->set_text(text);
    return m;
  }

  void print(int pages) { orvena::test::print_band_pages(store, *page, *band, pages); }

  // The export into a string, with the options set by `setup`.
  std::string csv(const std::function<void(CsvExport&)>& setup = {}) {
    std::ostringstream out;
    CsvExport f;
    f.show_dialog = false;
    f.stream = &out;
    if (setup) setup(f);
    EXPECT_TRUE(export_report(report, store, f)) << (report.errors().empty() ? "" : report.errors()[0]);
    return out.str();
  }

  report::Report report;
  report::ReportPage* page;
  report::MasterData* band;
  report::PreparedPages store{report};
};

TEST_F(CsvExportTest, ObjectsSpanningCellsKeepTheColumnsAfterThemInPlace) {
  // Columns at 0, 100, 200, 300, 400; the wide memo covers three columns and two rows.
  memo(0, 0, 300, 40, "szeroki");
  memo(300, 0, 100, 20, "a");
  memo(300, 20, 100, 20, "b");
  memo(0, 40, 100, 20, "c");
  memo(200, 40, 100, 20, "d");
  memo(0, 80, 100, 20, "e");  // an empty row of cells above it
  print(1);
  EXPECT_EQ(csv(),
            "szeroki;;;a\r\n"
            ";;;b\r\n"
            "c;d\r\n"  // the cell between them has no object and gives no field
            "\r\n"
            "e\r\n");
}

TEST_F(CsvExportTest, EveryPageHasItsOwnGridAndItsLinesFollowThePreviousPage) {
  memo(0, 0, 100, 20, "x");
  memo(100, 0, 50, 20, "y");
  print(3);
  EXPECT_EQ(csv(), "x;y\r\nx;y\r\nx;y\r\n");
  // Only the pages asked for.
  EXPECT_EQ(csv([](CsvExport& f) { f.page_numbers = "2"; }), "x;y\r\n");
}

TEST_F(CsvExportTest, OptionsChangeSeparatorQuotingAndEncoding) {
  memo(0, 0, 100, 20, "Łódź");
  memo(100, 0, 100, 20, "a,b");
  memo(200, 0, 100, 40, "dwa\r\nwiersze");  // its second row is one separator, dropped at the end
  memo(300, 0, 100, 20, "");
  print(1);
  struct Row {
    const char* name;
    std::function<void(CsvExport&)> setup;
    std::string expected;
  } rows[] = {
      // Windows-1250: Ł A3, ó F3, d, ź 9F.
      {"defaults",
       {},
       "\xA3\xF3"
       "d\x9F;a,b;dwawiersze;\r\n\r\n"},
      {"comma separator", [](CsvExport& f) { f.separator = ","; },
       "\xA3\xF3"
       "d\x9F,\"a,b\",dwawiersze,\r\n\r\n"},
      {"empty separator is the list separator", [](CsvExport& f) { f.separator = ""; },
       "\xA3\xF3"
       "d\x9F;a,b;dwawiersze;\r\n\r\n"},
      {"line breaks kept", [](CsvExport& f) { f.no_sys_symbols = false; },
       "\xA3\xF3"
       "d\x9F;a,b;\"dwa\r\nwiersze\";\r\n\r\n"},
      {"forced quotes", [](CsvExport& f) { f.forced_quotes = true; },
       "\"\xA3\xF3"
       "d\x9F\";\"a,b\";\"dwawiersze\";\r\n\r\n"},
      // Code page 852: Ł 9D, ó A2, ź AB.
      {"OEM code page", [](CsvExport& f) { f.oem_codepage = true; },
       "\x9D\xA2"
       "d\xAB;a,b;dwawiersze;\r\n\r\n"},
      {"UTF-8 without byte-order mark", [](CsvExport& f) { f.utf8 = true; }, "Łódź;a,b;dwawiersze;\r\n\r\n"},
  };
  for (const Row& r : rows) EXPECT_EQ(csv(r.setup), r.expected) << r.name;
}

TEST_F(CsvExportTest, WrappedTextKeepsTheSpacesBetweenItsWords) {
  memo(0, 0, 60, 60, "jeden dwa trzy");
  print(1);
  EXPECT_EQ(csv(), "jeden dwa trzy\r\n");
}

TEST_F(CsvExportTest, ValuesWithQuotesSeparatorsAndLineBreaksReadBackIntoTheSameFields) {
  const std::vector<std::string> values = {"zwykły", "5\" dysk; \"nowy\"", "pierwszy\r\ndrugi", ";", "\"\""};
  for (size_t i = 0; i < values.size(); ++i) memo(100.0 * double(i), 0, 100, 20, values[i]);
  print(1);
  core::TempDir dir;
  auto file = dir.path() / "raport.csv";
  CsvExport f;
  f.show_dialog = false;
  f.file_name = file;
  f.no_sys_symbols = false;
  ASSERT_TRUE(export_report(report, store, f));
  ASSERT_FALSE(std::filesystem::exists(file.string() + ".part"));

  auto r = test::run_command(
      "/usr/bin/python3 -c \"import csv,json,sys; "
      "print(json.dumps(list(csv.reader(open(sys.argv[1], encoding='cp1250', newline=''), "
      "delimiter=';'))))\" " +
      file.string());
  ASSERT_EQ(r.status, 0) << r.output;
  // The text object's lines are joined by CR LF; the last line's break is not part of the value.
  EXPECT_EQ(
      r.output,
      "[[\"zwyk\\u0142y\", \"5\\\" dysk; \\\"nowy\\\"\", \"pierwszy\\r\\ndrugi\", \";\", \"\\\"\\\"\"]]\n");
}

TEST_F(CsvExportTest, AnUnwritableTargetIsAnErrorAndLeavesNoFile) {
  memo(0, 0, 100, 20, "x");
  print(1);
  core::TempDir dir;
  for (auto file : {dir.path() / "brak" / "raport.csv", dir.path()}) {
    report.clear_errors();
    CsvExport f;
    f.show_dialog = false;
    f.file_name = file;
    EXPECT_FALSE(export_report(report, store, f)) << file;
    ASSERT_FALSE(report.errors().empty());
    EXPECT_NE(report.errors()[0].find("Nie można utworzyć pliku"), std::string::npos) << report.errors()[0];
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".part"));
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "brak"));
}

TEST(CsvExportFilter, OffersItselfAsCsvFile) {
  FilterRegistry registry;
  ExportFilter& csv = registry.add(std::make_unique<CsvExport>());
  EXPECT_EQ(registry.menu_captions(), std::vector<std::string>{"Plik CSV..."});
  EXPECT_EQ(csv.default_ext, ".csv");
}

}  // namespace
}  // namespace orvena::exporting
