#pragma once
// The parts of a word-processing package that do not depend on the report: content types,
// package and document relationships, document properties, styles, font table and settings
// (ISO/IEC 29500-1 parts 11.3 and 15.2). Built into the program, so an export needs no files
// beside it.
#include <string>
#include <string_view>

namespace orvena::exporting::docx {

// Relationship type of a picture (ISO/IEC 29500-1 15.2.14).
inline constexpr std::string_view kImageRelationship =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";

std::string_view content_types_part();
std::string_view package_relationships_part();
std::string_view core_properties_part();
std::string_view app_properties_part();
std::string_view styles_part();
std::string_view font_table_part();
std::string_view settings_part();

// "word/_rels/document.xml.rels" is the fixed relationships of the document followed by one
// entry per picture, then the closing tag.
std::string_view document_relationships_head();
std::string document_picture_relationship(int number);  // picId<n> → media/image<n>.png
std::string_view document_relationships_tail();

// Where a picture's bytes go in the package and how its relationship names it.
std::string picture_part_name(int number);  // word/media/image<n>.png
std::string picture_relationship_id(int number);

// Internal links go to a bookmark at the start of each page: "PageN" + the page number, the name
// the HTML writer gives its pages' anchors.
std::string page_bookmark(int page);
// Links out of the document: linkId<n> with its target, TargetMode External.
std::string hyperlink_relationship_id(int number);
std::string document_hyperlink_relationship(const std::string& id, const std::string& url);

}  // namespace orvena::exporting::docx
