// Printed objects entering the layout matrix: text, lines, rectangles, shadows and pictures,
// each with its style.
#include <cairo.h>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/encoding.h"
#include "core/locale.h"
#include "export/filter.h"
#include "export/matrix/layout_matrix.h"
#include "report/canvas/cairo_canvas.h"
#include "report/memo/memo_text.h"
#include "report/prepared/prepared_pages.h"

namespace orvena::exporting {

using report::canvas::Rect;

namespace {

// The charset of a font left at the default: the fonts we resolve cover Central European text.
constexpr int kDefaultCharset = 1;
constexpr int kEastEuropeCharset = 238;
// Objects larger than this are not rendered (they stay empty cells): a broken template must not
// take the memory of the process. A page at 96 dpi is about 800 x 1100 pixels.
constexpr int kMaxPictureSide = 10000;
constexpr int64_t kMaxPicturePixels = 16'000'000;

const report::Frame& effective_frame(const PrintedView& v) {
  if (v.kind == ViewKind::Memo)
    for (auto& h : static_cast<const report::CustomMemoView&>(*v.view).highlights)
      if (h->active && h->apply_frame) return h->frame;
  return v.view->frame;
}

MatrixFrameLine matrix_line(const report::FrameLine& line) {
  return {rgb_of(line.color).value_or(0), line.style, line.width};
}

uint8_t sides_of(const PrintedView& v) {
  // PrintedView keeps top, right, bottom, left.
  uint8_t bits = 0;
  if (v.sides[0].present) bits |= kMatrixTop;
  if (v.sides[1].present) bits |= kMatrixRight;
  if (v.sides[2].present) bits |= kMatrixBottom;
  if (v.sides[3].present) bits |= kMatrixLeft;
  return bits;
}

MatrixStyle base_style(const PrintedView& v, bool dot_matrix) {
  MatrixStyle s;
  s.font = v.kind == ViewKind::Memo ? v.font : report::text::layout_font(v.view->font());
  if (dot_matrix) s.font.size = 9;
  if (s.font.charset == kDefaultCharset) s.font.charset = kEastEuropeCharset;
  s.charset = s.font.charset;
  s.fill = v.fill;
  const report::Frame& frame = effective_frame(v);
  s.lines = {matrix_line(frame.left_line), matrix_line(frame.top_line), matrix_line(frame.right_line),
             matrix_line(frame.bottom_line)};
  s.frame_sides = sides_of(v);
  return s;
}

MatrixStyle memo_style(const PrintedView& v, bool dot_matrix) {
  MatrixStyle s = base_style(v, dot_matrix);
  auto& memo = static_cast<const report::CustomMemoView&>(*v.view);
  s.halign = memo.halign;
  s.valign = memo.valign;
  s.line_spacing = memo.line_spacing;
  s.gap_x = memo.gap_x;
  s.gap_y = memo.gap_y;
  s.char_spacing = memo.char_spacing;
  s.paragraph_gap = memo.paragraph_gap;
  s.word_break = memo.word_break;
  s.word_wrap = memo.word_wrap;
  s.rotation = v.rotation;
  if (memo.fill.type() == report::FillType::Brush)
    s.brush_style = static_cast<const report::BrushFill&>(memo.fill.fill()).style;
  if (!memo.formats.empty()) {
    const report::DisplayFormat& f = *memo.formats.front();
    s.format = {f.kind, f.decimal_separator, f.format_str};
  }
  return s;
}

// A style with nothing but a frame line on one side, for lines and rectangle edges.
MatrixStyle line_style(const PrintedView& v, uint8_t side) {
  MatrixStyle s;
  s.font.size = 1;
  s.charset = s.font.charset = kEastEuropeCharset;
  s.frame_sides = side;
  MatrixFrameLine line{v.pen.color, effective_frame(v).style(), v.pen.width};
  s.lines = {line, line, line, line};
  return s;
}

// The memo's text as the layout wraps it, tags removed.
std::vector<std::string> wrapped_lines(const PrintedView& v) {
  auto& memo = static_cast<const report::CustomMemoView&>(*v.view);
  Rect r = v.body();
  Rect text{r.left + v.gap_x, r.top + v.gap_y, std::max(0.0, r.width - 2 * v.gap_x),
            std::max(0.0, r.height - 2 * v.gap_y)};
  auto& layout = report::text::TextLayout::shared();
  std::lock_guard lock(layout);
  layout.set_font(v.font);
  layout.set_options({.word_wrap = memo.word_wrap,
                      .html_tags = memo.allow_html_tags,
                      .rotation = v.rotation,
                      .wysiwyg = memo.wysiwyg,
                      .clipped = memo.clipped,
                      .word_break = memo.word_break,
                      .rtl_reading = memo.rtl_reading});
  layout.set_gaps({memo.line_spacing, memo.char_spacing, memo.paragraph_gap});
  layout.set_dimensions({text, text, 1, 1, 1});
  layout.set_text(memo.memo, memo.first_para_break);
  layout.set_para_breaks(memo.first_para_break, memo.last_para_break);
  const auto& wrapped = layout.lines();
  std::vector<std::string> lines;
  lines.reserve(wrapped.size());
  for (size_t i = 0; i < wrapped.size(); ++i) {
    std::string& line = lines.emplace_back();
    for (char32_t c : layout.line_text(i)) core::append_utf8(line, c);
    // The blank the line was broken at stays with it: a writer that joins the lines (CSV drops
    // line breaks) must not glue the words together.
    if (i + 1 < wrapped.size() && !wrapped[i].hyphen && wrapped[i + 1].begin > wrapped[i].end &&
        wrapped[i + 1].paragraph == wrapped[i].paragraph)
      line += ' ';
  }
  return lines;
}

std::optional<double> parse_plain_number(std::string_view text) {
  double d = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(d)) return std::nullopt;
  return d;
}

// The number a memo shows, when its whole text is one numeric value in the memo's format. The
// prepared pages keep the text but not always the value, so a text in a numeric display format
// is read back and accepted only when formatting the number gives the same text again.
std::optional<double> shown_number(const report::CustomMemoView& memo) {
  if (memo.memo.size() != 1 || memo.memo[0].empty()) return std::nullopt;
  const std::string& text = memo.memo[0];
  report::DisplayFormat none;
  const report::DisplayFormat& f = memo.formats.empty() ? none : *memo.formats.front();
  if (memo.value.is_numeric()) {
    if (report::memo_text::format_data(memo.value, f) != text) return std::nullopt;
    return memo.value.to_double();
  }
  if (!memo.value.is_null_or_empty() || f.kind != report::FormatKind::Numeric) return std::nullopt;
  // Separators left empty in the format are the locale's.
  const std::string decimal =
      f.decimal_separator.empty() ? std::string(1, core::Locale::kDecimalSeparator) : f.decimal_separator;
  const std::string thousands =
      f.thousand_separator.empty() ? std::string(core::Locale::kThousandSeparator) : f.thousand_separator;
  std::string plain;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, thousands.size(), thousands) == 0) {
      i += thousands.size();
    } else if (text.compare(i, decimal.size(), decimal) == 0) {
      plain += '.';
      i += decimal.size();
    } else {
      plain += text[i++];
    }
  }
  std::optional<double> d = parse_plain_number(plain);
  if (!d || report::memo_text::format_data(core::Variant(*d), f) != text) return std::nullopt;
  return d;
}

}  // namespace

// ---- Adding ----

MatrixObject& LayoutMatrix::new_object(const PrintedView& v, Rect bounds) {
  auto o = std::make_unique<MatrixObject>();
  o->name = v.view->name();
  o->left = std::max(0.0, bounds.left);
  o->top = bounds.top < 0 ? m_delta_y : bounds.top + m_delta_y;
  o->width = bounds.width;
  o->height = bounds.height;
  o->url = v.view->url;
  if (o->url.empty() && !v.view->hyperlink.value.empty()) {
    // A hyperlink naming an anchor or a page links inside the report, as in the PDF writer.
    switch (v.view->hyperlink.kind) {
      case report::HyperlinkKind::URL:
        o->url = v.view->hyperlink.value;
        break;
      case report::HyperlinkKind::Anchor:
        o->url = "#" + v.view->hyperlink.value;
        break;
      case report::HyperlinkKind::PageNumber:
        o->url = "@" + v.view->hyperlink.value;
        break;
      default:
        break;  // detail reports and custom links act in a preview only
    }
  }
  if (anchors && o->url.starts_with('#'))
    o->url = "@" + std::to_string(anchors->anchor_page(std::string_view(o->url).substr(1)));
  const report::Component* parent = v.view->parent();
  o->header = m_page_header && parent == m_page_header;
  o->footer = m_page_footer && parent == m_page_footer;
  m_objects.push_back(std::move(o));
  return *m_objects.back();
}

void LayoutMatrix::add_object(const report::View& view) {
  if (view.name() == kPageBackgroundName && !background && (printable || view.printable())) return;
  add_view(resolve_view(view));
}

void LayoutMatrix::add_view(const PrintedView& v) {
  if (v.kind == ViewKind::Memo) {
    bool as_picture = (v.hatched && brush_as_bitmap) || (v.rotation != 0 && rotated_as_image);
    if (v.shadow)
      add_shadow_strips(v);  // the memo itself comes back here without its shadow
    else if (as_picture)
      add_picture(v);
    else if (static_cast<const report::CustomMemoView&>(*v.view).underlines)
      add_ruled_text(v);
    else
      add_text(v);
  } else if (v.kind == ViewKind::Line && (v.bounds.width == 0 || v.bounds.height == 0)) {
    add_line(v);
  } else if (v.kind == ViewKind::Shape && v.shape == report::ShapeKind::Rectangle && !v.patterned_fill()) {
    // A hatch or gradient has no cell style: it goes out as a picture, like other shapes.
    add_rectangle(v);
  } else {
    add_picture(v);
  }
}

void LayoutMatrix::add_text(const PrintedView& v) {
  auto& memo = static_cast<const report::CustomMemoView&>(*v.view);
  int style = find_or_add_style(memo_style(v, dot_matrix));
  MatrixObject& o = new_object(v, v.body());
  o.style = style;
  if ((delete_html_tags && memo.allow_html_tags) || wrap_text)
    o.lines = wrapped_lines(v);
  else
    o.lines = memo.memo;
  o.html_tags = !delete_html_tags && memo.allow_html_tags;
  o.rtl = memo.rtl_reading;
  if (numbers) o.number = shown_number(memo);
  place(objects_count() - 1);
}

// A cell has no lines across its middle, so the memo is cut at its rules (where the bitmap
// writers draw them) into strips that each end in a bottom border; the wrapped text lines go
// into the strips in order, and what lies below the last rule is one more strip.
void LayoutMatrix::add_ruled_text(const PrintedView& v) {
  auto& memo = static_cast<const report::CustomMemoView&>(*v.view);
  const MatrixStyle base = memo_style(v, dot_matrix);
  const std::vector<std::string> lines = wrapped_lines(v);
  double pitch = 0;
  {
    auto& layout = report::text::TextLayout::shared();
    std::lock_guard lock(layout);
    layout.set_font(v.font);
    layout.set_gaps({memo.line_spacing, memo.char_spacing, memo.paragraph_gap});
    pitch = layout.line_height();
  }
  const Rect r = v.body();
  const MatrixFrameLine rule{rgb_of(memo.frame.color()).value_or(0), report::FrameStyle::Solid,
                             std::max(0.1, memo.frame.width())};
  size_t next = 0;
  double top = r.top;
  auto strip = [&](double bottom, bool ruled, std::vector<std::string> text) {
    MatrixStyle s = base;
    s.frame_sides = base.frame_sides & (kMatrixLeft | kMatrixRight);
    if (top == r.top) s.frame_sides |= base.frame_sides & kMatrixTop;
    if (ruled) {
      s.frame_sides |= kMatrixBottom;
      s.lines[kLineBottom] = rule;
    } else {
      s.frame_sides |= base.frame_sides & kMatrixBottom;
    }
    s.gap_y = 0;
    int style = find_or_add_style(s);
    MatrixObject& o = new_object(v, {r.left, top, r.width, bottom - top});
    o.style = style;
    o.lines = std::move(text);
    place(objects_count() - 1);
    top = bottom;
  };
  for (int k = 1; pitch > 0; ++k) {
    double y = r.top + v.gap_y + 1 + k * pitch - memo.line_spacing;
    if (y > r.bottom()) break;
    strip(y, true,
          next < lines.size() ? std::vector<std::string>{lines[next++]} : std::vector<std::string>{});
  }
  if (r.bottom() - top >= 1 || next < lines.size() || top == r.top)
    strip(std::max(r.bottom(), top + 1), false,
          std::vector<std::string>(lines.begin() + long(next), lines.end()));
}

void LayoutMatrix::add_shadow_strips(const PrintedView& v) {
  PrintedView body = v;
  body.bounds = v.body();
  body.shadow.reset();
  body.shadow_width = 0;
  add_view(body);

  MatrixStyle s;
  s.font.size = 1;
  s.charset = s.font.charset = kEastEuropeCharset;
  s.fill = v.shadow;
  int style = find_or_add_style(s);
  Rect r = v.bounds;
  double sw = v.shadow_width;
  for (Rect strip : {Rect{r.left + r.width - sw, r.top + sw, sw, r.height - sw},
                     Rect{r.left + sw, r.top + r.height - sw, r.width - sw, sw}}) {
    MatrixObject& o = new_object(v, strip);
    o.name = "Shadow";
    o.url.clear();
    o.style = style;
    place(objects_count() - 1);
  }
}

void LayoutMatrix::add_line(const PrintedView& v) {
  Rect r = v.bounds.normalized();
  uint8_t side = r.width == 0 ? kMatrixLeft : kMatrixTop;
  if (r.width == 0) r.width = 1;
  if (r.height == 0) r.height = 1;
  MatrixStyle s = line_style(v, side);
  s.fill = v.fill;
  int style = find_or_add_style(s);
  MatrixObject& o = new_object(v, r);
  o.style = style;
  place(objects_count() - 1);
}

void LayoutMatrix::add_rectangle(const PrintedView& v) {
  Rect r = v.bounds;
  if (!v.fill) {
    // An unfilled rectangle is its four edges, so that what lies inside keeps its own cells.
    int top = find_or_add_style(line_style(v, kMatrixTop));
    int left = find_or_add_style(line_style(v, kMatrixLeft));
    const std::array<std::pair<Rect, int>, 4> edges = {{{{r.left, r.top, r.width, 1}, top},
                                                        {{r.left, r.top, 1, r.height}, left},
                                                        {{r.left, r.bottom(), r.width, 1}, top},
                                                        {{r.right(), r.top, 1, r.height}, left}}};
    for (auto& [edge, style] : edges) {
      MatrixObject& o = new_object(v, edge);
      o.name = "Line";
      o.style = style;
      place(objects_count() - 1);
    }
    return;
  }
  MatrixStyle s = line_style(v, kMatrixLeft | kMatrixTop | kMatrixRight | kMatrixBottom);
  s.fill = v.fill;
  int style = find_or_add_style(s);
  MatrixObject& o = new_object(v, r);
  o.name = "Rect";
  o.style = style;
  place(objects_count() - 1);
}

namespace {

// The view drawn alone on a white bitmap one pixel larger than itself; its frame is left to
// the cell style.
MatrixPicture render_view(const PrintedView& v) {
  MatrixPicture pic;
  int w = int(std::ceil(std::abs(v.bounds.width))) + 1;
  int h = int(std::ceil(std::abs(v.bounds.height))) + 1;
  if (w > kMaxPictureSide || h > kMaxPictureSide || int64_t(w) * h > kMaxPicturePixels) return pic;
  PrintedView bare = v;
  for (FrameSide& s : bare.sides) s.present = false;
  report::canvas::CairoCanvas canvas(w, h);
  const Rect area = v.bounds.normalized();
  canvas.translate(-area.left, -area.top);
  draw_view(canvas, bare);
  cairo_surface_t* surface = canvas.surface();
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  pic.width = w;
  pic.height = h;
  pic.rgba.resize(size_t(w) * size_t(h) * 4);
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<const uint32_t*>(data + ptrdiff_t(y) * stride);
    uint8_t* out = pic.rgba.data() + size_t(y) * size_t(w) * 4;
    for (int x = 0; x < w; ++x) {
      // The surface is opaque, so its premultiplied pixels are the plain colour.
      uint32_t p = row[x];
      out[4 * x] = uint8_t(p >> 16);
      out[4 * x + 1] = uint8_t(p >> 8);
      out[4 * x + 2] = uint8_t(p);
      out[4 * x + 3] = 0xFF;
    }
  }
  return pic;
}

}  // namespace

void LayoutMatrix::add_picture(const PrintedView& v) {
  MatrixStyle s = v.kind == ViewKind::Memo ? memo_style(v, dot_matrix) : base_style(v, dot_matrix);
  if (v.kind == ViewKind::Line) s.frame_sides = 0;  // a diagonal line has no sides
  int style = find_or_add_style(s);
  Rect r = v.bounds.normalized();
  bool is_background = v.view->name() == kPageBackgroundName;
  bool render = images && (!is_background || background_image);
  MatrixObject& o = new_object(v, r);
  o.style = style;
  if (native_charts && v.kind == ViewKind::Chart) {
    o.chart = std::make_shared<report::ChartView>(static_cast<const report::ChartView&>(*v.view));
    o.is_text = false;
  } else if (render) {
    o.picture = render_view(v);
    o.is_text = o.picture.empty();
  }
  place(objects_count() - 1);
}

}  // namespace orvena::exporting
