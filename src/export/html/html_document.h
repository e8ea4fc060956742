#pragma once
// The HTML 4.01 document of a report: a CSS class per style and one table per page, each page laid
// on its own layout matrix, objects covering several cells as colspan/rowspan cells, a fixed sizing
// row so that the columns keep the report's widths. Every line ends with CR LF.
//
//   HtmlDocumentWriter w(out, settings);
//   w.write_head(title, styles);                    // the styles of every page to come
//   w.write_page(matrix, classes, 1, PageStart::SamePrintedPage, pictures);  // per page, as they come
//   w.write_end();
//
// A page's matrix has its own style table; `classes` maps its indices to those of the head, so
// the pages of one document can be written one at a time and the grid of each freed at once.
#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "export/matrix/layout_matrix.h"

namespace orvena::exporting::html {

struct DocumentSettings {
  bool fixed_width = true;  // the table gets the width of the content
  bool centered = false;
  bool export_styles = true;   // CSS classes
  bool print = false;          // a script that prints the page when it is loaded
  bool file_per_page = false;  // links to a page of the report point at its own file
  std::string url_target;      // the frame links open in; empty for none
  std::string background;      // src of the page background picture; empty for none
  // Lines of the caller's own, written after the standard head lines, after the body start tag
  // and before the end of the document.
  std::vector<std::string> document_begin, document_body, document_end;
};

// Where a picture is put: the src of its img element.
using PictureSource = std::function<std::string(const MatrixObject& picture)>;

// The rule of CSS class ".s<index>" for a matrix style.
std::string style_rule(int index, const MatrixStyle& style);

// The distinct styles of a document whose pages each have their own matrix.
class StyleTable {
 public:
  // The document's class numbers of a prepared matrix's styles, by the matrix's style index.
  std::vector<int> classes_of(const LayoutMatrix& matrix);
  std::span<const MatrixStyle> styles() const { return m_styles; }
  void clear();

 private:
  std::vector<MatrixStyle> m_styles;
  std::unordered_map<MatrixStyle, int, MatrixStyleHash> m_index;
};

class HtmlDocumentWriter {
 public:
  HtmlDocumentWriter(std::ostream& out, const DocumentSettings& settings);
  ~HtmlDocumentWriter();

  // The head with a class per style, and the body start.
  void write_head(std::string_view title, std::span<const MatrixStyle> styles);
  // Whether a page's table starts a printed page of its own: every page of a document but the first.
  enum class PageStart { SamePrintedPage, NewPrintedPage };
  // One page's table after its anchor "PageN<page_number>". `classes` maps the matrix's style
  // indices to class numbers; empty: the matrix's own indices.
  void write_page(const LayoutMatrix& matrix, std::span<const int> classes, int page_number, PageStart start,
                  const PictureSource& pictures);
  // The caller's end lines and the document end. Flushes what is buffered.
  void write_end();
  // Hands what is buffered to the stream.
  void flush();

 private:
  void line_end();
  void write_table_start(const LayoutMatrix& matrix, int page_number, bool page_break);
  void write_row(const LayoutMatrix& matrix, int y);
  void write_cell(const LayoutMatrix& matrix, int x, int y, int index);
  void flush_if_large();

  std::ostream& m_out;
  const DocumentSettings& m_settings;
  std::span<const int> m_classes;
  const PictureSource* m_pictures = nullptr;
  std::string m_buffer;
};

}  // namespace orvena::exporting::html
