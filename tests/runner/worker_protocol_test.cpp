// The messages between a run and its workers, and the texts of a worker's failure line.
#include "runner/worker_protocol.h"

#include <gtest/gtest.h>

#include "runner/worker_pool.h"

namespace orvena::runner {
namespace {

TEST(WorkerProtocol, OrdersAndOutcomesSurviveTheWireWithAnyBytes) {
  // Field texts with the separator, digits and line breaks: lengths, not escapes, delimit them.
  const ProductionOrder order{ReportFormat::ExcelSheets, "/dom/Tymczasowe/.~abc 1:2.xlsx", "szablon:3.orp",
                              "select 1\r\n, '4:' -- ;\n", 46001.25};
  const auto back = decode_order(encode_order(order));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->format, order.format);
  EXPECT_EQ(back->output, order.output);
  EXPECT_EQ(back->szablon_raportu, order.szablon_raportu);
  EXPECT_EQ(back->sql, order.sql);
  EXPECT_EQ(back->ordered_at, order.ordered_at);  // exact: the report's date comes from it

  ProductionOutcome made;
  made.made.notices = {"Memo1: tekst jest dłuższy niż 1 MB i został obcięty", ""};
  auto made_back = decode_outcome(encode_outcome(made));
  ASSERT_TRUE(made_back);
  EXPECT_FALSE(made_back->error);
  EXPECT_EQ(made_back->made.notices, made.made.notices);

  ProductionOutcome failed;
  failed.error = ProductionError(ProductionStep::Export, "dysk pełny\nna pewno");
  auto failed_back = decode_outcome(encode_outcome(failed));
  ASSERT_TRUE(failed_back && failed_back->error);
  EXPECT_EQ(failed_back->error->step(), ProductionStep::Export);
  EXPECT_STREQ(failed_back->error->what(), "dysk pełny\nna pewno");
}

// What a worker that died half-way may leave: each is no outcome, never a made report.
TEST(WorkerProtocol, BrokenMessagesAreRefused) {
  const char* outcomes[] = {
      "",                  // nothing written before the end
      "2:ok3:ab",          // cut inside a field
      "5:error1:4",        // a field missing
      "5:error2:994:zly",  // a step out of range
      "5:error1:x4:zly",   // a step that is no number
      "3:tak",             // neither ok nor error
      "x:ok",              // no length
      "99999999999999999999:ok",
  };
  for (const char* text : outcomes) EXPECT_FALSE(decode_outcome(text)) << text;
  EXPECT_FALSE(decode_order(encode_fields({"xml", "/a", "b", "c", "0"}))) << "unknown format";
  EXPECT_FALSE(decode_order(encode_fields({"pdf", "", "b", "c", "0"}))) << "no output";
  EXPECT_FALSE(decode_order(encode_fields({"pdf", "/a", "b", "c", "jutro"}))) << "no time";
  EXPECT_FALSE(decode_order(encode_fields({"pdf", "/a", "b", "c"}))) << "a field missing";
}

TEST(WorkerProtocol, DurationsAndLimitsInTheFailureLine) {
  using std::chrono::milliseconds;
  struct Case {
    milliseconds d;
    const char* duration;
    const char* minutes;
  };
  const Case cases[] = {
      {milliseconds(3'000), "3,0 s", "0,05 min"},       {milliseconds(59'949), "59,9 s", "0,999 min"},
      {milliseconds(59'999), "1 min 0 s", "1 min"},  // rounded up, never "60,0 s"
      {milliseconds(60'000), "1 min 0 s", "1 min"},     {milliseconds(3'725'000), "1 h 2 min", "62,083 min"},
      {milliseconds(3'600'000), "1 h 0 min", "60 min"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(duration_text(c.d), c.duration) << c.d.count();
    EXPECT_EQ(minutes_text(c.d), c.minutes) << c.d.count();
  }
}

}  // namespace
}  // namespace orvena::runner
