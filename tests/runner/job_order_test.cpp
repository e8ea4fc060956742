// Reports made several at once and ending out of order: the runner still logs, names and
// delivers them as a run that made one at a time.
#include <gtest/gtest.h>

#include <vector>

#include "core/error.h"
#include "core/line_file.h"
#include "runner/job_runner.h"
#include "support/test_home.h"

namespace orvena::runner {
namespace {

namespace fs = std::filesystem;
using test::TestHome;

// Takes up to `capacity` orders and ends the newest first, as a short report started after a
// long one would; each "report" is a file naming its template.
struct NewestFirstQueue : ProductionQueue {
  explicit NewestFirstQueue(size_t capacity) : m_capacity(capacity) {}
  size_t capacity() const override { return m_capacity; }
  size_t busy() const override { return started.size(); }
  void start(size_t job, ProductionOrder order) override { started.emplace_back(job, std::move(order)); }
  std::pair<size_t, ProductionOutcome> wait_any() override {
    auto [job, order] = started.back();
    started.pop_back();
    ProductionOutcome outcome;
    if (order.szablon_raportu == "zly.orp")
      outcome.error = ProductionError(ProductionStep::Template, "brak szablonu");
    else
      core::write_file_atomic(order.output, "raport z " + order.szablon_raportu);
    return {job, outcome};
  }
  void stop() override {}

  size_t m_capacity;
  std::vector<std::pair<size_t, ProductionOrder>> started;
};

// Records each mail with the content of the file it was handed at that moment.
struct Mailbox : MailSender, FtpUploader {
  std::vector<std::string> mails;
  bool wyslij_raport_email(const std::string& na_adres, const std::string&, const std::string&,
                           const fs::path& plik) override {
    mails.push_back(na_adres + ": " + plik.filename().string() + " = " + core::read_file(plik));
    return true;
  }
  void konfiguruj_ftp(const std::string&, const std::string&, const std::string&) override {}
  bool zapisz_plik(const fs::path&, const std::string&, const std::string&) override { return true; }
};

class JobOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    home.sql("create table t (x integer); insert into t values (1), (2);");
    connection.set_target(db::SqliteTarget{home.db_file()});
    connection.open();
  }

  static TestHome::Definition mailed(const std::string& raport, const std::string& plik,
                                     const std::string& szablon) {
    return {.raport = raport,
            .zapytanie = {"select x from t"},
            .nazwa_pliku = plik,
            .szablon_raportu = szablon,
            .format_pliku = "pdf",
            .wyslij_na = "e-mail",
            .adresaci = {raport + "@example.com"}};
  }

  struct Outcome {
    std::vector<std::string> log, mails, saved;
    size_t failed = 0;
  };

  Outcome run(size_t capacity) {
    fs::remove_all(home.home().logs());
    fs::create_directories(home.home().logs());
    core::RunLog log;
    NewestFirstQueue queue(capacity);
    Mailbox mailbox;
    JobRunner runner{{home.home(), clock, settings, log, dataset, sql, production, mailbox, mailbox}};
    runner.use_queue(&queue);
    runner.wczytaj_zadania();
    return {log.lines(), mailbox.mails, home.log_lines("2026-12-10"), runner.failed_jobs()};
  }

  TestHome home;
  core::FixedClock clock{core::encode_date(2026, 12, 10)};
  config::Konfiguracja settings;
  db::Connection connection;
  db::Query dataset{connection};
  SqlBuffer sql;
  UnavailableReportProducer producer;
  OutputProduction production{dataset, sql, home.home().templates(), producer};
};

TEST_F(JobOrder, ReportsEndingOutOfOrderAreLoggedNamedAndDeliveredInDefinitionOrder) {
  auto skipped = mailed("Pominiety", "p.pdf", "a.orp");
  skipped.dni_raportu = "0000000";
  home.write_definitions({mailed("A", "wspolny.pdf", "a.orp"), mailed("B", "b.pdf", "b.orp"), skipped,
                          mailed("Zly", "z.pdf", "zly.orp"), mailed("C", "wspolny.pdf", "c.orp"),
                          mailed("D", "d.pdf", "d.orp")});
  const Outcome one = run(1);
  const Outcome four = run(4);

  // Each of two definitions writing one name delivered its own report.
  EXPECT_EQ(four.mails,
            (std::vector<std::string>{
                "A@example.com: wspolny.pdf = raport z a.orp", "B@example.com: b.pdf = raport z b.orp",
                "C@example.com: wspolny.pdf = raport z c.orp", "D@example.com: d.pdf = raport z d.orp"}));
  EXPECT_EQ(four.log, one.log);
  EXPECT_EQ(four.saved, four.log);
  EXPECT_EQ(four.mails, one.mails);
  EXPECT_EQ(four.failed, 1u);
  EXPECT_EQ(core::read_file(home.home().temporary() / "wspolny.pdf"), "raport z c.orp");
  // A job's lines stay together: its end line comes right before the next job's opening line.
  for (size_t i = 1; i < four.log.size(); ++i)
    if (four.log[i].rfind("Wykonuję raport: ", 0) == 0) {
      EXPECT_EQ(four.log[i - 1], std::string(112, '=')) << i;
    }
}

// A count query that fails ends the run, as with one report at a time: the jobs read before it
// are ended and delivered, the failing job's opening lines are the log's last.
TEST_F(JobOrder, AnErrorEndingTheRunSettlesTheJobsBeforeIt) {
  auto broken = mailed("Zepsuty", "z.pdf", "a.orp");
  broken.zapytanie = {"select * from brak"};
  home.write_definitions(
      {mailed("A", "a.pdf", "a.orp"), mailed("B", "b.pdf", "b.orp"), broken, mailed("C", "c.pdf", "c.orp")});
  std::vector<std::string> logs[2], mails[2];
  for (size_t capacity : {1, 4}) {
    core::RunLog log;
    NewestFirstQueue queue(capacity);
    Mailbox mailbox;
    JobRunner runner{{home.home(), clock, settings, log, dataset, sql, production, mailbox, mailbox}};
    runner.use_queue(&queue);
    EXPECT_THROW(runner.wczytaj_zadania(), std::exception);
    EXPECT_FALSE(runner.running());
    logs[capacity == 4] = log.lines();
    mails[capacity == 4] = mailbox.mails;
  }
  EXPECT_EQ(logs[1], logs[0]);
  EXPECT_EQ(mails[1], (std::vector<std::string>{"A@example.com: a.pdf = raport z a.orp",
                                                "B@example.com: b.pdf = raport z b.orp"}));
  ASSERT_FALSE(logs[1].empty());
  EXPECT_EQ(logs[1].back(), "Jest to dzień tygodnia: czw");
}

}  // namespace
}  // namespace orvena::runner
