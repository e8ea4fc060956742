#include "objects/barcode2d_view.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "core/error.h"
#include "objects/barcode_view.h"

namespace orvena::objects {

using report::canvas::Canvas;
using report::canvas::Rect;
using report::canvas::Rgb;

namespace {

constexpr Rgb kWhite = 0xFFFFFF, kBlack = 0x000000;
// A module of 100 report pixels is over 26 mm; larger sizes are typing errors that would make
// an object larger than any page.
constexpr double kMaxModuleSize = 100;
// Quiet zones past this many modules only waste the object's room.
constexpr int kMaxQuietZone = 100;

double module_size_of(double size) {
  return std::isfinite(size) && size > 0 ? std::min(size, kMaxModuleSize) : 0;
}

// Dark runs of each row as rectangles in modules; a run with the same ends as one in the row
// above makes that one taller, so a square of dark modules is one rectangle.
struct Run {
  int left, top, width, height;
};

std::vector<Run> dark_runs(const CodeMatrix& m) {
  std::vector<Run> done;
  std::map<std::pair<int, int>, Run> open;  // by first column and width
  for (int row = 0; row < m.rows; ++row) {
    std::map<std::pair<int, int>, Run> next;
    for (int c = 0; c < m.columns;) {
      if (!m.dark(row, c)) {
        ++c;
        continue;
      }
      int start = c;
      while (c < m.columns && m.dark(row, c)) ++c;
      std::pair<int, int> key{start, c - start};
      auto above = open.find(key);
      if (above != open.end()) {
        Run r = above->second;
        ++r.height;
        next.emplace(key, r);
        open.erase(above);
      } else {
        next.emplace(key, Run{start, row, c - start, 1});
      }
    }
    for (auto& [key, run] : open) done.push_back(run);
    open = std::move(next);
  }
  for (auto& [key, run] : open) done.push_back(run);
  return done;
}

}  // namespace

Barcode2DLayout layout_barcode2d(const report::Barcode2DView& view, Rect bounds) {
  Barcode2DLayout l;
  l.bounds = bounds;
  if (view.text.empty()) return l;  // an empty field prints no code and no message
  try {
    l.matrix = encode_matrix_code({view.symbology, view.error_level, view.matrix_shape}, view.text);
  } catch (const core::Error& e) {
    l.error = e.what();
    return l;
  }
  l.quiet_zone = view.quiet_zone < 0 ? standard_quiet_zone(view.symbology)
                                     : int(std::min<int64_t>(view.quiet_zone, kMaxQuietZone));
  const double across = l.matrix.columns + 2 * l.quiet_zone, down = l.matrix.rows + 2 * l.quiet_zone;
  const bool turned = quarter_turns(view.rotation) % 2;
  l.module_size = module_size_of(view.module_size);
  if (l.module_size > 0) {
    l.bounds.width = (turned ? down : across) * l.module_size;
    l.bounds.height = (turned ? across : down) * l.module_size;
  } else {
    double width = turned ? bounds.height : bounds.width, height = turned ? bounds.width : bounds.height;
    // Whole report pixels once a module has two or more: every module then gets the same width
    // in pictures at 96 dpi (the table formats) and its multiples, which readers need more than
    // the last fraction of size.
    double fit = std::max(0.0, std::min(width / across, height / down));
    l.module_size = fit >= 2 ? std::floor(fit) : fit;
  }
  return l;
}

void draw_barcode2d(Canvas& canvas, const report::Barcode2DView& view, const Barcode2DLayout& l,
                    std::optional<Rgb> background) {
  const Rect& r = l.bounds;
  if (!(r.width > 0 && r.height > 0)) return;
  canvas.fill_rect(r, background.value_or(kWhite));
  if (!l.error.empty()) {
    draw_barcode_error(canvas, r, l.error);
    return;
  }
  if (l.matrix.empty() || !(l.module_size > 0)) return;

  // Drawn upright about the centre, then turned counter-clockwise by the rotation; the quiet
  // zone is what remains around it. The code stands whole pixels in from the object's corner,
  // so that a code of whole-pixel modules has sharp edges on a bitmap.
  const int turns = quarter_turns(view.rotation);
  const double m = l.module_size;
  const double width = turns % 2 ? r.height : r.width, height = turns % 2 ? r.width : r.height;
  canvas.save();
  canvas.clip(r);
  canvas.translate(r.left + r.width / 2, r.top + r.height / 2);
  if (turns) canvas.rotate_degrees(90.0 * turns);
  canvas.translate(-width / 2 + std::floor((width - l.matrix.columns * m) / 2),
                   -height / 2 + std::floor((height - l.matrix.rows * m) / 2));
  for (const Run& run : dark_runs(l.matrix))
    canvas.fill_rect({run.left * m, run.top * m, run.width * m, run.height * m}, kBlack);
  canvas.restore();
}

}  // namespace orvena::objects
