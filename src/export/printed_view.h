#pragma once
// One printed object as every writer sees it. The effective font (an active highlight's font
// over the object's own), fill, frame sides with their widths, styles and colours, shadow and
// text are worked out once here, so that the PDF and TIFF writers and the layout matrix do not
// each re-derive them from the object model.
//
//   PrintedView v = resolve_view(view);      // positions are the view's absolute bounds
//   draw_view(canvas, v);                    // any canvas: Cairo bitmap, PDF page
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "objects/barcode2d_view.h"
#include "objects/barcode_view.h"
#include "report/canvas/canvas.h"
#include "report/text/text_layout.h"
#include "report/views.h"

namespace orvena::exporting {

using report::canvas::Rgb;

enum class ViewKind : uint8_t { Memo, Line, Shape, Picture, BarCode, Barcode2D, CheckBox, Chart, Other };

// Windows colour value (0x00BBGGRR) as 0xRRGGBB; none for clNone and system colours. Inline:
// every side, fill and font of every printed object asks it.
inline std::optional<Rgb> rgb_of(int64_t c) {
  if (c < 0 || c > 0xFFFFFF) return std::nullopt;
  return Rgb(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
}

struct FrameSide {
  bool present = false;
  report::canvas::Pen pen;
  bool double_line = false;
};

struct PrintedView {
  ViewKind kind = ViewKind::Other;
  const report::View* view = nullptr;
  report::canvas::Rect bounds;  // absolute, report pixels

  std::optional<Rgb> fill;                          // none when clear
  bool hatched = false;                             // a brush other than solid or clear
  const report::FillHolder* fill_source = nullptr;  // the fill in force, for hatches and gradients
  // Top, right, bottom, left: the order sides are drawn in.
  std::array<FrameSide, 4> sides;
  std::optional<Rgb> shadow;  // drop shadow colour
  double shadow_width = 0;

  // Text objects.
  report::text::LayoutFont font;
  // The memo's own lines, not a copy: a PrintedView lives no longer than its view.
  std::span<const std::string> lines;
  bool html = false;  // allows tags and holds "<": only a bitmap shows it faithfully
  int rotation = 0;
  report::HAlign halign = report::HAlign::Left;
  report::VAlign valign = report::VAlign::Top;
  double gap_x = 2, gap_y = 1;

  // Lines and shapes.
  report::canvas::Pen pen;
  report::ShapeKind shape = report::ShapeKind::Rectangle;
  double curve = 0;
  bool diagonal_up = false;  // a line from bottom-left to top-right

  // Barcodes: the encoding, with the bounds sized to it (also in `bounds`).
  std::optional<objects::BarcodeLayout> barcode;
  std::optional<objects::Barcode2DLayout> barcode2d;

  bool has_frame() const;
  // A fill beyond one flat colour: a hatch brush or a gradient.
  bool patterned_fill() const;
  // Rounded rectangles: the corners' radius. Curve 0 gives an eighth of the shorter side, and
  // each step of Curve as much again, up to half the shorter side (the ends then round fully).
  double corner_radius() const;
  // The bounds less the drop shadow.
  report::canvas::Rect body() const;
};

PrintedView resolve_view(const report::View& view);
// The four sides of a frame, top, right, bottom, left, as resolve_view makes them.
std::array<FrameSide, 4> frame_sides(const report::Frame& frame);

// Draws the view in report pixels on the canvas. Text goes through the shared text layout;
// PNG and JPEG pictures are drawn as pixels (the PDF writer keeps JPEG data as it is instead).
void draw_view(report::canvas::Canvas& canvas, const PrintedView& v);
// Where a picture of `width` × `height` pixels lands in `area`: stretched to it, kept in its
// proportions, or at its natural size (a pixel a report pixel), at the top-left corner or
// centred. What passes the area is clipped by the caller.
report::canvas::Rect picture_rect(const report::PictureView& view, const report::canvas::Rect& area,
                                  int width, int height);
// The picture of a picture view in its place, clipped to `area`, its transparent colour clear;
// a picture that cannot be drawn leaves an outlined, crossed box. Throws picture::TooLarge.
void draw_picture_view(report::canvas::Canvas& canvas, const report::PictureView& view,
                       const report::canvas::Rect& area);
// The box a picture that cannot be drawn leaves in its place.
void draw_missing_picture(report::canvas::Canvas& canvas, const report::canvas::Rect& area);
void draw_frame(report::canvas::Canvas& canvas, const PrintedView& v);
// The ruled lines of a memo with Underlines set: one under each text line that fits.
void draw_underlines(report::canvas::Canvas& canvas, const PrintedView& v);
// The memo's text at `scale` device pixels per report pixel; with `at_origin`, on a bitmap of
// the view alone, whose origin is the view's top-left corner.
void draw_memo_text(report::canvas::Canvas& canvas, const PrintedView& v, double scale = 1,
                    bool at_origin = false);

}  // namespace orvena::exporting
