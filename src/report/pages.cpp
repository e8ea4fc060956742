#include "report/pages.h"

#include <utility>

#include "core/locale.h"
#include "report/bands.h"
#include "report/common_props_p.h"
#include "report/paper.h"
#include "report/views.h"

namespace orvena::report {
namespace {

template <class T>
std::unique_ptr<Component> make() {
  return std::make_unique<T>();
}

}  // namespace

const ClassInfo& Page::static_class() {
  static const ClassInfo info("TrpPage", &Component::static_class(),
                              {font_prop(false), boolean("Visible", &Component::visible, true)});
  return info;
}

// ---- Report page ------------------------------------------------------------------------------

ReportPage::ReportPage() {
  update_dimensions();
}

void ReportPage::update_dimensions() {
  set_width(round_even(m_paper_width * kUnitsPerMm));
  set_height(round_even(m_paper_height * kUnitsPerMm));
}

void ReportPage::set_orientation(Orientation o) {
  if (o == m_orientation) return;
  m_orientation = o;
  std::swap(m_paper_width, m_paper_height);
  double l = left_margin, r = right_margin, t = top_margin, b = bottom_margin;
  if (o == Orientation::Landscape) {
    left_margin = t, right_margin = b, top_margin = r, bottom_margin = l;
  } else {
    left_margin = b, right_margin = t, top_margin = l, bottom_margin = r;
  }
  update_dimensions();
}

void ReportPage::set_paper_width(double mm) {
  m_paper_width = mm;
  m_paper_size = kCustomPaper;
  update_dimensions();
}

void ReportPage::set_paper_height(double mm) {
  m_paper_height = mm;
  m_paper_size = kCustomPaper;
  update_dimensions();
}

void ReportPage::set_paper_size(int code) {
  m_paper_size = code;
  if (code < kCustomPaper) {
    if (auto p = find_paper(code)) {
      m_paper_width = p->width / 10.0;
      m_paper_height = p->height / 10.0;
      if (m_orientation == Orientation::Landscape) std::swap(m_paper_width, m_paper_height);
    }
  }
  update_dimensions();
}

void ReportPage::set_columns(int64_t n) {
  m_columns = n;
  column_positions.clear();
  if (n <= 0) return;
  column_width = (m_paper_width - left_margin - right_margin) / static_cast<double>(n);
  for (int64_t i = 0; i < n && i < 1000; ++i)
    column_positions.push_back(core::Locale::format_float(static_cast<double>(i) * column_width));
}

void ReportPage::set_defaults() {
  left_margin = right_margin = top_margin = bottom_margin = 10;
  set_orientation(Orientation::Portrait);
  set_paper_size(kPaperA4);
}

double ReportPage::printable_width() const {
  return (m_paper_width - left_margin - right_margin) * kUnitsPerMm;
}
double ReportPage::printable_height() const {
  return (m_paper_height - top_margin - bottom_margin) * kUnitsPerMm;
}

void ReportPage::align_children() {
  set_width(printable_width());
  set_height(printable_height());
  align_views(*this, width(), height());
  for (auto& c : objects()) {
    if (!c->is(Band::static_class())) continue;
    auto* band = static_cast<Band*>(c.get());
    bool full_width = band->is(NullBand::static_class()) || band->is(ReportSummary::static_class()) ||
                      band->is(PageHeader::static_class()) || band->is(PageFooter::static_class()) ||
                      band->is(ReportTitle::static_class()) || band->is(Overlay::static_class());
    if (band->vertical)
      band->set_height(height() - band->top());
    else if (m_columns > 1 && !full_width)
      band->set_width(column_width * kUnitsPerMm);
    else
      band->set_width(width() - band->left());
    band->align_children();
  }
  update_dimensions();
}

const ClassInfo& ReportPage::static_class() {
  using P = ReportPage;
  static const ClassInfo info(
      "TrpReportPage", &Page::static_class(),
      {
          ordinal_fn<P>(
              "Orientation", PropKind::Enumeration, [](const P& p) { return p.orientation(); },
              [](P& p, int64_t v) { p.set_orientation(static_cast<Orientation>(v)); }, 0, kOrientationNames),
          float_fn<P>(
              "PaperWidth", [](const P& p) { return p.paper_width(); },
              [](P& p, double v) { p.set_paper_width(v); }),
          float_fn<P>(
              "PaperHeight", [](const P& p) { return p.paper_height(); },
              [](P& p, double v) { p.set_paper_height(v); }),
          ordinal_fn<P>(
              "PaperSize", PropKind::Integer, [](const P& p) { return p.paper_size(); },
              [](P& p, int64_t v) { p.set_paper_size(static_cast<int>(v)); }, std::nullopt),
          floating("LeftMargin", &P::left_margin),
          floating("RightMargin", &P::right_margin),
          floating("TopMargin", &P::top_margin),
          floating("BottomMargin", &P::bottom_margin),
          boolean("MirrorMargins", &P::mirror_margins, false),
          ordinal_fn<P>(
              "Columns", PropKind::Integer, [](const P& p) { return p.columns(); },
              [](P& p, int64_t v) { p.set_columns(v); }, 0),
          floating("ColumnWidth", &P::column_width),
          lines("ColumnPositions", &P::column_positions),
          integer("Bin", &P::bin, 7),
          integer("BinOtherPages", &P::bin_other_pages, 7),
          nested<P>("BackPicture", [](P& p) { return &p.back_picture; }),
          boolean("BackPictureVisible", &P::back_picture_visible, true),
          boolean("BackPicturePrintable", &P::back_picture_printable, true),
          boolean("BackPictureStretched", &P::back_picture_stretched, true),
          ordinal_fn<P>(
              "PageCount", PropKind::Integer, [](const P& p) { return p.page_count(); },
              [](P& p, int64_t v) { p.set_page_count(v); }, 1),
          colour("Color", &P::color, kNoColor),
          data_set_prop(&P::data),
          data_set_name_prop(&P::data),
          enumeration("Duplex", &P::duplex, kDuplexNames, 0),
          nested<P>("Frame", [](P& p) { return &p.frame; }),
          boolean("EndlessHeight", &P::endless_height, false),
          boolean("EndlessWidth", &P::endless_width, false),
          boolean("LargeDesignHeight", &P::large_design_height, false),
          string("OutlineText", &P::outline_text),
          boolean("PrintIfEmpty", &P::print_if_empty, true),
          boolean("PrintOnPreviousPage", &P::print_on_previous_page, false),
          boolean("ResetPageNumbers", &P::reset_page_numbers, false),
          boolean("TitleBeforeHeader", &P::title_before_header, true),
          lines("HGuides", &P::hguides),
          lines("VGuides", &P::vguides),
          event("OnAfterPrint", &P::on_after_print),
          event("OnBeforePrint", &P::on_before_print),
          event("OnManualBuild", &P::on_manual_build),
      },
      make<ReportPage>);
  return info;
}

// ---- Data and dialog pages -----------------------------------------------------------------

const ClassInfo& DataPage::static_class() {
  static const ClassInfo info(
      "TrpDataPage", &Page::static_class(),
      {geometry_prop("Height"), geometry_prop("Left"), geometry_prop("Top"), geometry_prop("Width")},
      make<DataPage>);
  return info;
}

const ClassInfo& DialogPage::static_class() {
  static const ClassInfo info("TrpDialogPage", &Page::static_class(),
                              {string("Caption", &DialogPage::caption), geometry_prop("Height"),
                               geometry_prop("Left"), geometry_prop("Top"), geometry_prop("Width")},
                              make<DialogPage>);
  return info;
}

}  // namespace orvena::report
