#pragma once
// The PDF file writer the PDF export draws on.
//
//   pdf::DocumentOptions options;                 // compression, info, protection, viewer prefs
//   pdf::Document doc("out.pdf", options);        // or a std::ostream
//   pdf::FontId f = doc.font({"/usr/share/fonts/.../LiberationSans-Regular.ttf", 0});
//   pdf::Page& page = doc.begin_page({.width = 793.7, .height = 1122.5});   // report pixels
//   page.text({.font = f, .size = 10, .x = 40, .y = 60, .glyphs = ..., .text = "Zażółć"});
//   page.rectangle(...); page.ellipse(...); page.image(doc.jpeg(bytes), ...);
//   doc.end_page();
//   doc.finish();                                 // fonts, outline, info, xref, trailer
//
// Pages are written as they end: one content stream each, so a long report does not pile up in
// memory; only fonts (the glyphs used) and the list of page numbers grow. Fonts are registered by
// the file and face index the font service resolved, text runs give glyph ids of that face with
// their advances and the text they stand for; fonts are embedded as subsets at the end. Clock,
// file identifier and random source are injectable, so output can be compared byte for byte.
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/datetime.h"
#include "export/pdf/object_writer.h"
#include "export/pdf/pdf_font.h"
#include "export/pdf/pdf_page.h"
#include "export/pdf/pdf_security.h"
#include "picture/picture.h"

namespace orvena::exporting::pdf {

struct DocumentInfo {
  std::string title;
  std::string author = "Orvena";
  std::string subject = "Orvena PDF export";
  std::string keywords, creator, producer;
};

// Protection is on when either password is set; the owner password defaults to the user's.
struct Protection {
  std::string user_password;  // UTF-8; the reader is asked for its Windows-1250 bytes
  std::string owner_password;
  unsigned permissions = kAllPermissions;
  Cipher cipher = Cipher::Aes128;
  bool enabled() const { return !user_password.empty() || !owner_password.empty(); }
};

struct ViewerPreferences {
  bool hide_toolbar = false, hide_menubar = false, hide_window_ui = false;
  bool fit_window = false, center_window = false;
  bool print_scaling = false;  // false writes "/PrintScaling false"
};

struct DocumentOptions {
  Compression compression = Compression::Deflate;
  DocumentInfo info;
  Protection protection;
  ViewerPreferences viewer;
  const core::Clock* clock = nullptr;  // the system clock when null
  // The 16 bytes of the file identifier; by default the MD5 of a new GUID's text.
  std::function<std::string()> file_id;
  // The GUID's bytes and the AES initialisation vectors; the system's random source when empty.
  RandomBytes random;
  // PDF/A-1b: no protection, no transparency (alpha is flattened on white), XMP metadata and an
  // sRGB output intent. Fonts are always embedded.
  bool pdf_a = false;
};

// An outline (bookmark) entry: `parent` is -1 for a top-level entry, else the index that
// add_outline returned for the parent.
struct OutlineEntry {
  int parent = -1;
  std::string title;
  size_t page = 0;  // index of the page in the document
  double y = 0;     // report pixels from the page's top
};

class Document {
 public:
  // Writes to a temporary file beside `path`, renamed to it by finish(); a document dropped
  // before finish() leaves nothing behind. Throws core::Error when the file cannot be created.
  Document(const std::filesystem::path& path, DocumentOptions options = {});
  // Writes to a stream the caller keeps open until finish().
  Document(std::ostream& out, DocumentOptions options = {});
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // The font of a face, registered on first call (the face is read then: core::Error for a file
  // that is missing or not an embeddable TrueType font).
  FontId font(const FontKey& key);
  PdfFont& font_record(FontId id) { return *m_fonts[id]; }

  // Pictures are written at once and stored once: the same data again gives the same image.
  ImageId jpeg(std::string_view jpeg_bytes);
  ImageId bitmap(const picture::Bitmap& bitmap, int quality);

  // The page is drawn on until end_page(), which writes it and ends the reference's life.
  Page& begin_page(const PageGeometry& geometry);
  void end_page();
  size_t page_count() const { return m_pages.size(); }

  int add_outline(const OutlineEntry& entry);
  // Link targets are given as the caller's page numbers until here, where each becomes the
  // index of the page in this document; a page that was not written gives an inert area.
  void retarget_links(const std::function<size_t(size_t)>& document_page);

  // Writes the fonts, page tree, information, outline, links, catalog and cross-reference
  // table, and closes the file.
  void finish();

  const std::string& file_id_hex() const { return m_file_id_hex; }

 private:
  friend class Page;
  struct ImageRecord {
    uint32_t object = 0;
  };
  struct PageRecord {
    uint32_t object = 0;
    PageGeometry geometry;
  };
  void start(std::ostream& out);
  ImageId add_image(const std::string& digest, std::string_view entries, std::string_view jpeg);
  uint32_t resources(const Page& page);
  uint32_t write_info(core::DateTime now);
  // The metadata, output intent and structure root of PDF/A, as catalog entries.
  std::string write_pdf_a_parts(core::DateTime now);
  uint32_t write_outline();
  void write_links();
  uint32_t write_catalog(uint32_t pages, uint32_t outline, std::string_view extra_entries);

  DocumentOptions m_options;
  std::filesystem::path m_path, m_temp_path;
  std::ofstream m_file;
  std::unique_ptr<ObjectWriter> m_out;
  std::unique_ptr<Security> m_security;
  std::string m_file_id, m_file_id_hex;
  uint32_t m_page_tree = 0;

  std::vector<std::unique_ptr<PdfFont>> m_fonts;
  std::vector<ImageRecord> m_images;
  std::unordered_map<std::string, ImageId> m_image_digests;
  std::unordered_map<std::string, uint32_t> m_resources;  // resource dictionary -> its object
  std::vector<PageRecord> m_pages;
  std::unique_ptr<Page> m_page;
  std::vector<OutlineEntry> m_outline;
  std::vector<Link> m_links;
  bool m_finished = false;
};

}  // namespace orvena::exporting::pdf
