#pragma once
// Pieces of the FTP control dialogue (RFC 959) that need no socket: replies, the PASV answer and
// the choice of the data connection's address.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvena::delivery::ftp {

// Limits on what a server may send as one reply, so a broken or hostile server cannot make us
// buffer without end.
inline constexpr size_t kMaxReplyLineBytes = 8192;
inline constexpr size_t kMaxReplyLines = 1000;

struct Reply {
  int code = 0;
  // The reply's lines with the code and its separator removed, joined by "\n".
  std::string text;
};

// Collects the lines of one reply: "xyz text" alone, or "xyz-text" ... up to "xyz text"
// (RFC 959, 4.2). Throws core::Error on a line that cannot start a reply or on a limit.
class ReplyAssembler {
 public:
  // Feeds one line without its line break; true when the reply is complete.
  bool add_line(std::string_view line);
  const Reply& reply() const { return m_reply; }
  void reset() { *this = ReplyAssembler(); }

 private:
  Reply m_reply;
  size_t m_lines = 0;
  bool m_multi = false;
  std::string m_code_text;
};

struct PassiveEndpoint {
  std::string address;  // dotted
  uint16_t port = 0;
};

// The six numbers of a 227 reply: between "(" and ")", or after the last blank when there
// are no brackets. Throws core::Error when they are not six numbers from 0 to 255.
PassiveEndpoint parse_pasv(std::string_view reply_text);

// Loopback, private and link-local addresses (127, 10, 169.254, 192.168, 172.16-172.31).
bool is_private_address(std::string_view dotted);

// Where the data connection goes. A server behind NAT often names its inner address in the
// PASV reply; when we reached it at a public address, that inner address is useless to us, so
// the control connection's address is used instead. 0.0.0.0 (unspecified) is never a place to
// connect to and is replaced in the same way.
std::string choose_data_address(std::string_view pasv_address, std::string_view control_address);

// The number in a 213 SIZE reply text, or -1 when there is none.
int64_t parse_size(std::string_view reply_text);

}  // namespace orvena::delivery::ftp
