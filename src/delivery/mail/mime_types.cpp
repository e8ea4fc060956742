#include "delivery/mail/mime_types.h"

#include <fstream>
#include <sstream>

namespace orvena::delivery::mail {

namespace {

std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

constexpr struct {
  const char* extension;
  const char* type;
} kBuiltIn[] = {
    {"pdf", "application/pdf"},
    {"htm", "text/html"},
    {"html", "text/html"},
    {"tif", "image/x-tiff"},
    {"xls", "application/x-msexcel"},
    {"doc", "application/msword"},
    {"txt", "text/plain"},
    {"zip", "application/x-zip-compressed"},
};

}  // namespace

MediaTypes::MediaTypes() {
  for (const auto& pair : kBuiltIn) m_by_extension[pair.extension] = pair.type;
}

MediaTypes MediaTypes::with_system_file(const std::filesystem::path& file) {
  MediaTypes types;
  std::ifstream in(file, std::ios::binary);
  if (in) {
    std::ostringstream text;
    text << in.rdbuf();
    types.add_mime_types_text(text.str());
  }
  return types;
}

void MediaTypes::add_mime_types_text(std::string_view text) {
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream fields(line);
    std::string type, extension;
    if (!(fields >> type) || type.find('/') == std::string::npos) continue;
    while (fields >> extension) m_by_extension[ascii_lower(extension)] = type;
  }
}

std::string MediaTypes::lookup(std::string_view file_name) const {
  size_t slash = file_name.find_last_of('/');
  std::string_view base = slash == std::string_view::npos ? file_name : file_name.substr(slash + 1);
  size_t dot = base.rfind('.');
  if (dot == std::string_view::npos) return std::string(kUnknown);
  auto it = m_by_extension.find(ascii_lower(base.substr(dot + 1)));
  return it == m_by_extension.end() ? std::string(kUnknown) : it->second;
}

}  // namespace orvena::delivery::mail
