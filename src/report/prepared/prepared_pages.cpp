#include "report/prepared/prepared_pages.h"

#include <charconv>
#include <cmath>

#include "core/error.h"
#include "core/text.h"
#include "report/bands.h"
#include "report/class_registry.h"
#include "report/copy.h"
#include "report/report.h"
#include "report/serializer.h"
#include "report/views.h"

namespace orvena::report {

using prepared::item_float;
using prepared::item_int;
using prepared::set_item_number;

namespace {

constexpr std::string_view kWholePage = "TrpReportPage";
constexpr std::string_view kWholeDotMatrixPage = "TrpDMPPage";
constexpr size_t kRecordOverhead = sizeof(XmlItem) + 16;
// Without UseFileCache the records of finished pages still move to the temporary file once this
// much has been added: an unattended run has no one to notice a report growing the process
// without bound (10,000 pages of 50 texts hold about 100 MiB of records).
constexpr size_t kRecordCeiling = 32u << 20;
// Pages before this index stay in memory: the engine goes back to the first pages (page totals,
// printing on a previous page) more than to any other.
constexpr size_t kFirstUnloadablePage = 2;

bool is_whole_page(const XmlItem& page) {
  return page.name == kWholePage || page.name == kWholeDotMatrixPage;
}

// The source page index of a page item named "page<N>", or -1.
int source_index_of(const XmlItem& page) {
  std::string_view name = page.name;
  if (name.substr(0, 4) != "page") return -1;
  int index = -1;
  auto [end, ec] = std::from_chars(name.data() + 4, name.data() + name.size(), index);
  return (ec == std::errc() && end == name.data() + name.size()) ? index : -1;
}

bool preview_visible(const Component& c) {
  return c.visible && (c.style_flags & kPreviewVisible);
}

// A copy keeps what the template says about the object, not where its data comes from, nor its
// picture (printed pictures go to the picture cache).
void strip_copy(Component& copy) {
  if (copy.is(View::static_class())) {
    auto& view = static_cast<View&>(copy);
    view.data = DataLink{};
    view.data_field.clear();
  }
  if (copy.is(PictureView::static_class())) static_cast<PictureView&>(copy).picture = Picture{};
}

// A rebuilt text object looks as the highlight made it look when it printed, and the highlight is
// marked active for the writers that ask which one applies.
void show_highlight(CustomMemoView& memo, Highlight& h) {
  h.active = true;
  if (h.apply_font) memo.set_font(h.font);
  if (h.apply_fill) memo.fill = h.fill;
  if (h.apply_frame) memo.frame = h.frame;
  memo.visible = h.visible;
}

}  // namespace

PreparedPages::PreparedPages(Report& report) : m_report(report), m_outline(m_doc.root()) {
  clear();
}

PreparedPages::~PreparedPages() = default;

XmlItem& PreparedPages::section(std::string_view name) {
  if (XmlItem* item = m_doc.root().find(name)) return *item;
  return m_doc.root().add(name);
}

void PreparedPages::clear() {
  m_cache.clear();
  m_sources.clear();
  m_dictionary.clear();
  m_next_alias.clear();
  m_by_alias.clear();
  m_by_template.clear();
  m_source_index.clear();
  m_pictures.clear();
  m_spill.reset();
  m_doc.root().clear();
  m_doc.root().name = "preparedreport";
  pages_item();
  m_outline = prepared::Outline(section("outline"));
  section("anchors");
  section("logicalpagenumbers");
  m_cur_page = -1;
  m_first_page = 0;
  m_pass_page = -1;
  m_pass_objects = 0;
  m_pass_outline = 0;
  m_logical = 0;
  m_write_over = false;
  m_added_size = 0;
  m_last_y = 0;
  m_generating = false;
  m_pass = PreparePass::Single;
}

// ---- Source pages and aliases -------------------------------------------------------------------

std::string PreparedPages::alias_base(const Component& c) {
  if (c.is(Band::static_class())) return "b";
  std::string base = c.base_name();
  return base.empty() ? "o" : core::to_lower(base.substr(0, 1));
}

// Each letter counts on from where its last alias was given; a number already in use (an alias
// read from a file) is skipped. Linear over a run, however many objects share a letter.
std::string PreparedPages::unique_alias(std::string_view base) {
  long& n = m_next_alias[std::string(base)];
  std::string alias;
  do {
    alias = std::string(base) + std::to_string(++n);
  } while (m_dictionary.count(core::to_lower(alias)) > 0);
  return alias;
}

void PreparedPages::register_source_object(Component& copy, int page_index, const Component* original) {
  std::string alias = unique_alias(alias_base(copy));
  SourceObject entry{alias, "Page" + std::to_string(page_index) + "." + copy.name(), &copy};
  auto [it, inserted] = m_dictionary.emplace(core::to_lower(alias), std::move(entry));
  if (inserted) m_by_alias.emplace(it->second.alias, it->second.copy);
  if (original) m_by_template[original] = &it->second;
}

void PreparedPages::add_source_page(const ReportPage& page) {
  int index = static_cast<int>(m_sources.size());
  auto copy = clone_component(page, CopyChildren::No, CopyReferences::Drop);
  auto* page_copy = dynamic_cast<ReportPage*>(copy.get());
  if (!page_copy) throw core::Error("INTERNAL ERROR: a report page copies to another class");
  copy.release();
  m_sources.push_back({std::unique_ptr<ReportPage>(page_copy)});
  m_source_index[&page] = index;

  // Depth first, as the objects print, so aliases follow the page's order.
  std::vector<std::pair<const Component*, Component*>> stack;
  for (auto it = page.objects().rbegin(); it != page.objects().rend(); ++it)
    stack.emplace_back(it->get(), page_copy);
  while (!stack.empty()) {
    auto [original, parent] = stack.back();
    stack.pop_back();
    if (!(original->style_flags & kPreviewVisible)) continue;
    Component* copy_obj = parent->add(clone_component(*original, CopyChildren::No, CopyReferences::Drop));
    strip_copy(*copy_obj);
    register_source_object(*copy_obj, index, original);
    for (auto it = original->objects().rbegin(); it != original->objects().rend(); ++it)
      stack.emplace_back(it->get(), copy_obj);
  }
}

void PreparedPages::add_to_source_page(const Component& object) {
  if (m_sources.empty()) throw core::Error("INTERNAL ERROR: an object added before any source page");
  int index = 0;
  if (const Page* page = object.page()) {
    auto it = m_source_index.find(page);
    if (it != m_source_index.end()) index = it->second;
  }
  Component* copy = m_sources[static_cast<size_t>(index)].copy->add(
      clone_component(object, CopyChildren::No, CopyReferences::Drop));
  strip_copy(*copy);
  register_source_object(*copy, index, &object);
}

// ---- Filling ------------------------------------------------------------------------------------

void PreparedPages::initialize() {
  m_pictures.set_storage(m_report.preview_options.picture_cache_in_file
                             ? prepared::PictureCache::Storage::File
                             : prepared::PictureCache::Storage::Memory,
                         m_report.engine_options.temp_dir);
  m_generating = true;
  m_report.progress_start(ProgressKind::Running);
}

void PreparedPages::begin_pass(PreparePass pass) {
  m_pass = pass;
  m_pass_page = m_cur_page;
  XmlItem* page = current_page_item();
  if (page) ensure_loaded(*page);
  m_pass_objects = page ? page->count() : 0;
  m_pass_outline = m_outline.root().count();
  m_logical = 0;
}

XmlItem* PreparedPages::current_page_item() const {
  const XmlItem* pages = m_doc.root().find("previewpages");
  if (!pages || m_cur_page < 0 || static_cast<size_t>(m_cur_page) >= pages->count()) return nullptr;
  return &(*pages)[static_cast<size_t>(m_cur_page)];
}

void PreparedPages::add_page(const Component& page) {
  const EngineOptions& options = m_report.engine_options;
  size_t limit = options.use_file_cache
                     ? static_cast<size_t>(std::max<int64_t>(options.max_mem_size, 0)) << 20
                     : kRecordCeiling;
  if (m_added_size > limit) {
    unload_finished_pages();
    m_added_size = 0;
  }
  XmlItem& pages = pages_item();
  if (m_write_over && static_cast<size_t>(m_cur_page + 1) < pages.count()) {
    ++m_cur_page;
    return;
  }
  auto source = m_source_index.find(&page);
  int index = source == m_source_index.end() ? -1 : source->second;
  XmlItem& item = pages.add("page" + std::to_string(index));
  item.unloadable = pages.count() > kFirstUnloadablePage;
  item.offset = 0;
  m_cur_page = static_cast<int>(pages.count()) - 1;
  m_report.progress_step(ProgressKind::Running, m_cur_page + 1, m_pass == PreparePass::First);
  m_write_over = true;
  inc_logical_page_number();
}

void PreparedPages::add_object(const Component& object) {
  XmlItem* page = current_page_item();
  if (!page) throw core::Error("INTERNAL ERROR: an object printed before any page");
  ensure_loaded(*page);
  record(object, *page, is_whole_page(*page));
}

void PreparedPages::record(const Component& object, XmlItem& parent, bool whole_page) {
  if (!preview_visible(object)) return;
  auto source = whole_page ? m_by_template.end() : m_by_template.find(&object);
  XmlItem* item;
  if (source == m_by_template.end()) {
    item = &parent.add(object.class_name());
    item->text = prepared::full_record(object, m_pictures);
  } else {
    item = &parent.add(source->second->alias);
    auto detail =
        m_pass == PreparePass::First ? prepared::RecordDetail::Geometry : prepared::RecordDetail::Full;
    item->text = prepared::record_differences(object, *source->second->copy, detail, m_pictures);
  }
  m_added_size += item->name.size() + item->text.size() + kRecordOverhead;
  for (auto& child : object.objects()) record(*child, *item, whole_page);
}

const Component* PreparedPages::copy_of_record(const XmlItem& record) const {
  if (auto exact = m_by_alias.find(record.name); exact != m_by_alias.end()) return exact->second;
  auto it = m_dictionary.find(core::to_lower(record.name));
  return it == m_dictionary.end() ? nullptr : it->second.copy;
}

const ClassInfo* PreparedPages::record_class(const XmlItem& record) const {
  if (const Component* copy = copy_of_record(record)) return &copy->class_info();
  return class_registry::find(record.name);
}

// Where a record puts its object: its own values, else the copy's (a class-named record carries
// the long names of a full attribute text).
PreparedPages::Geometry PreparedPages::record_geometry(const XmlItem& record) const {
  Geometry g;
  if (const Component* copy = copy_of_record(record)) {
    g = {copy->left(), copy->top(), copy->width(), copy->height()};
  } else {
    g = {item_float(record, "Left"), item_float(record, "Top"), item_float(record, "Width"),
         item_float(record, "Height")};
  }
  g.l = item_float(record, "l", g.l);
  g.t = item_float(record, "t", g.t);
  g.w = item_float(record, "w", g.w);
  g.h = item_float(record, "h", g.h);
  return g;
}

bool PreparedPages::band_exists(const Band& band) const {
  XmlItem* page = current_page_item();
  if (!page) return false;
  const_cast<PreparedPages*>(this)->ensure_loaded(*page);
  auto source = m_by_template.find(&band);
  bool any_page_footer = band.is(PageFooter::static_class());
  bool any_column_footer = band.is(ColumnFooter::static_class());
  for (auto& record : page->items()) {
    if (source != m_by_template.end() && core::equals_ignore_case(record->name, source->second->alias))
      return true;
    const ClassInfo* cls = record_class(*record);
    if (!cls) continue;
    if (any_page_footer && cls->inherits(PageFooter::static_class())) return true;
    if (any_column_footer && cls->inherits(ColumnFooter::static_class())) return true;
  }
  return false;
}

size_t PreparedPages::current_position() const {
  XmlItem* page = current_page_item();
  if (!page) return 0;
  const_cast<PreparedPages*>(this)->ensure_loaded(*page);
  return page->count();
}

void PreparedPages::cut_objects(size_t position) {
  XmlItem* page = current_page_item();
  if (!page) return;
  ensure_loaded(*page);
  page->move_items(position, section("cutted"));
}

void PreparedPages::paste_objects(double x, double y) {
  XmlItem* held = m_doc.root().find("cutted");
  if (!held) return;
  XmlItem* page = current_page_item();
  if (page && held->count() > 0) {
    ensure_loaded(*page);
    // A record without its own position is where its copy is; reading a missing value as 0 would
    // move the whole block by the copy's offset.
    Geometry first = record_geometry((*held)[0]);
    double dx = x - first.l, dy = y - first.t;
    for (auto& record : held->items()) {
      Geometry g = record_geometry(*record);
      set_item_number(*record, "l", g.l + dx);
      set_item_number(*record, "t", g.t + dy);
    }
    held->move_items(0, *page);
  }
  for (size_t i = 0; i < m_doc.root().count(); ++i)
    if (&m_doc.root()[i] == held) m_doc.root().remove(i);
}

double PreparedPages::last_y(double column_position) const {
  XmlItem* page = current_page_item();
  double result = 0;
  if (page) {
    const_cast<PreparedPages*>(this)->ensure_loaded(*page);
    for (auto& record : page->items()) {
      const ClassInfo* cls = record_class(*record);
      if (!cls || !cls->inherits(Band::static_class())) continue;
      if (cls->inherits(PageFooter::static_class()) || cls->inherits(Overlay::static_class())) continue;
      Geometry g = record_geometry(*record);
      bool always = cls->inherits(PageHeader::static_class()) || cls->inherits(ReportTitle::static_class());
      if (column_position != 0 && !always && std::abs(g.l - column_position) >= 0.001) continue;
      result = std::max(result, g.t + g.h);
    }
  }
  return (result == 0 && m_last_y != 0) ? m_last_y : result;
}

PreparedPages::LastColumn PreparedPages::last_column() const {
  XmlItem* page = current_page_item();
  if (!page) return {};
  return {static_cast<int>(item_int(*page, "c")), item_float(*page, "cp")};
}

void PreparedPages::update_page_last_column(int column, double position) {
  XmlItem* page = current_page_item();
  if (!page) return;
  set_item_number(*page, "c", column);
  set_item_number(*page, "cp", position);
}

void PreparedPages::update_page_dimensions(const ReportPage& page, double height, double width) {
  auto it = m_source_index.find(&page);
  if (it == m_source_index.end()) return;
  ReportPage& copy = *m_sources[static_cast<size_t>(it->second)].copy;
  copy.set_paper_width(width / kUnitsPerMm);
  copy.set_paper_height(height / kUnitsPerMm);
  m_cache.clear();
}

void PreparedPages::clear_first_pass_pages() {
  XmlItem& pages = pages_item();
  size_t keep = static_cast<size_t>(m_pass_page + 1);
  while (pages.count() > keep) pages.remove(pages.count() - 1);
  if (m_pass_page >= 0) {
    XmlItem& page = pages[static_cast<size_t>(m_pass_page)];
    ensure_loaded(page);
    while (page.count() > m_pass_objects) page.remove(page.count() - 1);
    page.offset = 0;
  }
  m_outline.truncate(m_pass_outline);
  m_logical = 0;
  m_cur_page = m_pass_page;
  m_cache.clear();
}

void PreparedPages::finish() {
  m_last_y = 0;
  clear_cache();
  m_by_template.clear();
  m_source_index.clear();
  m_generating = false;
  m_report.progress_stop(ProgressKind::Running);
}

// ---- Anchors and logical page numbers ------------------------------------------------------------

void PreparedPages::add_anchor(std::string_view text, double cur_y) {
  XmlItem& item = section("anchors").add("item");
  item.set_prop("text", text);
  set_item_number(item, "page", m_cur_page);
  set_item_number(item, "top", std::nearbyint(cur_y));
}

int PreparedPages::anchor_page(std::string_view text) const {
  const XmlItem* anchors = m_doc.root().find("anchors");
  for (size_t i = anchors ? anchors->count() : 0; i-- > 0;)
    if ((*anchors)[i].prop("text") == text) return static_cast<int>(item_int((*anchors)[i], "page")) + 1;
  return 1;
}

double PreparedPages::anchor_top(std::string_view text) const {
  const XmlItem* anchors = m_doc.root().find("anchors");
  for (size_t i = anchors ? anchors->count() : 0; i-- > 0;)
    if ((*anchors)[i].prop("text") == text) return prepared::item_float((*anchors)[i], "top");
  return 0;
}

void PreparedPages::shift_anchors(int from, double new_top) {
  prepared::shift_to_next_page(section("anchors"), static_cast<size_t>(from + 1), new_top);
}

void PreparedPages::inc_logical_page_number() {
  if (m_pass == PreparePass::Final || m_cur_page < 0) return;
  ++m_logical;
  XmlItem& list = section("logicalpagenumbers");
  while (list.count() <= static_cast<size_t>(m_cur_page)) list.add("page");
  XmlItem& item = list[static_cast<size_t>(m_cur_page)];
  set_item_number(item, "n", m_logical);
  item.delete_prop("t");
}

void PreparedPages::reset_logical_page_number() {
  if (m_pass == PreparePass::Final) return;
  XmlItem& list = section("logicalpagenumbers");
  for (int i = m_cur_page; i > m_cur_page - m_logical && i >= 0; --i)
    if (static_cast<size_t>(i) < list.count()) set_item_number(list[static_cast<size_t>(i)], "t", m_logical);
  m_logical = 0;
}

int PreparedPages::logical_page_no() const {
  const XmlItem* list = m_doc.root().find("logicalpagenumbers");
  if (list && m_cur_page >= 0 && static_cast<size_t>(m_cur_page) < list->count() &&
      (*list)[static_cast<size_t>(m_cur_page)].prop_exists("n"))
    return static_cast<int>(item_int((*list)[static_cast<size_t>(m_cur_page)], "n"));
  return m_cur_page - m_first_page + 1;
}

int PreparedPages::logical_total_pages(int engine_total_pages) const {
  const XmlItem* list = m_doc.root().find("logicalpagenumbers");
  if (list && m_cur_page >= 0 && static_cast<size_t>(m_cur_page) < list->count())
    return static_cast<int>(item_int((*list)[static_cast<size_t>(m_cur_page)], "t"));
  return engine_total_pages - m_first_page;
}

// ---- Moving records to the temporary file ----------------------------------------------------------

// A page item's `offset` is 1 + the place of its records in the temporary file while that copy is
// current, 0 otherwise; `loaded` says whether its records are in memory.
void PreparedPages::unload_finished_pages() {
  XmlItem& pages = pages_item();
  for (size_t i = pages.count() >= 2 ? pages.count() - 1 : 0; i-- > 0;) {
    XmlItem& page = pages[i];
    if (!page.loaded || !page.unloadable) break;
    unload(page);
  }
}

void PreparedPages::unload(XmlItem& page) {
  if (!page.loaded) return;
  if (page.offset == 0) page.offset = spill(page);
  page.clear_items();
  page.loaded = false;
}

size_t PreparedPages::spill(const XmlItem& page) {
  if (!m_spill) m_spill = std::make_unique<prepared::SpillFile>(m_report.engine_options.temp_dir, "rp");
  // An 8-byte length, then the records.
  std::string& block = m_spill_buffer;
  prepared::encode_records(page, block);
  uint64_t size = block.size();
  char header[8];
  for (int i = 0; i < 8; ++i) header[i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  size_t offset = m_spill->append(std::string_view(header, 8)) + 1;
  m_spill->append(block);
  return offset;
}

std::string PreparedPages::read_spilled(const XmlItem& page) const {
  std::string header = m_spill->read(page.offset - 1, 8);
  uint64_t size = 0;
  for (int i = 0; i < 8; ++i)
    size |= static_cast<uint64_t>(static_cast<unsigned char>(header[static_cast<size_t>(i)])) << (8 * i);
  return m_spill->read(page.offset - 1 + 8, size);
}

// Records about to change: their copy in the file is no longer current.
void PreparedPages::ensure_loaded(XmlItem& page) {
  if (!page.loaded) {
    prepared::decode_records(read_spilled(page), page);
    page.loaded = true;
  }
  page.offset = 0;
}

bool PreparedPages::page_in_memory(int index) const {
  const XmlItem* pages = m_doc.root().find("previewpages");
  return pages && index >= 0 && static_cast<size_t>(index) < pages->count() &&
         (*pages)[static_cast<size_t>(index)].loaded;
}

const XmlItem& PreparedPages::page_record(int index) {
  XmlItem& page = pages_item()[static_cast<size_t>(index)];
  ensure_loaded(page);
  return page;
}

// ---- Reading pages --------------------------------------------------------------------------------

int PreparedPages::count() const {
  const XmlItem* pages = m_doc.root().find("previewpages");
  return pages ? static_cast<int>(pages->count()) : 0;
}

ReportPage& PreparedPages::page(int index) {
  if (index < 0 || index >= count())
    throw core::Error("INTERNAL ERROR: page " + std::to_string(index) + " asked for");
  for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
    if (it->first != index) continue;
    if (!m_generating) {
      m_cache.splice(m_cache.begin(), m_cache, it);
      return *m_cache.front().second;
    }
    m_cache.erase(it);  // pages still change while generating: build it again
    break;
  }
  m_cache.emplace_front(index, rebuild_page(index));
  size_t limit = static_cast<size_t>(std::max<int64_t>(m_report.preview_options.pages_in_cache, 1));
  while (m_cache.size() > 1 && m_cache.size() > limit) {
    evict(m_cache.back());
    m_cache.pop_back();
  }
  return *m_cache.front().second;
}

void PreparedPages::evict(std::pair<int, std::unique_ptr<ReportPage>>& entry) {
  XmlItem& pages = pages_item();
  if (!m_report.engine_options.use_file_cache || entry.first >= static_cast<int>(pages.count())) return;
  XmlItem& item = pages[static_cast<size_t>(entry.first)];
  if (item.unloadable && entry.first != m_cur_page) unload(item);
}

void PreparedPages::clear_cache() {
  m_cache.clear();
}

std::unique_ptr<ReportPage> PreparedPages::rebuild_page(int index) {
  const XmlItem& item = pages_item()[static_cast<size_t>(index)];
  if (item.loaded) return rebuild(item);
  // Read the records aside: walking a long report must not bring every page back into memory.
  XmlItem records;
  records.name = item.name;
  records.text = item.text;
  prepared::decode_records(read_spilled(item), records);
  return rebuild(records);
}

std::unique_ptr<ReportPage> PreparedPages::rebuild(const XmlItem& records) {
  Serializer reader(nullptr);
  std::unique_ptr<ReportPage> page;
  int index = source_index_of(records);
  if (!is_whole_page(records) && index >= 0 && static_cast<size_t>(index) < m_sources.size()) {
    auto copy =
        clone_component(*m_sources[static_cast<size_t>(index)].copy, CopyChildren::No, CopyReferences::Drop);
    page.reset(static_cast<ReportPage*>(copy.release()));
  } else {
    // A page replaced as a whole carries its own attributes. Its objects are class-named records
    // built one by one, not read as a template: a band printed three times has one name three
    // times, and a template read would merge them.
    page = std::make_unique<ReportPage>();
    if (is_whole_page(records)) reader.apply(records.text, *page);
  }
  build_children(records, *page, reader);
  page->align_children();
  return page;
}

void PreparedPages::build_children(const XmlItem& records, Component& parent, Serializer& reader) {
  for (auto& record : records.items()) {
    std::unique_ptr<Component> object = build_object(*record, reader);
    if (!object) continue;  // a record naming nothing known (a damaged file): skipped with its subtree
    Component* placed = parent.add(std::move(object));
    build_children(*record, *placed, reader);
  }
}

std::unique_ptr<Component> PreparedPages::build_object(const XmlItem& record, Serializer& reader) {
  std::unique_ptr<Component> object;
  try {
    if (const Component* copy = copy_of_record(record)) {
      object = clone_component(*copy, CopyChildren::No, CopyReferences::Drop);
    } else {
      const ClassInfo* cls = class_registry::find(record.name);
      // Only printable objects and bands are ever recorded; a page or a report as a record is damage.
      if (!cls || !cls->create || !cls->inherits(ReportComponent::static_class())) return nullptr;
      object = cls->create();
    }
  } catch (const core::Error&) {
    return nullptr;
  }
  reader.apply(record.text, *object);
  if (Highlight* h = prepared::recorded_highlight(record, *object))
    show_highlight(static_cast<CustomMemoView&>(*object), *h);
  if (object->is(PictureView::static_class())) {
    auto& picture = static_cast<PictureView&>(*object);
    if (picture.picture.empty() && picture.image_index > 0)
      picture.picture = m_pictures.get(picture.image_index);
  }
  return object;
}

PageSize PreparedPages::page_size(int index) {
  if (index < 0 || index >= count()) return {};
  const XmlItem& item = pages_item()[static_cast<size_t>(index)];
  int source = source_index_of(item);
  if (!is_whole_page(item) && source >= 0 && static_cast<size_t>(source) < m_sources.size()) {
    const ReportPage& copy = *m_sources[static_cast<size_t>(source)].copy;
    return {static_cast<int>(std::nearbyint(copy.width())), static_cast<int>(std::nearbyint(copy.height()))};
  }
  // Built aside: asking for a size must not evict the page a caller is working on.
  auto built = rebuild_page(index);
  return {static_cast<int>(std::nearbyint(built->width())),
          static_cast<int>(std::nearbyint(built->height()))};
}

// ---- Editing ----------------------------------------------------------------------------------------

void PreparedPages::modify_page(int index, const ReportPage& page) {
  if (index < 0 || index >= count()) return;
  XmlItem& item = pages_item()[static_cast<size_t>(index)];
  item.clear_items();
  item.loaded = true;
  item.offset = 0;
  item.name = kWholePage;
  item.text = Serializer(nullptr).obj_to_xml(page);
  for (auto& child : page.objects()) record(*child, item, true);
  m_cache.clear();
}

void PreparedPages::add_empty_page(int index) {
  XmlItem& pages = pages_item();
  if (index < 0 || index > count()) return;
  std::string name =
      pages.count() == 0 ? "page0" : pages[static_cast<size_t>(std::min(index, count() - 1))].name;
  if (name == kWholePage || name == kWholeDotMatrixPage) name = "page-1";
  XmlItem& item = pages.insert(static_cast<size_t>(index), name);
  item.unloadable = static_cast<size_t>(index) >= kFirstUnloadablePage;
  XmlItem& numbers = section("logicalpagenumbers");
  if (static_cast<size_t>(index) <= numbers.count()) numbers.insert(static_cast<size_t>(index), "page");
  m_cache.clear();
}

bool PreparedPages::delete_page(int index) {
  if (count() <= 1 || index < 0 || index >= count()) return false;
  pages_item().remove(static_cast<size_t>(index));
  section("logicalpagenumbers").remove(static_cast<size_t>(index));
  if (m_cur_page >= count()) m_cur_page = count() - 1;
  m_cache.clear();
  return true;
}

}  // namespace orvena::report
