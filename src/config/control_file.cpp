#include "config/control_file.h"

#include <array>
#include <system_error>

#include "core/encoding.h"
#include "core/error.h"
#include "core/line_file.h"
#include "core/text.h"

namespace orvena::config {

namespace control {

std::string drop_key_length(std::string_view text, std::string_view key) {
  return std::string(text.substr(core::utf8_offset(text, core::utf8_length(key))));
}

}  // namespace control

using namespace control;

namespace {

// ---- the editor's reader ----

struct ValueKey {
  std::string_view key;
  std::string SzablonRaportu::*field;
};

struct SectionKey {
  std::string_view start;
  std::string_view end;
  std::vector<std::string> SzablonRaportu::*field;
};

// The editor tests each line for these, in this order, with exact case, anywhere in the line.
// Its full order has [zapytanie_start] after [dni_raportu]= and the other two section starts
// last; a section start touches only its own list, so testing the three after the value keys
// gives the same result.
const std::array<ValueKey, 12> kEditorValueKeys = {{
    {kRaport, &SzablonRaportu::raport},
    {kDniRaportu, &SzablonRaportu::dni_raportu},
    {kNazwaPliku, &SzablonRaportu::nazwa_pliku},
    {kSzablonRaportu, &SzablonRaportu::szablon_raportu},
    {kFormatPliku, &SzablonRaportu::format_pliku},
    {kWyslijNa, &SzablonRaportu::wyslij_na},
    {kAdresFtp, &SzablonRaportu::adres_ftp},
    {kUserFtp, &SzablonRaportu::user_ftp},
    {kPassFtp, &SzablonRaportu::pass_ftp},
    {kFolderFtp, &SzablonRaportu::folder_ftp},
    {kWyslijJesliPusty, &SzablonRaportu::wyslij_jesli_pusty},
    {kTematEmail, &SzablonRaportu::temat_email},
}};

const std::array<SectionKey, 3> kEditorSections = {{
    {kZapytanieStart, kZapytanieEnd, &SzablonRaportu::zapytanie},
    {kAdresaciStart, kAdresaciEnd, &SzablonRaportu::adresaci},
    {kDatyStart, kDatyEnd, &SzablonRaportu::daty},
}};

constexpr size_t kNone = static_cast<size_t>(-1);

bool block_is_named(const std::vector<std::string>& image, size_t i, std::string_view name) {
  if (image[i] != kRaportStart || i + 1 >= image.size()) return false;
  const std::string& name_line = image[i + 1];
  if (name_line.find(name) == std::string::npos) return false;
  return core::trim(drop_key_length(core::trim(name_line), kRaport)) == name;
}

// Lines after `start` up to (not including) the next line equal to `end`, or to the end of the
// image when there is none.
std::vector<std::string> section_lines(const std::vector<std::string>& image, size_t start,
                                       std::string_view end) {
  std::vector<std::string> out;
  for (size_t j = start + 1; j < image.size() && image[j] != end; ++j) out.push_back(image[j]);
  return out;
}

}  // namespace

std::vector<std::string> block_lines(const SzablonRaportu& s) {
  std::vector<std::string> out;
  auto value = [&](std::string_view key, const std::string& v) {
    out.push_back(std::string(key) + core::trim(v));
  };
  auto list = [&](std::string_view start, std::string_view end, const std::vector<std::string>& items) {
    out.emplace_back(start);
    for (const auto& item : items) out.push_back(core::trim(item));
    out.emplace_back(end);
  };
  out.emplace_back(kRaportStart);
  value(kRaport, s.raport);
  value(kDniRaportu, s.dni_raportu);
  list(kDatyStart, kDatyEnd, s.daty);
  list(kZapytanieStart, kZapytanieEnd, s.zapytanie);
  value(kWyslijJesliPusty, s.wyslij_jesli_pusty);
  value(kNazwaPliku, s.nazwa_pliku);
  value(kSzablonRaportu, s.szablon_raportu);
  value(kFormatPliku, s.format_pliku);
  value(kWyslijNa, s.wyslij_na);
  value(kAdresFtp, s.adres_ftp);
  value(kFolderFtp, s.folder_ftp);
  value(kUserFtp, s.user_ftp);
  value(kPassFtp, s.pass_ftp);
  value(kTematEmail, s.temat_email);
  list(kAdresaciStart, kAdresaciEnd, s.adresaci);
  out.emplace_back(kRaportEnd);
  out.push_back(kSeparator);
  return out;
}

std::vector<std::string> compact_lines(const std::vector<std::string>& image) {
  std::vector<std::string> out;
  for (size_t i = 0; i < image.size(); ++i) {
    std::string line = core::trim(image[i]);
    if (line.empty()) continue;
    if (i >= 1 && image[i] == image[i - 1]) continue;
    out.push_back(std::move(line));
  }
  return out;
}

std::vector<std::string> block_names(const std::vector<std::string>& image) {
  std::vector<std::string> names;
  for (size_t i = 0; i + 1 < image.size(); ++i) {
    if (image[i] == kRaportStart) names.push_back(drop_key_length(image[i + 1], kRaport));
  }
  return names;
}

int read_block(const std::vector<std::string>& image, std::string_view name, SzablonRaportu& into) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < image.size(); ++i) {
    if (block_is_named(image, i, name)) starts.push_back(i);
  }
  // A block's scan runs to the line before the next "[raport_end]"; a block without one runs on
  // into the blocks after it. A later block of the same name that starts inside a scan already
  // made ends where that scan ends, so rescanning it would set the same values again: only its
  // reset of wyslij_jesli_pusty is applied, at its place. This keeps the reader linear.
  // Lists take their lines from the last section start scanned; they are filled once at the end.
  std::array<size_t, kEditorSections.size()> last_section{kNone, kNone, kNone};
  size_t next = 0;
  while (next < starts.size()) {
    size_t j = starts[next] + 1;
    for (;;) {
      while (next < starts.size() && starts[next] < j) {
        into.wyslij_jesli_pusty = "tak";
        ++next;
      }
      const std::string& line = image[j];
      for (const auto& k : kEditorValueKeys) {
        if (line.find(k.key) != std::string::npos) into.*k.field = core::trim(drop_key_length(line, k.key));
      }
      for (size_t s = 0; s < kEditorSections.size(); ++s) {
        if (line.find(kEditorSections[s].start) != std::string::npos) last_section[s] = j;
      }
      if (j + 1 >= image.size() || image[j + 1] == kRaportEnd) break;
      ++j;
    }
  }
  for (size_t s = 0; s < kEditorSections.size(); ++s) {
    if (last_section[s] != kNone)
      into.*kEditorSections[s].field = section_lines(image, last_section[s], kEditorSections[s].end);
  }
  return static_cast<int>(starts.size());
}

void append_block(std::vector<std::string>& image, const SzablonRaportu& s) {
  auto lines = block_lines(s);
  image.insert(image.end(), lines.begin(), lines.end());
}

int blank_blocks(std::vector<std::string>& image, std::string_view name) {
  int count = 0;
  for (size_t i = 0; i < image.size(); ++i) {
    if (!block_is_named(image, i, name)) continue;
    ++count;
    // Blank up to the block's end line. A hand-made block that lacks it stops before the next
    // block's start, so deleting one definition never takes the following one with it.
    size_t last = i;
    for (size_t j = i; j < image.size(); ++j) {
      if (j > i && image[j] == kRaportStart) break;
      bool end = image[j] == kRaportEnd;
      image[j].clear();
      last = j;
      if (end) break;
    }
    i = last;
  }
  return count;
}

const char* const kSaveRefused =
    "Plik sterujący nie został wczytany, więc nie zapisano zmian: zapis zastąpiłby wszystkie "
    "zapisane w nim raporty. Popraw dostęp do pliku i otwórz listę raportów ponownie.";

ControlFile::ControlFile(std::filesystem::path path) : m_path(std::move(path)) {}

std::string ControlFile::load() {
  m_image.clear();
  m_loaded = false;
  std::optional<std::string> bytes = core::read_file_limited(m_path, kMaxFileBytes);
  if (!bytes) throw core::Error("Plik sterujący jest zbyt duży: \"" + m_path.string() + "\"");
  m_image = core::split_lines(core::decode_text(*bytes));
  m_loaded = true;
  return std::move(*bytes);
}

std::vector<std::string> ControlFile::Uruchom_sterowanie() {
  std::string as_loaded = load();
  std::string compacted = core::encode_lines(compact_lines(m_image));
  // Rewrite only when compaction changed something. The image becomes what the file now holds
  // (read back, so characters the code page lacks look as they will next time).
  if (compacted != as_loaded) core::write_file_atomic(m_path, compacted);
  m_image = core::split_lines(core::decode_text(compacted));
  return block_names(m_image);
}

int ControlFile::Wczytaj_szablon(std::string_view name, SzablonRaportu& into) const {
  return read_block(m_image, name, into);
}

void ControlFile::save() {
  core::write_lines(m_path, m_image);
  m_loaded = true;
}

void ControlFile::refuse_unless_loaded() const {
  // Writing an image that never held the file over an existing file would lose every
  // definition in it. A file that is missing may be created.
  std::error_code ec;
  if (!m_loaded && (std::filesystem::exists(m_path, ec) || ec)) throw core::Error(kSaveRefused);
}

void ControlFile::Zapisz_nowy_szablon(const SzablonRaportu& s) {
  refuse_unless_loaded();
  append_block(m_image, s);
  save();
}

void ControlFile::Usun_szablon(std::string_view name) {
  refuse_unless_loaded();
  blank_blocks(m_image, name);
  save();
}

void ControlFile::Zmien_szablon(std::string_view name, const SzablonRaportu& s) {
  refuse_unless_loaded();
  blank_blocks(m_image, name);
  append_block(m_image, s);
  save();
}

}  // namespace orvena::config
