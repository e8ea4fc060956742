// Mail text handling on arbitrary input: the recipient-line parser, header-word encoding with
// folding, quoted-printable and the mime.types reader. Besides crashes it checks the wire
// invariants: 7-bit output, CR LF line ends, quoted-printable lines of at most 73 characters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "delivery/mail/address_list.h"
#include "delivery/mail/mime_types.h"
#include "delivery/mail/quoted_printable.h"
#include "delivery/mail/rfc2047.h"

namespace {

using namespace orvena::delivery::mail;

// Every byte printable ASCII, blank or tab; CR only in CR LF. Returns the longest line.
size_t check_wire(std::string_view s) {
  size_t longest = 0, start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    auto b = static_cast<unsigned char>(s[i]);
    if (b == '\r') {
      if (i + 1 >= s.size() || s[i + 1] != '\n') __builtin_trap();
      longest = std::max(longest, i - start);
      start = i + 2;
      ++i;
      continue;
    }
    if (b == '\n' || (b < 32 && b != '\t') || b > 126) __builtin_trap();
  }
  return std::max(longest, s.size() - start);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);

  for (const auto& a : parse_address_list(in)) {
    std::string header = fold_header_line("To: " + format_address(a));
    (void)header;
  }

  std::string line;  // header texts reach the writer as single lines
  for (char c : in) line += (c == '\r' || c == '\n') ? ' ' : c;
  check_wire(fold_header_line("Subject: " + encode_header_words(line)));
  check_wire(encode_header_words(line, kAddressSpecials));

  std::string text;  // body lines joined by CR LF, as the writer hands them over
  size_t pos = 0;
  while (pos <= in.size()) {
    size_t end = in.find('\n', pos);
    if (end == std::string_view::npos) end = in.size();
    for (char c : in.substr(pos, end - pos))
      if (c != '\r') text += c;
    text += "\r\n";
    pos = end + 1;
  }
  std::string qp = quoted_printable_encode(text);
  if (check_wire(qp) > 73) __builtin_trap();
  if (qp.find("\r\n.") != std::string::npos || qp.rfind(".", 0) == 0) __builtin_trap();

  MediaTypes types;
  types.add_mime_types_text(in);
  (void)types.lookup(in);
  return 0;
}
