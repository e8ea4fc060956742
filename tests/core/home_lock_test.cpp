#include "core/home_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

#include "core/error.h"
#include "core/temp_dir.h"

namespace orvena::core {
namespace {

TEST(HomeLock, OneHolderAtATimeAndFreeAgainWhenItGoes) {
  TempDir dir;
  const auto file = dir.path() / "orvena.lock";
  std::optional<HomeLock> first(std::in_place, file);
  EXPECT_TRUE(first->held());
  EXPECT_FALSE(HomeLock(file).held());
  // Another process sees it taken too.
  pid_t child = ::fork();
  if (child == 0) ::_exit(HomeLock(file).held() ? 1 : 0);
  int status = -1;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process got the lock";
  first.reset();
  EXPECT_TRUE(HomeLock(file).held());
}

TEST(HomeLock, ALinkPlantedUnderItsNameIsNotFollowed) {
  TempDir dir;
  const auto file = dir.path() / "orvena.lock";
  std::filesystem::create_symlink(dir.path() / "elsewhere", file);
  EXPECT_THROW(HomeLock lock(file), Error);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "elsewhere"));
}

}  // namespace
}  // namespace orvena::core
