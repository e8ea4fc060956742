#pragma once
// Two-dimensional codes: text → a grid of dark and light modules. The one place that talks to
// libzint; nothing else includes its header.
//
//   CodeMatrix m = encode_matrix_code({report::Symbology2D::QrCode}, "Zażółć");
//   bool dark = m.dark(row, column);
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/views.h"

namespace orvena::objects {

struct MatrixCodeOptions {
  report::Symbology2D symbology = report::Symbology2D::QrCode;
  report::QrErrorLevel error_level = report::QrErrorLevel::M;
  report::MatrixShape matrix_shape = report::MatrixShape::Square;
};

// Rows of square modules, top to bottom; a PDF417 row of the symbol is three of these.
struct CodeMatrix {
  int columns = 0, rows = 0;
  std::vector<uint8_t> modules;  // row by row, 1 for dark

  bool dark(int row, int column) const { return modules[size_t(row) * columns + column]; }
  bool empty() const { return modules.empty(); }
};

// The symbology's name as messages give it ("QR", "Data Matrix", ...).
std::string_view symbology_name(report::Symbology2D symbology);

// The light margin the symbology's standard asks for, in modules.
int standard_quiet_zone(report::Symbology2D symbology);

// Text that is not ASCII is encoded as UTF-8 and marked so (ECI 26). Throws core::Error with
// the system's text when the symbology cannot hold the text.
CodeMatrix encode_matrix_code(const MatrixCodeOptions& options, std::string_view utf8);

}  // namespace orvena::objects
