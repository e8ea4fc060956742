#include "export/xml/package_parts.h"

namespace orvena::exporting::xml {

std::string content_types_part(std::span<const ContentType> defaults,
                               std::span<const ContentType> overrides) {
  XmlWriter w;
  w.declaration();
  w.start("Types").attribute("xmlns", "http://schemas.openxmlformats.org/package/2006/content-types");
  for (const ContentType& d : defaults)
    w.start("Default").attribute("Extension", d.key).attribute("ContentType", d.type).end();
  for (const ContentType& o : overrides)
    w.start("Override").attribute("PartName", o.key).attribute("ContentType", o.type).end();
  w.finish();
  return w.text();
}

void start_relationships(XmlWriter& w) {
  w.declaration();
  w.start("Relationships").attribute("xmlns", kRelationshipsNamespace);
}

void add_relationship(XmlWriter& w, const Relationship& r) {
  w.start("Relationship").attribute("Id", r.id).attribute("Type", r.type).attribute("Target", r.target);
  if (r.external) w.attribute("TargetMode", "External");
  w.end();
}

std::string relationships_part(std::span<const Relationship> relationships) {
  XmlWriter w;
  start_relationships(w);
  for (const Relationship& r : relationships) add_relationship(w, r);
  w.finish();
  return w.text();
}

}  // namespace orvena::exporting::xml
