#include "export/html/html_text.h"

#include <cstdio>

#include "core/base64.h"
#include "core/encoding.h"
#include "core/text.h"
#include "export/xml/xml_writer.h"
#include "report/text/font_service.h"

namespace orvena::exporting::html {

namespace {

using report::text::TaggedText;
using report::text::TagState;

void append_run(std::string& out, const std::string& escaped, const TagState& state) {
  std::string run = escaped;
  if (state.style & report::text::kBold) run = "<b>" + run + "</b>";
  if (state.style & report::text::kItalic) run = "<i>" + run + "</i>";
  if (state.style & report::text::kUnderline) run = "<u>" + run + "</u>";
  if (state.style & report::text::kStrikeOut) run = "<s>" + run + "</s>";
  if (state.color != 0) {
    char colour[8];
    std::snprintf(colour, sizeof colour, "%06x", unsigned(state.color & 0xFFFFFF));
    run = "<span style=\"color:#" + std::string(colour) + "\">" + run + "</span>";
  }
  out += run;
}

// Escapes one character; a line feed is a line break of the cell.
void append_char(std::string& out, char32_t c) {
  if (c == U'\n') {
    out += "<br>";
    return;
  }
  if (c == U'\r') return;
  std::string utf8;
  core::append_utf8(utf8, c);
  xml::append_escaped(out, utf8);
}

// The common cell: lines that hold nothing the general path treats specially (no tag can start,
// no line break inside a line), so each line is its characters escaped, with no run elements; an
// empty line shows as one blank, as a paragraph of the general path does. False, with part of the
// text appended, when a line needs the general path.
bool append_plain_lines(std::string& out, std::span<const std::string> lines, report::text::Tags tags) {
  const std::string_view special = tags == report::text::Tags::Interpret ? "\r\n<" : "\r\n";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += "<br>";
    const std::string& line = lines[i];
    if (line.empty()) {
      out += ' ';
      continue;
    }
    if (line.find_first_of(special) != std::string::npos) return false;
    xml::append_escaped(out, line);
  }
  return true;
}

// Runs of equal tag state, each escaped and wrapped in the elements of its state.
void append_tagged(std::string& out, std::span<const std::string> lines, report::text::Tags tags) {
  // One paragraph per line; a line feed between them marks where "<br>" goes.
  TaggedText text;
  const TagState defaults{};
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      text.chars.push_back(U'\n');
      text.state.push_back(text.state.empty() ? 0 : text.state.back());
      text.source.push_back(0);
    }
    report::text::parse_line(lines[i], defaults, tags, text);
  }
  if (text.states.empty()) text.states.push_back(defaults);

  std::string run;
  size_t i = 0;
  while (i < text.chars.size()) {
    uint16_t state = text.state[i];
    run.clear();
    for (; i < text.chars.size() && text.state[i] == state; ++i) append_char(run, text.chars[i]);
    append_run(out, run, text.states[state]);
  }
}

}  // namespace

void append_cell_text(std::string& out, std::span<const std::string> lines, report::text::Tags tags) {
  size_t start = out.size();
  if (!append_plain_lines(out, lines, tags)) {
    out.resize(start);
    append_tagged(out, lines, tags);
  }
  std::string_view added = std::string_view(out).substr(start);
  std::string_view kept = core::trimmed(added);
  if (kept.size() == added.size() && !kept.empty()) return;
  if (kept.empty()) {
    out.resize(start);
    out += "&nbsp;";
    return;
  }
  // The kept part moves to the start of the cell text (memmove: the two may overlap).
  size_t from = size_t(kept.data() - out.data()), length = kept.size();
  out.erase(start, from - start);
  out.resize(start + length);
}

std::string cell_text(std::span<const std::string> lines, report::text::Tags tags) {
  std::string out;
  append_cell_text(out, lines, tags);
  return out;
}

bool blank_text(std::span<const std::string> lines) {
  for (const std::string& line : lines)
    if (!core::trimmed(line).empty()) return false;
  return true;
}

std::string link_target(std::string_view url, bool file_per_page) {
  std::string trimmed = core::trim(url);
  if (trimmed.empty()) return {};
  if (trimmed[0] == '@') {
    std::string page = trimmed.substr(1);
    return file_per_page ? page + ".html" : "#PageN" + page;
  }
  // Browsers ignore blanks and control characters inside a scheme name ("java\tscript:").
  size_t colon = trimmed.find(':');
  if (colon != std::string::npos) {
    std::string scheme;
    for (char c : trimmed.substr(0, colon))
      if (static_cast<unsigned char>(c) > ' ') scheme += c;
    scheme = core::to_lower(scheme);
    if (scheme == "javascript" || scheme == "vbscript" || scheme == "data") return {};
  }
  return trimmed;
}

std::string link_start(std::string_view href, std::string_view target) {
  std::string out = "<a href=\"" + xml::escape(href) + "\"";
  if (!target.empty()) out += " target=\"" + xml::escape(target) + "\"";
  out += ">";
  return out;
}

std::string png_data_uri(std::string_view png) {
  return "data:image/png;base64," + core::base64_encode(png);
}

}  // namespace orvena::exporting::html
