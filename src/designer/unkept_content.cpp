#include "designer/unkept_content.h"

#include <map>
#include <memory>

#include "core/text.h"
#include "report/class_registry.h"
#include "report/component.h"
#include "report/report.h"
#include "report/resources.h"
#include "report/views.h"
#include "report/xml_document.h"

namespace orvena::designer {

namespace {

using report::ClassInfo;
using report::Persistent;
using report::PropKind;

// Attribute names in the order they stand, scanned as the reader scans them: `name="value"`.
std::vector<std::string_view> attribute_names(std::string_view text) {
  std::vector<std::string_view> names;
  size_t pos = 0;
  for (;;) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    size_t eq = text.find('=', pos);
    if (eq == std::string_view::npos) break;
    size_t open = text.find('"', eq);
    if (open == std::string_view::npos) break;
    size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos) break;
    std::string_view name = text.substr(pos, eq - pos);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    names.push_back(name);
    pos = close + 1;
  }
  return names;
}

class Checker {
 public:
  explicit Checker(std::string_view bytes) : m_bytes(bytes) {}

  void element(const report::XmlItem& item) {
    if (core::equals_ignore_case(item.name, "inherited") ||
        core::equals_ignore_case(item.name, "RpCustomData"))
      return;
    const ClassInfo* cls = core::equals_ignore_case(item.name, report::Report::static_class().name)
                               ? &report::Report::static_class()
                               : report::class_registry::find(item.name);
    // Unknown classes are in the load's log; other elements without a class are the collections
    // a class keeps as child elements (Datasets, Formats), which its own reader takes.
    if (!cls) return;
    Persistent& sample = instance(*cls);
    for (std::string_view name : attribute_names(item.text))
      if (!kept(sample, name)) {
        std::string owner = item.prop("Name");
        lost("właściwość " + std::string(name) + (owner.empty() ? "" : " obiektu " + owner), item);
      }
    for (auto& child : item.items()) element(*child);
  }

  std::vector<std::string> lines;

 private:
  // The reader's rules (Serializer::apply_one): one-letter geometry and text, Name, Text,
  // PropData, and dotted names through object properties to a property with a setter.
  static bool kept(Persistent& target, std::string_view name) {
    static constexpr std::string_view kShort = "ltwhxu";
    if (name.size() == 1 && kShort.find(name[0]) != std::string_view::npos) return true;
    if (core::equals_ignore_case(name, "Name") || core::equals_ignore_case(name, "PropData")) return true;
    if (core::equals_ignore_case(name, "Text") && dynamic_cast<report::CustomMemoView*>(&target)) return true;
    Persistent* obj = &target;
    std::string_view rest = name;
    for (size_t dot; (dot = rest.find('.')) != std::string_view::npos;) {
      const report::PropInfo* p = obj->class_info().find(rest.substr(0, dot));
      rest = rest.substr(dot + 1);
      if (!p) return false;
      if (p->kind == PropKind::StringList && core::equals_ignore_case(rest, "Text")) return true;
      if (p->kind != PropKind::Object || !(obj = p->get_object(*obj))) return false;
    }
    if (core::equals_ignore_case(rest, "PropData")) return true;
    const report::PropInfo* p = obj->class_info().find(rest);
    return p && p->has_setter();
  }

  Persistent& instance(const ClassInfo& cls) {
    if (&cls == &report::Report::static_class()) return m_report;
    auto& slot = m_samples[&cls];
    if (!slot) slot = cls.create ? cls.create() : std::make_unique<report::Component>();
    return *slot;
  }

  void lost(std::string what, const report::XmlItem& item) {
    auto [line, column] = report::line_column(m_bytes, item.offset);
    lines.push_back(what + " (wiersz " + std::to_string(line) + ")");
  }

  std::string_view m_bytes;
  report::Report m_report;
  std::map<const ClassInfo*, std::unique_ptr<report::Component>> m_samples;
};

}  // namespace

std::vector<std::string> unkept_content(std::string_view bytes,
                                        const std::vector<report::Diagnostic>& load_log) {
  std::vector<std::string> lines;
  const std::string unknown_class = std::string(report::resource("xrCantFindClass")) + " ";
  for (const auto& d : load_log)
    if (d.text.starts_with(unknown_class))
      lines.push_back("klasa " + d.text.substr(unknown_class.size()) +
                      (d.line ? " (wiersz " + std::to_string(d.line) + ")" : ""));
  report::XmlDocument doc;
  try {
    doc.load(bytes);
  } catch (const core::Error&) {
    return lines;
  }
  Checker checker(bytes);
  checker.element(doc.root());
  lines.insert(lines.end(), checker.lines.begin(), checker.lines.end());
  return lines;
}

}  // namespace orvena::designer
