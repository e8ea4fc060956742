// The run, report pages and their physical pages: starting, adding, breaking and ending pages
// and columns, and the header list reprinted at the top of each.
#include "report/engine/engine.h"

#include <algorithm>

#include "core/locale.h"
#include "report/bands.h"
#include "report/engine_context.h"
#include "report/memo/aggregates.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/units.h"
#include "report/views.h"
#include "script/script.h"

namespace orvena::report {

using namespace engine;

namespace {

constexpr double kMmToUnits = 3.77953;

// The end-of-run steps, however the run ends.
// On the normal path finish() runs them and a failure there is the run's failure; when an
// exception is already leaving the run, the destructor runs them and keeps that exception.
class RunEnd {
 public:
  RunEnd(Report& report, PreparedPages& pages) : m_report(report), m_pages(pages) {}
  ~RunEnd() {
    if (m_done) return;
    try {
      finish();
    } catch (...) {
    }
  }
  void finish() {
    m_done = true;
    struct StoreFinish {
      PreparedPages& pages;
      ~StoreFinish() { pages.finish(); }
    } store{m_pages};
    if (ctx) ctx->call_handler(m_report.on_stop_report, &m_report);
    if (sources_initialized) m_report.finalize_data_sets();
  }
  EngineContext* ctx = nullptr;
  bool sources_initialized = false;

 private:
  Report& m_report;
  PreparedPages& m_pages;
  bool m_done = false;
};

}  // namespace

Engine::Engine(Report& report, PreparedPages& pages) : m_report(report), m_pages(pages) {}
Engine::~Engine() = default;

bool Engine::run() {
  m_pages.initialize();
  RunEnd run_end(m_report, m_pages);
  m_report.clear_errors();
  for (auto& child : m_report.objects()) {
    if (!child->is(ReportPage::static_class())) continue;
    auto p = std::make_unique<PageInfo>();
    p->page = static_cast<ReportPage*>(child.get());
    m_page_infos.push_back(std::move(p));
  }
  for (auto& p : m_page_infos) build_structure(*p);
  for (auto& p : m_page_infos) check_shared_sources(*p);
  for (auto& p : m_page_infos) check_sizes(*p);
  if (!m_report.errors().empty()) return false;

  m_ctx = std::make_unique<EngineContext>(m_report);
  m_ctx->engine = this;
  if (!m_ctx->prepare_script()) return false;
  // The main block runs once before anything is generated; it may set variables and objects
  // the bands then show, or end the run before it starts.
  m_ctx->execute_main_block();
  if (m_report.terminated) return false;
  m_ctx->state.start = m_ctx->clock().now();
  run_end.ctx = m_ctx.get();

  run_end.sources_initialized = true;
  m_report.initialize_data_sets();
  m_ctx->call_handler(m_report.on_start_report, &m_report);
  // Dialog pages need an operator; an unattended run has none, so they are not shown.

  for (auto& p : m_page_infos) {
    m_pages.add_source_page(*p->page);
    m_ctx->totals().add_items(totals_scopes(*p->page));
  }

  bool double_pass = m_report.engine_options.double_pass;
  m_ctx->state.final_pass = !double_pass;
  m_ctx->state.total_pages_physical = 0;
  m_pages.begin_pass(double_pass ? PreparePass::First : PreparePass::Single);
  run_pages();
  if (double_pass && !m_report.terminated) {
    m_ctx->state.total_pages_physical = m_pages.count();
    // Logical numbering restarts only where a page asks for it; otherwise it is the page count.
    int logical = m_pages.logical_total_pages(m_pages.count());
    m_ctx->state.total_pages = logical > 0 ? logical : m_pages.count();
    m_pages.set_cur_page(m_pages.count() - 1);
    m_pages.clear_first_pass_pages();
    m_ctx->totals().clear_values();
    m_ctx->state.final_pass = true;
    m_pages.begin_pass(PreparePass::Final);
    run_pages();
  }
  run_end.finish();
  return true;
}

void Engine::run_pages() {
  auto all_pages = [&] {
    for (auto& p : m_page_infos) {
      if (m_report.terminated) return;
      if (!p->page->visible || p->page->subreport) continue;
      run_page(*p);
    }
  };
  if (DataSet* main = m_report.data.get()) {
    for (main->first(); !main->eof() && !m_report.terminated; main->next()) all_pages();
  } else {
    all_pages();
  }
}

void Engine::run_page(PageInfo& page) {
  m_ctx->call_handler(page.page->on_before_print, page.page);
  if (DataSet* source = page.page->data.get()) {
    for (source->first(); !source->eof() && !m_report.terminated; source->next()) run_page_instance(page);
  } else {
    for (int64_t i = 0; i < page.page->page_count() && !m_report.terminated; ++i) run_page_instance(page);
  }
  m_ctx->call_handler(page.page->on_after_print, page.page);
}

bool Engine::page_has_data(const PageInfo& page) {
  for (BandInfo* b : page.data_bands) {
    DataSet& source = b->data->data.get() ? *b->data->data.get() : b->data->row_source();
    for (source.first(); !source.eof(); source.next())
      if (b->sub_bands.empty() || b->data->print_if_detail_empty || has_detail_record(*b)) return true;
  }
  return false;
}

void Engine::run_page_instance(PageInfo& page) {
  if (!m_report.engine_options.print_if_empty && !page_has_data(page)) return;
  m_page = &page;
  start_page(page);
  print_loose_objects(page);
  if (!page.page->on_manual_build.empty())
    m_ctx->call_handler(page.page->on_manual_build, page.page);
  else
    run_data_bands(page.data_bands);
  m_last_page = true;
  end_page();
  m_last_page = false;
}

void Engine::print_loose_objects(PageInfo& page) {
  ReportPage& p = *page.page;
  std::vector<std::pair<Component*, int>> loose;  // with their places among the page's children
  for (auto& child : p.objects())
    if (!child->is(Band::static_class())) loose.push_back({child.get(), child->index_in_parent()});
  if (loose.empty()) return;
  // They print through a carrier band of the page's size at the cursor, which then stays where
  // it was; the objects go back to the page and the carrier is dropped, so the template is as
  // before and no band record outlives it.
  auto carrier = std::make_unique<NullBand>();
  Band* band = carrier.get();
  band->set_bounds(0, 0, m_page_width, m_page_height);
  p.add(std::move(carrier));
  for (auto& [object, index] : loose) object->set_parent(band);
  double y = m_cur_y;
  try {
    show_band(*band);
  } catch (...) {
    for (auto& [object, index] : loose) object->set_parent(&p);
    band->set_parent(nullptr);
    throw;
  }
  m_cur_y = y;
  for (auto& [object, index] : loose) {
    object->set_parent(&p);
    object->move_to_index(static_cast<size_t>(index));
  }
  std::erase_if(m_bands, [&](const auto& info) { return info->band == band; });
  band->set_parent(nullptr);
}

void Engine::start_page(PageInfo& page) {
  ReportPage& p = *page.page;
  m_headers.clear();
  auto add_entry = [&](BandInfo* b) {
    if (b) m_headers.push_back({b, 0});
  };
  if (p.title_before_header) {
    add_entry(page.title);
    add_entry(page.page_header);
  } else {
    add_entry(page.page_header);
    add_entry(page.title);
  }
  m_page_width = p.printable_width();
  m_page_height = p.printable_height();
  m_cur_x = m_cur_y = 0;
  m_cur_column = 1;
  m_first_page = true;
  m_last_page = false;
  m_summary_printed = false;
  m_keep = {};
  if (p.reset_page_numbers) m_pages.reset_logical_page_number();
  if (m_pages.count() > 0 && p.print_on_previous_page) {
    m_pages.set_cur_page(m_pages.count() - 1);
    m_cur_y = m_pages.last_y();
    m_first_page = false;
    if (page.title) {
      remove_header(page.title);
      show_band(page.title);
    }
  } else {
    add_page();
    m_first_column_y = m_cur_y;
  }
  if (page.column_header) {
    show_band(page.column_header);
    m_headers.push_back({page.column_header, 0});
  }
  remove_header(page.title);
  if (!p.outline_text.empty()) {
    m_pages.outline().level_root();
    m_pages.outline().add_item(m_ctx->calc(p.outline_text).to_string(), m_pages.cur_page(), m_cur_y);
  }
}

void Engine::remove_header(BandInfo* band) {
  std::erase_if(m_headers, [&](const HeaderEntry& e) { return e.band == band; });
}

void Engine::add_page() {
  m_last_page_footer = 0;
  m_pages.add_page(*m_page->page);
  m_ctx->state.page_index = m_pages.cur_page();
  m_ctx->state.page = m_pages.logical_page_no();
  m_first_band = true;
  m_cur_y = 0;
  m_widest = 0;
  m_first_column_y = 0;
  m_adding_page = true;
  if (m_page->overlay && !m_page->overlay->band->print_on_top) {
    show_band(m_page->overlay);
    m_cur_y = 0;
  }
  std::vector<HeaderEntry> entries(m_headers.begin(),
                                   m_headers.begin() + std::min(m_reprinted_headers, m_headers.size()));
  for (const HeaderEntry& e : entries) {
    BandInfo* b = e.band;
    if (b == m_start_new_page_band || b == m_moving_band) continue;
    if (b->kind == kPageHeader && m_first_page && !b->band->print_on_first_page) {
      if (b->band->print_child_if_invisible) show_band(b->child);
      continue;
    }
    if (m_last_band_on_page && b == m_last_band_on_page->header) continue;
    int saved_line = m_ctx->state.line, saved_through = m_ctx->state.line_through;
    m_ctx->state.line = b->line_n;
    m_ctx->state.line_through = b->line_through;
    double x = m_cur_x;
    m_cur_x = e.left;
    show_band(b);
    m_cur_x = x;
    m_ctx->state.line = saved_line;
    m_ctx->state.line_through = saved_through;
    if (b->kind == kTitle) remove_header(b);
    if (b->kind == kPageHeader) m_first_column_y = m_cur_y;
  }
  m_adding_page = false;
}

double Engine::footer_height() const {
  double h = 0;
  if (m_page && m_page->page_footer && m_page->page_footer->band->visible)
    h += m_page->page_footer->band->height();
  if (m_page && m_page->column_footer && m_page->column_footer->band->visible)
    h += m_page->column_footer->band->height();
  return h;
}

double Engine::free_space() const {
  if (m_page && m_page->page->endless_height) return 1000000;
  if (m_last_page_footer != 0) return m_page_height - m_cur_y - m_last_page_footer;
  return m_page_height - m_cur_y - footer_height();
}

void Engine::end_page() {
  if (m_ending_page) return;
  m_ending_page = true;
  if (m_page->column_footer) {
    show_band(m_page->column_footer);
    m_ctx->totals().reset(*m_page->column_footer->band);
  }
  if (m_last_page && !m_summary_printed && m_page->summary) {
    m_summary_printed = true;
    show_band(m_page->summary);
  }
  if (BandInfo* footer = m_page->page_footer) {
    Band& f = *footer->band;
    bool skip = (m_first_page && !f.print_on_first_page) || (m_last_page && !f.print_on_last_page);
    if (!skip && !m_pages.band_exists(f)) {
      // An endless page ends right below its last band.
      if (!m_page->page->endless_height) m_cur_y = m_page_height - f.height();
      show_band(footer);
      if (m_last_page) m_last_page_footer = f.height();
    }
    m_ctx->totals().reset(f);
  }
  const ReportPage& p = *m_page->page;
  if (p.endless_height || p.endless_width) {
    double height = p.endless_height ? m_cur_y + (p.top_margin + p.bottom_margin) * kMmToUnits
                                     : p.paper_height() * kMmToUnits;
    // An endless width grows to the widest band printed, never below the designed paper.
    double width = p.paper_width() * kMmToUnits;
    if (p.endless_width) width = std::max(width, m_widest + (p.left_margin + p.right_margin) * kMmToUnits);
    // An endless page grows with what it holds; past the largest paper no writer could make it.
    if (!(std::max(height, width) <= kMaxPaperMm * kMmToUnits + 1e-6)) {
      m_report.add_error("Strona " + p.name() + " urosła ponad największy dozwolony rozmiar papieru (" +
                         core::Locale::format_float(kMaxPaperMm) + " mm)");
      m_report.terminated = true;
    }
    m_pages.update_page_dimensions(p, height, width);
  }
  if (m_page->overlay && m_page->overlay->band->print_on_top) {
    m_cur_y = 0;
    show_band(m_page->overlay);
  }
  m_first_page = false;
  m_ending_page = false;
}

void Engine::new_page() {
  std::optional<double> kept_top;
  // A kept block taller than a page cannot move: the page breaks where it is.
  if (m_keep.active && m_cur_y - m_keep.start_y > m_page_height - footer_height()) drop_keep();
  bool pasting = m_keep.active && m_pages.current_position() > m_keep.position;
  if (pasting) {
    m_pages.cut_objects(m_keep.position);
    kept_top = m_cur_y - m_keep.start_y;
    m_cur_y = m_keep.start_y;
  }
  m_last_band_on_page = m_start_new_page_band;
  end_page();
  m_reprinted_headers = pasting ? m_keep.headers : m_headers.size();
  add_page();
  m_reprinted_headers = SIZE_MAX;
  m_last_band_on_page = nullptr;
  m_cur_column = 1;
  m_cur_x = 0;
  if (pasting) {
    m_pages.paste_objects(m_cur_x, m_cur_y);
    move_kept_outline(m_cur_y - m_keep.start_y);
    m_cur_y += *kept_top;
    m_first_band = false;
  }
  drop_keep();
}

void Engine::add_anchor(std::string_view name) {
  m_pages.add_anchor(name, m_cur_y);
}

void Engine::new_column() {
  ReportPage& p = *m_page->page;
  if (p.columns() < 2 || m_cur_column >= p.columns()) {
    new_page();
    return;
  }
  bool pasting = m_keep.active && m_pages.current_position() > m_keep.position;
  double kept = 0;
  if (pasting) {
    m_pages.cut_objects(m_keep.position);
    kept = m_cur_y - m_keep.start_y;
  }
  // The column footer follows the column's last band, as on the page's last column, so the
  // footers of one page line up when their columns are full.
  if (m_page->column_footer) show_band(m_page->column_footer);
  ++m_cur_column;
  size_t index = static_cast<size_t>(m_cur_column - 1);
  m_cur_x = index < p.column_positions.size()
                ? core::Locale::parse_float(p.column_positions[index]).value_or(0) * kMmToUnits
                : (m_page_width / static_cast<double>(p.columns())) * static_cast<double>(index);
  m_cur_y = m_first_column_y;
  size_t reprinted = pasting ? std::min(m_keep.headers, m_headers.size()) : m_headers.size();
  for (const HeaderEntry& e : std::vector<HeaderEntry>(m_headers.begin(), m_headers.begin() + reprinted)) {
    if (e.band->kind == kPageHeader || e.band == m_start_new_page_band || e.band == m_moving_band) continue;
    show_band(e.band);
  }
  if (pasting) {
    m_pages.paste_objects(m_cur_x, m_cur_y);
    move_kept_outline(m_cur_y - m_keep.start_y);
    m_cur_y += kept;
  }
  drop_keep();
}

namespace {

void move_outline_item(XmlItem& item, int page, double dy) {
  prepared::set_item_number(item, "page", page);
  prepared::set_item_number(item, "top", prepared::item_float(item, "top") + dy);
  for (auto& child : item.items()) move_outline_item(*child, page, dy);
}

}  // namespace

// Bookmarks of a kept block lead to where the block went: the current page (a new page, or the
// same one for a new column), `dy` lower or higher.
void Engine::move_kept_outline(double dy) {
  if (!m_keep.outline_level) return;
  XmlItem& level = *m_keep.outline_level;
  for (size_t i = static_cast<size_t>(m_keep.outline_position + 1); i < level.count(); ++i)
    move_outline_item(level[i], m_pages.cur_page(), dy);
}

// A moved block's totals count on the page it moved to.
void Engine::drop_keep() {
  if (m_keep.active) m_ctx->totals().end_keep();
  m_keep = {};
}

// ---- Generator ---------------------------------------------------------------------------------

EngineGenerator::EngineGenerator(Report& report) : m_pages(std::make_unique<PreparedPages>(report)) {}
EngineGenerator::~EngineGenerator() = default;

void EngineGenerator::clear_prepared_pages(Report&) {
  m_pages->clear();
}

bool EngineGenerator::generate(Report& report) {
  Engine engine(report, *m_pages);
  return engine.run();
}

}  // namespace orvena::report
