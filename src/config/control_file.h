#pragma once
// The control file Dane/sterowanie.txt: one block of lines per report definition. The runner
// reads it with its own lenient reader (runner/control_reader.h); this header holds the record
// and what the editor does with the file: list (with compaction), read one block, append a block,
// delete blocks. The editor works on a file image, the whole file as a list of lines.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orvena::config {

// One report definition; the fields are named after the file's keys.
struct SzablonRaportu {
  std::string raport;
  std::string dni_raportu;             // seven flags Monday..Sunday, "1" = due on that weekday
  std::vector<std::string> daty;       // month-day entries "mm-dd"
  std::vector<std::string> zapytanie;  // SQL lines
  std::string wyslij_jesli_pusty;      // "tak" or "nie"
  std::string nazwa_pliku;
  std::string szablon_raportu;
  std::string format_pliku;
  std::string wyslij_na;
  std::string adres_ftp;
  std::string folder_ftp;
  std::string user_ftp;
  std::string pass_ftp;
  std::string temat_email;
  std::vector<std::string> adresaci;

  friend bool operator==(const SzablonRaportu&, const SzablonRaportu&) = default;
};

namespace control {

// Keys and markers exactly as the editor writes them.
inline constexpr std::string_view kRaportStart = "[raport_start]";
inline constexpr std::string_view kRaportEnd = "[raport_end]";
inline constexpr std::string_view kRaport = "[raport]=";
inline constexpr std::string_view kDniRaportu = "[dni_raportu]=";
inline constexpr std::string_view kDatyStart = "[daty_start]";
inline constexpr std::string_view kDatyEnd = "[daty_end]";
inline constexpr std::string_view kZapytanieStart = "[zapytanie_start]";
inline constexpr std::string_view kZapytanieEnd = "[zapytanie_end]";
inline constexpr std::string_view kWyslijJesliPusty = "[wyslij_jesli_pusty]=";
inline constexpr std::string_view kNazwaPliku = "[nazwa_pliku]=";
inline constexpr std::string_view kSzablonRaportu = "[szablon_raportu]=";
inline constexpr std::string_view kFormatPliku = "[format_pliku]=";
inline constexpr std::string_view kWyslijNa = "[wyslij_na]=";
inline constexpr std::string_view kAdresFtp = "[adres_ftp]=";
inline constexpr std::string_view kFolderFtp = "[folder_ftp]=";
inline constexpr std::string_view kUserFtp = "[user_ftp]=";
inline constexpr std::string_view kPassFtp = "[pass_ftp]=";
inline constexpr std::string_view kTematEmail = "[temat_email]=";
inline constexpr std::string_view kAdresaciStart = "[adresaci_start]";
inline constexpr std::string_view kAdresaciEnd = "[adresaci_end]";

// Written after every block: "//" and 94 "=".
inline const std::string kSeparator = "//" + std::string(94, '=');

// Weekday flags of a new definition.
inline constexpr std::string_view kNoWeekdays = "0000000";

// The file is read whole into memory; anything larger than this is not a control file.
inline constexpr std::uintmax_t kMaxFileBytes = 64u * 1024 * 1024;

// Removes as many characters (code points, not bytes) from the start of `text` as `key` has.
std::string drop_key_length(std::string_view text, std::string_view key);

}  // namespace control

// ---- Operations on a file image (pure; the ControlFile class below adds the file) ----

// The block's lines in the editor's layout, every value and list line trimmed, followed by the
// separator line.
std::vector<std::string> block_lines(const SzablonRaportu& s);

// Trims every line, drops empty lines and every line equal (untrimmed) to the line before it.
std::vector<std::string> compact_lines(const std::vector<std::string>& image);

// For each line equal to "[raport_start]", the next line without its first 9 characters.
std::vector<std::string> block_names(const std::vector<std::string>& image);

// The editor's reader: fills `into` from every block named `nazwa_szablonu`, in file order (a
// later block's values replace an earlier one's). Keys are found only in this letter case; a
// key the block lacks leaves that field of `into` as it was, and a list is replaced only when
// its section is present. Returns the number of blocks read.
int read_block(const std::vector<std::string>& image, std::string_view nazwa_szablonu, SzablonRaportu& into);

// Appends the block and its separator at the end of the image.
void append_block(std::vector<std::string>& image, const SzablonRaportu& s);

// Blanks every block named `nazwa_szablonu` (its lines become empty; the separator after it
// stays). Returns the number of blocks blanked.
int blank_blocks(std::vector<std::string>& image, std::string_view nazwa_szablonu);

// ---- The editor's file operations ----

// Holds the editor's file image of one control file. Appending and deleting rewrite the whole
// file from the image, through a temporary file renamed over the old one.
class ControlFile {
 public:
  explicit ControlFile(std::filesystem::path path);

  // Uruchom_sterowanie's file part: load the file, compact it, write the compacted lines back
  // (Windows-1250, CR LF, no byte-order mark; skipped when that changes no byte), take them as
  // the image, and return the block names in file order. A file that cannot be read raises
  // core::Error ("Cannot open file ..."); the image is then empty and, while the file exists,
  // saving is refused until a listing succeeds.
  std::vector<std::string> Uruchom_sterowanie();

  // Fills `into` from the block(s) named `nazwa_szablonu` in the image; see read_block.
  int Wczytaj_szablon(std::string_view nazwa_szablonu, SzablonRaportu& into) const;

  // Appends the definition's block to the image and saves the image. Raises core::Error with
  // kSaveRefused, changing nothing, when the image never held an existing file; a file that was
  // missing is created.
  void Zapisz_nowy_szablon(const SzablonRaportu& s);

  // Blanks every block with that name in the image and saves the image (refused as above).
  void Usun_szablon(std::string_view nazwa_szablonu);

  // A change: blanks the blocks named `nazwa_szablonu` and appends `s`, saved in one write, so
  // a failed write cannot leave the file without the definition (refused as above).
  void Zmien_szablon(std::string_view nazwa_szablonu, const SzablonRaportu& s);

  const std::vector<std::string>& image() const { return m_image; }
  const std::filesystem::path& path() const { return m_path; }

 private:
  std::string load();  // returns the file's bytes
  void save();
  void refuse_unless_loaded() const;

  std::filesystem::path m_path;
  std::vector<std::string> m_image;
  // An image that never held the file (not loaded yet, or the load failed) must not replace it.
  bool m_loaded = false;
};

// The text of the refusal to save after a failed load of an existing control file.
extern const char* const kSaveRefused;

}  // namespace orvena::config
