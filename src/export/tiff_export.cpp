#include "export/tiff_export.h"

#include <cairo.h>
#include <sys/types.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <functional>

#include "core/error.h"
#include "export/page_bitmap.h"
#include "report/canvas/cairo_canvas.h"
#include "report/pages.h"
#include "report/views.h"

namespace orvena::exporting {

using report::canvas::CairoCanvas;

namespace {

constexpr int kScreenPixelsPerInch = 96;

int device(double report_pixels, double scale) {
  return int(std::lround(report_pixels * scale));
}

// One bit per pixel, 1 = white: a pixel at least half as light as white (ITU-R BT.601 luma)
// turns white, as a drawing on a two-colour bitmap takes the nearer of black and white.
void bilevel_row(const uint8_t* rgb, int width, uint8_t* out) {
  std::memset(out, 0, (size_t(width) + 7) / 8);
  for (int x = 0; x < width; ++x, rgb += 3) {
    int luma = 299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2];
    if (luma >= 128 * 1000) out[x / 8] |= uint8_t(0x80 >> (x % 8));
  }
}

}  // namespace

TiffExportOptions TiffExportOptions::runner() {
  TiffExportOptions o;
  o.separate = false;
  o.multi_image = true;
  o.keep_file_name = true;
  return o;
}

TiffExport::TiffExport()
    : ExportFilter(
          {.extension = ".tif", .description = "TIFF obraz", .dialog_filter = "Tiff obraz (*.tif)|*.tif"}) {}

TiffExport::~TiffExport() {
  if (m_spool) std::fclose(m_spool);
}

std::filesystem::path TiffExport::image_path(const std::string& suffix) const {
  if (suffix.empty() && options.keep_file_name) return m_path;
  std::filesystem::path p = m_path;
  return p.replace_extension(suffix + ".tif");
}

bool TiffExport::start() {
  // A filter working for another component hands over one file.
  bool separate = options.separate && !slave_export;
  m_mode = separate ? Mode::Separate : options.multi_image ? Mode::MultiImage : Mode::Stacked;
  m_path = target();
  if (m_path.empty() && !stream) return false;
  m_scale = double(options.resolution > 0 ? options.resolution : kScreenPixelsPerInch) / kScreenPixelsPerInch;
  m_page_number = 0;
  m_offset = 0;
  m_min_x = m_min_y = kMaxImageSide;
  m_max_x = m_max_y = 0;
  m_spooled.clear();
  files.clear();
  // Whatever an earlier export that failed to start left behind.
  m_writer.reset();
  if (m_spool) std::fclose(m_spool);
  m_spool = nullptr;
  if (stream)
    m_writer = std::make_unique<tiff::TiffWriter>(*stream, options.compression);
  else if (m_mode == Mode::MultiImage)
    m_writer = std::make_unique<tiff::TiffWriter>(image_path(""), options.compression);
  if (m_mode == Mode::Stacked) {
    m_spool = std::tmpfile();
    if (!m_spool)
      throw core::Error(std::string("Nie można utworzyć pliku tymczasowego: ") + std::strerror(errno));
  }
  return true;
}

void TiffExport::start_page(report::ReportPage& page, int) {
  ++m_page_number;
  m_views.clear();
  m_background.reset();
  m_page_width = std::clamp(device(page.width(), m_scale), 1, kMaxImageSide);
  m_page_height = std::clamp(device(page.height(), m_scale), 1, kMaxImageSide);
  if (m_mode != Mode::Stacked) {
    m_min_x = m_min_y = kMaxImageSide;
    m_max_x = m_max_y = 0;
  }
}

void TiffExport::export_object(report::Component& object) {
  auto* view = dynamic_cast<report::View*>(&object);
  // Non-printable views stay out of pictures whatever export_not_printable says.
  if (!view || !view->printable()) return;
  if (view->name() == kPageBackgroundName) {
    auto* given = dynamic_cast<report::PictureView*>(view);
    if (!given) return;
    m_background = std::make_unique<report::PictureView>();
    m_background->set_name(kPageBackgroundName);
    m_background->fill = given->fill;
    m_background->frame = given->frame;
    m_background->picture = given->picture;
    m_background->stretched = given->stretched;
    m_background->keep_aspect_ratio = given->keep_aspect_ratio;
    m_background->set_bounds(given->abs_left(), given->abs_top(), given->width(), given->height());
    m_views.push_back(resolve_view(*m_background));
    return;
  }
  PrintedView v = resolve_view(*view);
  const auto& b = v.bounds;
  int x1 = device(b.left, m_scale), x2 = device(b.right(), m_scale);
  int y1 = device(b.top, m_scale), y2 = device(b.bottom(), m_scale);
  m_min_x = std::min({m_min_x, x1, x2});
  m_max_x = std::max({m_max_x, x1 + 1, x2 + 1});
  m_min_y = std::min({m_min_y, m_offset + y1, m_offset + y2});
  m_max_y = std::max({m_max_y, m_offset + y1 + 1, m_offset + y2 + 1});
  m_views.push_back(std::move(v));
}

TiffExport::Window TiffExport::crop_window(int width, int height) const {
  Window all{0, 0, width, height};
  if (!options.crop) return all;
  int left = std::clamp(m_min_x, 0, width), right = std::clamp(m_max_x, 0, width);
  int top = std::clamp(m_min_y, 0, height), bottom = std::clamp(m_max_y, 0, height);
  // Nothing drawn inside the image: it stays whole rather than shrinking to nothing.
  if (right <= left || bottom <= top) return all;
  return {left, top, right - left, bottom - top};
}

void TiffExport::draw_rows(const Window& w, const std::function<void(const tiff::Image& band)>& rows) const {
  int band = int(std::clamp<int64_t>(kBandPixels / w.width, 1, w.height));
  for (int y = 0; y < w.height; y += band) {
    int height = std::min(band, w.height - y);
    CairoCanvas canvas(w.width, height, {false, m_scale * kScreenPixelsPerInch});
    cairo_surface_t* surface = canvas.surface();
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
      throw core::Error("Nie można narysować strony: " +
                        std::string(cairo_status_to_string(cairo_surface_status(surface))));
    canvas.translate(-w.left, -(w.top + y));
    for (const PrintedView& v : m_views) draw_view_scaled(canvas, v, m_scale);
    cairo_surface_flush(surface);
    rows(tiff::rgb_from_bgrx(cairo_image_surface_get_data(surface), uint32_t(w.width), uint32_t(height),
                             size_t(cairo_image_surface_get_stride(surface))));
  }
}

void TiffExport::add_rows(tiff::TiffWriter& writer, const uint8_t* rgb, size_t count, int width) const {
  if (!options.monochrome) {
    writer.add_rows(rgb, count * size_t(width) * 3);
    return;
  }
  std::vector<uint8_t> bits((size_t(width) + 7) / 8);
  for (size_t r = 0; r < count; ++r) {
    bilevel_row(rgb + r * size_t(width) * 3, width, bits.data());
    writer.add_rows(bits.data(), bits.size());
  }
}

void TiffExport::write_page(tiff::TiffWriter& writer, const Window& w) {
  auto format = options.monochrome ? tiff::PixelFormat::bilevel : tiff::PixelFormat::rgb;
  writer.begin_page(uint32_t(w.width), uint32_t(w.height), format, uint32_t(std::lround(m_scale * 96)));
  draw_rows(w, [&](const tiff::Image& band) { add_rows(writer, band.pixels.data(), band.height, w.width); });
  writer.end_page();
}

void TiffExport::finish_page(report::ReportPage&, int) {
  struct Clear {
    TiffExport& e;
    ~Clear() {
      e.m_views.clear();
      e.m_background.reset();
    }
  } clear{*this};
  // The walk finishes the page also when an error ends it; that error is the one to report.
  if (std::uncaught_exceptions() > 0) return;

  switch (m_mode) {
    case Mode::Separate: {
      Window w = crop_window(m_page_width, m_page_height);
      if (m_writer) {
        write_page(*m_writer, w);
        break;
      }
      std::filesystem::path path = image_path("." + std::to_string(m_page_number));
      tiff::TiffWriter writer(path, options.compression);
      write_page(writer, w);
      writer.finish();
      files.push_back(path);
      break;
    }
    case Mode::MultiImage:
      write_page(*m_writer, crop_window(m_page_width, m_page_height));
      break;
    case Mode::Stacked: {
      // Rows past the image's last are never drawn: a long report costs no more than the cut.
      int rows = std::clamp(kMaxImageSide - m_offset, 0, m_page_height);
      if (rows > 0) {
        SpooledPage spooled{m_page_width, rows, ftello(m_spool)};
        draw_rows({0, 0, m_page_width, rows}, [&](const tiff::Image& band) {
          if (std::fwrite(band.pixels.data(), 1, band.pixels.size(), m_spool) != band.pixels.size())
            throw core::Error(std::string("Błąd pliku tymczasowego: ") + std::strerror(errno));
        });
        m_spooled.push_back(spooled);
      }
      m_offset = std::min(m_offset + m_page_height, kMaxImageSide);
      break;
    }
  }
}

void TiffExport::write_stacked() {
  if (m_spooled.empty()) return;
  int width = 0, height = 0;
  for (const SpooledPage& p : m_spooled) {
    width = std::max(width, p.width);
    height += p.rows;
  }
  Window w = crop_window(width, height);
  std::unique_ptr<tiff::TiffWriter> own;
  if (!m_writer) own = std::make_unique<tiff::TiffWriter>(image_path(""), options.compression);
  tiff::TiffWriter& writer = m_writer ? *m_writer : *own;
  auto format = options.monochrome ? tiff::PixelFormat::bilevel : tiff::PixelFormat::rgb;
  writer.begin_page(uint32_t(w.width), uint32_t(w.height), format, uint32_t(std::lround(m_scale * 96)));

  std::vector<uint8_t> rgb(size_t(w.width) * 3);
  size_t page = 0;
  int page_top = 0;  // the first row of m_spooled[page]
  for (int y = w.top; y < w.top + w.height; ++y) {
    while (y >= page_top + m_spooled[page].rows) page_top += m_spooled[page++].rows;
    const SpooledPage& p = m_spooled[page];
    // A page narrower than the widest is white to the image's right edge.
    std::fill(rgb.begin(), rgb.end(), uint8_t(255));
    int columns = std::clamp(p.width - w.left, 0, w.width);
    off_t at = p.offset + (off_t(y - page_top) * p.width + w.left) * 3;
    if (columns > 0 && (fseeko(m_spool, at, SEEK_SET) != 0 ||
                        std::fread(rgb.data(), 3, size_t(columns), m_spool) != size_t(columns)))
      throw core::Error(std::string("Błąd pliku tymczasowego: ") + std::strerror(EIO));
    add_rows(writer, rgb.data(), 1, w.width);
  }
  writer.end_page();
  if (own) {
    own->finish();
    files.push_back(image_path(""));
  }
}

void TiffExport::finish() {
  struct Close {
    TiffExport& e;
    ~Close() {
      if (e.m_spool) std::fclose(e.m_spool);
      e.m_spool = nullptr;
      e.m_spooled.clear();
      // A writer dropped unfinished takes its temporary file with it.
      e.m_writer.reset();
      e.m_views.clear();
      e.m_background.reset();
    }
  } close{*this};
  if (std::uncaught_exceptions() > 0) return;

  // A TIFF file holds at least one image; a report without pages gives no file rather than one
  // that no reader opens.
  if (m_mode != Mode::Separate && m_page_number == 0)
    throw core::Error("Raport nie ma żadnej strony: nie ma czego zapisać do pliku TIFF.");
  if (m_mode == Mode::Stacked) write_stacked();
  if (m_writer) {
    m_writer->finish();
    if (!stream) files.push_back(image_path(""));
  }
}

}  // namespace orvena::exporting
