#pragma once
// Where the integration tests find the servers that scripts/test-servers.sh starts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace orvena::test {

// The value of an ORVENA_TEST_* variable, or "" when unset.
inline std::string server_env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

inline bool servers_required() {
  return std::getenv("ORVENA_REQUIRE_SERVERS") != nullptr;
}

}  // namespace orvena::test

// Skips the test when the variable is unset, or fails it when the servers are required.
#define ORVENA_NEED_SERVER(var)                                               \
  do {                                                                        \
    if (::orvena::test::server_env(var).empty()) {                            \
      if (::orvena::test::servers_required()) FAIL() << var << " is not set"; \
      GTEST_SKIP() << var << " is not set: start scripts/test-servers.sh";    \
    }                                                                         \
  } while (0)
