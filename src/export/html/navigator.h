#pragma once
// The navigator of an HTML export for reading in a browser: the document becomes a frameset of a
// thin bar with first / previous / next / last buttons and a page counter ("topFrame"), and the
// report itself ("mainFrame"), one document with a table per page or one file per page.
//
//   std::string top = frameset_document(title, "raport.files/nav.html", "raport.files/main.html");
//   std::string bar = navigator_page(title, pages, {.file = "main.html", .per_page = false});
//
// Every line ends with CR LF.
#include <string>
#include <string_view>

namespace orvena::exporting::html {

// Where the bar sends the content frame: "<file>#PageN<n>" in one document, or the page file
// "<prefix><n>.html" with one file per page. Names are relative to the bar's own folder.
struct NavigatorTarget {
  std::string file;  // one document: its file name; per page: the prefix before the number
  bool per_page = false;
};

std::string frameset_document(std::string_view title, std::string_view navigator_src,
                              std::string_view content_src);
std::string navigator_page(std::string_view title, int pages, const NavigatorTarget& target);

// A relative path as a URL path: bytes other than letters, digits, "-", ".", "_", "~" and "/"
// percent-encoded (RFC 3986), so that a file name with "#", "%" or blanks still names the file.
std::string url_path(std::string_view path);

}  // namespace orvena::exporting::html
