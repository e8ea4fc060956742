#pragma once
// Objects to template elements and back: attribute texts built from and applied through the
// property tables, the component tree read with the class registry, references resolved after
// the whole tree is read, and an error list that never stops the read.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "report/xml_document.h"

namespace orvena::report {

class Component;
class CustomMemoView;
class Persistent;
class Report;
struct PropInfo;

struct Diagnostic {
  std::string text;
  int line = 0;  // 0: no position
  int column = 0;
};

struct ReadLimits {
  // Components created by one read (a text object is about 1.6 KB; templates of the runner hold
  // a few hundred objects, the load benchmark 5,000).
  size_t max_objects = 100'000;
};

class Serializer {
 public:
  // `report` receives the components of the read and resolves their references; it may be
  // nullptr for reads outside a report.
  explicit Serializer(Report* report);

  // The bytes the document came from (for positions) and its format.
  void set_source(std::string_view bytes, bool old_format);
  bool old_format() const { return m_old_format; }

  // Applies the root item to `root` and reads its whole subtree, then resolves references and
  // ends the loading state of every read component.
  void read_root(const XmlItem& root, Component& target);
  // Applies one attribute text; bad values become errors, unknown names are ignored.
  void apply(std::string_view text, Persistent& target, const XmlItem* where = nullptr);
  // Reads one element as a component below `parent` (used by nested readers too).
  void read_component(const XmlItem& item, Component& parent);

  // The attribute text of `obj`: its stored properties, each " Name=\"value\"". With an
  // ancestor, only what differs from it.
  std::string obj_to_xml(const Persistent& obj, std::string_view prefix = {},
                         const Persistent* ancestor = nullptr) const;
  // Writes `root` into `item` (and its children when `save_children`).
  void write_root(XmlItem& item, const Component& root, bool save_children) const;

  void add_error(std::string text, const XmlItem* where = nullptr);
  // Sorted, without duplicates.
  std::vector<std::string> error_texts() const;
  const std::vector<Diagnostic>& diagnostics() const { return m_diagnostics; }

  ReadLimits limits;

 private:
  struct PendingReference {
    Persistent* target;
    const PropInfo* prop;
    std::string name;
  };
  struct Targets {
    Persistent* target;
    Component* component;  // the target as a component, or nullptr
    CustomMemoView* memo;  // the target as a text object, or nullptr
  };
  void apply_one(const Targets& targets, std::string_view name, std::string_view raw, const XmlItem* where);
  void set_value(Persistent& obj, const PropInfo& prop, std::string_view raw);
  std::string decode(std::string_view raw) const;
  std::string decode_text(std::string_view raw) const;
  void resolve_references();
  Component* resolve(std::string_view name) const;
  std::string reference_name(const Component& c) const;

  Report* m_report;
  std::string_view m_source;
  std::vector<size_t> m_line_starts;
  bool m_old_format = false;
  std::vector<PendingReference> m_pending;
  std::vector<Component*> m_read;
  std::vector<Diagnostic> m_diagnostics;
  size_t m_created = 0;
};

// "ClassName attribute-text" for one component, and back (a new component of that class with
// the attributes applied; references are left unresolved). Throws core::Error for an unknown
// class.
std::string write_component_str(const Component& c);
std::unique_ptr<Component> read_component_str(std::string_view text);

// Copies `source`'s stored properties onto `target` through the attribute text (Assign), and
// with AssignAll also its children, made anew below `target` (whose own children go first).
// Children are looked up by name like a template read, so copy into a tree outside the source's
// report (the prepared-pages store does). References resolve within `target`'s report.
void assign(Component& target, const Component& source);
void assign_all(Component& target, const Component& source);

// Attribute values: an ordinal property's value (a member name for Booleans and enumerations),
// and lines joined with CR LF as text objects and string lists store them.
std::string format_ordinal_value(const PropInfo& p, int64_t v);
std::string join_text_lines(const std::vector<std::string>& lines);
// Appends ` <prefix><name>="<value>"` (the value already escaped) as records and templates write it.
void append_attr(std::string& out, std::string_view prefix, std::string_view name, std::string_view value);

// Number formats of the attribute values.
std::string format_float_value(double v);
// Accepts "." or "," as the decimal separator; throws core::Error for anything else.
double parse_float_value(std::string_view text);
int64_t parse_integer_value(std::string_view text);

}  // namespace orvena::report
