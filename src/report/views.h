#pragma once
// Printable objects: views, text objects, lines, pictures, shapes, sub-reports and the
// registered object types (chart, barcodes, check box).
#include <string>
#include <vector>

#include "core/variant.h"
#include "report/component.h"
#include "report/datasets.h"
#include "report/memo/memo_text.h"
#include "report/owned.h"

namespace orvena::report {

class ReportPage;

enum class Align : uint8_t { None, Left, Right, Center, Width, Bottom, Client };
inline constexpr std::string_view kAlignNames[] = {"baNone",  "baLeft",   "baRight", "baCenter",
                                                   "baWidth", "baBottom", "baClient"};
enum class ShiftMode : uint8_t { DontShift, Always, WhenOverlapped };
inline constexpr std::string_view kShiftModeNames[] = {"smDontShift", "smAlways", "smWhenOverlapped"};
enum VisibilityBits : int64_t { kVisPreview = 1, kVisExport = 2, kVisPrint = 4 };
inline constexpr std::string_view kVisibilityNames[] = {"vsPreview", "vsExport", "vsPrint"};
enum class StretchMode : uint8_t { DontStretch, ActualHeight, MaxHeight };
inline constexpr std::string_view kStretchModeNames[] = {"smDontStretch", "smActualHeight", "smMaxHeight"};
enum class HAlign : uint8_t { Left, Right, Center, Block };
inline constexpr std::string_view kHAlignNames[] = {"haLeft", "haRight", "haCenter", "haBlock"};
enum class VAlign : uint8_t { Top, Bottom, Center };
inline constexpr std::string_view kVAlignNames[] = {"vaTop", "vaBottom", "vaCenter"};
enum class ShapeKind : uint8_t {
  Rectangle,
  RoundRectangle,
  Ellipse,
  Triangle,
  Diamond,
  Diagonal1,
  Diagonal2
};
inline constexpr std::string_view kShapeKindNames[] = {
    "skRectangle", "skRoundRectangle", "skEllipse", "skTriangle", "skDiamond", "skDiagonal1", "skDiagonal2"};

// A printable object with frame, fill, hyperlink and data binding. Which of these a class
// stores is given by its property table.
class View : public ReportComponent {
 public:
  View();
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  void before_print() override;
  void after_print() override;
  // Fills TagStr, URL and the hyperlink's bracketed expressions. Needs a generation run.
  void get_data() override;

  Align align = Align::None;
  ShiftMode shift_mode = ShiftMode::Always;
  int64_t group_index = 0;
  std::string on_after_data, on_after_print, on_before_print, on_mouse_enter, on_mouse_leave, on_mouse_down,
      on_mouse_move, on_mouse_up, on_preview_click, on_preview_dbl_click;
  Hyperlink hyperlink;
  std::string hint;
  bool show_hint = false;
  int64_t visibility = kVisPreview | kVisExport | kVisPrint;
  bool printable() const { return visibility & kVisPrint; }
  void set_printable(bool v) { visibility = v ? (visibility | kVisPrint) : (visibility & ~kVisPrint); }

  int64_t cursor = 0;
  std::string tag_str;
  std::string url;
  Frame frame;
  FillHolder fill;
  DataLink data;
  std::string data_field;

  // TagStr, the hyperlink value and URL as they were before printing (GetData expands them).
  std::string saved_tag_str, saved_hyperlink_value, saved_url;
};

class Stretcheable : public View {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  StretchMode stretch_mode = StretchMode::DontStretch;
};

class CustomMemoView : public Stretcheable {
 public:
  CustomMemoView();
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  // The text as one string: lines joined with CR LF, no final CR LF.
  std::string text() const;
  void set_text(std::string_view text);

  bool first_para_break = false, last_para_break = false;
  bool auto_width = false;
  bool allow_expressions = true;
  bool allow_html_tags = false;
  double char_spacing = 0;
  bool clipped = true;
  std::string expression_delimiters = "[,]";
  Ref<CustomMemoView> flow_to;
  double gap_x = 2, gap_y = 1;
  HAlign halign = HAlign::Left;
  bool hide_zeros = false;
  double line_spacing = 2;
  std::vector<std::string> memo;
  double paragraph_gap = 0;
  int64_t rotation = 0;
  bool rtl_reading = false;
  std::string style;
  bool suppress_repeated = false;
  bool underlines = false;
  bool use_default_charset = false;
  bool word_break = false;
  bool word_wrap = true;
  bool wysiwyg = true;
  VAlign valign = VAlign::Top;

  // Display formats and highlights; a single one is stored as DisplayFormat./Highlight.
  // attributes, more as "Formats"/"Highlights" child elements.
  OwnedList<DisplayFormat> formats;
  OwnedList<Highlight> highlights;
  DisplayFormat& display_format();  // the first format, made on demand
  Highlight& highlight();           // the first highlight, made on demand

  void write_nested(XmlItem& item, const Serializer& s) const override;
  bool read_nested(const XmlItem& child, Serializer& s) override;
  // The text, formats and highlights.
  void copy_collections(const Component& source) override;

  // ---- Printing (report/memo/memo_view.cpp) ----
  // Saves the text (unless bound to a data field) for after_print, which also undoes a highlight.
  void before_print() override;
  void after_print() override;
  // Fills the text from the data field or the bracketed expressions, applies highlights,
  // SuppressRepeated and FlowTo. Needs the report's generation run (Report::run).
  void get_data() override;
  std::string component_text() const override { return text(); }
  // Height and width the text needs, in units, gaps and frame lines included.
  double calc_height();
  double calc_width();
  // Splitting across pages: init_part takes the whole text as the remaining part; draw_part puts
  // the lines that fit the current height into the text and keeps the rest, returning the unused
  // height at the bottom (the full height when nothing is unused).
  void init_part();
  double draw_part();
  bool has_next_data_part(double free_space) const { return top() + height() > free_space; }
  // Resolves [TOTALPAGES#] and [COPYNAME#] with total_pages and copy_no (set by the export walk).
  void extract_macros();

  core::Variant value;     // the value shown (the last expression's or the data field's)
  std::string last_value;  // the text printed last, for SuppressRepeated
  std::string part_memo;   // the text still to print after a split
  int total_pages = 0, copy_no = 0;

 private:
  struct SavedHighlight {
    FillHolder fill;
    Font font;
    bool parent_font = true;
    Frame frame;
    bool visible = true;
  };
  std::vector<std::string> m_saved_memo;
  bool m_memo_saved = false;
  NotCopied<SavedHighlight> m_highlight_saved;
  // The text's expressions as found at the last filling, reused while the text is the same.
  NotCopied<memo_text::Template> m_template;
  std::string expand_expressions(const memo_text::Template& t);
  void apply_highlight();
};

class MemoView : public CustomMemoView {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};

// System text: fewer stored properties (no data binding, no expression switch).
class SysMemoView : public CustomMemoView {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};

class CustomLineView : public Stretcheable {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  int64_t color = kNoColor;
};

class LineView : public CustomLineView {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  bool arrow_end = false;
  int64_t arrow_length = 20;
  bool arrow_solid = false;
  bool arrow_start = false;
  int64_t arrow_width = 5;
  bool diagonal = false;
};

class PictureView : public View {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  bool auto_size = false;
  bool center = false;
  std::string file_link;
  int64_t image_index = 0;
  bool keep_aspect_ratio = true;
  Picture picture;
  bool stretched = true;
  bool hight_quality = false;
  bool transparent = false;
  int64_t transparent_color = kWhite;

  // ---- Printing (report/picture_data.cpp) ----
  // The template's picture and size come back after each printing.
  void before_print() override;
  void after_print() override;
  // The picture of this record: from the data field (a BLOB holding PNG, JPEG, BMP or GIF),
  // else from the file FileLink names (bracketed expressions filled first), else the
  // template's. A picture that cannot be drawn puts a notice in the report; AutoSize takes the
  // picture's size.
  void get_data() override;

 private:
  Picture m_saved_picture;
  double m_saved_width = 0, m_saved_height = 0;
  bool m_picture_saved = false;
  // The picture checked last, by its bytes' hash and size, with its pixel size: a template's
  // picture is decoded once, not on every record.
  size_t m_checked_hash = 0, m_checked_size = 0;
  int m_checked_width = 0, m_checked_height = 0;
};

class ShapeView : public View {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  int64_t curve = 0;
  ShapeKind shape = ShapeKind::Rectangle;
};

class Subreport : public View {
 public:
  Subreport();
  ~Subreport() override;
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  ReportPage* page_ref() const;
  // Also points the page back to this object.
  void set_page(ReportPage* page);
  bool print_on_parent = false;

 private:
  Ref<ReportPage> m_page;
};

// Registered object types. Their drawing belongs to the objects that print them; here they
// carry their stored properties. The chart is in report/chart.h.

// Two-dimensional codes. Stored as "Symbology", "ErrorLevel" (QR only) and "MatrixShape" (Data
// Matrix only); tables in the enumerations' order.
enum class Symbology2D : uint8_t { QrCode, DataMatrix, Pdf417, Aztec };
inline constexpr std::string_view kSymbology2DNames[] = {"syQRCode", "syDataMatrix", "syPDF417", "syAztec"};
enum class QrErrorLevel : uint8_t { L, M, Q, H };
inline constexpr std::string_view kQrErrorLevelNames[] = {"elLow", "elMedium", "elQuartile", "elHigh"};
enum class MatrixShape : uint8_t { Square, Rectangle };
inline constexpr std::string_view kMatrixShapeNames[] = {"msSquare", "msRectangle"};

class Barcode2DView : public View {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  Symbology2D symbology = Symbology2D::QrCode;
  std::string expression;
  std::string text;
  QrErrorLevel error_level = QrErrorLevel::M;
  MatrixShape matrix_shape = MatrixShape::Square;
  // Report pixels a module; 0 fits the code into the object, any other size sizes the object
  // to the code from its top-left corner.
  double module_size = 0;
  int64_t quiet_zone = -1;  // modules on every side; -1: the symbology's own
  int64_t rotation = 0;

  // As for one-dimensional barcodes: the text of each printing comes from the data field, the
  // expression or the brackets in Text, and the stored text is back for the next one.
  void before_print() override;
  void after_print() override;
  void get_data() override;

 private:
  std::string m_saved_text;
};

inline constexpr std::string_view kBarcodeTypeNames[] = {"bcCode_2_5_interleaved",
                                                         "bcCode_2_5_industrial",
                                                         "bcCode_2_5_matrix",
                                                         "bcCode39",
                                                         "bcCode39Extended",
                                                         "bcCode128",
                                                         "bcCode128A",
                                                         "bcCode128B",
                                                         "bcCode128C",
                                                         "bcCode93",
                                                         "bcCode93Extended",
                                                         "bcCodeMSI",
                                                         "bcCodePostNet",
                                                         "bcCodeCodabar",
                                                         "bcCodeEAN8",
                                                         "bcCodeEAN13",
                                                         "bcCodeUPC_A",
                                                         "bcCodeUPC_E0",
                                                         "bcCodeUPC_E1",
                                                         "bcCodeUPC_Supp2",
                                                         "bcCodeUPC_Supp5",
                                                         "bcCodeEAN128",
                                                         "bcCodeEAN128A",
                                                         "bcCodeEAN128B",
                                                         "bcCodeEAN128C"};

class BarCodeView : public View {
 public:
  BarCodeView();
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  int64_t bar_type = 3;  // bcCode39
  std::string expression;
  std::string text = "12345678";
  bool calc_check_sum = false;
  bool show_text = true;
  double wide_bar_ratio = 2;
  double zoom = 1;
  int64_t rotation = 0;
  HAlign halign = HAlign::Left;

  // The text of each printing comes from the data field, the expression or the brackets in
  // Text, and the stored text is back for the next one.
  void before_print() override;
  void after_print() override;
  void get_data() override;

 private:
  std::string m_saved_text;
};

enum class CheckStyle : uint8_t { Cross, Check, LineCross, Plus };
inline constexpr std::string_view kCheckStyleNames[] = {"csCross", "csCheck", "csLineCross", "csPlus"};
enum class UncheckStyle : uint8_t { Empty, Cross, LineCross, Minus };
inline constexpr std::string_view kUncheckStyleNames[] = {"usEmpty", "usCross", "usLineCross", "usMinus"};

class CheckBoxView : public View {
 public:
  CheckBoxView();
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  int64_t check_color = 0;
  bool checked = true;
  CheckStyle check_style = CheckStyle::Cross;
  UncheckStyle uncheck_style = UncheckStyle::Empty;
  std::string expression;

  // The value of each printing comes from the data field or the expression.
  void before_print() override;
  void after_print() override;
  void get_data() override;

 private:
  bool m_saved_checked = true;
};

// Aligns the child views of `parent` by their Align property within `width` × `height`.
void align_views(Component& parent, double width, double height);

}  // namespace orvena::report
