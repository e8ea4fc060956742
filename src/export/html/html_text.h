#pragma once
// What goes inside the HTML cells: text with its inline styles, links and pictures. Every piece
// of report text is escaped here; nothing a value holds ever reaches the page as markup.
#include <span>
#include <string>
#include <string_view>

#include "report/text/tags.h"

namespace orvena::exporting::html {

// A cell's text: the lines joined by "<br>", escaped. With Tags::Interpret the text objects' own
// tags (<b>, <i>, <u>, <strike>, <font color>) become runs wrapped in <b>, <i>, <u>, <s> and a
// coloured <span>; any other "<" is text. Trimmed; "&nbsp;" when nothing is left.
std::string cell_text(std::span<const std::string> lines, report::text::Tags tags);
// The same, appended to `out`.
void append_cell_text(std::string& out, std::span<const std::string> lines, report::text::Tags tags);

// Whether a cell's text shows nothing (such cells get a 1-pixel font, so they do not make a
// thin row taller).
bool blank_text(std::span<const std::string> lines);

// The href of a link, or empty when the link should not be written: a target of a script
// scheme ("javascript:", "vbscript:", "data:") would run on a click. A target beginning with "@"
// is a page of this document: "#PageN<n>", or "<n>.html" for one file per page.
std::string link_target(std::string_view url, bool file_per_page);

// The opening <a> element of a link; `target` is the frame a link opens in, empty for none.
std::string link_start(std::string_view href, std::string_view target);

// "data:image/png;base64,..." (RFC 2397) of PNG bytes.
std::string png_data_uri(std::string_view png);

}  // namespace orvena::exporting::html
