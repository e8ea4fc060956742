#include "runner/day_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/datetime.h"

namespace orvena::runner {
namespace {

core::DateTime date(int y, int m, int d) {
  return core::encode_date(y, m, d);
}

TEST(WeekdayName, FollowsDayOfWeekNumbers) {
  // 1 is Sunday on the platform's numbering.
  const std::vector<std::string> expected = {"nie", "pon", "wto", "śro", "czw", "pią", "sob"};
  for (int dow = 1; dow <= 7; ++dow) EXPECT_EQ(weekday_name(dow), expected[dow - 1]) << dow;
  EXPECT_EQ(weekday_name(0), "");
  EXPECT_EQ(weekday_name(8), "");
}

// One week, Monday 19 to Sunday 25 October 2015, with the position of each day's flag.
struct Day {
  core::DateTime date;
  const char* name;
  int position;
};
const Day kWeek[] = {
    {date(2015, 10, 19), "pon", 1}, {date(2015, 10, 20), "wto", 2}, {date(2015, 10, 21), "śro", 3},
    {date(2015, 10, 22), "czw", 4}, {date(2015, 10, 23), "pią", 5}, {date(2015, 10, 24), "sob", 6},
    {date(2015, 10, 25), "nie", 7},
};

TEST(WeekdayFlags, EachFlagIsDueOnItsOwnWeekdayOnly) {
  for (const auto& day : kWeek) {
    // The time of day must not move the weekday.
    core::FixedClock clock(day.date + core::encode_time(23, 59, 59));
    std::string today = std::string(weekday_name_of(clock.now()));
    ASSERT_EQ(today, day.name);
    ASSERT_EQ(weekday_flag_position(today), day.position);
    for (int flag = 1; flag <= 7; ++flag) {
      std::string flags(7, '0');
      flags[static_cast<size_t>(flag - 1)] = '1';
      EXPECT_EQ(weekday_flag_set(flags, today), flag == day.position) << flags << " on " << today;
    }
    EXPECT_TRUE(weekday_flag_set("1111111", today));
    EXPECT_FALSE(weekday_flag_set("0000000", today));
  }
}

struct FlagCase {
  const char* dni_raportu;
  const char* weekday;
  bool due;
};

class WeekdayFlagText : public ::testing::TestWithParam<FlagCase> {};

TEST_P(WeekdayFlagText, OnlyTodaysPositionCounts) {
  EXPECT_EQ(weekday_flag_set(GetParam().dni_raportu, GetParam().weekday), GetParam().due);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WeekdayFlagText,
    ::testing::Values(FlagCase{"0000010", "sob", true}, FlagCase{"0000010", "nie", false},
                      FlagCase{"0000001", "nie", true}, FlagCase{"0000001", "sob", false},
                      // Only "1" sets a flag.
                      FlagCase{"x111111", "pon", false}, FlagCase{"0 00000", "wto", false},
                      // Shorter texts: the missing positions count as "0".
                      FlagCase{"", "pon", false}, FlagCase{"1", "pon", true}, FlagCase{"1", "wto", false},
                      FlagCase{"000001", "sob", true}, FlagCase{"000001", "nie", false},
                      // Positions are characters, not bytes.
                      FlagCase{"ś100000", "wto", true}, FlagCase{"ś100000", "pon", false},
                      // Longer texts: only the first seven matter.
                      FlagCase{"00000001", "nie", false},
                      // Not a weekday name: never due.
                      FlagCase{"1111111", "", false}, FlagCase{"1111111", "Pon", false}));

TEST(MonthDay, KeyIsMonthAndDay) {
  EXPECT_EQ(month_day_key(date(2015, 3, 31)), "03-31");
  EXPECT_EQ(month_day_key(date(2016, 1, 5) + core::encode_time(23, 0, 0)), "01-05");
}

TEST(MonthDay, EntryMatchesThatDayOfEveryYear) {
  const std::vector<std::string> daty = {"01-15"};
  EXPECT_TRUE(month_day_listed(daty, month_day_key(date(2015, 1, 15))));
  EXPECT_TRUE(month_day_listed(daty, month_day_key(date(2031, 1, 15))));
  EXPECT_FALSE(month_day_listed(daty, month_day_key(date(2015, 2, 15))));
  EXPECT_FALSE(month_day_listed(daty, month_day_key(date(2015, 1, 14))));
  EXPECT_FALSE(month_day_listed({}, month_day_key(date(2015, 1, 15))));
}

TEST(MonthDay, ImpossibleOrMisformedEntriesNeverMatch) {
  // Every day of a leap year: 02-31 and entries of another form never come up.
  const std::vector<std::string> daty = {"02-31", "2-3", "1-15", " 01-15", "01/15", "04-31"};
  for (core::DateTime d = date(2016, 1, 1); d < date(2017, 1, 1); d += 1) {
    EXPECT_FALSE(month_day_listed(daty, month_day_key(d))) << month_day_key(d);
  }
}

TEST(MonthDay, LetterCaseIgnored) {
  EXPECT_TRUE(month_day_listed({"ab-CD"}, "AB-cd"));
}

TEST(EditorBoxes, TextFollowsBoxesAndBoxesFollowText) {
  // pn, śr and pt ticked.
  EXPECT_EQ(weekday_text({true, false, true, false, true, false, false}), "1010100");
  std::array<bool, 7> so_nd{false, false, false, false, false, true, true};
  EXPECT_EQ(weekday_boxes("0000011"), so_nd);
  // Past the end of a shorter text every box is clear; anything but "1" clears.
  std::array<bool, 7> pn_only{true, false, false, false, false, false, false};
  EXPECT_EQ(weekday_boxes("1"), pn_only);
  EXPECT_EQ(weekday_boxes("1x"), pn_only);
  EXPECT_EQ(weekday_text(weekday_boxes("")), "0000000");
}

}  // namespace
}  // namespace orvena::runner
