#include "core/home_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/error.h"
#include "core/file_error.h"

namespace orvena::core {

HomeLock::HomeLock(const std::filesystem::path& file) {
  // O_NOFOLLOW: a link planted under the lock's name must not make us create a file elsewhere.
  m_fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (m_fd < 0) throw file_error(FileAction::Create, file, std::strerror(errno));
  int rc;
  while ((rc = ::flock(m_fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (rc == 0) {
    m_held = true;
  } else if (errno != EWOULDBLOCK) {
    int err = errno;
    ::close(m_fd);
    throw file_error(FileAction::Lock, file, std::strerror(err));
  }
}

HomeLock::~HomeLock() {
  // Closing the descriptor releases the lock.
  if (m_fd >= 0) ::close(m_fd);
}

}  // namespace orvena::core
