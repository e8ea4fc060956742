#include "export/filter.h"

#include <algorithm>
#include <charconv>

#include "core/error.h"
#include "core/error_text.h"
#include "export/object_cast.h"
#include "report/bands.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::exporting {

// ---- Filter base -------------------------------------------------------------------------------

ExportFilter::ExportFilter(const FilterKind& kind)
    : default_ext(kind.extension), filter_desc(kind.dialog_filter), m_description(kind.description) {}

ExportFilter::~ExportFilter() = default;

std::filesystem::path ExportFilter::target() const {
  std::filesystem::path name = file_name;
  if (slave_export) {
    std::filesystem::path folder = report && !report->engine_options.temp_dir.empty()
                                       ? std::filesystem::path(report->engine_options.temp_dir)
                                       : std::filesystem::temp_directory_path();
    std::string stem =
        report && !report->file_name().empty() ? report->file_name().stem().string() : "orvena";
    name = folder / (stem + default_ext);
  }
  if (name.empty()) return {};
  if (!name.has_parent_path() && !default_path.empty()) name = default_path / name;
  return name;
}

// ---- Registry ----------------------------------------------------------------------------------

ExportFilter& FilterRegistry::add(std::unique_ptr<ExportFilter> filter) {
  m_filters.push_back(std::move(filter));
  return *m_filters.back();
}

std::vector<ExportFilter*> FilterRegistry::filters() const {
  std::vector<ExportFilter*> out;
  for (const auto& f : m_filters) out.push_back(f.get());
  return out;
}

std::vector<std::string> FilterRegistry::menu_captions() const {
  std::vector<std::string> out;
  for (const auto& f : m_filters) out.push_back(f->description() + "...");
  return out;
}

// ---- Page ranges -------------------------------------------------------------------------------

std::vector<int> expand_page_numbers(std::string_view text, int page_count) {
  std::string s;
  for (char c : text)
    if (c != ' ') s += c;
  std::vector<int> out;
  if (s.empty()) return out;
  if (s.back() == '-') s += std::to_string(page_count);
  s += ',';
  auto number = [](std::string_view part) {
    int value = 0;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (part.empty() || ec != std::errc() || end != part.data() + part.size())
      throw core::Error("'" + std::string(part) + "' nie jest prawidłową wartością całkowitą");
    return value;
  };
  std::optional<int> range_start;
  size_t begin = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '-') {
      range_start = number(std::string_view(s).substr(begin, i - begin));
      begin = i + 1;
    } else if (s[i] == ',') {
      int n = number(std::string_view(s).substr(begin, i - begin));
      if (range_start) {
        for (int k = *range_start; k <= n; ++k) out.push_back(k);
      } else {
        out.push_back(n);
      }
      range_start.reset();
      begin = i + 1;
    }
  }
  return out;
}

// ---- The walk ----------------------------------------------------------------------------------

namespace {

// Resolving the macros joins the lines and splits them again, which is worth doing only when a
// macro can be there ("[TOTALPAGES#]", "[COPYNAME#]") or when the round trip itself changes the
// lines: a line break inside a line, or a last line that is empty.
bool may_hold_macros(const std::vector<std::string>& lines) {
  if (!lines.empty() && lines.back().empty()) return true;
  for (const std::string& line : lines)
    if (line.find_first_of("#\r\n") != std::string::npos) return true;
  return false;
}

}  // namespace

void visit_page_objects(report::ReportPage& page, int index, int page_count, PageVisit options,
                        const std::function<void(report::Component&)>& visit) {
  auto offer = [&](report::Component& object) {
    auto* view = object_cast<report::View>(&object);
    if (options.data_only && !object_cast<report::DataBand>(object.parent())) return;
    if (view && !(view->visibility & report::kVisExport)) return;
    // Page-count macros left in a memo's text are resolved now that the count is known.
    if (auto* memo = object_cast<report::CustomMemoView>(&object)) {
      memo->total_pages = page_count;
      if (may_hold_macros(memo->memo)) memo->extract_macros();
      // The text is final now: an auto-width memo takes the width of its widest line.
      if (memo->auto_width) memo->set_width(memo->calc_width());
    }
    visit(object);
  };
  bool mirrored = page.mirror_margins && index % 2 == 1;
  page.set_left((mirrored ? page.right_margin : page.left_margin) * kPixelsPerMillimetre);
  page.set_top(page.top_margin * kPixelsPerMillimetre);
  report::PictureView background;
  background.set_name(kPageBackgroundName);
  background.fill.set_color(page.color);
  background.frame = page.frame;
  background.picture = page.back_picture;
  background.stretched = true;
  background.keep_aspect_ratio = false;
  background.set_bounds(page.left(), page.top(),
                        page.width() - (page.left_margin + page.right_margin) * kPixelsPerMillimetre,
                        page.height() - (page.top_margin + page.bottom_margin) * kPixelsPerMillimetre);
  offer(background);
  for (size_t k = 0; k < page.count(); ++k) {
    report::Component& object = *page.object(k);
    if (options.suppress_page_headers_footers) {
      if (object_cast<report::PageHeader>(&object) && index != 0) continue;
      if (object_cast<report::PageFooter>(&object) && index != page_count - 1) continue;
    }
    offer(object);
    for (size_t c = 0; c < object.count(); ++c) offer(*object.object(c));
  }
}

namespace {

struct Walk {
  report::Report& report;
  report::PreparedPages& pages;
  ExportFilter& filter;
  std::vector<int> numbers;

  void export_object(report::Component& object) {
    filter.export_object(object);
    if (report.terminated) throw ExportTerminated();
  }

  void export_page(int i) {
    int count = pages.count();
    if (i >= count) return;
    if (!numbers.empty() && std::find(numbers.begin(), numbers.end(), i + 1) == numbers.end()) return;
    report::ReportPage& page = pages.page(i);
    if (filter.show_progress) report.progress_step(report::ProgressKind::Exporting, i + 1);

    filter.start_page(page, i);
    struct FinishPage {
      ExportFilter& filter;
      report::ReportPage& page;
      int index;
      ~FinishPage() noexcept(false) {
        // Not while another exception is on its way: that one is the one to report.
        if (std::uncaught_exceptions() == 0)
          filter.finish_page(page, index);
        else
          try {
            filter.finish_page(page, index);
          } catch (...) {
          }
      }
    } finish_page{filter, page, i};

    visit_page_objects(page, i, count, {filter.data_only, filter.suppress_page_headers_footers},
                       [this](report::Component& object) { export_object(object); });
  }

  void run() {
    if (filter.on_begin_export) filter.on_begin_export();
    if (!filter.start()) return;
    struct Finish {
      Walk& walk;
      ~Finish() noexcept(false) {
        if (walk.filter.show_progress) walk.report.progress_stop(report::ProgressKind::Exporting);
        if (std::uncaught_exceptions() == 0)
          walk.filter.finish();
        else
          try {
            walk.filter.finish();
          } catch (...) {
          }
      }
    } finish{*this};
    if (filter.show_progress) report.progress_start(report::ProgressKind::Exporting);
    for (int i = 0; i < pages.count(); ++i) {
      export_page(i);
      // Without a preview only one rebuilt page is alive at a time.
      pages.clear_cache();
      if (!report.engine_options.enable_thread_safe && report.pump) report.pump();
    }
  }
};

}  // namespace

bool export_report(report::Report& report, report::PreparedPages& pages, ExportFilter& filter) {
  filter.creation_time = report.clock ? report.clock->now() : core::SystemClock().now();
  filter.report = &report;
  filter.prepared = &pages;
  if (filter.show_dialog && filter.show_modal() != 1) return false;
  if (filter.cur_page) filter.page_numbers = "1";  // no preview window in this program

  bool result = true;
  report.terminated = false;
  try {
    Walk walk{report, pages, filter, expand_page_numbers(filter.page_numbers, pages.count())};
    walk.run();
  } catch (const ExportTerminated&) {
  } catch (const std::exception& e) {
    result = false;
    report.add_error(core::error_text(e));
    std::string text = "Pojawił się następujący błąd(y):\r\n";
    for (size_t i = 0; i < report.errors().size(); ++i) text += (i ? "\r\n" : "") + report.errors()[i];
    report.report_error(text);
  }
  return result;
}

}  // namespace orvena::exporting
