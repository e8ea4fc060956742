// The grid of the layout matrix: boundaries, placement, cells, empty rows, overlapping objects
// and frames. Objects enter through matrix_objects.cpp.
#include <algorithm>
#include <cmath>

#include "export/matrix/layout_matrix.h"

namespace orvena::exporting {

namespace {

// The exact duplicate check on adding a boundary looks back this far only, so adding stays
// linear for long reports; prepare() sorts and removes the rest.
constexpr size_t kBoundaryLookBack = 100;
constexpr int kPreparePasses = 6;

void add_boundary(std::vector<double>& pos, double& highest, double value) {
  // A boundary above all before it cannot be one of them: the usual case for the rows of a page,
  // which is laid out top down.
  if (pos.empty() || value > highest) {
    pos.push_back(value);
    highest = value;
    return;
  }
  size_t from = pos.size() > kBoundaryLookBack ? pos.size() - kBoundaryLookBack : 0;
  for (size_t i = pos.size(); i-- > from;)
    if (pos[i] == value) return;
  pos.push_back(value);
}

bool same_line(const MatrixFrameLine& a, const MatrixFrameLine& b) {
  return a.width == b.width && a.color == b.color;
}

}  // namespace

LayoutMatrix::LayoutMatrix() = default;

LayoutMatrix::LayoutMatrix(MatrixPreset preset) {
  // Every writer leaves the page background out.
  background = false;
  background_image = false;
  switch (preset) {
    case MatrixPreset::Csv:
      rich_text = true;
      plain_rich = true;
      area_fill = false;
      crop_area_fill = true;
      inaccuracy = 0.5;
      delete_html_tags = true;
      images = false;
      wrap_text = true;
      frames_optimization = true;
      break;
    case MatrixPreset::Docx:
      rich_text = false;
      plain_rich = false;
      inaccuracy = 2.0;
      delete_html_tags = true;
      images = true;
      wrap_text = false;
      empty_lines = true;
      brush_as_bitmap = false;
      max_cell_width = 500;
      max_cell_height = 500;
      break;
    case MatrixPreset::Html:
      inaccuracy = 0.5;
      rotated_as_image = true;
      frames_optimization = true;
      rich_text = true;
      plain_rich = true;
      break;
    case MatrixPreset::Xlsx:
      rich_text = false;
      plain_rich = false;
      delete_html_tags = true;
      images = true;
      wrap_text = false;
      brush_as_bitmap = false;
      numbers = true;  // numeric texts become number cells
      break;
  }
}
LayoutMatrix::~LayoutMatrix() = default;

void LayoutMatrix::clear() {
  m_objects.clear();
  m_placements.clear();
  m_styles.clear();
  m_style_index.clear();
  m_recent_styles.fill(-1);
  m_x.clear();
  m_y.clear();
  m_cells.clear();
  m_pages.clear();
  m_delta_y = 0;
  // The extents go too: a page laid out after clear() must not start below the previous one.
  m_max_width = m_max_height = 0;
  m_min_left = m_min_top = 99999;
}

void LayoutMatrix::add_x(double x) {
  add_boundary(m_x, m_x_highest, x);
}
void LayoutMatrix::add_y(double y) {
  add_boundary(m_y, m_y_highest, y);
}

void LayoutMatrix::place(int object) {
  const MatrixObject& o = *m_objects[object];
  m_max_width = std::max(m_max_width, o.left + o.width);
  m_max_height = std::max(m_max_height, o.top + o.height);
  m_min_left = std::min(m_min_left, o.left);
  m_min_top = std::min(m_min_top, o.top);
  add_x(o.left);
  add_x(o.left + o.width);
  add_y(o.top);
  add_y(o.top + o.height);
  m_placements.push_back({});
}

// ---- Pages ----

void LayoutMatrix::add_page(report::Orientation orientation, double width, double height, double left_margin,
                            double top_margin, double right_margin, double bottom_margin, bool mirror_margins,
                            int index) {
  m_delta_y = m_max_height;
  MatrixPage p;
  p.break_y = m_delta_y;
  p.orientation = orientation;
  p.width = width;
  p.height = height;
  p.left_margin = left_margin;
  p.top_margin = top_margin;
  p.right_margin = right_margin;
  p.bottom_margin = bottom_margin;
  if (mirror_margins && index % 2 == 1) {
    std::swap(p.left_margin, p.right_margin);
    p.mirror_margin = true;
  }
  m_pages.push_back(p);
}

void LayoutMatrix::add_page(const report::ReportPage& page, int index) {
  add_page(page.orientation(), page.paper_width(), page.paper_height(), page.left_margin, page.top_margin,
           page.right_margin, page.bottom_margin, page.mirror_margins, index);
}

const MatrixPage* LayoutMatrix::page(int i) const {
  return i >= 0 && i < pages_count() ? &m_pages[i] : nullptr;
}

double LayoutMatrix::page_break(int i) const {
  return page(i) ? page(i)->break_y : 0;
}
double LayoutMatrix::page_width(int i) const {
  return page(i) ? page(i)->width : 0;
}
double LayoutMatrix::page_height(int i) const {
  return page(i) ? page(i)->height : 0;
}
double LayoutMatrix::page_left_margin(int i) const {
  return page(i) ? page(i)->left_margin : 0;
}
double LayoutMatrix::page_top_margin(int i) const {
  return page(i) ? page(i)->top_margin : 0;
}
double LayoutMatrix::page_right_margin(int i) const {
  return page(i) ? page(i)->right_margin : 0;
}
double LayoutMatrix::page_bottom_margin(int i) const {
  return page(i) ? page(i)->bottom_margin : 0;
}
bool LayoutMatrix::page_mirror_margin(int i) const {
  return page(i) && page(i)->mirror_margin;
}
report::Orientation LayoutMatrix::page_orientation(int i) const {
  return page(i) ? page(i)->orientation : report::Orientation::Portrait;
}

// ---- Queries ----

int LayoutMatrix::cell(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height() || m_cells.empty()) return -1;
  return m_cells[size_t(x) + size_t(y) * size_t(width())];
}

const MatrixObject* LayoutMatrix::object_at(int x, int y) const {
  return object(cell(x, y));
}

const MatrixStyle* LayoutMatrix::style_at(int x, int y) const {
  const MatrixObject* o = object_at(x, y);
  return o ? style(o->style) : nullptr;
}

double LayoutMatrix::x_pos(int i) const {
  return i >= 0 && i < width() ? m_x[i] : 0;
}
double LayoutMatrix::y_pos(int i) const {
  return i >= 0 && i < height() ? m_y[i] : 0;
}

MatrixObject* LayoutMatrix::object(int i) {
  return i >= 0 && i < objects_count() ? m_objects[i].get() : nullptr;
}
const MatrixObject* LayoutMatrix::object(int i) const {
  return i >= 0 && i < objects_count() ? m_objects[i].get() : nullptr;
}

CellSpan LayoutMatrix::object_position(int i) const {
  if (i < 0 || i >= int(m_placements.size())) return {};
  const Placement& p = m_placements[i];
  return {p.x, p.y, p.dx, p.dy};
}

const MatrixStyle* LayoutMatrix::style(int i) const {
  return i >= 0 && i < styles_count() ? &m_styles[i] : nullptr;
}

int LayoutMatrix::find_or_add_style(const MatrixStyle& style) {
  // The objects of a band mostly share a few styles: comparing with the ones found last is
  // cheaper than hashing the style.
  for (int i : m_recent_styles)
    if (i >= 0 && m_styles[size_t(i)] == style) return i;
  auto [it, added] = m_style_index.try_emplace(style, styles_count());
  if (added) m_styles.push_back(style);
  m_recent_styles[m_next_recent++ % m_recent_styles.size()] = it->second;
  return it->second;
}

// ---- Prepare ----

void LayoutMatrix::prepare() {
  int pass = 0;
  auto progress = [&] {
    if (on_progress) on_progress(++pass, kPreparePasses);
  };
  if (area_fill) {
    auto fill = std::make_unique<MatrixObject>();
    fill->left = crop_area_fill ? std::min(m_min_left, m_max_width) : 0;
    fill->top = crop_area_fill ? std::min(m_min_top, m_max_height) : 0;
    fill->width = m_max_width - fill->left;
    fill->height = m_max_height - fill->top;
    MatrixStyle s;
    s.fill = 0xFFFFFF;
    fill->style = find_or_add_style(s);
    m_objects.insert(m_objects.begin(), std::move(fill));
    m_placements.insert(m_placements.begin(), Placement{});
    add_x(0);
    add_y(0);
    add_x(m_max_width);
    add_y(m_max_height);
  }
  merge_boundaries(m_x, max_cell_width);
  merge_boundaries(m_y, max_cell_height);
  progress();
  place_objects();
  progress();
  fill_cells();
  progress();
  if (!empty_lines) delete_empty_lines();
  progress();
  cut_overlaps();
  progress();
  if (frames_optimization) optimize_frames();
  progress();
}

void LayoutMatrix::merge_boundaries(std::vector<double>& pos, double max_cell) {
  std::sort(pos.begin(), pos.end());
  // Exact duplicates never make a column of their own, whatever the inaccuracy.
  pos.erase(std::unique(pos.begin(), pos.end()), pos.end());
  if (inaccuracy > 0) {
    // An edge closer than the inaccuracy to the next one gives way to it.
    std::vector<double> kept;
    kept.reserve(pos.size());
    for (size_t i = 0; i < pos.size(); ++i)
      if (i + 1 == pos.size() || pos[i + 1] - pos[i] >= inaccuracy) kept.push_back(pos[i]);
    pos = std::move(kept);
  }
  if (max_cell > 0) {
    size_t n = pos.size();
    for (size_t i = 0; i + 1 < n; ++i) {
      double start = pos[i], gap = pos[i + 1] - start;
      if (gap <= max_cell) continue;
      auto steps = int64_t(std::trunc(gap / max_cell));
      for (int64_t k = 1; k <= steps; ++k) pos.push_back(start + double(k) * max_cell);
    }
    if (pos.size() != n) {
      std::sort(pos.begin(), pos.end());
      pos.erase(std::unique(pos.begin(), pos.end()), pos.end());
    }
  }
}

namespace {

// The first boundary at or after `from`, and the number of boundaries up to the one that
// reaches `to`; at least one cell whenever a boundary follows.
std::pair<int, int> span_of(const std::vector<double>& pos, double from, double to) {
  int last = int(pos.size()) - 1;
  if (last < 1) return {0, 0};
  int a = int(std::lower_bound(pos.begin(), pos.end(), from) - pos.begin());
  int b = int(std::lower_bound(pos.begin(), pos.end(), to) - pos.begin());
  a = std::min(a, last - 1);
  b = std::clamp(b, a + 1, last);
  return {a, b - a};
}

}  // namespace

void LayoutMatrix::place_objects() {
  for (size_t i = 0; i < m_objects.size(); ++i) {
    const MatrixObject& o = *m_objects[i];
    Placement& p = m_placements[i];
    std::tie(p.x, p.dx) = span_of(m_x, o.left, o.left + o.width);
    std::tie(p.y, p.dy) = span_of(m_y, o.top, o.top + o.height);
    p.exist = false;
  }
}

void LayoutMatrix::fill_cells() {
  const size_t w = m_x.size();
  m_cells.assign(w * m_y.size(), -1);
  for (size_t i = 0; i < m_placements.size(); ++i) {
    const Placement& p = m_placements[i];
    if (p.dx == 0 || p.dy == 0) continue;
    MatrixObject& o = *m_objects[i];
    int below = m_cells[size_t(p.x) + size_t(p.y) * w];
    if (below >= 0 && o.style >= 0 && !m_styles[o.style].fill) {
      // A transparent object shows the colour of what lies under it.
      const MatrixStyle* under = style(m_objects[below]->style);
      if (under && under->fill && *under->fill != m_styles[o.style].font.color) {
        MatrixStyle s = m_styles[o.style];
        s.fill = under->fill;
        o.style = find_or_add_style(s);
      }
    }
    for (int y = p.y; y < p.y + p.dy; ++y)
      std::fill_n(m_cells.begin() + ptrdiff_t(size_t(p.x) + size_t(y) * w), p.dx, int(i));
  }
}

void LayoutMatrix::delete_empty_lines() {
  const size_t w = m_x.size();
  const int rows = height();
  if (rows < 2) return;
  // One pass over the rows: a row kept moves up by the height of the rows dropped above it.
  std::vector<int> new_row(size_t(rows), -1);
  std::vector<double> y_kept;
  std::vector<int> cells_kept;
  cells_kept.reserve(m_cells.size());
  double removed = 0;
  for (int y = 0; y < rows; ++y) {
    auto row = m_cells.begin() + ptrdiff_t(size_t(y) * w);
    bool empty = y + 1 < rows && std::all_of(row, row + ptrdiff_t(w), [](int c) { return c < 0; });
    if (empty) {
      removed += m_y[y + 1] - m_y[y];
      continue;
    }
    new_row[y] = int(y_kept.size());
    y_kept.push_back(m_y[y] - removed);
    cells_kept.insert(cells_kept.end(), row, row + ptrdiff_t(w));
  }
  for (Placement& p : m_placements) {
    if (p.dy == 0) continue;
    // An object's rows hold the object, so none of them was dropped.
    if (new_row[p.y] >= 0) p.y = new_row[p.y];
  }
  m_y = std::move(y_kept);
  m_cells = std::move(cells_kept);
}

void LayoutMatrix::delete_line(int y) {
  if (y < 0 || y >= height()) return;
  const size_t w = m_x.size();
  double h = y + 1 < height() ? m_y[y + 1] - m_y[y] : 0;
  for (int i = y + 1; i < height(); ++i) m_y[i] -= h;
  m_y.erase(m_y.begin() + y);
  if (!m_cells.empty())
    m_cells.erase(m_cells.begin() + ptrdiff_t(size_t(y) * w), m_cells.begin() + ptrdiff_t(size_t(y + 1) * w));
  for (Placement& p : m_placements) {
    if (p.dy == 0) continue;
    if (p.y > y)
      --p.y;
    else if (p.y + p.dy > y)
      --p.dy;
  }
}

void LayoutMatrix::cut_overlaps() {
  const int w = width(), h = height();
  auto at = [&](int x, int y) -> int& { return m_cells[size_t(x) + size_t(y) * size_t(w)]; };
  auto run = [&](int x, int y, int id) {
    int n = 0;
    while (x + n < w && at(x + n, y) == id) ++n;
    return n;
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int id = at(x, y);
      if (id < 0 || m_placements[id].exist) continue;
      int rw = run(x, y, id), rh = 1;
      while (y + rh < h && run(x, y + rh, id) >= rw) ++rh;
      Placement& p = m_placements[id];
      if (rw == p.dx && rh == p.dy) {
        p.x = x;
        p.y = y;
        p.exist = true;
        continue;
      }
      cut_piece(id, x, y, rw, rh);
    }
}

void LayoutMatrix::cut_piece(int id, int x, int y, int rw, int rh) {
  const Placement whole_at = m_placements[id];
  MatrixObject& whole = *m_objects[id];
  auto piece = std::make_unique<MatrixObject>();
  piece->name = whole.name;
  piece->left = m_x[x];
  piece->top = m_y[y];
  piece->width = m_x[x + rw] - piece->left;
  piece->height = m_y[y + rh] - piece->top;
  piece->parent = &whole;
  piece->is_text = whole.is_text;
  piece->rich_text = whole.rich_text;
  piece->html_tags = whole.html_tags;
  piece->rtl = whole.rtl;
  piece->header = whole.header;
  piece->footer = whole.footer;
  // The content goes to the first piece that starts in the upper-left two thirds of the object.
  if (whole.top + whole.height - piece->top > whole.height / 3 &&
      whole.left + whole.width - piece->left > whole.width / 3) {
    piece->lines = std::move(whole.lines);
    whole.lines.clear();
    piece->picture = std::move(whole.picture);
    whole.picture = {};
    piece->url = std::move(whole.url);
    whole.url.clear();
    piece->number = whole.number;
    whole.number.reset();
  }
  piece->style = whole.style;
  if (const MatrixStyle* s = style(whole.style)) {
    // Only the sides on the object's outer edges are drawn.
    MatrixStyle own = *s;
    if (x != whole_at.x) own.frame_sides &= ~kMatrixLeft;
    if (y != whole_at.y) own.frame_sides &= ~kMatrixTop;
    if (x + rw != whole_at.x + whole_at.dx) own.frame_sides &= ~kMatrixRight;
    if (y + rh != whole_at.y + whole_at.dy) own.frame_sides &= ~kMatrixBottom;
    if (own.frame_sides != s->frame_sides) piece->style = find_or_add_style(own);
  }
  int piece_id = objects_count();
  m_objects.push_back(std::move(piece));
  m_placements.push_back({x, y, rw, rh, true});
  for (int row = y; row < y + rh; ++row)
    std::fill_n(m_cells.begin() + ptrdiff_t(size_t(x) + size_t(row) * size_t(width())), rw, piece_id);
}

void LayoutMatrix::optimize_frames() {
  const int w = width(), h = height();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int id = cell(x, y);
      if (id < 0) continue;
      MatrixObject& o = *m_objects[id];
      const MatrixStyle* s = style(o.style);
      if (!s || !(s->frame_sides & (kMatrixTop | kMatrixLeft))) continue;
      MatrixStyle own = *s;
      // A side the neighbour already draws in the same width and colour is drawn once.
      int above = cell(x, y - 1);
      if (above >= 0 && above != id && own.has_side(kMatrixTop)) {
        const MatrixStyle* n = style(m_objects[above]->style);
        if (n && n->has_side(kMatrixBottom) && same_line(n->lines[kLineBottom], own.lines[kLineTop]))
          own.frame_sides &= ~kMatrixTop;
      }
      int left = cell(x - 1, y);
      if (left >= 0 && left != id && own.has_side(kMatrixLeft)) {
        const MatrixStyle* n = style(m_objects[left]->style);
        if (n && n->has_side(kMatrixRight) && same_line(n->lines[kLineRight], own.lines[kLineLeft]))
          own.frame_sides &= ~kMatrixLeft;
      }
      if (own.frame_sides != s->frame_sides) o.style = find_or_add_style(own);
    }
}

}  // namespace orvena::exporting
