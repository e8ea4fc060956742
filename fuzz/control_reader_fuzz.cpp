// The runner's control-file reader on arbitrary file bytes: no crash, no hang; a malformed date
// offset may raise core::Error, which ends a run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/datetime.h"
#include "core/error.h"
#include "core/line_file.h"
#include "core/text.h"
#include "runner/control_reader.h"
#include "runner/day_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvena;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto lines = core::split_lines(core::decode_text(bytes));
  core::FixedClock clock(core::encode_date(2015, 10, 18) + core::encode_time(12, 0, 0));
  const std::string weekday(runner::weekday_name(1 + static_cast<int>(size % 7)));
  size_t total = 0;
  try {
    runner::read_control_lines(lines, clock, weekday, [&](runner::ReadDefinition& d) {
      const auto& s = d.szablon;
      total += s.raport.size() + s.zapytanie.size() + s.adresaci.size() + s.daty.size();
      if (runner::month_day_listed(s.daty, runner::month_day_key(clock.now()))) d.due = true;
    });
  } catch (const core::Error&) {
  }
  return total == static_cast<size_t>(-1);
}
