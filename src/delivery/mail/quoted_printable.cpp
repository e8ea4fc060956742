#include "delivery/mail/quoted_printable.h"

namespace orvena::delivery::mail {

namespace {

constexpr size_t kSoftBreakAt = 70;
constexpr char kHex[] = "0123456789ABCDEF";

void encode_line(std::string_view line, std::string& out) {
  size_t column = 0;
  auto put = [&](std::string_view item) {
    out += item;
    column += item.size();
    if (column >= kSoftBreakAt) {
      out += "=\r\n";
      column = 0;
    }
  };
  for (size_t i = 0; i < line.size(); ++i) {
    auto b = static_cast<unsigned char>(line[i]);
    bool last = i + 1 == line.size();
    bool literal =
        (b >= 33 && b <= 126 && b != '=' && !(b == '.' && column == 0)) || ((b == ' ' || b == '\t') && !last);
    if (literal) {
      char c = static_cast<char>(b);
      put(std::string_view(&c, 1));
    } else {
      char esc[3] = {'=', kHex[b >> 4], kHex[b & 15]};
      put(std::string_view(esc, 3));
    }
  }
  out += "\r\n";
}

}  // namespace

std::string quoted_printable_encode(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 16);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    encode_line(text.substr(start, end - start), out);
    start = end + 2;
  }
  return out;
}

}  // namespace orvena::delivery::mail
