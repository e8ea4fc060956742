#include "report/prepared/records.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "report/bands.h"
#include "report/prepared/picture_cache.h"
#include "report/serializer.h"
#include "report/views.h"
#include "report/xml_document.h"

namespace orvena::report::prepared {

namespace {

constexpr double kGeometryTolerance = 0.0001;
constexpr double kFloatTolerance = 0.000001;

// What a record compares. Bands say where they printed and their common state; text objects
// what printing changes in them (text, geometry, the looks highlights and styles set, split
// flags); other views everything they store, being few and small. Data binding and references
// are never recorded: copies have none.
constexpr std::string_view kBandState[] = {"Visible",  "ParentFont", "Font",     "Tag",
                                           "FillType", "Fill",       "DrillName"};
constexpr std::string_view kTextState[] = {
    "Visible",     "ParentFont",    "Font",           "Tag",          "Align",      "Frame",
    "Cursor",      "Visibility",    "TagStr",         "FillType",     "Fill",       "Hyperlink",
    "AutoWidth",   "CharSpacing",   "GapX",           "GapY",         "HAlign",     "VAlign",
    "LineSpacing", "ParagraphGap",  "Rotation",       "RTLReading",   "Underlines", "UseDefaultCharset",
    "WordWrap",    "DisplayFormat", "FirstParaBreak", "LastParaBreak"};
// Geometry is written in short form first; pictures go to the picture cache.
constexpr std::string_view kNeverCompared[] = {"Left",      "Top",         "Width",   "Height",
                                               "DataField", "DataSetName", "Picture", "ImageIndex"};

template <size_t N>
bool listed(std::string_view name, const std::string_view (&list)[N]) {
  for (auto n : list)
    if (n == name) return true;
  return false;
}

bool compared_property(const ClassInfo& cls, const PropInfo& p, bool top_level) {
  if (p.never_stored || p.kind == PropKind::Reference) return false;
  if (!top_level) return true;
  if (cls.inherits(Band::static_class())) return listed(p.name, kBandState);
  if (cls.inherits(CustomMemoView::static_class())) return listed(p.name, kTextState);
  return !listed(p.name, kNeverCompared);
}

// The properties a class's records compare, worked out once per class and thread (no lock). A
// record looks this up for the object and each nested value object, so the table is a short
// array searched in order rather than a hash map.
const std::vector<const PropInfo*>& compared(const ClassInfo& cls, bool top_level) {
  struct Plan {
    const ClassInfo* cls;
    bool top_level;
    std::vector<const PropInfo*> props;
  };
  thread_local std::vector<std::unique_ptr<Plan>> plans;
  for (auto& plan : plans)
    if (plan->cls == &cls && plan->top_level == top_level) return plan->props;
  auto plan = std::make_unique<Plan>(Plan{&cls, top_level, {}});
  for (const PropInfo* p : cls.all)
    if (compared_property(cls, *p, top_level)) plan->props.push_back(p);
  plans.push_back(std::move(plan));
  return plans.back()->props;
}

// Value objects that are equal as a whole need no walk through their tables; most of a printed
// text object's frame, fill and hyperlink are as the template had them. The class is asked for
// once per side: these run for every nested object of every record.
template <class T>
bool same_as(const ClassInfo& cls, const Persistent& a, const Persistent& b) {
  static const ClassInfo* const info = &T::static_class();
  return &cls == info && static_cast<const T&>(a) == static_cast<const T&>(b);
}

bool equal_values(const Persistent& a, const Persistent& b) {
  const ClassInfo& cls = a.class_info();
  if (&cls != &b.class_info()) return false;
  return same_as<BrushFill>(cls, a, b) || same_as<Hyperlink>(cls, a, b) || same_as<Frame>(cls, a, b) ||
         same_as<Font>(cls, a, b) || same_as<DisplayFormat>(cls, a, b) || same_as<GradientFill>(cls, a, b) ||
         same_as<GlassFill>(cls, a, b);
}

// Whether `value` equals a default-constructed object of its class and such an object writes no
// attribute: its full form is then empty and need not be built. Text objects make a display
// format on demand while formatting, left as it was made in most of them.
template <class T>
bool is_silent_default(const Persistent& value) {
  if (&value.class_info() != &T::static_class()) return false;
  static const T blank;
  static const bool silent = Serializer(nullptr).obj_to_xml(blank).empty();
  return silent && static_cast<const T&>(value) == blank;
}

bool writes_nothing(const Persistent& value) {
  return is_silent_default<DisplayFormat>(value) || is_silent_default<Hyperlink>(value) ||
         is_silent_default<BrushFill>(value) || is_silent_default<Frame>(value) ||
         is_silent_default<Font>(value) || is_silent_default<GradientFill>(value) ||
         is_silent_default<GlassFill>(value);
}

// `prefix` is a buffer the nested objects' names are appended to and taken off again.
void append_differences(std::string& out, const Persistent& printed, const Persistent& copy,
                        std::string& prefix, bool top_level) {
  for (const PropInfo* p : compared(printed.class_info(), top_level)) {
    // Most properties of a printed object are as in its copy: settle those without the getters.
    if (p->same && p->same(printed, copy)) continue;
    switch (p->kind) {
      case PropKind::Integer:
      case PropKind::Boolean:
      case PropKind::Enumeration:
      case PropKind::Set: {
        int64_t v = p->get_ordinal(printed);
        if (v != p->get_ordinal(copy)) append_attr(out, prefix, p->name, format_ordinal_value(*p, v));
        break;
      }
      case PropKind::Float: {
        double v = p->get_float(printed);
        if (std::abs(v - p->get_float(copy)) > kFloatTolerance)
          append_attr(out, prefix, p->name, format_float_value(v));
        break;
      }
      case PropKind::String: {
        std::string v = p->get_string(printed);
        if (v != p->get_string(copy)) append_attr(out, prefix, p->name, escape_value(v));
        break;
      }
      case PropKind::StringList: {
        auto v = p->get_lines(printed);
        if (v != p->get_lines(copy))
          append_attr(out, prefix, std::string(p->name) + ".Text", escape_value(join_text_lines(v)));
        break;
      }
      case PropKind::Object: {
        // Objects made on demand (a single display format) are only asked for where they exist.
        if (!p->is_stored(printed)) break;
        const Persistent& value = *p->object(printed);
        const Persistent* base = p->is_stored(copy) ? p->object(copy) : nullptr;
        if (base ? equal_values(value, *base) : writes_nothing(value)) break;
        size_t length = prefix.size();
        prefix.append(p->name).push_back('.');
        if (base)
          append_differences(out, value, *base, prefix, false);
        else
          out += Serializer(nullptr).obj_to_xml(value, prefix);
        prefix.resize(length);
        break;
      }
      case PropKind::Reference:
        break;
    }
  }
}

// Rows put the same positions on every page; formatting a float is the dearest step of a record,
// so recent values are remembered (a small direct-mapped table per thread).
const std::string& geometry_text(double v) {
  struct Slot {
    double value = 0;
    std::string text = "0";
  };
  thread_local Slot slots[512];
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  Slot& slot = slots[(bits ^ (bits >> 29) ^ (bits >> 47)) % 512];
  if (slot.value != v || std::signbit(slot.value) != std::signbit(v)) {
    slot.value = v;
    slot.text = format_float_value(v);
  }
  return slot.text;
}

void append_geometry(std::string& out, const Component& printed, const Component& copy, bool band) {
  auto put = [&](std::string_view name, double v, double base, bool always) {
    if (always || std::abs(v - base) > kGeometryTolerance) append_attr(out, {}, name, geometry_text(v));
  };
  put("l", printed.left(), copy.left(), false);
  put("t", printed.top(), copy.top(), band);
  put("w", printed.width(), copy.width(), false);
  put("h", printed.height(), copy.height(), false);
}

// What a record adds by the object's class, looked up once per record.
struct RecordKind {
  explicit RecordKind(const Component& object) {
    const ClassInfo& cls = object.class_info();
    band = cls.inherits(Band::static_class());
    text = !band && cls.inherits(CustomMemoView::static_class());
    picture = !band && !text && cls.inherits(PictureView::static_class());
  }
  bool band, text, picture;
};

void append_picture(std::string& out, const Component& printed, RecordKind kind, PictureCache& pictures) {
  if (kind.picture)
    append_attr(out, {}, "ImageIndex",
                std::to_string(pictures.add(static_cast<const PictureView&>(printed).picture)));
}

// The highlight whose condition held, by its 1-based place in the list. Readers that do not know
// the attribute ignore it and still show the highlight's looks, which the record holds as
// differences like any other.
void append_highlight(std::string& out, const Component& printed, RecordKind kind) {
  if (!kind.text) return;
  const auto& highlights = static_cast<const CustomMemoView&>(printed).highlights;
  for (size_t i = 0; i < highlights.size(); ++i)
    if (highlights[i]->active) return append_attr(out, {}, kActiveHighlight, std::to_string(i + 1));
}

// The URL a script or expression gave the object: templates never store it, but the writers
// link by it, so the record keeps it.
void append_url(std::string& out, const Component& printed, const Component* copy) {
  auto* view = dynamic_cast<const View*>(&printed);
  if (!view || view->url.empty()) return;
  auto* base = dynamic_cast<const View*>(copy);
  if (!base || base->url != view->url) append_attr(out, {}, "URL", escape_value(view->url));
}

}  // namespace

std::string record_differences(const Component& printed, const Component& copy, RecordDetail detail,
                               PictureCache& pictures) {
  // Built in a buffer kept for the thread, then copied out at its exact size: records stay in
  // memory for the whole run, and most are short enough to need no allocation of their own.
  thread_local std::string out;
  thread_local std::string prefix;
  out.clear();
  RecordKind kind(printed);
  append_geometry(out, printed, copy, kind.band);
  if (detail == RecordDetail::Geometry) {
    if (printed.visible != copy.visible) append_attr(out, {}, "Visible", printed.visible ? "True" : "False");
    return out;
  }
  prefix.clear();
  append_differences(out, printed, copy, prefix, true);
  if (kind.text) {
    const auto& lines = static_cast<const CustomMemoView&>(printed).memo;
    // Most printed texts are one line: no joined copy for those.
    bool one_line = lines.size() == 1 && !lines[0].empty();
    append_attr(out, {}, "u", escape_value(one_line ? std::string_view(lines[0]) : join_text_lines(lines)));
  }
  append_highlight(out, printed, kind);
  append_picture(out, printed, kind, pictures);
  append_url(out, printed, &copy);
  return out;
}

std::string full_record(const Component& printed, PictureCache& pictures) {
  std::string out;
  append_attr(out, {}, "Name", escape_value(printed.name()));
  out += Serializer(nullptr).obj_to_xml(printed);
  RecordKind kind(printed);
  append_highlight(out, printed, kind);
  append_picture(out, printed, kind, pictures);
  append_url(out, printed, nullptr);
  return out;
}

Highlight* recorded_highlight(const XmlItem& record, Component& object) {
  if (!object.is(CustomMemoView::static_class())) return nullptr;
  auto& memo = static_cast<CustomMemoView&>(object);
  if (memo.highlights.empty() || !record.prop_exists(kActiveHighlight)) return nullptr;
  int64_t number = 0;
  try {
    number = parse_integer_value(record.prop(kActiveHighlight));
  } catch (const core::Error&) {
    return nullptr;  // a damaged value: the object shows as recorded
  }
  if (number < 1 || static_cast<size_t>(number) > memo.highlights.size()) return nullptr;
  return memo.highlights[static_cast<size_t>(number - 1)].get();
}

}  // namespace orvena::report::prepared
