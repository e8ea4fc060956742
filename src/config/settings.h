#pragma once
// The settings file Dane/konfiguracja.txt: database login, mail account and the fixed parts of
// the mail body. Written by hand, read once at start, never written back.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvena::config {

struct Konfiguracja {
  std::string email_adress;
  std::string email_user;
  std::string email_pass;
  std::string email_smtp;
  std::string email_port;
  std::string email_nadawca;
  std::string email_stopka;
  std::string email_podpis;
  std::string email_tresc;  // body lines, each followed by CR
  std::string db_server;
  std::string db_user;
  std::string db_pass;
  std::string db;
  // Linux additions: which database backend, and whether the mail server's certificate is checked.
  std::string db_driver;         // "" = SQL Server through ODBC driver FreeTDS, "sqlite", or an ODBC driver
  std::string email_tls_verify;  // "nie" switches verification off
  std::string limit_krokow_skryptu;   // a template script's steps per report
  std::string pdf_a;                  // "tak": PDF files are written as PDF/A-1b
  std::string tiff_kompresja;         // "nie" writes TIFF pages uncompressed
  std::string limit_czasu_raportu;    // minutes one report's production may take
  std::string limit_pamieci_raportu;  // MiB one report's production may use
  std::string rownolegle_raporty;     // reports produced at once

  bool verify_mail_certificate() const;
  bool pdf_a_files() const;
  // LZW unless the key says "nie".
  bool compress_tiff() const;
  // The key's whole number of steps (at least 1); nullopt when it is empty or no such number,
  // so that the report's default applies.
  std::optional<uint64_t> script_step_limit() const;
  // The report limits in their units; a key that is empty or no number above 0 gives the
  // default. Minutes may have a fraction ("0,5" or "0.5").
  std::chrono::milliseconds report_time_limit() const;
  uint64_t report_memory_limit_mib() const;
  unsigned parallel_reports() const;

  static constexpr std::chrono::minutes kDefaultReportTimeLimit{60};
  static constexpr uint64_t kDefaultReportMemoryMiB = 4096;
};

// Fills the settings from the file's lines (UTF-8). Keys are matched anywhere in a line with exact
// case, but their length is removed from the line's start, so a key is only read cleanly at the
// very beginning of its line.
Konfiguracja parse_settings(const std::vector<std::string>& lines);

// Reads the file; a missing file leaves every value empty, silently. An existing file that cannot
// be read raises core::Error.
Konfiguracja read_settings(const std::filesystem::path& path);

// The classic connection string, built by plain concatenation as the settings give it.
std::string connection_string(const Konfiguracja& k);

// stopka CR CR tresc CR podpis (CR = code 13 alone).
std::string mail_body(const Konfiguracja& k);

}  // namespace orvena::config
