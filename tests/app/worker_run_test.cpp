// Whole runs whose reports are made by worker processes of the orvena program: a report that
// loops, eats memory or is killed ends with its failure line and the run goes on; several
// workers at once give the run of one worker, line for line and byte for byte.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "app/report_engine.h"
#include "app/session.h"
#include "app/worker.h"
#include "core/line_file.h"
#include "support/report_template.h"
#include "support/test_home.h"

namespace orvena::app {
namespace {

namespace fs = std::filesystem;
using test::TestHome;
using test::write_template;

const std::string kFailed = ">> BŁĄD! : Nie udało się przygotować danych z polecenia SQL!";

ProductionOptions workers(const TestHome& home, unsigned jobs) {
  return {.worker_command = {std::string(ORVENA_BINARY_DIR) + "/src/app/orvena", kWorkerOption, "--home",
                             home.home().root().string()},
          .jobs = jobs};
}

// The lines of one job, from its opening line to its end line.
std::vector<std::string> job_lines(const std::vector<std::string>& log, const std::string& raport) {
  auto begin = std::find(log.begin(), log.end(), "Wykonuję raport: " + raport);
  auto end = std::find(begin, log.end(), "Koniec raportu: " + raport);
  return end == log.end() ? std::vector<std::string>{} : std::vector<std::string>(begin, end + 1);
}

// Every file in Tymczasowe, by name (hidden partial files included).
std::map<std::string, std::string> files_of(const TestHome& home) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(home.home().temporary()))
    if (e.is_regular_file())
      out[fs::relative(e.path(), home.home().temporary()).string()] = core::read_file(e.path());
  return out;
}

bool sanitized_build() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#endif
#endif
  return false;
}

class WorkerRun : public ::testing::Test {
 protected:
  void SetUp() override { home.sql("create table t (x integer); insert into t values (7), (8);"); }

  // One unattended run; `pump` is called while the run waits for its workers.
  RunSummary run(unsigned jobs, std::function<void()> pump = {}) {
    Session session(home.home(), clock);
    session.apply(workers(home, jobs));
    if (pump) session.set_pump(std::move(pump));
    session.start_up();
    session.connect();
    RunSummary summary = session.unattended_run();
    log = session.log().lines();
    return summary;
  }

  static TestHome::Definition pdf(const std::string& raport, const std::string& szablon) {
    return {.raport = raport,
            .zapytanie = {"select x from t"},
            .nazwa_pliku = raport + ".pdf",
            .szablon_raportu = szablon,
            .format_pliku = "pdf"};
  }

  // What is left of a report that failed: nothing under its name, no partial file of the run.
  void expect_no_file_of(const std::string& name) {
    EXPECT_FALSE(fs::exists(home.home().temporary() / name));
    for (const auto& [file, bytes] : files_of(home))
      EXPECT_NE(file.rfind(".~", 0), 0u) << "partial file left: " << file;
  }

  TestHome home;
  core::FixedClock clock{core::encode_date(2026, 12, 10) + core::encode_time(6, 0, 0)};
  std::vector<std::string> log;
};

const char* kEndlessScript =
    "procedure RowOnBeforePrint(Sender: TrpComponent);\nbegin\n  while True do ;\nend;\nbegin end.";

TEST_F(WorkerRun, AnEndlessScriptEndsAtTheTimeLimitAndTheNextReportIsMade) {
  // 0,05 min = 3 s; the step budget far beyond what 3 s can take, so only the time limit ends it.
  home.write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db", "[limit_czasu_raportu]=0,05",
                       "[limit_krokow_skryptu]=999999999999999"});
  write_template(home.home().templates() / "petla.orp", kEndlessScript, "[DaneOrvena.\"x\"]");
  write_template(home.home().templates() / "zwykly.orp", "begin end.", "[DaneOrvena.\"x\"]");
  home.write_definitions({pdf("Petla", "petla.orp"), pdf("Zwykly", "zwykly.orp")});

  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(run(1).failed_jobs, 1u);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));

  const auto petla = job_lines(log, "Petla");
  ASSERT_GE(petla.size(), 3u);
  EXPECT_EQ(petla[petla.size() - 3], kFailed);
  EXPECT_TRUE(
      std::regex_match(petla[petla.size() - 2],
                       std::regex(">> Nie udało się utworzyć raportu: przekroczono limit czasu raportu "
                                  "\\(0,05 min\\) - przerwano go po [3-9],[0-9] s")))
      << petla[petla.size() - 2];
  expect_no_file_of("Petla.pdf");
  const auto zwykly = job_lines(log, "Zwykly");
  ASSERT_GE(zwykly.size(), 2u);
  EXPECT_EQ(zwykly[zwykly.size() - 2], "Spełniono wszystkie warunki - TWORZĘ i WYSYŁAM RAPORT!");
  EXPECT_EQ(core::read_file(home.home().temporary() / "Zwykly.pdf").substr(0, 5), "%PDF-");
}

TEST_F(WorkerRun, AReportPastTheMemoryLimitEndsWithItsLineAndTheNextReportIsMade) {
  if (sanitized_build())
    GTEST_SKIP() << "an address sanitizer's shadow memory does not fit an address-space limit";
  home.write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db", "[limit_pamieci_raportu]=1024",
                       "[limit_krokow_skryptu]=999999999999999"});
  // 8 MB strings, each a new copy, kept in an array: 8 GB unless something stops it.
  write_template(home.home().templates() / "pamiec.orp",
                 "procedure RowOnBeforePrint(Sender: TrpComponent);\nvar s: String; i: Integer; "
                 "a: array[0..1000] of String;\nbegin\n  s := 'x';\n  for i := 1 to 23 do s := s + s;\n"
                 "  for i := 0 to 1000 do a[i] := s + IntToStr(i);\nend;\nbegin end.",
                 "[DaneOrvena.\"x\"]");
  write_template(home.home().templates() / "zwykly.orp", "begin end.", "[DaneOrvena.\"x\"]");
  home.write_definitions({pdf("Pamiec", "pamiec.orp"), pdf("Zwykly", "zwykly.orp")});

  EXPECT_EQ(run(1).failed_jobs, 1u);
  const auto pamiec = job_lines(log, "Pamiec");
  ASSERT_GE(pamiec.size(), 3u);
  EXPECT_EQ(pamiec[pamiec.size() - 3], kFailed);
  EXPECT_TRUE(
      std::regex_match(pamiec[pamiec.size() - 2],
                       std::regex(">> Nie udało się utworzyć raportu: przekroczono limit pamięci raportu "
                                  "\\(1024 MiB\\) - przerwano go po [0-9]+,[0-9] s")))
      << pamiec[pamiec.size() - 2];
  expect_no_file_of("Pamiec.pdf");
  EXPECT_EQ(core::read_file(home.home().temporary() / "Zwykly.pdf").substr(0, 5), "%PDF-");
}

// The worker of this run, found among our children by its option.
pid_t worker_pid() {
  for (const auto& e : fs::directory_iterator("/proc")) {
    const std::string name = e.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(e.path() / "stat");
    std::string pid, comm, state;
    pid_t ppid = 0;
    if (!(stat >> pid >> comm >> state >> ppid) || ppid != getpid()) continue;
    if (core::read_file(e.path() / "cmdline").find(kWorkerOption) != std::string::npos) return std::stoi(pid);
  }
  return 0;
}

TEST_F(WorkerRun, AWorkerKilledMidReportLeavesNoFileAndTheRunGoesOn) {
  home.write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db", "[limit_krokow_skryptu]=999999999999999"});
  write_template(home.home().templates() / "petla.orp", kEndlessScript, "[DaneOrvena.\"x\"]");
  // The killed report was to go by FTP: nothing may be attempted with its file.
  auto killed = pdf("Zabity", "petla.orp");
  killed.wyslij_na = "ftp";
  killed.adres_ftp = "127.0.0.1";
  home.write_definitions(
      {killed, {.raport = "Nastepny", .zapytanie = {"select x from t"}, .nazwa_pliku = "n.csv"}});

  const auto started = std::chrono::steady_clock::now();
  bool sent = false;
  EXPECT_EQ(run(1,
                [&] {
                  // Mid-report: the worker has been looping for half a second.
                  if (sent || std::chrono::steady_clock::now() - started < std::chrono::milliseconds(500))
                    return;
                  if (pid_t pid = worker_pid()) sent = ::kill(pid, SIGKILL) == 0;
                })
                .failed_jobs,
            1u);
  ASSERT_TRUE(sent);
  const auto zabity = job_lines(log, "Zabity");
  ASSERT_GE(zabity.size(), 3u);
  EXPECT_EQ(zabity[zabity.size() - 3], kFailed);
  EXPECT_TRUE(std::regex_match(
      zabity[zabity.size() - 2],
      std::regex(">> Nie udało się utworzyć raportu: proces raportu został zabity \\(sygnał SIGKILL\\) po "
                 "[0-9]+,[0-9] s")))
      << zabity[zabity.size() - 2];
  for (const auto& line : zabity) EXPECT_EQ(line.find("serwer FTP"), std::string::npos) << line;
  expect_no_file_of("Zabity.pdf");
  EXPECT_EQ(core::read_file(home.home().temporary() / "n.csv"), "\"x\"\r\n7\r\n8\r\n");
}

// A PDF's file identifier is random by design; everything else must match.
std::string without_pdf_id(std::string bytes) {
  static const std::regex id("/ID \\[<[0-9A-Fa-f]+> ?<[0-9A-Fa-f]+>\\]");
  return std::regex_replace(bytes, id, "/ID []");
}

TEST_F(WorkerRun, FourWorkersGiveTheLogAndTheFilesOfOne) {
  home.sql(
      "create table w (n integer, opis text);"
      "with recursive c(n) as (select 1 union all select n + 1 from c where n < 300) "
      "insert into w select n, 'pozycja ' || n from c;");
  write_template(home.home().templates() / "wiersze.orp", "begin end.", "[DaneOrvena.\"opis\"]");
  std::vector<TestHome::Definition> defs;
  const char* formats[] = {"csv", "excel", "excel-arkusze", "html", "pdf", "tiff", "word"};
  for (int i = 0; i < 12; ++i) {
    const std::string format = formats[i % 7];
    // Reports of different sizes, so that the workers end out of order.
    defs.push_back({.raport = "R" + std::to_string(i),
                    .zapytanie = {"select n, opis from w where n <= " + std::to_string(300 - i * 25)},
                    .nazwa_pliku = "r" + std::to_string(i) + "." + format,
                    .szablon_raportu = "wiersze.orp",
                    .format_pliku = format});
  }
  // Two definitions writing one file: each is made and noted in turn, the later one is left.
  defs[3].nazwa_pliku = defs[10].nazwa_pliku = "wspolny.html";
  defs[10].format_pliku = "html";
  // A skipped one and a failing one in the middle keep their places too.
  defs[5].dni_raportu = "0000000";
  defs[8].szablon_raportu = "brak.orp";
  home.write_definitions(defs);

  run(1);
  const auto sequential_log = log;
  const auto sequential_files = files_of(home);
  run(4);

  EXPECT_EQ(log, sequential_log);
  ASSERT_EQ(files_of(home).size(), sequential_files.size());
  for (const auto& [name, bytes] : files_of(home)) {
    ASSERT_TRUE(sequential_files.count(name)) << name;
    EXPECT_TRUE(without_pdf_id(bytes) == without_pdf_id(sequential_files.at(name))) << name << " differs";
  }
  // What the comparison stands on: both runs made these, and the shared name was noted.
  // 12, less the skipped one, the one without its template and one name written twice.
  EXPECT_EQ(sequential_files.size(), 9u);
  EXPECT_NE(
      std::find(log.begin(), log.end(),
                ">> UWAGA! : Plik raportu \"wspolny.html\" utworzył już raport \"R3\" - raport \"R10\" go "
                "zastąpił!"),
      log.end());
}

}  // namespace
}  // namespace orvena::app
