#pragma once
// A recipient line read as an RFC 5322 address list: "a@x.pl, Jan Nowak <jan@x.pl>,
// "Nowak, Anna" <anna@x.pl>".
#include <string_view>
#include <vector>

#include "delivery/mail/rfc2047.h"

namespace orvena::delivery::mail {

// Entries are separated by commas outside quotes, angle brackets and comments; empty entries are
// dropped. "name <addr>" keeps its display name (unquoted), a bare address has none, and
// comments in parentheses are left out.
std::vector<MailAddress> parse_address_list(std::string_view line);

}  // namespace orvena::delivery::mail
