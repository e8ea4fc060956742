#include "core/line_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

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

Error write_failed(const std::filesystem::path& file, int error_number) {
  return Error("Nie udało się zapisać pliku \"" + file.string() +
               "\": " + os_error(error_number ? error_number : EIO));
}

std::string decode_text(std::string_view bytes) {
  if (starts_with(bytes, "\xEF\xBB\xBF")) return std::string(bytes.substr(3));
  if (starts_with(bytes, "\xFF\xFE")) return utf16_to_utf8(bytes.substr(2), false);
  if (starts_with(bytes, "\xFE\xFF")) return utf16_to_utf8(bytes.substr(2), true);
  return to_utf8(bytes, CodePage::Windows1250);
}

namespace {

// Closes the descriptor however the function that opened it ends.
class Fd {
 public:
  explicit Fd(int fd) : m_fd(fd) {}
  ~Fd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }
  int release() { return std::exchange(m_fd, -1); }

 private:
  int m_fd;
};

[[noreturn]] void fail_read(const std::filesystem::path& path, const std::string& why) {
  throw Error("Cannot read file \"" + path.string() + "\". " + why);
}

// Reads to the end, refusing more than `max_bytes` (a file may grow while it is read).
std::string read_all(int fd, const std::filesystem::path& path, std::uintmax_t max_bytes) {
  std::string data;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail_read(path, os_error(errno));
    }
    if (n == 0) break;
    if (data.size() + static_cast<size_t>(n) > max_bytes)
      fail_read(path, "The file is larger than " + std::to_string(max_bytes) + " bytes");
    data.append(buf, static_cast<size_t>(n));
  }
  return data;
}

}  // namespace

std::string read_file(const std::filesystem::path& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw Error("Cannot open file \"" + path.string() + "\". " + os_error(errno));
  return read_all(fd.get(), path, std::numeric_limits<std::uintmax_t>::max());
}

std::string read_regular_file(const std::filesystem::path& path, std::uintmax_t max_bytes) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; a regular file ignores the flag.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) throw Error("Cannot open file \"" + path.string() + "\". " + os_error(errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) fail_read(path, os_error(errno));
  if (!S_ISREG(st.st_mode)) throw Error("Cannot open file \"" + path.string() + "\". Not a regular file");
  if (static_cast<std::uintmax_t>(st.st_size) > max_bytes)
    fail_read(path, "The file is larger than " + std::to_string(max_bytes) + " bytes");
  return read_all(fd.get(), path, max_bytes);
}

std::vector<std::string> read_lines(const std::filesystem::path& path) {
  return split_lines(decode_text(read_file(path)));
}

void write_file_atomic(const std::filesystem::path& path, std::string_view bytes) {
  auto fail = [&](int err) { throw Error("Cannot create file \"" + path.string() + "\". " + os_error(err)); };
  struct stat target {};
  if (::stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode))
    throw Error("Cannot create file \"" + path.string() + "\". Not a regular file");
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

std::string encode_lines(std::span<const std::string> lines) {
  std::string out;
  for (const auto& line : lines) {
    out += from_utf8(line, CodePage::Windows1250);
    out += "\r\n";
  }
  return out;
}

std::string encode_lines(const std::vector<std::string>& lines) {
  return encode_lines(std::span<const std::string>(lines));
}

void write_lines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  write_file_atomic(path, encode_lines(lines));
}

namespace {

bool ends_with_line_break(int fd, off_t size) {
  char last = '\n';
  return size == 0 || (::pread(fd, &last, 1, size - 1) == 1 && (last == '\n' || last == '\r'));
}

}  // namespace

void append_to_file(const std::filesystem::path& path, std::string_view bytes) {
  auto fail = [&](const char* what, int err) {
    throw Error(std::string(what) + " \"" + path.string() + "\". " + os_error(err));
  };
  // O_NONBLOCK keeps a FIFO in the file's place from holding up the run; it is refused below.
  // Read access too: the last byte is looked at.
  Fd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0644));
  if (fd.get() < 0) fail("Cannot create file", errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) fail("Cannot write file", errno);
  if (!S_ISREG(st.st_mode)) throw Error("Cannot create file \"" + path.string() + "\". Not a regular file");
  std::string data;
  if (!ends_with_line_break(fd.get(), st.st_size)) data = "\r\n";
  data.append(bytes);
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd.get(), data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      if (::ftruncate(fd.get(), st.st_size) != 0) {
        // Nothing more can be done: the write error is the one to report.
      }
      fail("Cannot write file", err);
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd.release()) != 0) fail("Cannot write file", errno);
}

}  // namespace orvena::core
