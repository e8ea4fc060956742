#pragma once
// Helpers for report tests: property dumps through the class tables, a generic setter of
// non-default values, and reading a template text without the report's load rules.
#include <map>
#include <string>

#include "core/locale.h"
#include "report/component.h"
#include "report/report.h"
#include "report/serializer.h"
#include "report/views.h"
#include "report/xml_document.h"

namespace orvena::report::testing {

// Every property of `obj` by its dotted path, stored or not, as text; floats with 15 significant
// digits (what a file keeps).
inline void dump(const Persistent& obj, const std::string& prefix, std::map<std::string, std::string>& out) {
  for (const PropInfo* p : obj.class_info().all) {
    std::string key = prefix + std::string(p->name);
    switch (p->kind) {
      case PropKind::Integer:
      case PropKind::Boolean:
      case PropKind::Enumeration:
      case PropKind::Set:
        out[key] = std::to_string(p->get_ordinal(obj));
        break;
      case PropKind::Float:
        out[key] = core::Locale::format_float(p->get_float(obj), 15);
        break;
      case PropKind::String:
        out[key] = p->get_string(obj);
        break;
      case PropKind::StringList: {
        std::string joined;
        for (auto& l : p->get_lines(obj)) joined += l + "\x1F";
        out[key] = joined;
        break;
      }
      case PropKind::Object:
        // Format and highlight lists are dumped as lists below; reading them here would add one.
        if (p->name == "DisplayFormat" || p->name == "Highlight") break;
        dump(*p->object(obj), key + ".", out);
        break;
      case PropKind::Reference: {
        const Component* c = p->get_reference(obj);
        out[key] = c ? "-> " + c->name() : "nil";
        break;
      }
    }
  }
  if (auto* m = dynamic_cast<const CustomMemoView*>(&obj)) {
    for (size_t i = 0; i < m->formats.size(); ++i)
      dump(*m->formats[i], prefix + "Formats[" + std::to_string(i) + "].", out);
    for (size_t i = 0; i < m->highlights.size(); ++i)
      dump(*m->highlights[i], prefix + "Highlights[" + std::to_string(i) + "].", out);
  }
  if (auto* pic = dynamic_cast<const Picture*>(&obj))
    out[prefix + "(picture)"] = std::to_string(int(pic->kind)) + ":" + pic->bytes;
  if (auto* c = dynamic_cast<const Component*>(&obj)) {
    out[prefix + "(class)"] = std::string(c->class_name());
    out[prefix + "(name)"] = c->name();
  }
}

// The whole tree: each component under its path of names, plus the report's collections.
inline std::map<std::string, std::string> dump_tree(const Report& r) {
  std::map<std::string, std::string> out;
  dump(r, "", out);
  for (Component* c : r.all_objects()) {
    std::string path;
    for (const Component* p = c; p && p != &r; p = p->parent()) path = p->name() + "/" + path;
    dump(*c, path, out);
  }
  for (size_t i = 0; i < r.datasets.size(); ++i)
    dump(*r.datasets[i], "Datasets[" + std::to_string(i) + "].", out);
  for (size_t i = 0; i < r.variables.size(); ++i)
    dump(*r.variables[i], "Variables[" + std::to_string(i) + "].", out);
  for (size_t i = 0; i < r.styles.size(); ++i) dump(*r.styles[i], "Styles[" + std::to_string(i) + "].", out);
  return out;
}

// Gives every stored, settable, non-reference property a value other than its default.
inline void set_non_defaults(Persistent& obj) {
  for (const PropInfo* p : obj.class_info().all) {
    if (!p->has_setter() || p->never_stored) continue;
    switch (p->kind) {
      case PropKind::Boolean:
        p->set_ordinal(obj, p->ordinal_default ? !*p->ordinal_default : 1);
        break;
      case PropKind::Enumeration:
        p->set_ordinal(obj, p->ordinal_default ? (*p->ordinal_default + 1) % int64_t(p->names.size())
                                               : int64_t(p->names.size()) - 1);
        break;
      case PropKind::Set:
        p->set_ordinal(obj, (p->ordinal_default.value_or(0) ^ 5) & ((int64_t{1} << p->names.size()) - 1));
        break;
      case PropKind::Integer:
        if (p->name == "PaperSize") {
          p->set_ordinal(obj, 11);  // A5: a table size, so the dimensions follow it
        } else if (p->name == "Columns") {
          p->set_ordinal(obj, 3);
        } else if (p->name == "Height" && p->get_ordinal(obj) < 0) {
          p->set_ordinal(obj, -16);  // a font of 12 points
        } else {
          p->set_ordinal(obj, p->ordinal_default.value_or(0) + 7);
        }
        break;
      case PropKind::Float:
        // More than 15 significant digits: the file keeps 15.
        p->set_float(obj, 12.345678901234567 + double(p->name.size()));
        break;
      case PropKind::String:
        // DataSetName follows the DataSet reference; an adapter's platform links are not
        // stored inside a report.
        if (p->name == "DataSetName" || p->name == "DataSet" || p->name == "DataSource") break;
        p->set_string(obj, std::string(p->name) + " \"ż\" <&> x\t" + std::string(40, 'y'));
        break;
      case PropKind::StringList:
        p->set_lines(obj, {"first", "", std::string(p->name) + " \"ą\" <&>"});
        break;
      case PropKind::Object:
        if (p->name == "DisplayFormat" || p->name == "Highlight") break;
        set_non_defaults(*p->get_object(obj));
        break;
      case PropKind::Reference:
        break;
    }
  }
}

// Reads a template text into `r` through the serializer alone (no host-option or data-page
// rules), returning the serializer's error texts.
inline std::vector<std::string> read_into(Report& r, const std::string& text) {
  XmlDocument doc;
  doc.load(text);
  Serializer s(&r);
  s.set_source(text, doc.old_format());
  s.read_root(doc.root(), r);
  return s.error_texts();
}

inline std::string fixture(const std::string& name) {
  return std::string(ORVENA_FIXTURES) + "/templates/" + name;
}

}  // namespace orvena::report::testing
