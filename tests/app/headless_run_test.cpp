// End-to-end runs of the unattended run on temporary home folders with SQLite and a fixed clock.
#include "app/headless_run.h"
#include "app/session.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <sstream>

#include "core/home_lock.h"
#include "core/line_file.h"
#include "core/locale.h"
#include "core/temp_dir.h"
#include "core/version.h"
#include "support/test_home.h"

namespace orvena::app {
namespace {

using test::TestHome;
const std::string kSeparator(112, '=');

// Thursday 2026-12-10, 08:00:00.
core::DateTime thursday_morning() {
  return core::encode_date(2026, 12, 10) + core::encode_time(8, 0, 0);
}

class HeadlessRun : public ::testing::Test {
 protected:
  void SetUp() override {
    home.sql(
        "create table sprzedaz (id integer, klient varchar(40), kwota decimal(10,2));"
        "insert into sprzedaz values (1, 'Żuraw Sp. z o.o.', 12.50), (2, 'Łąka s.c.', 100), (3, 'Bór', "
        "-0.05);"
        "create table reklamacje (id integer, opis text);");
  }

  int run(std::string* err_text = nullptr) {
    std::ostringstream err;
    int rc = headless_run(home.home(), clock, err);
    if (err_text) *err_text = err.str();
    return rc;
  }

  TestHome home;
  core::FixedClock clock{thursday_morning()};
};

TEST_F(HeadlessRun, WholeLogOfDueNotDueEmptyAndMonthDayDefinitions) {
  home.write_definitions({
      {.raport = "Sprzedaż",
       .zapytanie = {"select klient, kwota", "from sprzedaz order by id"},
       .nazwa_pliku = "sprzedaz_[<data>].csv"},
      {.raport = "Nie dziś",
       .dni_raportu = "1110111",
       .zapytanie = {"select * from sprzedaz"},
       .nazwa_pliku = "nie.csv"},
      {.raport = "Pusty tak",
       .zapytanie = {"select * from reklamacje"},
       .nazwa_pliku = "pusty.csv",
       .wyslij_na = "e-mail"},
      {.raport = "Pusty nie",
       .zapytanie = {"select * from reklamacje"},
       .wyslij_jesli_pusty = "nie",
       .nazwa_pliku = "pusty_nie.csv"},
      {.raport = "Dzień miesiąca",
       .dni_raportu = "0000000",
       .daty = {"01-01", "12-10"},
       .zapytanie = {"select id from sprzedaz where id = 2"},
       .nazwa_pliku = "grudzien.csv"},
  });
  ASSERT_EQ(run(), 0);

  auto job_header = [](std::string name, std::vector<std::string> sql, std::string file, std::string on,
                       std::string days, std::string empty) {
    std::vector<std::string> l = {"Wykonuję raport: " + name, "SQL raportu:"};
    l.insert(l.end(), sql.begin(), sql.end());
    std::vector<std::string> rest = {"Koniec poleceń SQL do raportu",
                                     " ",
                                     "Raport zapisać do pliku: " + file,
                                     "Raport w formacie: csv",
                                     "Raport na podstawie szablonu: ",
                                     "Raport ma być wysyłany na: " + on,
                                     "Raport do wykonania w dni: " + days,
                                     "Raport ma być wysłany nawet jeśli jest pusty: " + empty,
                                     "Mamy dzień : 12-10",
                                     "Jest to dzień tygodnia: czw"};
    l.insert(l.end(), rest.begin(), rest.end());
    return l;
  };
  std::vector<std::string> expected = {
      std::string("Uruchomiono aplikację automatycznego raportowania Orvena w wersji: ") + core::kVersion,
      "Uruchomienie: 2026-12-10 08:00:00", kSeparator};
  auto add = [&](std::vector<std::string> lines) {
    expected.insert(expected.end(), lines.begin(), lines.end());
  };
  add(job_header("Sprzedaż", {"select klient, kwota", "from sprzedaz order by id"},
                 "sprzedaz_ 2026-12-10 .csv", "", "1111111", "TAK"));
  add({"Raport zawiera 3 rekordów!", "Właściwy dzień wykonania raportu: TAK",
       "Spełniono wszystkie warunki - TWORZĘ i WYSYŁAM RAPORT!", "Koniec raportu: Sprzedaż", kSeparator});
  // Not due on a Thursday: its query still runs and its rows are counted.
  add(job_header("Nie dziś", {"select * from sprzedaz"}, "nie.csv", "", "1110111", "TAK"));
  add({"Raport zawiera 3 rekordów!", "Właściwy dzień wykonania raportu: NIE",
       ">>Pomijam raport - nie spełniono wymaganych ustawień", "Koniec raportu: Nie dziś", kSeparator});
  // Empty but to be sent anyway; e-mail with no recipients logs no mail line.
  add(job_header("Pusty tak", {"select * from reklamacje"}, "pusty.csv", "E-MAIL", "1111111", "TAK"));
  add({"Raport jest PUSTY - brak rekordów!", ">>> Wysyłam raport pomimo tego, że jest pusty!!!",
       "Właściwy dzień wykonania raportu: TAK", "Spełniono wszystkie warunki - TWORZĘ i WYSYŁAM RAPORT!",
       "Koniec raportu: Pusty tak", kSeparator});
  add(job_header("Pusty nie", {"select * from reklamacje"}, "pusty_nie.csv", "", "1111111", "NIE"));
  add({"Raport jest PUSTY - brak rekordów!", "Właściwy dzień wykonania raportu: TAK",
       ">>Pomijam raport - nie spełniono wymaganych ustawień", "Koniec raportu: Pusty nie", kSeparator});
  // Due by its month-day entry alone.
  add(job_header("Dzień miesiąca", {"select id from sprzedaz where id = 2"}, "grudzien.csv", "", "0000000",
                 "TAK"));
  add({"Raport zawiera 1 rekordów!", "Właściwy dzień wykonania raportu: TAK",
       "Spełniono wszystkie warunki - TWORZĘ i WYSYŁAM RAPORT!", "Koniec raportu: Dzień miesiąca",
       kSeparator});
  add({kSeparator, "Poprawnie zakończono wszystkie operacje!", "Nie napotkano żadnych błędów krytycznych.",
       "Zamknięcie aplikacji: 2026-12-10 08:00:00"});

  EXPECT_EQ(home.log_lines("2026-12-10"), expected);
  const auto tmp = home.home().temporary();
  // Date variables leave a blank on each side of the date.
  EXPECT_TRUE(std::filesystem::exists(tmp / "sprzedaz_ 2026-12-10 .csv"));
  EXPECT_FALSE(std::filesystem::exists(tmp / "nie.csv"));
  EXPECT_EQ(core::read_file(tmp / "pusty.csv"), "\"id\";\"opis\"\r\n");  // header only
  EXPECT_FALSE(std::filesystem::exists(tmp / "pusty_nie.csv"));
  EXPECT_EQ(core::read_file(tmp / "grudzien.csv"), "\"id\"\r\n2\r\n");
  // The file ends with CR LF after the last line, in Windows-1250.
  std::string raw = core::read_file(home.home().logs() / "log_2026-12-10.txt");
  EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");
  EXPECT_NE(raw.find("Wykonuj\xEA raport: Sprzeda\xBF"), std::string::npos);
}

TEST_F(HeadlessRun, CsvBytesForEveryKindOfColumn) {
  home.sql(
      "create table wartosci (tekst varchar(20), calkowita integer, duza bigint, kwota decimal(10,2),"
      " dokladna decimal(18,6), dzien date, pusta varchar(5));"
      "insert into wartosci values ('Zażółć; \"gęślą\"', 42, 9000000000, 1234.5, 0.125, '2015-10-18', NULL),"
      " ('', -7, -1, -0.01, 1, '2024-02-29', NULL);");
  home.write_definitions(
      {{.raport = "CSV", .zapytanie = {"select * from wartosci"}, .nazwa_pliku = "w.csv"}});
  ASSERT_EQ(run(), 0);
  // Numeric fields bare with the decimal comma (bigint and wide decimals are not numeric here),
  // everything else between double quotes, a quote inside a value doubled, NULL as empty text.
  EXPECT_EQ(core::read_file(home.home().temporary() / "w.csv"),
            "\"tekst\";\"calkowita\";\"duza\";\"kwota\";\"dokladna\";\"dzien\";\"pusta\"\r\n"
            "\"Za\xBF\xF3\xB3\xE6; "
            "\"\"g\xEA\x9C\x6C\xB9\"\"\";42;\"9000000000\";1234,5;\"0,125\";\"2015-10-18\";\"\"\r\n"
            "\"\";-7;\"-1\";-0,01;\"1\";\"2024-02-29\";\"\"\r\n");
}

TEST_F(HeadlessRun, BadSqlEndsTheRunWithTheDatabaseMessage) {
  home.write_definitions({
      {.raport = "Dobry", .zapytanie = {"select 1 as x"}, .nazwa_pliku = "a.csv"},
      {.raport = "Zły", .zapytanie = {"select * from nie_ma_takiej_tabeli"}, .nazwa_pliku = "b.csv"},
      {.raport = "Nigdy", .zapytanie = {"select 1 as x"}, .nazwa_pliku = "c.csv"},
  });
  std::string err;
  EXPECT_EQ(run(&err), 1);
  EXPECT_NE(err.find("no such table: nie_ma_takiej_tabeli"), std::string::npos) << err;
  // No closing lines; the failed job's opening lines and then the error itself end the file, so
  // whoever reads the log of an unattended run sees why it stopped.
  auto lines = home.log_lines("2026-12-10");
  ASSERT_GE(lines.size(), 3u);
  EXPECT_NE(lines.back().find("no such table: nie_ma_takiej_tabeli"), std::string::npos);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Koniec raportu: Dobry"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Koniec raportu: Zły"), 0);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Poprawnie zakończono wszystkie operacje!"), 0);
  EXPECT_FALSE(std::filesystem::exists(home.home().temporary() / "c.csv"));
}

TEST_F(HeadlessRun, MissingControlFileStillWritesOpeningAndClosing) {
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(
      home.log_lines("2026-12-10"),
      (std::vector<std::string>{
          std::string("Uruchomiono aplikację automatycznego raportowania Orvena w wersji: ") + core::kVersion,
          "Uruchomienie: 2026-12-10 08:00:00", kSeparator, kSeparator,
          "Poprawnie zakończono wszystkie operacje!", "Nie napotkano żadnych błędów krytycznych.",
          "Zamknięcie aplikacji: 2026-12-10 08:00:00"}));
}

TEST_F(HeadlessRun, MissingLogiFolderFailsTheRun) {
  home.write_definitions({{.raport = "A", .zapytanie = {"select 1 as x"}, .nazwa_pliku = "a.csv"}});
  std::filesystem::remove_all(home.home().logs());
  std::string err;
  EXPECT_EQ(run(&err), 1);
  EXPECT_NE(err.find("Nie można utworzyć pliku"), std::string::npos) << err;
  EXPECT_NE(err.find("Logi/log_2026-12-10.txt"), std::string::npos) << err;
}

TEST_F(HeadlessRun, ProductionFailuresLogTheFixedLineAndTheRunGoesOn) {
  home.write_definitions({
      // Outside the seven formats: nothing produced, nothing said.
      {.raport = "Nieznany", .zapytanie = {"select 1 as x"}, .nazwa_pliku = "x.xyz", .format_pliku = "xml"},
      // A name leaving Tymczasowe is refused.
      {.raport = "Ucieczka", .zapytanie = {"select 1 as x"}, .nazwa_pliku = "../ucieczka.csv"},
      // No file name: the file cannot be created.
      {.raport = "Bez nazwy", .zapytanie = {"select 1 as x"}, .nazwa_pliku = ""},
      {.raport = "Ostatni", .zapytanie = {"select 1 as x"}, .nazwa_pliku = "ok.csv"},
  });
  // The run ended normally, but jobs failed: cron must be able to tell.
  ASSERT_EQ(run(), 3);
  auto lines = home.log_lines("2026-12-10");
  const std::string failure = ">> BŁĄD! : Nie udało się przygotować danych z polecenia SQL!";
  // The line `back` lines before the job's end line.
  auto before_end = [&](const std::string& name, size_t back = 1) {
    auto end = std::find(lines.begin(), lines.end(), "Koniec raportu: " + name);
    return end - lines.begin() < static_cast<ptrdiff_t>(back) ? std::string() : *(end - back);
  };
  // A format that makes nothing is a failure, even with nobody to deliver to.
  EXPECT_EQ(before_end("Nieznany"),
            ">> BŁĄD! : Format pliku \"xml\" jest nieznany - plik raportu nie powstał!");
  // The fixed line, then the step that failed.
  EXPECT_EQ(before_end("Ucieczka", 2), failure);
  EXPECT_EQ(before_end("Ucieczka"),
            ">> Nie udało się zapisać pliku raportu: Nazwa pliku raportu \"../ucieczka.csv\" wychodzi poza "
            "folder Tymczasowe.");
  EXPECT_EQ(before_end("Bez nazwy", 2), failure);
  EXPECT_EQ(before_end("Bez nazwy").rfind(">> Nie udało się zapisać pliku raportu: ", 0), 0u)
      << before_end("Bez nazwy");
  EXPECT_EQ(before_end("Ostatni"), "Spełniono wszystkie warunki - TWORZĘ i WYSYŁAM RAPORT!");
  EXPECT_FALSE(std::filesystem::exists(home.home().root() / "ucieczka.csv"));
  EXPECT_TRUE(std::filesystem::exists(home.home().temporary() / "ok.csv"));
  // The closing lines do not claim success; they say how many reports failed.
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end() - 1),
            (std::vector<std::string>{kSeparator,
                                      "Zakończono wszystkie operacje, ale nie wszystkie raporty się udały!",
                                      "Liczba raportów zakończonych błędem: 3."}));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Poprawnie zakończono wszystkie operacje!"), 0);
}

// A template comes from Dane/Szablony or below; a name leading anywhere else is refused with
// its line, and the run goes on.
TEST_F(HeadlessRun, ATemplateOutsideSzablonyIsRefusedAndTheNextReportIsMade) {
  core::write_lines(home.home().dane() / "obcy.orp", {"<?xml version=\"1.0\"?>", "<TrpReport/>"});
  auto pdf = [](const char* raport, const std::string& szablon) {
    return TestHome::Definition{.raport = raport,
                                .zapytanie = {"select id from sprzedaz"},
                                .nazwa_pliku = std::string(raport) + ".pdf",
                                .szablon_raportu = szablon,
                                .format_pliku = "pdf"};
  };
  home.write_definitions(
      {pdf("Wyzej", "../obcy.orp"),
       pdf("Bezwzgledna", (home.home().dane() / "obcy.orp").string()),
       {.raport = "Nastepny", .zapytanie = {"select id from sprzedaz"}, .nazwa_pliku = "n.csv"}});
  ASSERT_EQ(run(), 3);
  auto lines = home.log_lines("2026-12-10");
  for (const auto& [raport, szablon] : {std::pair<std::string, std::string>{"Wyzej", "../obcy.orp"},
                                        {"Bezwzgledna", (home.home().dane() / "obcy.orp").string()}}) {
    SCOPED_TRACE(raport);
    auto end = std::find(lines.begin(), lines.end(), "Koniec raportu: " + raport);
    ASSERT_GE(end - lines.begin(), 2);
    EXPECT_EQ(*(end - 2), ">> BŁĄD! : Nie udało się przygotować danych z polecenia SQL!");
    EXPECT_EQ(*(end - 1), ">> Nie udało się wczytać szablonu raportu: Szablon raportu \"" + szablon +
                              "\" leży poza folderem Dane/Szablony - nie wczytano go.");
    EXPECT_FALSE(std::filesystem::exists(home.home().temporary() / (raport + ".pdf")));
  }
  EXPECT_EQ(core::read_file(home.home().temporary() / "n.csv"), "\"id\"\r\n1\r\n2\r\n3\r\n");
  EXPECT_EQ(lines[lines.size() - 2], "Liczba raportów zakończonych błędem: 2.");
}

TEST_F(HeadlessRun, ATemplateReportThatFailsSaysWhichStepFailed) {
  const auto szablony = home.home().templates();
  core::write_lines(szablony / "zly.orp",
                    {"<?xml version=\"1.0\" encoding=\"utf-8\"?>",
                     "<TrpReport Version=\"2.4.0\"><TrpNieMa Name=\"X\"/></TrpReport>"});
  std::filesystem::copy_file(std::filesystem::path(ORVENA_FIXTURES) / "engine" / "header_after_band.orp",
                             szablony / "naglowek.orp");
  auto pdf = [](const char* raport, const char* szablon) {
    return TestHome::Definition{.raport = raport,
                                .zapytanie = {"select 1 as x"},
                                .nazwa_pliku = std::string(raport) + ".pdf",
                                .szablon_raportu = szablon,
                                .format_pliku = "pdf"};
  };
  core::write_lines(szablony / "stop.orp",
                    {"<?xml version=\"1.0\" encoding=\"utf-8\"?>",
                     "<TrpReport Version=\"2.4.0\" ScriptText.Text=\"begin "
                     "Engine.StopReport end.\"><TrpReportPage Name=\"Page1\"/></TrpReport>"});
  home.write_definitions({pdf("Brak", "brak.orp"), pdf("Zly", "zly.orp"), pdf("Naglowek", "naglowek.orp"),
                          pdf("Stop", "stop.orp")});
  ASSERT_EQ(run(), 3);
  auto lines = home.log_lines("2026-12-10");
  auto step_line = [&](const std::string& name) {
    auto end = std::find(lines.begin(), lines.end(), "Koniec raportu: " + name);
    EXPECT_GE(end - lines.begin(), 2) << name;
    if (end - lines.begin() < 2) return std::string();
    EXPECT_EQ(*(end - 2), ">> BŁĄD! : Nie udało się przygotować danych z polecenia SQL!") << name;
    return *(end - 1);
  };
  const std::string brak = step_line("Brak");
  EXPECT_EQ(brak.rfind(">> Nie udało się wczytać szablonu raportu: ", 0), 0u) << brak;
  EXPECT_NE(brak.find("brak.orp"), std::string::npos) << brak;
  // A template read with errors would be a report without what the reader dropped.
  EXPECT_EQ(step_line("Zly"), ">> Nie udało się wczytać szablonu raportu: Nie znaleziono klasy TrpNieMa");
  const std::string naglowek = step_line("Naglowek");
  EXPECT_EQ(naglowek.rfind(">> Nie udało się przygotować raportu z szablonu: ", 0), 0u) << naglowek;
  EXPECT_NE(naglowek.find("LateHeader"), std::string::npos) << naglowek;
  // A script that ends the run before any page is no success either.
  EXPECT_EQ(
      step_line("Stop"),
      ">> Nie udało się przygotować raportu z szablonu: Skrypt szablonu przerwał przygotowanie raportu.");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.home().temporary()), {}), 0);
}

TEST_F(HeadlessRun, StartUpEmptiesTymczasoweOfFilesOnly) {
  const auto tmp = home.home().temporary();
  core::write_lines(tmp / "stary.csv", {"x"});
  std::filesystem::create_directory(tmp / "podfolder");
  core::write_lines(tmp / "podfolder" / "zostaje.txt", {"x"});
  ASSERT_EQ(run(), 0);
  EXPECT_FALSE(std::filesystem::exists(tmp / "stary.csv"));
  EXPECT_TRUE(std::filesystem::exists(tmp / "podfolder" / "zostaje.txt"));
}

// Scratch files of the reports (a document's pictures, a template's copy) go where the next
// start-up removes what a killed run left, and only while the run lasts.
TEST_F(HeadlessRun, ScratchFilesOfARunStayInTymczasowe) {
  const std::filesystem::path before = core::scratch_folder();
  {
    Session session(home.home(), clock);
    session.start_up();
    EXPECT_EQ(core::scratch_folder(), home.home().temporary());
    core::TempDir scratch;
    EXPECT_EQ(scratch.path().parent_path(), home.home().temporary());
  }
  EXPECT_EQ(core::scratch_folder(), before);
}

TEST_F(HeadlessRun, RefusedDatabaseGivesAClearError) {
  home.write_settings({"[db_driver]=sqlite", "[db]=Dane/brak/nie_ma.db"});
  std::string err;
  EXPECT_EQ(run(&err), 1);
  EXPECT_NE(err.find("nie_ma.db"), std::string::npos) << err;
}

TEST_F(HeadlessRun, AMailPortThatIsNoNumberIsLoggedAndTheExitStatusSaysSo) {
  home.write_settings(
      {"[db_driver]=sqlite", "[db]=Dane/test.db", "[email_smtp]=localhost", "[email_port]=25x"});
  home.write_definitions({{.raport = "Poczta",
                           .zapytanie = {"select id from sprzedaz"},
                           .nazwa_pliku = "p.csv",
                           .wyslij_na = "e-mail",
                           .adresaci = {"a@example.com"}}});
  EXPECT_EQ(run(), 3);
  auto lines = home.log_lines("2026-12-10");
  auto tried = std::find(lines.begin(), lines.end(), "Próba wysłania raportu na adres: a@example.com");
  ASSERT_NE(tried, lines.end());
  EXPECT_NE((tried + 1)->find("25x"), std::string::npos) << *(tried + 1);
  EXPECT_EQ(*(tried + 2), "Koniec raportu: Poczta");
}

TEST_F(HeadlessRun, ASecondStartOnTheSameDayKeepsTheFirstRunsLines) {
  home.write_definitions({{.raport = "Rano", .zapytanie = {"select * from nie_ma"}, .nazwa_pliku = "a.csv"}});
  ASSERT_EQ(run(), 1);
  const auto morning = home.log_lines("2026-12-10");
  home.write_definitions(
      {{.raport = "Później", .zapytanie = {"select id from sprzedaz"}, .nazwa_pliku = "b.csv"}});
  ASSERT_EQ(run(), 0);
  const auto day = home.log_lines("2026-12-10");
  ASSERT_GT(day.size(), morning.size());
  EXPECT_EQ(std::vector<std::string>(day.begin(), day.begin() + static_cast<long>(morning.size())), morning);
  EXPECT_EQ(day[morning.size()], "Uruchomiono aplikację automatycznego raportowania Orvena w wersji: 2.4.0");
  EXPECT_EQ(day.back(), "Zamknięcie aplikacji: 2026-12-10 08:00:00");
}

// Failures before the run proper (settings, control file, database) end it with status 1; the
// day's log says when and why, as stderr does.
TEST_F(HeadlessRun, FailuresBeforeTheRunGetTheirLineInTheLog) {
  struct Case {
    const char* name;
    std::function<void(const TestHome&)> spoil;
    const char* message;
  };
  const Case cases[] = {
      {"settings are a FIFO",
       [](const TestHome& h) {
         std::filesystem::remove(h.home().settings_file());
         ASSERT_EQ(::mkfifo(h.home().settings_file().c_str(), 0644), 0);
       },
       "To nie jest zwykły plik"},
      {"settings link to /dev/zero",
       [](const TestHome& h) {
         std::filesystem::remove(h.home().settings_file());
         std::filesystem::create_symlink("/dev/zero", h.home().settings_file());
       },
       "To nie jest zwykły plik"},
      {"control file is a FIFO",
       [](const TestHome& h) { ASSERT_EQ(::mkfifo(h.home().control_file().c_str(), 0644), 0); },
       "To nie jest zwykły plik"},
      {"[db] is no database",
       [](const TestHome& h) { core::write_lines(h.db_file(), std::vector<std::string>(100, "nie baza")); },
       "file is not a database"},
      {"[db] cannot be opened",
       [](const TestHome& h) {
         h.write_settings({"[db_driver]=sqlite", "[db]=brak/x.db"});
       },
       "unable to open database file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestHome fresh;
    fresh.sql("create table t (x integer);");
    c.spoil(fresh);
    std::ostringstream err;
    EXPECT_EQ(headless_run(fresh.home(), clock, err), 1);
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    auto lines = fresh.log_lines("2026-12-10");
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[1], "Uruchomienie: 2026-12-10 08:00:00");
    EXPECT_NE(lines.back().find(c.message), std::string::npos) << lines.back();
  }
}

TEST_F(HeadlessRun, AHomeFolderInUseIsLeftUntouched) {
  home.write_definitions({{.raport = "R", .zapytanie = {"select id from sprzedaz"}, .nazwa_pliku = "r.csv"}});
  core::write_lines(home.home().temporary() / "wysylany.pdf", {"the other run is mailing this"});
  core::HomeLock other_run(home.home().lock_file());
  std::string err;
  EXPECT_EQ(run(&err), 75);
  EXPECT_EQ(err, "orvena: another run is using " + home.home().root().string() + "\n");
  EXPECT_TRUE(std::filesystem::exists(home.home().temporary() / "wysylany.pdf"));
  EXPECT_FALSE(std::filesystem::exists(home.home().temporary() / "r.csv"));
  EXPECT_TRUE(std::filesystem::is_empty(home.home().logs()));
}

}  // namespace
}  // namespace orvena::app
