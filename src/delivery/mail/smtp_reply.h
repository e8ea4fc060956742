#pragma once
// SMTP replies (RFC 5321 section 4.2) as the session reads them, line by line, with no socket:
// "ddd-text" continues a reply, "ddd text" or "ddd" alone ends it.
#include <string>
#include <string_view>
#include <vector>

namespace orvena::delivery::mail {

// Named limits on what a server may send back, so a broken or hostile server cannot make us
// buffer without end: 256 lines of 4 KiB is 1 MiB at most.
inline constexpr size_t kMaxReplyLine = 4096;
inline constexpr size_t kMaxReplyLines = 256;

struct SmtpReply {
  int code = 0;
  std::vector<std::string> lines;  // without code and separator
  // The lines without leading enhanced status codes ("5.1.1 "), joined by line feeds.
  std::string text() const;
};

// Collects the lines of one reply. Throws core::Error "Nieprawidłowa odpowiedź serwera: <line>"
// on a line that is no reply line and "Odpowiedź serwera jest za długa." past kMaxReplyLines.
class SmtpReplyAssembler {
 public:
  // Feeds one line without its line break; true when the reply is complete.
  bool add_line(std::string_view line);
  const SmtpReply& reply() const { return m_reply; }

 private:
  SmtpReply m_reply;
};

}  // namespace orvena::delivery::mail
