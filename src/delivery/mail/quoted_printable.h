#pragma once
// Quoted-printable body encoding (RFC 2045 section 6.7) with the line rules of the report mail:
// soft breaks once an output line reaches 70 characters, a trailing blank or tab escaped, and a
// "." that would start an output line escaped so that no line ever needs dot-stuffing.
#include <string>
#include <string_view>

namespace orvena::delivery::mail {

// `text` holds byte lines separated by CR LF (the last one ended by CR LF too). Each input line
// becomes one or more output lines ended by CR LF.
std::string quoted_printable_encode(std::string_view text);

}  // namespace orvena::delivery::mail
