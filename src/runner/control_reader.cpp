#include "runner/control_reader.h"

#include <array>
#include <system_error>

#include "core/error.h"
#include "core/line_file.h"
#include "core/text.h"
#include "runner/date_variables.h"
#include "runner/day_rules.h"

namespace orvena::runner {

namespace {

using namespace config::control;
using config::SzablonRaportu;

enum class ValueForm {
  Trimmed,       // trimmed, letter case as written
  LowerTrimmed,  // lower-cased, then trimmed
  WithDates,     // trimmed, then date variables replaced
  WeekdayFlags,  // trimmed; also decides the weekday part of the due flag
};

struct RunnerKey {
  std::string_view key;
  std::string SzablonRaportu::*field;
  ValueForm form;
};

// The order in which every line is tested. Each key that the lower-cased line contains takes
// its value from the trimmed line with as many leading characters removed as the key has, so
// the value is right only when the key opens the line.
const std::array<RunnerKey, 11> kRunnerKeys = {{
    {kDniRaportu, &SzablonRaportu::dni_raportu, ValueForm::WeekdayFlags},
    {kNazwaPliku, &SzablonRaportu::nazwa_pliku, ValueForm::WithDates},
    {kWyslijNa, &SzablonRaportu::wyslij_na, ValueForm::LowerTrimmed},
    {kTematEmail, &SzablonRaportu::temat_email, ValueForm::WithDates},
    {kAdresFtp, &SzablonRaportu::adres_ftp, ValueForm::Trimmed},
    {kUserFtp, &SzablonRaportu::user_ftp, ValueForm::Trimmed},
    {kPassFtp, &SzablonRaportu::pass_ftp, ValueForm::Trimmed},
    {kFolderFtp, &SzablonRaportu::folder_ftp, ValueForm::Trimmed},
    {kSzablonRaportu, &SzablonRaportu::szablon_raportu, ValueForm::Trimmed},
    {kFormatPliku, &SzablonRaportu::format_pliku, ValueForm::LowerTrimmed},
    {kWyslijJesliPusty, &SzablonRaportu::wyslij_jesli_pusty, ValueForm::LowerTrimmed},
}};

bool contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

ControlReader::ControlReader(const core::Clock& clock, std::string weekday_name,
                             DefinitionHandler on_definition)
    : m_clock(clock), m_weekday(std::move(weekday_name)), m_on_definition(std::move(on_definition)) {
  m_current.szablon.wyslij_jesli_pusty = "tak";
}

// "[raport]=" starts a definition. The template and wyslij_jesli_pusty are left alone: a block
// that does not name its template uses the one of the block before it.
void ControlReader::start_definition(const std::string& s) {
  SzablonRaportu& d = m_current.szablon;
  d.raport = core::trim(drop_key_length(s, kRaport));
  d.zapytanie.clear();
  d.adresaci.clear();
  d.daty.clear();
  d.nazwa_pliku.clear();
  d.format_pliku.clear();
  d.wyslij_na.clear();
  d.temat_email.clear();
  d.adres_ftp.clear();
  d.user_ftp.clear();
  d.pass_ftp.clear();
  d.folder_ftp.clear();
  d.dni_raportu = std::string(kNoWeekdays);
  m_in_zapytanie = m_in_adresaci = m_in_daty = false;
  m_current.due = false;
}

bool ControlReader::read_keys(const std::string& s, const std::string& k) {
  bool matched = false;
  for (const auto& key : kRunnerKeys) {
    if (!contains(k, key.key)) continue;
    matched = true;
    std::string value = drop_key_length(s, key.key);
    switch (key.form) {
      case ValueForm::Trimmed:
        value = core::trim(value);
        break;
      case ValueForm::LowerTrimmed:
        value = core::trim(core::to_lower(value));
        break;
      case ValueForm::WithDates:
        value = Wstaw_daty(core::trim(value), m_clock);
        break;
      case ValueForm::WeekdayFlags:
        value = core::trim(value);
        if (weekday_flag_set(value, m_weekday)) m_current.due = true;
        break;
    }
    m_current.szablon.*key.field = std::move(value);
  }
  return matched;
}

bool ControlReader::read_markers(const std::string& k) {
  bool matched = false;
  auto marker = [&](std::string_view text, bool& open, bool opens) {
    if (!contains(k, text)) return;
    open = opens;
    matched = true;
  };
  marker(kZapytanieStart, m_in_zapytanie, true);
  marker(kZapytanieEnd, m_in_zapytanie, false);
  marker(kAdresaciStart, m_in_adresaci, true);
  marker(kAdresaciEnd, m_in_adresaci, false);
  marker(kDatyStart, m_in_daty, true);
  marker(kDatyEnd, m_in_daty, false);
  return matched;
}

// Sections are independent: a line goes to every section that is open.
void ControlReader::add_content(const std::string& s) {
  SzablonRaportu& d = m_current.szablon;
  if (m_in_zapytanie) d.zapytanie.push_back(Wstaw_daty(s, m_clock));
  if (m_in_adresaci) d.adresaci.push_back(s);
  if (m_in_daty) d.daty.push_back(s);
}

void ControlReader::read_line(std::string_view line) {
  std::string s = core::trim(line);
  std::string k = core::to_lower(s);
  bool matched = false;
  if (contains(k, kRaport)) {
    start_definition(s);
    matched = true;
  }
  matched |= read_keys(s, k);
  matched |= read_markers(k);
  // Anything else is content, "[raport_start]", "[raport_end]" and separators included; they
  // land in a section only when one was left open.
  if (!matched && !s.empty()) add_content(s);
  if (k == kRaportEnd) {
    if (m_on_definition) m_on_definition(m_current);
    m_current.szablon.wyslij_jesli_pusty = "tak";
  }
}

void read_control_lines(const std::vector<std::string>& lines, const core::Clock& clock,
                        std::string_view weekday_name, const DefinitionHandler& on_definition) {
  ControlReader reader(clock, std::string(weekday_name), on_definition);
  for (size_t i = 1; i < lines.size(); ++i) reader.read_line(lines[i]);
}

bool read_control_file(const std::filesystem::path& path, const core::Clock& clock,
                       std::string_view weekday_name, const DefinitionHandler& on_definition) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return false;
  std::optional<std::string> bytes = core::read_file_limited(path, kMaxFileBytes);
  if (!bytes) throw core::Error("Plik sterujący jest zbyt duży: \"" + path.string() + "\"");
  read_control_lines(core::split_lines(core::decode_text(*bytes)), clock, weekday_name, on_definition);
  return true;
}

}  // namespace orvena::runner
