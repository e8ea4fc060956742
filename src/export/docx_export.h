#pragma once
// The DOCX export filter: each prepared page laid on its own layout matrix and written as one
// fixed-layout table of a word-processing document, a section break carrying the page size and
// margins between pages, pictures as PNG parts.
//
//   DocxExport docx;
//   docx.file_name = "/home/r/Tymczasowe/raport.docx";
//   export_report(report, pages, docx);
//
// The package is streamed: the fixed parts first, "word/document.xml" as the pages come, the
// pictures (kept in a scratch folder meanwhile) and their relationships last. It is written
// beside the target and renamed when complete.
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "core/temp_dir.h"
#include "export/docx/document_xml.h"
#include "export/filter.h"

namespace orvena::exporting {

class LayoutMatrix;
struct MatrixObject;
class PendingFile;
namespace zip {
class ZipWriter;
class EntryWriter;
}  // namespace zip

class DocxExport : public ExportFilter {
 public:
  DocxExport();
  ~DocxExport() override;

  bool start() override;
  void start_page(report::ReportPage& page, int index) override;
  void export_object(report::Component& object) override;
  void finish_page(report::ReportPage& page, int index) override;
  void finish() override;

 private:
  void write_table();
  void write_row(int y);
  void write_cell(int x, int end, int y, int index);
  // The parts of an object's cell that follow from its style alone.
  struct StyleXml {
    bool made = false;
    std::string look;       // borders, shading, vertical alignment, text direction
    std::string paragraph;  // the start of a text paragraph
    std::string run;        // the properties of its runs
  };
  const StyleXml& style_xml(int style_index);
  // The relationship of the picture's media file, added when the picture is new.
  std::string add_picture(const MatrixObject& object);
  std::filesystem::path media_file(int number) const;
  // The start tag of a cell's hyperlink, or empty when the cell links nowhere.
  std::string hyperlink_start(const std::string& url);
  void flush(bool always = false);
  void close();

  std::unique_ptr<PendingFile> m_file;
  std::unique_ptr<zip::ZipWriter> m_zip;
  zip::EntryWriter* m_document = nullptr;
  std::string m_xml;  // document text not yet handed to the entry
  std::unique_ptr<LayoutMatrix> m_matrix;
  std::vector<int> m_column_twips;
  // Per style of the page being written, index + 1 (0: an object without a style); made when
  // first needed, as most cells of a page share a few styles.
  std::vector<StyleXml> m_style_xml;
  std::unique_ptr<core::TempDir> m_media;  // pictures until the document is complete
  std::string m_relationships;
  int m_next_picture = 1;  // numbers each drawing
  // Each distinct picture is one media file, however often it is drawn: the files by a hash of
  // their bytes (equal hashes are told apart by the bytes themselves).
  int m_media_count = 0;
  std::unordered_multimap<size_t, int> m_media_by_hash;
  std::optional<docx::PageSetup> m_last_page;
  int m_page_number = 0;            // the report page being written, from 1
  bool m_bookmark_pending = false;  // its bookmark goes into its first cell
  int m_link_count = 0;             // links out of the document so far
};

}  // namespace orvena::exporting
