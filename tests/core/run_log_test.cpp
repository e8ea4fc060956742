#include "core/run_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "core/datetime.h"
#include "core/error.h"
#include "core/line_file.h"
#include "core/paths.h"
#include "core/temp_dir.h"

namespace orvena::core {
namespace {

TEST(RunLog, EmbeddedLineBreaksBecomeLines) {
  RunLog log;
  std::vector<std::string> seen;
  log.set_observer([&](const std::string& line) { seen.push_back(line); });
  log.append("SQL raportu:");
  log.append("select *\r\nfrom sprzedaz\nwhere 1=1");
  log.append(" ");
  log.append("");
  EXPECT_EQ(log.lines(),
            (std::vector<std::string>{"SQL raportu:", "select *", "from sprzedaz", "where 1=1", " ", ""}));
  EXPECT_EQ(seen, log.lines());
}

TEST(RunLog, SavesAppendWindows1250LinesAfterWhatTheDaysFileHeld) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "Logi");
  Home home(dir.path());
  auto path = home.log_file(encode_date(2015, 10, 18));
  EXPECT_EQ(path, dir.path() / "Logi" / "log_2015-10-18.txt");

  // The morning run's failure must survive the second start of the day.
  std::ofstream(path, std::ios::binary) << "poranny b\xB3\xB9\x64\r\n";
  RunLog log;
  log.append("Uruchomiono aplikację");
  log.save(path);
  log.append("Zamknięcie aplikacji: 2015-10-18 07:00:00");
  log.save(path);
  log.save(path);  // nothing new: nothing written
  EXPECT_EQ(read_file(path),
            "poranny b\xB3\xB9\x64\r\nUruchomiono aplikacj\xEA\r\nZamkni\xEA\x63ie aplikacji: 2015-10-18 "
            "07:00:00\r\n");

  // A run crossing midnight: the new date's file gets the whole run.
  auto next_day = home.log_file(encode_date(2015, 10, 19));
  log.save(next_day);
  EXPECT_EQ(read_file(next_day),
            "Uruchomiono aplikacj\xEA\r\nZamkni\xEA\x63ie aplikacji: 2015-10-18 07:00:00\r\n");
}

TEST(RunLog, ALineCutOffByAKilledSaveStaysApartFromTheNextRunsLines) {
  TempDir dir;
  auto path = dir.path() / "log.txt";
  std::ofstream(path, std::ios::binary) << "Wykonuj\xEA raport: R\r\nRaport zapisa";
  RunLog log;
  log.append("Uruchomiono");
  log.save(path);
  EXPECT_EQ(read_file(path), "Wykonuj\xEA raport: R\r\nRaport zapisa\r\nUruchomiono\r\n");
}

TEST(RunLog, ALogFileThatIsNoRegularFileIsRefusedWithoutWaiting) {
  TempDir dir;
  auto fifo = dir.path() / "log.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  RunLog log;
  log.append("a");
  EXPECT_THROW(log.save(fifo), Error);
  EXPECT_THROW(log.save(dir.path()), Error);
}

TEST(RunLog, MissingLogiFolderFailsAndKeepsTheLines) {
  TempDir dir;
  Home home(dir.path());
  RunLog log;
  log.append("a");
  auto path = home.log_file(encode_date(2015, 10, 18));
  try {
    log.save(path);
    FAIL() << "saved without a Logi folder";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Nie można utworzyć pliku \"" + path.string() + "\". No such file or directory");
  }
  EXPECT_EQ(log.lines().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Logi"));
}

TEST(Home, FixedPathsAndArguments) {
  Home home("/srv/orvena");
  EXPECT_EQ(home.settings_file(), "/srv/orvena/Dane/konfiguracja.txt");
  EXPECT_EQ(home.control_file(), "/srv/orvena/Dane/sterowanie.txt");
  EXPECT_EQ(home.templates(), "/srv/orvena/Dane/Szablony");
  EXPECT_EQ(home.temporary(), "/srv/orvena/Tymczasowe");
  EXPECT_EQ(home.resolve("Dane/demo.db"), "/srv/orvena/Dane/demo.db");
  EXPECT_EQ(home.resolve("/var/db.sqlite"), "/var/db.sqlite");
  char a0[] = "orvena", a1[] = "--run", a2[] = "--home", a3[] = "/tmp/h";
  char* argv[] = {a0, a1, a2, a3};
  EXPECT_EQ(Home::from_arguments(4, argv).root(), "/tmp/h");
  EXPECT_EQ(Home::from_arguments(2, argv).root(), Home::executable_folder());
}

}  // namespace
}  // namespace orvena::core
