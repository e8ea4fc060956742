#include "export/xlsx/drawing.h"

#include "export/xml/package_parts.h"
#include "export/xml/xml_writer.h"

namespace orvena::exporting::xlsx {

namespace {

void cell_position(xml::XmlWriter& w, const char* name, uint32_t column, uint32_t row) {
  w.start(name);
  w.element("xdr:col", std::to_string(column)).element("xdr:colOff", "0");
  w.element("xdr:row", std::to_string(row)).element("xdr:rowOff", "0");
  w.end();
}

// A chart sits in a graphic frame (ISO/IEC 29500-1, 20.5.2.16) that links its chart part.
void chart_frame(xml::XmlWriter& w, size_t k) {
  w.start("xdr:graphicFrame").attribute("macro", "");
  w.start("xdr:nvGraphicFramePr");
  w.start("xdr:cNvPr").attribute("id", int(1024 + k)).attribute("name", "Chart " + std::to_string(k)).end();
  w.start("xdr:cNvGraphicFramePr").end();
  w.end();
  w.raw(R"(<xdr:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/></xdr:xfrm>)");
  w.start("a:graphic")
      .start("a:graphicData")
      .attribute("uri", "http://schemas.openxmlformats.org/drawingml/2006/chart");
  w.start("c:chart")
      .attribute("xmlns:c", "http://schemas.openxmlformats.org/drawingml/2006/chart")
      .attribute("r:id", "rId" + std::to_string(k))
      .end();
  w.end().end();
  w.end();  // graphicFrame
  w.raw("<xdr:clientData/>");
  w.end();  // twoCellAnchor
}

}  // namespace

std::string drawing_xml(const std::vector<PictureAnchor>& anchors) {
  xml::XmlWriter w;
  w.declaration();
  w.start("xdr:wsDr")
      .attribute("xmlns:xdr", "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing")
      .attribute("xmlns:a", "http://schemas.openxmlformats.org/drawingml/2006/main")
      .attribute("xmlns:r", xml::kOfficeRelationships);
  for (size_t k = 1; k <= anchors.size(); ++k) {
    const PictureAnchor& a = anchors[k - 1];
    w.start("xdr:twoCellAnchor");
    cell_position(w, "xdr:from", a.from_column, a.from_row);
    cell_position(w, "xdr:to", a.to_column, a.to_row);
    if (a.chart) {
      chart_frame(w, k);
      continue;
    }
    w.start("xdr:pic");
    // Each picture its own id: readers repair a drawing whose shapes share one.
    w.start("xdr:nvPicPr");
    w.start("xdr:cNvPr")
        .attribute("id", int(1024 + k))
        .attribute("name", "Picture " + std::to_string(k))
        .end();
    w.start("xdr:cNvPicPr").end();
    w.end();
    w.start("xdr:blipFill");
    w.start("a:blip").attribute("r:embed", "rId" + std::to_string(k)).end();
    w.raw("<a:stretch><a:fillRect/></a:stretch>");
    w.end();
    w.raw(R"(<xdr:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="9525" cy="9525"/></a:xfrm>)"
          R"(<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></xdr:spPr>)");
    w.end();  // pic
    w.raw("<xdr:clientData/>");
    w.end();  // twoCellAnchor
  }
  w.finish();
  return w.text();
}

std::string drawing_relationships_xml(const std::vector<PictureAnchor>& anchors) {
  std::vector<xml::Relationship> list;
  for (size_t k = 1; k <= anchors.size(); ++k) {
    const PictureAnchor& a = anchors[k - 1];
    if (a.chart)
      list.push_back({"rId" + std::to_string(k), xml::office_relationship("chart"),
                      "../charts/chart" + std::to_string(a.chart) + ".xml"});
    else
      list.push_back(
          {"rId" + std::to_string(k), xml::office_relationship("image"), "../media/" + a.media_name});
  }
  return xml::relationships_part(list);
}

}  // namespace orvena::exporting::xlsx
