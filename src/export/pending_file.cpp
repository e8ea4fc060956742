#include "export/pending_file.h"

#include <cerrno>
#include <cstring>

#include "core/error.h"
#include "core/file_error.h"

namespace orvena::exporting {

PendingFile::PendingFile(const std::filesystem::path& target) : m_target(target) {
  std::error_code ec;
  if (std::filesystem::exists(target, ec) && !std::filesystem::is_regular_file(target, ec))
    throw core::file_error(core::FileAction::Create, target, core::kNotARegularFile);
  m_temp = target;
  m_temp += ".part";
  m_file.open(m_temp, std::ios::binary | std::ios::trunc);
  if (!m_file) throw core::file_error(core::FileAction::Create, target, std::strerror(errno));
}

PendingFile::~PendingFile() {
  if (m_committed) return;
  m_file.close();
  std::error_code ec;
  std::filesystem::remove(m_temp, ec);
}

void PendingFile::commit() {
  errno = 0;
  m_file.close();
  std::error_code ec;
  if (!m_file) {
    int error = errno;
    std::filesystem::remove(m_temp, ec);
    throw core::write_failed(m_target, error);
  }
  std::filesystem::rename(m_temp, m_target, ec);
  if (ec) {
    std::string reason = ec.message();
    std::filesystem::remove(m_temp, ec);
    throw core::file_error(core::FileAction::Create, m_target, reason);
  }
  m_committed = true;
}

}  // namespace orvena::exporting
