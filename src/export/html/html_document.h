#pragma once
// The HTML 4.01 document of a prepared layout matrix: a CSS class per matrix style and one table
// per page, objects covering several cells as colspan/rowspan cells, a fixed sizing row so that
// the columns keep the report's widths. Every line ends with CR LF.
//
//   HtmlDocumentWriter w(out, matrix, settings, pictures);
//   w.write_document(title, HtmlDocumentWriter::Pages::Stacked);   // or one page of a series
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
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
  // Lines of the caller's own, written after the standard head lines, after the body start tag
  // and before the end of the document.
  std::vector<std::string> document_begin, document_body, document_end;
};

// Where a picture is put: the src of its img element.
using PictureSource = std::function<std::string(const MatrixObject& picture)>;

// The rule of CSS class ".s<index>" for a matrix style.
std::string style_rule(int index, const MatrixStyle& style);

class HtmlDocumentWriter {
 public:
  HtmlDocumentWriter(std::ostream& out, const LayoutMatrix& matrix, const DocumentSettings& settings,
                     PictureSource pictures);

  // Pages::Stacked: the matrix holds every page one below the other and each gets its own table;
  // Pages::One: the matrix is one page of a series, written as one table.
  enum class Pages { Stacked, One };
  void write_document(std::string_view title, Pages pages);

 private:
  void line(std::string_view text);
  void write_head(std::string_view title);
  void write_table_start(int page_number, bool page_break);
  void write_row(int y);
  void write_cell(int x, int y, int index);

  std::ostream& m_out;
  const LayoutMatrix& m_matrix;
  const DocumentSettings& m_settings;
  PictureSource m_pictures;
  std::string m_line;
};

}  // namespace orvena::exporting::html
