// The designer's geometry without a window.
#include "designer/layout_rules.h"

#include <gtest/gtest.h>

#include "report/bands.h"
#include "report/pages.h"

namespace orvena::designer {
namespace {

TEST(LayoutRules, KeepInsideMovesTheBoxBackIntoTheBand) {
  struct Case {
    const char* name;
    Box box, expected;
  } cases[] = {
      {"inside stays", {10, 5, 50, 10}, {10, 5, 50, 10}},
      {"past the right edge", {180, 5, 50, 10}, {150, 5, 50, 10}},
      {"above the top", {10, -7, 50, 10}, {10, 0, 50, 10}},
      {"below the bottom", {10, 25, 50, 10}, {10, 20, 50, 10}},
      // Larger than the band: its top-left corner stays at the band's.
      {"wider than the band", {30, 0, 250, 10}, {0, 0, 250, 10}},
  };
  for (const auto& c : cases) EXPECT_EQ(keep_inside(c.box, 200, 30), c.expected) << c.name;
}

TEST(LayoutRules, AlignmentTakesOuterEdgesAndTheFirstBoxForCentresAndSizes) {
  const std::vector<Box> boxes = {{40, 10, 100, 20}, {20, 30, 50, 10}, {60, 5, 80, 40}};
  struct Case {
    AlignKind kind;
    std::vector<Box> expected;
  } cases[] = {
      {AlignKind::Left, {{20, 10, 100, 20}, {20, 30, 50, 10}, {20, 5, 80, 40}}},
      {AlignKind::Right, {{40, 10, 100, 20}, {90, 30, 50, 10}, {60, 5, 80, 40}}},
      {AlignKind::Top, {{40, 5, 100, 20}, {20, 5, 50, 10}, {60, 5, 80, 40}}},
      {AlignKind::Bottom, {{40, 25, 100, 20}, {20, 35, 50, 10}, {60, 5, 80, 40}}},
      {AlignKind::HorizontalCentres, {{40, 10, 100, 20}, {65, 30, 50, 10}, {50, 5, 80, 40}}},
      {AlignKind::VerticalCentres, {{40, 10, 100, 20}, {20, 15, 50, 10}, {60, 0, 80, 40}}},
      {AlignKind::SameWidth, {{40, 10, 100, 20}, {20, 30, 100, 10}, {60, 5, 100, 40}}},
      {AlignKind::SameHeight, {{40, 10, 100, 20}, {20, 30, 50, 20}, {60, 5, 80, 20}}},
  };
  for (const auto& c : cases) EXPECT_EQ(align_boxes(boxes, c.kind), c.expected) << static_cast<int>(c.kind);
}

TEST(LayoutRules, SnapGoesToTheNearestStep) {
  EXPECT_EQ(snap(37, 4), 36);
  EXPECT_EQ(snap(38.1, 4), 40);
  EXPECT_EQ(snap(-3, 4), -4);
  EXPECT_EQ(snap(37.3, 0), 37.3);  // snapping off
  EXPECT_NEAR(snap(10, grid_step(GridUnit::Millimetres)), 7.55906, 1e-5);
}

TEST(LayoutRules, ABandResizedMovesOnlyTheBandsBelowIt) {
  report::ReportPage page;
  auto* title = page.add_new<report::ReportTitle>();
  title->set_bounds(0, 0, 700, 40);
  auto* data = page.add_new<report::MasterData>();
  data->set_bounds(0, 60, 700, 20);
  auto* footer = page.add_new<report::PageFooter>();
  footer->set_bounds(0, 100, 700, 20);
  auto below = bands_below_after_resize(page, *data, 35);
  ASSERT_EQ(below.size(), 1u);
  EXPECT_EQ(below[0].band, footer);
  EXPECT_EQ(below[0].top, 115);
  below = bands_below_after_resize(page, *title, 30);
  ASSERT_EQ(below.size(), 2u);
  EXPECT_EQ(below[0].top, 50);
  EXPECT_EQ(below[1].top, 90);
}

}  // namespace
}  // namespace orvena::designer
