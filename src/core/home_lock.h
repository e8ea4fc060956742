#pragma once
// One run per home folder, across processes. Two runs on one home would empty Tymczasowe and
// rewrite a report while the other mails it, so every start takes this lock before its start-up
// step and keeps it until the process ends. It is an flock on a file in the home folder: the
// kernel drops it however the process ends, so a killed run leaves nothing to clean up.
#include <filesystem>

namespace orvena::core {

class HomeLock {
 public:
  // Tries to take the lock on `file`, creating it. Throws core::Error when the file cannot be
  // opened; a lock held elsewhere is not an error: held() then answers false.
  explicit HomeLock(const std::filesystem::path& file);
  ~HomeLock();
  HomeLock(const HomeLock&) = delete;
  HomeLock& operator=(const HomeLock&) = delete;

  bool held() const { return m_held; }

 private:
  int m_fd = -1;
  bool m_held = false;
};

}  // namespace orvena::core
