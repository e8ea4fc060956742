#include "core/run_log.h"

#include "core/line_file.h"
#include "core/text.h"

namespace orvena::core {

void RunLog::append(std::string_view text) {
  std::vector<std::string> parts = split_lines(text);
  if (parts.empty()) parts.emplace_back();  // an empty text is still one (empty) line
  for (auto& line : parts) {
    m_lines.push_back(std::move(line));
    if (m_observer) m_observer(m_lines.back());
  }
}

void RunLog::save(const std::filesystem::path& path) {
  size_t& saved = m_saved[path];
  append_to_file(path, encode_lines(std::span(m_lines).subspan(saved)));
  saved = m_lines.size();
}

}  // namespace orvena::core
