#include "designer/inspector_rows.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/text.h"
#include "report/units.h"

namespace orvena::designer {

using report::PropInfo;
using report::PropKind;
using report::PropRole;

std::string path_text(const PropPath& path) {
  std::string out;
  for (const auto& step : path) {
    if (!out.empty()) out += '.';
    out += step;
  }
  return out;
}

std::optional<PropTarget> resolve(report::Persistent& root, const PropPath& path) {
  report::Persistent* object = &root;
  for (size_t i = 0; i < path.size(); ++i) {
    const PropInfo* p = object->class_info().find(path[i]);
    if (!p) return std::nullopt;
    if (i + 1 == path.size()) return PropTarget{object, p};
    if (p->kind != PropKind::Object || !p->get_object) return std::nullopt;
    object = p->get_object(*object);
    if (!object) return std::nullopt;
  }
  return std::nullopt;
}

namespace {

bool shown(const PropInfo& p) {
  return p.has_setter();
}

// The entry of `name` in every object, each of the first's kind; the nested objects of an object
// row in `nested`.
bool shared_by_all(const std::vector<report::Persistent*>& objects, const PropInfo& first,
                   std::vector<report::Persistent*>* nested) {
  for (report::Persistent* o : objects) {
    const PropInfo* p = o->class_info().find(first.name);
    if (!p || p->kind != first.kind || !shown(*p)) return false;
    if (p->kind == PropKind::Object) {
      report::Persistent* inner = p->get_object(*o);
      if (!inner) return false;
      nested->push_back(inner);
    }
  }
  return true;
}

std::vector<PropRow> rows_of(const std::vector<report::Persistent*>& objects, const PropPath& prefix,
                             RowFilter filter) {
  std::vector<PropRow> rows;
  if (objects.empty()) return rows;
  for (const PropInfo* p : objects.front()->class_info().all) {
    if (!shown(*p)) continue;
    const bool event = p->role == PropRole::Event;
    if (prefix.empty() && event != (filter == RowFilter::Events)) continue;
    std::vector<report::Persistent*> nested;
    if (!shared_by_all(objects, *p, &nested)) continue;
    PropRow row{prefix, p, {}};
    row.path.emplace_back(p->name);
    if (p->kind == PropKind::Object) {
      row.children = rows_of(nested, row.path, RowFilter::Properties);
      // A picture has no table rows but an editor of its own.
      if (row.children.empty() && nested.front()->class_info().name != "TPicture") continue;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

std::vector<PropRow> common_rows(const std::vector<report::Persistent*>& objects, RowFilter filter) {
  return rows_of(objects, {}, filter);
}

std::string format_number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  std::string s = buf;
  // Trailing zeros and a bare point go; the point becomes the locale's comma.
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  for (char& c : s)
    if (c == '.') c = ',';
  return s;
}

std::optional<double> parse_number(std::string_view text, std::string_view unit) {
  std::string s(core::trim(text));
  if (!unit.empty() && s.size() >= unit.size() &&
      core::equals_ignore_case(std::string_view(s).substr(s.size() - unit.size()), unit))
    s = std::string(core::trim(std::string_view(s).substr(0, s.size() - unit.size())));
  if (s.empty()) return std::nullopt;
  for (char& c : s)
    if (c == ',') c = '.';
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

double unit_factor(GridUnit unit) {
  switch (unit) {
    case GridUnit::Millimetres:
      return report::kUnitsPerMm;
    case GridUnit::Inches:
      return report::kUnitsPerInch;
    case GridUnit::Pixels:
      break;
  }
  return 1;
}

std::string_view unit_abbreviation(GridUnit unit) {
  switch (unit) {
    case GridUnit::Millimetres:
      return "mm";
    case GridUnit::Inches:
      return "in";
    case GridUnit::Pixels:
      break;
  }
  return "px";
}

const std::vector<NamedColour>& named_colours() {
  // The sixteen colours of the classic palette, as 0x00BBGGRR, and "no colour".
  static const std::vector<NamedColour> kColours = {
      {"brak", report::kNoColor}, {"czarny", 0x000000},    {"bordowy", 0x000080},   {"zielony", 0x008000},
      {"oliwkowy", 0x008080},     {"granatowy", 0x800000}, {"purpurowy", 0x800080}, {"morski", 0x808000},
      {"szary", 0x808080},        {"srebrny", 0xC0C0C0},   {"czerwony", 0x0000FF},  {"limonkowy", 0x00FF00},
      {"żółty", 0x00FFFF},        {"niebieski", 0xFF0000}, {"fuksja", 0xFF00FF},    {"błękitny", 0xFFFF00},
      {"biały", 0xFFFFFF},
  };
  return kColours;
}

std::string colour_text(int64_t value) {
  for (const auto& c : named_colours())
    if (c.value == value) return std::string(c.name);
  if (value < 0) return "systemowy " + std::to_string(value & 0xFF);
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", static_cast<unsigned>(value & 0xFF),
                static_cast<unsigned>((value >> 8) & 0xFF), static_cast<unsigned>((value >> 16) & 0xFF));
  return buf;
}

picture::Kind picture_kind(std::string_view b) {
  auto starts = [&](std::string_view magic) { return b.substr(0, magic.size()) == magic; };
  if (starts("\x89PNG\r\n\x1a\n")) return picture::Kind::Png;
  if (starts("\xFF\xD8\xFF")) return picture::Kind::Jpeg;
  if (starts("GIF87a") || starts("GIF89a")) return picture::Kind::Gif;
  if (starts("BM")) return picture::Kind::Bitmap;
  // An enhanced metafile says " EMF" at offset 40; a placeable Windows metafile starts D7 CD C6 9A.
  if ((b.size() > 44 && b.substr(40, 4) == " EMF") || starts("\xD7\xCD\xC6\x9A"))
    return picture::Kind::Metafile;
  return picture::Kind::None;
}

}  // namespace orvena::designer
