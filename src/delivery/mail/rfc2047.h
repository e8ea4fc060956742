#pragma once
// Header texts of the report mail: RFC 2047 "B" encoded words in ISO-8859-2, the address forms of
// From and To, and folding of long header lines (RFC 5322 section 2.2.3).
#include <string>
#include <string_view>

namespace orvena::delivery::mail {

struct MailAddress {
  std::string name;     // display name, UTF-8; empty for a bare address
  std::string address;  // addr-spec
};

// Characters that force the encoding of a display-name word (RFC 5322 specials).
inline constexpr std::string_view kAddressSpecials = "()[]<>:;.,\\\"@";

// Encodes the words of `text` that cannot stand in a header as they are. Adjacent such words
// form one encoded piece; a piece longer than one encoded word (75 characters) continues in
// further words separated by CR LF and one blank. `specials` lists characters that also force
// encoding (display names only).
std::string encode_header_words(std::string_view text, std::string_view specials = {});

// `"Name" <addr>`, `=?...?= <addr>` or the bare address when there is no display name.
std::string format_address(const MailAddress& a);

// Breaks a header line ("Name: value") longer than 78 characters after the last blank, tab or
// comma outside double quotes before the 79th character; continuation lines start with one
// blank. Line breaks already in the value are kept; every line is ended by CR LF.
std::string fold_header_line(std::string_view line);

}  // namespace orvena::delivery::mail
