#include "report/copy.h"

#include "core/error.h"
#include "report/property_stream.h"
#include "report/values.h"

namespace orvena::report {

namespace {

// Class identity by table rather than dynamic_cast: copies run for every printed object.
void copy_defined(const Persistent& source, Persistent& target) {
  if (&source.class_info() == &Picture::static_class()) {
    static_cast<Picture&>(target) = static_cast<const Picture&>(source);
    return;
  }
  std::string stream = write_property_stream(source);
  if (!stream.empty()) read_property_stream(target, stream);
}

void copy_table(const Persistent& source, Persistent& target, CopyReferences references) {
  for (const PropInfo* p : source.class_info().all) {
    if (p->never_stored) continue;
    switch (p->kind) {
      case PropKind::Integer:
      case PropKind::Boolean:
      case PropKind::Enumeration:
      case PropKind::Set:
        if (p->set_ordinal) p->set_ordinal(target, p->get_ordinal(source));
        break;
      case PropKind::Float:
        if (p->set_float) p->set_float(target, p->get_float(source));
        break;
      case PropKind::String:
        if (p->set_string) p->set_string(target, p->get_string(source));
        break;
      case PropKind::StringList:
        if (p->set_lines) p->set_lines(target, p->get_lines(source));
        break;
      case PropKind::Object: {
        // A nested object made on demand (a single display format) exists only where the
        // stored rule says so; asking for it otherwise would create one in the source.
        if (!p->is_stored(source)) break;
        const Persistent* from = p->object(source);
        Persistent* to = p->get_object(target);
        if (from && to) copy_table(*from, *to, references);
        break;
      }
      case PropKind::Reference:
        if (references == CopyReferences::Keep && p->set_reference)
          p->set_reference(target, p->get_reference(source));
        break;
    }
  }
  copy_defined(source, target);
}

}  // namespace

void copy_properties(const Persistent& source, Persistent& target, CopyReferences references) {
  copy_table(source, target, references);
  if (auto* from = dynamic_cast<const Component*>(&source))
    static_cast<Component&>(target).copy_collections(*from);
}

std::unique_ptr<Component> clone_component(const Component& source, CopyChildren children,
                                           CopyReferences references) {
  const ClassInfo& cls = source.class_info();
  if (!cls.create) throw core::Error("INTERNAL ERROR: no factory for " + std::string(cls.name));
  std::unique_ptr<Component> copy = cls.create();
  copy->set_name(source.name());
  copy_table(source, *copy, references);
  copy->copy_collections(source);
  if (children == CopyChildren::Yes)
    for (auto& child : source.objects()) copy->add(clone_component(*child, children, references));
  return copy;
}

}  // namespace orvena::report
