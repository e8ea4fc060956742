#include "export/pdf/pdf_a.h"

#include "export/pdf/pdf_document.h"
#include "export/xml/xml_writer.h"

namespace orvena::exporting::pdf {

namespace {

const unsigned char kSrgbProfile[] = {
#include "export/srgb_profile.inc"
};

std::string element(std::string_view name, std::string_view text) {
  std::string out = "<" + std::string(name) + ">";
  xml::append_escaped(out, text);
  return out + "</" + std::string(name) + ">";
}

// A language alternative (dc:title, dc:description) with its default only.
std::string alternative(std::string_view name, std::string_view text) {
  std::string out = "<" + std::string(name) + "><rdf:Alt><rdf:li xml:lang=\"x-default\">";
  xml::append_escaped(out, text);
  return out + "</rdf:li></rdf:Alt></" + std::string(name) + ">";
}

std::string description(std::string_view namespace_attribute, const std::string& body) {
  return "<rdf:Description rdf:about=\"\" " + std::string(namespace_attribute) + ">\n" + body +
         "</rdf:Description>\n";
}

}  // namespace

std::string xmp_metadata(const DocumentInfo& info, std::string_view date, std::string_view file_id_hex) {
  std::string dc = element("dc:format", "application/pdf") + "\n";
  if (!info.title.empty()) dc += alternative("dc:title", info.title) + "\n";
  if (!info.author.empty()) {
    dc += "<dc:creator><rdf:Seq><rdf:li>";
    xml::append_escaped(dc, info.author);
    dc += "</rdf:li></rdf:Seq></dc:creator>\n";
  }
  if (!info.subject.empty()) dc += alternative("dc:description", info.subject) + "\n";
  std::string pdf;
  if (!info.producer.empty()) pdf += element("pdf:Producer", info.producer) + "\n";
  if (!info.keywords.empty()) pdf += element("pdf:Keywords", info.keywords) + "\n";
  std::string xmp;
  if (!info.creator.empty()) xmp += element("xmp:CreatorTool", info.creator) + "\n";
  xmp += element("xmp:CreateDate", date) + "\n" + element("xmp:ModifyDate", date) + "\n";

  // The packet header's id is the fixed value of the XMP specification; the UTF-8 byte order
  // mark inside begin="" tells readers the encoding.
  std::string out =
      "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
      "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n";
  out += description("xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\"",
                     element("pdfaid:part", "1") + "\n" + element("pdfaid:conformance", "B") + "\n");
  out += description("xmlns:dc=\"http://purl.org/dc/elements/1.1/\"", dc);
  if (!pdf.empty()) out += description("xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\"", pdf);
  out += description("xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"", xmp);
  out += description("xmlns:xmpMM=\"http://ns.adobe.com/xap/1.0/mm/\"",
                     element("xmpMM:DocumentID", "uuid:" + std::string(file_id_hex)) + "\n");
  out += "</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
  return out;
}

std::string_view srgb_profile() {
  return {reinterpret_cast<const char*>(kSrgbProfile), sizeof kSrgbProfile};
}

std::string output_intent_entries(std::string_view profile_reference) {
  return "/Type /OutputIntent\r\n/S /GTS_PDFA1\r\n/OutputConditionIdentifier (sRGB IEC61966-2.1)\r\n"
         "/OutputCondition (sRGB IEC61966-2.1)\r\n/RegistryName (http://www.color.org)\r\n"
         "/Info (sRGB IEC61966-2.1)\r\n/DestOutputProfile " +
         std::string(profile_reference);
}

}  // namespace orvena::exporting::pdf
