#pragma once
// The report mail as it goes over the wire after DATA: a multipart/mixed message with a
// quoted-printable text part and the report file in base64 (RFC 2045-2047), or the attachment
// alone when the body is empty. Clock and randomness are injected so that output can be
// compared byte for byte.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"
#include "delivery/mail/mime_types.h"
#include "delivery/mail/rfc2047.h"

namespace orvena::delivery::mail {

// A uniformly drawn number in [0, bound).
using RandomSource = std::function<uint32_t(uint32_t bound)>;
RandomSource system_random();

struct MailMessage {
  MailAddress from;  // an empty name shows the address as the name
  std::vector<MailAddress> recipients;
  std::string subject;                  // UTF-8, encoded on output
  std::vector<std::string> body_lines;  // UTF-8; characters above U+00FF are sent as '?'
  std::filesystem::path attachment;     // read while the message is written
};

struct MessageEnvironment {
  const core::Clock* clock = nullptr;       // the system clock when null
  RandomSource random;                      // system_random() when empty
  const MediaTypes* media_types = nullptr;  // built-in pairs + /etc/mime.types when null
};

// 34 letters and digits with "=_" at a random position: "=_" never occurs in base64 or
// quoted-printable text, so the boundary cannot appear inside a part.
std::string make_boundary(const RandomSource& random);

// RFC 5322 date-time of a local time: "Thu, 3 Dec 2026 14:05:09 +0100".
std::string format_mail_date(core::DateTime local, int utc_offset_minutes);

// One character to one byte: codes up to 255 as themselves, anything else as '?'.
std::string body_bytes(std::string_view utf8);

// True when the lines hold nothing but blanks and tabs.
bool is_empty_body(const std::vector<std::string>& lines);

// The whole message, every line ended by CR LF, not yet dot-stuffed. Throws core::Error when
// the attachment cannot be read.
std::string write_message(const MailMessage& message, const MessageEnvironment& env = {});

}  // namespace orvena::delivery::mail
