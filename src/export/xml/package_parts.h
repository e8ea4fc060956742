#pragma once
// The parts every Office Open XML package has, whatever it holds (ISO/IEC 29500-2, Open
// Packaging Conventions): the content types of its parts and the relationships between them.
// XLSX and DOCX both write them through these, with XmlWriter.
//
//   std::string types = content_types_part({{"png", "image/png"}}, {{"/word/document.xml", kMain}});
//   std::string rels = relationships_part({{"rId1", office_relationship("styles"), "styles.xml"}});
#include <span>
#include <string>
#include <string_view>

#include "export/xml/xml_writer.h"

namespace orvena::exporting::xml {

inline constexpr std::string_view kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/package/2006/relationships";
inline constexpr std::string_view kOfficeRelationships =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A relationship type of the office document vocabulary, e.g. "styles", "image".
inline std::string office_relationship(std::string_view name) {
  return std::string(kOfficeRelationships) + "/" + std::string(name);
}

// A Default (by extension) or an Override (by part name, with its leading "/") content type.
struct ContentType {
  std::string key;
  std::string_view type;
};

// "[Content_Types].xml" (10.1.2.2): the defaults, then the overrides, in the order given.
std::string content_types_part(std::span<const ContentType> defaults, std::span<const ContentType> overrides);

struct Relationship {
  std::string id;
  std::string type;
  std::string target;
  bool external = false;  // TargetMode="External": a link out of the package
};

// A relationships part (9.3) holding the list, in its order.
std::string relationships_part(std::span<const Relationship> relationships);
// The same streamed: the declaration and the open <Relationships> element, then one element
// per call; the caller's finish() closes it.
void start_relationships(XmlWriter& w);
void add_relationship(XmlWriter& w, const Relationship& r);

}  // namespace orvena::exporting::xml
