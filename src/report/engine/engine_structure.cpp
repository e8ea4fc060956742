// The band structure of a report page, built once per run before anything prints: kind numbers,
// links between headers, footers, groups and data bands, master-detail nesting, shift trees.
#include <algorithm>
#include <cmath>

#include "core/locale.h"
#include "report/bands.h"
#include "report/engine/engine.h"
#include "report/engine/shift_tree.h"
#include "report/pages.h"
#include "report/resources.h"
#include "report/units.h"
#include "report/views.h"

namespace orvena::report {

using namespace engine;

namespace {

bool is_data_kind(int kind) {
  return kind >= kMasterData && kind <= kData6;
}

// Sorting keys are the coordinate printed with two decimals, so bands a hair apart in the file
// keep their page order.
long long sort_key(double top) {
  return std::llround(top * 100);
}

std::string with_name(std::string_view resource_name, const Band& band) {
  return std::string(resource(resource_name)) + " " + band.name();
}

// Millimetres as the user reads them: two decimals at most, a decimal comma.
std::string mm_text(double mm) {
  return core::Locale::format_float(std::round(mm * 100) / 100);
}

bool has_source(const BandInfo& b) {
  return b.data && (b.data->data.get() || b.data->row_count > 0);
}

}  // namespace

BandInfo& Engine::info(Band& band) {
  for (auto& b : m_bands)
    if (b->band == &band) return *b;
  auto b = std::make_unique<BandInfo>();
  b->band = &band;
  b->kind = band.kind_number();
  b->carrier = band.is(NullBand::static_class());
  if (is_data_kind(b->kind)) b->data = static_cast<DataBand*>(&band);
  if (b->kind == kGroupHeader) b->group_header = static_cast<GroupHeader*>(&band);
  m_bands.push_back(std::move(b));
  return *m_bands.back();
}

void Engine::build_structure(PageInfo& page) {
  page.page->align_children();
  std::vector<BandInfo*> sorted;
  for (auto& child : page.page->objects()) {
    if (!child->is(Band::static_class())) continue;
    auto& band = static_cast<Band&>(*child);
    BandInfo& b = info(band);
    if (band.child()) b.child = &info(*band.child());
    switch (b.kind) {
      case kTitle:
        page.title = &b;
        break;
      case kSummary:
        page.summary = &b;
        break;
      case kPageHeader:
        page.page_header = &b;
        break;
      case kPageFooter:
        page.page_footer = &b;
        break;
      case kColumnHeader:
        page.column_header = &b;
        break;
      case kColumnFooter:
        page.column_footer = &b;
        break;
      case kOverlay:
        page.overlay = &b;
        break;
      default:
        if (b.kind >= kHeader && b.kind <= kGroupFooter && !band.vertical) sorted.push_back(&b);
    }
    if (b.data && !b.data->data.get() && b.data->row_count > 0) {
      UserDataSet& rows = b.data->row_source();
      rows.range_end = RangeEnd::Count;
      rows.range_end_count = b.data->row_count;
    }
  }
  std::stable_sort(sorted.begin(), sorted.end(), [](BandInfo* a, BandInfo* b) {
    return sort_key(a->band->top()) < sort_key(b->band->top());
  });

  std::vector<bool> placed(sorted.size(), false);
  // Groups: a run of group headers is one chain, owned by its first header, for the next data band.
  for (size_t i = 0; i < sorted.size(); ++i) {
    if (sorted[i]->kind != kGroupHeader) continue;
    size_t j = i;
    while (j < sorted.size() && sorted[j]->kind == kGroupHeader) ++j;
    BandInfo* first = sorted[i];
    first->sub_bands.assign(sorted.begin() + i, sorted.begin() + j);
    size_t k = j;
    while (k < sorted.size() && !sorted[k]->data) ++k;
    if (k < sorted.size()) {
      sorted[k]->group = first;
      for (size_t m = i; m < j; ++m) placed[m] = true;
    } else {
      m_report.add_error(with_name("enUnconnGroup", *first->band));
    }
    i = j - 1;
  }
  std::vector<BandInfo*> footers_open;
  for (size_t i = 0; i < sorted.size(); ++i) {
    if (sorted[i]->kind == kGroupHeader) footers_open.push_back(sorted[i]);
    if (sorted[i]->kind != kGroupFooter) continue;
    if (footers_open.empty()) {
      m_report.add_error(with_name("enUnconnGFooter", *sorted[i]->band));
      placed[i] = true;  // reported already
      continue;
    }
    footers_open.back()->group_footers.push_back(sorted[i]);
    footers_open.pop_back();
    placed[i] = true;
  }
  // Headers and footers belong to the data band right next to them.
  for (size_t i = 0; i < sorted.size(); ++i) {
    BandInfo* b = sorted[i];
    if (b->kind == kHeader) {
      if (i + 1 < sorted.size() && sorted[i + 1]->data) {
        sorted[i + 1]->header = b;
      } else {
        m_report.add_error(with_name("enUnconnHeader", *b->band));
      }
      placed[i] = true;
    } else if (b->kind == kFooter) {
      if (i > 0 && sorted[i - 1]->data) {
        sorted[i - 1]->footer = b;
      } else {
        m_report.add_error(with_name("enUnconnHeader", *b->band));
      }
      placed[i] = true;
    }
  }
  // Master and detail levels: each data band takes the following bands one level deeper.
  std::vector<size_t> data_index;
  for (size_t i = 0; i < sorted.size(); ++i)
    if (sorted[i]->data) data_index.push_back(i);
  for (size_t n = 0; n < data_index.size(); ++n) {
    BandInfo* b = sorted[data_index[n]];
    if (b->kind == kMasterData) {
      placed[data_index[n]] = true;
      if (has_source(*b)) page.data_bands.push_back(b);
    }
    for (size_t m = n + 1; m < data_index.size(); ++m) {
      BandInfo* d = sorted[data_index[m]];
      if (d->kind <= b->kind) break;
      if (d->kind == b->kind + 1) {
        placed[data_index[m]] = true;
        if (has_source(*d)) b->sub_bands.push_back(d);
      }
    }
  }
  for (size_t i = 0; i < sorted.size(); ++i)
    if (!placed[i]) m_report.add_error(with_name("enBandPos", *sorted[i]->band));
}

void Engine::check_shared_sources(const PageInfo& page) {
  DataSet* report_source = m_report.data.get();
  DataSet* page_source = page.page->data.get();
  if (report_source && report_source == page_source)
    m_report.add_error("Cannot use the same dataset for Report.DataSet and Page.DataSet");
  for (auto& child : page.page->objects()) {
    if (!child->is(DataBand::static_class())) continue;
    DataSet* source = static_cast<DataBand&>(*child).data.get();
    if (!source) continue;
    if (source == report_source)
      m_report.add_error("Cannot use the same dataset for Report.DataSet and Band.DataSet");
    if (source == page_source)
      m_report.add_error("Cannot use the same dataset for Page.DataSet and Band.DataSet");
  }
}

void Engine::check_sizes(const PageInfo& page) {
  const ReportPage& p = *page.page;
  auto in_range = [](double mm) { return mm >= kMinPaperMm - 1e-9 && mm <= kMaxPaperMm + 1e-9; };
  if (!in_range(p.paper_width()) || !in_range(p.paper_height()))
    m_report.add_error("Strona " + p.name() + ": rozmiar papieru " + mm_text(p.paper_width()) + " × " +
                       mm_text(p.paper_height()) + " mm jest poza dozwolonym zakresem od " +
                       mm_text(kMinPaperMm) + " do " + mm_text(kMaxPaperMm) + " mm");
  for (auto& child : p.objects()) {
    if (!child->is(Band::static_class())) continue;
    double h = child->height();
    if (!(h <= kMaxBandHeight))
      m_report.add_error("Wstęga " + child->name() + " jest za wysoka: " + mm_text(h / kUnitsPerMm) +
                         " mm, najwyżej " + mm_text(kMaxPaperMm) + " mm");
  }
}

// Object B moves with object A when B lies wholly below A, they overlap horizontally and no other
// object sits between them there; objects below nothing move with the band.
void Engine::build_shift_tree(BandInfo& band) {
  band.shift_tree.clear();
  for (auto& child : band.band->objects())
    if (child->is(View::static_class())) band.shift_tree.push_back({static_cast<View*>(child.get()), -1});
  // A top that is no number sorts last: the comparison must stay a strict order.
  auto key = [](const ShiftNode& n) { return std::isnan(n.object->top()) ? HUGE_VAL : n.object->top(); };
  std::stable_sort(band.shift_tree.begin(), band.shift_tree.end(),
                   [&](const ShiftNode& a, const ShiftNode& b) { return key(a) < key(b); });
  auto& nodes = band.shift_tree;
  std::vector<ShiftBox> boxes;
  boxes.reserve(nodes.size());
  for (const ShiftNode& node : nodes) {
    const View& v = *node.object;
    boxes.push_back({v.left(), v.top(), v.width(), v.height()});
  }
  std::vector<int> parents = shift_parents(boxes);
  for (size_t i = 0; i < nodes.size(); ++i) nodes[i].parent = parents[i];
  for (ShiftNode& node : nodes) {
    View* v = node.object;
    if (v->is(Stretcheable::static_class())) {
      auto mode = static_cast<Stretcheable*>(v)->stretch_mode;
      node.stretches = mode != StretchMode::DontStretch;
      node.max_height = mode == StretchMode::MaxHeight;
    }
    if (v->is(CustomMemoView::static_class())) node.memo = static_cast<CustomMemoView*>(v);
    if (v->is(Subreport::static_class())) node.subreport = static_cast<Subreport*>(v);
  }
  band.shift_tree_built = true;
}

}  // namespace orvena::report
