// Inputs the template fuzzer once tripped on: each loads, saves and loads again cleanly.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/line_file.h"
#include "report/report.h"

namespace orvena::report {
namespace {

TEST(FuzzRegression, SavedTemplatesLoadAgainAndSettleAfterOneRound) {
  std::filesystem::path dir = std::string(ORVENA_FIXTURES) + "/templates/fuzz";
  int files = 0;
  for (auto& entry : std::filesystem::directory_iterator(dir)) {
    ++files;
    std::string input = core::read_file(entry.path());
    Report first;
    first.engine_options.new_silent_mode = SilentMode::Silent;
    first.load_from_stream(input);
    std::string saved = first.save_to_stream();
    for (int round = 0; round < 2; ++round) {
      Report again;
      again.engine_options.new_silent_mode = SilentMode::Silent;
      again.load_from_stream(saved);
      EXPECT_TRUE(again.errors().empty()) << entry.path() << ": " << again.errors().front();
      std::string resaved = again.save_to_stream();
      if (round == 1) {
        EXPECT_EQ(resaved, saved) << entry.path();
      }
      saved = resaved;
    }
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace orvena::report
