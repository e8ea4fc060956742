#pragma once
// The run log: an ordered list of plain Polish lines, only ever appended to, shown on screen
// and saved whole to the day's log file. It lives in core because the runner and the mail
// delivery both write to it, and the window only shows it.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvena::core {

class RunLog {
 public:
  // Called with every line appended, for a view that shows the log as it grows.
  using Observer = std::function<void(const std::string& line)>;

  // A text with embedded line breaks (CR LF, LF or CR) becomes several lines.
  void append(std::string_view text);
  const std::vector<std::string>& lines() const { return m_lines; }
  void set_observer(Observer observer) { m_observer = std::move(observer); }

  // Writes the whole list, each line followed by CR LF, in Windows-1250, replacing the file.
  // Throws core::Error with the file-creation error when the folder is missing or unwritable.
  void save(const std::filesystem::path& path) const;

 private:
  std::vector<std::string> m_lines;
  Observer m_observer;
};

}  // namespace orvena::core
