// The orvena program itself, as cron or an administrator calls it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/line_file.h"
#include "core/temp_dir.h"
#include "report/pages.h"
#include "report/report.h"
#include "support/test_home.h"

namespace orvena::app {
namespace {

struct Result {
  int status = -1;
  std::string output;  // standard output and standard error together
};

Result run_orvena(const std::string& args) {
  const std::string command = std::string(ORVENA_BINARY_DIR) + "/src/app/orvena " + args + " 2>&1";
  Result r;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buf;
  for (size_t n; (n = fread(buf.data(), 1, buf.size(), pipe)) > 0;) r.output.append(buf.data(), n);
  int raw = pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

std::string quoted(const std::filesystem::path& p) {
  return "'" + p.string() + "'";
}

TEST(OrvenaProgram, HelpVersionAndUnknownOptions) {
  auto help = run_orvena("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("Usage: orvena"), std::string::npos);
  EXPECT_NE(help.output.find("--run"), std::string::npos);
  auto version = run_orvena("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output, "orvena 2.4.0\n");
  auto missing = run_orvena("--run --home /nie/ma/takiego/folderu");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.output, "orvena: the home folder \"/nie/ma/takiego/folderu\" does not exist\n");
  auto unknown = run_orvena("--bogus");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.output.find("unknown option '--bogus'"), std::string::npos);
}

TEST(OrvenaProgram, RunWritesTheDaysLogAndTheReport) {
  test::TestHome home;
  home.sql("create table t (x integer); insert into t values (7);");
  home.write_definitions({{.raport = "Proces", .zapytanie = {"select x from t"}, .nazwa_pliku = "p.csv"}});
  auto r = run_orvena("--run --home " + quoted(home.home().root()));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(core::read_file(home.home().temporary() / "p.csv"), "\"x\"\r\n7\r\n");
  // Today's log, whatever today is, ends with the closing line.
  ASSERT_EQ(std::distance(std::filesystem::directory_iterator(home.home().logs()), {}), 1);
  auto log = core::read_lines(std::filesystem::directory_iterator(home.home().logs())->path());
  EXPECT_EQ(log.back().rfind("Zamknięcie aplikacji: ", 0), 0u);
}

TEST(OrvenaProgram, AnErrorEndingTheRunGivesStatusOneAndTheMessage) {
  test::TestHome home;
  home.sql("create table t (x integer);");
  home.write_definitions({{.raport = "Zły", .zapytanie = {"select * from brak"}, .nazwa_pliku = "z.csv"}});
  auto r = run_orvena("--run --home " + quoted(home.home().root()));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("orvena: no such table: brak"), std::string::npos) << r.output;
}

TEST(OrvenaProgram, TheDemoHomeFolderRuns) {
  core::TempDir dir;
  const auto home = dir.path() / "demo";
  std::filesystem::copy(std::string(ORVENA_SOURCE_DIR) + "/examples/demo", home,
                        std::filesystem::copy_options::recursive);
  auto r = run_orvena("--run --home " + quoted(home));
  ASSERT_EQ(r.status, 0) << r.output;
  std::vector<std::string> log;
  for (const auto& entry : std::filesystem::directory_iterator(home / "Logi"))
    if (entry.path().extension() == ".txt") log = core::read_lines(entry.path());
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const auto& l) { return l.rfind("Koniec raportu: ", 0) == 0; }),
            11);
  EXPECT_EQ(log.back().rfind("Zamknięcie aplikacji: ", 0), 0u);
  auto check = run_orvena("--check-template " + quoted(home / "Dane" / "Szablony" / "obroty.orp"));
  EXPECT_EQ(check.status, 0) << check.output;
}

TEST(OrvenaProgram, RenderDocumentsItsOptionsAndReportsErrorsWithStatusOne) {
  auto help = run_orvena("--render --help");
  EXPECT_EQ(help.status, 0) << help.output;
  for (const char* option : {"--sql", "--home", "--format", "--out"})
    EXPECT_NE(help.output.find(option), std::string::npos) << option;
  auto usage = run_orvena("--help");
  EXPECT_NE(usage.output.find("orvena --render TEMPLATE"), std::string::npos);

  test::TestHome home;
  home.sql("create table t (x integer); insert into t values (7);");
  auto tpl = home.home().templates() / "r.fr3";
  {
    report::Report r;
    r.add_new<report::ReportPage>()->set_name("Page1");
    r.save_to_file(tpl);
  }
  auto out = home.home().temporary() / "r.pdf";
  std::string common = " --home " + quoted(home.home().root()) + " --out " + quoted(out);
  struct Row {
    const char* name;
    std::string args;
    int status;
    const char* says;
  } rows[] = {
      {"no --out", "--render " + quoted(tpl) + " --sql 'select x from t' --format pdf", 2, "--out"},
      {"unknown format", "--render " + quoted(tpl) + " --sql 'select x from t' --format odt" + common, 2,
       "odt"},
      {"bad query", "--render " + quoted(tpl) + " --sql 'select y from brak' --format pdf" + common, 1,
       "brak"},
      {"missing template", "--render /nie/ma/r.fr3 --sql 'select x from t' --format pdf" + common, 1,
       "orvena: "},
      // Until page generation is linked in, preparing fails, and says so.
      {"no page generation", "--render " + quoted(tpl) + " --sql 'select x from t' --format pdf" + common, 1,
       "generowanie stron"},
  };
  for (const Row& r : rows) {
    auto result = run_orvena(r.args);
    EXPECT_EQ(result.status, r.status) << r.name << ": " << result.output;
    EXPECT_NE(result.output.find(r.says), std::string::npos) << r.name << ": " << result.output;
    EXPECT_FALSE(std::filesystem::exists(out)) << r.name;
  }
}

}  // namespace
}  // namespace orvena::app
