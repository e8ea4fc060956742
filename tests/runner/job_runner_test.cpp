// The runner's delivery steps and its guard against a second run, with recorders in place of
// the mail and FTP servers.
#include "runner/job_runner.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "core/error.h"
#include "core/line_file.h"
#include "support/test_home.h"

namespace orvena::runner {
namespace {

namespace fs = std::filesystem;
using test::TestHome;

struct Recorder : MailSender, FtpUploader {
  std::vector<std::string> calls;
  std::function<bool(const std::string&)> mail_result = [](const std::string&) { return true; };
  bool ftp_result = true;

  bool wyslij_raport_email(const std::string& na_adres, const std::string& temat, const std::string& wpis,
                           const std::filesystem::path& plik) override {
    calls.push_back("mail " + na_adres + " | " + temat + " | " + wpis + " | " + plik.filename().string());
    return mail_result(na_adres);
  }
  void konfiguruj_ftp(const std::string& serwer, const std::string& uzytkownik,
                      const std::string& haslo) override {
    calls.push_back("ftp config " + serwer + " " + uzytkownik + " " + haslo);
  }
  bool zapisz_plik(const std::filesystem::path& z_pliku, const std::string& do_folderu,
                   const std::string& do_pliku_ftp) override {
    calls.push_back("ftp store " + z_pliku.filename().string() + " -> " + do_folderu + " / " + do_pliku_ftp);
    return ftp_result;
  }
};

// A report engine stand-in: writes what `write` says to the file it is given and returns
// `notices`, or, without a script, fails as no engine does.
struct ScriptedProducer : ReportProducer {
  std::function<void(const fs::path&)> write;
  std::vector<std::string> notices;
  ProductionResult produce(const ExportRequest& request, db::Query& data) override {
    if (!write) return UnavailableReportProducer().produce(request, data);
    write(request.output);
    return {notices};
  }
};

class JobRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home.sql("create table t (x integer); insert into t values (1), (2);");
    settings.email_stopka = "Stopka";
    settings.email_tresc = "Treść\r";
    settings.email_podpis = "Podpis";
    connection.set_target(db::SqliteTarget{home.db_file()});
    connection.open();
  }

  // The delivery and failure lines from line `from` of the log on.
  std::vector<std::string> delivery_lines(size_t from = 0) const {
    std::vector<std::string> out;
    for (size_t i = from; i < log.lines().size(); ++i)
      if (const std::string& l = log.lines()[i]; l.rfind("Próba", 0) == 0 || l.rfind(">>", 0) == 0)
        out.push_back(l);
    return out;
  }

  TestHome home;
  core::FixedClock clock{core::encode_date(2026, 12, 10)};
  config::Konfiguracja settings;
  core::RunLog log;
  db::Connection connection;
  db::Query dataset{connection};
  SqlBuffer sql;
  ScriptedProducer producer;
  OutputProduction production{dataset, sql, home.home().templates(), producer};
  Recorder recorder;
  JobRunner runner{{home.home(), clock, settings, log, dataset, sql, production, recorder, recorder}};
};

TEST_F(JobRunnerTest, MailToEachRecipientLineThenFtp) {
  home.write_definitions({{.raport = "R",
                           .zapytanie = {"select x", "from t"},
                           .nazwa_pliku = "r.csv",
                           .wyslij_na = "e-mail/ftp",
                           .adres_ftp = "ftp.example.com",
                           .folder_ftp = "/raporty",
                           .user_ftp = "jan",
                           .pass_ftp = "tajne",
                           .temat_email = "Raport [<data>]",
                           .adresaci = {"a@example.com", "b@example.com; c@example.com"}}});
  recorder.mail_result = [](const std::string& to) { return to == "a@example.com"; };
  ASSERT_TRUE(runner.wczytaj_zadania());
  EXPECT_EQ(recorder.calls,
            (std::vector<std::string>{
                "mail a@example.com | Raport 2026-12-10 | Stopka\r\rTreść\r\rPodpis | r.csv",
                "mail b@example.com; c@example.com | Raport 2026-12-10 | Stopka\r\rTreść\r\rPodpis | r.csv",
                "ftp config ftp.example.com jan tajne", "ftp store r.csv -> /raporty / r.csv"}));
  // A refused mail adds no line of the runner's own (the mail operation logs its error).
  EXPECT_EQ(delivery_lines(),
            (std::vector<std::string>{"Próba wysłania raportu na adres: a@example.com",
                                      ">> Poprawnie wysłano raport na adres e-mail: a@example.com!",
                                      "Próba wysłania raportu na adres: b@example.com; c@example.com",
                                      ">> Wysłano raport na serwer FTP: ftp.example.com!"}));
  // Every query of the job took its text from the SQL box.
  EXPECT_EQ(sql.text(), "select x\r\nfrom t");
  EXPECT_EQ(runner.failed_jobs(), 1u) << "one refused recipient fails the job";
}

TEST_F(JobRunnerTest, FailedFtpUploadIsLogged) {
  home.write_definitions({{.raport = "R",
                           .zapytanie = {"select x from t"},
                           .nazwa_pliku = "r.csv",
                           .wyslij_na = "ftp",
                           .adres_ftp = "ftp.example.com"}});
  recorder.ftp_result = false;
  runner.wczytaj_zadania();
  EXPECT_EQ(delivery_lines(),
            (std::vector<std::string>{">> NIE UDAŁO się wysłać raportu na serwer FTP: ftp.example.com!"}));
  EXPECT_EQ(runner.failed_jobs(), 1u);
}

TEST_F(JobRunnerTest, ErrorDuringMailEndsThatJobsDeliveryWithItsOwnLine) {
  home.write_definitions({{.raport = "R",
                           .zapytanie = {"select x from t"},
                           .nazwa_pliku = "r.csv",
                           .wyslij_na = "e-mail/ftp",
                           .adresaci = {"a@example.com", "b@example.com"}},
                          {.raport = "Następny", .zapytanie = {"select x from t"}, .nazwa_pliku = "n.csv"}});
  // A settings port that is no number fails every mail before it is sent.
  recorder.mail_result = [](const std::string&) -> bool {
    throw core::Error("'abc' is not a valid integer value");
  };
  ASSERT_TRUE(runner.wczytaj_zadania());
  // Only the first recipient was tried, no FTP step, and not the production line since the file
  // was made: the error's own text says why the delivery ended.
  EXPECT_EQ(recorder.calls.size(), 1u);
  auto it =
      std::find(log.lines().begin(), log.lines().end(), "Próba wysłania raportu na adres: a@example.com");
  ASSERT_NE(it, log.lines().end());
  EXPECT_EQ(*(it + 1), "'abc' is not a valid integer value");
  EXPECT_EQ(*(it + 2), "Koniec raportu: R");
  EXPECT_EQ(log.lines()[log.lines().size() - 2], "Koniec raportu: Następny");
  EXPECT_EQ(runner.failed_jobs(), 1u);
}

TEST_F(JobRunnerTest, AJobDeliversOnlyAFileItProducedInThisRun) {
  // The second definition's format is none of ours; the file under its name is the first's report,
  // meant for someone else.
  home.write_definitions({{.raport = "Pierwszy",
                           .zapytanie = {"select x from t"},
                           .nazwa_pliku = "wspolny.csv",
                           .wyslij_na = "e-mail",
                           .adresaci = {"zarzad@example.com"}},
                          {.raport = "Drugi",
                           .zapytanie = {"select x from t"},
                           .nazwa_pliku = "wspolny.csv",
                           .format_pliku = "xml",
                           .wyslij_na = "e-mail/ftp",
                           .adres_ftp = "ftp.example.com",
                           .adresaci = {"obcy@example.com"}}});
  ASSERT_TRUE(runner.wczytaj_zadania());
  ASSERT_EQ(recorder.calls.size(), 1u);
  EXPECT_EQ(recorder.calls[0].rfind("mail zarzad@example.com", 0), 0u);
  auto end = std::find(log.lines().begin(), log.lines().end(), "Koniec raportu: Drugi");
  ASSERT_NE(end, log.lines().end());
  EXPECT_EQ(
      *(end - 1),
      ">> BŁĄD! : Nie wysłano raportu - format pliku \"xml\" jest nieznany i plik raportu nie powstał!");
  EXPECT_EQ(runner.failed_jobs(), 1u);
}

TEST_F(JobRunnerTest, FailedJobsCountsEachFailingJobOnceAndIsResetByTheNextRun) {
  home.write_definitions({
      {.raport = "Dobry", .zapytanie = {"select x from t"}, .nazwa_pliku = "a.csv", .wyslij_na = "ftp"},
      {.raport = "Bez pliku", .zapytanie = {"select x from t"}, .nazwa_pliku = "../poza.csv"},
      {.raport = "Poczta",
       .zapytanie = {"select x from t"},
       .nazwa_pliku = "b.csv",
       .wyslij_na = "e-mail/ftp",
       .adresaci = {"a@example.com", "b@example.com"}},
      // Not due: skipped, which is no failure.
      {.raport = "Nie dziś",
       .dni_raportu = "0000000",
       .zapytanie = {"select x from t"},
       .nazwa_pliku = "c.csv"},
  });
  recorder.mail_result = [](const std::string&) { return false; };
  recorder.ftp_result = true;
  ASSERT_TRUE(runner.wczytaj_zadania());
  EXPECT_EQ(runner.failed_jobs(), 2u) << "both refused mails of one job count once";

  home.write_definitions({{.raport = "Dobry", .zapytanie = {"select x from t"}, .nazwa_pliku = "a.csv"}});
  ASSERT_TRUE(runner.wczytaj_zadania());
  EXPECT_EQ(runner.failed_jobs(), 0u);
}

TEST_F(JobRunnerTest, AReportWhoseWriterFailsLeavesNoFileUnderItsName) {
  home.write_definitions({{.raport = "P",
                           .zapytanie = {"select x from t"},
                           .nazwa_pliku = "p.pdf",
                           .format_pliku = "pdf",
                           .wyslij_na = "e-mail",
                           .adresaci = {"a@example.com"}}});
  producer.write = [](const fs::path& out) {
    core::write_lines(out, {"%PDF-1.4 half a report"});
    throw core::Error("No space left on device");
  };
  ASSERT_TRUE(runner.wczytaj_zadania());
  EXPECT_TRUE(recorder.calls.empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(home.home().temporary()), {}), 0);

  producer.write = [](const fs::path& out) { core::write_lines(out, {"%PDF-1.4 whole"}); };
  ASSERT_TRUE(runner.wczytaj_zadania());
  EXPECT_EQ(core::read_file(home.home().temporary() / "p.pdf"), "%PDF-1.4 whole\r\n");
  EXPECT_EQ(recorder.calls.size(), 1u);
}

// What the report's run noticed is a warning line each, after the report is made and before it
// is delivered; the job has not failed.
TEST_F(JobRunnerTest, NoticesOfAMadeReportAreWarningLinesAndNoFailure) {
  home.write_definitions({{.raport = "P",
                           .zapytanie = {"select x from t"},
                           .nazwa_pliku = "p.pdf",
                           .format_pliku = "pdf",
                           .wyslij_na = "e-mail",
                           .adresaci = {"a@example.com"}}});
  producer.write = [](const fs::path& out) { core::write_lines(out, {"%PDF-1.4 whole"}); };
  producer.notices = {"Memo1: tekst jest dłuższy niż 1 MB i został obcięty",
                      "Memo2: tekst jest dłuższy niż 1 MB i został obcięty"};
  ASSERT_TRUE(runner.wczytaj_zadania());
  EXPECT_EQ(delivery_lines(),
            (std::vector<std::string>{">> UWAGA! : Memo1: tekst jest dłuższy niż 1 MB i został obcięty!",
                                      ">> UWAGA! : Memo2: tekst jest dłuższy niż 1 MB i został obcięty!",
                                      "Próba wysłania raportu na adres: a@example.com",
                                      ">> Poprawnie wysłano raport na adres e-mail: a@example.com!"}));
  EXPECT_EQ(recorder.calls.size(), 1u);
  EXPECT_EQ(runner.failed_jobs(), 0u);
}

TEST_F(JobRunnerTest, ASecondRunWhileOneIsUnderWayIsRefused) {
  home.write_definitions({{.raport = "R",
                           .zapytanie = {"select x from t"},
                           .nazwa_pliku = "r.csv",
                           .wyslij_na = "e-mail",
                           .adresaci = {"a@example.com"}}});
  bool nested_result = true;
  // The mail step lets the window process messages; a click there must not start another run.
  recorder.mail_result = [&](const std::string&) {
    nested_result = runner.wczytaj_zadania();
    return true;
  };
  EXPECT_TRUE(runner.wczytaj_zadania());
  EXPECT_FALSE(nested_result);
  EXPECT_EQ(std::count(log.lines().begin(), log.lines().end(), "Wykonuję raport: R"), 1);
  EXPECT_FALSE(runner.running());
  EXPECT_TRUE(runner.wczytaj_zadania());  // and the next run after it goes ahead
}

TEST_F(JobRunnerTest, AProductionFailureLogsTheFixedLineAndTheStepThatFailed) {
  const std::string fixed = ">> BŁĄD! : Nie udało się przygotować danych z polecenia SQL!";
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> write;  // empty: no writer for the format
    std::string step_line;
  };
  const std::vector<Case> cases = {
      {"no writer for the format", nullptr,
       ">> Nie udało się wyeksportować raportu do formatu \"pdf\": Eksport w formacie \"pdf\" nie jest "
       "dostępny w tej wersji programu."},
      {"template",
       [](const fs::path&) { throw ProductionError(ProductionStep::Template, "Invalid file format"); },
       ">> Nie udało się wczytać szablonu raportu: Invalid file format"},
      // The report's error list comes in several lines; the log keeps it on one.
      {"preparation",
       [](const fs::path&) {
         throw ProductionError(ProductionStep::Preparation,
                               "Pojawił się następujący błąd(y):\r\nMasterData1: brak źródła\r\n");
       },
       ">> Nie udało się przygotować raportu z szablonu: Pojawił się następujący błąd(y): MasterData1: brak "
       "źródła"},
      {"writer",
       [](const fs::path&) { throw ProductionError(ProductionStep::Export, "No space left on device"); },
       ">> Nie udało się wyeksportować raportu do formatu \"pdf\": No space left on device"},
      // A producer that does not name its step still gets its reason logged.
      {"unnamed step", [](const fs::path&) { throw core::Error("Coś poszło źle"); },
       ">> Nie udało się utworzyć raportu: Coś poszło źle"},
      // Running out of memory is said in our words, not as "std::bad_alloc".
      {"out of memory", [](const fs::path&) { throw std::bad_alloc(); },
       ">> Nie udało się utworzyć raportu: Za mało pamięci operacyjnej, by dokończyć raport."},
  };
  home.write_definitions({{.raport = "P",
                           .zapytanie = {"select x from t"},
                           .nazwa_pliku = "p.pdf",
                           .szablon_raportu = "p.orp",
                           .format_pliku = "pdf",
                           .wyslij_na = "e-mail",
                           .adresaci = {"a@example.com"}}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t mark = log.lines().size();
    producer.write = c.write;
    runner.wczytaj_zadania();
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(delivery_lines(mark), (std::vector<std::string>{fixed, c.step_line}));
    EXPECT_EQ(runner.failed_jobs(), 1u);
  }
}

TEST_F(JobRunnerTest, FileAndQueryFailuresNameTheirStep) {
  // A name leaving Tymczasowe is refused before anything is written.
  home.write_definitions({{.raport = "U", .zapytanie = {"select x from t"}, .nazwa_pliku = "../u.csv"}});
  runner.wczytaj_zadania();
  EXPECT_EQ(delivery_lines(), (std::vector<std::string>{
                                  ">> BŁĄD! : Nie udało się przygotować danych z polecenia SQL!",
                                  ">> Nie udało się zapisać pliku raportu: Nazwa pliku raportu \"../u.csv\" "
                                  "wychodzi poza folder Tymczasowe."}));

  // The query runs again for the file; when that run fails, the step says so.
  sql.set_text("select y from brak");
  for (auto produce :
       {+[](OutputProduction&p, const fs::path&out) { p.export_report(ReportFormat::Pdf, out, "p.orp"); },
        +[](OutputProduction&p, const fs::path&out) { p.export_csv_full(out, {}); }}) {
    try {
      produce(production, home.home().temporary() / "q.out");
      ADD_FAILURE() << "a failing query produced a file";
    } catch (const ProductionError& e) {
      EXPECT_EQ(e.step(), ProductionStep::Query);
      EXPECT_NE(std::string(e.what()).find("brak"), std::string::npos) << e.what();
    }
  }
  EXPECT_FALSE(fs::exists(home.home().temporary() / "q.out"));
}

// A query that never returns, or a kill during it, must leave the day's log naming the report:
// here the query fails, which ends the run before the job's own save.
TEST_F(JobRunnerTest, TheJobsOpeningLinesAreSavedBeforeItsQueryRuns) {
  home.write_definitions(
      {{.raport = "Pierwszy", .zapytanie = {"select * from brak"}, .nazwa_pliku = "p.csv"}});
  EXPECT_THROW(runner.wczytaj_zadania(), core::Error);
  ASSERT_TRUE(fs::exists(home.home().log_file(clock.now()))) << "the first report left no log file";
  const auto saved = home.log_lines("2026-12-10");
  EXPECT_EQ(saved.front(), "Wykonuję raport: Pierwszy");
  EXPECT_EQ(saved.back(), "Jest to dzień tygodnia: czw");
  // Nothing is written twice by the job's closing save.
  home.write_definitions({{.raport = "Drugi", .zapytanie = {"select x from t"}, .nazwa_pliku = "d.csv"}});
  ASSERT_TRUE(runner.wczytaj_zadania());
  const auto day = home.log_lines("2026-12-10");
  EXPECT_EQ(std::count(day.begin(), day.end(), "Wykonuję raport: Drugi"), 1);
  EXPECT_EQ(day.back(), std::string(112, '='));
}

// A format that is none of ours makes no file, whoever was to receive it.
TEST_F(JobRunnerTest, AnUnknownFormatIsAFailureWithOrWithoutADestination) {
  struct Case {
    const char* wyslij_na;
    const char* line;
  };
  const Case cases[] = {
      {"", ">> BŁĄD! : Format pliku \"xml\" jest nieznany - plik raportu nie powstał!"},
      {"cokolwiek", ">> BŁĄD! : Format pliku \"xml\" jest nieznany - plik raportu nie powstał!"},
      {"ftp",
       ">> BŁĄD! : Nie wysłano raportu - format pliku \"xml\" jest nieznany i plik raportu nie powstał!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wyslij_na);
    const size_t mark = log.lines().size();
    home.write_definitions({{.raport = "X",
                             .zapytanie = {"select x from t"},
                             .nazwa_pliku = "x.xml",
                             .format_pliku = "xml",
                             .wyslij_na = c.wyslij_na}});
    ASSERT_TRUE(runner.wczytaj_zadania());
    EXPECT_EQ(delivery_lines(mark), (std::vector<std::string>{c.line}));
    EXPECT_EQ(runner.failed_jobs(), 1u);
  }
  EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(JobRunnerTest, TwoReportsWritingOneFileNameAreNamedInAWarning) {
  auto csv = [](const char* raport, const char* plik) {
    return TestHome::Definition{.raport = raport, .zapytanie = {"select x from t"}, .nazwa_pliku = plik};
  };
  home.write_definitions({csv("Pierwszy", "wspolny.csv"), csv("Inny", "inny.csv"),
                          csv("Drugi", "wspolny.csv"), csv("Trzeci", "wspolny.csv")});
  ASSERT_TRUE(runner.wczytaj_zadania());
  EXPECT_EQ(
      delivery_lines(),
      (std::vector<std::string>{">> UWAGA! : Plik raportu \"wspolny.csv\" utworzył już raport \"Pierwszy\" - "
                                "raport \"Drugi\" go zastąpił!",
                                ">> UWAGA! : Plik raportu \"wspolny.csv\" utworzył już raport \"Drugi\" - "
                                "raport \"Trzeci\" go zastąpił!"}));
  EXPECT_EQ(runner.failed_jobs(), 0u) << "a warning, not a failure";
  // Each run starts afresh: the files of the last run are not this run's.
  const size_t mark = log.lines().size();
  home.write_definitions({csv("Pierwszy", "wspolny.csv")});
  ASSERT_TRUE(runner.wczytaj_zadania());
  EXPECT_TRUE(delivery_lines(mark).empty());
}

TEST(OutputPath, StaysInsideTymczasowe) {
  core::Home home("/h");
  EXPECT_EQ(output_path(home, "raport 2026-12-10 .pdf"), "/h/Tymczasowe/raport 2026-12-10 .pdf");
  for (const char* bad : {"../x.csv", "a/b.csv", "a\\b.csv", "..", "/etc/passwd"})
    EXPECT_THROW(output_path(home, bad), core::Error) << bad;
}

}  // namespace
}  // namespace orvena::runner
