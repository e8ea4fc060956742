// The editor's window-free rules.
#include "editor/editor_rules.h"

#include <gtest/gtest.h>

namespace orvena::editor {
namespace {

TEST(MemoLines, ALineBreakAtTheEndStartsNoLine) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\n\n", {"a", ""}},
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      {"\n", {""}},
  };
  for (const auto& c : cases) EXPECT_EQ(memo_lines(c.text), c.lines) << c.text;
}

TEST(CheckBeforeSaving, BlankSqlLinesCountAsNoSql) {
  config::SzablonRaportu s{
      .raport = "r", .zapytanie = {" ", ""}, .nazwa_pliku = "f", .format_pliku = "csv", .wyslij_na = "ftp"};
  EXPECT_EQ(Sprawdz_Poprawnosc_Szablonu(s),
            std::string(kCheckHeading) + "\r - brak kodu SQL do wykonania szablonu (krytyczny!)");
  s.zapytanie = {"", "select 1"};
  EXPECT_EQ(Sprawdz_Poprawnosc_Szablonu(s), "");
}

}  // namespace
}  // namespace orvena::editor
