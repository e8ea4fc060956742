// Saving and loading a prepared report: the store's document with four more sections, written
// only into the file (the report's options, the source copies, the alias dictionary and the
// pictures), read back and taken out again on loading.
#include <charconv>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "report/class_registry.h"
#include "report/prepared/prepared_pages.h"
#include "report/property_stream.h"
#include "report/report.h"
#include "report/serializer.h"

namespace orvena::report {

namespace {

constexpr std::string_view kFileSections[] = {"report", "sourcepages", "dictionary", "picturecache"};
// The report options a prepared report carries.
constexpr std::string_view kReportAttributes[] = {"DotMatrixReport", "PreviewOptions.OutlineVisible",
                                                  "PreviewOptions.OutlineWidth", "ReportOptions.Name"};

void remove_file_sections(XmlItem& root) {
  for (size_t i = root.count(); i-- > 0;)
    for (auto name : kFileSections)
      if (core::equals_ignore_case(root[i].name, name)) {
        root.remove(i);
        break;
      }
}

// "Page<index>.<name>" of the dictionary.
bool split_source_name(std::string_view source, size_t& page, std::string_view& name) {
  if (source.substr(0, 4) != "Page") return false;
  size_t dot = source.find('.');
  if (dot == std::string_view::npos) return false;
  auto [end, ec] = std::from_chars(source.data() + 4, source.data() + dot, page);
  name = source.substr(dot + 1);
  return ec == std::errc() && end == source.data() + dot && !name.empty();
}

// A partial read leaves out the children of every item marked unloadable; only page items are
// ever saved so, and they are handled apart. Any other such item (a hand-made file) is read again
// whole, so nothing in it is lost.
void reload_skipped(XmlDocument& doc, std::string_view bytes, const XmlLimits& limits) {
  const XmlItem* pages = doc.root().find("previewpages");
  std::vector<XmlItem*> stack{&doc.root()};
  while (!stack.empty()) {
    XmlItem* item = stack.back();
    stack.pop_back();
    if (!item->loaded) {
      if (pages && item->parent() == pages) continue;  // a page already in the temporary file
      doc.load_item(bytes, *item, limits);
    }
    for (auto& child : item->items()) stack.push_back(child.get());
  }
}

}  // namespace

void PreparedPages::write_sections() {
  XmlItem& root = m_doc.root();
  XmlItem& report = root.add("report").add(m_report.class_name());
  {
    XmlItem all;
    all.text = Serializer(&m_report).obj_to_xml(m_report);
    for (auto name : kReportAttributes)
      if (all.prop_exists(name)) report.set_prop(name, all.prop(name));
  }
  XmlItem& sources = root.add("sourcepages");
  const Serializer writer(nullptr);
  for (auto& source : m_sources) writer.write_root(sources.add(), *source.copy, true);
  XmlItem& dictionary = root.add("dictionary");
  for (auto& [key, entry] : m_dictionary) dictionary.add(entry.alias).set_prop("name", entry.source_name);
  XmlItem& pictures = root.add("picturecache");
  for (size_t i = 1; i <= m_pictures.count(); ++i)
    pictures.add("item").set_prop("stream", to_hex(m_pictures.get(static_cast<int64_t>(i)).encode()));
}

std::string PreparedPages::save_to_stream() {
  // Pages moved to the temporary file come back for the write and go again after it.
  std::vector<std::pair<XmlItem*, size_t>> reloaded;
  XmlItem& pages = pages_item();
  for (auto& page : pages.items()) {
    if (page->loaded) continue;
    size_t offset = page->offset;
    ensure_loaded(*page);
    reloaded.emplace_back(page.get(), offset);
  }
  write_sections();
  std::string out;
  try {
    out = m_doc.save();
  } catch (...) {
    remove_file_sections(m_doc.root());
    throw;
  }
  remove_file_sections(m_doc.root());
  for (auto [page, offset] : reloaded) {
    page->offset = offset;  // the file's copy is still current
    page->clear_items();
    page->loaded = false;
  }
  return out;
}

void PreparedPages::read_sections() {
  XmlItem& root = m_doc.root();
  if (XmlItem* report = root.find("report"); report && report->count() > 0) {
    const XmlItem& options = (*report)[0];
    std::string text;
    for (auto name : kReportAttributes)
      if (options.prop_exists(name))
        text += " " + std::string(name) + "=\"" + escape_value(options.prop(name)) + "\"";
    Serializer(nullptr).apply(text, m_report);
  }
  if (XmlItem* sources = root.find("sourcepages")) {
    for (auto& item : sources->items()) {
      const ClassInfo* cls = class_registry::find(item->name);
      std::unique_ptr<ReportPage> copy;
      if (cls && cls->create && cls->inherits(ReportPage::static_class()))
        copy.reset(static_cast<ReportPage*>(cls->create().release()));
      else
        copy = std::make_unique<ReportPage>();  // keeps the numbering of the pages after it
      Serializer reader(nullptr);
      reader.read_root(*item, *copy);
      m_sources.push_back({std::move(copy)});
    }
  }
  if (XmlItem* dictionary = root.find("dictionary")) {
    for (auto& item : dictionary->items()) {
      size_t page = 0;
      std::string_view name;
      std::string source = item->prop("name");
      if (!split_source_name(source, page, name) || page >= m_sources.size()) continue;
      Component* copy = m_sources[page].copy->find_object(name);
      if (!copy || m_dictionary.count(core::to_lower(item->name))) continue;
      m_dictionary.emplace(core::to_lower(item->name), SourceObject{item->name, source, copy});
      m_by_alias.emplace(item->name, copy);
    }
  }
  if (XmlItem* pictures = root.find("picturecache")) {
    for (auto& item : pictures->items()) {
      Picture picture;
      try {
        picture.decode(from_hex(item->prop("stream")));
      } catch (const core::Error&) {
        picture = Picture{};  // a damaged picture prints as none; the numbers after it stay right
      }
      m_pictures.append(picture);
    }
  }
  remove_file_sections(root);
}

void PreparedPages::load_from_stream(std::string_view bytes, const XmlLimits& limits, PreparedLoad mode) {
  clear();
  try {
    m_doc.load(bytes, mode == PreparedLoad::Partial, limits);
    if (!core::equals_ignore_case(m_doc.root().name, "preparedreport"))
      throw XmlError("Invalid file format", 0, 1, 1);
    if (mode == PreparedLoad::Partial) reload_skipped(m_doc, bytes, limits);
    read_sections();
    for (auto name : {"previewpages", "outline", "anchors", "logicalpagenumbers"}) section(name);
    for (auto& page : pages_item().items()) {
      if (page->loaded) {
        page->offset = 0;
        continue;
      }
      // Left out by the partial read: its records go to the temporary file one page at a time,
      // so the caller's bytes may go and memory holds no more than one such page at once.
      XmlItem records;
      records.offset = page->offset;
      m_doc.load_item(bytes, records, limits);
      page->offset = spill(records);
    }
  } catch (...) {
    clear();
    throw;
  }
  m_outline = prepared::Outline(section("outline"));
  m_cur_page = count() > 0 ? 0 : -1;
  m_write_over = false;
}

}  // namespace orvena::report
