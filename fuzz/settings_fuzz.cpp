// The settings file reader on arbitrary bytes: decoding (byte-order marks, Windows-1250, UTF-16
// with odd lengths and lone surrogates), line splitting and the key and body-block rules.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/settings.h"
#include "core/line_file.h"
#include "core/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto settings = orvena::config::parse_settings(orvena::core::split_lines(orvena::core::decode_text(bytes)));
  (void)orvena::config::connection_string(settings);
  (void)orvena::config::mail_body(settings);
  return 0;
}
