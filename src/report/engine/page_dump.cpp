#include "report/engine/page_dump.h"

#include <cmath>
#include <cstdio>

#include "report/bands.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/views.h"

namespace orvena::report {

namespace {

// Two decimals at most, trailing zeros dropped: 37.8, 20, 0.5.
std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", std::round(v * 100) / 100 + 0.0);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

void dump_object(const Component& c, int page, int depth, std::string& out) {
  out += std::to_string(page) + " " + std::string(depth * 2, ' ') + c.name();
  if (c.is(Band::static_class())) {
    out += " " + number(c.top()) + "+" + number(c.height());
    if (c.left() != 0) out += " @" + number(c.left());
  } else {
    out += " " + number(c.left()) + "," + number(c.top());
    if (c.is(CustomMemoView::static_class())) {
      std::string text;
      for (const std::string& line : static_cast<const CustomMemoView&>(c).memo)
        text += (text.empty() ? "" : "|") + line;
      out += " \"" + text + "\"";
      // Colour only where a template or script chose one: most texts are black.
      if (int64_t color = c.font().color; color != 0) {
        char buf[16];
        std::snprintf(buf, sizeof buf, " color=$%06llX", static_cast<unsigned long long>(color & 0xFFFFFF));
        out += buf;
      }
    }
  }
  out += "\n";
  for (const auto& child : c.objects()) dump_object(*child, page, depth + 1, out);
}

}  // namespace

std::string dump_prepared_pages(PreparedPages& pages) {
  std::string out;
  for (int i = 0; i < pages.count(); ++i) {
    ReportPage& page = pages.page(i);
    for (const auto& child : page.objects()) dump_object(*child, i + 1, 0, out);
    pages.clear_cache();
  }
  return out;
}

}  // namespace orvena::report
