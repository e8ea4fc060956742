// The demo home folder's "excel" and "excel-arkusze" definitions, run as cron runs them, give
// workbooks that readers which are not ours (openpyxl, LibreOffice, unzip, xmllint) open and
// that hold the query's rows: texts as texts, numbers as numbers.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/temp_dir.h"
#include "support/orvena_program.h"

namespace orvena::app {
namespace {

using test::run_command;
using test::shell_quoted;

// The demo's query of both definitions, so that the expected rows come from the database itself.
const char* kQuery =
    "select h.region, h.imie_nazwisko as handlowiec, count(*) as transakcje, sum(s.ilosc) as sztuk, "
    "round(sum(s.kwota), 2) as obrot from sprzedaz s join handlowcy h on h.id = s.handlowiec_id "
    "group by h.region, h.imie_nazwisko order by obrot desc";

// Reads the rows of five values whose third is a number from every sheet, and compares them with
// the query's rows; prints the sheet names and whether the title is a merged range.
const char* kOpenpyxlCheck = R"PY(import sys, sqlite3, openpyxl
book, db, query = sys.argv[1:4]
expected = sqlite3.connect(db).execute(query).fetchall()
wb = openpyxl.load_workbook(book)
found, title_merged = [], False
for ws in wb:
    for row in ws.iter_rows():
        cells = [c for c in row if c.value is not None and type(c).__name__ == "Cell"]
        values = [c.value for c in cells]
        if "Obroty handlowców" in values:
            title = cells[values.index("Obroty handlowców")].coordinate
            title_merged = title_merged or any(title in r for r in ws.merged_cells.ranges)
        if len(values) == 5 and isinstance(values[2], (int, float)):
            found.append(values)
def same(a, b):
    return all(x == y if isinstance(y, str) else isinstance(x, (int, float)) and abs(x - y) < 1e-9
               for x, y in zip(a, b))
print(wb.sheetnames, title_merged)
print("rows", len(found), len(expected), len(found) == len(expected) and all(map(same, found, expected)))
if not all(map(same, found, expected)): print(found, expected)
)PY";

// LibreOffice's CSV of every sheet (values, not their shown text) holds the same rows.
const char* kLibreOfficeCheck = R"PY(import sys, sqlite3, csv, glob
folder, db, query = sys.argv[1:4]
expected = sqlite3.connect(db).execute(query).fetchall()
found = []
for f in sorted(glob.glob(folder + "/*.csv"), key=lambda n: (len(n), n)):
    for row in csv.reader(open(f, encoding="utf-8")):
        row = [v for v in row if v != ""]
        if len(row) == 5:
            try: found.append(row[:2] + [float(v) for v in row[2:]])
            except ValueError: pass
ok = len(found) == len(expected) and all(
    f[:2] == list(e[:2]) and all(abs(a - b) < 1e-9 for a, b in zip(f[2:], e[2:])) for f, e in zip(found, expected))
print("rows", len(found), ok)
if not ok: print(found, expected)
)PY";

class DemoWorkbooks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = std::make_unique<core::TempDir>();
    s_home = s_dir->path() / "demo";
    s_run = test::run_demo_copy(s_home);
  }
  static void TearDownTestSuite() { s_dir.reset(); }

  // The workbook whose name starts so; the rest is the date of the run, " 2026-12-10 .xlsx" (the
  // date variable brings its blanks with it).
  static std::filesystem::path workbook(const std::string& prefix) {
    for (const auto& e : std::filesystem::directory_iterator(s_home / "Tymczasowe")) {
      std::string name = e.path().filename().string();
      if (name.rfind(prefix, 0) == 0 && name.size() == prefix.size() + 17 && e.path().extension() == ".xlsx")
        return e.path();
    }
    return {};
  }

  static std::string python(const char* script, const std::string& args) {
    std::filesystem::path file = s_dir->path() / "check.py";
    FILE* f = std::fopen(file.c_str(), "w");
    std::fputs(script, f);
    std::fclose(f);
    auto r = run_command("/usr/bin/python3 " + shell_quoted(file) + " " + args);
    EXPECT_EQ(r.status, 0) << r.output;
    return r.output;
  }

  static std::string db() { return shell_quoted(s_home / "Dane" / "demo.db"); }

  static inline std::unique_ptr<core::TempDir> s_dir;
  static inline std::filesystem::path s_home;
  static inline test::CommandResult s_run;
};

struct Book {
  const char* prefix;  // the definition's nazwa_pliku before the date
  const char* sheets;  // what openpyxl lists
};
// The demo's six salespeople fit on one page, so "excel-arkusze" has one sheet as well.
const Book kBooks[] = {{"obroty_", "['Page 1'] True\n"}, {"obroty_arkusze_", "['Page 1'] True\n"}};

TEST_F(DemoWorkbooks, OpenpyxlReadsTheQueryRowsWithNumbersAsNumbers) {
  ASSERT_NE(s_run.status, 1) << s_run.output;
  for (const Book& b : kBooks) {
    auto file = workbook(b.prefix);
    ASSERT_FALSE(file.empty()) << b.prefix;
    EXPECT_EQ(python(kOpenpyxlCheck, shell_quoted(file) + " " + db() + " \"" + kQuery + "\""),
              std::string(b.sheets) + "rows 6 6 True\n")
        << b.prefix;
  }
}

TEST_F(DemoWorkbooks, ArchivesAreCleanAndEveryPartIsWellFormed) {
  for (const Book& b : kBooks) {
    auto file = workbook(b.prefix);
    ASSERT_FALSE(file.empty()) << b.prefix;
    auto tested = run_command("unzip -t " + shell_quoted(file));
    EXPECT_EQ(tested.status, 0) << tested.output;
    auto parts = s_dir->path() / (std::string("parts_") + b.prefix);
    ASSERT_EQ(run_command("unzip -q -o " + shell_quoted(file) + " -d " + shell_quoted(parts)).status, 0);
    int xml_parts = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(parts)) {
      std::string ext = e.path().extension().string();
      // "_rels/.rels" has no extension: the whole name is one.
      if (ext != ".xml" && ext != ".rels" && e.path().filename() != ".rels") continue;
      ++xml_parts;
      auto lint = run_command("xmllint --noout " + shell_quoted(e.path()));
      EXPECT_EQ(lint.status, 0) << e.path() << lint.output;
    }
    // Content types, two relationship parts, workbook, styles, strings, core properties, a sheet.
    EXPECT_GE(xml_parts, 8) << b.prefix;
  }
}

TEST_F(DemoWorkbooks, LibreOfficeShowsTheSameValues) {
  if (run_command("command -v soffice").status != 0)
    GTEST_SKIP() << "LibreOffice (soffice) is not installed; scripts/install-test-deps.sh installs it";
  for (const Book& b : kBooks) {
    auto file = workbook(b.prefix);
    ASSERT_FALSE(file.empty()) << b.prefix;
    auto out = s_dir->path() / (std::string("csv_") + b.prefix);
    std::filesystem::create_directories(out);
    // Every sheet (-1) to its own file, as UTF-8 (76), cell values rather than their shown text.
    auto converted = run_command("soffice -env:UserInstallation=file://" + (s_dir->path() / "lo").string() +
                                 " --headless --convert-to 'csv:Text - txt - csv "
                                 "(StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' "
                                 "--outdir " +
                                 shell_quoted(out) + " " + shell_quoted(file));
    ASSERT_EQ(converted.status, 0) << converted.output;
    EXPECT_EQ(python(kLibreOfficeCheck, shell_quoted(out) + " " + db() + " \"" + kQuery + "\""),
              "rows 6 True\n")
        << b.prefix << converted.output;
  }
}

}  // namespace
}  // namespace orvena::app
