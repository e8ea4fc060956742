#include "delivery/ftp/reply.h"

#include <array>
#include <cctype>
#include <charconv>

#include "core/error.h"
#include "core/text.h"

namespace orvena::delivery::ftp {
namespace {

bool starts_with_code(std::string_view line) {
  return line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
         std::isdigit(static_cast<unsigned char>(line[1])) &&
         std::isdigit(static_cast<unsigned char>(line[2]));
}

std::string shorten(std::string_view line) {
  return std::string(line.substr(0, 80));
}

// Four dotted numbers 0-255, or nothing.
std::optional<std::array<int, 4>> octets(std::string_view dotted) {
  std::array<int, 4> out{};
  size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (pos >= dotted.size() || dotted[pos] != '.') return std::nullopt;
      ++pos;
    }
    auto [end, ec] = std::from_chars(dotted.data() + pos, dotted.data() + dotted.size(), out[i]);
    if (ec != std::errc() || end == dotted.data() + pos || out[i] < 0 || out[i] > 255) return std::nullopt;
    pos = static_cast<size_t>(end - dotted.data());
  }
  if (pos != dotted.size()) return std::nullopt;
  return out;
}

}  // namespace

bool ReplyAssembler::add_line(std::string_view line) {
  if (line.size() > kMaxReplyLineBytes) throw core::Error("FTP reply line too long");
  if (++m_lines > kMaxReplyLines) throw core::Error("FTP reply has too many lines");
  bool first = m_lines == 1;
  if (first) {
    if (!starts_with_code(line) || (line.size() > 3 && line[3] != ' ' && line[3] != '-'))
      throw core::Error("Invalid FTP reply: " + shorten(line));
    m_code_text = std::string(line.substr(0, 3));
    m_reply.code = std::stoi(m_code_text);
    m_multi = line.size() > 3 && line[3] == '-';
  }
  // Lines inside a multi-line reply may carry the code too ("xyz-"); only "xyz " ends it.
  bool last =
      !m_multi || (!first && line.substr(0, 3) == m_code_text && (line.size() == 3 || line[3] == ' '));
  std::string_view text = line;
  if (line.substr(0, 3) == m_code_text && (line.size() == 3 || line[3] == ' ' || line[3] == '-'))
    text = line.substr(std::min<size_t>(4, line.size()));
  if (!first) m_reply.text += '\n';
  m_reply.text += text;
  return last;
}

PassiveEndpoint parse_pasv(std::string_view text) {
  std::string_view inner;
  size_t open = text.find('(');
  size_t close = open == std::string_view::npos ? open : text.find(')', open);
  if (close != std::string_view::npos) {
    inner = text.substr(open + 1, close - open - 1);
  } else {
    std::string_view t = text;
    while (!t.empty() && (t.back() == ' ' || t.back() == '.' || t.back() == '\r')) t.remove_suffix(1);
    size_t blank = t.rfind(' ');
    inner = blank == std::string_view::npos ? t : t.substr(blank + 1);
  }
  std::array<int, 6> n{};
  size_t pos = 0;
  for (int i = 0; i < 6; ++i) {
    if (i > 0) {
      if (pos >= inner.size() || inner[pos] != ',') throw core::Error("Invalid PASV reply: " + shorten(text));
      ++pos;
    }
    while (pos < inner.size() && inner[pos] == ' ') ++pos;
    auto [end, ec] = std::from_chars(inner.data() + pos, inner.data() + inner.size(), n[i]);
    if (ec != std::errc() || end == inner.data() + pos || n[i] < 0 || n[i] > 255)
      throw core::Error("Invalid PASV reply: " + shorten(text));
    pos = static_cast<size_t>(end - inner.data());
  }
  if (core::trim(inner.substr(pos)) != "") throw core::Error("Invalid PASV reply: " + shorten(text));
  PassiveEndpoint e;
  e.address = std::to_string(n[0]) + "." + std::to_string(n[1]) + "." + std::to_string(n[2]) + "." +
              std::to_string(n[3]);
  e.port = static_cast<uint16_t>(n[4] * 256 + n[5]);
  if (e.port == 0) throw core::Error("Invalid PASV reply: " + shorten(text));
  return e;
}

bool is_private_address(std::string_view dotted) {
  auto o = octets(dotted);
  if (!o) return false;
  auto [a, b, c, d] = *o;
  return a == 127 || a == 10 || (a == 169 && b == 254) || (a == 192 && b == 168) ||
         (a == 172 && b >= 16 && b <= 31);
}

std::string choose_data_address(std::string_view pasv_address, std::string_view control_address) {
  if (pasv_address == "0.0.0.0") return std::string(control_address);
  if (is_private_address(pasv_address) && !is_private_address(control_address))
    return std::string(control_address);
  return std::string(pasv_address);
}

int64_t parse_size(std::string_view text) {
  std::string t = core::trim(text);
  // Some servers repeat the name or add words; the size is the first token.
  std::string_view token = t;
  if (size_t blank = token.find(' '); blank != std::string_view::npos) token = token.substr(0, blank);
  int64_t size = -1;
  auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), size);
  if (ec != std::errc() || end != token.data() + token.size() || size < 0) return -1;
  return size;
}

}  // namespace orvena::delivery::ftp
