#pragma once
// Bounds for tests that check that a wait ends. Such a test shows that the time limit under test
// applies, not that the code is fast: the bound stays far above every limit the tests set (at most
// a few seconds) and far below what a hang would take, so a slow machine or a sanitizer build
// cannot fail it. Speed is measured in bench/, never here.
#include <chrono>

namespace orvena::test {

inline constexpr std::chrono::seconds kEndsWellBeforeAHang{30};

}  // namespace orvena::test
