#pragma once
// The store of prepared pages: what page generation hands over and what exporters walk.
//
// The engine, during a run:
//   initialize(); add_source_page(page) for every report page of the template;
//   begin_pass(pass); then for every page add_page(page) followed by add_object(band) for each
//   printed band (its visible objects are recorded with it, nested as printed); finish().
//   Keeping bands together uses current_position() / cut_objects() / paste_objects(); the rest
//   (last_y, band_exists, anchors, outline, logical page numbers) answers the engine's questions.
// Exporters and previews, afterwards:
//   for (int i = 0; i < pages.count(); ++i) { ReportPage& p = pages.page(i); ...; pages.clear_cache(); }
//   The page belongs to the store; it stays valid only until another page is asked for.
//
// A page is kept as records: each names the source copy of a template object by its alias and
// holds only how the printed object differed from it (objects with no template counterpart are
// recorded whole). Asking for a page makes a structural copy of each source object, applies the
// record over it and nests the objects as they were printed. Memory stays bounded: rebuilt pages
// live in a small most-recently-used cache, and finished pages' records move to a temporary file
// once MaxMemSize megabytes of records have been added (with EngineOptions.UseFileCache) or 32 MiB
// (without it).
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "report/component.h"
#include "report/pages.h"
#include "report/prepared/outline.h"
#include "report/prepared/picture_cache.h"
#include "report/prepared/records.h"
#include "report/prepared/spill_file.h"
#include "report/xml_document.h"

namespace orvena::report {

class Band;
class Report;
class Serializer;

// Which run of the page generation is filling the store.
enum class PreparePass : uint8_t {
  Single,  // a one-pass report
  First,   // first of two: only sizes are recorded, the pages are removed afterwards
  Final,   // second of two: logical page numbers of the first pass are kept
};

// How much of a saved prepared report loading keeps in memory.
enum class PreparedLoad : uint8_t {
  Whole,    // every page's records
  Partial,  // the pages saved as unloadable (all from the third on) go to the temporary file
            // and come back one at a time when asked for
};

struct PageSize {
  int width = 0, height = 0;  // units
};

class PreparedPages {
 public:
  explicit PreparedPages(Report& report);
  ~PreparedPages();
  PreparedPages(const PreparedPages&) = delete;
  PreparedPages& operator=(const PreparedPages&) = delete;

  // Empties everything: pages, source copies, dictionary, pictures, outline, anchors.
  void clear();

  // ---- Filling (page generation) ----------------------------------------------------------
  // Takes the picture-cache mode and temporary folder from the report; starts its progress.
  void initialize();
  // Copies `page` and its preview-visible descendants as the source of later records.
  void add_source_page(const ReportPage& page);
  // An object made during the run becomes a source object of its own (with a new alias).
  void add_to_source_page(const Component& object);
  void begin_pass(PreparePass pass);
  void add_page(const Component& page);
  // Records `object` (normally a band) and its visible, preview-visible descendants.
  void add_object(const Component& object);
  // Whether the current page holds this band (any page footer / column footer for those kinds).
  bool band_exists(const Band& band) const;
  // The number of top-level records on the current page.
  size_t current_position() const;
  // Moves the records from `position` on into the holding area, and back to the current page
  // with the first one at (x, y) and the others at the same distances from it.
  void cut_objects(size_t position);
  void paste_objects(double x, double y);
  // The lowest band bottom on the current page (page footers and overlays left out; with a
  // column position, only bands of that column, page headers and titles).
  double last_y(double column_position = 0) const;
  void set_last_y(double y) { m_last_y = y; }
  struct LastColumn {
    int column = 0;
    double position = 0;
  };
  LastColumn last_column() const;
  void update_page_last_column(int column, double position);
  // Makes the source page custom-sized (endless pages).
  void update_page_dimensions(const ReportPage& page, double height, double width);
  void set_first_page(int index) { m_first_page = index; }
  int first_page() const { return m_first_page; }
  // Removes what the first pass of two added; logical numbers and anchors stay.
  void clear_first_pass_pages();
  void finish();

  // ---- Anchors and logical page numbers --------------------------------------------------
  void add_anchor(std::string_view text, double cur_y);
  // The last matching anchor's page + 1, or 1.
  int anchor_page(std::string_view text) const;
  // The last matching anchor's top on its page (units), or 0.
  double anchor_top(std::string_view text) const;
  void shift_anchors(int from, double new_top);
  void inc_logical_page_number();
  void reset_logical_page_number();
  int logical_page_no() const;
  // 0 while the numbering run is not finished; `engine_total_pages` answers outside the list.
  int logical_total_pages(int engine_total_pages) const;

  // While a run fills the store, and which pass it is in: a preview shows the pages of a first
  // pass of two to nobody, since they are removed when the pass ends.
  bool generating() const { return m_generating; }
  PreparePass pass() const { return m_pass; }

  prepared::Outline& outline() { return m_outline; }
  const prepared::Outline& outline() const { return m_outline; }

  // ---- Reading (exporters, previews) -------------------------------------------------------
  int count() const;
  // The page rebuilt from its records (0 <= index < count()). Owned by the page cache.
  ReportPage& page(int index);
  // Rounded Width and Height; (0, 0) outside the pages.
  PageSize page_size(int index);
  void clear_cache();
  int cur_page() const { return m_cur_page; }
  void set_cur_page(int index) { m_cur_page = index; }

  // ---- Editing ---------------------------------------------------------------------------
  // The page at `index` becomes `page` as a whole.
  void modify_page(int index, const ReportPage& page);
  // An empty page of the same source before `index`.
  void add_empty_page(int index);
  // Refused (false) when only one page is left.
  bool delete_page(int index);

  // ---- Files -------------------------------------------------------------------------------
  std::string save_to_stream();
  // Replaces the store's content; throws XmlError / core::Error for a stream it cannot read.
  // `bytes` need not outlive the call in either mode.
  void load_from_stream(std::string_view bytes, const XmlLimits& limits = {},
                        PreparedLoad mode = PreparedLoad::Whole);

  // ---- Inspection ------------------------------------------------------------------------
  // The page item with its records (reloaded from the temporary file when it was moved there).
  const XmlItem& page_record(int index);
  bool page_in_memory(int index) const;
  size_t cached_pages() const { return m_cache.size(); }
  const prepared::PictureCache& pictures() const { return m_pictures; }

 private:
  struct SourcePage {
    std::unique_ptr<ReportPage> copy;
  };
  struct SourceObject {
    std::string alias;
    std::string source_name;  // "Page<index>.<name>"
    Component* copy;
  };

  XmlItem& section(std::string_view name);
  XmlItem& pages_item() { return section("previewpages"); }
  XmlItem* current_page_item() const;
  void make_source_page(std::unique_ptr<ReportPage> copy);
  void register_source_object(Component& copy, int page_index, const Component* original);
  std::string unique_alias(std::string_view base);
  static std::string alias_base(const Component& c);
  void record(const Component& object, XmlItem& parent, bool whole_page);
  const Component* copy_of_record(const XmlItem& record) const;

  void unload_finished_pages();
  void unload(XmlItem& page);
  // Appends the records below `page` to the temporary file; returns the item offset for them.
  size_t spill(const XmlItem& page);
  void ensure_loaded(XmlItem& page);
  std::string read_spilled(const XmlItem& page) const;
  std::unique_ptr<ReportPage> rebuild_page(int index);
  std::unique_ptr<ReportPage> rebuild(const XmlItem& page);
  void build_children(const XmlItem& records, Component& parent, Serializer& reader);
  std::unique_ptr<Component> build_object(const XmlItem& record, Serializer& reader);
  void evict(std::pair<int, std::unique_ptr<ReportPage>>& entry);
  struct Geometry {
    double l = 0, t = 0, w = 0, h = 0;
  };
  Geometry record_geometry(const XmlItem& record) const;
  const ClassInfo* record_class(const XmlItem& record) const;

  void write_sections();
  void read_sections();

  Report& m_report;
  XmlDocument m_doc;
  std::vector<SourcePage> m_sources;
  std::map<std::string, SourceObject> m_dictionary;    // lower-cased alias -> source object
  std::unordered_map<std::string, long> m_next_alias;  // alias letter -> its last number given
  // Records name their object by the alias exactly as the dictionary holds it: looked up first,
  // without lower-casing every record name.
  std::unordered_map<std::string, const Component*> m_by_alias;
  std::unordered_map<const Component*, const SourceObject*> m_by_template;
  std::unordered_map<const Component*, int> m_source_index;  // template page -> source page
  prepared::PictureCache m_pictures;
  std::unique_ptr<prepared::SpillFile> m_spill;
  std::string m_spill_buffer;
  prepared::Outline m_outline;
  std::list<std::pair<int, std::unique_ptr<ReportPage>>> m_cache;

  int m_cur_page = -1;
  int m_first_page = 0;
  int m_pass_page = -1;
  size_t m_pass_objects = 0;
  size_t m_pass_outline = 0;
  int m_logical = 0;
  bool m_write_over = false;
  size_t m_added_size = 0;
  double m_last_y = 0;
  bool m_generating = false;
  PreparePass m_pass = PreparePass::Single;
};

}  // namespace orvena::report
