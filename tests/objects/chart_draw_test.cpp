// The chart drawing's scale and colours; the drawing itself is checked on rendered pages.
#include <gtest/gtest.h>

#include "objects/chart_draw.h"

namespace orvena::objects {
namespace {

struct ScaleCase {
  const char* name;
  double min, max;
  ChartScale expected;
};

class NiceScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(NiceScaleTest, CoversTheValuesAndZeroInRoundSteps) {
  const ScaleCase& c = GetParam();
  ChartScale s = nice_scale(c.min, c.max);
  EXPECT_DOUBLE_EQ(s.low, c.expected.low);
  EXPECT_DOUBLE_EQ(s.high, c.expected.high);
  EXPECT_DOUBLE_EQ(s.step, c.expected.step);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NiceScaleTest,
    ::testing::Values(ScaleCase{"Positive", 0, 400, {0, 400, 100}},
                      // Zero always shows: an axis from 120 would make 130 look ten times 121.
                      ScaleCase{"AllAboveZero", 120, 130, {0, 150, 50}},
                      ScaleCase{"Negative", -37, 0, {-40, 0, 10}},
                      ScaleCase{"BothSides", -5, 12.5, {-5, 15, 5}},
                      ScaleCase{"Small", 0, 0.07, {0, 0.08, 0.02}},
                      // Nothing to scale (no data, all zero): 0 to 1 in fifths.
                      ScaleCase{"Nothing", 0, 0, {0, 1, 0.2}},
                      ScaleCase{"NotANumber", 0, std::numeric_limits<double>::quiet_NaN(), {0, 1, 0.2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChartColor, OwnColourThenPaletteThenBuiltIn) {
  report::ChartView view;
  EXPECT_EQ(chart_color(view, 0x0000FF, 3), 0xFF0000u);  // Windows colours are BGR
  EXPECT_EQ(chart_color(view, report::kNoColor, 0), 0x4472C4u);
  EXPECT_EQ(chart_color(view, report::kNoColor, 10), 0x4472C4u);  // the palette repeats
  // A template's palette, a bad entry left out.
  view.palette = "255;zielony;65280";
  EXPECT_EQ(chart_color(view, report::kNoColor, 0), 0xFF0000u);
  EXPECT_EQ(chart_color(view, report::kNoColor, 1), 0x00FF00u);
  EXPECT_EQ(chart_color(view, report::kNoColor, 2), 0xFF0000u);
}

}  // namespace
}  // namespace orvena::objects
