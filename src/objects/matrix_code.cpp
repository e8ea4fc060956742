#include "objects/matrix_code.h"

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/encoding.h"
#include "core/error.h"

namespace orvena::objects {

using report::Symbology2D;

namespace {

// Longer texts than any symbology holds are refused before the library sees them.
constexpr size_t kMaxTextBytes = 4096;
// ISO/IEC 15424: ECI 26 is UTF-8.
constexpr int kEciUtf8 = 26;
// Data Matrix ECC 200 rectangles, 8 × 18 to 16 × 48, are sizes 25 to 30 of the library.
constexpr int kFirstRectangle = 25, kLastRectangle = 30;
// Rows of the symbol (PDF417) are whole modules high; stop a bad height from growing the grid.
constexpr int kMaxRowModules = 16;

struct SymbolDeleter {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};
using Symbol = std::unique_ptr<zint_symbol, SymbolDeleter>;

// Symbology2D order.
constexpr int kZintSymbology[] = {BARCODE_QRCODE, BARCODE_DATAMATRIX, BARCODE_PDF417, BARCODE_AZTEC};
constexpr std::string_view kNames[] = {"QR", "Data Matrix", "PDF417", "Aztec"};
constexpr int kQuietZones[] = {4, 1, 2, 1};
static_assert(std::size(kZintSymbology) == std::size(report::kSymbology2DNames));
static_assert(std::size(kNames) == std::size(report::kSymbology2DNames));
static_assert(std::size(kQuietZones) == std::size(report::kSymbology2DNames));

constexpr std::string_view kLevelLetters[] = {"L", "M", "Q", "H"};

bool is_ascii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

Symbol new_symbol(const MatrixCodeOptions& o, std::string_view text) {
  Symbol s(ZBarcode_Create());
  if (!s) throw core::Error("Brak pamięci na kod " + std::string(symbology_name(o.symbology)));
  s->symbology = kZintSymbology[int(o.symbology)];
  s->input_mode = UNICODE_MODE;
  if (!is_ascii(text)) s->eci = kEciUtf8;
  switch (o.symbology) {
    case Symbology2D::QrCode:
      s->option_1 = int(o.error_level) + 1;
      break;
    case Symbology2D::DataMatrix:
      if (o.matrix_shape == report::MatrixShape::Square) s->option_3 = DM_SQUARE;
      break;
    default:
      break;
  }
  return s;
}

std::string refusal(const MatrixCodeOptions& o, int status) {
  std::string name(symbology_name(o.symbology));
  if (status == ZINT_ERROR_TOO_LONG) {
    if (o.symbology == Symbology2D::QrCode)
      return "Tekst jest za długi dla kodu QR z poziomem korekcji " +
             std::string(kLevelLetters[int(o.error_level)]);
    if (o.symbology == Symbology2D::DataMatrix && o.matrix_shape == report::MatrixShape::Rectangle)
      return "Tekst jest za długi dla prostokątnego kodu Data Matrix";
    return "Tekst jest za długi dla kodu " + name;
  }
  if (status == ZINT_ERROR_INVALID_DATA) return "Kod " + name + " nie może zawierać tego tekstu";
  return "Nie udało się utworzyć kodu " + name;
}

int encode(zint_symbol& s, std::string_view text) {
  return ZBarcode_Encode(&s, reinterpret_cast<const unsigned char*>(text.data()), int(text.size()));
}

// Modules the library marks dark, row by row; bits are packed eight to a byte, the first
// column in the lowest bit.
CodeMatrix matrix_of(const zint_symbol& s) {
  CodeMatrix m;
  m.columns = s.width;
  std::vector<int> heights(s.rows, 1);
  for (int r = 0; r < s.rows; ++r) {
    float h = s.row_height[r] > 0 ? s.row_height[r] : s.height / float(std::max(1, s.rows));
    heights[r] = std::clamp(int(std::lround(h)), 1, kMaxRowModules);
    m.rows += heights[r];
  }
  m.modules.reserve(size_t(m.rows) * m.columns);
  for (int r = 0; r < s.rows; ++r)
    for (int copy = 0; copy < heights[r]; ++copy)
      for (int c = 0; c < s.width; ++c) m.modules.push_back(s.encoded_data[r][c >> 3] >> (c & 7) & 1);
  return m;
}

}  // namespace

std::string_view symbology_name(Symbology2D symbology) {
  return kNames[int(symbology)];
}

int standard_quiet_zone(Symbology2D symbology) {
  return kQuietZones[int(symbology)];
}

CodeMatrix encode_matrix_code(const MatrixCodeOptions& options, std::string_view utf8) {
  if (int(options.symbology) >= int(std::size(kNames)))
    throw core::Error("Nieznany rodzaj kodu dwuwymiarowego");
  if (!core::is_valid_utf8(utf8))
    throw core::Error("Tekst kodu " + std::string(symbology_name(options.symbology)) +
                      " nie jest poprawnym UTF-8");
  if (utf8.size() > kMaxTextBytes) throw core::Error(refusal(options, ZINT_ERROR_TOO_LONG));

  Symbol s = new_symbol(options, utf8);
  int status = 0;
  if (options.symbology == Symbology2D::DataMatrix &&
      options.matrix_shape == report::MatrixShape::Rectangle) {
    // The smallest rectangle that holds the text; the library's own choice may be a square.
    for (int size = kFirstRectangle; size <= kLastRectangle; ++size) {
      ZBarcode_Clear(s.get());
      s->option_2 = size;
      status = encode(*s, utf8);
      if (status < ZINT_ERROR) break;
    }
  } else {
    status = encode(*s, utf8);
  }
  if (status >= ZINT_ERROR) throw core::Error(refusal(options, status));
  return matrix_of(*s);
}

}  // namespace orvena::objects
