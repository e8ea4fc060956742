// What an FTP server sends, on arbitrary bytes: reply assembly line by line (with its limits),
// the PASV address and the SIZE number.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/error.h"
#include "core/text.h"
#include "delivery/ftp/reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvena::delivery::ftp;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ReplyAssembler assembler;
  try {
    for (const auto& line : orvena::core::split_lines(bytes)) {
      if (assembler.add_line(line)) {
        const Reply& reply = assembler.reply();
        (void)parse_size(reply.text);
        try {
          auto endpoint = parse_pasv(reply.text);
          (void)choose_data_address(endpoint.address, "203.0.113.7");
          (void)is_private_address(endpoint.address);
        } catch (const orvena::core::Error&) {
        }
        assembler.reset();
      }
    }
  } catch (const orvena::core::Error&) {
    // A line that cannot start a reply, or a limit: refused with an error, as it must be.
  }
  return 0;
}
