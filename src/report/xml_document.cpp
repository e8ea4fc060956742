#include "report/xml_document.h"

#include <algorithm>

#include "core/encoding.h"
#include "core/text.h"

namespace orvena::report {
namespace {

constexpr std::string_view kInvalidFormat = "Invalid file format";
constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>";

// One start tag, end tag or empty-element tag as the scanner delivers it.
struct Tag {
  size_t offset = 0;  // of the '<'
  std::string name;
  std::string text;
  bool end = false;    // "</name>"
  bool empty = false;  // "<name .../>"
};

// Splits the input into tags. Text between tags is never read; comments are skipped.
//   document -> declaration element
//   tag      -> '<' bytes-without-'<' '>'          (name up to the first blank, then attributes)
//   comment  -> '<!--' any-bytes '--' '>'
//   element  -> start-tag { element } end-tag | empty-tag
class TagScanner {
 public:
  TagScanner(std::string_view in, size_t pos, const XmlLimits& limits)
      : m_in(in), m_pos(pos), m_limits(limits) {}

  // The next tag that is not a comment; false at the end of the input.
  bool next(Tag& tag) {
    std::string raw;
    for (;;) {
      size_t lt = m_in.find('<', m_pos);
      if (lt == std::string_view::npos) {
        m_pos = m_in.size();
        return false;
      }
      tag.offset = lt;
      m_pos = lt + 1;
      if (!collect(raw)) continue;  // a comment
      split(raw, tag);
      return true;
    }
  }

  size_t size() const { return m_in.size(); }

  [[noreturn]] void fail(size_t offset) const {
    auto [line, column] = line_column(m_in, offset);
    throw XmlError(std::string(kInvalidFormat), offset, line, column);
  }

 private:
  // Collects the bytes up to the closing '>'; false when the tag was a comment.
  bool collect(std::string& raw) {
    raw.clear();
    while (m_pos < m_in.size()) {
      char c = m_in[m_pos++];
      if (c == '>') return true;
      if (c == '<') fail(m_pos - 1);
      raw.push_back(c);
      if (raw.size() > m_limits.max_tag_bytes) fail(m_pos - 1);
      if (raw.size() == 3 && raw == "!--") {
        skip_comment();
        return false;
      }
    }
    fail(m_in.size());
  }

  // Skips to "--" immediately followed by '>'; a third '-' restarts the count.
  void skip_comment() {
    int dashes = 0;
    while (m_pos < m_in.size()) {
      char c = m_in[m_pos++];
      if (c == '-') {
        dashes = dashes == 2 ? 1 : dashes + 1;
      } else if (c == '>' && dashes == 2) {
        return;
      } else {
        dashes = 0;
      }
    }
    fail(m_in.size());
  }

  static void split(std::string& raw, Tag& tag) {
    if (!raw.empty() && raw.back() == ' ') raw.pop_back();
    size_t space = raw.find(' ');
    tag.name = raw.substr(0, space);
    tag.text = space == std::string::npos ? std::string() : raw.substr(space + 1);
    tag.empty = false;
    if (!tag.name.empty() && tag.name.back() == '/') {
      tag.name.pop_back();
      tag.empty = true;
    } else if (!tag.text.empty() && tag.text.back() == '/') {
      tag.text.pop_back();
      tag.empty = true;
    }
    tag.end = !tag.name.empty() && tag.name.front() == '/';
  }

  std::string_view m_in;
  size_t m_pos;
  const XmlLimits& m_limits;
};

// Attribute text of the current format is UTF-8; damaged sequences become U+FFFD so that the
// rest of the system only ever sees valid text.
std::string valid_utf8(std::string s) {
  if (core::is_valid_utf8(s)) return s;
  std::string out;
  size_t pos = 0;
  while (pos < s.size()) core::append_utf8(out, core::next_code_point(s, pos));
  return out;
}

// Byte offset of `needle` in `hay` comparing ASCII letters without case (attribute names are
// ASCII); other bytes must match exactly, so offsets hold for any bytes, valid UTF-8 or not.
size_t find_ascii_ignore_case(std::string_view hay, std::string_view needle) {
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  if (needle.size() > hay.size()) return std::string_view::npos;
  for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    size_t j = 0;
    while (j < needle.size() && lower(hay[i + j]) == lower(needle[j])) ++j;
    if (j == needle.size()) return i;
  }
  return std::string_view::npos;
}

// Fills `item` from a start tag; returns whether the element has content to read.
bool take_tag(XmlItem& item, Tag& tag, bool old_format) {
  item.name = std::move(tag.name);
  item.offset = tag.offset;
  constexpr std::string_view kUnloadable = " ld=\"0\"";
  if (size_t at = find_ascii_ignore_case(" " + tag.text, kUnloadable); at != std::string::npos) {
    size_t begin = at == 0 ? 0 : at - 1;  // position in tag.text
    size_t count = at == 0 ? kUnloadable.size() - 1 : kUnloadable.size();
    tag.text.erase(begin, count);
    item.unloadable = true;
  }
  item.text = old_format ? std::move(tag.text) : valid_utf8(std::move(tag.text));
  return !tag.empty;
}

// element -> start-tag { element } '</' name '>'   (the end tag matches ignoring case)
// Reads the children of `top` (whose start tag was just taken) up to its end tag, with an
// explicit stack so that nesting costs no native stack.
void read_children(TagScanner& scanner, XmlItem& top, bool partial, bool old_format, const XmlLimits& limits,
                   size_t& items) {
  struct Open {
    XmlItem* item;  // nullptr while skipping the children of an unloaded item
    std::string name;
  };
  std::vector<Open> stack;
  auto open = [&](XmlItem* item, const std::string& name, size_t offset) {
    if (stack.size() >= limits.max_depth) scanner.fail(offset);
    stack.push_back({item, name});
  };
  bool keep_top = !(partial && top.unloadable);
  if (!keep_top) top.loaded = false;
  open(keep_top ? &top : nullptr, top.name, top.offset);

  Tag tag;
  while (!stack.empty()) {
    if (!scanner.next(tag)) scanner.fail(scanner.size());  // the file ends inside an element
    if (tag.end) {
      if (!core::equals_ignore_case(std::string_view(tag.name).substr(1), stack.back().name))
        scanner.fail(tag.offset);
      stack.pop_back();
      continue;
    }
    if (++items > limits.max_items || stack.size() >= limits.max_depth) scanner.fail(tag.offset);
    XmlItem* parent = stack.back().item;
    if (!parent) {
      if (!tag.empty) open(nullptr, tag.name, tag.offset);
      continue;
    }
    XmlItem& child = parent->add();
    if (take_tag(child, tag, old_format)) {
      bool keep = !(partial && child.unloadable);
      if (!keep) child.loaded = false;
      open(keep ? &child : nullptr, child.name, child.offset);
    }
  }
}

}  // namespace

// ---- Items --------------------------------------------------------------------------------------

XmlItem& XmlItem::add(std::string_view name) {
  auto item = std::make_unique<XmlItem>();
  item->name = name;
  item->m_parent = this;
  m_items.push_back(std::move(item));
  return *m_items.back();
}

XmlItem& XmlItem::insert(size_t index, std::string_view name) {
  auto item = std::make_unique<XmlItem>();
  item->name = name;
  item->m_parent = this;
  index = std::min(index, m_items.size());
  return **m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
}

void XmlItem::remove(size_t index) {
  if (index < m_items.size()) m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
}

void XmlItem::move_items(size_t first, XmlItem& target) {
  for (size_t i = first; i < m_items.size(); ++i) {
    m_items[i]->m_parent = &target;
    target.m_items.push_back(std::move(m_items[i]));
  }
  if (first < m_items.size()) m_items.resize(first);
}

XmlItem* XmlItem::find(std::string_view n) const {
  for (auto& i : m_items)
    if (core::equals_ignore_case(i->name, n)) return i.get();
  return nullptr;
}

void XmlItem::clear() {
  m_items.clear();
  text.clear();
  value.clear();
}

std::pair<size_t, size_t> XmlItem::find_prop(std::string_view n) const {
  // Search " name=\"" in the text preceded by one space, ignoring case.
  std::string padded = " " + text;
  std::string needle = " " + std::string(n) + "=\"";
  size_t at = find_ascii_ignore_case(padded, needle);
  if (at == std::string::npos) return {std::string::npos, std::string::npos};
  size_t value_begin = at + needle.size();
  size_t quote = padded.find('"', value_begin);
  size_t end = quote == std::string::npos ? padded.size() : quote + 1;
  // Back to positions in `text` (the padding added one byte in front).
  return {at == 0 ? 0 : at - 1, end - 1};
}

std::string XmlItem::prop(std::string_view n) const {
  auto [begin, end] = find_prop(n);
  if (begin == std::string::npos) return {};
  std::string_view range = std::string_view(text).substr(begin, end - begin);
  size_t open = range.find("=\"");
  std::string_view value = range.substr(open + 2);
  if (!value.empty() && value.back() == '"') value.remove_suffix(1);
  return unescape_value(value);
}

bool XmlItem::prop_exists(std::string_view n) const {
  return find_prop(n).first != std::string::npos;
}

void XmlItem::set_prop(std::string_view n, std::string_view v) {
  std::string attr = " " + std::string(n) + "=\"" + escape_value(v) + "\"";
  auto [begin, end] = find_prop(n);
  if (begin == std::string::npos) {
    text += attr;
    return;
  }
  // Re-insert at its place, keeping the text's own leading space rule.
  if (begin == 0 && (text.empty() || text[0] != ' ')) attr.erase(0, 1);
  text.replace(begin, end - begin, attr);
}

void XmlItem::delete_prop(std::string_view n) {
  auto [begin, end] = find_prop(n);
  if (begin != std::string::npos) text.erase(begin, end - begin);
}

// ---- Document -----------------------------------------------------------------------------------

void XmlDocument::load(std::string_view bytes, bool partial, const XmlLimits& limits) {
  m_root.clear();
  m_root.name.clear();
  m_old_format = false;
  TagScanner scanner(bytes, 0, limits);
  if (bytes.size() > limits.max_input_bytes) scanner.fail(limits.max_input_bytes);

  Tag tag;
  if (!scanner.next(tag) || tag.name.rfind("?xml", 0) != 0) scanner.fail(tag.offset);
  std::string decl = tag.name + " " + tag.text;
  std::string version;
  if (size_t at = decl.find("version=\""); at != std::string::npos) version = decl.substr(at + 9, 3);
  m_old_format = version == "1.0" && decl.find("standalone") == std::string::npos;

  if (!scanner.next(tag)) return;  // a declaration alone: an empty document
  if (tag.end) scanner.fail(tag.offset);
  size_t items = 1;
  if (take_tag(m_root, tag, m_old_format))
    read_children(scanner, m_root, partial, m_old_format, limits, items);
}

void XmlDocument::load_item(std::string_view bytes, XmlItem& item, const XmlLimits& limits) const {
  TagScanner scanner(bytes, item.offset, limits);
  Tag tag;
  if (!scanner.next(tag) || tag.end) scanner.fail(item.offset);
  item.clear();
  item.loaded = true;
  size_t items = 1;
  bool unloadable = item.unloadable;
  if (take_tag(item, tag, m_old_format)) read_children(scanner, item, false, m_old_format, limits, items);
  item.unloadable = unloadable;
}

namespace {

void write_item(const XmlItem& item, int level, std::string& out) {
  out.append(static_cast<size_t>(level) * 2, ' ');
  out += '<';
  out += item.name;
  if (!item.text.empty()) {
    if (item.text.front() != ' ') out += ' ';
    out += item.text;
  }
  if (item.unloadable) out += " ld=\"0\"";
  if (!item.items().empty()) {
    out += ">\r\n";
    for (auto& child : item.items()) write_item(*child, level + 1, out);
    out.append(static_cast<size_t>(level) * 2, ' ');
    out += "</" + item.name + ">\r\n";
  } else if (!item.value.empty()) {
    out += '>' + item.value + "</" + item.name + ">\r\n";
  } else {
    out += "/>\r\n";
  }
}

}  // namespace

std::string XmlDocument::save() const {
  std::string out(kDeclaration);
  out += "\r\n";
  if (!m_root.name.empty()) write_item(m_root, 0, out);
  return out;
}

// ---- Escaping -----------------------------------------------------------------------------------

std::string escape_value(std::string_view s) {
  bool long_value = core::utf8_length(s) >= 32;
  std::string out;
  out.reserve(s.size() + 16);
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    switch (c) {
      case '\0':
        out += long_value ? " " : "&#0;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      case '"':
        out += "&#34;";
        break;
      case '<':
        out += "&#60;";
        break;
      case '>':
        out += "&#62;";
        break;
      case '&':
        if (s.substr(i, 6) == "&quot;") {
          out += "&#34;";
          i += 5;
        } else {
          out += "&#38;";
        }
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string unescape_value(std::string_view s) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&quot;", '"'}, {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}};
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c != '&' || i + 1 == s.size()) {
      out += c;
      continue;
    }
    if (s[i + 1] == '#') {
      size_t j = i + 2;
      uint32_t code = 0;
      while (j < s.size() && j - i - 2 < 8 && s[j] >= '0' && s[j] <= '9') code = code * 10 + (s[j++] - '0');
      if (j > i + 2 && j < s.size() && s[j] == ';') {
        // A code beyond Unicode becomes U+FFFD; an unterminated reference stays as written.
        core::append_utf8(out, code <= 0x10FFFF ? static_cast<char32_t>(code) : U'\uFFFD');
        i = j;
        continue;
      }
      out += c;
      continue;
    }
    bool replaced = false;
    for (auto [entity, ch] : kEntities) {
      if (s.substr(i, entity.size()) == entity) {
        out += ch;
        i += entity.size() - 1;
        replaced = true;
        break;
      }
    }
    if (!replaced) out += c;
  }
  return out;
}

std::pair<int, int> line_column(std::string_view bytes, size_t offset) {
  offset = std::min(offset, bytes.size());
  int line = 1;
  size_t line_start = 0;
  for (size_t i = 0; i < offset; ++i) {
    if (bytes[i] == '\n') {
      ++line;
      line_start = i + 1;
    }
  }
  return {line, static_cast<int>(offset - line_start) + 1};
}

}  // namespace orvena::report
