#include "delivery/mail/address_list.h"

#include <string>

#include "core/text.h"

namespace orvena::delivery::mail {

namespace {

// Removes comments and the quotes of quoted strings (keeping what they hold); records where the
// angle-bracketed address starts and ends in the result.
struct Entry {
  std::string plain;      // text outside the angle brackets, comments removed, unquoted
  std::string bracketed;  // between < and >
  bool has_brackets = false;
};

std::vector<std::string> split_entries(std::string_view line) {
  std::vector<std::string> entries;
  std::string current;
  bool quoted = false, escaped = false, angle = false;
  int comment = 0;
  for (char c : line) {
    if (escaped) {
      escaped = false;
    } else if (c == '\\' && (quoted || comment > 0)) {
      escaped = true;
    } else if (quoted) {
      if (c == '"') quoted = false;
    } else if (comment > 0) {
      if (c == '(') ++comment;
      if (c == ')') --comment;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '(') {
      ++comment;
    } else if (c == '<') {
      angle = true;
    } else if (c == '>') {
      angle = false;
    } else if (c == ',' && !angle) {
      entries.push_back(current);
      current.clear();
      continue;
    }
    current += c;
  }
  entries.push_back(current);
  return entries;
}

Entry read_entry(std::string_view s) {
  Entry e;
  bool quoted = false, escaped = false, angle = false;
  int comment = 0;
  for (char c : s) {
    if (escaped) {
      escaped = false;
      if (comment == 0) (angle ? e.bracketed : e.plain) += c;
    } else if (c == '\\' && (quoted || comment > 0)) {
      escaped = true;
    } else if (comment > 0) {
      if (c == '(') ++comment;
      if (c == ')') --comment;
    } else if (quoted) {
      if (c == '"')
        quoted = false;
      else
        (angle ? e.bracketed : e.plain) += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '(') {
      ++comment;
    } else if (c == '<' && !angle) {
      angle = true;
      e.has_brackets = true;
    } else if (c == '>' && angle) {
      angle = false;
    } else {
      (angle ? e.bracketed : e.plain) += c;
    }
  }
  return e;
}

}  // namespace

std::vector<MailAddress> parse_address_list(std::string_view line) {
  std::vector<MailAddress> out;
  for (const auto& text : split_entries(line)) {
    Entry e = read_entry(text);
    MailAddress a;
    if (e.has_brackets) {
      a.name = core::trim(e.plain);
      a.address = core::trim(e.bracketed);
    } else {
      a.address = core::trim(e.plain);
    }
    if (!a.address.empty()) out.push_back(std::move(a));
  }
  return out;
}

}  // namespace orvena::delivery::mail
