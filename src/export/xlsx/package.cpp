#include "export/xlsx/package.h"

#include <stdexcept>

#include "export/xml/package_parts.h"
#include "export/xml/xml_writer.h"

namespace orvena::exporting::xlsx {

namespace {

const char* kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

std::string sheet_part(int n) {
  return "xl/worksheets/sheet" + std::to_string(n) + ".xml";
}
std::string drawing_part(int n) {
  return "xl/drawings/drawing" + std::to_string(n) + ".xml";
}

std::string content_types_xml(size_t sheets, const std::vector<int>& drawings, size_t charts) {
  const xml::ContentType defaults[] = {
      {"xml", "application/xml"},
      {"rels", "application/vnd.openxmlformats-package.relationships+xml"},
      {"png", "image/png"},
  };
  std::vector<xml::ContentType> parts = {
      {"/xl/styles.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"},
      {"/xl/workbook.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"},
      {"/xl/sharedStrings.xml",
       "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"},
      {"/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml"},
  };
  for (size_t n = 1; n <= sheets; ++n)
    parts.push_back({"/" + sheet_part(int(n)),
                     "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"});
  for (int n : drawings)
    parts.push_back({"/" + drawing_part(n), "application/vnd.openxmlformats-officedocument.drawing+xml"});
  for (size_t n = 1; n <= charts; ++n)
    parts.push_back({"/xl/charts/chart" + std::to_string(n) + ".xml",
                     "application/vnd.openxmlformats-officedocument.drawingml.chart+xml"});
  return xml::content_types_part(defaults, parts);
}

// With chart data the last sheet is the data sheet.
std::string workbook_xml(size_t sheets, bool chart_data) {
  xml::XmlWriter w;
  w.declaration();
  w.start("workbook").attribute("xmlns", kMain).attribute("xmlns:r", xml::kOfficeRelationships);
  w.raw(R"(<fileVersion appName="xl" lastEdited="4" lowestEdited="4" rupBuild="4505"/>)"
        R"(<workbookPr defaultThemeVersion="124226"/>)"
        R"(<bookViews><workbookView xWindow="0" yWindow="0" windowWidth="15480" windowHeight="8190")"
        R"( tabRatio="400" firstSheet="0" activeTab="0"/></bookViews>)");
  w.start("sheets");
  for (size_t n = 1; n <= sheets; ++n)
    w.start("sheet")
        .attribute("name",
                   chart_data && n == sheets ? std::string(kChartDataSheet) : "Page " + std::to_string(n))
        .attribute("sheetId", static_cast<long long>(n))
        .attribute("r:id", "rId" + std::to_string(n))
        .end();
  w.end();
  w.raw(R"(<calcPr calcId="124519"/>)");
  w.finish();
  return w.text();
}

// The styles and strings have names of their own so that no sheet number can take them.
std::string workbook_relationships_xml(size_t sheets) {
  std::vector<xml::Relationship> list = {
      {"rIdStyles", xml::office_relationship("styles"), "styles.xml"},
      {"rIdSharedStrings", xml::office_relationship("sharedStrings"), "sharedStrings.xml"},
  };
  for (size_t n = 1; n <= sheets; ++n)
    list.push_back({"rId" + std::to_string(n), xml::office_relationship("worksheet"),
                    "worksheets/sheet" + std::to_string(n) + ".xml"});
  return xml::relationships_part(list);
}

std::string package_relationships_xml() {
  const xml::Relationship list[] = {
      {"rId4000", xml::office_relationship("officeDocument"), "xl/workbook.xml"},
      {"rId5000", "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
       "docProps/core.xml"},
  };
  return xml::relationships_part(list);
}

std::string core_properties_xml() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
         "<cp:coreProperties "
         "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\""
         " xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\""
         " xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
         "<dc:creator>Orvena</dc:creator></cp:coreProperties>";
}

// The drawing and the links of a sheet; one relationship per link, streamed, since a long sheet
// may have a link in every row.
void write_sheet_relationships(zip::EntryWriter& entry, int sheet, bool drawing, const SheetWriter& links) {
  xml::XmlWriter w(entry);
  xml::start_relationships(w);
  if (drawing)
    xml::add_relationship(w, {"rId1", xml::office_relationship("drawing"),
                              "../drawings/drawing" + std::to_string(sheet) + ".xml"});
  const std::string type = xml::office_relationship("hyperlink");
  links.for_each_link_target([&](uint64_t i, std::string_view url) {
    if (url.starts_with('@')) return;  // within the workbook
    xml::add_relationship(w, {SheetWriter::link_relationship_id(i), type, std::string(url), true});
  });
  w.finish();
}

}  // namespace

// A sheet part is many times the size of its values and deflating it at zlib's default level
// took as long as writing it; the fastest level keeps most of the saving.
constexpr int kDeflateLevel = 1;

Package::Package(const std::filesystem::path& file, core::DateTime modified,
                 const std::filesystem::path& target)
    : m_zip(file, {.modified = modified, .level = kDeflateLevel, .file_name = target}) {}

Package::Package(std::ostream& out, core::DateTime modified)
    : m_zip(out, {.modified = modified, .level = kDeflateLevel}) {}

void Package::write_part(std::string_view name, const std::string& xml) {
  m_zip.add(name, xml);
}

std::string Package::add_picture(int sheet, std::string_view png) {
  if (m_sheet) throw std::logic_error("INTERNAL ERROR: picture added while a sheet is open");
  if (sheet < 1) throw std::logic_error("INTERNAL ERROR: picture of sheet 0");
  if (m_picture_counts.size() < size_t(sheet)) m_picture_counts.resize(size_t(sheet), 0);
  int k = ++m_picture_counts[size_t(sheet - 1)];
  std::string name = "image-s" + std::to_string(sheet) + "-p" + std::to_string(k) + ".png";
  // PNG data is compressed already.
  m_zip.add("xl/media/" + name, png, zip::Method::stored);
  return name;
}

int Package::add_chart(const NativeChart& chart) {
  if (m_sheet) throw std::logic_error("INTERNAL ERROR: chart added while a sheet is open");
  int n = int(m_charts.size()) + 1;
  write_part("xl/charts/chart" + std::to_string(n) + ".xml", chart_xml(chart, m_chart_rows));
  m_chart_rows += chart_data_rows(chart);
  m_charts.push_back(chart);
  return n;
}

// Each chart's block as chart_xml refers to it: title and series names, then the categories.
void Package::write_chart_data_sheet() {
  SheetWriter& sheet = begin_sheet();
  size_t columns = 1;
  for (const NativeChart& c : m_charts) columns = std::max(columns, c.table.series.size() + 1);
  std::vector<double> widths(columns, 120);
  CellRange used{0, 0, m_chart_rows - 1, uint32_t(columns - 1)};
  sheet.begin(&used, widths);
  const int plain = m_styles.cell_format({});
  uint32_t row = 0;
  for (const NativeChart& c : m_charts) {
    sheet.begin_row(row, 20);
    if (!c.title.empty()) sheet.string_cell(0, plain, m_strings.add(c.title));
    for (size_t k = 0; k < c.table.series.size(); ++k)
      sheet.string_cell(uint32_t(k + 1), plain, m_strings.add(c.table.series[k].title));
    sheet.end_row();
    for (size_t i = 0; i < c.table.categories.size(); ++i) {
      sheet.begin_row(row + 1 + uint32_t(i), 20);
      sheet.string_cell(0, plain, m_strings.add(c.table.categories[i]));
      for (size_t k = 0; k < c.table.series.size(); ++k)
        if (const auto& v = c.table.series[k].values[i]) sheet.number_cell(uint32_t(k + 1), plain, *v);
      sheet.end_row();
    }
    row += chart_data_rows(c);
  }
  end_sheet({}, {});
}

SheetWriter& Package::begin_sheet() {
  if (m_sheet) throw std::logic_error("INTERNAL ERROR: a sheet is open already");
  ++m_sheets;
  m_sheet = std::make_unique<SheetWriter>(m_zip.begin_entry(sheet_part(int(m_sheets))));
  m_sheet->internal_location = link_location;
  return *m_sheet;
}

void Package::end_sheet(PageSetup setup, const std::vector<PictureAnchor>& pictures) {
  if (!m_sheet) throw std::logic_error("INTERNAL ERROR: no sheet is open");
  setup.has_drawing = !pictures.empty();
  m_sheet->finish(setup);
  m_strings.add_references(m_sheet->string_cell_count());
  m_zip.end_entry();
  int n = int(m_sheets);
  if (!pictures.empty() || m_sheet->link_count() > 0) {
    zip::EntryWriter& rels = m_zip.begin_entry("xl/worksheets/_rels/sheet" + std::to_string(n) + ".xml.rels");
    write_sheet_relationships(rels, n, !pictures.empty(), *m_sheet);
    m_zip.end_entry();
  }
  m_sheet.reset();
  if (pictures.empty()) return;
  m_drawings.push_back(n);
  write_part(drawing_part(n), drawing_xml(pictures));
  write_part("xl/drawings/_rels/drawing" + std::to_string(n) + ".xml.rels",
             drawing_relationships_xml(pictures));
}

void Package::finish() {
  if (m_sheet) throw std::logic_error("INTERNAL ERROR: a sheet is still open");
  // A workbook needs at least one sheet to open.
  if (m_sheets == 0) {
    begin_sheet().begin(nullptr, {});
    end_sheet({}, {});
  }
  if (!m_charts.empty()) write_chart_data_sheet();
  write_part("xl/styles.xml", m_styles.xml());
  {
    zip::EntryWriter& entry = m_zip.begin_entry("xl/sharedStrings.xml");
    m_strings.write(entry);
    m_zip.end_entry();
  }
  write_part("xl/workbook.xml", workbook_xml(m_sheets, !m_charts.empty()));
  write_part("xl/_rels/workbook.xml.rels", workbook_relationships_xml(m_sheets));
  write_part("_rels/.rels", package_relationships_xml());
  write_part("docProps/core.xml", core_properties_xml());
  write_part("[Content_Types].xml", content_types_xml(m_sheets, m_drawings, m_charts.size()));
  m_zip.finish();
}

}  // namespace orvena::exporting::xlsx
