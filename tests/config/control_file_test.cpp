#include "config/control_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/line_file.h"
#include "core/temp_dir.h"

namespace orvena::config {
namespace {

using Lines = std::vector<std::string>;
const std::string kSep = "//" + std::string(94, '=');

TEST(BlockLayout, LinesInFileOrderTrimmedWithSeparator) {
  SzablonRaportu s;
  s.raport = "  Sprzedaż  ";
  s.dni_raportu = "1010100";
  s.daty = {"01-15", " 07-01 "};
  s.zapytanie = {"  select *", "from t  "};
  s.wyslij_jesli_pusty = "nie";
  s.nazwa_pliku = "sprzedaz_[<data>].pdf";
  s.format_pliku = "pdf";
  s.wyslij_na = "e-mail";
  s.temat_email = "Sprzedaż [<data-1>]";
  s.adresaci = {"a@x.pl"};
  // Empty fields are written as bare keys; nothing is substituted.
  const Lines expected = {"[raport_start]",
                          "[raport]=Sprzedaż",
                          "[dni_raportu]=1010100",
                          "[daty_start]",
                          "01-15",
                          "07-01",
                          "[daty_end]",
                          "[zapytanie_start]",
                          "select *",
                          "from t",
                          "[zapytanie_end]",
                          "[wyslij_jesli_pusty]=nie",
                          "[nazwa_pliku]=sprzedaz_[<data>].pdf",
                          "[szablon_raportu]=",
                          "[format_pliku]=pdf",
                          "[wyslij_na]=e-mail",
                          "[adres_ftp]=",
                          "[folder_ftp]=",
                          "[user_ftp]=",
                          "[pass_ftp]=",
                          "[temat_email]=Sprzedaż [<data-1>]",
                          "[adresaci_start]",
                          "a@x.pl",
                          "[adresaci_end]",
                          "[raport_end]",
                          kSep};
  EXPECT_EQ(block_lines(s), expected);
  EXPECT_EQ(kSep.size(), 96u);
  EXPECT_EQ(kSep.find_first_not_of('=', 2), std::string::npos);
}

struct CompactCase {
  const char* name;
  Lines in;
  Lines out;
};

class Compaction : public ::testing::TestWithParam<CompactCase> {};

TEST_P(Compaction, DropsBlankAndRepeatedLines) {
  EXPECT_EQ(compact_lines(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Compaction,
    ::testing::Values(CompactCase{"blank_lines", {"", "a", "", " \t ", "b", ""}, {"a", "b"}},
                      CompactCase{"runs_collapse", {"x", "x", "x", "y", "x"}, {"x", "y", "x"}},
                      CompactCase{"lines_trimmed", {"  a  ", "\tb"}, {"a", "b"}},
                      // Lines are compared as they stood, before trimming.
                      CompactCase{"compared_untrimmed", {"a", " a", "a "}, {"a", "a", "a"}},
                      // A blank line between two equal lines keeps both: they meet only in the next pass.
                      CompactCase{"equal_lines_around_blank", {kSep, "", kSep}, {kSep, kSep}},
                      CompactCase{"second_pass_collapses", {kSep, kSep}, {kSep}},
                      CompactCase{"repeated_sql_line_lost",
                                  {"[zapytanie_start]", "union all", "union all", "[zapytanie_end]"},
                                  {"[zapytanie_start]", "union all", "[zapytanie_end]"}},
                      CompactCase{"empty", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BlockNames, NextLineWithoutNineCharacters) {
  // Only an exact "[raport_start]" counts; the name is not trimmed; a start on the last line
  // has no name line.
  const Lines image = {"[raport_start]", "[raport]= A ", " [raport_start]", "[raport]=B",
                       "[RAPORT_START]", "[raport]=C",   "[raport_start]",  "abc",
                       "[raport_start]"};
  EXPECT_EQ(block_names(image), (Lines{" A ", ""}));
}

// ---- the editor's reader ----

Lines block(const std::string& name, const Lines& body) {
  Lines out = {"[raport_start]", "[raport]=" + name};
  out.insert(out.end(), body.begin(), body.end());
  out.push_back("[raport_end]");
  out.push_back(kSep);
  return out;
}

Lines concat(std::initializer_list<Lines> parts) {
  Lines out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(EditorReader, ReadsEditorWrittenBlock) {
  SzablonRaportu s;
  s.raport = "Raport A";
  s.dni_raportu = "0000011";
  s.daty = {"03-31"};
  s.zapytanie = {"select *", "from t where d = '[<data>]'"};
  s.wyslij_jesli_pusty = "nie";
  s.nazwa_pliku = "a_[<data>].csv";
  s.szablon_raportu = "a.orp";
  s.format_pliku = "csv";
  s.wyslij_na = "ftp/e-mail";
  s.adres_ftp = "127.0.0.1";
  s.folder_ftp = "/r";
  s.user_ftp = "u";
  s.pass_ftp = "p";
  s.temat_email = "Temat [<data-1>]";
  s.adresaci = {"a@x.pl", "b@x.pl"};
  const Lines image = concat({block("Inny", {"[format_pliku]=html"}), block_lines(s)});
  SzablonRaportu got;
  EXPECT_EQ(read_block(image, "Raport A", got), 1);
  EXPECT_EQ(got, s);  // no date substitution in the editor
}

TEST(EditorReader, NameMustMatchExactly) {
  const Lines image = block("  Raport A ", {"[format_pliku]=pdf"});
  for (const char* other : {"Raport", "raport a", "Raport A ", "A"}) {
    SzablonRaportu got;
    EXPECT_EQ(read_block(image, other, got), 0) << other;
    EXPECT_EQ(got, SzablonRaportu{}) << other;
  }
  SzablonRaportu got;
  EXPECT_EQ(read_block(image, "Raport A", got), 1);
  EXPECT_EQ(got.format_pliku, "pdf");
}

TEST(EditorReader, KeysOnlyInTheirOwnCaseAndFromLineStart) {
  // What the runner reads happily the editor misses or garbles.
  const Lines image =
      block("A", {"[NAZWA_PLIKU]=x.pdf", "  [format_pliku]=pdf", "[Wyslij_Na]=ftp", "[temat_email]=T"});
  SzablonRaportu got;
  got.nazwa_pliku = "before.pdf";
  got.wyslij_na = "e-mail";
  ASSERT_EQ(read_block(image, "A", got), 1);
  EXPECT_EQ(got.nazwa_pliku, "before.pdf");
  EXPECT_EQ(got.wyslij_na, "e-mail");
  EXPECT_EQ(got.format_pliku, "]=pdf");  // the key's length taken from the indented line
  EXPECT_EQ(got.temat_email, "T");
}

TEST(EditorReader, MissingKeysLeaveFieldsAndEmptyRuleIsTak) {
  const Lines image = block("A", {"[format_pliku]=csv"});
  SzablonRaportu got;
  got.szablon_raportu = "shown.orp";
  got.zapytanie = {"shown sql"};
  got.wyslij_jesli_pusty = "nie";
  ASSERT_EQ(read_block(image, "A", got), 1);
  EXPECT_EQ(got.szablon_raportu, "shown.orp");
  EXPECT_EQ(got.zapytanie, Lines{"shown sql"});  // no SQL section: the list stays
  EXPECT_EQ(got.wyslij_jesli_pusty, "tak");
}

TEST(EditorReader, EmptySqlSectionAndUntouchedLines) {
  const Lines image = block("A", {"[zapytanie_start]", "[zapytanie_end]", "[format_pliku]=pdf",
                                  "[adresaci_start]", "  b@x.pl  ", "[adresaci_end]"});
  SzablonRaportu got;
  got.zapytanie = {"old"};
  ASSERT_EQ(read_block(image, "A", got), 1);
  EXPECT_TRUE(got.zapytanie.empty());
  EXPECT_EQ(got.format_pliku, "pdf");
  EXPECT_EQ(got.adresaci, Lines{"  b@x.pl  "});  // list lines as they stand
}

TEST(EditorReader, SameNamedBlocksMergeLaterWins) {
  const Lines image =
      concat({block("A", {"[format_pliku]=csv", "[wyslij_jesli_pusty]=nie", "[adresaci_start]", "a@x.pl",
                          "[adresaci_end]", "[daty_start]", "01-01", "[daty_end]"}),
              block("B", {"[format_pliku]=html"}),
              block("A", {"[format_pliku]=pdf", "[daty_start]", "[daty_end]"})});
  SzablonRaportu got;
  ASSERT_EQ(read_block(image, "A", got), 2);
  EXPECT_EQ(got.format_pliku, "pdf");
  EXPECT_EQ(got.adresaci, Lines{"a@x.pl"});  // the second block has no recipients section
  EXPECT_TRUE(got.daty.empty());             // ... but an empty month-day section
  EXPECT_EQ(got.wyslij_jesli_pusty, "tak");  // each block starts from "tak"
}

TEST(EditorReader, SectionLinesAreScannedForKeysToo) {
  const Lines image = block("A", {"[zapytanie_start]", "select '[temat_email]=x'", "[zapytanie_end]"});
  SzablonRaportu got;
  ASSERT_EQ(read_block(image, "A", got), 1);
  EXPECT_EQ(got.zapytanie, Lines{"select '[temat_email]=x'"});
  EXPECT_EQ(got.temat_email, "_email]=x'");
}

TEST(EditorReader, BlockWithoutEndRunsIntoTheNext) {
  // Without its end line the scan goes on to the next block's end; the later values win.
  Lines image = {"[raport_start]", "[raport]=A", "[wyslij_jesli_pusty]=nie", "[format_pliku]=csv",
                 "[raport_start]", "[raport]=A", "[nazwa_pliku]=x",          "[raport_end]",
                 "[raport_start]", "[raport]=B", "[format_pliku]=pdf"};
  SzablonRaportu got;
  ASSERT_EQ(read_block(image, "A", got), 2);
  EXPECT_EQ(got.format_pliku, "csv");
  EXPECT_EQ(got.nazwa_pliku, "x");
  // The second block of that name started inside the first one's scan and reset the rule.
  EXPECT_EQ(got.wyslij_jesli_pusty, "tak");

  // At the end of the image the scan simply stops.
  SzablonRaportu b;
  ASSERT_EQ(read_block(image, "B", b), 1);
  EXPECT_EQ(b.format_pliku, "pdf");
}

TEST(EditorReader, UnclosedSectionRunsToEndOfImage) {
  Lines image = {"[raport_start]", "[raport]=A", "[adresaci_start]", "a@x.pl", "[raport_end]", kSep};
  SzablonRaportu got;
  ASSERT_EQ(read_block(image, "A", got), 1);
  EXPECT_EQ(got.adresaci, (Lines{"a@x.pl", "[raport_end]", kSep}));
}

// ---- deleting ----

TEST(Deleting, BlanksEveryBlockOfTheNameKeepsSeparators) {
  Lines image = concat({block("A", {"[format_pliku]=csv"}), block("B", {}), block("A", {})});
  EXPECT_EQ(blank_blocks(image, "A"), 2);
  EXPECT_EQ(image, (Lines{"", "", "", "", kSep, "[raport_start]", "[raport]=B", "[raport_end]", kSep, "", "",
                          "", kSep}));
}

TEST(Deleting, BlockWithoutEndLineSparesTheNextBlock) {
  // A hand-made block without its end line: blanking up to the next end line would take the
  // following definition too.
  Lines image = {"[raport_start]", "[raport]=A", "[format_pliku]=csv", kSep,
                 "[raport_start]", "[raport]=B", "[raport_end]",       kSep,
                 "[raport_start]", "[raport]=C"};
  EXPECT_EQ(blank_blocks(image, "A"), 1);
  EXPECT_EQ(image, (Lines{"", "", "", "", "[raport_start]", "[raport]=B", "[raport_end]", kSep,
                          "[raport_start]", "[raport]=C"}));
  EXPECT_EQ(blank_blocks(image, "C"), 1);
  EXPECT_EQ(image.back(), "");
  EXPECT_EQ(blank_blocks(image, "Z"), 0);
}

// ---- the file ----

class ControlFileTest : public ::testing::Test {
 protected:
  std::filesystem::path file() const { return m_dir.path() / "sterowanie.txt"; }
  std::string bytes() const { return core::read_file(file()); }
  void write(const Lines& lines) { core::write_lines(file(), lines); }
  static SzablonRaportu named(const std::string& name, const std::string& format = "pdf") {
    SzablonRaportu s;
    s.raport = name;
    s.dni_raportu = "0000000";
    s.zapytanie = {"select 1"};
    s.wyslij_jesli_pusty = "tak";
    s.nazwa_pliku = name + ".txt";
    s.format_pliku = format;
    return s;
  }

  core::TempDir m_dir;
};

TEST_F(ControlFileTest, DeletingMiddleOfThreeBlocks) {
  ControlFile cf(file());
  write(concat({block_lines(named("A")), block_lines(named("B")), block_lines(named("C"))}));
  ASSERT_EQ(cf.Uruchom_sterowanie(), (Lines{"A", "B", "C"}));
  cf.Usun_szablon("B");
  // The editor refreshes after a delete: blank lines go, the separators now meet ...
  EXPECT_EQ(cf.Uruchom_sterowanie(), (Lines{"A", "C"}));
  EXPECT_EQ(cf.image(), concat({block_lines(named("A")), {kSep}, block_lines(named("C"))}));
  // ... and reopening the editor collapses them.
  EXPECT_EQ(cf.Uruchom_sterowanie(), (Lines{"A", "C"}));
  EXPECT_EQ(bytes(), core::encode_lines(concat({block_lines(named("A")), block_lines(named("C"))})));
}

TEST_F(ControlFileTest, ChangingMovesBlockToTheEnd) {
  ControlFile cf(file());
  write(concat({block_lines(named("A")), block_lines(named("B"))}));
  ASSERT_EQ(cf.Uruchom_sterowanie(), (Lines{"A", "B"}));
  cf.Usun_szablon("A");
  cf.Zapisz_nowy_szablon(named("A", "csv"));
  cf.Uruchom_sterowanie();
  EXPECT_EQ(cf.Uruchom_sterowanie(), (Lines{"B", "A"}));
  SzablonRaportu got;
  ASSERT_EQ(cf.Wczytaj_szablon("A", got), 1);
  EXPECT_EQ(got, named("A", "csv"));
}

TEST_F(ControlFileTest, CompactionRewritesInCodePageWithoutMark) {
  // A UTF-8 file with a byte-order mark, blank lines and a repeated SQL line.
  core::write_file_atomic(file(),
                          "\xEF\xBB\xBF[raport_start]\r\n\r\n  [raport]=Zażółć\n[zapytanie_start]\r\n"
                          "select 1\r\nselect 1\r\n[zapytanie_end]\r\n[raport_end]\r\n\r\n");
  ControlFile cf(file());
  EXPECT_EQ(cf.Uruchom_sterowanie(), Lines{"Zażółć"});
  EXPECT_EQ(bytes(),
            "[raport_start]\r\n[raport]=Za\xBF\xF3\xB3\xE6\r\n[zapytanie_start]\r\nselect 1\r\n"
            "[zapytanie_end]\r\n[raport_end]\r\n");
}

TEST_F(ControlFileTest, MissingFileFailsListingThenFirstSaveCreatesIt) {
  ControlFile cf(file());
  try {
    cf.Uruchom_sterowanie();
    FAIL() << "listed a missing file";
  } catch (const core::Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Nie można otworzyć pliku", 0), 0u) << e.what();
  }
  EXPECT_TRUE(cf.image().empty());
  cf.Zapisz_nowy_szablon(named("A"));
  EXPECT_EQ(cf.Uruchom_sterowanie(), Lines{"A"});
  // Written through a temporary file renamed into place: nothing else is left in the folder.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(m_dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(ControlFileTest, SaveRefusedAfterFailedLoadOfExistingFile) {
  // A path that exists but cannot be read as a file.
  std::filesystem::create_directory(file());
  ControlFile cf(file());
  EXPECT_THROW(cf.Uruchom_sterowanie(), core::Error);
  try {
    cf.Zapisz_nowy_szablon(named("A"));
    FAIL() << "saved over a file it could not read";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), kSaveRefused);
  }
  EXPECT_THROW(cf.Usun_szablon("A"), core::Error);
  EXPECT_TRUE(cf.image().empty());  // the refused change is not kept either
  EXPECT_TRUE(std::filesystem::is_directory(file()));
}

TEST_F(ControlFileTest, SaveRefusedWhenFileAppearedAfterFailedLoad) {
  ControlFile cf(file());
  EXPECT_THROW(cf.Uruchom_sterowanie(), core::Error);  // missing at the listing
  write(block_lines(named("Cudzy")));                  // someone else writes it meanwhile
  const std::string before = bytes();
  EXPECT_THROW(cf.Zapisz_nowy_szablon(named("A")), core::Error);
  EXPECT_EQ(bytes(), before);
  // Listing again loads it, and saving works again.
  EXPECT_EQ(cf.Uruchom_sterowanie(), Lines{"Cudzy"});
  cf.Zapisz_nowy_szablon(named("A"));
  EXPECT_EQ(cf.Uruchom_sterowanie(), (Lines{"Cudzy", "A"}));
}

TEST_F(ControlFileTest, SaveRefusedBeforeAnyListing) {
  write(block_lines(named("A")));
  ControlFile cf(file());
  EXPECT_THROW(cf.Zapisz_nowy_szablon(named("B")), core::Error);
  EXPECT_EQ(bytes(), core::encode_lines(block_lines(named("A"))));
}

TEST_F(ControlFileTest, SameNameSavedTwiceListsTwiceDeletesBoth) {
  ControlFile cf(file());
  EXPECT_THROW(cf.Uruchom_sterowanie(), core::Error);
  cf.Zapisz_nowy_szablon(named("A", "csv"));
  cf.Zapisz_nowy_szablon(named("A", "pdf"));
  EXPECT_EQ(cf.Uruchom_sterowanie(), (Lines{"A", "A"}));
  SzablonRaportu got;
  EXPECT_EQ(cf.Wczytaj_szablon("A", got), 2);
  EXPECT_EQ(got.format_pliku, "pdf");
  cf.Usun_szablon("A");
  EXPECT_TRUE(cf.Uruchom_sterowanie().empty());
  EXPECT_EQ(cf.image(), (Lines{kSep, kSep}));
}

}  // namespace
}  // namespace orvena::config
