// A definition saved by the editor's file operations reads back the same through the editor's
// reader and through the runner's reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/control_file.h"
#include "core/datetime.h"
#include "core/line_file.h"
#include "core/temp_dir.h"
#include "runner/control_reader.h"

namespace orvena::runner {
namespace {

using config::SzablonRaportu;

const core::DateTime kMonday = core::encode_date(2015, 10, 19) + core::encode_time(6, 0, 0);

SzablonRaportu full_definition() {
  SzablonRaportu s;
  s.raport = " Sprzedaż → dzienna ";  // blanks around values are trimmed on saving
  s.dni_raportu = "1000001";
  s.daty = {"01-15", "12-31 "};
  s.zapytanie = {"select k.nazwa, sum(s.kwota) as kwota",
                 "  from sprzedaz s join klienci k on k.id = s.klient_id", "group by k.nazwa"};
  s.wyslij_jesli_pusty = "nie";
  s.nazwa_pliku = "sprzedaż.xlsx";
  s.szablon_raportu = "Sprzedaż.orp";
  s.format_pliku = "excel-arkusze";
  s.wyslij_na = "e-mail/ftp";
  s.adres_ftp = "127.0.0.1";
  s.folder_ftp = "/Raporty/Łódź";
  s.user_ftp = "Jan";
  s.pass_ftp = "Hasło;1";
  s.temat_email = "Zestawienie sprzedaży";
  s.adresaci = {"jan@example.com", "ola@example.com"};
  return s;
}

SzablonRaportu trimmed(SzablonRaportu s) {
  s.raport = "Sprzedaż → dzienna";
  s.daty[1] = "12-31";
  s.zapytanie[1] = "from sprzedaz s join klienci k on k.id = s.klient_id";
  return s;
}

TEST(RoundTrip, EditorSavesBothReadersAgree) {
  core::TempDir dir;
  const auto path = dir.path() / "sterowanie.txt";
  config::ControlFile editor(path);
  EXPECT_THROW(editor.Uruchom_sterowanie(), std::exception);  // no file yet
  SzablonRaportu second;
  second.raport = "Drugi";
  second.dni_raportu = "0000000";
  second.zapytanie = {"select 1"};
  second.wyslij_jesli_pusty = "tak";
  second.nazwa_pliku = "drugi.csv";
  second.format_pliku = "csv";
  second.wyslij_na = "ftp";
  editor.Zapisz_nowy_szablon(full_definition());
  editor.Zapisz_nowy_szablon(second);
  ASSERT_EQ(editor.Uruchom_sterowanie(), (std::vector<std::string>{"Sprzedaż ? dzienna", "Drugi"}));

  // "→" has no place in the 8-bit code page: both readers see what the file holds.
  SzablonRaportu expected = trimmed(full_definition());
  expected.raport = "Sprzedaż ? dzienna";

  SzablonRaportu from_editor;
  ASSERT_EQ(editor.Wczytaj_szablon("Sprzedaż ? dzienna", from_editor), 1);
  EXPECT_EQ(from_editor, expected);

  std::vector<ReadDefinition> from_runner;
  core::FixedClock clock(kMonday);
  ASSERT_TRUE(read_control_file(path, clock, "pon", [&](ReadDefinition& d) { from_runner.push_back(d); }));
  ASSERT_EQ(from_runner.size(), 2u);
  EXPECT_EQ(from_runner[0].szablon, expected);
  EXPECT_TRUE(from_runner[0].due);  // Monday's flag
  EXPECT_EQ(from_runner[1].szablon, second);
  EXPECT_FALSE(from_runner[1].due);
}

TEST(RoundTrip, DateVariablesStayInEditorAndAreReplacedInRunner) {
  core::TempDir dir;
  const auto path = dir.path() / "sterowanie.txt";
  core::write_lines(path, {});
  config::ControlFile editor(path);
  ASSERT_TRUE(editor.Uruchom_sterowanie().empty());
  SzablonRaportu s;
  s.raport = "Daty";
  s.dni_raportu = "0000000";
  s.zapytanie = {"where d = '[<data-1>]'"};
  s.nazwa_pliku = "r_[<data>].pdf";
  s.temat_email = "Raport [<data+1>]";
  s.adresaci = {"[<data>]"};
  s.wyslij_jesli_pusty = "tak";
  editor.Zapisz_nowy_szablon(s);
  editor.Uruchom_sterowanie();

  SzablonRaportu from_editor;
  ASSERT_EQ(editor.Wczytaj_szablon("Daty", from_editor), 1);
  EXPECT_EQ(from_editor, s);

  core::FixedClock clock(kMonday);
  std::vector<SzablonRaportu> got;
  read_control_file(path, clock, "pon", [&](ReadDefinition& d) { got.push_back(d.szablon); });
  ASSERT_EQ(got.size(), 1u);
  SzablonRaportu expected = s;
  expected.zapytanie = {"where d = ' 2015-10-18 '"};
  expected.nazwa_pliku = "r_ 2015-10-19 .pdf";
  expected.temat_email = "Raport 2015-10-20";
  EXPECT_EQ(got[0], expected);
}

TEST(RoundTrip, DemoControlFileListsWhatTheRunnerRuns) {
  // The demo home folder's control file, written like the editor writes: every block the
  // runner runs is listed by the editor and reads back with the same fields (bar the dates).
  const std::filesystem::path demo = std::string(ORVENA_SOURCE_DIR) + "/examples/demo/Dane/sterowanie.txt";
  if (!std::filesystem::exists(demo)) GTEST_SKIP() << "no demo control file";
  core::TempDir dir;
  const auto path = dir.path() / "sterowanie.txt";
  std::filesystem::copy_file(demo, path);

  config::ControlFile editor(path);
  const auto names = editor.Uruchom_sterowanie();
  ASSERT_FALSE(names.empty());

  core::FixedClock clock(kMonday);
  std::vector<SzablonRaportu> run;
  read_control_file(path, clock, "pon", [&](ReadDefinition& d) { run.push_back(d.szablon); });
  ASSERT_EQ(run.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    SzablonRaportu edited;
    editor.Wczytaj_szablon(names[i], edited);
    EXPECT_EQ(run[i].raport, edited.raport);
    EXPECT_EQ(run[i].format_pliku, edited.format_pliku);
    EXPECT_EQ(run[i].wyslij_na, edited.wyslij_na);
    EXPECT_EQ(run[i].szablon_raportu, edited.szablon_raportu);
    EXPECT_EQ(run[i].adresaci, edited.adresaci);
    EXPECT_EQ(run[i].zapytanie.size(), edited.zapytanie.size());
  }
}

TEST(RoundTrip, HandWrittenFileRunsMoreThanTheEditorShows) {
  // The runner takes keys in any case and blocks without "[raport_start]"; the editor lists
  // only blocks that start with it and finds only keys written in lower case.
  core::TempDir dir;
  const auto path = dir.path() / "sterowanie.txt";
  std::filesystem::copy_file(std::string(ORVENA_FIXTURES) + "/control/hand_written.txt", path);

  core::FixedClock clock(kMonday);
  std::vector<std::string> run;
  read_control_file(path, clock, "pon", [&](ReadDefinition& d) {
    run.push_back(d.szablon.raport + "|" + d.szablon.format_pliku + (d.due ? "|due" : ""));
  });
  // The first line is never read: its block runs without a name.
  EXPECT_EQ(run, (std::vector<std::string>{"||due", "Wielkie|pdf", "Bez startu|csv", "Zwykły|html"}));

  config::ControlFile editor(path);
  EXPECT_EQ(editor.Uruchom_sterowanie(), (std::vector<std::string>{"Wielkie", "Zwykły"}));
  SzablonRaportu upper;
  ASSERT_EQ(editor.Wczytaj_szablon("Wielkie", upper), 1);
  EXPECT_EQ(upper.raport, "");
  EXPECT_EQ(upper.format_pliku, "");
  SzablonRaportu plain;
  ASSERT_EQ(editor.Wczytaj_szablon("Zwykły", plain), 1);
  EXPECT_EQ(plain.format_pliku, "html");
}

}  // namespace
}  // namespace orvena::runner
