#include "designer/object_clipboard.h"

#include "core/text.h"
#include "report/bands.h"
#include "report/serializer.h"
#include "report/xml_document.h"

namespace orvena::designer {

std::string objects_to_text(const std::vector<const report::Component*>& objects) {
  report::XmlDocument doc;
  doc.root().name = kClipboardRoot;
  for (const report::Component* c : objects) {
    report::Serializer writer(c->report());
    writer.write_root(doc.root().add(), *c, true);
  }
  return doc.save();
}

std::vector<std::unique_ptr<report::Component>> objects_from_text(std::string_view text) {
  report::XmlDocument doc;
  try {
    doc.load(text);
  } catch (const core::Error&) {
    return {};
  }
  if (!core::equals_ignore_case(doc.root().name, kClipboardRoot)) return {};
  // Read below a holder outside any report: names then never meet the report's own objects,
  // which the reader would otherwise read the copies into.
  report::Band holder;
  report::Serializer reader(nullptr);
  reader.set_source(text, false);
  reader.read_root(doc.root(), holder);
  std::vector<std::unique_ptr<report::Component>> out;
  while (holder.count()) out.push_back(holder.object(0)->set_parent(nullptr));
  return out;
}

}  // namespace orvena::designer
