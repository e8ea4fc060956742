#include "config/settings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <system_error>

#include "core/encoding.h"
#include "core/line_file.h"
#include "core/text.h"

namespace orvena::config {

namespace {

struct Key {
  const char* text;
  std::string Konfiguracja::*field;
};

// The order in which every line is tested; each match shortens the line for the keys after it.
const std::array<Key, 20> kKeys = {{
    {"[db_server]=", &Konfiguracja::db_server},
    {"[db_user]=", &Konfiguracja::db_user},
    {"[db_pass]=", &Konfiguracja::db_pass},
    {"[db]=", &Konfiguracja::db},
    {"[email_nadawca]=", &Konfiguracja::email_nadawca},
    {"[email_stopka]=", &Konfiguracja::email_stopka},
    {"[email_podpis]=", &Konfiguracja::email_podpis},
    {"[email_adress]=", &Konfiguracja::email_adress},
    {"[email_user]=", &Konfiguracja::email_user},
    {"[email_pass]=", &Konfiguracja::email_pass},
    {"[email_smtp]=", &Konfiguracja::email_smtp},
    {"[email_port]=", &Konfiguracja::email_port},
    {"[db_driver]=", &Konfiguracja::db_driver},
    {"[email_tls_verify]=", &Konfiguracja::email_tls_verify},
    {"[limit_krokow_skryptu]=", &Konfiguracja::limit_krokow_skryptu},
    {"[pdf_a]=", &Konfiguracja::pdf_a},
    {"[tiff_kompresja]=", &Konfiguracja::tiff_kompresja},
    {"[limit_czasu_raportu]=", &Konfiguracja::limit_czasu_raportu},
    {"[limit_pamieci_raportu]=", &Konfiguracja::limit_pamieci_raportu},
    {"[rownolegle_raporty]=", &Konfiguracja::rownolegle_raporty},
}};

// A hand-written settings file is a few dozen lines; this is far beyond any real one and keeps a
// mistaken file (a log, a dump) from costing much memory.
constexpr std::uintmax_t kMaxSettingsBytes = 1024 * 1024;

constexpr std::string_view kBodyStart = "[email_tresc_start]";
constexpr std::string_view kBodyEnd = "[email_tresc_end]";

// Removes as many characters (not bytes) from the start as the key has.
void drop_leading_characters(std::string& text, std::string_view key) {
  text.erase(0, core::utf8_offset(text, core::utf8_length(key)));
}

}  // namespace

bool Konfiguracja::verify_mail_certificate() const {
  return core::to_lower(core::trim(email_tls_verify)) != "nie";
}

bool Konfiguracja::pdf_a_files() const {
  return core::to_lower(core::trim(pdf_a)) == "tak";
}

bool Konfiguracja::compress_tiff() const {
  return core::to_lower(core::trim(tiff_kompresja)) != "nie";
}

namespace {

// A whole number above 0; UINT64_MAX for one too large to hold, nullopt for anything else.
std::optional<uint64_t> positive_whole(const std::string& value) {
  const std::string text = core::trim(value);
  uint64_t n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || end != text.data() + text.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) return UINT64_MAX;
  if (ec != std::errc() || n == 0) return std::nullopt;
  return n;
}

}  // namespace

std::optional<uint64_t> Konfiguracja::script_step_limit() const {
  return positive_whole(limit_krokow_skryptu);  // UINT64_MAX: more than any run can take
}

std::chrono::milliseconds Konfiguracja::report_time_limit() const {
  // Our decimal separator is the comma; a dot is what everyone else writes, so both are read.
  std::string text = core::trim(limit_czasu_raportu);
  for (char& c : text)
    if (c == ',') c = '.';
  double minutes = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), minutes);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !(minutes > 0))
    return kDefaultReportTimeLimit;
  // A year is as good as no limit, and keeps the milliseconds far from overflowing.
  constexpr double kMaxMinutes = 366.0 * 24 * 60;
  return std::chrono::milliseconds(static_cast<int64_t>(std::min(minutes, kMaxMinutes) * 60'000 + 0.5));
}

uint64_t Konfiguracja::report_memory_limit_mib() const {
  // 2^24 MiB (16 TiB) is more than any machine; it keeps the byte count far from overflowing.
  constexpr uint64_t kMaxMiB = uint64_t{1} << 24;
  return std::min(positive_whole(limit_pamieci_raportu).value_or(kDefaultReportMemoryMiB), kMaxMiB);
}

unsigned Konfiguracja::parallel_reports() const {
  // Each report is a process with its own database connection; far past the cores of any
  // server, more only adds load.
  constexpr uint64_t kMaxParallel = 64;
  return static_cast<unsigned>(std::min(positive_whole(rownolegle_raporty).value_or(1), kMaxParallel));
}

Konfiguracja parse_settings(const std::vector<std::string>& lines) {
  Konfiguracja k;
  size_t body_start = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string work = lines[i];
    for (const auto& key : kKeys) {
      if (work.find(key.text) == std::string::npos) continue;
      drop_leading_characters(work, key.text);
      work = core::trim(work);
      k.*key.field = work;
    }
    if (work.find(kBodyStart) != std::string::npos) body_start = i;
    if (work.find(kBodyEnd) != std::string::npos) {
      k.email_tresc.clear();
      for (size_t j = body_start + 1; j < i; ++j) k.email_tresc += core::trim(lines[j]) + "\r";
    }
  }
  return k;
}

Konfiguracja read_settings(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return {};
  return parse_settings(
      core::split_lines(core::decode_text(core::read_regular_file(path, kMaxSettingsBytes))));
}

std::string connection_string(const Konfiguracja& k) {
  return "Provider=SQLOLEDB.1;Password=" + k.db_pass + ";Persist Security Info=True;User ID=" + k.db_user +
         ";Initial Catalog=" + k.db + ";Data Source=" + k.db_server;
}

std::string mail_body(const Konfiguracja& k) {
  return k.email_stopka + "\r\r" + k.email_tresc + "\r" + k.email_podpis;
}

}  // namespace orvena::config
