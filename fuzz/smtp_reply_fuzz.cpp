// What an SMTP server sends, on arbitrary bytes: replies assembled line by line with their limits.
// Every accepted line must be a reply line, and a reply that is complete must carry a code that
// its last line begins with and the text of every line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/error.h"
#include "core/text.h"
#include "delivery/mail/smtp_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvena::delivery::mail;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  SmtpReplyAssembler assembler;
  size_t fed = 0;
  for (const auto& line : orvena::core::split_lines(bytes)) {
    bool complete = false;
    try {
      complete = assembler.add_line(line);
    } catch (const orvena::core::Error&) {
      // A line that is no reply line, or a limit: refused with an error, as it must be.
      assembler = SmtpReplyAssembler();
      fed = 0;
      continue;
    }
    ++fed;
    const SmtpReply& reply = assembler.reply();
    if (reply.lines.size() != fed || reply.lines.size() > kMaxReplyLines) std::abort();
    if (reply.code < 0 || reply.code > 999 || std::to_string(reply.code).size() > 3) std::abort();
    if (line.size() < 3 || line.size() > kMaxReplyLine ||
        (line.size() > 3 && line[3] != ' ' && line[3] != '-'))
      std::abort();
    if (complete) {
      (void)reply.text();
      assembler = SmtpReplyAssembler();
      fed = 0;
    }
  }
  return 0;
}
