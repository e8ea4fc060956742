#include "delivery/mail/mime_message.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "core/base64.h"
#include "core/encoding.h"
#include "core/error.h"
#include "core/file_error.h"
#include "delivery/mail/quoted_printable.h"

namespace orvena::delivery::mail {

namespace {

constexpr size_t kBoundaryLength = 34;
constexpr std::string_view kBoundaryAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string read_attachment(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    int err = errno;
    throw core::file_error(core::FileAction::Open, path, std::strerror(err));
  }
  std::ostringstream data;
  data << in.rdbuf();
  if (in.bad()) throw core::file_error(core::FileAction::Read, path);
  return std::move(data).str();
}

// Header texts are single lines: a line break taken over as it is would start a header field of
// the text's choosing.
std::string one_line(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

MailAddress one_line(const MailAddress& a) {
  return {one_line(a.name), one_line(a.address)};
}

// The value of a quoted-string parameter (RFC 2045 section 5.1).
std::string quoted_parameter(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

void header(std::string& out, std::string_view name, const std::string& value) {
  if (value.empty()) return;
  out += fold_header_line(std::string(name) + ": " + value);
}

std::string from_value(const MailAddress& sender) {
  MailAddress from = one_line(sender);
  if (from.address.empty() && from.name.empty()) return {};
  return format_address({from.name.empty() ? from.address : from.name, from.address});
}

std::string to_value(const std::vector<MailAddress>& recipients) {
  std::string out;
  for (const auto& r : recipients) {
    if (!out.empty()) out += ", ";
    out += format_address(one_line(r));
  }
  return out;
}

// Lines 13 to 19 of the layout: the attachment's part header, an empty line and the file.
void attachment_part(std::string& out, const MailMessage& m, const MediaTypes& types) {
  std::string file_name = one_line(m.attachment.filename().string());
  std::string encoded_name = quoted_parameter(encode_header_words(file_name));
  out += "Content-Type: " + types.lookup(file_name) + ";\r\n";
  out += "\tname=\"" + encoded_name + "\"\r\n";
  out += "Content-Transfer-Encoding: base64\r\n";
  out += "Content-Disposition: attachment;\r\n";
  out += "\tfilename=\"" + encoded_name + "\"\r\n";
  out += "\r\n";
  out += core::base64_lines(read_attachment(m.attachment));
}

std::string date_value(const core::Clock& clock) {
  core::DateTime now = clock.now();
  return format_mail_date(now, core::utc_offset_minutes(now));
}

}  // namespace

RandomSource system_random() {
  auto engine = std::make_shared<std::mt19937>(std::random_device{}());
  return [engine](uint32_t bound) { return std::uniform_int_distribution<uint32_t>(0, bound - 1)(*engine); };
}

std::string make_boundary(const RandomSource& random) {
  std::string b(kBoundaryLength, ' ');
  for (char& c : b) c = kBoundaryAlphabet[random(kBoundaryAlphabet.size())];
  size_t p = 1 + random(kBoundaryLength - 1);  // 1-based position 1..33
  b[p - 1] = '=';
  b[p] = '_';
  return b;
}

std::string format_mail_date(core::DateTime local, int utc_offset_minutes) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  core::DateParts p = core::decode(local);
  int offset = utc_offset_minutes < 0 ? -utc_offset_minutes : utc_offset_minutes;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %d %s %04d %02d:%02d:%02d %c%02d%02d",
                kDays[core::day_of_week(local) - 1], p.day, kMonths[p.month - 1], p.year, p.hour, p.minute,
                p.second, utc_offset_minutes < 0 ? '-' : '+', offset / 60, offset % 60);
  return buf;
}

std::string body_bytes(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    char32_t cp = core::next_code_point(utf8, pos);
    out += cp < 256 ? static_cast<char>(cp) : '?';
  }
  return out;
}

bool is_empty_body(const std::vector<std::string>& lines) {
  for (const auto& line : lines)
    for (char c : line)
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

std::string write_message(const MailMessage& m, const MessageEnvironment& env) {
  core::SystemClock system_clock;
  const core::Clock& clock = env.clock ? *env.clock : system_clock;
  MediaTypes system_types;
  if (!env.media_types) system_types = MediaTypes::with_system_file(MediaTypes::kDefaultFile);
  const MediaTypes& types = env.media_types ? *env.media_types : system_types;

  std::string out;
  header(out, "From", from_value(m.from));
  header(out, "Subject", encode_header_words(one_line(m.subject)));
  header(out, "To", to_value(m.recipients));

  if (is_empty_body(m.body_lines)) {
    // The attachment alone: its part header follows the message header directly.
    header(out, "MIME-Version", "1.0");
    header(out, "Date", date_value(clock));
    attachment_part(out, m, types);
    out += "\r\n";
    return out;
  }

  std::string boundary = make_boundary(env.random ? env.random : system_random());
  header(out, "Content-Type", "multipart/mixed; boundary=\"" + boundary + "\"");
  header(out, "MIME-Version", "1.0");
  header(out, "Date", date_value(clock));
  out += "\r\n";
  out += "This is a multi-part message in MIME format\r\n";
  out += "\r\n";
  out += "--" + boundary + "\r\n";
  // The bytes are ISO-8859-2 (the body was transliterated), and readers need to be told so.
  out += "Content-Type: text/plain; charset=iso-8859-2\r\n";
  out += "Content-Transfer-Encoding: quoted-printable\r\n";
  out += "Content-Disposition: inline\r\n";
  out += "\r\n";
  std::string text;
  for (const auto& line : m.body_lines) {
    text += body_bytes(line);
    text += "\r\n";
  }
  out += quoted_printable_encode(text);
  out += "\r\n";
  out += "--" + boundary + "\r\n";
  attachment_part(out, m, types);
  out += "\r\n";
  out += "--" + boundary + "--\r\n";
  out += "\r\n";
  return out;
}

}  // namespace orvena::delivery::mail
