#include "report/views.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "core/text.h"
#include "report/common_props_p.h"
#include "report/pages.h"
#include "report/serializer.h"
#include "report/xml_document.h"

namespace orvena::report {
namespace {

template <class T>
std::unique_ptr<Component> make() {
  return std::make_unique<T>();
}

// ---- Entries shared by several view classes ---------------------------------------------------

PropInfo p_cursor() {
  return integer("Cursor", &View::cursor, 0);
}
PropInfo p_tag_str() {
  return string("TagStr", &View::tag_str);
}
PropInfo p_url() {
  return string("URL", &View::url).not_stored();
}
PropInfo p_frame() {
  return nested<View>("Frame", [](View& v) { return &v.frame; });
}
PropInfo p_fill_type() {
  return ordinal_fn<View>(
      "FillType", PropKind::Enumeration, [](const View& v) { return v.fill.type(); },
      [](View& v, int64_t t) { v.fill.set_type(static_cast<FillType>(t)); }, 0, kFillTypeNames);
}
PropInfo p_fill() {
  return nested<View>("Fill", [](View& v) { return &v.fill.fill(); });
}
PropInfo p_color_ns() {
  return ordinal_fn<View>(
             "Color", PropKind::Integer, [](const View& v) { return v.fill.color(); },
             [](View& v, int64_t c) { v.fill.set_color(c); }, kNoColor)
      .not_stored()
      .as(PropRole::Color);
}
PropInfo p_brush_style_ns() {
  return ordinal_fn<View>(
             "BrushStyle", PropKind::Enumeration,
             [](const View& v) {
               auto* b = dynamic_cast<const BrushFill*>(&v.fill.fill());
               return b ? b->style : BrushStyle::Solid;
             },
             [](View& v, int64_t s) {
               v.fill.set_type(FillType::Brush);
               static_cast<BrushFill&>(v.fill.fill()).style = static_cast<BrushStyle>(s);
             },
             0, kBrushStyleNames)
      .not_stored();
}
PropInfo p_data_field() {
  return string("DataField", &View::data_field);
}
PropInfo p_data_set() {
  return data_set_prop(&View::data);
}
PropInfo p_data_set_name() {
  return data_set_name_prop(&View::data);
}

}  // namespace

// The font of a component, stored only when it does not take its parent's.
PropInfo font_prop(bool only_own) {
  PropInfo p = nested<Component>("Font", [](Component& c) { return &c.font_for_update(); });
  if (only_own)
    p.stored = [](const Persistent& o) { return !static_cast<const Component&>(o).parent_font(); };
  return p;
}

PropInfo parent_font_prop() {
  return ordinal_fn<Component>(
      "ParentFont", PropKind::Boolean, [](const Component& c) { return c.parent_font(); },
      [](Component& c, int64_t v) { c.set_parent_font(v != 0); }, 1, kBooleanNames);
}

PropInfo geometry_prop(std::string_view name) {
  if (name == "Left")
    return float_fn<Component>(
               name, [](const Component& c) { return c.left(); },
               [](Component& c, double v) { c.set_left(v); })
        .as(PropRole::Length);
  if (name == "Top")
    return float_fn<Component>(
               name, [](const Component& c) { return c.top(); }, [](Component& c, double v) { c.set_top(v); })
        .as(PropRole::Length);
  if (name == "Width")
    return float_fn<Component>(
               name, [](const Component& c) { return c.width(); },
               [](Component& c, double v) { c.set_width(v); })
        .as(PropRole::Size);
  return float_fn<Component>(
             name, [](const Component& c) { return c.height(); },
             [](Component& c, double v) { c.set_height(v); })
      .as(PropRole::Size);
}

// ---- View -----------------------------------------------------------------------------------

View::View() {
  style_flags |= kDefaultDiff;
}

const ClassInfo& View::static_class() {
  static const ClassInfo info(
      "TrpView", &ReportComponent::static_class(),
      {
          enumeration("Align", &View::align, kAlignNames, 0),
          ordinal_fn<View>(
              "Printable", PropKind::Boolean, [](const View& v) { return v.printable(); },
              [](View& v, int64_t b) { v.set_printable(b != 0); }, 1, kBooleanNames)
              .not_stored(),
          enumeration("ShiftMode", &View::shift_mode, kShiftModeNames,
                      static_cast<int64_t>(ShiftMode::Always)),
          geometry_prop("Left"),
          geometry_prop("Top"),
          geometry_prop("Width"),
          geometry_prop("Height"),
          integer("GroupIndex", &View::group_index, 0),
          set_of("Restrictions", &Component::restrictions, kRestrictionNames),
          boolean("Visible", &Component::visible, true),
          event("OnAfterData", &View::on_after_data),
          event("OnAfterPrint", &View::on_after_print),
          event("OnBeforePrint", &View::on_before_print),
          event("OnMouseEnter", &View::on_mouse_enter),
          event("OnMouseLeave", &View::on_mouse_leave),
          event("OnMouseDown", &View::on_mouse_down),
          event("OnMouseMove", &View::on_mouse_move),
          event("OnMouseUp", &View::on_mouse_up),
          event("OnPreviewClick", &View::on_preview_click),
          event("OnPreviewDblClick", &View::on_preview_dbl_click),
          nested<View>("Hyperlink", [](View& v) { return &v.hyperlink; }),
          string("Hint", &View::hint),
          boolean("ShowHint", &View::show_hint, false),
          set_of("Visibility", &View::visibility, kVisibilityNames, kVisPreview | kVisExport | kVisPrint),
      });
  return info;
}

void View::before_print() {
  ReportComponent::before_print();
  saved_tag_str = tag_str;
  saved_hyperlink_value = hyperlink.value;
  saved_url = url;
}

void View::after_print() {
  ReportComponent::after_print();
  tag_str = saved_tag_str;
  hyperlink.value = saved_hyperlink_value;
  url = saved_url;
}

const ClassInfo& Stretcheable::static_class() {
  static const ClassInfo info(
      "TrpStretcheable", &View::static_class(),
      {enumeration("StretchMode", &Stretcheable::stretch_mode, kStretchModeNames, 0)});
  return info;
}

// ---- Text objects -----------------------------------------------------------------------------

CustomMemoView::CustomMemoView() {
  style_flags = (style_flags & ~kDefaultDiff) | kHandlesNestedProperties;
}

std::string CustomMemoView::text() const {
  std::string out;
  for (size_t i = 0; i < memo.size(); ++i) {
    if (i) out += "\r\n";
    out += memo[i];
  }
  return out;
}

void CustomMemoView::set_text(std::string_view text) {
  // A filled field is one line: its storage is reused from the last printing. (Only from a
  // one-line text, which `text` may be a part of, but not a part of a line dropped here.)
  bool one_line =
      !text.empty() && std::none_of(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; });
  if (memo.size() <= 1 && one_line) {
    memo.resize(1);
    memo[0].assign(text);
    return;
  }
  memo = core::split_lines(text);
}

DisplayFormat& CustomMemoView::display_format() {
  if (formats.empty()) formats.push_back(std::make_unique<DisplayFormat>());
  return *formats.front();
}

Highlight& CustomMemoView::highlight() {
  if (highlights.empty()) highlights.push_back(std::make_unique<Highlight>());
  return *highlights.front();
}

void CustomMemoView::write_nested(XmlItem& item, const Serializer& s) const {
  // A single entry is written as DisplayFormat./Highlight. attributes instead.
  auto write = [&](std::string_view name, const auto& list) {
    if (list.size() < 2) return;
    XmlItem& coll = item.add(name);
    for (auto& entry : list) coll.add("item").text = s.obj_to_xml(*entry);
  };
  write("Formats", formats);
  write("Highlights", highlights);
}

bool CustomMemoView::read_nested(const XmlItem& child, Serializer& s) {
  auto read = [&](auto& list) {
    list.clear();
    for (auto& entry : child.items()) {
      if (!core::equals_ignore_case(entry->name, "item")) continue;
      list.push_back(std::make_unique<typename std::decay_t<decltype(list)>::value_type::element_type>());
      s.apply(entry->text, *list.back(), entry.get());
    }
    return true;
  };
  if (core::equals_ignore_case(child.name, "Formats")) return read(formats);
  if (core::equals_ignore_case(child.name, "Highlights")) return read(highlights);
  return false;
}

void CustomMemoView::copy_collections(const Component& source) {
  auto& from = static_cast<const CustomMemoView&>(source);
  memo = from.memo;
  formats.clear();
  for (auto& f : from.formats) formats.push_back(std::make_unique<DisplayFormat>(*f));
  highlights.clear();
  for (auto& h : from.highlights) highlights.push_back(std::make_unique<Highlight>(*h));
}

const ClassInfo& CustomMemoView::static_class() {
  static const ClassInfo info("TrpCustomMemoView", &Stretcheable::static_class(), {});
  return info;
}

namespace {

template <class C>
bool differs(const Persistent& o, double C::*m, double def) {
  return static_cast<const C&>(o).*m != def;
}

// The text object's entries in writing order; system text leaves some out.
std::vector<PropInfo> memo_props(bool system_text) {
  using M = CustomMemoView;
  std::vector<PropInfo> all = {
      boolean("FirstParaBreak", &M::first_para_break, false),
      boolean("LastParaBreak", &M::last_para_break, false),
      p_cursor(),
      p_tag_str(),
      p_url(),
      boolean("AutoWidth", &M::auto_width, false),
      boolean("AllowExpressions", &M::allow_expressions, true),
      boolean("AllowHTMLTags", &M::allow_html_tags, false),
      p_brush_style_ns(),
      floating("CharSpacing", &M::char_spacing).stored_if([](const Persistent& o) {
        return differs(o, &M::char_spacing, 0);
      }),
      boolean("Clipped", &M::clipped, true),
      p_color_ns(),
      p_data_field(),
      p_data_set(),
      p_data_set_name(),
      nested<M>("DisplayFormat", [](M& m) { return &m.display_format(); })
          .stored_if([](const Persistent& o) { return static_cast<const M&>(o).formats.size() == 1; })
          .on_demand(),
      string("ExpressionDelimiters", &M::expression_delimiters).stored_if([](const Persistent& o) {
        return static_cast<const M&>(o).expression_delimiters != "[,]";
      }),
      reference_fn<M>(
          "FlowTo", [](const M& m) -> Component* { return m.flow_to.get(); },
          [](M& m, Component* c) { m.flow_to.reset(dynamic_cast<CustomMemoView*>(c)); })
          .referring_to(&CustomMemoView::static_class),
      font_prop(true),
      p_frame(),
      p_fill_type(),
      p_fill(),
      floating("GapX", &M::gap_x)
          .stored_if([](const Persistent& o) { return differs(o, &M::gap_x, 2); })
          .as(PropRole::Length),
      floating("GapY", &M::gap_y)
          .stored_if([](const Persistent& o) { return differs(o, &M::gap_y, 1); })
          .as(PropRole::Length),
      enumeration("HAlign", &M::halign, kHAlignNames, 0),
      boolean("HideZeros", &M::hide_zeros, false),
      nested<M>("Highlight", [](M& m) { return &m.highlight(); })
          .stored_if([](const Persistent& o) {
            auto& m = static_cast<const M&>(o);
            return m.highlights.size() == 1 && !core::trim(m.highlights.front()->condition).empty();
          })
          .on_demand(),
      floating("LineSpacing", &M::line_spacing).stored_if([](const Persistent& o) {
        return differs(o, &M::line_spacing, 2);
      }),
      lines("Memo", &M::memo).not_stored(),  // written as the Text attribute
      floating("ParagraphGap", &M::paragraph_gap).stored_if([](const Persistent& o) {
        return differs(o, &M::paragraph_gap, 0);
      }),
      parent_font_prop(),
      integer("Rotation", &M::rotation, 0),
      boolean("RTLReading", &M::rtl_reading, false),
      string("Style", &M::style),
      boolean("SuppressRepeated", &M::suppress_repeated, false),
      boolean("Underlines", &M::underlines, false),
      boolean("UseDefaultCharset", &M::use_default_charset, false),
      boolean("WordBreak", &M::word_break, false),
      boolean("WordWrap", &M::word_wrap, true),
      boolean("Wysiwyg", &M::wysiwyg, true),
      enumeration("VAlign", &M::valign, kVAlignNames, 0),
  };
  if (!system_text) return all;
  static const std::set<std::string_view> kLeftOut = {
      "AllowExpressions", "AllowHTMLTags", "BrushStyle",           "Clipped",   "DataField",
      "DataSet",          "DataSetName",   "ExpressionDelimiters", "FlowTo",    "LineSpacing",
      "ParagraphGap",     "Underlines",    "UseDefaultCharset",    "WordBreak", "Wysiwyg"};
  std::vector<PropInfo> kept;
  for (auto& p : all)
    if (!kLeftOut.count(p.name)) kept.push_back(std::move(p));
  return kept;
}

}  // namespace

const ClassInfo& MemoView::static_class() {
  static const ClassInfo info("TrpMemoView", &CustomMemoView::static_class(), memo_props(false),
                              make<MemoView>);
  return info;
}

const ClassInfo& SysMemoView::static_class() {
  static const ClassInfo info("TrpSysMemoView", &CustomMemoView::static_class(), memo_props(true),
                              make<SysMemoView>);
  return info;
}

// ---- Lines, pictures, shapes ----------------------------------------------------------------

const ClassInfo& CustomLineView::static_class() {
  static const ClassInfo info("TrpCustomLineView", &Stretcheable::static_class(), {});
  return info;
}

const ClassInfo& LineView::static_class() {
  static const ClassInfo info("TrpLineView", &CustomLineView::static_class(),
                              {
                                  colour("Color", &CustomLineView::color, kNoColor),
                                  p_tag_str(),
                                  boolean("ArrowEnd", &LineView::arrow_end, false),
                                  integer("ArrowLength", &LineView::arrow_length, 20),
                                  boolean("ArrowSolid", &LineView::arrow_solid, false),
                                  boolean("ArrowStart", &LineView::arrow_start, false),
                                  integer("ArrowWidth", &LineView::arrow_width, 5),
                                  p_frame(),
                                  boolean("Diagonal", &LineView::diagonal, false),
                              },
                              make<LineView>);
  return info;
}

const ClassInfo& PictureView::static_class() {
  using P = PictureView;
  static const ClassInfo info("TrpPictureView", &View::static_class(),
                              {
                                  p_cursor(),
                                  boolean("AutoSize", &P::auto_size, false),
                                  boolean("Center", &P::center, false),
                                  p_data_field(),
                                  p_data_set(),
                                  p_data_set_name(),
                                  p_frame(),
                                  p_fill_type(),
                                  p_fill(),
                                  string("FileLink", &P::file_link),
                                  integer("ImageIndex", &P::image_index, std::nullopt),
                                  boolean("KeepAspectRatio", &P::keep_aspect_ratio, true),
                                  nested<P>("Picture", [](P& p) { return &p.picture; }),
                                  boolean("Stretched", &P::stretched, true),
                                  p_tag_str(),
                                  p_url(),
                                  boolean("HightQuality", &P::hight_quality, std::nullopt),
                                  boolean("Transparent", &P::transparent, std::nullopt),
                                  colour("TransparentColor", &P::transparent_color, std::nullopt),
                              },
                              make<PictureView>);
  return info;
}

const ClassInfo& ShapeView::static_class() {
  static const ClassInfo info("TrpShapeView", &View::static_class(),
                              {
                                  p_color_ns(),
                                  p_cursor(),
                                  integer("Curve", &ShapeView::curve, 0),
                                  p_fill_type(),
                                  p_fill(),
                                  p_frame(),
                                  enumeration("Shape", &ShapeView::shape, kShapeKindNames, 0),
                                  p_tag_str(),
                                  p_url(),
                              },
                              make<ShapeView>);
  return info;
}

// ---- Sub-report -----------------------------------------------------------------------------

Subreport::Subreport() {
  style_flags &= ~kPreviewVisible;
  frame.typ = kFrameLeft | kFrameRight | kFrameTop | kFrameBottom;
  Font f;
  f.name = "Tahoma";
  f.set_size(8);
  set_font(f);
  fill.set_color(12632256);
}

Subreport::~Subreport() = default;

ReportPage* Subreport::page_ref() const {
  return m_page.get();
}

void Subreport::set_page(ReportPage* page) {
  m_page.reset(page);
  if (page) page->subreport.reset(this);
}

const ClassInfo& Subreport::static_class() {
  static const ClassInfo info(
      "TrpSubreport", &View::static_class(),
      {
          reference_fn<Subreport>(
              "Page", [](const Subreport& s) -> Component* { return s.page_ref(); },
              [](Subreport& s, Component* c) { s.set_page(dynamic_cast<ReportPage*>(c)); })
              .referring_to(&ReportPage::static_class),
          boolean("PrintOnParent", &Subreport::print_on_parent, false),
      },
      make<Subreport>);
  return info;
}

// ---- Registered object types ----------------------------------------------------------------

std::vector<PropInfo> bound_view_props() {
  return {p_cursor(),    p_data_field(), p_data_set(), p_data_set_name(),
          p_fill_type(), p_fill(),       p_frame(),    p_tag_str()};
}

const ClassInfo& Barcode2DView::static_class() {
  static const ClassInfo info(
      "TrpBarcode2DView", &View::static_class(),
      [] {
        using B = Barcode2DView;
        auto v = bound_view_props();
        v.push_back(font_prop(false));
        v.push_back(enumeration("Symbology", &B::symbology, kSymbology2DNames, 0));
        v.push_back(string("Expression", &B::expression));
        v.push_back(string("Text", &B::text));
        v.push_back(enumeration("ErrorLevel", &B::error_level, kQrErrorLevelNames, 1));
        v.push_back(enumeration("MatrixShape", &B::matrix_shape, kMatrixShapeNames, 0));
        v.push_back(floating("ModuleSize", &B::module_size));
        v.push_back(integer("QuietZone", &B::quiet_zone, -1));
        v.push_back(integer("Rotation", &B::rotation, 0));
        return v;
      }(),
      make<Barcode2DView>);
  return info;
}

BarCodeView::BarCodeView() {
  Font f;
  f.set_size(9);
  set_font(f);
}

const ClassInfo& BarCodeView::static_class() {
  using B = BarCodeView;
  static const ClassInfo info(
      "TrpBarCodeView", &View::static_class(),
      [] {
        auto v = bound_view_props();
        v.push_back(font_prop(false));
        v.push_back(enumeration("BarType", &B::bar_type, kBarcodeTypeNames, 3));
        v.push_back(string("Expression", &B::expression));
        v.push_back(string("Text", &B::text));
        v.push_back(boolean("CalcCheckSum", &B::calc_check_sum, false));
        v.push_back(boolean("ShowText", &B::show_text, true));
        v.push_back(floating("WideBarRatio", &B::wide_bar_ratio));
        v.push_back(floating("Zoom", &B::zoom));
        v.push_back(integer("Rotation", &B::rotation, 0));
        v.push_back(enumeration("HAlign", &B::halign, kHAlignNames, 0));
        return v;
      }(),
      make<BarCodeView>);
  return info;
}

CheckBoxView::CheckBoxView() {
  set_width(5 * kUnitsPerMm);
  set_height(5 * kUnitsPerMm);
}

const ClassInfo& CheckBoxView::static_class() {
  using X = CheckBoxView;
  static const ClassInfo info("TrpCheckBoxView", &View::static_class(),
                              {
                                  p_brush_style_ns(),
                                  colour("CheckColor", &X::check_color, 0),
                                  boolean("Checked", &X::checked, true),
                                  enumeration("CheckStyle", &X::check_style, kCheckStyleNames, std::nullopt),
                                  p_color_ns(),
                                  p_cursor(),
                                  p_data_field(),
                                  p_data_set(),
                                  p_data_set_name(),
                                  string("Expression", &X::expression),
                                  p_frame(),
                                  p_tag_str(),
                                  enumeration("UncheckStyle", &X::uncheck_style, kUncheckStyleNames, 0),
                                  p_url(),
                              },
                              make<CheckBoxView>);
  return info;
}

// ---- Aligning children ----------------------------------------------------------------------

namespace {

// Sort key: "1" and Left as %9.2f for Left >= 0, "0" and -Left for negative Left.
std::string left_key(double left) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%c%9.2f", left >= 0 ? '1' : '0', left >= 0 ? left : -left);
  return buf;
}

bool overlap_vertically(const View& a, const View& b) {
  double at = a.abs_top(), bt = b.abs_top();
  return !(at >= bt + b.height() - 0.0001) && !(bt >= at + a.height() - 0.0001);
}

// Left and right alignment against the nearest overlapping neighbour in the order of Left.
void align_sides(const std::vector<View*>& views, double width) {
  std::vector<std::pair<std::string, View*>> keyed;
  for (View* v : views) keyed.emplace_back(left_key(v->left()), v);
  std::stable_sort(keyed.begin(), keyed.end(), [](auto& a, auto& b) { return a.first < b.first; });
  std::vector<View*> sorted;
  for (auto& k : keyed) sorted.push_back(k.second);

  for (size_t i = 0; i < sorted.size(); ++i) {
    View* v = sorted[i];
    if (v->align != Align::Left && v->align != Align::Width) continue;
    const View* found = nullptr;
    for (size_t j = i; j-- > 0;) {
      const View* c = sorted[j];
      if (v->align == Align::Width && c->left() > v->left()) continue;
      if (overlap_vertically(*v, *c)) {
        found = c;
        break;
      }
    }
    v->set_left(found ? found->left() + found->width() : 0);
  }

  for (size_t i = sorted.size(); i-- > 0;) {
    View* v = sorted[i];
    if (v->align != Align::Right && v->align != Align::Width) continue;
    const View* found = nullptr;
    for (size_t j = i + 1; j < sorted.size(); ++j) {
      const View* c = sorted[j];
      if (v->align == Align::Width && c->left() + c->width() < v->left() + v->width()) continue;
      if (overlap_vertically(*v, *c)) {
        found = c;
        break;
      }
    }
    double edge = found ? found->left() : width;
    if (v->align == Align::Right)
      v->set_left(edge - v->width());
    else
      v->set_width(edge - v->left());
  }
}

}  // namespace

void align_views(Component& parent, double width, double height) {
  // Every prepared page is aligned again when it is rebuilt, and almost nothing on it is
  // aligned: the views are only gathered (and sorted) when one of them asks for it.
  auto align_of = [](const Component& c) {
    return c.is(View::static_class()) ? static_cast<const View&>(c).align : Align::None;
  };
  bool aligned = false;
  for (auto& c : parent.objects())
    if (align_of(*c) != Align::None) {
      aligned = true;
      break;
    }
  if (!aligned) return;
  std::vector<View*> views;
  bool side_aligned = false;
  for (auto& c : parent.objects()) {
    if (!c->is(View::static_class())) continue;
    auto* v = static_cast<View*>(c.get());
    views.push_back(v);
    side_aligned |= v->align == Align::Left || v->align == Align::Right || v->align == Align::Width;
  }
  if (side_aligned) align_sides(views, width);

  for (View* v : views) {
    switch (v->align) {
      case Align::Center:
        v->set_left((width - v->width()) / 2);
        break;
      case Align::Bottom:
        v->set_top(height - v->height());
        break;
      case Align::Client:
        v->set_bounds(0, 0, width, height);
        break;
      default:
        break;
    }
  }
}

void Component::align_children() {
  align_views(*this, width(), height());
}

}  // namespace orvena::report
