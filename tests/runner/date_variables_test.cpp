#include "runner/date_variables.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "core/datetime.h"
#include "core/error.h"

namespace orvena::runner {
namespace {

// Sunday 18 October 2015, mid-morning.
const core::DateTime kToday = core::encode_date(2015, 10, 18) + core::encode_time(10, 30, 0);

struct Case {
  const char* name;
  const char* text;
  const char* expected;
};

class WstawDaty : public ::testing::TestWithParam<Case> {};

TEST_P(WstawDaty, ReplacesVariables) {
  core::FixedClock clock(kToday);
  EXPECT_EQ(Wstaw_daty(GetParam().text, clock), GetParam().expected);
}

const Case kCases[] = {
    // The blanks around the date are part of the result: stored file names and SQL carry them.
    {"file_name", "raport_[<data>].pdf", "raport_ 2015-10-18 .pdf"},
    {"subject_yesterday", "Sprzedaż [<data-1>]", "Sprzedaż 2015-10-17"},
    {"sql_literals", "WHERE d BETWEEN '[<data-7>]' AND '[<data>]'",
     "WHERE d BETWEEN ' 2015-10-11 ' AND ' 2015-10-18 '"},
    {"no_variable_only_trimmed", "  \tselect  *  from t \r", "select  *  from t"},
    {"empty", "", ""},
    // Blanks in front of the variable collapse into the one blank before the date.
    {"blanks_before_collapse", "x   \t [<data>]y", "x 2015-10-18 y"},
    {"blank_before_close", "[<data-1 >]", "2015-10-17"},
    {"blanks_around_sign_and_number", "[<data - 1>]", "2015-10-17"},
    {"blanks_around_plus", "[<data + 3 >]", "2015-10-21"},
    {"tomorrow", "[<data+1>]", "2015-10-19"},
    // A negative number after "+" moves backwards, and "-" with a negative number forwards.
    {"plus_negative", "[<data+-3>]", "2015-10-15"},
    {"minus_negative", "[<data--3>]", "2015-10-21"},
    {"minus_with_plus_number", "[<data-+3>]", "2015-10-15"},
    // The first character is the sign; a digit there leaves the date at today.
    {"digit_as_sign", "[<data15>]", "2015-10-18"},
    {"across_year_end", "[<data+75>]", "2016-01-01"},
    {"leap_day", "[<data+134>]", "2016-02-29"},
    // Blanks after a variable stay, so a blank there makes two after the date.
    {"several_left_to_right", "od [<data-2>] do [<data>] (jutro [<data+1>])",
     "od 2015-10-16  do 2015-10-18  (jutro 2015-10-19 )"},
    {"adjacent_variables", "[<data>][<data+1>]", "2015-10-18 2015-10-19"},
    {"capitals_not_recognised", "[<DATA>] [<Data-1>]", "[<DATA>] [<Data-1>]"},
    // Without ">]" the date still comes, and the one character after "[<data" is lost.
    {"missing_close_loses_one_char", "a[<dataXbc", "a 2015-10-18 bc"},
    {"missing_close_loses_sign", "a[<data-1 reszta", "a 2015-10-18 1 reszta"},
    {"missing_close_loses_polish_letter", "[<dataśx", "2015-10-18 x"},
    {"missing_close_at_end", "raport [<data", "raport 2015-10-18"},
};

INSTANTIATE_TEST_SUITE_P(Cases, WstawDaty, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct BadOffset {
  const char* name;
  const char* text;
  const char* message;
};

class WstawDatyBadOffset : public ::testing::TestWithParam<BadOffset> {};

TEST_P(WstawDatyBadOffset, RaisesConversionError) {
  core::FixedClock clock(kToday);
  try {
    Wstaw_daty(GetParam().text, clock);
    FAIL() << "no error for " << GetParam().text;
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), GetParam().message);
  }
}

const BadOffset kBadOffsets[] = {
    {"sign_alone", "x[<data+>]", "'' is not a valid integer value"},
    {"single_letter", "[<data x>]", "'' is not a valid integer value"},
    {"letters_after_sign", "[<data-abc>]", "'abc' is not a valid integer value"},
    {"fraction", "[<data+1,5>]", "'1,5' is not a valid integer value"},
    {"blank_between_two_signs", "[<data+ - 1>]", "'- 1' is not a valid integer value"},
    {"beyond_32_bits", "[<data+4294967296>]", "'4294967296' is not a valid integer value"},
    // A 32-bit offset can leave the calendar; the date cannot be written then.
    {"date_out_of_range", "[<data+2000000000>]", "Invalid argument to date encode"},
    // The first ">]" closes the variable even past a later one, which becomes its offset.
    {"close_after_second_variable", "[<data [<data>] z", "'<data' is not a valid integer value"},
    // The second variable is bad; the first was fine, but the whole text fails.
    {"second_variable", "[<data>] [<data-q>]", "'q' is not a valid integer value"},
};

INSTANTIATE_TEST_SUITE_P(Cases, WstawDatyBadOffset, ::testing::ValuesIn(kBadOffsets),
                         [](const auto& info) { return std::string(info.param.name); });

// A clock that moves on each time it is read.
class SteppingClock : public core::Clock {
 public:
  explicit SteppingClock(std::deque<core::DateTime> times) : m_times(std::move(times)) {}
  core::DateTime now() const override {
    core::DateTime t = m_times.front();
    if (m_times.size() > 1) m_times.pop_front();
    return t;
  }

 private:
  mutable std::deque<core::DateTime> m_times;
};

TEST(WstawDatyClock, ReadsTodayForEveryVariable) {
  // A text substituted just as midnight passes takes the new day for the later variable.
  SteppingClock clock(
      {core::encode_date(2015, 12, 31) + core::encode_time(23, 59, 59, 999), core::encode_date(2016, 1, 1)});
  EXPECT_EQ(Wstaw_daty("[<data>]|[<data>]", clock), "2015-12-31 | 2016-01-01");
}

TEST(WstawDatyLimits, ManyVariablesStayLinear) {
  // Thousands of unclosed variables must not make the substitution quadratic.
  core::FixedClock clock(kToday);
  std::string text;
  for (int i = 0; i < 50000; ++i) text += "[<data";
  std::string out = Wstaw_daty(text, clock);
  // Each unclosed variable swallows the "[" of the next one, so every second one is replaced.
  EXPECT_EQ(out.substr(0, 24), "2015-10-18 <data 2015-10");
  EXPECT_EQ(out.size(), 25000 * std::string(" 2015-10-18 <data").size() - 1);
  EXPECT_EQ(out.substr(out.size() - 6), " <data");
}

}  // namespace
}  // namespace orvena::runner
