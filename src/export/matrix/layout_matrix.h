#pragma once
// The layout matrix: printed objects, which sit anywhere on a page and may overlap, laid on a grid
// of rows and columns for the table-like writers (CSV, XLSX, DOCX, HTML). Every distinct left and
// right edge becomes a column boundary, every top and bottom edge a row boundary; each object
// covers a rectangle of cells, an object partly covered by a later one is cut into pieces, and
// the look of the objects is gathered into a table of distinct styles.
//
//   LayoutMatrix m;
//   m.inaccuracy = 0.5;                       // edges closer than this are one boundary
//   m.images = false;
//   // per page of the walk (pages stacked one below the other; or clear() per page instead):
//   m.add_page(page, index);                  // before the page's objects
//   m.add_object(view);                       // from ExportFilter::export_object
//   m.prepare();                              // once, after the last object
//   for (int y = 0; y + 1 < m.height(); ++y)  // height() boundaries: height() - 1 rows
//     for (int x = 0; x + 1 < m.width(); ++x) {
//       const MatrixObject* o = m.object_at(x, y);   // null for an empty cell
//       const MatrixStyle* s = m.style_at(x, y);     // null for an empty cell or no style
//       int i = m.cell(x, y);                         // -1 for an empty cell
//       if (i >= 0) { CellSpan span = m.object_position(i); /* span.x == x: first cell */ }
//     }
//   double top = m.y_pos(3), left = m.x_pos(2);       // boundaries, pixels at 96 dpi
//
// Coordinates are report pixels (96 per inch). Pages added with add_page are stacked: the
// objects of a page are moved below everything added before, and page_break(i) is the offset
// where page i starts. clear() empties everything but the settings, so one matrix can be reused
// page by page (a writer that keeps one grid per page calls clear() in start_page).
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "export/printed_view.h"
#include "report/chart.h"
#include "report/pages.h"
#include "report/text/text_layout.h"
#include "report/values.h"
#include "report/views.h"

namespace orvena::report {
class PreparedPages;
class Report;
}  // namespace orvena::report

namespace orvena::exporting {

// Frame sides of a matrix style, as bits.
enum MatrixSide : uint8_t { kMatrixLeft = 1, kMatrixRight = 2, kMatrixTop = 4, kMatrixBottom = 8 };
// Index of a side in MatrixStyle::lines.
enum MatrixLineIndex : uint8_t { kLineLeft, kLineTop, kLineRight, kLineBottom };

struct MatrixFrameLine {
  Rgb color = 0;
  report::FrameStyle style = report::FrameStyle::Solid;
  double width = 1;
  friend bool operator==(const MatrixFrameLine&, const MatrixFrameLine&) = default;
};

struct MatrixDisplayFormat {
  report::FormatKind kind = report::FormatKind::Text;
  std::string decimal_separator, format_str;
  friend bool operator==(const MatrixDisplayFormat&, const MatrixDisplayFormat&) = default;
};

// The look of a cell. Two objects that look alike share one style index.
struct MatrixStyle {
  report::text::LayoutFont font;
  report::HAlign halign = report::HAlign::Left;
  report::VAlign valign = report::VAlign::Top;
  double line_spacing = 2, gap_x = 2, gap_y = 1, paragraph_gap = 0, char_spacing = 0;
  uint8_t frame_sides = 0;                 // MatrixSide bits
  std::array<MatrixFrameLine, 4> lines{};  // left, top, right, bottom (MatrixLineIndex)
  std::optional<Rgb> fill;                 // none: transparent
  int rotation = 0;
  report::BrushStyle brush_style = report::BrushStyle::Solid;
  bool word_break = false, word_wrap = true;
  int charset = 1;
  MatrixDisplayFormat format;

  bool has_side(MatrixSide side) const { return frame_sides & side; }
  // The line drawn on a side, or none when the frame leaves that side out.
  const MatrixFrameLine* line_on(MatrixSide side) const {
    if (!has_side(side)) return nullptr;
    return &lines[side == kMatrixLeft    ? kLineLeft
                  : side == kMatrixTop   ? kLineTop
                  : side == kMatrixRight ? kLineRight
                                         : kLineBottom];
  }
  friend bool operator==(const MatrixStyle& a, const MatrixStyle& b);
};

struct MatrixStyleHash {
  size_t operator()(const MatrixStyle& s) const;
};

// A rendered picture: straight (not premultiplied) RGBA, rows top to bottom, no padding.
struct MatrixPicture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  bool empty() const { return width <= 0 || height <= 0; }
  // The picture as a PNG file's bytes.
  std::string png() const;
};

// One exported object, or a piece cut from one.
struct MatrixObject {
  std::vector<std::string> lines;  // UTF-8 text lines of a text object
  std::string url;                 // hyperlink; "@" + page number for an anchor in the report
  std::string name;                // the source object's name ("Rect", "Line", "Shadow" for made ones)
  int style = -1;                  // index into the style table, -1 for none
  bool is_text = true;             // false: a picture
  bool rich_text = false;
  bool html_tags = false;  // the text still carries tags (only with delete_html_tags off)
  bool rtl = false;
  bool header = false, footer = false;  // the object belongs to the page header / footer band
  double left = 0, top = 0, width = 0, height = 0;
  MatrixPicture picture;
  const MatrixObject* parent = nullptr;  // the whole object a piece was cut from
  int counter = 0;                       // free for the writer
  // A text object showing one numeric value: that value, and its display format in the style.
  std::optional<double> number;
  // A chart the writer makes itself (with native_charts): a copy of the printed chart, no picture.
  std::shared_ptr<const report::ChartView> chart;

  // The lines joined, each followed by CR LF.
  std::string text_crlf() const;
};

// The cells an object covers.
struct CellSpan {
  int x = 0, y = 0, dx = 0, dy = 0;
};

struct MatrixPage {
  double break_y = 0;  // where the page starts in the stacked coordinates
  report::Orientation orientation = report::Orientation::Portrait;
  double width = 0, height = 0;  // millimetres, as the page gives them
  double left_margin = 0, top_margin = 0, right_margin = 0, bottom_margin = 0;
  bool mirror_margin = false;
};

// The settings each table-like writer works with, one preset per format. What the writer's own
// options decide (printable, empty lines, the xlsx inaccuracy) it still sets itself.
enum class MatrixPreset : uint8_t { Csv, Docx, Html, Xlsx };

class LayoutMatrix {
 public:
  LayoutMatrix();
  explicit LayoutMatrix(MatrixPreset preset);
  ~LayoutMatrix();
  LayoutMatrix(const LayoutMatrix&) = delete;
  LayoutMatrix& operator=(const LayoutMatrix&) = delete;

  // ---- Settings (kept by clear()) ----
  double inaccuracy = 0;       // edges closer than this are merged; the later one survives
  double max_cell_width = 0;   // > 0: wider columns are split
  double max_cell_height = 0;  // > 0: taller rows are split
  bool rotated_as_image = false;
  bool rich_text = false;
  bool plain_rich = true;
  bool area_fill = false;       // a white object under everything
  bool crop_area_fill = false;  // ... from the smallest left/top instead of 0
  bool frames_optimization = false;
  bool delete_html_tags = false;
  bool background_image = false;     // render the page background as a picture
  bool background = false;           // take the page background object at all
  bool printable = true;             // the writer's export_not_printable
  bool images = true;                // render non-text objects into pictures
  bool native_charts = false;        // charts are kept as MatrixObject::chart, not drawn
  bool wrap_text = false;            // memo text as wrapped lines
  bool empty_lines = true;           // keep rows with no object
  bool brush_as_bitmap = true;       // a hatched memo becomes a picture
  bool dot_matrix = false;           // every font size 9
  bool numbers = false;              // read back the number a text shows (MatrixObject::number)
  report::Report* report = nullptr;  // the report being exported (for the writer's own use)
  // With the prepared pages set, a hyperlink to an anchor ("#name") becomes "@" + its page number.
  const report::PreparedPages* anchors = nullptr;
  // Called after each of the preparation passes with (pass, passes).
  std::function<void(int, int)> on_progress;

  // ---- Building ----
  void add_object(const report::View& view);
  // Starts a page below everything added so far. Margins in millimetres; with mirror_margins
  // an odd index swaps the left and right margin.
  void add_page(report::Orientation orientation, double width, double height, double left_margin,
                double top_margin, double right_margin, double bottom_margin, bool mirror_margins, int index);
  void add_page(const report::ReportPage& page, int index);
  // Objects whose parent is one of these bands are marked header / footer.
  void set_page_header(const report::Component* band) { m_page_header = band; }
  void set_page_footer(const report::Component* band) { m_page_footer = band; }
  // A column boundary the grid should have although no object's edge lies there, such as the
  // columns of every page of a writer that lays out one page at a time on shared columns.
  void add_column_boundary(double x) { add_x(x); }
  // Lays the objects on the grid. Once, after the last object.
  void prepare();
  // Empties objects, styles, boundaries, pages, cells and extents; the settings stay.
  void clear();

  // ---- The grid ----
  int width() const { return int(m_x.size()); }   // column boundaries
  int height() const { return int(m_y.size()); }  // row boundaries
  // The object index at a cell, -1 for an empty cell and outside the grid.
  int cell(int x, int y) const;
  const MatrixObject* object_at(int x, int y) const;
  const MatrixStyle* style_at(int x, int y) const;
  // After prepare: the column boundaries, ascending (width() of them).
  const std::vector<double>& column_boundaries() const { return m_x; }
  double x_pos(int i) const;  // column boundary i, 0 outside
  double y_pos(int i) const;  // row boundary i, 0 outside
  // Removes row y; the rows below move up by its height.
  void delete_line(int y);

  // ---- Objects and styles ----
  int objects_count() const { return int(m_objects.size()); }
  MatrixObject* object(int i);  // null outside
  const MatrixObject* object(int i) const;
  CellSpan object_position(int i) const;  // all zero outside
  int styles_count() const { return int(m_styles.size()); }
  const MatrixStyle* style(int i) const;  // null outside
  // The style's index in the table, adding it when no equal one is there.
  int find_or_add_style(const MatrixStyle& style);

  // ---- Pages (0 for a page beyond the list) ----
  int pages_count() const { return int(m_pages.size()); }
  const MatrixPage* page(int i) const;
  double page_break(int i) const;
  double page_width(int i) const;
  double page_height(int i) const;
  double page_left_margin(int i) const;
  double page_top_margin(int i) const;
  double page_right_margin(int i) const;
  double page_bottom_margin(int i) const;
  bool page_mirror_margin(int i) const;
  report::Orientation page_orientation(int i) const;

  // ---- Extents of everything added since clear() ----
  double max_width() const { return m_max_width; }
  double max_height() const { return m_max_height; }
  double min_left() const { return m_min_left; }
  double min_top() const { return m_min_top; }

 private:
  // Placement i belongs to object i.
  struct Placement {
    int x = 0, y = 0, dx = 1, dy = 1;
    bool exist = false;
  };

  void add_view(const PrintedView& v);
  void add_text(const PrintedView& v);
  // A memo with Underlines: a row of cells per ruled line, the rule its bottom border.
  void add_ruled_text(const PrintedView& v);
  void add_line(const PrintedView& v);
  void add_rectangle(const PrintedView& v);
  void add_picture(const PrintedView& v);
  void add_shadow_strips(const PrintedView& v);
  MatrixObject& new_object(const PrintedView& v, report::canvas::Rect bounds);
  void place(int object);
  void add_x(double x);
  void add_y(double y);
  void merge_boundaries(std::vector<double>& pos, double max_cell);
  void place_objects();
  void fill_cells();
  void delete_empty_lines();
  void cut_overlaps();
  void cut_piece(int id, int x, int y, int rw, int rh);
  void optimize_frames();

  std::vector<std::unique_ptr<MatrixObject>> m_objects;
  std::vector<Placement> m_placements;
  std::vector<MatrixStyle> m_styles;
  std::unordered_map<MatrixStyle, int, MatrixStyleHash> m_style_index;
  std::array<int, 4> m_recent_styles{-1, -1, -1, -1};  // style indices, -1 for none
  size_t m_next_recent = 0;
  std::vector<double> m_x, m_y;
  // Not below any boundary in m_x / m_y: what add_x / add_y have added since the vector was empty.
  double m_x_highest = 0, m_y_highest = 0;
  std::vector<int> m_cells;  // x + y * width()
  std::vector<MatrixPage> m_pages;
  const report::Component* m_page_header = nullptr;
  const report::Component* m_page_footer = nullptr;
  double m_delta_y = 0;
  double m_max_width = 0, m_max_height = 0;
  double m_min_left = 99999, m_min_top = 99999;
};

}  // namespace orvena::exporting
