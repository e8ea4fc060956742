#include "export/html/navigator.h"

#include <cstdio>

#include "export/xml/xml_writer.h"

namespace orvena::exporting::html {

namespace {

// The bar's captions.
constexpr std::string_view kFirst = "Pierwsza", kPrevious = "Poprzednia", kNext = "Następna",
                           kLast = "Ostatnia", kPage = "Strona ", kOf = " z ";

// A JavaScript string literal of a URL path (already percent-encoded, so only safe characters).
std::string js_string(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

void line(std::string& out, std::string_view text) {
  out += text;
  out += "\r\n";
}

}  // namespace

std::string url_path(std::string_view path) {
  std::string out;
  for (char c : path) {
    auto u = static_cast<unsigned char>(c);
    bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '-' ||
                 c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += c;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", u);
      out += hex;
    }
  }
  return out;
}

std::string frameset_document(std::string_view title, std::string_view navigator_src,
                              std::string_view content_src) {
  std::string out;
  line(out, "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">");
  line(out, "<html><head>");
  line(out, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
  line(out, "<title>" + xml::escape(title) + "</title>");
  line(out, "</head>");
  line(out, "<frameset rows=\"32,*\" frameborder=\"0\" border=\"0\">");
  line(out, "<frame name=\"topFrame\" src=\"" + xml::escape(url_path(navigator_src)) +
                "\" scrolling=\"no\" noresize>");
  std::string content = xml::escape(url_path(content_src));
  line(out, "<frame name=\"mainFrame\" src=\"" + content + "\">");
  // A browser without frames still reaches the report.
  line(out, "<noframes><body><a href=\"" + content + "\">" + xml::escape(title) + "</a></body></noframes>");
  line(out, "</frameset></html>");
  return out;
}

std::string navigator_page(std::string_view title, int pages, const NavigatorTarget& target) {
  pages = pages < 1 ? 1 : pages;
  std::string total = std::to_string(pages);
  std::string file = js_string(url_path(target.file));
  std::string out;
  line(out, "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
  line(out, "<html><head>");
  line(out, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
  line(out, "<title>" + xml::escape(title) + "</title>");
  line(out, "<script language=\"javascript\" type=\"text/javascript\">");
  line(out, "var page = 1, pages = " + total + ";");
  line(out, "function show(n) {");
  line(out, "  page = Math.max(1, Math.min(pages, n));");
  line(out, target.per_page ? "  parent.mainFrame.location.href = " + file + " + page + \".html\";"
                            : "  parent.mainFrame.location.href = " + file + " + \"#PageN\" + page;");
  line(out, "  document.getElementById(\"counter\").innerHTML = " + js_string(kPage) + " + page + " +
                js_string(kOf) + " + pages;");
  line(out, "}");
  line(out, "</script>");
  line(out, "</head>");
  line(out, "<body bgcolor=\"#FFFFFF\" text=\"#000000\" style=\"margin: 4px\">");
  line(out, "<form action=\"\" onsubmit=\"return false\">");
  struct Button {
    std::string_view caption, target;
  };
  for (Button b : {Button{kFirst, "1"}, Button{kPrevious, "page - 1"}, Button{kNext, "page + 1"},
                   Button{kLast, "pages"}})
    line(out, "<input type=\"button\" value=\"" + std::string(b.caption) + "\" onclick=\"show(" +
                  std::string(b.target) + ")\">");
  line(out, "<span id=\"counter\">" + std::string(kPage) + "1" + std::string(kOf) + total + "</span>");
  line(out, "</form>");
  line(out, "</body></html>");
  return out;
}

}  // namespace orvena::exporting::html
