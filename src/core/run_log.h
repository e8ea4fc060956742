#pragma once
// The run log: an ordered list of plain Polish lines, only ever appended to, shown on screen
// and saved to the day's log file. It lives in core because the runner and the mail delivery
// both write to it, and the window only shows it.
#include <filesystem>
#include <functional>
#include <map>
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

  // Appends to the file the lines it has not been given yet, each followed by CR LF, in
  // Windows-1250. The file keeps what it held before this process first saved to it, so a
  // day's file holds every run of the day, and a save costs only its new lines. A path not
  // saved to before (a run crossing midnight) gets every line of the list.
  // Throws core::Error with the file-creation error when the folder is missing or unwritable;
  // the lines then count as unsaved and go with the next save.
  void save(const std::filesystem::path& path);

 private:
  std::vector<std::string> m_lines;
  std::map<std::filesystem::path, size_t> m_saved;  // per file: how many lines it has
  Observer m_observer;
};

}  // namespace orvena::core
