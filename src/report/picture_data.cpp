// Filling picture views while a report is generated: the picture of each record from a data
// field or a file, checked once per picture so that one that cannot be drawn is named in the
// report's notices rather than left blank without a word.
#include <algorithm>
#include <filesystem>
#include <functional>

#include "core/error.h"
#include "core/line_file.h"
#include "core/paths.h"
#include "core/text.h"
#include "picture/picture.h"
#include "report/engine_context.h"
#include "report/memo/memo_text.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::report {

namespace {

namespace fs = std::filesystem;

// Far beyond a logo or a scanned page; a link to a huge file or a device stops here.
constexpr std::uintmax_t kMaxPictureFileBytes = 64 << 20;

std::string quoted_name(const Component& c) {
  return "'" + c.name() + "'";
}

// The file a FileLink names: a name relative to the home folder, or an absolute one inside it.
// Windows separators are read as separators. Throws core::Error when the file lies outside the
// home folder (also through a link) or cannot be read.
std::string read_linked_file(const fs::path& home, const std::string& link) {
  const std::string name = core::replace_all(link, "\\", "/");
  const std::string refused = "plik '" + link + "' leży poza folderem domowym - nie wczytano go";
  if (home.empty()) throw core::Error(refused);
  const fs::path path = fs::path(name).is_absolute() ? fs::path(name) : home / name;
  std::error_code ec1, ec2;
  const fs::path real_home = fs::weakly_canonical(home, ec1), real_path = fs::weakly_canonical(path, ec2);
  if (ec1 || ec2 || !core::is_within(real_path, real_home)) throw core::Error(refused);
  return core::read_regular_file(real_path, kMaxPictureFileBytes);
}

}  // namespace

void PictureView::before_print() {
  View::before_print();
  m_saved_width = width();
  m_saved_height = height();
  // A picture of the template is only replaced when the record or a file gives one.
  m_picture_saved = (data.get() && !data_field.empty()) || !core::trimmed(file_link).empty();
  if (m_picture_saved) m_saved_picture = picture;
}

void PictureView::after_print() {
  View::after_print();
  if (m_picture_saved) picture = std::move(m_saved_picture);
  m_picture_saved = false;
  if (auto_size) set_bounds(left(), top(), m_saved_width, m_saved_height);
}

void PictureView::get_data() {
  View::get_data();
  Report* r = report();
  if (!r || !r->run) return;
  EngineContext& ctx = *r->run;
  auto notice = [&](const std::string& what) { r->add_notice("Obraz " + quoted_name(*this) + ": " + what); };

  if (DataSet* ds = data.get(); ds && !data_field.empty()) {
    std::string bytes = ds->blob_bytes(data_field);
    picture.kind = picture::kind_of(bytes);
    picture.bytes = std::move(bytes);
    if (picture.kind == PictureKind::None && !picture.bytes.empty())
      notice("pole " + data_field + " nie zawiera obrazu PNG, JPEG, BMP, GIF ani WMF/EMF");
  } else if (std::string link(core::trimmed(file_link)); !link.empty()) {
    if (link.find('[') != std::string::npos)
      link = core::trimmed(
          memo_text::expand(link, {}, [&](std::string_view e, size_t) { return ctx.calc(e).to_string(); }));
    picture = Picture{};
    if (!link.empty()) {
      try {
        picture.bytes = read_linked_file(r->home_folder, link);
        picture.kind = picture::kind_of(picture.bytes);
        if (picture.kind == PictureKind::None) notice("plik '" + link + "' nie jest obrazem");
      } catch (const core::Error& e) {
        notice(e.what());
      }
    }
  }
  if (picture.empty()) return;

  // Decoded once per picture: the writers decode it again, but a template's logo printed on
  // every record costs one check, and is not even hashed again.
  const bool fresh = m_picture_saved || m_checked_size == 0;
  const size_t hash = fresh ? std::hash<std::string_view>{}(picture.bytes) : m_checked_hash;
  if (fresh && (hash != m_checked_hash || picture.bytes.size() != m_checked_size)) {
    m_checked_hash = hash;
    m_checked_size = picture.bytes.size();
    m_checked_width = m_checked_height = 0;
    if (picture.kind == PictureKind::Metafile) {
      // One line for every metafile of the report: the outlined box shows each place.
      r->add_notice("Obrazy WMF i EMF nie są rysowane - w ich miejscu jest przekreślona ramka");
    } else {
      try {
        picture::Bitmap b = picture::decode(picture.kind, picture.bytes);
        m_checked_width = b.width;
        m_checked_height = b.height;
      } catch (const picture::Unreadable& e) {
        notice(e.what());
      }
    }
  }
  if (auto_size && m_checked_width > 0) set_bounds(left(), top(), m_checked_width, m_checked_height);
}

}  // namespace orvena::report
