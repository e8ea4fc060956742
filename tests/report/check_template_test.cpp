// `orvena --check-template FILE [--resave OUT]`.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "app/check_template.h"
#include "core/line_file.h"
#include "core/temp_dir.h"
#include "report/model_support.h"

namespace orvena::app {
namespace {

namespace fs = std::filesystem;
using report::testing::fixture;

struct CheckRun {
  int status;
  std::string out, err;
};

CheckRun check(const fs::path& file, std::optional<fs::path> resave = std::nullopt) {
  std::ostringstream out, err;
  int status = check_template(file, resave, out, err);
  return {status, out.str(), err.str()};
}

TEST(CheckTemplate, CleanTemplatePrintsNothing) {
  CheckRun r = check(fixture("comment.orp"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST(CheckTemplate, ErrorsWithTheirPlacesAndStatusOne) {
  CheckRun r = check(fixture("unknown_class.orp"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, fixture("unknown_class.orp") + ":5:5: Nie znaleziono klasy TrpGaugeView\n");
  CheckRun bad = check(fixture("lt_in_tag.orp"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, fixture("lt_in_tag.orp") + ":3:31: Invalid file format\n");
}

TEST(CheckTemplate, MissingFileIsAnError) {
  CheckRun r = check(fixture("no_such_template.orp"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no_such_template.orp"), std::string::npos);
}

TEST(CheckTemplate, ResaveWritesTheLoadedTemplate) {
  fs::path out = fs::temp_directory_path() / ("orvena_resave_" + std::to_string(::getpid()) + ".orp");
  CheckRun r = check(fixture("decimal_comma.orp"), out);
  EXPECT_EQ(r.status, 0);
  std::string saved = core::read_file(out);
  EXPECT_NE(saved.find("<TrpMemoView Name=\"Comma\" Left=\"10,5\" Top=\"2,25\" Width=\"1000,5\""),
            std::string::npos)
      << saved;
  // The written file checks clean and is stable under another resave.
  CheckRun again = check(out, out);
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(core::read_file(out), saved);
  fs::remove(out);
}

// A run compiles the script and every expression; a template that cannot run must not check clean.
TEST(CheckTemplate, TheScriptAndEveryExpressionAreCompiled) {
  // Fields, system variables, totals, a filter and <...> values compile as a run compiles them.
  CheckRun clean = check(std::string(ORVENA_FIXTURES) + "/engine/script_filter.orp");
  EXPECT_EQ(clean.status, 0) << clean.out;
  EXPECT_EQ(clean.out, "");

  auto page = [](const std::string& attributes, const std::string& objects) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TrpReport Version=\"2.4.0\" " + attributes +
           ">\n<TrpReportPage Name=\"Page1\">\n<TrpMasterData Name=\"Row\" Height=\"10\" Width=\"300\" "
           "RowCount=\"1\" " +
           objects + "</TrpMasterData>\n</TrpReportPage>\n</TrpReport>\n";
  };
  struct Case {
    const char* name;
    std::string file;
    std::string error;  // what the printed line holds after the file name
  };
  const Case cases[] = {
      {"script", page("ScriptText.Text=\"begin&#13;&#10;  x := ;&#13;&#10;end.\"", ">"),
       ": Błąd wykonania skryptu w 2:"},
      {"text", page("", "><TrpMemoView Name=\"Memo1\" Width=\"100\" Height=\"10\" Text=\"Suma: [1 +] zł\"/>"),
       ": Memo1.Memo: Błąd w wyrażeniu '1 +': "},
      {"highlight",
       page("",
            "><TrpMemoView Name=\"Memo2\" Width=\"100\" Height=\"10\" Text=\"x\" "
            "Highlight.Condition=\"Value &gt;\"/>"),
       ": Memo2.Highlight.Condition: Błąd w wyrażeniu 'Value >': "},
      {"filter", page("", "Filter=\"NieMaTakiejNazwy = 1\">"), ": Row.Filter: Błąd w wyrażeniu"},
      {"huge expression",
       page("", "><TrpMemoView Name=\"Memo3\" Text=\"[" + std::string(100000, '(') + "]\"/>"),
       ": Memo3.Memo: Błąd w wyrażeniu '((("},
  };
  core::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = dir.path() / (std::string(c.name) + ".orp");
    core::write_file_atomic(file, c.file);
    CheckRun r = check(file);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind(file.string() + c.error, 0), 0u) << r.out.substr(0, 300);
    EXPECT_LT(r.out.size(), 2000u) << "the error quotes the whole expression";
  }
}

// A template's script finds its units beside the template, and nowhere else.
TEST(CheckTemplate, ScriptUnitsComeFromTheTemplatesFolder) {
  core::TempDir dir;
  const fs::path szablony = dir.path() / "Szablony";
  fs::create_directories(szablony);
  core::write_file_atomic(szablony / "stawki.pas", "const Stawka = 23; begin end.");
  core::write_file_atomic(dir.path() / "obcy.pas", "const Stawka = 99; begin end.");
  auto template_using = [&](const std::string& unit) {
    const fs::path file = szablony / "r.orp";
    core::write_file_atomic(file,
                            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TrpReport Version=\"2.4.0\" "
                            "ScriptText.Text=\"uses &#39;" +
                                unit +
                                "&#39;;&#13;&#10;var x: Integer;&#13;&#10;begin x := Stawka; end.\">\n"
                                "<TrpReportPage Name=\"Page1\"/>\n</TrpReport>\n");
    return file;
  };
  CheckRun beside = check(template_using("stawki.pas"));
  EXPECT_EQ(beside.status, 0) << beside.out;
  CheckRun above = check(template_using("../obcy.pas"));
  EXPECT_EQ(above.status, 1);
  EXPECT_NE(above.out.find("Moduł '../obcy.pas' leży poza folderem szablonu - nie wczytano go."),
            std::string::npos)
      << above.out;
}

TEST(CheckTemplate, CommandLine) {
  char prog[] = "orvena", flag[] = "--check-template";
  std::string file = fixture("comment.orp");
  char* argv[] = {prog, flag, file.data()};
  EXPECT_EQ(run_check_template(3, argv), 0);
  char* no_file[] = {prog, flag};
  EXPECT_EQ(run_check_template(2, no_file), 2);
}

}  // namespace
}  // namespace orvena::app
