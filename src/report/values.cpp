#include "report/values.h"

#include <cmath>

#include "core/error.h"
#include "report/property_stream.h"

namespace orvena::report {

// ---- Font -----------------------------------------------------------------------------------

namespace {
// Windows MulDiv: a × b / c rounded to the nearest integer, halves away from zero.
int64_t mul_div(int64_t a, int64_t b, int64_t c) {
  double v = static_cast<double>(a) * static_cast<double>(b) / static_cast<double>(c);
  return static_cast<int64_t>(std::llround(v));
}
}  // namespace

bool operator==(const Font& a, const Font& b) {
  return a.name == b.name && a.height == b.height && a.color == b.color && a.style == b.style &&
         a.charset == b.charset && a.pitch == b.pitch;
}

bool operator==(const FrameLine& a, const FrameLine& b) {
  return a.color == b.color && a.style == b.style && a.width == b.width;
}

bool operator==(const Frame& a, const Frame& b) {
  return a.m_color == b.m_color && a.m_style == b.m_style && a.m_width == b.m_width &&
         a.drop_shadow == b.drop_shadow && a.shadow_color == b.shadow_color &&
         a.shadow_width == b.shadow_width && a.typ == b.typ && a.left_line == b.left_line &&
         a.top_line == b.top_line && a.right_line == b.right_line && a.bottom_line == b.bottom_line;
}

bool operator==(const BrushFill& a, const BrushFill& b) {
  return a.back_color == b.back_color && a.fore_color == b.fore_color && a.style == b.style;
}

bool operator==(const GradientFill& a, const GradientFill& b) {
  return a.start_color == b.start_color && a.end_color == b.end_color && a.gradient_style == b.gradient_style;
}

bool operator==(const GlassFill& a, const GlassFill& b) {
  return a.color == b.color && a.blend == b.blend && a.hatch == b.hatch && a.orientation == b.orientation;
}

bool operator==(const Hyperlink& a, const Hyperlink& b) {
  return a.kind == b.kind && a.detail_report == b.detail_report && a.detail_page == b.detail_page &&
         a.expression == b.expression && a.report_variable == b.report_variable &&
         a.tab_caption == b.tab_caption && a.value == b.value && a.values_separator == b.values_separator;
}

bool operator==(const DisplayFormat& a, const DisplayFormat& b) {
  return a.decimal_separator == b.decimal_separator && a.thousand_separator == b.thousand_separator &&
         a.format_str == b.format_str && a.kind == b.kind;
}

int Font::size() const {
  return static_cast<int>(-mul_div(height, 72, kUnitsPerInch));
}
void Font::set_size(int64_t points) {
  height = -mul_div(points, kUnitsPerInch, 72);
}

const ClassInfo& Font::static_class() {
  static const ClassInfo info(
      "TFont", nullptr,
      {
          integer("Charset", &Font::charset, std::nullopt),
          colour("Color", &Font::color, std::nullopt),
          integer("Height", &Font::height, std::nullopt),
          string("Name", &Font::name),
          enumeration("Pitch", &Font::pitch, kFontPitchNames, 0),
          ordinal_fn<Font>(
              "Size", PropKind::Integer, [](const Font& f) { return f.size(); },
              [](Font& f, int64_t v) { f.set_size(v); }, std::nullopt)
              .not_stored(),
          ordinal_member("Style", &Font::style, PropKind::Set, std::nullopt, kFontStyleNames),
      });
  return info;
}

// ---- Frame ----------------------------------------------------------------------------------

const ClassInfo& FrameLine::static_class() {
  static const ClassInfo info(
      "TrpFrameLine", nullptr,
      {
          colour("Color", &FrameLine::color, std::nullopt).stored_if([](const Persistent& o) {
            auto& l = static_cast<const FrameLine&>(o);
            return !l.frame || l.color != l.frame->color();
          }),
          enumeration("Style", &FrameLine::style, kFrameStyleNames, std::nullopt)
              .stored_if([](const Persistent& o) {
                auto& l = static_cast<const FrameLine&>(o);
                return !l.frame || l.style != l.frame->style();
              }),
          floating("Width", &FrameLine::width).stored_if([](const Persistent& o) {
            auto& l = static_cast<const FrameLine&>(o);
            return !l.frame || l.width != l.frame->width();
          }),
      });
  return info;
}

Frame::Frame() {
  adopt_lines();
}
Frame::Frame(const Frame& other)
    : drop_shadow(other.drop_shadow),
      shadow_color(other.shadow_color),
      shadow_width(other.shadow_width),
      typ(other.typ),
      left_line(other.left_line),
      top_line(other.top_line),
      right_line(other.right_line),
      bottom_line(other.bottom_line),
      m_color(other.m_color),
      m_style(other.m_style),
      m_width(other.m_width) {
  adopt_lines();
}

Frame& Frame::operator=(const Frame& other) {
  if (this != &other) {
    drop_shadow = other.drop_shadow;
    shadow_color = other.shadow_color;
    shadow_width = other.shadow_width;
    typ = other.typ;
    left_line = other.left_line;
    top_line = other.top_line;
    right_line = other.right_line;
    bottom_line = other.bottom_line;
    m_color = other.m_color;
    m_style = other.m_style;
    m_width = other.m_width;
    adopt_lines();
  }
  return *this;
}

void Frame::adopt_lines() {
  for (FrameLine* l : {&left_line, &top_line, &right_line, &bottom_line}) l->frame = this;
}

void Frame::set_color(int64_t c) {
  m_color = c;
  for (FrameLine* l : {&left_line, &top_line, &right_line, &bottom_line}) l->color = c;
}
void Frame::set_style(FrameStyle s) {
  m_style = s;
  for (FrameLine* l : {&left_line, &top_line, &right_line, &bottom_line}) l->style = s;
}
void Frame::set_width(double w) {
  m_width = w;
  for (FrameLine* l : {&left_line, &top_line, &right_line, &bottom_line}) l->width = w;
}

const ClassInfo& Frame::static_class() {
  static const ClassInfo info(
      "TrpFrame", nullptr,
      {
          ordinal_fn<Frame>(
              "Color", PropKind::Integer, [](const Frame& f) { return f.color(); },
              [](Frame& f, int64_t v) { f.set_color(v); }, 0)
              .as(PropRole::Color),
          boolean("DropShadow", &Frame::drop_shadow, false),
          colour("ShadowColor", &Frame::shadow_color, 0),
          floating("ShadowWidth", &Frame::shadow_width).stored_if([](const Persistent& o) {
            return static_cast<const Frame&>(o).shadow_width != 4;
          }),
          ordinal_fn<Frame>(
              "Style", PropKind::Enumeration, [](const Frame& f) { return f.style(); },
              [](Frame& f, int64_t v) { f.set_style(static_cast<FrameStyle>(v)); }, 0, kFrameStyleNames),
          set_of("Typ", &Frame::typ, kFrameTypNames),
          float_fn<Frame>(
              "Width", [](const Frame& f) { return f.width(); }, [](Frame& f, double v) { f.set_width(v); })
              .stored_if([](const Persistent& o) { return static_cast<const Frame&>(o).width() != 1; }),
          nested<Frame>("LeftLine", [](Frame& f) { return &f.left_line; }),
          nested<Frame>("TopLine", [](Frame& f) { return &f.top_line; }),
          nested<Frame>("RightLine", [](Frame& f) { return &f.right_line; }),
          nested<Frame>("BottomLine", [](Frame& f) { return &f.bottom_line; }),
      });
  return info;
}

// ---- Fills ----------------------------------------------------------------------------------

std::unique_ptr<Fill> Fill::create(FillType type) {
  switch (type) {
    case FillType::Gradient:
      return std::make_unique<GradientFill>();
    case FillType::Glass:
      return std::make_unique<GlassFill>();
    case FillType::Brush:
      break;
  }
  return std::make_unique<BrushFill>();
}

const ClassInfo& BrushFill::static_class() {
  static const ClassInfo info("TrpBrushFill", nullptr,
                              {
                                  colour("BackColor", &BrushFill::back_color, kNoColor),
                                  colour("ForeColor", &BrushFill::fore_color, 0),
                                  enumeration("Style", &BrushFill::style, kBrushStyleNames, 0),
                              });
  return info;
}

const ClassInfo& GradientFill::static_class() {
  static const ClassInfo info(
      "TrpGradientFill", nullptr,
      {
          colour("StartColor", &GradientFill::start_color, kWhite),
          colour("EndColor", &GradientFill::end_color, 0),
          enumeration("GradientStyle", &GradientFill::gradient_style, kGradientStyleNames, std::nullopt),
      });
  return info;
}

const ClassInfo& GlassFill::static_class() {
  static const ClassInfo info("TrpGlassFill", nullptr,
                              {
                                  colour("Color", &GlassFill::color, kWhite),
                                  floating("Blend", &GlassFill::blend),
                                  boolean("Hatch", &GlassFill::hatch, false),
                                  enumeration("Orientation", &GlassFill::orientation, kGlassOrientationNames,
                                              static_cast<int64_t>(GlassOrientation::Horizontal)),
                              });
  return info;
}

int64_t FillHolder::color() const {
  if (auto* b = dynamic_cast<const BrushFill*>(m_fill.get())) return b->back_color;
  return kNoColor;
}

void FillHolder::set_color(int64_t c) {
  set_type(FillType::Brush);
  static_cast<BrushFill&>(*m_fill).back_color = c;
}

// ---- Hyperlink, format, highlight ----------------------------------------------------------

const ClassInfo& Hyperlink::static_class() {
  static const ClassInfo info("TrpHyperlink", nullptr,
                              {
                                  enumeration("Kind", &Hyperlink::kind, kHyperlinkKindNames, 0),
                                  string("DetailReport", &Hyperlink::detail_report),
                                  string("DetailPage", &Hyperlink::detail_page),
                                  string("Expression", &Hyperlink::expression),
                                  string("ReportVariable", &Hyperlink::report_variable),
                                  string("TabCaption", &Hyperlink::tab_caption),
                                  string("Value", &Hyperlink::value),
                                  string("ValuesSeparator", &Hyperlink::values_separator),
                              });
  return info;
}

const ClassInfo& DisplayFormat::static_class() {
  static const ClassInfo info("TrpFormat", nullptr,
                              {
                                  string("DecimalSeparator", &DisplayFormat::decimal_separator),
                                  string("ThousandSeparator", &DisplayFormat::thousand_separator),
                                  string("FormatStr", &DisplayFormat::format_str),
                                  enumeration("Kind", &DisplayFormat::kind, kFormatKindNames, 0),
                              });
  return info;
}

const ClassInfo& Highlight::static_class() {
  static const ClassInfo info(
      "TrpHighlight", nullptr,
      {
          boolean("Active", &Highlight::active, false).not_stored(),
          boolean("ApplyFont", &Highlight::apply_font, true),
          boolean("ApplyFill", &Highlight::apply_fill, true),
          boolean("ApplyFrame", &Highlight::apply_frame, false),
          nested<Highlight>("Font", [](Highlight& h) { return &h.font; }),
          ordinal_fn<Highlight>(
              "Color", PropKind::Integer, [](const Highlight& h) { return h.fill.color(); },
              [](Highlight& h, int64_t v) { h.fill.set_color(v); }, kNoColor)
              .not_stored()
              .as(PropRole::Color),
          string("Condition", &Highlight::condition).as(PropRole::Expression),
          ordinal_fn<Highlight>(
              "FillType", PropKind::Enumeration, [](const Highlight& h) { return h.fill.type(); },
              [](Highlight& h, int64_t v) { h.fill.set_type(static_cast<FillType>(v)); }, 0, kFillTypeNames),
          nested<Highlight>("Fill", [](Highlight& h) { return &h.fill.fill(); }),
          nested<Highlight>("Frame", [](Highlight& h) { return &h.frame; }),
          boolean("Visible", &Highlight::visible, true),
      });
  return info;
}

// ---- Picture --------------------------------------------------------------------------------

namespace {

struct PictureClass {
  std::string_view name;
  PictureKind kind;
  bool counted;  // a 32-bit byte count precedes the file
};

// Ordered as PictureKind (None has no class).
constexpr PictureClass kPictureClasses[] = {
    {"", PictureKind::None, false},          {"TBitmap", PictureKind::Bitmap, true},
    {"TJPEGImage", PictureKind::Jpeg, true}, {"TMetafile", PictureKind::Metafile, true},
    {"TPngImage", PictureKind::Png, false},  {"TGIFImage", PictureKind::Gif, false},
};

}  // namespace

const ClassInfo& Picture::static_class() {
  static const ClassInfo info("TPicture", nullptr, {});
  return info;
}

std::string Picture::encode() const {
  const PictureClass& c = kPictureClasses[static_cast<size_t>(kind)];
  std::string out;
  out.push_back(static_cast<char>(c.name.size()));
  out.append(c.name);
  if (kind == PictureKind::None) return out;
  if (c.counted) {
    uint32_t n = static_cast<uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  }
  out.append(bytes);
  return out;
}

void Picture::decode(std::string_view block) {
  if (block.empty()) throw core::Error("Stream read error");
  size_t n = static_cast<unsigned char>(block[0]);
  if (block.size() < 1 + n) throw core::Error("Stream read error");
  std::string_view class_name = block.substr(1, n);
  std::string_view rest = block.substr(1 + n);
  for (const PictureClass& c : kPictureClasses) {
    if (c.name != class_name) continue;
    if (c.counted) {
      if (rest.size() < 4) throw core::Error("Stream read error");
      uint32_t count = 0;
      for (int i = 0; i < 4; ++i)
        count |= static_cast<uint32_t>(static_cast<unsigned char>(rest[i])) << (8 * i);
      if (rest.size() - 4 < count) throw core::Error("Stream read error");
      rest = rest.substr(4, count);
    }
    kind = c.kind;
    bytes.assign(c.kind == PictureKind::None ? std::string_view() : rest);
    return;
  }
  throw core::Error("Unsupported picture class " + std::string(class_name));
}

void Picture::write_defined(PropertyStreamWriter& out) const {
  if (!empty()) out.write_binary("Data", encode());
}

bool Picture::read_defined(std::string_view name, PropertyStreamReader& in) {
  if (name != "Data") return false;
  decode(in.read_binary());
  return true;
}

}  // namespace orvena::report
