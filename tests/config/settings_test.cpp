#include "config/settings.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/error.h"
#include "core/temp_dir.h"

namespace orvena::config {
namespace {

TEST(Settings, ConnectionStringHasAFixedOrderWhateverTheFileOrder) {
  auto k =
      parse_settings({"[db]=Sprzedaz", "[db_pass]=tajne", "[db_server]=SQL01\\PROD", "[db_user]=raporty"});
  EXPECT_EQ(connection_string(k),
            "Provider=SQLOLEDB.1;Password=tajne;Persist Security Info=True;User ID=raporty;"
            "Initial Catalog=Sprzedaz;Data Source=SQL01\\PROD");
  k.db.clear();
  EXPECT_NE(connection_string(k).find(";Initial Catalog=;Data Source="), std::string::npos);
}

struct LineCase {
  const char* name;
  std::vector<std::string> lines;
  std::string Konfiguracja::*field;
  std::string expected;
};

class SettingsLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(SettingsLines, Value) {
  EXPECT_EQ(parse_settings(GetParam().lines).*GetParam().field, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, SettingsLines,
    ::testing::Values(
        LineCase{"trimmed_inner_blanks_kept",
                 {"[email_nadawca]=   Dział  Raportów \t"},
                 &Konfiguracja::email_nadawca,
                 "Dział  Raportów"},
        LineCase{"other_case_not_recognised", {"[EMAIL_PORT]=465"}, &Konfiguracja::email_port, ""},
        LineCase{
            "later_line_wins", {"[email_port]=25", "[email_port]=465"}, &Konfiguracja::email_port, "465"},
        // The key's length is removed from the line's start, so two leading blanks leave "]=" + value...
        LineCase{"leading_blanks_spoil_the_value", {"  [db]=baza"}, &Konfiguracja::db, "]=baza"},
        // ...and text before the key stays in front: "x" is removed, the key's last character stays.
        LineCase{"text_before_key", {"x[db]=baza"}, &Konfiguracja::db, "=baza"},
        // Characters, not bytes, are removed: two Polish letters (four bytes) in front act like two blanks.
        LineCase{"polish_prefix_counts_characters", {"łą[db]=baza"}, &Konfiguracja::db, "]=baza"},
        LineCase{"missing_key_stays_empty", {"# komentarz", ""}, &Konfiguracja::email_smtp, ""},
        LineCase{"driver_key", {"[db_driver]=sqlite"}, &Konfiguracja::db_driver, "sqlite"},
        // Three body lines, the second empty: first, CR, CR, third, CR.
        LineCase{"body_block",
                 {"[email_tresc_start]", "  Dzień dobry, ", "", "w załączniku raport.", "[email_tresc_end]"},
                 &Konfiguracja::email_tresc,
                 "Dzień dobry,\r\rw załączniku raport.\r"},
        LineCase{
            "empty_body_block", {"[email_tresc_start]", "[email_tresc_end]"}, &Konfiguracja::email_tresc, ""},
        // Without a start marker the body starts at the file's second line.
        LineCase{"end_without_start",
                 {"pierwsza", "druga", "trzecia", "[email_tresc_end]"},
                 &Konfiguracja::email_tresc,
                 "druga\rtrzecia\r"},
        // Lines inside the body are still read for keys.
        LineCase{"key_inside_body",
                 {"[email_tresc_start]", "[email_port]=587", "[email_tresc_end]"},
                 &Konfiguracja::email_port,
                 "587"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Settings, MailBodyJoinsThePartsWithCarriageReturns) {
  Konfiguracja k;
  k.email_stopka = "Stopka";
  k.email_tresc = "a\rb\r";
  k.email_podpis = "Podpis";
  EXPECT_EQ(mail_body(k), "Stopka\r\ra\rb\r\rPodpis");
}

TEST(Settings, TlsVerificationIsOnUnlessSwitchedOff) {
  EXPECT_TRUE(parse_settings({}).verify_mail_certificate());
  EXPECT_FALSE(parse_settings({"[email_tls_verify]=nie"}).verify_mail_certificate());
  EXPECT_FALSE(parse_settings({"[email_tls_verify]= NIE "}).verify_mail_certificate());
  EXPECT_TRUE(parse_settings({"[email_tls_verify]=tak"}).verify_mail_certificate());
}

TEST(Settings, TiffIsCompressedUnlessSwitchedOff) {
  EXPECT_TRUE(parse_settings({}).compress_tiff());
  EXPECT_FALSE(parse_settings({"[tiff_kompresja]=nie"}).compress_tiff());
  EXPECT_FALSE(parse_settings({"[tiff_kompresja]= Nie "}).compress_tiff());
  EXPECT_TRUE(parse_settings({"[tiff_kompresja]=tak"}).compress_tiff());
}

// The template script's step budget: a whole number of steps; anything else leaves the report's
// default (nullopt), so that a mistyped value does not stop every script at once.
TEST(Settings, ScriptStepLimit) {
  struct Case {
    const char* line;
    std::optional<uint64_t> steps;
  };
  const Case cases[] = {
      {"[limit_krokow_skryptu]=5000000", 5000000},
      {"[limit_krokow_skryptu]=  250  ", 250},
      {"[limit_krokow_skryptu]=99999999999999999999999", UINT64_MAX},  // past 64 bits: as good as none
      {"[limit_krokow_skryptu]=", std::nullopt},
      {"[limit_krokow_skryptu]=0", std::nullopt},
      {"[limit_krokow_skryptu]=-5", std::nullopt},
      {"[limit_krokow_skryptu]=1e9", std::nullopt},
      {"[limit_krokow_skryptu]=dużo", std::nullopt},
      {"[LIMIT_KROKOW_SKRYPTU]=5", std::nullopt},  // keys are matched with their case
  };
  for (const auto& c : cases) EXPECT_EQ(parse_settings({c.line}).script_step_limit(), c.steps) << c.line;
  EXPECT_EQ(parse_settings({}).script_step_limit(), std::nullopt);
}

// The report limits: a mistyped value keeps the default rather than stopping every report.
TEST(Settings, ReportLimitsAndParallelReports) {
  using std::chrono::milliseconds;
  struct Case {
    const char* line;
    milliseconds time;
    uint64_t memory_mib;
    unsigned parallel;
  };
  const milliseconds hour = Konfiguracja::kDefaultReportTimeLimit;
  const uint64_t mib = Konfiguracja::kDefaultReportMemoryMiB;
  const Case cases[] = {
      {"", hour, mib, 1},
      {"[limit_czasu_raportu]=15", milliseconds(15 * 60'000), mib, 1},
      {"[limit_czasu_raportu]=0,05", milliseconds(3'000), mib, 1},  // our decimal comma
      {"[limit_czasu_raportu]=0.5", milliseconds(30'000), mib, 1},
      {"[limit_czasu_raportu]=0", hour, mib, 1},
      {"[limit_czasu_raportu]=-1", hour, mib, 1},
      {"[limit_czasu_raportu]=godzina", hour, mib, 1},
      {"[limit_czasu_raportu]=nan", hour, mib, 1},
      {"[limit_czasu_raportu]=1e300", milliseconds(int64_t{366} * 24 * 3'600'000), mib, 1},  // a year at most
      {"[limit_pamieci_raportu]=512", hour, 512, 1},
      {"[limit_pamieci_raportu]=0", hour, mib, 1},
      {"[limit_pamieci_raportu]=1,5", hour, mib, 1},
      {"[limit_pamieci_raportu]=99999999999999999999999", hour, uint64_t{1} << 24, 1},
      {"[rownolegle_raporty]=4", hour, mib, 4},
      {"[rownolegle_raporty]=0", hour, mib, 1},
      {"[rownolegle_raporty]=1000", hour, mib, 64},
  };
  for (const auto& c : cases) {
    const Konfiguracja k = parse_settings({c.line});
    EXPECT_EQ(k.report_time_limit(), c.time) << c.line;
    EXPECT_EQ(k.report_memory_limit_mib(), c.memory_mib) << c.line;
    EXPECT_EQ(k.parallel_reports(), c.parallel) << c.line;
  }
}

TEST(Settings, FileReadingMissingWindows1250AndUnreadable) {
  core::TempDir dir;
  EXPECT_EQ(read_settings(dir.path() / "konfiguracja.txt").db_server, "");  // missing: silent

  auto path = dir.path() / "k.txt";
  std::ofstream(path, std::ios::binary) << "[email_nadawca]=Dzia\xB3 Raport\xF3w\r\n[db]=x\r\n";
  auto k = read_settings(path);
  EXPECT_EQ(k.email_nadawca, "Dział Raportów");
  EXPECT_EQ(k.db, "x");

  // A folder in place of the file cannot be read: an error, not a silent empty result.
  std::filesystem::create_directory(dir.path() / "folder.txt");
  EXPECT_THROW(read_settings(dir.path() / "folder.txt"), core::Error);
}

}  // namespace
}  // namespace orvena::config
