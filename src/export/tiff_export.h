#pragma once
// The TIFF export filter: every page drawn as a bitmap with the same drawing routines as the
// PDF pages (draw_view on a Cairo canvas), written by our own TIFF encoder, LZW-compressed unless
// the options ask for the baseline uncompressed form.
//
//   TiffExport tiff;
//   tiff.options = TiffExportOptions::runner();   // one multi-page file under file_name
//   tiff.show_dialog = false;
//   tiff.file_name = home.temporary() / "obroty.tiff";
//   export_report(report, pages, tiff);
//
// Three ways to lay the pages out:
//   separate      one file per page: raport.tif gives raport.1.tif, raport.2.tif, ...
//   multi-image   one file, each page an image of it
//   stacked       one image holding every page below the previous one, at most kMaxImageSide
//                 pixels each way; what lies beyond is cut off
// With a stream set, every image goes into that one stream as an image of one TIFF file.
//
// Memory stays bounded by kBandPixels whatever the page size or resolution: a page is drawn in
// horizontal bands after all its objects have arrived, and stacked pages wait in a temporary
// file until the last one.
#include <sys/types.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "export/filter.h"
#include "export/printed_view.h"
#include "export/tiff/tiff_writer.h"

namespace orvena::report {
class PictureView;
}

namespace orvena::exporting {

struct TiffExportOptions {
  bool crop = false;         // each image cut to the area the objects cover
  bool monochrome = false;   // 1 bit per pixel
  bool multi_image = false;  // every page an image of one file; only without `separate`
  bool separate = true;      // one file per page; off: stacked or multi-image
  int resolution = 96;       // dots per inch; the report's pixels are 96 to the inch
  // One file under exactly file_name (the runner delivers the name it gave) rather than with
  // its extension replaced by ".tif".
  bool keep_file_name = false;
  // LZW keeps a page of text small enough to mail; None writes the baseline uncompressed form.
  tiff::Compression compression = tiff::Compression::Lzw;

  // What the unattended run uses: one multi-page file under the definition's name.
  static TiffExportOptions runner();
};

// Neither side of an image passes this many pixels.
inline constexpr int kMaxImageSide = 30000;
// Pixels drawn at a time (4 bytes each): 32 MB.
inline constexpr int64_t kBandPixels = int64_t{8} << 20;

class TiffExport : public ExportFilter {
 public:
  TiffExport();
  ~TiffExport() override;

  bool start() override;
  void start_page(report::ReportPage& page, int index) override;
  void export_object(report::Component& object) override;
  void finish_page(report::ReportPage& page, int index) override;
  void finish() override;

  TiffExportOptions options;

 private:
  enum class Mode { Separate, Stacked, MultiImage };
  struct Window {
    int left = 0, top = 0, width = 0, height = 0;
  };
  // One stacked page in the temporary file: its rows, `width` pixels of 3 bytes each.
  struct SpooledPage {
    int width = 0, rows = 0;
    off_t offset = 0;
  };

  std::filesystem::path image_path(const std::string& suffix) const;
  // The crop bounds within an image of that size; the whole image without crop.
  Window crop_window(int width, int height) const;
  // Draws the window of the current page a band of rows at a time.
  void draw_rows(const Window& w, const std::function<void(const tiff::Image& band)>& rows) const;
  // `count` rows of RGB pixels, as they are or as one bit per pixel.
  void add_rows(tiff::TiffWriter& writer, const uint8_t* rgb, size_t count, int width) const;
  void write_page(tiff::TiffWriter& writer, const Window& w);
  void write_stacked();

  Mode m_mode = Mode::Separate;
  std::filesystem::path m_path;
  double m_scale = 1;
  int m_page_number = 0;
  std::unique_ptr<tiff::TiffWriter> m_writer;  // the stream's or the multi-image file's

  // The page being exported: its size in device pixels and its views in drawing order.
  int m_page_width = 0, m_page_height = 0;
  std::vector<PrintedView> m_views;
  // The walk frees the page background after handing it over; drawing comes later.
  std::unique_ptr<report::PictureView> m_background;

  // Device pixels the views cover (right and bottom exclusive), stacked pages included.
  int m_min_x = 0, m_min_y = 0, m_max_x = 0, m_max_y = 0;

  int m_offset = 0;  // stacked: rows above the current page
  std::FILE* m_spool = nullptr;
  std::vector<SpooledPage> m_spooled;
};

}  // namespace orvena::exporting
