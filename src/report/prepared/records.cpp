#include "report/prepared/records.h"

#include <cmath>
#include <mutex>
#include <unordered_map>
#include <vector>

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

void append_attr(std::string& out, std::string_view prefix, std::string_view name, std::string_view value) {
  out += ' ';
  out += prefix;
  out += name;
  out += "=\"";
  out += value;
  out += '"';
}

bool excluded(const PropInfo& p, bool top_level) {
  if (p.never_stored || p.kind == PropKind::Reference) return true;
  if (!top_level) return false;
  // Geometry is written in short form first; binding belongs to the template, not to a print;
  // pictures go to the picture cache.
  static const std::string_view kLeftOut[] = {"Left",    "Top",         "Width",   "Height",    "DataField",
                                              "DataSet", "DataSetName", "Picture", "ImageIndex"};
  for (auto name : kLeftOut)
    if (p.name == name) return true;
  return false;
}

// The properties a class's records compare, worked out once per class: the hot path of a
// report with many rows is this loop.
const std::vector<const PropInfo*>& compared(const ClassInfo& cls, bool top_level) {
  static std::mutex lock;
  static std::unordered_map<const ClassInfo*, std::vector<const PropInfo*>> plans[2];
  std::lock_guard guard(lock);
  auto& plan = plans[top_level ? 1 : 0];
  auto it = plan.find(&cls);
  if (it != plan.end()) return it->second;
  std::vector<const PropInfo*> props;
  for (const PropInfo* p : cls.all)
    if (!excluded(*p, top_level)) props.push_back(p);
  return plan.emplace(&cls, std::move(props)).first->second;
}

void append_differences(std::string& out, const Persistent& printed, const Persistent& copy,
                        std::string_view prefix, bool top_level) {
  const Serializer writer(nullptr);
  for (const PropInfo* p : compared(printed.class_info(), top_level)) {
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
        std::string nested_prefix = std::string(prefix) + std::string(p->name) + ".";
        if (p->is_stored(copy))
          append_differences(out, *p->object(printed), *p->object(copy), nested_prefix, false);
        else
          out += writer.obj_to_xml(*p->object(printed), nested_prefix);
        break;
      }
      case PropKind::Reference:
        break;
    }
  }
}

void append_geometry(std::string& out, const Component& printed, const Component& copy) {
  bool band = dynamic_cast<const Band*>(&printed) != nullptr;
  auto put = [&](std::string_view name, double v, double base, bool always) {
    if (always || std::abs(v - base) > kGeometryTolerance) append_attr(out, {}, name, format_float_value(v));
  };
  put("l", printed.left(), copy.left(), false);
  put("t", printed.top(), copy.top(), band);
  put("w", printed.width(), copy.width(), false);
  put("h", printed.height(), copy.height(), false);
}

void append_picture(std::string& out, const Component& printed, PictureCache& pictures) {
  if (auto* picture = dynamic_cast<const PictureView*>(&printed))
    append_attr(out, {}, "ImageIndex", std::to_string(pictures.add(picture->picture)));
}

}  // namespace

std::string record_differences(const Component& printed, const Component& copy, RecordDetail detail,
                               PictureCache& pictures) {
  std::string out;
  append_geometry(out, printed, copy);
  if (detail == RecordDetail::Geometry) {
    if (printed.visible != copy.visible) append_attr(out, {}, "Visible", printed.visible ? "True" : "False");
    return out;
  }
  append_differences(out, printed, copy, {}, true);
  if (auto* memo = dynamic_cast<const CustomMemoView*>(&printed))
    append_attr(out, {}, "u", escape_value(join_text_lines(memo->memo)));
  append_picture(out, printed, pictures);
  return out;
}

std::string full_record(const Component& printed, PictureCache& pictures) {
  std::string out;
  append_attr(out, {}, "Name", escape_value(printed.name()));
  out += Serializer(nullptr).obj_to_xml(printed);
  append_picture(out, printed, pictures);
  return out;
}

}  // namespace orvena::report::prepared
