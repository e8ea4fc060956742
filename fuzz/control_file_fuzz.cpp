// The editor's control-file operations on an arbitrary file image: compaction, listing, reading
// blocks by name, appending and deleting. No crash, no hang.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/control_file.h"
#include "core/line_file.h"
#include "core/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvena;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto image = core::split_lines(core::decode_text(bytes));

  // Both the image as loaded and as compacted, as the editor reads either.
  const auto compacted = config::compact_lines(image);
  for (const std::vector<std::string>* lines : {&std::as_const(image), &compacted}) {
    const auto names = config::block_names(*lines);
    // A handful of names is enough: each read is linear in the image.
    for (size_t i = 0; i < names.size() && i < 4; ++i) {
      config::SzablonRaportu s;
      config::read_block(*lines, names[i], s);
      // What was read can be written back and read again.
      auto copy = *lines;
      config::append_block(copy, s);
      config::SzablonRaportu again;
      config::read_block(copy, core::trim(s.raport), again);
    }
  }
  config::SzablonRaportu empty_name;
  config::read_block(image, "", empty_name);
  if (!image.empty())
    config::blank_blocks(image, config::control::drop_key_length(core::trim(image.back()), "[raport]="));
  config::blank_blocks(image, "");
  return 0;
}
