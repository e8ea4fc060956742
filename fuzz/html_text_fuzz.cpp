// HTML cell text on arbitrary bytes: the first byte chooses whether the text object's tags are
// interpreted, the rest are lines split at LF. Whatever the text holds, the only markup in the
// cell is what the writer itself makes: line breaks and the style runs of recognised tags; every
// other "<", ">" and "&" is escaped.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "export/html/html_text.h"

using namespace orvena;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  auto tags = (data[0] & 1) ? report::text::Tags::Interpret : report::text::Tags::AsText;
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<std::string> lines;
  for (size_t at = 0; at <= input.size();) {
    size_t end = input.find('\n', at);
    if (end == std::string_view::npos) end = input.size();
    lines.emplace_back(input.substr(at, end - at));
    at = end + 1;
  }
  std::string html = exporting::html::cell_text(lines, tags);

  static const std::regex kMarkup(
      "<br>|</?[bius]>|<span style=\"color:#[0-9a-f]{6}\">|</span>|&(amp|lt|gt|quot|nbsp);");
  std::string rest = std::regex_replace(html, kMarkup, "");
  if (rest.find_first_of("<>&\"") != std::string::npos) std::abort();
  if (tags == report::text::Tags::AsText && html.find("<b>") != std::string::npos) std::abort();
  return 0;
}
