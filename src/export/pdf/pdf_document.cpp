#include "export/pdf/pdf_document.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "core/encoding.h"
#include "core/error.h"
#include "core/file_error.h"
#include "export/pdf/pdf_a.h"
#include "picture/jpeg.h"

namespace orvena::exporting::pdf {
namespace {

std::string reference(uint32_t number) {
  return std::to_string(number) + " 0 R";
}

// MD5 of a new GUID in its registry text form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string random_file_id(const RandomBytes& random) {
  std::string drawn = random(16);
  unsigned char bytes[16] = {};
  std::memcpy(bytes, drawn.data(), std::min(drawn.size(), sizeof bytes));
  bytes[6] = (bytes[6] & 0x0F) | 0x40;  // version 4
  bytes[8] = (bytes[8] & 0x3F) | 0x80;  // variant
  char text[40];
  std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8],
                bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
  return md5(text);
}

// The bitmap laid on white, for files that may not hold soft masks (PDF/A-1).
picture::Bitmap flattened(const picture::Bitmap& bitmap) {
  picture::Bitmap out = bitmap;
  for (size_t i = 0; i + 3 < out.rgba.size(); i += 4) {
    unsigned a = out.rgba[i + 3];
    for (size_t c = 0; c < 3; ++c)
      out.rgba[i + c] = uint8_t((out.rgba[i + c] * a + 255 * (255 - a) + 127) / 255);
    out.rgba[i + 3] = 255;
  }
  out.alpha = picture::Alpha::None;
  return out;
}

// "2026-03-01T10:00:00": the information dictionary's date as XMP writes it, without a zone
// as the dictionary's has none.
std::string xmp_date(core::DateTime local) {
  core::DateParts p = core::decode(local);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                p.second);
  return buf;
}

// The alpha bytes of a soft mask, or empty when the bitmap is opaque.
std::string alpha_mask(const picture::Bitmap& bitmap) {
  if (bitmap.alpha == picture::Alpha::None) return {};
  std::string mask;
  mask.reserve(bitmap.rgba.size() / 4);
  bool opaque = true;
  for (size_t i = 3; i < bitmap.rgba.size(); i += 4) {
    mask += static_cast<char>(bitmap.rgba[i]);
    opaque = opaque && bitmap.rgba[i] == 255;
  }
  return opaque ? std::string() : mask;
}

}  // namespace

Document::Document(const std::filesystem::path& path, DocumentOptions options)
    : m_options(std::move(options)), m_path(path) {
  m_temp_path = path;
  m_temp_path += ".part";
  m_file.open(m_temp_path, std::ios::binary | std::ios::trunc);
  if (!m_file) throw core::file_error(core::FileAction::Create, path, std::strerror(errno));
  start(m_file);
}

Document::Document(std::ostream& out, DocumentOptions options) : m_options(std::move(options)) {
  start(out);
}

Document::~Document() {
  if (!m_temp_path.empty() && !m_finished) {
    m_file.close();
    std::error_code ec;
    std::filesystem::remove(m_temp_path, ec);
  }
}

void Document::start(std::ostream& out) {
  m_out = std::make_unique<ObjectWriter>(out, m_options.compression);
  if (!m_options.random) m_options.random = system_random_bytes();
  m_file_id = m_options.file_id ? m_options.file_id() : random_file_id(m_options.random);
  m_file_id_hex = hex(m_file_id);
  if (m_options.pdf_a) m_options.protection = {};  // PDF/A forbids encryption
  if (m_options.protection.enabled()) {
    const Protection& p = m_options.protection;
    m_security = std::make_unique<Security>(core::from_utf8(p.user_password, core::CodePage::Windows1250),
                                            core::from_utf8(p.owner_password, core::CodePage::Windows1250),
                                            p.permissions, m_file_id, p.cipher, m_options.random);
  }
  m_out->header(m_options.protection.enabled() && m_options.protection.cipher == Cipher::Aes128);
  m_page_tree = m_out->reserve();
  // Set after the header: nothing before the first object is encrypted.
  m_out->set_security(m_security.get());
}

FontId Document::font(const FontKey& key) {
  for (size_t i = 0; i < m_fonts.size(); ++i)
    if (m_fonts[i]->key() == key) return i;
  m_fonts.push_back(std::make_unique<PdfFont>(key, m_fonts.size()));
  return m_fonts.size() - 1;
}

ImageId Document::add_image(const std::string& digest, std::string_view entries, std::string_view jpeg) {
  if (auto it = m_image_digests.find(digest); it != m_image_digests.end()) return it->second;
  uint32_t object = m_out->stream_object(entries, jpeg, ObjectWriter::Data::Compressed);
  m_images.push_back({object});
  m_image_digests.emplace(digest, m_images.size() - 1);
  return m_images.size() - 1;
}

ImageId Document::jpeg(std::string_view jpeg_bytes) {
  picture::JpegInfo info = picture::read_jpeg_info(jpeg_bytes);
  static constexpr const char* kSpaces[] = {"", "/DeviceGray", "", "/DeviceRGB", "/DeviceCMYK"};
  std::string entries = "/Type /XObject\r\n/Subtype /Image\r\n/ColorSpace " +
                        std::string(kSpaces[info.components]) +
                        "\r\n/BitsPerComponent 8\r\n/Filter /DCTDecode\r\n/Width " +
                        std::to_string(info.width) + "\r\n/Height " + std::to_string(info.height);
  if (info.inverted) entries += "\r\n/Decode [1 0 1 0 1 0 1 0]";
  return add_image(md5(jpeg_bytes), entries, jpeg_bytes);
}

ImageId Document::bitmap(const picture::Bitmap& bitmap, int quality) {
  if (m_options.pdf_a && bitmap.alpha != picture::Alpha::None)
    return this->bitmap(flattened(bitmap), quality);
  std::string jpeg = picture::encode_jpeg(bitmap, quality);
  std::string mask = alpha_mask(bitmap);
  std::string digest = md5(mask + jpeg);
  if (auto it = m_image_digests.find(digest); it != m_image_digests.end()) return it->second;
  std::string size =
      "/Width " + std::to_string(bitmap.width) + "\r\n/Height " + std::to_string(bitmap.height);
  std::string entries =
      "/Type /XObject\r\n/Subtype /Image\r\n/ColorSpace /DeviceRGB\r\n/BitsPerComponent 8\r\n"
      "/Filter /DCTDecode\r\n" +
      size;
  if (!mask.empty()) {
    uint32_t mask_object = m_out->stream_object("/Type /XObject\r\n/Subtype /Image\r\n" + size +
                                                    "\r\n/ColorSpace /DeviceGray\r\n"
                                                    "/BitsPerComponent 8\r\n/Interpolate false",
                                                mask);
    entries += "\r\n/SMask " + reference(mask_object);
  }
  return add_image(digest, entries, jpeg);
}

Page& Document::begin_page(const PageGeometry& geometry) {
  if (m_page) throw std::logic_error("INTERNAL ERROR: a PDF page begun before the last one ended");
  m_page = std::make_unique<Page>(*this, geometry, m_pages.size());
  return *m_page;
}

void Document::end_page() {
  if (!m_page) throw std::logic_error("INTERNAL ERROR: no PDF page to end");
  const Page& page = *m_page;
  uint32_t content = m_out->stream_object("", page.content());
  for (FontId f : page.fonts())
    if (m_fonts[f]->reference() == 0) m_fonts[f]->set_reference(m_out->reserve());

  const PageGeometry& g = page.geometry();
  std::string entries = "/Type /Page\r\n/Parent " + reference(m_page_tree) + "\r\n/MediaBox [0 0 " +
                        number(g.width_pt()) + " " + number(g.height_pt()) + " ]\r\n";
  if (!page.annotations().empty()) {
    entries += "/Annots [";
    for (uint32_t a : page.annotations()) entries += reference(a) + " ";
    entries += "]\r\n";
  }
  // PDF/A-1 (ISO 19005-1 6.4) allows no transparency group.
  if (!m_options.pdf_a) entries += "/Group << /Type /Group /S /Transparency /CS /DeviceRGB >>\r\n";
  entries += "/Resources " + reference(resources(page)) + "\r\n/Contents " + reference(content);
  uint32_t object = m_out->dictionary_object(entries);
  m_pages.push_back({object, g});
  m_page.reset();
}

// Pages of a table use the same fonts and pictures: their resource dictionary is written once
// and shared, not repeated on every page.
uint32_t Document::resources(const Page& page) {
  std::string entries = "/Font << ";
  for (FontId f : page.fonts())
    entries += m_fonts[f]->resource_name() + " " + reference(m_fonts[f]->reference()) + " ";
  entries += ">>\r\n";
  if (!page.images().empty()) {
    entries += "/XObject << ";
    for (ImageId i : page.images())
      entries += "/Im" + std::to_string(i) + " " + reference(m_images[i].object) + " ";
    entries += ">>\r\n";
  }
  entries += "/ProcSet [/PDF /Text /ImageC ]";
  auto [it, added] = m_resources.try_emplace(std::move(entries), 0);
  if (added) it->second = m_out->dictionary_object(it->first);
  return it->second;
}

int Document::add_outline(const OutlineEntry& entry) {
  if (entry.parent >= static_cast<int>(m_outline.size()))
    throw std::logic_error("INTERNAL ERROR: outline parent added after its child");
  m_outline.push_back(entry);
  return static_cast<int>(m_outline.size()) - 1;
}

void Document::retarget_links(const std::function<size_t(size_t)>& document_page) {
  for (Link& link : m_links)
    if (link.uri.empty()) link.target_page = document_page(link.target_page);
}

uint32_t Document::write_info(core::DateTime now) {
  uint32_t number = m_out->reserve();
  const DocumentInfo& i = m_options.info;
  std::string date = date_text(now);
  if (m_options.pdf_a) {
    // Only what the metadata repeats: an empty entry there would not match one here.
    std::string entries;
    for (auto [name, value] : {std::pair{"/Title ", &i.title},
                               {"/Author ", &i.author},
                               {"/Subject ", &i.subject},
                               {"/Keywords ", &i.keywords},
                               {"/Creator ", &i.creator},
                               {"/Producer ", &i.producer}})
      if (!value->empty()) entries += name + m_out->text_string(number, *value) + "\r\n";
    entries += "/CreationDate " + m_out->byte_string(number, date) + "\r\n/ModDate " +
               m_out->byte_string(number, date);
    return m_out->dictionary_object(entries, number);
  }
  m_out->dictionary_object(
      "/Title " + m_out->text_string(number, i.title) + "\r\n/Author " +
          m_out->text_string(number, i.author) + "\r\n/Subject " + m_out->text_string(number, i.subject) +
          "\r\n/Keywords " + m_out->text_string(number, i.keywords) + "\r\n/Creator " +
          m_out->text_string(number, i.creator) + "\r\n/Producer " + m_out->text_string(number, i.producer) +
          "\r\n/CreationDate " + m_out->byte_string(number, date) + "\r\n/ModDate " +
          m_out->byte_string(number, date),
      number);
  return number;
}

// Entries whose page was not written are left out with everything below them.
uint32_t Document::write_outline() {
  size_t n = m_outline.size();
  std::vector<bool> shown(n);
  std::vector<std::vector<size_t>> children(n);
  std::vector<size_t> top;
  for (size_t i = 0; i < n; ++i) {
    const OutlineEntry& e = m_outline[i];
    shown[i] = e.page < m_pages.size() && (e.parent < 0 || shown[e.parent]);
    if (!shown[i]) continue;
    (e.parent < 0 ? top : children[e.parent]).push_back(i);
  }
  if (top.empty()) return 0;
  uint32_t root = m_out->reserve();
  std::vector<uint32_t> objects(n, 0);
  for (size_t i = 0; i < n; ++i)
    if (shown[i]) objects[i] = m_out->reserve();
  // /Count of an open entry: all its visible descendants.
  std::vector<size_t> descendants(n, 0);
  for (size_t i = n; i-- > 0;)
    if (shown[i] && m_outline[i].parent >= 0) descendants[m_outline[i].parent] += 1 + descendants[i];

  auto siblings = [&](const std::vector<size_t>& list, uint32_t parent) {
    for (size_t k = 0; k < list.size(); ++k) {
      size_t i = list[k];
      const OutlineEntry& e = m_outline[i];
      const PageRecord& page = m_pages[e.page];
      std::string entries =
          "/Title " + m_out->text_string(objects[i], e.title) + "\r\n/Parent " + reference(parent);
      if (k > 0) entries += "\r\n/Prev " + reference(objects[list[k - 1]]);
      if (k + 1 < list.size()) entries += "\r\n/Next " + reference(objects[list[k + 1]]);
      if (!children[i].empty())
        entries += "\r\n/First " + reference(objects[children[i].front()]) + "\r\n/Last " +
                   reference(objects[children[i].back()]) + "\r\n/Count " + std::to_string(descendants[i]);
      entries +=
          "\r\n/Dest [" + reference(page.object) + " /XYZ null " + number(page.geometry.y(e.y)) + " null]";
      m_out->dictionary_object(entries, objects[i]);
    }
  };
  size_t total = top.size();
  for (size_t i : top) total += descendants[i];
  m_out->dictionary_object("/Type /Outlines\r\n/Count " + std::to_string(total) + "\r\n/First " +
                               reference(objects[top.front()]) + "\r\n/Last " +
                               reference(objects[top.back()]),
                           root);
  siblings(top, root);
  for (size_t i = 0; i < n; ++i)
    if (shown[i] && !children[i].empty()) siblings(children[i], objects[i]);
  return root;
}

void Document::write_links() {
  for (const Link& link : m_links) {
    std::string entries = "/Type /Annot\r\n/Subtype /Link\r\n/Rect [" + number(link.left) + " " +
                          number(link.bottom) + " " + number(link.right) + " " + number(link.top) + "]\r\n";
    if (m_options.pdf_a) entries += "/F 4\r\n";  // printed, as ISO 19005-1 6.5.3 asks
    if (!link.uri.empty()) {
      entries += "/BS << /W 0 >>\r\n/A <<\r\n/URI " + m_out->byte_string(link.object, link.uri) +
                 "\r\n/Type /Action\r\n/S /URI\r\n>>";
    } else if (link.target_page < m_pages.size()) {
      const PageRecord& target = m_pages[link.target_page];
      entries += "/Border [16 16 0]\r\n/Dest [" + reference(target.object) + " /XYZ null " +
                 number(target.geometry.y(link.target_y)) + " null]";
    } else {
      entries += "/Border [0 0 0]";  // the target page was not exported: an inert area
    }
    m_out->dictionary_object(entries, link.object);
  }
}

std::string Document::write_pdf_a_parts(core::DateTime now) {
  std::string xmp = xmp_metadata(m_options.info, xmp_date(now), m_file_id_hex);
  // ISO 19005-1 6.7.2: the metadata stream is not filtered.
  uint32_t metadata =
      m_out->stream_object("/Type /Metadata\r\n/Subtype /XML", xmp, ObjectWriter::Data::Compressed);
  uint32_t profile = m_out->stream_object("/N 3", srgb_profile());
  uint32_t intent = m_out->dictionary_object(output_intent_entries(reference(profile)));
  uint32_t structure = m_out->dictionary_object("/Type /StructTreeRoot\r\n/RoleMap << >>");
  return "\r\n/Metadata " + reference(metadata) + "\r\n/OutputIntents [ " + reference(intent) +
         " ]\r\n/StructTreeRoot " + reference(structure);
}

uint32_t Document::write_catalog(uint32_t pages, uint32_t outline, std::string_view extra_entries) {
  const ViewerPreferences& v = m_options.viewer;
  std::string entries = "/Type /Catalog\r\n/Version /1.5\r\n/MarkInfo << /Marked true >>\r\n/Pages " +
                        reference(pages) + "\r\n/PageMode " + (outline ? "/UseOutlines" : "/UseNone");
  if (outline) entries += "\r\n/Outlines " + reference(outline);
  entries += extra_entries;
  entries += "\r\n/ViewerPreferences <<";
  if (!m_options.info.title.empty()) entries += " /DisplayDocTitle true";
  if (v.hide_toolbar) entries += " /HideToolbar true";
  if (v.hide_menubar) entries += " /HideMenubar true";
  if (v.hide_window_ui) entries += " /HideWindowUI true";
  if (v.fit_window) entries += " /FitWindow true";
  if (v.center_window) entries += " /CenterWindow true";
  if (!v.print_scaling) entries += " /PrintScaling /None";
  entries += " >>";
  return m_out->dictionary_object(entries);
}

void Document::finish() {
  if (m_finished) throw std::logic_error("INTERNAL ERROR: PDF document finished twice");
  if (m_page) end_page();
  for (const auto& font : m_fonts)
    if (font->reference() != 0)
      font->write(*m_out, m_options.pdf_a ? PdfFont::CidSet::Write : PdfFont::CidSet::Omit);

  std::string kids = "/Type /Pages\r\n/Kids [";
  for (const PageRecord& p : m_pages) kids += reference(p.object) + " ";
  kids += "]\r\n/Count " + std::to_string(m_pages.size());
  m_out->dictionary_object(kids, m_page_tree);

  core::DateTime now = m_options.clock ? m_options.clock->now() : core::SystemClock().now();
  uint32_t info = write_info(now);
  uint32_t outline = write_outline();
  write_links();
  std::string pdf_a = m_options.pdf_a ? write_pdf_a_parts(now) : std::string();
  uint32_t catalog = write_catalog(m_page_tree, outline, pdf_a);
  m_out->set_security(nullptr);  // the trailer and /Encrypt are never encrypted
  m_out->finish(catalog, info, m_file_id_hex, m_security ? m_security->dictionary() : "");
  m_finished = true;

  if (!m_temp_path.empty()) {
    m_file.close();
    if (!m_file) {
      std::error_code ec;
      std::filesystem::remove(m_temp_path, ec);
      throw core::file_error(core::FileAction::Write, m_path, std::strerror(errno));
    }
    std::error_code ec;
    std::filesystem::rename(m_temp_path, m_path, ec);
    if (ec) {
      std::filesystem::remove(m_temp_path, ec);
      throw core::file_error(core::FileAction::Create, m_path, ec.message());
    }
  }
}

}  // namespace orvena::exporting::pdf
