// The main window on the offscreen platform, with its timers ticked by hand.
#include "app/gui/main_window.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <QElapsedTimer>
#include <QTimer>
#include "app/session.h"
#include "app/worker.h"
#include "core/line_file.h"
#include "core/version.h"
#include "qt_app.h"
#include "support/report_template.h"
#include "support/test_home.h"

namespace orvena::app {
namespace {

using test::TestHome;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::qt_app();
    home.sql("create table t (x integer); insert into t values (1), (2);");
    home.write_definitions(
        {{.raport = "Raport testowy", .zapytanie = {"select x from t"}, .nazwa_pliku = "t.csv"}});
  }

  std::unique_ptr<MainWindow> make_window() {
    MainWindow::Options options;
    options.start_timers = false;
    options.show_error = [this](const QString& message) { errors << message; };
    options.busy = [this] { return preview_preparing; };
    options.designing = [this] { return designing; };
    auto window = std::make_unique<MainWindow>(session, options);
    window->show();
    return window;
  }

  void tick(MainWindow& w, int n) {
    for (int i = 0; i < n; ++i) w.auto_run_tick();
  }

  std::vector<std::string> log_view_lines(MainWindow& w) {
    std::vector<std::string> out;
    for (const auto& l : w.log_view()->toPlainText().split('\n')) out.push_back(l.toStdString());
    return out;
  }

  TestHome home;
  core::FixedClock clock{core::encode_date(2026, 12, 10) + core::encode_time(9, 30, 0)};
  Session session{home.home(), clock};
  QStringList errors;
  bool preview_preparing = false;
  bool designing = false;
};

TEST_F(MainWindowTest, TheWindowAsCreated) {
  auto w = make_window();
  EXPECT_EQ(w->windowTitle(),
            QString::fromUtf8("Aplikacja do automatycznego wysyłania raportów - Orvena Tivorn - Wersja ") +
                QString::fromUtf8(core::kVersion));
  EXPECT_EQ(w->size(), QSize(737, 350));
  EXPECT_FALSE(w->stop_button()->isEnabled());
  EXPECT_TRUE(w->stop_button()->isVisible());
  EXPECT_FALSE(w->run_all_button()->isVisible());
  EXPECT_FALSE(w->editor_button()->isVisible());
  EXPECT_EQ(w->progress()->maximum(), 10);
}

TEST_F(MainWindowTest, StopIsDisabledUntilConnectedAndThenKeepsTheWindowOpen) {
  auto w = make_window();
  w->auto_start_tick();
  EXPECT_TRUE(w->auto_run_active());
  tick(*w, 1);  // first tick: counting only
  EXPECT_FALSE(w->stop_button()->isEnabled());
  tick(*w, 1);  // second tick: the connection opens
  EXPECT_TRUE(w->stop_button()->isEnabled());
  EXPECT_TRUE(session.connection().is_open());
  EXPECT_EQ(w->progress()->value(), 2);

  QTest::mouseClick(w->stop_button(), Qt::LeftButton);
  EXPECT_FALSE(w->auto_run_active());
  EXPECT_FALSE(w->progress()->isVisible());
  EXPECT_TRUE(w->run_all_button()->isVisible());
  EXPECT_TRUE(w->editor_button()->isVisible());
  EXPECT_TRUE(w->isVisible());
  test::screenshot(*w, "main_window_after_stop");

  // "wykonaj wszystkie raporty" runs the definitions alone: no opening and no closing lines.
  QTest::mouseClick(w->run_all_button(), Qt::LeftButton);
  auto lines = log_view_lines(*w);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Wykonuję raport: Raport testowy");
  EXPECT_EQ(lines.back(), std::string(112, '='));
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
  EXPECT_EQ(home.log_lines("2026-12-10"), session.log().lines());
  // The file, not only the screen, is free of the opening and closing lines.
  for (const auto& line : home.log_lines("2026-12-10")) {
    EXPECT_NE(line.rfind("Uruchomiono aplikację", 0), 0u) << line;
    EXPECT_NE(line.rfind("Zamknięcie aplikacji", 0), 0u) << line;
  }
}

// The preview prepares its report from the session's dataset while pumping events; a run then
// would reopen that dataset under it.
TEST_F(MainWindowTest, RunningTheReportsWaitsForAPreviewBeingPrepared) {
  auto w = make_window();
  w->auto_start_tick();
  tick(*w, 2);
  QTest::mouseClick(w->stop_button(), Qt::LeftButton);

  preview_preparing = true;
  QTest::mouseClick(w->run_all_button(), Qt::LeftButton);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(errors.front().toStdString(),
            "Trwa przygotowanie raportu w podglądzie. Raporty można wykonać, gdy się zakończy.");
  EXPECT_TRUE(session.log().lines().empty());
  EXPECT_FALSE(std::filesystem::exists(home.home().logs() / "log_2026-12-10.txt"));

  preview_preparing = false;
  // The designer edits the report the run would load templates into.
  designing = true;
  QTest::mouseClick(w->run_all_button(), Qt::LeftButton);
  ASSERT_EQ(errors.size(), 2);
  EXPECT_EQ(errors.back().toStdString(),
            "Projektant raportu jest otwarty. Raporty można wykonać, gdy zostanie zamknięty.");
  EXPECT_TRUE(session.log().lines().empty());

  designing = false;
  QTest::mouseClick(w->run_all_button(), Qt::LeftButton);
  EXPECT_EQ(errors.size(), 2);
  ASSERT_FALSE(session.log().lines().empty());
  EXPECT_EQ(session.log().lines().front(), "Wykonuję raport: Raport testowy");
}

TEST_F(MainWindowTest, AFailingConnectionIsTriedAgainAtEveryTick) {
  home.write_settings({"[db_driver]=sqlite", "[db]=Dane/brak/nie_ma.db"});
  auto w = make_window();
  w->auto_start_tick();
  tick(*w, 4);
  EXPECT_EQ(w->counter(), 1);  // stuck before the connection
  EXPECT_EQ(errors.size(), 3);
  EXPECT_TRUE(errors.front().contains("nie_ma.db")) << errors.front().toStdString();
  EXPECT_FALSE(w->stop_button()->isEnabled());
  EXPECT_TRUE(w->auto_run_active());

  home.write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db"});
  w->auto_start_tick();  // settings are read by the start-up step
  tick(*w, 2);
  EXPECT_TRUE(w->stop_button()->isEnabled());
}

TEST_F(MainWindowTest, TheUnattendedRunClosesTheWindowAndEndsTheLog) {
  auto w = make_window();
  w->auto_start_tick();
  tick(*w, 9);
  EXPECT_TRUE(w->isVisible());
  test::screenshot(*w, "main_window_countdown");
  QSignalSpy closed(w.get(), &MainWindow::closed);  // what ends the program
  tick(*w, 1);                                      // the tenth tick runs everything
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(closed.count(), 1);
  EXPECT_EQ(w->exit_code(), 0);
  auto lines = home.log_lines("2026-12-10");
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(
      lines.front(),
      std::string("Uruchomiono aplikację automatycznego raportowania Orvena w wersji: ") + core::kVersion);
  EXPECT_EQ(lines.back(), "Zamknięcie aplikacji: 2026-12-10 09:30:00");
  EXPECT_EQ(log_view_lines(*w), lines);  // the screen and the file agree
  EXPECT_TRUE(std::filesystem::exists(home.home().temporary() / "t.csv"));
  EXPECT_TRUE(errors.isEmpty());
  test::screenshot(*w, "main_window_after_run");
}

TEST_F(MainWindowTest, AnErrorEndingTheUnattendedRunIsLoggedWithoutABox) {
  home.write_definitions({{.raport = "Zły", .zapytanie = {"select * from nie_ma"}, .nazwa_pliku = "z.csv"}});
  auto w = make_window();
  w->auto_start_tick();
  tick(*w, 10);
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(w->exit_code(), 1);
  EXPECT_TRUE(errors.isEmpty());  // nothing modal waited for a person
  auto lines = home.log_lines("2026-12-10");
  EXPECT_NE(lines.back().find("no such table: nie_ma"), std::string::npos);
}

// "stop" while all reports run in workers: the reports being made end at once with their line, no
// further definition starts, and the window stays for the operator.
TEST_F(MainWindowTest, StopDuringARunEndsTheWorkers) {
  home.write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db", "[limit_krokow_skryptu]=999999999999999"});
  test::write_template(home.home().templates() / "petla.orp",
                       "procedure RowOnBeforePrint(Sender: TrpComponent);\nbegin\n  while True do ;\nend;\n"
                       "begin end.",
                       "[DaneOrvena.\"x\"]");
  home.write_definitions(
      {{.raport = "Petla",
        .zapytanie = {"select x from t"},
        .nazwa_pliku = "petla.pdf",
        .szablon_raportu = "petla.orp",
        .format_pliku = "pdf"},
       {.raport = "Petla 2",
        .zapytanie = {"select x from t"},
        .nazwa_pliku = "petla2.pdf",
        .szablon_raportu = "petla.orp",
        .format_pliku = "pdf"},
       {.raport = "Po stopie", .zapytanie = {"select x from t"}, .nazwa_pliku = "po.csv"}});
  session.apply({.worker_command = {std::string(ORVENA_BINARY_DIR) + "/src/app/orvena", kWorkerOption,
                                    "--home", home.home().root().string()},
                 .jobs = 2});
  session.set_pump([] { QCoreApplication::processEvents(); });
  auto w = make_window();
  w->auto_start_tick();
  tick(*w, 2);
  QTest::mouseClick(w->stop_button(), Qt::LeftButton);

  QTimer::singleShot(700, w.get(), [&] {
    EXPECT_TRUE(session.runner().running());
    QTest::mouseClick(w->stop_button(), Qt::LeftButton);
  });
  QElapsedTimer timer;
  timer.start();
  QTest::mouseClick(w->run_all_button(), Qt::LeftButton);  // returns when the run has ended
  EXPECT_LT(timer.elapsed(), 60'000);
  EXPECT_FALSE(session.runner().running());
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();

  const auto lines = session.log().lines();
  // Both reports being made end with their line.
  for (const char* raport : {"Koniec raportu: Petla", "Koniec raportu: Petla 2"}) {
    auto at = std::find(lines.begin(), lines.end(), raport);
    ASSERT_NE(at, lines.end()) << raport;
    ASSERT_GE(at - lines.begin(), 2);
    EXPECT_EQ((at - 1)->rfind(">> Nie udało się utworzyć raportu: przerwano go przyciskiem \"stop\" po ", 0),
              0u)
        << *(at - 1);
  }
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "Wykonuję raport: Po stopie"), lines.end());
  EXPECT_EQ(lines.back(), ">> Przerwano wykonywanie raportów przyciskiem \"stop\"!");
  EXPECT_FALSE(std::filesystem::exists(home.home().temporary() / "petla.pdf"));
  EXPECT_FALSE(std::filesystem::exists(home.home().temporary() / "po.csv"));
}

}  // namespace
}  // namespace orvena::app
