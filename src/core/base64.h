#pragma once
// Base64 with the standard alphabet (RFC 4648 section 4), as used by MIME parts, RFC 2047 words,
// the AUTH LOGIN exchange and the data: URIs of HTML pictures.
#include <string>
#include <string_view>

namespace orvena::core {

std::string base64_encode(std::string_view bytes);

// RFC 2045 section 6.8 body form: lines of 76 characters (57 bytes each), every line ended by
// CR LF, the last one shorter. No bytes give no lines.
std::string base64_lines(std::string_view bytes);

}  // namespace orvena::core
