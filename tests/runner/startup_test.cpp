// The start-up step's emptying of Tymczasowe and Logi: what goes, what stays, and where it
// refuses to touch anything at all.
#include "runner/startup.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "core/line_file.h"
#include "core/temp_dir.h"
#include "support/test_home.h"

namespace orvena::runner {
namespace {

namespace fs = std::filesystem;
using test::TestHome;

// Replaces Tymczasowe with a link to `target`.
void link_temporary(const TestHome& home, const fs::path& target) {
  fs::remove_all(home.home().temporary());
  fs::create_directory_symlink(target, home.home().temporary());
}

TEST(EmptyTemporaryFolder, ALinkToTheHomeFolderOrIntoDaneOrLogiIsRefusedAndNothingGoes) {
  struct Case {
    const char* name;
    std::function<fs::path(const core::Home&)> target;
  };
  const Case cases[] = {
      {"home folder", [](const core::Home& h) { return h.root(); }},
      {"home folder, relative", [](const core::Home&) { return fs::path("."); }},
      {"Dane", [](const core::Home& h) { return h.dane(); }},
      {"Dane/Szablony", [](const core::Home& h) { return h.templates(); }},
      {"Logi", [](const core::Home& h) { return h.logs(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestHome home;
    home.sql("create table t (x integer);");
    home.write_definitions({{.raport = "R"}});
    core::write_lines(home.home().logs() / "log_2026-12-09.txt", {"wczoraj"});
    core::write_lines(home.home().templates() / "a.orp", {"<x/>"});
    link_temporary(home, c.target(home.home()));
    try {
      empty_temporary_folder(home.home());
      ADD_FAILURE() << "emptied";
    } catch (const core::Error& e) {
      EXPECT_NE(std::string(e.what()).find("Nie opróżniono folderu Tymczasowe"), std::string::npos)
          << e.what();
    }
    EXPECT_TRUE(fs::exists(home.home().control_file()));
    EXPECT_TRUE(fs::exists(home.home().settings_file()));
    EXPECT_TRUE(fs::exists(home.db_file()));
    EXPECT_TRUE(fs::exists(home.home().logs() / "log_2026-12-09.txt"));
    EXPECT_TRUE(fs::exists(home.home().templates() / "a.orp"));
  }
}

TEST(EmptyTemporaryFolder, ALinkToAFolderHoldingTheHomeFolderIsRefused) {
  core::TempDir outer;
  const core::Home home(outer.path() / "orvena");
  fs::create_directories(home.dane());
  core::write_lines(outer.path() / "sasiad.txt", {"x"});
  fs::create_directory_symlink(outer.path(), home.temporary());
  EXPECT_THROW(empty_temporary_folder(home), core::Error);
  EXPECT_TRUE(fs::exists(outer.path() / "sasiad.txt"));
}

TEST(EmptyTemporaryFolder, ALinkToADedicatedFolderElsewhereIsEmptiedAndLinksInsideGoAsLinks) {
  TestHome home;
  home.write_definitions({{.raport = "R"}});
  core::TempDir elsewhere;
  const fs::path reports = elsewhere.path() / "raporty";
  fs::create_directories(reports / "podfolder");
  core::write_lines(reports / "stary.csv", {"x"});
  core::write_lines(reports / "podfolder" / "zostaje.txt", {"x"});
  // Entries that are links: to a file and to a folder outside. Removing must not follow them.
  core::write_lines(elsewhere.path() / "cenny.txt", {"x"});
  fs::create_directories(elsewhere.path() / "cenny_folder");
  core::write_lines(elsewhere.path() / "cenny_folder" / "plik.txt", {"x"});
  fs::create_symlink(elsewhere.path() / "cenny.txt", reports / "link_do_pliku");
  fs::create_directory_symlink(elsewhere.path() / "cenny_folder", reports / "link_do_folderu");
  fs::create_symlink(home.home().control_file(), reports / "link_do_sterowania");
  link_temporary(home, reports);

  empty_temporary_folder(home.home());

  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(reports)) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"podfolder"});
  EXPECT_TRUE(fs::exists(reports / "podfolder" / "zostaje.txt"));
  EXPECT_TRUE(fs::exists(elsewhere.path() / "cenny.txt"));
  EXPECT_TRUE(fs::exists(elsewhere.path() / "cenny_folder" / "plik.txt"));
  EXPECT_TRUE(fs::exists(home.home().control_file()));
}

// A run killed while a writer had its scratch folder (pictures of a document, say) leaves it;
// the next start removes it with its contents, and only folders of that name.
TEST(EmptyTemporaryFolder, RemovesScratchFoldersAKilledRunLeft) {
  TestHome home;
  const fs::path tmp = home.home().temporary();
  for (const char* name : {"orvena.a1B2c3", "orvena.zzzzzz"}) {
    fs::create_directories(tmp / name / "word" / "media");
    core::write_lines(tmp / name / "word" / "media" / "image1.png", {"x"});
  }
  for (const char* name : {"orvena.raporty", "podfolder", "orvena.abc"}) fs::create_directories(tmp / name);
  // A link named like one is removed as a link; where it leads stays.
  core::TempDir elsewhere;
  core::write_lines(elsewhere.path() / "cenny.txt", {"x"});
  fs::create_directory_symlink(elsewhere.path(), tmp / "orvena.l1nk00");

  empty_temporary_folder(home.home());

  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(tmp)) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"orvena.abc", "orvena.raporty", "podfolder"}));
  EXPECT_TRUE(fs::exists(elsewhere.path() / "cenny.txt"));
}

TEST(RunClosing, ClaimsSuccessOnlyWhenNoReportFailed) {
  const core::FixedClock clock{core::encode_date(2026, 12, 10) + core::encode_time(6, 30, 0)};
  struct Case {
    size_t failed;
    std::vector<std::string> middle;
  };
  const Case cases[] = {
      {0, {"Poprawnie zakończono wszystkie operacje!", "Nie napotkano żadnych błędów krytycznych."}},
      {1,
       {"Zakończono wszystkie operacje, ale nie wszystkie raporty się udały!",
        "Liczba raportów zakończonych błędem: 1."}},
      {12,
       {"Zakończono wszystkie operacje, ale nie wszystkie raporty się udały!",
        "Liczba raportów zakończonych błędem: 12."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failed);
    core::RunLog log;
    log_run_closing(log, clock, c.failed);
    std::vector<std::string> expected = {separator_line()};
    expected.insert(expected.end(), c.middle.begin(), c.middle.end());
    expected.push_back("Zamknięcie aplikacji: 2026-12-10 06:30:00");
    EXPECT_EQ(log.lines(), expected);
  }
}

TEST(StartUp, RemovesCutOffLogSavesButNoOtherFileInLogi) {
  TestHome home;
  const fs::path logs = home.home().logs();
  for (const char* name : {"log_2026-12-10.txt", "log_2026-12-10.txt.a1B2c3", "log_2026-12-09.txt.zzzzzz",
                           "notatki.txt", "log_2026-12-10.txt.kopia-zapasowa"})
    core::write_lines(logs / name, {"x"});
  start_up(home.home());
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(logs)) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"log_2026-12-10.txt", "log_2026-12-10.txt.kopia-zapasowa",
                                            "notatki.txt"}));
}

}  // namespace
}  // namespace orvena::runner
