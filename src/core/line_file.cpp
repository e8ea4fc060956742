#include "core/line_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>

#include "core/encoding.h"
#include "core/error.h"
#include "core/text.h"

namespace orvena::core {

namespace {

std::string os_error(int err) {
  return std::strerror(err);
}

bool starts_with(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string decode_text(std::string_view bytes) {
  if (starts_with(bytes, "\xEF\xBB\xBF")) return std::string(bytes.substr(3));
  if (starts_with(bytes, "\xFF\xFE")) return utf16_to_utf8(bytes.substr(2), false);
  if (starts_with(bytes, "\xFE\xFF")) return utf16_to_utf8(bytes.substr(2), true);
  return to_utf8(bytes, CodePage::Windows1250);
}

std::optional<std::string> read_file_limited(const std::filesystem::path& path, uint64_t max_bytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Error("Cannot open file \"" + path.string() + "\". " + os_error(errno));
  std::string data;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      throw Error("Cannot read file \"" + path.string() + "\". " + os_error(err));
    }
    if (n == 0) break;
    if (static_cast<uint64_t>(n) > max_bytes - data.size()) {
      ::close(fd);
      return std::nullopt;
    }
    data.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

std::string read_file(const std::filesystem::path& path) {
  return *read_file_limited(path, std::numeric_limits<uint64_t>::max());
}

std::vector<std::string> read_lines(const std::filesystem::path& path) {
  return split_lines(decode_text(read_file(path)));
}

void write_file_atomic(const std::filesystem::path& path, std::string_view bytes) {
  auto fail = [&](int err) { throw Error("Cannot create file \"" + path.string() + "\". " + os_error(err)); };
  std::string tmp = path.string() + ".XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) fail(errno);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      ::unlink(tmp.c_str());
      fail(err);
    }
    done += static_cast<size_t>(n);
  }
  // mkstemp creates the file 0600: keep the replaced file's mode, or make a new one readable.
  struct stat old {};
  ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  if (::close(fd) != 0 || ::rename(tmp.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    fail(err);
  }
}

std::string encode_lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    out += from_utf8(line, CodePage::Windows1250);
    out += "\r\n";
  }
  return out;
}

void write_lines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  write_file_atomic(path, encode_lines(lines));
}

}  // namespace orvena::core
