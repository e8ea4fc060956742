// The shift tree's parents: the sweep against the rule applied to every pair, on named layouts
// and on random ones with the shapes that need care (touching edges, no width, negative width).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "report/engine/shift_tree.h"

namespace orvena::report::engine {
namespace {

// The rule as the design states it, one pair at a time: A above B (bottom within 1e-4 of B's top,
// top strictly higher), overlapping horizontally; the lowest bottom wins, the first listed on a tie.
std::vector<int> parents_by_pairs(const std::vector<ShiftBox>& boxes) {
  std::vector<int> parent(boxes.size(), -1);
  for (size_t i = 0; i < boxes.size(); ++i) {
    const ShiftBox& b = boxes[i];
    double best = -1e300;
    for (size_t j = 0; j < boxes.size(); ++j) {
      const ShiftBox& a = boxes[j];
      double a_bottom = a.top + a.height;
      bool above = a_bottom <= b.top + 1e-4 && a.top < b.top;
      bool overlap = a.left < b.left + b.width && b.left < a.left + a.width;
      if (above && overlap && a_bottom > best) {
        best = a_bottom;
        parent[i] = int(j);
      }
    }
  }
  return parent;
}

void sort_by_top(std::vector<ShiftBox>& boxes) {
  std::stable_sort(boxes.begin(), boxes.end(),
                   [](const ShiftBox& a, const ShiftBox& b) { return a.top < b.top; });
}

struct Layout {
  const char* name;
  std::vector<ShiftBox> boxes;  // in order of top
  std::vector<int> parents;
};

TEST(ShiftTree, NamedLayouts) {
  const Layout layouts[] = {
      // The nearer of two objects above wins, though the farther one is wider.
      {"nearest above", {{0, 0, 100, 10}, {0, 20, 50, 10}, {10, 40, 10, 10}}, {-1, 0, 1}},
      // Side by side they do not overlap: edges that only touch are apart.
      {"touching edges", {{0, 0, 50, 10}, {50, 20, 50, 10}}, {-1, -1}},
      // A bottom a hair below the top still counts; one 0.01 below does not.
      {"within a hair",
       {{0, 0, 10, 10.00005}, {20, 0, 10, 10.01}, {0, 10, 10, 5}, {20, 10, 10, 5}},
       {-1, -1, 0, -1}},
      // Equal bottoms: the first listed.
      {"tie", {{0, 0, 10, 10}, {5, 0, 10, 10}, {0, 20, 20, 5}}, {-1, -1, 0}},
      // A line of no width hangs below what spans it; two such lines never overlap.
      {"no width", {{0, 0, 100, 10}, {50, 10, 0, 30}, {50, 50, 0, 10}, {40, 70, 20, 5}}, {-1, 0, 0, 2}},
      // Negative width follows the rule literally: a box from 60 back to 40 overlaps only boxes
      // spanning 40 to 60, so a narrow one inside that span passes it by.
      {"negative width", {{0, 0, 100, 10}, {60, 20, -20, 10}, {45, 40, 10, 10}}, {-1, 0, 0}},
      {"spanning a negative width", {{60, 0, -20, 10}, {30, 20, 40, 10}}, {-1, 0}},
      // Zero height at the same top as another: not above it.
      {"flat", {{0, 5, 10, 0}, {0, 5, 10, 10}, {0, 20, 10, 1}}, {-1, -1, 1}},
  };
  for (const Layout& l : layouts) {
    SCOPED_TRACE(l.name);
    EXPECT_EQ(shift_parents(l.boxes), l.parents);
    EXPECT_EQ(parents_by_pairs(l.boxes), l.parents);  // the table says what the rule says
  }
}

TEST(ShiftTree, NumbersThatAreNoNumbersHangNowhere) {
  const double nan = std::nan("");
  std::vector<ShiftBox> boxes = {
      {0, 0, 100, 10}, {0, 20, nan, 10}, {nan, 30, 10, 10}, {0, 40, 10, HUGE_VAL}, {0, 50, 10, 10}};
  EXPECT_EQ(shift_parents(boxes), parents_by_pairs(boxes));
  EXPECT_EQ(shift_parents(boxes)[1], -1);
}

// Random layouts on a coarse grid, so that edges meet, bottoms tie and widths of zero or less
// occur often.
TEST(ShiftTree, SweepAgreesWithEveryPairOnRandomLayouts) {
  std::mt19937 random(20261211);
  std::uniform_int_distribution<int> coord(0, 12), size(-2, 6), count(1, 60);
  for (int round = 0; round < 400; ++round) {
    std::vector<ShiftBox> boxes(size_t(count(random)));
    for (ShiftBox& b : boxes) {
      b = {coord(random) * 5.0, coord(random) * 5.0, size(random) * 5.0, std::max(0, size(random)) * 5.0};
      if (random() % 10 == 0) b.height += 0.00005;  // within the hair
    }
    sort_by_top(boxes);
    ASSERT_EQ(shift_parents(boxes), parents_by_pairs(boxes)) << "round " << round;
  }
}

}  // namespace
}  // namespace orvena::report::engine
