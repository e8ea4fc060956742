#include "report/class_registry.h"

#include <map>
#include <mutex>
#include <stdexcept>

#include "core/text.h"
#include "report/bands.h"
#include "report/chart.h"
#include "report/datasets.h"
#include "report/db_dataset.h"
#include "report/pages.h"
#include "report/views.h"

namespace orvena::report::class_registry {
namespace {

using ClassFn = const ClassInfo& (*)();

// Every class a template may name; the report itself is the document root, never an element.
constexpr ClassFn kBuiltin[] = {
    &ReportPage::static_class,    &DataPage::static_class,      &DialogPage::static_class,
    &ReportTitle::static_class,   &ReportSummary::static_class, &PageHeader::static_class,
    &PageFooter::static_class,    &HeaderBand::static_class,    &FooterBand::static_class,
    &MasterData::static_class,    &DetailData::static_class,    &SubdetailData::static_class,
    &DataBand4::static_class,     &DataBand5::static_class,     &DataBand6::static_class,
    &GroupHeader::static_class,   &GroupFooter::static_class,   &ChildBand::static_class,
    &ColumnHeader::static_class,  &ColumnFooter::static_class,  &Overlay::static_class,
    &NullBand::static_class,      &MemoView::static_class,      &SysMemoView::static_class,
    &LineView::static_class,      &PictureView::static_class,   &ShapeView::static_class,
    &Subreport::static_class,     &ChartView::static_class,     &BarCodeView::static_class,
    &Barcode2DView::static_class, &CheckBoxView::static_class,  &UserDataSet::static_class,
    &DBDataset::static_class,     &ChartSeries::static_class,
};

struct Registry {
  std::mutex mutex;
  std::map<std::string, const ClassInfo*> by_name;  // lower-case keys
  Registry() {
    for (ClassFn fn : kBuiltin) {
      const ClassInfo& info = fn();
      by_name[core::to_lower(info.name)] = &info;
    }
  }
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

const ClassInfo* find(std::string_view name) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.by_name.find(core::to_lower(name));
  return it == r.by_name.end() ? nullptr : it->second;
}

void add(const ClassInfo& info) {
  if (!info.create) throw std::logic_error("INTERNAL ERROR: registering a class without a factory");
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.by_name[core::to_lower(info.name)] = &info;
}

std::vector<const ClassInfo*> all() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  std::vector<const ClassInfo*> out;
  for (auto& [name, info] : r.by_name) out.push_back(info);
  return out;
}

}  // namespace orvena::report::class_registry
