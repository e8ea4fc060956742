// Whole unattended runs (the orvena program, as cron starts it) over templates a careless or
// hostile author wrote: a script that never ends, an expression of tens of thousands of terms,
// one nested past the limit. Each report ends with its failure line naming the reason, or is made;
// the definitions after it are made; the exit status tells of the failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/line_file.h"
#include "support/orvena_program.h"
#include "support/report_template.h"
#include "support/test_home.h"

namespace orvena::app {
namespace {

namespace fs = std::filesystem;
using test::TestHome;

using test::write_template;

TEST(HostileTemplateRun, EachReportEndsWithItsReasonAndTheRunGoesOn) {
  TestHome home;
  home.sql("create table t (x integer); insert into t values (7), (8);");
  home.write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db", "[limit_krokow_skryptu]=100000"});
  const fs::path szablony = home.home().templates();
  write_template(
      szablony / "petla.orp",
      "procedure RowOnBeforePrint(Sender: TrpComponent);\nbegin\n  while True do ;\nend;\nbegin end.",
      "[DaneOrvena.\"x\"]");
  std::string sum = "<DaneOrvena.\"x\">";
  for (int i = 0; i < 40000; ++i) sum += "+1";
  write_template(szablony / "dlugie.orp", "begin end.", "[" + sum + "]");
  const std::string deep = std::string(300, '(') + "1" + std::string(300, ')');
  write_template(szablony / "gleboko.orp", "begin end.", "[" + deep + "]");
  auto pdf = [](const char* raport, const char* szablon) {
    return TestHome::Definition{.raport = raport,
                                .zapytanie = {"select x from t"},
                                .nazwa_pliku = std::string(raport) + ".pdf",
                                .szablon_raportu = szablon,
                                .format_pliku = "pdf"};
  };
  home.write_definitions(
      {pdf("Petla", "petla.orp"),
       pdf("Dlugie", "dlugie.orp"),
       pdf("Gleboko", "gleboko.orp"),
       {.raport = "Ostatni", .zapytanie = {"select x from t"}, .nazwa_pliku = "ostatni.csv"}});

  // A run that never ends would hold the test for ever: `timeout` ends it as a failure.
  auto r = test::run_command("timeout 300 " + std::string(ORVENA_BINARY_DIR) +
                             "/src/app/orvena --run --home " + test::shell_quoted(home.home().root()));
  EXPECT_EQ(r.status, 3) << r.output;

  ASSERT_EQ(std::distance(fs::directory_iterator(home.home().logs()), {}), 1);
  auto log = core::read_lines(fs::directory_iterator(home.home().logs())->path());
  // The line before the job's end line.
  auto last_line = [&](const std::string& name) {
    auto end = std::find(log.begin(), log.end(), "Koniec raportu: " + name);
    return end == log.begin() || end == log.end() ? std::string() : *(end - 1);
  };
  EXPECT_EQ(
      last_line("Petla"),
      ">> Nie udało się przygotować raportu z szablonu: Skrypt szablonu przekroczył limit 100000 kroków w "
      "procedurze 'RowOnBeforePrint' (3:3)");
  EXPECT_EQ(last_line("Dlugie"), "Spełniono wszystkie warunki - TWORZĘ i WYSYŁAM RAPORT!");
  EXPECT_EQ(last_line("Gleboko"),
            ">> Nie udało się przygotować raportu z szablonu: Memo1: Błąd w wyrażeniu '" +
                deep.substr(0, 200) + "..." + "': Zbyt głębokie zagnieżdżenie (1:40)");
  EXPECT_EQ(last_line("Ostatni"), "Spełniono wszystkie warunki - TWORZĘ i WYSYŁAM RAPORT!");
  EXPECT_TRUE(fs::exists(home.home().temporary() / "Dlugie.pdf"));
  EXPECT_TRUE(fs::exists(home.home().temporary() / "ostatni.csv"));
  EXPECT_FALSE(fs::exists(home.home().temporary() / "Petla.pdf"));
  EXPECT_EQ(log.back().rfind("Zamknięcie aplikacji: ", 0), 0u);
}

// A text past what one object lays out is cut: the report is still made and delivered, and the
// log names the object once however many records printed it; the run is no failure.
TEST(HostileTemplateRun, ATextCutToTheLayoutLimitIsLoggedAndTheReportIsMade) {
  TestHome home;
  home.sql("create table t (x integer);");
  home.write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db"});
  write_template(home.home().templates() / "wielki.orp", "begin end.", "[DaneOrvena.\"x\"]");
  // Two rows of 1.2 MB each.
  home.write_definitions({{.raport = "Wielki",
                           .zapytanie = {"select hex(zeroblob(600000)) as x union all "
                                         "select hex(zeroblob(600001))"},
                           .nazwa_pliku = "Wielki.pdf",
                           .szablon_raportu = "wielki.orp",
                           .format_pliku = "pdf"}});

  auto r = test::run_command("timeout 300 " + std::string(ORVENA_BINARY_DIR) +
                             "/src/app/orvena --run --home " + test::shell_quoted(home.home().root()));
  EXPECT_EQ(r.status, 0) << r.output;

  ASSERT_EQ(std::distance(fs::directory_iterator(home.home().logs()), {}), 1);
  auto log = core::read_lines(fs::directory_iterator(home.home().logs())->path());
  const std::string notice = ">> UWAGA! : Memo1: tekst jest dłuższy niż 1 MB i został obcięty!";
  EXPECT_EQ(std::count(log.begin(), log.end(), notice), 1);
  auto end = std::find(log.begin(), log.end(), "Koniec raportu: Wielki");
  ASSERT_GE(end - log.begin(), 2);
  EXPECT_EQ(*(end - 2), "Spełniono wszystkie warunki - TWORZĘ i WYSYŁAM RAPORT!");
  EXPECT_EQ(*(end - 1), notice);
  EXPECT_GT(fs::file_size(home.home().temporary() / "Wielki.pdf"), 0u);
  EXPECT_EQ(std::count(log.begin(), log.end(), "Poprawnie zakończono wszystkie operacje!"), 1);
}

}  // namespace
}  // namespace orvena::app
