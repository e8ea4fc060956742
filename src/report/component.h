#pragma once
// The report tree: every node is a Component with a parent, an ordered child list (`Objects`:
// the order of printing, exporting and writing), geometry in units and a font.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "report/property.h"
#include "report/values.h"

namespace orvena::report {

class Report;
class Page;
class HostComponents;
class Serializer;
class XmlItem;

// Component styles.
enum ComponentStyle : unsigned {
  kContainer = 1,
  kPreviewVisible = 2,
  kDefaultDiff = 4,
  kHandlesNestedProperties = 8,
};

// Restrictions (set members in this order).
enum RestrictionBits : int64_t {
  kDontModify = 1,
  kDontSize = 2,
  kDontMove = 4,
  kDontDelete = 8,
  kDontEdit = 16
};
inline constexpr std::string_view kRestrictionNames[] = {"rfDontModify", "rfDontSize", "rfDontMove",
                                                         "rfDontDelete", "rfDontEdit"};

class Component : public Persistent {
 public:
  Component();
  ~Component() override;
  Component& operator=(const Component&) = delete;

  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  std::string_view class_name() const { return class_info().name; }
  bool is(const ClassInfo& c) const { return class_info().inherits(c); }

  // ---- Name -------------------------------------------------------------------------------
  const std::string& name() const { return m_name; }
  // Renaming rules: same name ignoring case does nothing; inside a report a name used by
  // another object raises "Nazwa jest już użyta"; names must be identifiers (or empty).
  virtual void set_name(std::string_view name);
  // The class name without the first "Trp" and the first "View" ("Memo", "MasterData").
  virtual std::string base_name() const;
  // Base name + the smallest integer from 1 not used in the report (or the parent).
  void create_unique_name();

  int64_t tag = 0;

  // ---- Tree -------------------------------------------------------------------------------
  Component* parent() const { return m_parent; }
  // Moves this component to the end of `parent`'s Objects (nullptr detaches it; the caller then
  // owns it through the returned pointer).
  std::unique_ptr<Component> set_parent(Component* parent);
  const std::vector<std::unique_ptr<Component>>& objects() const { return m_objects; }
  size_t count() const { return m_objects.size(); }
  Component* object(size_t i) const { return m_objects[i].get(); }
  // Appends a new child and returns it.
  Component* add(std::unique_ptr<Component> child);
  template <class T>
  T* add_new() {
    return static_cast<T*>(add(std::make_unique<T>()));
  }
  // Moves this component within its parent's list.
  void move_to_index(size_t index);
  int index_in_parent() const;
  // Destroys this component (detaching it from its parent first).
  void destroy();
  // Destroys all children except inherited ones, which are cleared instead.
  virtual void clear();

  Report* report() const;
  Page* page() const;
  // Every descendant, parent before children, excluding this component.
  std::vector<Component*> all_objects() const;
  // First of all_objects() named `name` ignoring case.
  Component* find_object(std::string_view name) const;

  // ---- Geometry (units) -------------------------------------------------------------------
  double left() const { return m_left; }
  double top() const { return m_top; }
  double width() const { return m_width; }
  double height() const { return m_height; }
  virtual void set_left(double v);
  virtual void set_top(double v);
  virtual void set_width(double v);
  virtual void set_height(double v);
  void set_bounds(double l, double t, double w, double h);
  double abs_left() const;
  double abs_top() const;

  // ---- Font and visibility ------------------------------------------------------------------
  const Font& font() const { return m_font; }
  // Replaces the font; the component stops taking its parent's font.
  void set_font(const Font& f);
  // Notification after the font was changed in place (the template reader does that).
  virtual void font_changed();
  Font& font_for_update() { return m_font; }
  bool parent_font() const { return m_parent_font; }
  void set_parent_font(bool v);
  bool visible = true;

  unsigned style_flags = kPreviewVisible;
  int64_t restrictions = 0;
  bool designing = false;  // created by the designer: only then do Restrictions block moves
  bool inherited = false;  // introduced by a base template
  bool loading = false;    // being read from a template

  // Components with kHandlesNestedProperties keep collections as child elements of their own.
  virtual void write_nested(XmlItem& item, const Serializer& s) const {}
  // Returns false when `child` is not one of this component's collections.
  virtual bool read_nested(const XmlItem& child, Serializer& s) { return false; }

  // After the whole template was read (text objects finish their setup here).
  virtual void loaded() {}
  // Structural copies (report/copy.h): what a class keeps beside its property table, taken from
  // `source` of the same class.
  virtual void copy_collections(const Component& source) {}
  // Aligns the child views by their Align property.
  virtual void align_children();

  // Components owned by a host window rather than a report (the published data adapter).
  HostComponents* host_owner = nullptr;

  // A token that outlives the component, so references can notice its destruction.
  const std::shared_ptr<Component*>& life() const { return m_life; }

 protected:
  // For structural copies (report/copy.h): the component's own state (name, tag, geometry, font,
  // visibility, styles, restrictions), never its place in a tree: no parent, no children, no
  // report or host owner, a life token of its own. Derived classes copy their members as usual.
  Component(const Component& other);
  void set_base_name_override(std::string_view s) { m_base_name_override = s; }

 private:
  friend class Report;
  void apply_parent_font();
  void register_names(Report* r);
  void unregister_names(Report* r);

  std::string m_name;
  Component* m_parent = nullptr;
  std::vector<std::unique_ptr<Component>> m_objects;
  double m_left = 0, m_top = 0, m_width = 0, m_height = 0;
  Font m_font;
  bool m_parent_font = true;
  std::string_view m_base_name_override;
  std::shared_ptr<Component*> m_life;

 protected:
  // What the tree walks (report(), page(), absolute position) ask of every ancestor, set once by
  // the constructor: these walks run for every printed object, too often for dynamic_cast.
  enum Role : uint8_t { kRoleReport = 1, kRolePage = 2, kRoleDialogPage = 4 };
  uint8_t m_roles = 0;
};

// Identifier rule for component names: a letter or underscore, then letters, digits or
// underscores. Letters beyond ASCII are accepted as letters.
bool is_valid_identifier(std::string_view s);

// A reference from one component to another that empties itself when the target is destroyed.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(T* target) { reset(target); }
  T* get() const { return m_life && *m_life ? static_cast<T*>(*m_life) : nullptr; }
  T* operator->() const { return get(); }
  explicit operator bool() const { return get() != nullptr; }
  void reset(T* target = nullptr) {
    if (target)
      m_life = static_cast<Component*>(target)->life();
    else
      m_life.reset();
  }

 private:
  std::shared_ptr<Component*> m_life;
};

// Anything printable or bindable; it keeps its bounds while printing.
class ReportComponent : public Component {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  std::string description;

  // Records the bounds before printing; after_print restores them, so stretching and shifting
  // during generation never outlive one printing of the object.
  virtual void before_print();
  virtual void get_data() {}
  virtual void after_print();
  virtual std::string component_text() const { return {}; }

  struct Bounds {
    double left = 0, top = 0, width = 0, height = 0;
  };
  Bounds saved_bounds;
  Bounds real_bounds() const { return {abs_left(), abs_top(), width(), height()}; }
};

}  // namespace orvena::report
