#pragma once
// Page generation: a loaded report and its data sources become prepared pages.
//
//   PreparedPages pages(report);
//   Engine engine(report, pages);
//   bool ok = engine.run();   // false: structural errors are in report.errors()
//
// The engine walks the report pages, prints their bands in the fixed order (title, page header,
// column header, data bands with their headers, groups, footers and details, summary, column and
// page footers), breaks pages and columns, stretches and shifts objects, keeps blocks together and
// reprints headers. It never draws: each printed band goes to the store, which copies it, and the
// band's objects are put back as they were (before_print / after_print) for the next record.
// Exceptions from sources, scripts and expressions leave run(); the end-of-run steps (OnStopReport,
// finalising the sources, finishing the store) happen anyway.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/variant.h"
#include "report/engine_context.h"
#include "report/report.h"

namespace orvena::report {

class Band;
class Component;
class DataBand;
class EngineContext;
class GroupHeader;
class PreparedPages;
class ReportPage;
class View;
class CustomMemoView;
class Subreport;

namespace engine {

// Kind numbers of the bands (Band::kind_number), stored once per band for the run.
enum BandKind : int {
  kTitle = 0,
  kSummary = 1,
  kPageHeader = 2,
  kPageFooter = 3,
  kHeader = 4,
  kFooter = 5,
  kMasterData = 6,
  kDetailData = 7,
  kSubdetailData = 8,
  kData4 = 9,
  kData5 = 10,
  kData6 = 11,
  kGroupHeader = 12,
  kGroupFooter = 13,
  kChild = 14,
  kColumnHeader = 15,
  kColumnFooter = 16,
  kOverlay = 17,
};

// One edge of a band's shift tree: `object` moves with `parent` (-1: the band itself).
// What the hot path needs of an object, found once when the tree is built.
struct ShiftNode {
  View* object = nullptr;
  int parent = -1;
  CustomMemoView* memo = nullptr;  // a text object
  bool stretches = false;          // StretchMode is not smDontStretch
  bool max_height = false;         // StretchMode is smMaxHeight
  Subreport* subreport = nullptr;
};

// What the run keeps about one band beside the band itself.
struct BandInfo {
  Band* band = nullptr;
  int kind = 0;
  bool carrier = false;      // an invisible carrier band, never broken across pages
  DataBand* data = nullptr;  // the band as a data band, if it is one
  GroupHeader* group_header = nullptr;
  std::vector<BandInfo*> sub_bands;  // detail data bands; for a chain's first group header, the chain
  BandInfo* header = nullptr;
  BandInfo* footer = nullptr;
  BandInfo* group = nullptr;             // data band: the first header of its group chain
  std::vector<BandInfo*> group_footers;  // group header: its footers
  BandInfo* child = nullptr;
  int line_n = 1, line_through = 1;
  core::Variant last_condition;
  std::vector<ShiftNode> shift_tree;  // objects in order of Top, parents before children
  bool shift_tree_built = false;
  double placed_top = 0;  // where it was last printed
  // A data band in columns: the column of the next record, where the row began, its lowest bottom.
  int cur_column = 1;
  double row_y = 0, max_y = 0;
  // Objects a PrintOnParent sub-report printed into the band, and its height before they came.
  std::vector<Component*> captured;
  double height_before_capture = -1;
};

struct PageInfo {
  ReportPage* page = nullptr;
  std::vector<BandInfo*> data_bands;  // top-level master data bands with a source
  BandInfo *title = nullptr, *summary = nullptr, *page_header = nullptr, *page_footer = nullptr,
           *column_header = nullptr, *column_footer = nullptr, *overlay = nullptr;
};

}  // namespace engine

class Engine : public ScriptedEngine {
 public:
  Engine(Report& report, PreparedPages& pages);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // A whole generation run. False when the template's structure is wrong (the reasons are in
  // report.errors()) or a dialog was cancelled; exceptions from data, scripts and expressions
  // propagate.
  bool run();
  // Sets the report's terminated flag: the run ends at the next record or page.
  void stop_report() override { m_report.terminated = true; }

  // Room left on the current page or column above the footers.
  double free_space() const override;
  double page_height() const override { return m_page_height; }
  double page_width() const override { return m_page_width; }
  double cur_x() const override { return m_cur_x; }
  void set_cur_x(double x) override { m_cur_x = x; }
  double cur_y() const override { return m_cur_y; }
  void set_cur_y(double y) override { m_cur_y = y; }
  int cur_column() const override { return m_cur_column; }
  // What a script calls: a band shown out of the usual order, a page or column break.
  void show_band(Band& band) override;
  void new_page() override;
  void new_column() override;
  // A named place at the current position, for links to it.
  void add_anchor(std::string_view name) override;

 private:
  struct Keep {
    bool active = false;
    engine::BandInfo* band = nullptr;
    double start_y = 0;
    size_t position = 0;
    // The outline level current when the keep began and its last item then: the items added
    // after it belong to the kept block and move with it.
    XmlItem* outline_level = nullptr;
    int outline_position = -1;
    // Reprinted headers registered when the keep began: those registered later were printed
    // inside the kept block and move with it, so a new page must not print them again.
    size_t headers = 0;
  };
  // A PrintOnParent sub-report being printed into `host`: where its next band goes.
  struct Capture {
    Band* host;
    double x, y;
    std::vector<Component*> added;
  };
  struct HeaderEntry {
    engine::BandInfo* band;
    double left;
  };

  // ---- structure (engine_structure.cpp) ----
  void build_structure(engine::PageInfo& page);
  engine::BandInfo& info(Band& band);
  void check_shared_sources(const engine::PageInfo& page);
  // Paper and band sizes no writer can make are the run's errors before anything is generated.
  void check_sizes(const engine::PageInfo& page);
  static void build_shift_tree(engine::BandInfo& band);

  // ---- run and pages (engine.cpp) ----
  void run_pages();
  void run_page(engine::PageInfo& page);
  void run_page_instance(engine::PageInfo& page);
  bool page_has_data(const engine::PageInfo& page);
  void start_page(engine::PageInfo& page);
  void print_loose_objects(engine::PageInfo& page);
  void add_page();
  void end_page();
  double footer_height() const;
  void remove_header(engine::BandInfo* band);

  // ---- data bands (engine_data.cpp) ----
  void run_data_bands(const std::vector<engine::BandInfo*>& bands);
  void run_data_band(engine::BandInfo& band);
  bool record_passes(engine::BandInfo& band);
  bool has_detail_record(engine::BandInfo& band);
  // Each group that starts marks its first record in its footers.
  void show_group_headers(engine::BandInfo& first, size_t from, bool first_instance, const DataSet& source);
  void check_group_change(engine::BandInfo& band);
  void show_group_footers(engine::BandInfo& first, size_t down_to, engine::BandInfo& data);

  // ---- showing bands (engine_show.cpp) ----
  void show_band(engine::BandInfo* band);
  void prepare_band(engine::BandInfo& band);
  void place_band(engine::BandInfo& band);
  void after_print(engine::BandInfo& band);
  void note_width(const engine::BandInfo& band);
  void print_in_parts(engine::BandInfo& band);
  void run_subreports(engine::BandInfo& band);
  void print_on_parent(engine::BandInfo& band);
  void start_keep(engine::BandInfo& band);
  void end_keep(engine::BandInfo& band);
  void drop_keep();
  void move_kept_outline(double dy);
  void forget_last_values(engine::BandInfo& band);

  Report& m_report;
  PreparedPages& m_pages;
  std::unique_ptr<EngineContext> m_ctx;
  std::vector<std::unique_ptr<engine::BandInfo>> m_bands;
  std::vector<std::unique_ptr<engine::PageInfo>> m_page_infos;

  engine::PageInfo* m_page = nullptr;
  double m_page_width = 0, m_page_height = 0;
  double m_cur_x = 0, m_cur_y = 0, m_first_column_y = 0;
  double m_widest = 0;  // right edge of the widest band on the page, for an endless width
  int m_cur_column = 1;
  double m_last_page_footer = 0;
  bool m_first_page = true, m_last_page = false, m_first_band = true, m_adding_page = false,
       m_ending_page = false, m_summary_printed = false;
  Keep m_keep;
  std::vector<HeaderEntry> m_headers;
  engine::BandInfo* m_start_new_page_band = nullptr;
  // How many of m_headers the page being added reprints (fewer when a kept block brings its own).
  size_t m_reprinted_headers = SIZE_MAX;
  // A band that did not fit and goes to the next page or column: printed there, not reprinted.
  engine::BandInfo* m_moving_band = nullptr;
  engine::BandInfo* m_last_band_on_page = nullptr;
  Capture* m_capture = nullptr;
};

// PrepareReport's generation step: a run of the engine into a store the generator owns.
class EngineGenerator : public ReportGenerator {
 public:
  explicit EngineGenerator(Report& report);
  ~EngineGenerator() override;
  void clear_prepared_pages(Report& report) override;
  bool generate(Report& report) override;
  PreparedPages& pages() { return *m_pages; }

 private:
  std::unique_ptr<PreparedPages> m_pages;
};

}  // namespace orvena::report
