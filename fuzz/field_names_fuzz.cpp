// Field names as expressions and alias lists write them, on arbitrary bytes. Besides not crashing,
// the parts must put the input back together: nothing is lost or invented by the split.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/text.h"
#include "report/datasets.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void field_name(std::string_view text) {
  auto name = orvena::report::split_field_name(text);
  if (!name) return check(text.find(".\"") == std::string_view::npos);
  check(name->source.find(".\"") == std::string_view::npos);
  std::string_view rest = text.substr(name->source.size() + 2);
  check(name->source == text.substr(0, name->source.size()));
  check(rest.substr(0, name->field.size()) == name->field);
  // What was dropped is one character: a lead byte and at most three continuation bytes.
  std::string_view dropped = rest.substr(name->field.size());
  check(dropped.empty() == rest.empty() && dropped.size() <= 4);
  for (size_t i = 1; i < dropped.size(); ++i) check((static_cast<unsigned char>(dropped[i]) & 0xC0) == 0x80);
}

void alias_lines(std::string_view text) {
  auto lines = orvena::core::split_lines(text);
  auto aliases = orvena::report::parse_field_aliases(lines);
  size_t next = 0;
  for (const auto& line : lines) {
    if (line.find('=') == std::string::npos) continue;
    check(next < aliases.size());
    const auto& a = aliases[next++];
    check((a.hidden ? "-" : "") + a.field + "=" + a.alias == line);
  }
  check(next == aliases.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  field_name(bytes);
  alias_lines(bytes);
  return 0;
}
