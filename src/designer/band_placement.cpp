#include "designer/band_placement.h"

#include <algorithm>

#include "report/bands.h"
#include "report/pages.h"

namespace orvena::designer {

namespace {

using report::Band;
using report::ClassInfo;

bool is_a(const Band& b, const ClassInfo& c) {
  return b.is(c);
}

// The page's horizontal bands from the top down; equal tops keep the page's order.
std::vector<const Band*> bands_by_top(const report::ReportPage& page) {
  std::vector<const Band*> out;
  for (const auto& child : page.objects())
    if (auto* b = dynamic_cast<const Band*>(child.get()); b && !b->vertical) out.push_back(b);
  std::stable_sort(out.begin(), out.end(), [](const Band* a, const Band* b) { return a->top() < b->top(); });
  return out;
}

size_t index_of(const std::vector<const Band*>& bands, const Band* band) {
  return static_cast<size_t>(std::find(bands.begin(), bands.end(), band) - bands.begin());
}

// The place after the last band that is none of `kinds` (0 when there is none): bands that
// stay at the end of the page (footers, summary) keep their place below the new one.
size_t after_last_except(const std::vector<const Band*>& bands,
                         std::initializer_list<const ClassInfo*> kinds) {
  for (size_t i = bands.size(); i > 0; --i) {
    const Band& b = *bands[i - 1];
    if (std::none_of(kinds.begin(), kinds.end(), [&](const ClassInfo* c) { return is_a(b, *c); })) return i;
  }
  return 0;
}

size_t after_last_of(const std::vector<const Band*>& bands, std::initializer_list<const ClassInfo*> kinds) {
  for (size_t i = bands.size(); i > 0; --i) {
    const Band& b = *bands[i - 1];
    if (std::any_of(kinds.begin(), kinds.end(), [&](const ClassInfo* c) { return is_a(b, *c); })) return i;
  }
  return 0;
}

size_t slot_for(const std::vector<const Band*>& bands, const report::ReportPage& page, const ClassInfo& kind,
                const Band* reference) {
  using namespace report;
  const ClassInfo *summary = &ReportSummary::static_class(), *column_footer = &ColumnFooter::static_class(),
                  *page_footer = &PageFooter::static_class(), *overlay = &Overlay::static_class();
  const size_t body_end = after_last_except(bands, {summary, column_footer, page_footer, overlay});
  const Band* data = data_band_for(page, reference);
  const size_t data_at = data ? index_of(bands, data) : bands.size();

  if (kind.inherits(ReportTitle::static_class())) return 0;
  if (kind.inherits(PageHeader::static_class())) return after_last_of(bands, {&ReportTitle::static_class()});
  if (kind.inherits(ColumnHeader::static_class()))
    return after_last_of(bands, {&ReportTitle::static_class(), &PageHeader::static_class()});
  if (kind.inherits(ReportSummary::static_class()))
    return after_last_except(bands, {column_footer, page_footer, overlay});
  if (kind.inherits(ColumnFooter::static_class())) return after_last_except(bands, {page_footer, overlay});
  if (kind.inherits(PageFooter::static_class())) return after_last_except(bands, {overlay});
  if (kind.inherits(Overlay::static_class())) return bands.size();
  if (kind.inherits(ChildBand::static_class()))
    return reference && index_of(bands, reference) < bands.size() ? index_of(bands, reference) + 1 : body_end;
  if (data_at == bands.size()) return body_end;
  // A data header straight before its data band; an innermost group header before that header.
  if (kind.inherits(HeaderBand::static_class())) return data_at;
  if (kind.inherits(GroupHeader::static_class()))
    return data_at > 0 && is_a(*bands[data_at - 1], HeaderBand::static_class()) ? data_at - 1 : data_at;
  // The footer straight after its data band; an innermost group footer after that footer.
  if (kind.inherits(FooterBand::static_class())) return data_at + 1;
  if (kind.inherits(GroupFooter::static_class()))
    return data_at + 1 < bands.size() && is_a(*bands[data_at + 1], FooterBand::static_class()) ? data_at + 2
                                                                                               : data_at + 1;
  // Data bands of every level: below everything printed with the data, so that the headers and
  // footers linked so far keep their neighbours.
  return body_end;
}

}  // namespace

const std::vector<BandKind>& band_kinds() {
  using namespace report;
  static const std::vector<BandKind> kinds = {
      {"band_ReportTitle", "Tytuł raportu", &ReportTitle::static_class},
      {"band_PageHeader", "Nagłówek strony", &PageHeader::static_class},
      {"band_ColumnHeader", "Nagłówek kolumny", &ColumnHeader::static_class},
      {"band_Header", "Nagłówek danych", &HeaderBand::static_class},
      {"band_GroupHeader", "Nagłówek grupy…", &GroupHeader::static_class},
      {"band_MasterData", "Dane główne…", &MasterData::static_class},
      {"band_DetailData", "Dane szczegółowe…", &DetailData::static_class},
      {"band_SubdetailData", "Dane podrzędne…", &SubdetailData::static_class},
      {"band_DataBand4", "Dane poziomu 4…", &DataBand4::static_class},
      {"band_DataBand5", "Dane poziomu 5…", &DataBand5::static_class},
      {"band_DataBand6", "Dane poziomu 6…", &DataBand6::static_class},
      {"band_GroupFooter", "Stopka grupy", &GroupFooter::static_class},
      {"band_Footer", "Stopka danych", &FooterBand::static_class},
      {"band_Child", "Pasmo potomne", &ChildBand::static_class},
      {"band_ReportSummary", "Podsumowanie raportu", &ReportSummary::static_class},
      {"band_ColumnFooter", "Stopka kolumny", &ColumnFooter::static_class},
      {"band_PageFooter", "Stopka strony", &PageFooter::static_class},
      {"band_Overlay", "Nakładka", &Overlay::static_class},
  };
  return kinds;
}

const report::Band* data_band_for(const report::ReportPage& page, const report::Band* reference) {
  if (reference && reference->is(report::DataBand::static_class())) return reference;
  const Band* last = nullptr;
  for (const Band* b : bands_by_top(page))
    if (b->is(report::MasterData::static_class())) last = b;
  return last;
}

BandPlace place_new_band(const report::ReportPage& page, const report::ClassInfo& kind, double height,
                         const report::Band* reference) {
  const std::vector<const Band*> bands = bands_by_top(page);
  const size_t at = std::min(slot_for(bands, page, kind, reference), bands.size());
  BandPlace place;
  place.top = at == 0 ? 0 : bands[at - 1]->top() + bands[at - 1]->height() + kBandGap;
  if (at == bands.size()) return place;
  // Everything from the slot down moves by the same amount, so the layout below stays as drawn.
  const double shift = std::max(0.0, place.top + height + kBandGap - bands[at]->top());
  if (shift > 0)
    for (size_t i = at; i < bands.size(); ++i)
      place.moved.push_back({const_cast<Band*>(bands[i]), bands[i]->top() + shift});
  return place;
}

}  // namespace orvena::designer
