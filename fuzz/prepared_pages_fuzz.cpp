// Prepared reports in their saved form: any bytes load or are refused without crashing or
// hanging, within the reader's limits; every page of what loaded can be rebuilt and measured;
// what loaded saves to a stream that loads again to the same number of pages; and a partial load
// of the same bytes keeps the same report.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/error.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvena::report;
  XmlLimits limits;
  limits.max_input_bytes = 1u << 20;
  limits.max_tag_bytes = 256u << 10;
  limits.max_items = 20'000;
  limits.max_depth = 64;

  Report report;
  PreparedPages store(report);
  try {
    store.load_from_stream(std::string_view(reinterpret_cast<const char*>(data), size), limits);
  } catch (const orvena::core::Error&) {
    if (store.count() != 0) std::abort();  // a refused stream leaves the store empty
    return 0;
  }
  for (int i = 0; i < store.count(); ++i) {
    store.page(i);
    store.page_size(i);
    store.clear_cache();
  }
  std::string saved = store.save_to_stream();

  Report partial_report;
  PreparedPages partial(partial_report);
  try {
    partial.load_from_stream(std::string_view(reinterpret_cast<const char*>(data), size), limits,
                             PreparedLoad::Partial);
  } catch (const orvena::core::Error&) {
    std::abort();  // read whole, refused in part
  }
  for (int i = partial.count(); i-- > 0;) {
    partial.page(i);
    partial.clear_cache();
  }
  if (partial.save_to_stream() != saved) std::abort();

  Report again_report;
  PreparedPages again(again_report);
  try {
    again.load_from_stream(saved);
  } catch (const orvena::core::Error&) {
    std::abort();  // the writer produced something the reader refuses
  }
  if (again.count() != store.count()) std::abort();
  return 0;
}
