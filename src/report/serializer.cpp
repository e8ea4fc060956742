#include "report/serializer.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/encoding.h"
#include "core/integer.h"
#include "core/locale.h"
#include "core/quote.h"
#include "core/text.h"
#include "report/class_registry.h"
#include "report/component.h"
#include "report/host.h"
#include "report/property_stream.h"
#include "report/report.h"
#include "report/resources.h"
#include "report/views.h"

namespace orvena::report {

// ---- Value formats ----------------------------------------------------------------------------

std::string format_float_value(double v) {
  return core::Locale::format_float(v, 15);
}

double parse_float_value(std::string_view text) {
  // Either separator is the decimal point, so files from any machine read the same. Values as
  // this system writes them (a point, no spaces) are parsed where they stand; records hold
  // thousands of them.
  std::string normalised;
  std::string_view s = text;
  if (text.find_first_of(", ") != std::string_view::npos) {
    for (char c : text) {
      if (c == ' ') continue;
      normalised += (c == ',') ? '.' : c;
    }
    s = normalised;
  }
  double v = 0;
  const char* first = s.data();
  const char* last = s.data() + s.size();
  if (first != last && *first == '+') ++first;
  auto [end, ec] = std::from_chars(first, last, v);
  if (s.empty() || ec != std::errc() || end != last || !std::isfinite(v))
    throw core::Error("'" + core::quoted_excerpt(text) + "' is not a valid floating point value");
  return v;
}

int64_t parse_integer_value(std::string_view text) {
  return core::parse_integer(text);
}

// Lines joined with CR LF, without a final CR LF. A final line break does not start another line
// when the text is read back, so a last line that is empty would be lost on every save; for that
// case alone one more CR LF is written.
std::string join_text_lines(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) out += "\r\n";
    out += lines[i];
  }
  if (!lines.empty() && lines.back().empty()) out += "\r\n";
  return out;
}

std::string format_ordinal_value(const PropInfo& p, int64_t v) {
  if ((p.kind == PropKind::Boolean || p.kind == PropKind::Enumeration) && v >= 0 &&
      static_cast<size_t>(v) < p.names.size())
    return std::string(p.names[static_cast<size_t>(v)]);
  return std::to_string(v);
}

void append_attr(std::string& out, std::string_view prefix, std::string_view name, std::string_view value) {
  out += ' ';
  out += prefix;
  out += name;
  out += "=\"";
  out += value;
  out += '"';
}

// ---- Serializer: setup and errors ----------------------------------------------------------------

Serializer::Serializer(Report* report) : m_report(report) {}

void Serializer::set_source(std::string_view bytes, bool old_format) {
  m_source = bytes;
  m_old_format = old_format;
  m_line_starts.assign(1, 0);
  for (size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] == '\n') m_line_starts.push_back(i + 1);
}

void Serializer::add_error(std::string text, const XmlItem* where) {
  Diagnostic d{std::move(text)};
  if (where && !m_line_starts.empty()) {
    auto it = std::upper_bound(m_line_starts.begin(), m_line_starts.end(), where->offset);
    size_t line = static_cast<size_t>(it - m_line_starts.begin());
    d.line = static_cast<int>(line);
    d.column = static_cast<int>(where->offset - m_line_starts[line - 1]) + 1;
  }
  m_diagnostics.push_back(std::move(d));
}

std::vector<std::string> Serializer::error_texts() const {
  std::vector<std::string> out;
  for (auto& d : m_diagnostics) out.push_back(d.text);
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

// ---- Reading ------------------------------------------------------------------------------------

void Serializer::read_root(const XmlItem& root, Component& target) {
  target.loading = true;
  apply(root.text, target, &root);
  for (auto& child : root.items()) {
    if ((target.style_flags & kHandlesNestedProperties) && target.read_nested(*child, *this)) continue;
    read_component(*child, target);
  }
  resolve_references();
  target.loading = false;
  for (Component* c : m_read) {
    c->loading = false;
    c->loaded();
  }
  m_read.clear();
}

void Serializer::read_component(const XmlItem& item, Component& parent) {
  if (core::equals_ignore_case(item.name, "RpCustomData")) return;  // no host listens here
  bool inherited = core::equals_ignore_case(item.name, "inherited");
  const ClassInfo* cls = inherited ? nullptr : class_registry::find(item.name);
  if (!inherited && (!cls || !cls->create)) {
    add_error(std::string(resource("xrCantFindClass")) + " " + item.name, &item);
    return;
  }
  std::string name = item.prop("Name");
  Component* c = nullptr;
  if (!name.empty()) c = m_report ? m_report->name_index_find(name) : parent.find_object(name);
  // A name held by an object of another class (a memo named like its page) names a second object:
  // reading it over the first would silently drop it from the report.
  bool clash = c && !inherited && &c->class_info() != cls;
  if (clash) c = nullptr;
  if (!c) {
    if (inherited) return;
    if (++m_created > limits.max_objects) {
      auto [line, column] = line_column(m_source, item.offset);
      throw XmlError("Za dużo obiektów w szablonie (limit " + std::to_string(limits.max_objects) + ")",
                     item.offset, line, column);
    }
    c = parent.add(cls->create());
  }
  c->loading = true;
  m_read.push_back(c);
  if (clash) {
    // Read under a name of its own (the first free of NAME_1, NAME_2, …).
    XmlItem renamed;
    renamed.text = item.text;
    renamed.delete_prop("Name");
    apply(renamed.text, *c, &item);
    for (int n = 1;; ++n) {
      std::string free_name = name + "_" + std::to_string(n);
      if (m_report ? !m_report->name_index_find(free_name) : !parent.find_object(free_name)) {
        c->set_name(free_name);
        break;
      }
    }
  } else {
    apply(item.text, *c, &item);
  }
  for (auto& child : item.items()) {
    if ((c->style_flags & kHandlesNestedProperties) && c->read_nested(*child, *this)) continue;
    read_component(*child, *c);
  }
}

void Serializer::apply(std::string_view text, Persistent& target, const XmlItem* where) {
  // Once per object, not per attribute, and by the class table: records apply one text to every
  // printed object.
  const ClassInfo& cls = target.class_info();
  Targets targets{
      &target, cls.inherits(Component::static_class()) ? static_cast<Component*>(&target) : nullptr,
      cls.inherits(CustomMemoView::static_class()) ? static_cast<CustomMemoView*>(&target) : nullptr};
  size_t pos = 0;
  for (;;) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    size_t eq = text.find('=', pos);
    if (eq == std::string_view::npos) return;
    size_t open = text.find('"', eq);
    if (open == std::string_view::npos) return;
    size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos) return;
    std::string_view name = text.substr(pos, eq - pos);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    apply_one(targets, name, text.substr(open + 1, close - open - 1), where);
    pos = close + 1;
  }
}

std::string Serializer::decode(std::string_view raw) const {
  if (m_old_format) return unescape_value(core::to_utf8(raw, core::CodePage::Windows1250));
  return unescape_value(raw);
}

// Text of a text object: in the old format the 8-bit value holds UTF-8 bytes.
std::string Serializer::decode_text(std::string_view raw) const {
  if (!m_old_format) return unescape_value(raw);
  std::string s;
  size_t pos = 0;
  while (pos < raw.size()) core::append_utf8(s, core::next_code_point(raw, pos));
  return unescape_value(s);
}

void Serializer::apply_one(const Targets& targets, std::string_view name, std::string_view raw,
                           const XmlItem* where) {
  Persistent& target = *targets.target;
  Component* component = targets.component;
  CustomMemoView* memo = targets.memo;
  try {
    if (name.size() == 1 && component) {
      switch (name[0]) {
        case 'l':
          return component->set_left(parse_float_value(raw));
        case 't':
          return component->set_top(parse_float_value(raw));
        case 'w':
          return component->set_width(parse_float_value(raw));
        case 'h':
          return component->set_height(parse_float_value(raw));
        case 'x':
          if (memo) memo->set_text(decode(raw));
          return;
        case 'u':
          if (memo) memo->set_text(decode_text(raw));
          return;
      }
    }
    if (component && core::equals_ignore_case(name, "Name")) {
      if (!dynamic_cast<Report*>(component)) component->set_name(decode(raw));
      return;
    }
    if (memo && core::equals_ignore_case(name, "Text")) return memo->set_text(decode_text(raw));
    if (core::equals_ignore_case(name, "PropData")) return read_property_stream(target, from_hex(raw));

    // Walk a dotted name through object-valued properties.
    Persistent* obj = &target;
    std::string_view rest = name;
    bool font_touched = false;
    for (;;) {
      size_t dot = rest.find('.');
      if (dot == std::string_view::npos) break;
      std::string_view step = rest.substr(0, dot);
      rest = rest.substr(dot + 1);
      const PropInfo* p = obj->class_info().find(step);
      if (!p) return target.ignored_attribute(name);
      if (p->kind == PropKind::StringList && core::equals_ignore_case(rest, "Text") && p->set_lines) {
        p->set_lines(*obj, core::split_lines(decode(raw)));
        return;
      }
      if (p->kind != PropKind::Object) return;
      if (obj == &target && core::equals_ignore_case(step, "Font")) font_touched = true;
      obj = p->get_object(*obj);
      if (!obj) return;
    }
    if (core::equals_ignore_case(rest, "PropData")) {
      read_property_stream(*obj, from_hex(raw));
    } else {
      const PropInfo* p = obj->class_info().find(rest);
      if (!p) return target.ignored_attribute(name);
      if (!p->has_setter()) return;
      if (p->kind == PropKind::Reference) {
        m_pending.push_back({obj, p, decode(raw)});
        return;
      }
      set_value(*obj, *p, raw);
    }
    if (font_touched && component) component->font_changed();
  } catch (const core::Error& e) {
    add_error(e.what(), where);
  }
}

void Serializer::set_value(Persistent& obj, const PropInfo& p, std::string_view raw) {
  switch (p.kind) {
    case PropKind::Integer:
      p.set_ordinal(obj, parse_integer_value(raw));
      break;
    case PropKind::Set: {
      int64_t v = parse_integer_value(raw);
      int64_t mask = (int64_t{1} << p.names.size()) - 1;
      p.set_ordinal(obj, v & mask);
      break;
    }
    case PropKind::Boolean:
    case PropKind::Enumeration: {
      int64_t v = -1;
      if (!raw.empty() && (raw[0] == '-' || (raw[0] >= '0' && raw[0] <= '9'))) {
        v = parse_integer_value(raw);
      } else {
        for (size_t i = 0; i < p.names.size(); ++i)
          if (core::equals_ignore_case(p.names[i], raw)) v = static_cast<int64_t>(i);
      }
      if (v < 0 || static_cast<size_t>(v) >= p.names.size())
        throw core::Error("Invalid property element: " + std::string(raw));
      p.set_ordinal(obj, v);
      break;
    }
    case PropKind::Float:
      p.set_float(obj, parse_float_value(raw));
      break;
    case PropKind::String:
      p.set_string(obj, decode(raw));
      break;
    case PropKind::StringList:  // only "<Name>.Text" sets a list
    case PropKind::Object:
    case PropKind::Reference:
      break;
  }
}

void Serializer::resolve_references() {
  for (auto& ref : m_pending) {
    if (core::equals_ignore_case(ref.name, "nil")) {
      ref.prop->set_reference(*ref.target, nullptr);
      continue;
    }
    if (Component* c = resolve(ref.name)) {
      try {
        ref.prop->set_reference(*ref.target, c);
      } catch (const core::Error& e) {
        add_error(e.what());
      }
    }
  }
  m_pending.clear();
}

Component* Serializer::resolve(std::string_view name) const {
  if (name.find('.') != std::string_view::npos) return HostComponents::find_global(name);
  if (m_report) {
    if (Component* c = m_report->name_index_find(name)) return c;
    if (m_report->host)
      if (Component* c = m_report->host->find(name)) return c;
  }
  return nullptr;
}

// ---- Writing ------------------------------------------------------------------------------------

std::string Serializer::reference_name(const Component& c) const {
  if (c.report() && c.report() == m_report) return c.name();
  if (c.host_owner && (!m_report || c.host_owner != m_report->host))
    return c.host_owner->name() + "." + c.name();
  return c.name();
}

std::string Serializer::obj_to_xml(const Persistent& obj, std::string_view prefix,
                                   const Persistent* ancestor) const {
  std::string out;
  for (const PropInfo* p : obj.class_info().all) {
    if (!p->is_stored(obj)) continue;
    switch (p->kind) {
      case PropKind::Integer:
      case PropKind::Boolean:
      case PropKind::Enumeration:
      case PropKind::Set: {
        int64_t v = p->get_ordinal(obj);
        if (ancestor ? v == p->get_ordinal(*ancestor) : (p->ordinal_default && v == *p->ordinal_default))
          break;
        append_attr(out, prefix, p->name, format_ordinal_value(*p, v));
        break;
      }
      case PropKind::Float: {
        double v = p->get_float(obj);
        if (ancestor && std::abs(v - p->get_float(*ancestor)) < 0.000001) break;
        append_attr(out, prefix, p->name, format_float_value(v));
        break;
      }
      case PropKind::String: {
        std::string v = p->get_string(obj);
        if (ancestor ? v == p->get_string(*ancestor) : v.empty()) break;
        append_attr(out, prefix, p->name, escape_value(v));
        break;
      }
      case PropKind::StringList: {
        auto v = p->get_lines(obj);
        if (v == (ancestor ? p->get_lines(*ancestor) : p->lines_default)) break;
        append_attr(out, prefix, std::string(p->name) + ".Text", escape_value(join_text_lines(v)));
        break;
      }
      case PropKind::Object: {
        const Persistent* child = p->object(obj);
        if (!child) break;
        const Persistent* anc = ancestor ? p->object(*ancestor) : nullptr;
        out += obj_to_xml(*child, std::string(prefix) + std::string(p->name) + ".", anc);
        break;
      }
      case PropKind::Reference: {
        const Component* c = p->get_reference(obj);
        const Component* a = ancestor ? p->get_reference(*ancestor) : nullptr;
        if (!c) {
          if (a) append_attr(out, prefix, p->name, "nil");
          break;
        }
        if (ancestor && a == c) break;
        append_attr(out, prefix, p->name, escape_value(reference_name(*c)));
        break;
      }
    }
  }
  // The class tables say what the object is: cheaper than a dynamic_cast on every nested value.
  const ClassInfo& cls = obj.class_info();
  if (prefix.empty() && cls.inherits(CustomMemoView::static_class())) {
    auto& memo = static_cast<const CustomMemoView&>(obj);
    bool text_differs = !ancestor || !ancestor->class_info().inherits(CustomMemoView::static_class()) ||
                        static_cast<const CustomMemoView&>(*ancestor).memo != memo.memo;
    if (text_differs) append_attr(out, prefix, "Text", escape_value(join_text_lines(memo.memo)));
  }
  bool component = cls.inherits(Component::static_class());
  if (!component || !(static_cast<const Component&>(obj).style_flags & kHandlesNestedProperties)) {
    std::string stream = write_property_stream(obj);
    if (!stream.empty() && (!ancestor || stream != write_property_stream(*ancestor)))
      append_attr(out, prefix, "PropData", to_hex(stream));
  }
  return out;
}

void Serializer::write_root(XmlItem& item, const Component& root, bool save_children) const {
  item.name = root.class_name();
  if (&root == m_report || root.parent() == nullptr) {
    item.text = obj_to_xml(root);
  } else {
    item.text.clear();
    append_attr(item.text, "", "Name", escape_value(root.name()));
    item.text += obj_to_xml(root);
  }
  if (root.style_flags & kHandlesNestedProperties) root.write_nested(item, *this);
  if (!save_children) return;
  for (auto& child : root.objects()) write_root(item.add(), *child, true);
}

// ---- Copies --------------------------------------------------------------------------------------

void assign(Component& target, const Component& source) {
  Serializer s(target.report());
  std::string text = s.obj_to_xml(source);
  Serializer reader(target.report());
  reader.apply(text, target);
}

void assign_all(Component& target, const Component& source) {
  XmlItem item;
  Serializer writer(source.report());
  writer.write_root(item, source, true);
  item.text = writer.obj_to_xml(source);  // the target keeps its own name
  target.clear();
  Serializer reader(target.report());
  reader.read_root(item, target);
}

// ---- One component as a string ---------------------------------------------------------------------

std::string write_component_str(const Component& c) {
  Serializer s(c.report());
  return std::string(c.class_name()) + s.obj_to_xml(c);
}

std::unique_ptr<Component> read_component_str(std::string_view text) {
  size_t space = text.find(' ');
  std::string_view class_name = text.substr(0, space);
  const ClassInfo* cls = class_registry::find(class_name);
  if (!cls || !cls->create)
    throw core::Error(std::string(resource("xrCantFindClass")) + " " + std::string(class_name));
  std::unique_ptr<Component> c = cls->create();
  Serializer s(nullptr);
  if (space != std::string_view::npos) s.apply(text.substr(space + 1), *c);
  return c;
}

}  // namespace orvena::report
