// Template reader: any bytes load without crashing or hanging, within the reader's limits; and
// whatever a load produced saves to a template that loads again without errors. Empty strings
// are not written, so a property emptied by the input returns to its default after one round;
// from the second round on, saving and loading change nothing.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "report/report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvena::report;
  Report report;
  report.engine_options.new_silent_mode = SilentMode::Silent;
  report.load_from_stream(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string saved = report.save_to_stream();

  for (int round = 0; round < 2; ++round) {
    Report again;
    again.engine_options.new_silent_mode = SilentMode::Silent;
    again.load_from_stream(saved);
    if (!again.errors().empty()) std::abort();  // the writer produced something the reader rejects
    std::string resaved = again.save_to_stream();
    if (round == 1 && resaved != saved) std::abort();
    saved = std::move(resaved);
  }
  return 0;
}
