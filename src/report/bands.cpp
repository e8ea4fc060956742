#include "report/bands.h"

#include "core/error.h"
#include "report/common_props_p.h"

namespace orvena::report {
namespace {

template <class T>
std::unique_ptr<Component> make() {
  return std::make_unique<T>();
}

PropInfo p_allow_split() {
  return boolean("AllowSplit", &Band::allow_split, false);
}
PropInfo p_child() {
  return reference_fn<Band>(
             "Child", [](const Band& b) -> Component* { return b.child(); },
             [](Band& b, Component* c) { b.set_child(dynamic_cast<Band*>(c)); })
      .referring_to(&Band::static_class);
}
PropInfo p_keep_child() {
  return boolean("KeepChild", &Band::keep_child, false);
}
PropInfo p_print_child() {
  return boolean("PrintChildIfInvisible", &Band::print_child_if_invisible, false);
}
PropInfo p_start_new_page() {
  return boolean("StartNewPage", &Band::start_new_page, false);
}
PropInfo p_stretched() {
  return boolean("Stretched", &Band::stretched, false);
}
PropInfo p_reprint() {
  return boolean("ReprintOnNewPage", &Band::reprint_on_new_page, false);
}
PropInfo p_keep_together() {
  return boolean("KeepTogether", &Band::keep_together, false);
}
PropInfo p_outline_text() {
  return string("OutlineText", &Band::outline_text);
}

std::vector<PropInfo> title_like() {
  return {p_allow_split(), p_child(), p_keep_child(), p_print_child(), p_start_new_page(), p_stretched()};
}

}  // namespace

const ClassInfo& FillGap::static_class() {
  static const ClassInfo info("TrpFillGap", nullptr,
                              {
                                  integer("Top", &FillGap::top, 0),
                                  integer("Left", &FillGap::left, 0),
                                  integer("Bottom", &FillGap::bottom, 0),
                                  integer("Right", &FillGap::right, 0),
                              });
  return info;
}

const ClassInfo& Band::static_class() {
  static const ClassInfo info(
      "TrpBand", &ReportComponent::static_class(),
      {
          ordinal_fn<Band>(
              "FillType", PropKind::Enumeration, [](const Band& b) { return b.fill.type(); },
              [](Band& b, int64_t t) { b.fill.set_type(static_cast<FillType>(t)); }, std::nullopt,
              kFillTypeNames),
          nested<Band>("Fill", [](Band& b) { return &b.fill.fill(); }),
          nested<Band>("FillGap", [](Band& b) { return &b.fill_gap; }),
          font_prop(true),
          geometry_prop("Height"),
          geometry_prop("Left"),
          parent_font_prop(),
          set_of("Restrictions", &Component::restrictions, kRestrictionNames),
          geometry_prop("Top"),
          boolean("Vertical", &Band::vertical, false),
          boolean("Visible", &Component::visible, true),
          geometry_prop("Width"),
          event("OnAfterCalcHeight", &Band::on_after_calc_height),
          event("OnAfterPrint", &Band::on_after_print),
          event("OnBeforePrint", &Band::on_before_print),
      });
  return info;
}

std::string Band::display_name() const {
  std::string s(class_name());
  if (size_t at = s.find("Trp"); at != std::string::npos) s.erase(at, 3);
  if (size_t at = s.find("Band"); at != std::string::npos) s.erase(at, 4);
  return s;
}

int Band::kind_number() const {
  // ORDER: the fixed band numbering.
  static const ClassInfo* const kKinds[] = {
      &ReportTitle::static_class(),  &ReportSummary::static_class(), &PageHeader::static_class(),
      &PageFooter::static_class(),   &HeaderBand::static_class(),    &FooterBand::static_class(),
      &MasterData::static_class(),   &DetailData::static_class(),    &SubdetailData::static_class(),
      &DataBand4::static_class(),    &DataBand5::static_class(),     &DataBand6::static_class(),
      &GroupHeader::static_class(),  &GroupFooter::static_class(),   &ChildBand::static_class(),
      &ColumnHeader::static_class(), &ColumnFooter::static_class(),  &Overlay::static_class(),
  };
  int number = 0;
  for (int i = 0; i < static_cast<int>(std::size(kKinds)); ++i)
    if (is(*kKinds[i])) number = i;
  return number;
}

void Band::set_child(Band* band) {
  for (Band* b = band; b; b = b->child())
    if (b == this) throw core::Error("Circular child reference is not allowed");
  m_child.reset(band);
}

// ---- Band kinds -----------------------------------------------------------------------------

const ClassInfo& ReportTitle::static_class() {
  static const ClassInfo info("TrpReportTitle", &Band::static_class(), title_like(), make<ReportTitle>);
  return info;
}
const ClassInfo& ReportSummary::static_class() {
  static const ClassInfo info("TrpReportSummary", &Band::static_class(), title_like(), make<ReportSummary>);
  return info;
}
const ClassInfo& ChildBand::static_class() {
  static const ClassInfo info("TrpChild", &Band::static_class(), title_like(), make<ChildBand>);
  return info;
}

const ClassInfo& PageHeader::static_class() {
  static const ClassInfo info("TrpPageHeader", &Band::static_class(),
                              {p_child(), p_print_child(),
                               boolean("PrintOnFirstPage", &Band::print_on_first_page, true), p_stretched()},
                              make<PageHeader>);
  return info;
}

const ClassInfo& PageFooter::static_class() {
  static const ClassInfo info("TrpPageFooter", &Band::static_class(),
                              {boolean("PrintOnFirstPage", &Band::print_on_first_page, true),
                               boolean("PrintOnLastPage", &Band::print_on_last_page, true)},
                              make<PageFooter>);
  return info;
}

const ClassInfo& HeaderBand::static_class() {
  static const ClassInfo info("TrpHeader", &Band::static_class(),
                              {p_allow_split(), p_child(), p_keep_child(), p_print_child(), p_reprint(),
                               p_start_new_page(), p_stretched()},
                              make<HeaderBand>);
  return info;
}

const ClassInfo& FooterBand::static_class() {
  static const ClassInfo info("TrpFooter", &Band::static_class(),
                              {p_allow_split(), p_child(), p_keep_child(), p_print_child(), p_stretched()},
                              make<FooterBand>);
  return info;
}

UserDataSet& DataBand::row_source() {
  if (!m_row_source) {
    m_row_source = std::make_unique<UserDataSet>();
    m_row_source->range_end = RangeEnd::Count;
  }
  // RowCount may change between runs (the script sets it).
  m_row_source->range_end_count = row_count;
  return *m_row_source;
}

const ClassInfo& DataBand::static_class() {
  using D = DataBand;
  static const ClassInfo info("TrpDataBand", &Band::static_class(),
                              {
                                  p_allow_split(),
                                  p_child(),
                                  integer("Columns", &D::columns, 0),
                                  floating("ColumnWidth", &D::column_width),
                                  floating("ColumnGap", &D::column_gap),
                                  data_set_prop(&D::data),
                                  data_set_name_prop(&D::data),
                                  boolean("FooterAfterEach", &D::footer_after_each, false),
                                  string("Filter", &D::filter).as(PropRole::Expression),
                                  p_keep_child(),
                                  boolean("KeepFooter", &D::keep_footer, false),
                                  boolean("KeepHeader", &D::keep_header, false),
                                  p_keep_together(),
                                  p_outline_text(),
                                  p_print_child(),
                                  boolean("PrintIfDetailEmpty", &D::print_if_detail_empty, false),
                                  integer("RowCount", &D::row_count, std::nullopt),
                                  p_start_new_page(),
                                  p_stretched(),
                                  event("OnMasterDetail", &D::on_master_detail),
                              });
  return info;
}

#define ORVENA_DATA_BAND(Cls, Name)                                              \
  const ClassInfo& Cls::static_class() {                                         \
    static const ClassInfo info(Name, &DataBand::static_class(), {}, make<Cls>); \
    return info;                                                                 \
  }
ORVENA_DATA_BAND(MasterData, "TrpMasterData")
ORVENA_DATA_BAND(DetailData, "TrpDetailData")
ORVENA_DATA_BAND(SubdetailData, "TrpSubdetailData")
ORVENA_DATA_BAND(DataBand4, "TrpDataBand4")
ORVENA_DATA_BAND(DataBand5, "TrpDataBand5")
ORVENA_DATA_BAND(DataBand6, "TrpDataBand6")
#undef ORVENA_DATA_BAND

const ClassInfo& GroupHeader::static_class() {
  using G = GroupHeader;
  static const ClassInfo info("TrpGroupHeader", &Band::static_class(),
                              {
                                  p_allow_split(),
                                  p_child(),
                                  string("Condition", &G::condition).as(PropRole::Expression),
                                  boolean("DrillDown", &G::drill_down, false),
                                  boolean("ExpandDrillDown", &G::expand_drill_down, false),
                                  p_keep_child(),
                                  p_keep_together(),
                                  p_reprint(),
                                  p_outline_text(),
                                  p_print_child(),
                                  boolean("ResetPageNumbers", &G::reset_page_numbers, false),
                                  boolean("ShowFooterIfDrillDown", &G::show_footer_if_drill_down, false),
                                  boolean("ShowChildIfDrillDown", &G::show_child_if_drill_down, false),
                                  p_start_new_page(),
                                  p_stretched(),
                                  string("DrillName", &G::drill_name),
                              },
                              make<GroupHeader>);
  return info;
}

const ClassInfo& GroupFooter::static_class() {
  static const ClassInfo info("TrpGroupFooter", &Band::static_class(),
                              {p_allow_split(), p_child(),
                               boolean("HideIfSingleDataRecord", &Band::hide_if_single_data_record, false),
                               p_keep_child(), p_print_child(), p_stretched()},
                              make<GroupFooter>);
  return info;
}

const ClassInfo& ColumnHeader::static_class() {
  static const ClassInfo info("TrpColumnHeader", &Band::static_class(), {p_child(), p_stretched()},
                              make<ColumnHeader>);
  return info;
}

const ClassInfo& ColumnFooter::static_class() {
  static const ClassInfo info("TrpColumnFooter", &Band::static_class(), {}, make<ColumnFooter>);
  return info;
}

const ClassInfo& Overlay::static_class() {
  static const ClassInfo info("TrpOverlay", &Band::static_class(),
                              {boolean("PrintOnTop", &Band::print_on_top, false)}, make<Overlay>);
  return info;
}

const ClassInfo& NullBand::static_class() {
  static const ClassInfo info("TrpNullBand", &Band::static_class(), {}, make<NullBand>);
  return info;
}

}  // namespace orvena::report
