#include "export/docx/package_parts.h"

#include "export/xml/package_parts.h"
#include "export/xml/xml_writer.h"

namespace orvena::exporting::docx {

namespace {

#define XML_DECLARATION "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"

// A fixed date, so that the same report gives the same package.
constexpr std::string_view kCoreProperties = XML_DECLARATION
    R"(<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" )"
    R"(xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" )"
    R"(xmlns:dcmitype="http://purl.org/dc/dcmitype/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">)"
    R"(<dc:title></dc:title><dc:subject></dc:subject><dc:creator>Orvena</dc:creator>)"
    R"(<cp:keywords></cp:keywords><dc:description></dc:description>)"
    R"(<cp:lastModifiedBy>User</cp:lastModifiedBy><cp:revision>2</cp:revision>)"
    R"(<dcterms:created xsi:type="dcterms:W3CDTF">2010-05-06T08:40:00Z</dcterms:created>)"
    R"(<dcterms:modified xsi:type="dcterms:W3CDTF">2010-05-06T08:40:00Z</dcterms:modified>)"
    R"(</cp:coreProperties>)";

constexpr std::string_view kAppProperties = XML_DECLARATION
    R"(<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties" )"
    R"(xmlns:vt="http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes">)"
    R"(<Template>Normal.dotm</Template><TotalTime>1</TotalTime><Application>Orvena</Application>)"
    R"(<DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop><Company></Company>)"
    R"(<LinksUpToDate>false</LinksUpToDate><SharedDoc>false</SharedDoc>)"
    R"(<HyperlinksChanged>false</HyperlinksChanged><AppVersion>12.0000</AppVersion>)"
    R"(</Properties>)";

// Document defaults and the four styles every table paragraph falls back on; the latent style
// exceptions keep the common built-in styles out of a reader's gallery until used.
constexpr std::string_view kStyles = XML_DECLARATION
    R"(<w:styles xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" )"
    R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
    R"(<w:docDefaults><w:rPrDefault><w:rPr>)"
    R"(<w:rFonts w:ascii="Times New Roman" w:eastAsia="Times New Roman" w:hAnsi="Times New Roman" w:cs="Times New Roman"/>)"
    R"(<w:sz w:val="24"/><w:szCs w:val="24"/><w:lang w:val="pl-PL" w:eastAsia="pl-PL" w:bidi="ar-SA"/>)"
    R"(</w:rPr></w:rPrDefault><w:pPrDefault/></w:docDefaults>)"
    R"(<w:latentStyles w:defLockedState="0" w:defUIPriority="99" w:defSemiHidden="1" )"
    R"(w:defUnhideWhenUsed="1" w:defQFormat="0" w:count="267">)"
    R"(<w:lsdException w:name="Normal" w:semiHidden="0" w:uiPriority="0" w:unhideWhenUsed="0" w:qFormat="1"/>)"
    R"(<w:lsdException w:name="heading 1" w:semiHidden="0" w:uiPriority="9" w:unhideWhenUsed="0" w:qFormat="1"/>)"
    R"(<w:lsdException w:name="heading 2" w:uiPriority="9" w:qFormat="1"/>)"
    R"(<w:lsdException w:name="heading 3" w:uiPriority="9" w:qFormat="1"/>)"
    R"(<w:lsdException w:name="caption" w:uiPriority="35" w:qFormat="1"/>)"
    R"(<w:lsdException w:name="Title" w:semiHidden="0" w:uiPriority="10" w:unhideWhenUsed="0" w:qFormat="1"/>)"
    R"(<w:lsdException w:name="Default Paragraph Font" w:uiPriority="1"/>)"
    R"(<w:lsdException w:name="Subtitle" w:semiHidden="0" w:uiPriority="11" w:unhideWhenUsed="0" w:qFormat="1"/>)"
    R"(<w:lsdException w:name="Strong" w:semiHidden="0" w:uiPriority="22" w:unhideWhenUsed="0" w:qFormat="1"/>)"
    R"(<w:lsdException w:name="Emphasis" w:semiHidden="0" w:uiPriority="20" w:unhideWhenUsed="0" w:qFormat="1"/>)"
    R"(<w:lsdException w:name="Table Grid" w:semiHidden="0" w:uiPriority="59" w:unhideWhenUsed="0"/>)"
    R"(<w:lsdException w:name="No Spacing" w:semiHidden="0" w:uiPriority="1" w:unhideWhenUsed="0" w:qFormat="1"/>)"
    R"(</w:latentStyles>)"
    R"(<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/><w:qFormat/></w:style>)"
    R"(<w:style w:type="character" w:default="1" w:styleId="DefaultParagraphFont">)"
    R"(<w:name w:val="Default Paragraph Font"/><w:uiPriority w:val="1"/><w:semiHidden/><w:unhideWhenUsed/></w:style>)"
    R"(<w:style w:type="table" w:default="1" w:styleId="TableNormal"><w:name w:val="Normal Table"/>)"
    R"(<w:uiPriority w:val="99"/><w:semiHidden/><w:unhideWhenUsed/><w:qFormat/>)"
    R"(<w:tblPr><w:tblInd w:w="0" w:type="dxa"/><w:tblCellMar><w:top w:w="0" w:type="dxa"/>)"
    R"(<w:left w:w="108" w:type="dxa"/><w:bottom w:w="0" w:type="dxa"/><w:right w:w="108" w:type="dxa"/>)"
    R"(</w:tblCellMar></w:tblPr></w:style>)"
    R"(<w:style w:type="numbering" w:default="1" w:styleId="NoList"><w:name w:val="No List"/>)"
    R"(<w:uiPriority w:val="99"/><w:semiHidden/><w:unhideWhenUsed/></w:style>)"
    R"(</w:styles>)";

constexpr std::string_view kFontTable = XML_DECLARATION
    R"(<w:fonts xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" )"
    R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
    R"(<w:font w:name="Calibri"><w:panose1 w:val="020F0502020204030204"/><w:charset w:val="EE"/>)"
    R"(<w:family w:val="swiss"/><w:pitch w:val="variable"/></w:font>)"
    R"(<w:font w:name="Times New Roman"><w:panose1 w:val="02020603050405020304"/><w:charset w:val="EE"/>)"
    R"(<w:family w:val="roman"/><w:pitch w:val="variable"/></w:font>)"
    R"(<w:font w:name="Arial"><w:panose1 w:val="020B0604020202020204"/><w:charset w:val="EE"/>)"
    R"(<w:family w:val="swiss"/><w:pitch w:val="variable"/></w:font>)"
    R"(<w:font w:name="Tahoma"><w:panose1 w:val="020B0604030504040204"/><w:charset w:val="EE"/>)"
    R"(<w:family w:val="swiss"/><w:pitch w:val="variable"/></w:font>)"
    R"(<w:font w:name="Cambria"><w:panose1 w:val="02040503050406030204"/><w:charset w:val="EE"/>)"
    R"(<w:family w:val="roman"/><w:pitch w:val="variable"/></w:font>)"
    R"(</w:fonts>)";

constexpr std::string_view kSettings = XML_DECLARATION
    R"(<w:settings xmlns:o="urn:schemas-microsoft-com:office:office" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" )"
    R"(xmlns:m="http://schemas.openxmlformats.org/officeDocument/2006/math" xmlns:v="urn:schemas-microsoft-com:vml" )"
    R"(xmlns:w10="urn:schemas-microsoft-com:office:word" )"
    R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" )"
    R"(xmlns:sl="http://schemas.openxmlformats.org/schemaLibrary/2006/main">)"
    R"(<w:zoom w:percent="100"/><w:embedSystemFonts/><w:defaultTabStop w:val="708"/>)"
    R"(<w:hyphenationZone w:val="425"/><w:characterSpacingControl w:val="doNotCompress"/>)"
    R"(<w:compat><w:doNotExpandShiftReturn/><w:useFELayout/></w:compat>)"
    R"(<w:themeFontLang w:val="pl-PL"/>)"
    R"(<w:decimalSymbol w:val=","/><w:listSeparator w:val=";"/>)"
    R"(</w:settings>)";

#undef XML_DECLARATION

// Pictures are PNG whatever their number: a reader that trusts the declared type shows them.
std::string make_content_types() {
  const xml::ContentType defaults[] = {
      {"emf", "image/x-emf"},
      {"png", "image/png"},
      {"rels", "application/vnd.openxmlformats-package.relationships+xml"},
      {"xml", "application/xml"},
  };
  const xml::ContentType parts[] = {
      {"/word/document.xml",
       "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"},
      {"/word/styles.xml", "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"},
      {"/docProps/app.xml", "application/vnd.openxmlformats-officedocument.extended-properties+xml"},
      {"/word/settings.xml", "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml"},
      {"/word/fontTable.xml", "application/vnd.openxmlformats-officedocument.wordprocessingml.fontTable+xml"},
      {"/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml"},
  };
  return xml::content_types_part(defaults, parts);
}

std::string make_package_relationships() {
  const xml::Relationship list[] = {
      {"rId3", xml::office_relationship("extended-properties"), "docProps/app.xml"},
      {"rId2", "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
       "docProps/core.xml"},
      {"rId1", xml::office_relationship("officeDocument"), "word/document.xml"},
  };
  return xml::relationships_part(list);
}

// The document's fixed relationships, left open for the pictures' ones.
std::string make_document_relationships_head() {
  xml::XmlWriter w;
  xml::start_relationships(w);
  xml::add_relationship(w, {"rId2", xml::office_relationship("settings"), "settings.xml"});
  xml::add_relationship(w, {"rId1", xml::office_relationship("styles"), "styles.xml"});
  xml::add_relationship(w, {"rId4", xml::office_relationship("fontTable"), "fontTable.xml"});
  return w.text();
}

}  // namespace

std::string_view content_types_part() {
  static const std::string part = make_content_types();
  return part;
}
std::string_view package_relationships_part() {
  static const std::string part = make_package_relationships();
  return part;
}
std::string_view core_properties_part() {
  return kCoreProperties;
}
std::string_view app_properties_part() {
  return kAppProperties;
}
std::string_view styles_part() {
  return kStyles;
}
std::string_view font_table_part() {
  return kFontTable;
}
std::string_view settings_part() {
  return kSettings;
}
std::string_view document_relationships_head() {
  static const std::string head = make_document_relationships_head();
  return head;
}
std::string_view document_relationships_tail() {
  return "</Relationships>";
}

std::string picture_part_name(int number) {
  return "word/media/image" + std::to_string(number) + ".png";
}

std::string picture_relationship_id(int number) {
  return "picId" + std::to_string(number);
}

std::string document_picture_relationship(int number) {
  xml::XmlWriter w;
  xml::add_relationship(w, {picture_relationship_id(number), std::string(kImageRelationship),
                            "media/image" + std::to_string(number) + ".png"});
  return w.text();
}

std::string page_bookmark(int page) {
  return "PageN" + std::to_string(page);
}

std::string hyperlink_relationship_id(int number) {
  return "linkId" + std::to_string(number);
}

std::string document_hyperlink_relationship(const std::string& id, const std::string& url) {
  xml::XmlWriter w;
  xml::add_relationship(w, {id, xml::office_relationship("hyperlink"), url, true});
  return w.text();
}

}  // namespace orvena::exporting::docx
