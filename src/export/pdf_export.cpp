#include "export/pdf_export.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>

#include "export/page_frame.h"
#include "export/pattern_fill.h"
#include "export/pdf_canvas.h"
#include "export/printed_view.h"
#include "picture/jpeg.h"
#include "report/canvas/cairo_canvas.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::exporting {

namespace {

// Device pixels per report pixel of a text object drawn as a bitmap: enough for print.
constexpr double kBitmapScale = 3;
// A text with HTML tags is drawn into a bitmap of at most this many pixels (64 MB); a larger
// object gets a coarser bitmap rather than one Cairo refuses or memory cannot hold.
constexpr double kMaxBitmapPixels = 16'000'000;

// Pixels per report pixel for an object of width × height: kBitmapScale, or less for a large one.
double bitmap_scale(double width, double height) {
  using report::canvas::CairoCanvas;
  double scale = kBitmapScale;
  scale = std::min(scale, std::sqrt(kMaxBitmapPixels / (width * height)));
  scale = std::min(scale, (CairoCanvas::kMaxSide - 1) / std::max(width, height));
  return scale;
}

picture::Bitmap bitmap_of(report::canvas::CairoCanvas& canvas) {
  cairo_surface_t* s = canvas.surface();
  cairo_surface_flush(s);
  picture::Bitmap b;
  b.width = canvas.width();
  b.height = canvas.height();
  b.alpha = picture::Alpha::None;  // the surface is opaque
  b.rgba.reserve(size_t(b.width) * size_t(b.height) * 4);
  int stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) {
      uint32_t px;
      std::memcpy(&px, data + size_t(y) * size_t(stride) + size_t(x) * 4, 4);
      b.rgba.insert(b.rgba.end(), {uint8_t(px >> 16), uint8_t(px >> 8), uint8_t(px), 255});
    }
  return b;
}

constexpr size_t kNotWritten = std::numeric_limits<size_t>::max();

// "12" as a page index; anything else as kNotWritten, which gives an inert link.
size_t page_index_of(std::string_view number) {
  size_t n = 0;
  if (number.empty() || number.size() > 9) return kNotWritten;
  for (char c : number) {
    if (c < '0' || c > '9') return kNotWritten;
    n = n * 10 + size_t(c - '0');
  }
  return n == 0 ? kNotWritten : n - 1;
}

}  // namespace

PdfExportOptions PdfExportOptions::runner() {
  PdfExportOptions o;
  o.print_optimized = true;
  o.outline = false;
  o.background = false;
  o.html_tags = true;
  o.quality = 95;
  o.info.author = "Orvena";
  o.info.subject = "Orvena PDF export";
  return o;
}

PdfExport::PdfExport()
    : ExportFilter({.extension = ".pdf",
                    .description = "PDF dokument",
                    .dialog_filter = "Dokument Adobe PDF (*.pdf)|*.pdf"}) {}

PdfExport::~PdfExport() = default;

bool PdfExport::start() {
  std::filesystem::path path = target();
  if (path.empty() && !stream) return false;
  pdf::DocumentOptions o;
  o.compression = options.compressed ? pdf::Compression::Deflate : pdf::Compression::None;
  o.info = options.info;
  o.protection = options.protection;
  o.viewer = options.viewer;
  o.clock = options.clock ? options.clock : (report ? report->clock : nullptr);
  o.file_id = options.file_id;
  o.pdf_a = options.pdf_a;
  // The document writes beside the target and renames when finished: a failed export leaves
  // no partial file under the report's name.
  m_document = stream ? std::make_unique<pdf::Document>(*stream, std::move(o))
                      : std::make_unique<pdf::Document>(path, std::move(o));
  return true;
}

void PdfExport::start_page(report::ReportPage& page, int index) {
  pdf::PageGeometry g{.width = page.width(),
                      .height = page.height(),
                      .offset_left = page.left_margin * 0.05,
                      .offset_top = page.top_margin * 0.05};
  if (index >= 0) {
    if (m_document_page.size() <= size_t(index)) m_document_page.resize(size_t(index) + 1, kNotWritten);
    m_document_page[size_t(index)] = m_document->page_count();
  }
  m_page = &m_document->begin_page(g);
  m_canvas = std::make_unique<PdfCanvas>(*m_document, *m_page, options.quality);
  if (auto color = rgb_of(page.color))
    m_page->background(pdf_color(*color),
                       {page.left_margin, page.top_margin, page.right_margin, page.bottom_margin});
  draw_page_frame(*m_canvas, page, page.mirror_margins && index % 2 == 1);
}

void PdfExport::export_object(report::Component& object) {
  auto* view = dynamic_cast<report::View*>(&object);
  if (!view || !m_canvas) return;
  if (!export_not_printable && !view->printable()) return;
  bool background = view->name() == kPageBackgroundName;
  if (background && !options.background) return;

  PrintedView v = resolve_view(*view);
  add_link(*view, v);
  if (v.kind == ViewKind::Memo && v.html && options.html_tags) {
    rasterise(v);
    return;
  }
  if (v.kind == ViewKind::Picture && draw_jpeg_as_it_is(static_cast<report::PictureView&>(*view), v)) return;
  draw_view(*m_canvas, v);
}

// A JPEG goes into the document as it is, unless a colour of it is to be clear; one whose header
// cannot be read takes the common way, which leaves the box of a missing picture.
bool PdfExport::draw_jpeg_as_it_is(const report::PictureView& view, const PrintedView& v) {
  const report::Picture& pic = view.picture;
  if (pic.kind != report::PictureKind::Jpeg || view.transparent) return false;
  picture::JpegInfo info;
  try {
    info = picture::read_jpeg_info(pic.bytes);
  } catch (const picture::Unreadable&) {
    return false;
  }
  const report::canvas::Rect area = v.body();
  draw_fill(*m_canvas, v);
  if (area.width > 0 && area.height > 0) {
    m_canvas->save();
    m_canvas->clip(area);
    m_canvas->draw_jpeg(picture_rect(view, area, info.width, info.height), pic.bytes);
    m_canvas->restore();
  }
  draw_frame(*m_canvas, v);
  return true;
}

void PdfExport::rasterise(const PrintedView& v) {
  report::canvas::Rect r = v.body();
  if (!(r.width > 0 && r.height > 0)) return;
  const double scale = bitmap_scale(r.width, r.height);
  int w = std::max(1, int(std::ceil(r.width * scale)));
  int h = std::max(1, int(std::ceil(r.height * scale)));
  report::canvas::CairoCanvas bitmap(w, h, {false, 96 * scale});
  if (bitmap.ok()) {
    if (v.fill) bitmap.fill_rect({0, 0, double(w), double(h)}, *v.fill);
    draw_memo_text(bitmap, v, scale, true);
    m_canvas->save();
    m_page->clip(r.left, r.top, r.width, r.height);  // the page's own: the image is drawn on it
    m_page->image(m_document->bitmap(bitmap_of(bitmap), options.quality), r.left, r.top, w / scale,
                  h / scale);
    m_canvas->restore();
  }
  draw_underlines(*m_canvas, v);
  draw_frame(*m_canvas, v);
}

// The link of a view: its hyperlink when that has a value, else its URL ("#anchor", "@page" or
// a URI). Page targets are report page indexes here, made document pages at the end.
void PdfExport::add_link(const report::View& view, const PrintedView& v) {
  using report::HyperlinkKind;
  std::string_view target = view.hyperlink.value;
  HyperlinkKind kind = view.hyperlink.kind;
  if (target.empty()) {
    target = view.url;
    if (target.empty()) return;
    kind = target[0] == '#'   ? HyperlinkKind::Anchor
           : target[0] == '@' ? HyperlinkKind::PageNumber
                              : HyperlinkKind::URL;
    if (kind != HyperlinkKind::URL) target.remove_prefix(1);
  }
  const report::canvas::Rect r = v.bounds;
  if (!(r.width > 0 && r.height > 0)) return;
  switch (kind) {
    case HyperlinkKind::URL:
      m_page->link_uri(r.left, r.top, r.width, r.height, std::string(target));
      break;
    case HyperlinkKind::Anchor:
      // The link opens the anchor's page where the anchor was set.
      m_page->link_page(r.left, r.top, r.width, r.height,
                        prepared ? size_t(prepared->anchor_page(target) - 1) : 0,
                        prepared ? prepared->anchor_top(target) : 0);
      break;
    case HyperlinkKind::PageNumber:
      m_page->link_page(r.left, r.top, r.width, r.height, page_index_of(target), 0);
      break;
    default:
      break;  // detail reports and custom links act in a preview only
  }
}

// The report's bookmark tree, entries on pages that were not written left out.
void PdfExport::add_outline() {
  if (!prepared) return;
  auto add = [&](auto& self, const report::XmlItem& item, int parent) -> void {
    for (size_t i = 0; i < item.count(); ++i) {
      const report::XmlItem& entry = item[i];
      long page = report::prepared::item_int(entry, "page", -1);
      size_t document_page =
          page >= 0 && size_t(page) < m_document_page.size() ? m_document_page[size_t(page)] : kNotWritten;
      int added = m_document->add_outline({.parent = parent,
                                           .title = std::string(entry.prop("text")),
                                           .page = document_page,
                                           .y = report::prepared::item_float(entry, "top")});
      self(self, entry, added);
    }
  };
  add(add, prepared->outline().root(), -1);
}

void PdfExport::finish_page(report::ReportPage& page, int) {
  m_canvas.reset();
  m_page = nullptr;
  if (m_document) m_document->end_page();
}

void PdfExport::finish() {
  m_canvas.reset();
  m_page = nullptr;
  // After a failure the document is dropped unfinished, and with it its temporary file.
  if (m_document && std::uncaught_exceptions() == 0) {
    if (options.outline) add_outline();
    m_document->retarget_links(
        [this](size_t page) { return page < m_document_page.size() ? m_document_page[page] : kNotWritten; });
    m_document->finish();
  }
  m_document_page.clear();
  m_document.reset();
}

}  // namespace orvena::exporting
