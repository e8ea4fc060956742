// The demo home folder's grouped PDF report, run as cron runs it and read back by poppler and
// qpdf: every row, every group total and the grand total as the database computes them, in
// their order, "Strona N z M" with the real page count, fonts embedded as subsets a reader can
// copy text from.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "core/temp_dir.h"
#include "support/orvena_program.h"

namespace orvena::app {
namespace {

using test::run_command;
using test::shell_quoted;

// The definition's query, the expected totals summed here rather than taken from our output,
// and the page text compared line by line (runs of blanks between columns made one).
// Money is "#,##0.00" with a space between thousands and a decimal comma. Prints "OK" or what
// is missing or out of place.
const char* kCheck = R"PY(import sys, sqlite3, subprocess, re
pdf, db = sys.argv[1:3]
query = """select p.kategoria, p.nazwa as produkt, h.region, count(*) as transakcje, sum(s.ilosc) as sztuk,
       round(sum(s.kwota), 2) as kwota
from sprzedaz s join produkty p on p.id = s.produkt_id join handlowcy h on h.id = s.handlowiec_id
group by p.kategoria, p.nazwa, h.region order by p.kategoria, p.nazwa, h.region"""
rows = sqlite3.connect(db).execute(query).fetchall()
text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True, check=True).stdout
pages = [p for p in text.split("\f") if p.strip()]
lines = [re.sub(r"\s+", " ", l).strip() for l in text.splitlines()]
problems = []
def money(v):
    return f"{v:,.2f}".replace(",", " ").replace(".", ",")
def where(line):
    found = [i for i, l in enumerate(lines) if l == line]
    if len(found) != 1: problems.append(f"{len(found)} times: {line!r}")
    return found[0] if found else -1
last = -1
def after(i, line):
    global last
    if i >= 0 and i < last: problems.append(f"out of order: {line!r}")
    last = max(last, i)
categories = []
for r in rows:
    if not categories or categories[-1][0] != r[0]: categories.append((r[0], []))
    categories[-1][1].append(r)
for name, group in categories:
    header = f"Kategoria: {name}"
    if header not in lines: problems.append(f"no header: {header!r}")
    for _, produkt, region, transakcje, sztuk, kwota in group:
        line = f"{produkt} {region} {transakcje} {sztuk} {money(kwota)}"
        after(where(line), line)
    total = (f"Razem {name}, pozycji: {len(group)} {sum(r[3] for r in group)} "
             f"{sum(r[4] for r in group)} {money(sum(r[5] for r in group))}")
    after(where(total), total)
grand = (f"Ogółem, pozycji: {len(rows)} {sum(r[3] for r in rows)} {sum(r[4] for r in rows)} "
         f"{money(sum(r[5] for r in rows))}")
after(where(grand), grand)
for n, page in enumerate(pages, 1):
    if f"Strona {n} z {len(pages)}" not in re.sub(r"\s+", " ", page): problems.append(f"page {n} has no number")
if len(pages) < 2: problems.append(f"{len(pages)} page(s): the groups should cross pages")
print("\n".join(problems) or "OK")
)PY";

class DemoPdf : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = std::make_unique<core::TempDir>();
    s_home = s_dir->path() / "demo";
    s_run = test::run_demo_copy(s_home);
    // The date variable brings its blanks with it: "kategorie_ 2026-12-10 .pdf".
    for (const auto& e : std::filesystem::directory_iterator(s_home / "Tymczasowe"))
      if (e.path().filename().string().rfind("kategorie_", 0) == 0) s_pdf = e.path();
  }
  static void TearDownTestSuite() { s_dir.reset(); }

  static inline std::unique_ptr<core::TempDir> s_dir;
  static inline std::filesystem::path s_home, s_pdf;
  static inline test::CommandResult s_run;
};

TEST_F(DemoPdf, EveryRowAndEveryTotalIsPrintedInItsGroup) {
  ASSERT_NE(s_run.status, 1) << s_run.output;
  ASSERT_FALSE(s_pdf.empty()) << "no kategorie_*.pdf in Tymczasowe";
  auto script = s_dir->path() / "check.py";
  FILE* f = std::fopen(script.c_str(), "w");
  std::fputs(kCheck, f);
  std::fclose(f);
  auto r = run_command("/usr/bin/python3 " + shell_quoted(script) + " " + shell_quoted(s_pdf) + " " +
                       shell_quoted(s_home / "Dane" / "demo.db"));
  EXPECT_EQ(r.output, "OK\n");
}

TEST_F(DemoPdf, QpdfFindsNoFault) {
  ASSERT_FALSE(s_pdf.empty());
  auto r = run_command("qpdf --check " + shell_quoted(s_pdf));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("No syntax or stream encoding errors found"), std::string::npos) << r.output;
}

// Each font line of pdffonts: a subset name ("ABCDEF+…"), and "yes" for embedded, subset and
// ToUnicode; regular, bold and italic Arial (as Liberation Sans) are all used.
TEST_F(DemoPdf, FontsAreEmbeddedSubsetsWithUnicodeMaps) {
  ASSERT_FALSE(s_pdf.empty());
  auto r = run_command("pdffonts " + shell_quoted(s_pdf), test::Streams::OutputOnly);
  ASSERT_EQ(r.status, 0) << r.output;
  std::istringstream lines(r.output);
  std::string line;
  int fonts = 0;
  for (int skip = 0; skip < 2 && std::getline(lines, line); ++skip) {
  }
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    ++fonts;
    std::istringstream words(line);
    std::string name, word, last[5];
    words >> name;
    while (words >> word) {
      for (int i = 0; i < 4; ++i) last[i] = last[i + 1];
      last[4] = word;
    }
    // The columns end "emb sub uni object ID": object and generation are the last two.
    EXPECT_EQ(name.find('+'), 6u) << line;
    EXPECT_EQ(last[0] + last[1] + last[2], "yesyesyes") << line;
  }
  EXPECT_GE(fonts, 3) << r.output;
}

}  // namespace
}  // namespace orvena::app
