// `orvena --check-template FILE [--resave OUT]`.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "app/check_template.h"
#include "core/line_file.h"
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
