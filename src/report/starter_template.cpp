#include "report/starter_template.h"

#include <algorithm>
#include <numeric>

#include "report/bands.h"
#include "report/datasets.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::report {

namespace {

// Arial 13 px averages about 7 pixels a character, capitals and Polish letters more; the gaps
// and the space between columns take the padding.
constexpr double kPixelsPerCharacter = 8;
constexpr double kColumnPadding = 10;
// Display widths are capped so that one long text field does not push every other column off.
constexpr int kMinCharacters = 4;
constexpr int kMaxCharacters = 40;
constexpr double kRowHeight = kFieldRowHeight;
constexpr double kTitleHeight = 36;
constexpr double kFooterHeight = 20;
// Sums, averages and money: thousands apart, at most two decimals, integers without any.
constexpr const char* kNumberFormat = "#,##0.##";

template <class B>
B* add_band(ReportPage& page, const char* name, double top, double height) {
  auto* band = page.add_new<B>();
  band->set_name(name);
  band->set_bounds(0, top, page.printable_width(), height);
  return band;
}

MemoView* add_memo(Component& band, double left, double width, double height, std::string_view text) {
  auto* memo = band.add_new<MemoView>();
  memo->create_unique_name();
  memo->set_bounds(left, 0, width, height);
  memo->set_text(text);
  return memo;
}

void make_bold(MemoView& memo) {
  memo.font_for_update().style = kFontBold;
  memo.set_parent_font(false);
}

}  // namespace

double field_column_width(const StarterField& f) {
  int characters = std::max<int>(f.display_width, static_cast<int>(f.name.size()));
  return std::clamp(characters, kMinCharacters, kMaxCharacters) * kPixelsPerCharacter + kColumnPadding;
}

std::string field_expression(std::string_view source, std::string_view field) {
  std::string quoted;
  for (char c : field) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return "[" + std::string(source) + ".\"" + quoted + "\"]";
}

void show_field(MemoView& memo, std::string_view source, const StarterField& f) {
  memo.set_text(field_expression(source, f.name));
  memo.halign = f.numeric ? HAlign::Right : HAlign::Left;
  if (f.numeric) {
    DisplayFormat& format = memo.display_format();
    format.kind = FormatKind::Numeric;
    format.format_str = kNumberFormat;
    format.decimal_separator = ",";
  }
}

void show_caption(MemoView& memo, const StarterField& f) {
  memo.set_text(f.name);
  make_bold(memo);
  memo.halign = f.numeric ? HAlign::Right : HAlign::Left;
  memo.frame.typ = kFrameBottom;
}

std::vector<StarterField> starter_fields(DataSet& source) {
  std::vector<StarterField> out;
  for (const std::string& name : source.field_list()) {
    StarterField f{name, source.display_width(name), false};
    f.numeric = source.field_type(name) == FieldType::Other && !source.is_blob_field(name);
    out.push_back(std::move(f));
  }
  return out;
}

void make_starter_template(Report& report, std::string_view title, std::string_view source_name,
                           const std::vector<StarterField>& fields) {
  report.clear();
  report.ensure_data_page();
  report.engine_options.double_pass = true;
  report.report_options.name = std::string(title);
  report.add_dataset_item().data.set_name(source_name, &report);

  auto* page = report.add_new<ReportPage>();
  page->set_name("Page1");
  page->set_defaults();

  std::vector<double> widths;
  for (const StarterField& f : fields) widths.push_back(field_column_width(f));
  double total = std::accumulate(widths.begin(), widths.end(), 0.0);
  if (total > page->printable_width()) page->set_orientation(Orientation::Landscape);
  const double room = page->printable_width();
  if (total > room)
    for (double& w : widths) w = std::floor(w * room / total);

  auto* title_band = add_band<ReportTitle>(*page, "ReportTitle1", 20, kTitleHeight + 4);
  MemoView* heading = add_memo(*title_band, 0, room, kTitleHeight, title);
  heading->font_for_update().height = -21;
  make_bold(*heading);
  heading->halign = HAlign::Center;

  auto* header = add_band<PageHeader>(*page, "PageHeader1", 80, kRowHeight + 2);
  auto* data = add_band<MasterData>(*page, "MasterData1", 120, kRowHeight);
  data->data.set_name(source_name, &report);
  double left = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    show_caption(*add_memo(*header, left, widths[i], kRowHeight, ""), fields[i]);
    show_field(*add_memo(*data, left, widths[i], kRowHeight, ""), source_name, fields[i]);
    left += widths[i];
  }

  auto* summary = add_band<ReportSummary>(*page, "ReportSummary1", 160, kRowHeight + 4);
  MemoView* count = add_memo(*summary, 0, room, kRowHeight, "Liczba wierszy: [COUNT(MasterData1)]");
  make_bold(*count);
  count->frame.typ = kFrameTop;

  auto* footer = add_band<PageFooter>(*page, "PageFooter1", 200, kFooterHeight);
  MemoView* pages = add_memo(*footer, 0, room, kFooterHeight, "Strona [Page#] z [TotalPages#]");
  pages->halign = HAlign::Right;
}

}  // namespace orvena::report
