#include "delivery/mail/smtp_reply.h"

#include "core/error.h"

namespace orvena::delivery::mail {
namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Length of a leading enhanced status code (RFC 3463 "class.subject.detail") and its blank.
size_t enhanced_code_length(std::string_view s) {
  size_t i = 0;
  for (int part = 0; part < 3; ++part) {
    size_t start = i;
    while (i < s.size() && is_digit(s[i])) ++i;
    if (i == start) return 0;
    if (part < 2) {
      if (i >= s.size() || s[i] != '.') return 0;
      ++i;
    }
  }
  if (i < s.size() && s[i] != ' ') return 0;
  return i < s.size() ? i + 1 : i;
}

}  // namespace

std::string SmtpReply::text() const {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += '\n';
    out += std::string_view(lines[i]).substr(enhanced_code_length(lines[i]));
  }
  return out;
}

bool SmtpReplyAssembler::add_line(std::string_view line) {
  // reply-line = 3DIGIT [("-" / SP) text]; the last line has no hyphen.
  bool well_formed = line.size() >= 3 && is_digit(line[0]) && is_digit(line[1]) && is_digit(line[2]) &&
                     (line.size() == 3 || line[3] == '-' || line[3] == ' ');
  if (!well_formed || line.size() > kMaxReplyLine)
    throw core::Error("Nieprawidłowa odpowiedź serwera: " + std::string(line));
  if (m_reply.lines.size() >= kMaxReplyLines) throw core::Error("Odpowiedź serwera jest za długa.");
  m_reply.code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
  m_reply.lines.emplace_back(line.size() > 4 ? line.substr(4) : std::string_view());
  return line.size() == 3 || line[3] == ' ';
}

}  // namespace orvena::delivery::mail
