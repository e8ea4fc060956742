// A whole unattended run whose definitions are delivered to the real test servers: mail over
// implicit TLS to the SMTP server, the file to the FTP server, and CSV from PostgreSQL over ODBC.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "app/session.h"
#include "core/line_file.h"
#include "support/servers.h"
#include "support/test_home.h"

namespace orvena::app {
namespace {

using test::server_env;
using test::TestHome;
namespace fs = std::filesystem;

bool has_line(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class DeliveredRun : public ::testing::Test {
 protected:
  void SetUp() override {
    home.sql("create table t (x integer, opis text); insert into t values (1, 'żółw');");
  }

  std::vector<std::string> run() {
    Session session(home.home(), clock);
    session.start_up();
    if (!server_env("ORVENA_TEST_FTP_PORT").empty())
      session.ftp().set_port(static_cast<uint16_t>(std::stoi(server_env("ORVENA_TEST_FTP_PORT"))));
    session.connect();
    session.unattended_run();
    return session.log().lines();
  }

  TestHome home;
  core::FixedClock clock{core::encode_date(2026, 12, 10) + core::encode_time(6, 0, 0)};
};

TEST_F(DeliveredRun, MailAndFtpLinesOfADeliveredDefinition) {
  ORVENA_NEED_SERVER("ORVENA_TEST_SMTP_PORT");
  ORVENA_NEED_SERVER("ORVENA_TEST_FTP_PORT");
  home.write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db", "[email_adress]=raporty@example.com",
                       "[email_user]=" + server_env("ORVENA_TEST_SMTP_USER"),
                       "[email_pass]=" + server_env("ORVENA_TEST_SMTP_PASS"),
                       "[email_smtp]=" + server_env("ORVENA_TEST_SMTP_HOST"),
                       "[email_port]=" + server_env("ORVENA_TEST_SMTP_PORT"),
                       "[email_nadawca]=Serwer raportów", "[email_tls_verify]=nie",
                       "[email_stopka]=Dzień dobry,", "[email_podpis]=Dział Analiz"});
  const std::string rcpt = "run-" + std::to_string(getpid()) + "@example.com";
  const std::string file = "dostawa_" + std::to_string(getpid()) + ".csv";
  const fs::path ftp_dir = fs::path(server_env("ORVENA_TEST_FTP_HOME")) / "sub";
  fs::remove(ftp_dir / file);
  home.write_definitions({{.raport = "Dostawa",
                           .zapytanie = {"select * from t"},
                           .nazwa_pliku = file,
                           .wyslij_na = "e-mail/ftp",
                           .adres_ftp = server_env("ORVENA_TEST_FTP_HOST"),
                           .folder_ftp = "/sub/",
                           .user_ftp = server_env("ORVENA_TEST_FTP_USER"),
                           .pass_ftp = server_env("ORVENA_TEST_FTP_PASS"),
                           .temat_email = "Raport z dnia [<data>]",
                           .adresaci = {rcpt}}});
  auto lines = run();
  EXPECT_TRUE(has_line(lines, "Próba wysłania raportu na adres: " + rcpt));
  EXPECT_TRUE(has_line(lines, ">> Poprawnie wysłano raport na adres e-mail: " + rcpt + "!"));
  EXPECT_TRUE(
      has_line(lines, ">> Wysłano raport na serwer FTP: " + server_env("ORVENA_TEST_FTP_HOST") + "!"));
  // The file on the server is the one produced, byte for byte.
  EXPECT_EQ(core::read_file(ftp_dir / file), core::read_file(home.home().temporary() / file));

  // The message reached the server's mail folder, addressed to our recipient.
  bool found = false;
  for (const auto& entry : fs::directory_iterator(server_env("ORVENA_TEST_SMTP_MAILDIR")))
    if (entry.path().extension() == ".json" && core::read_file(entry.path()).find(rcpt) != std::string::npos)
      found = true;
  EXPECT_TRUE(found);
}

TEST_F(DeliveredRun, FailedDeliveriesAreLoggedAndTheRunGoesOn) {
  ORVENA_NEED_SERVER("ORVENA_TEST_SMTP_PORT");
  ORVENA_NEED_SERVER("ORVENA_TEST_FTP_PORT");
  // A wrong mail password and a wrong FTP password.
  home.write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db", "[email_adress]=raporty@example.com",
                       "[email_user]=" + server_env("ORVENA_TEST_SMTP_USER"), "[email_pass]=zle-haslo",
                       "[email_smtp]=" + server_env("ORVENA_TEST_SMTP_HOST"),
                       "[email_port]=" + server_env("ORVENA_TEST_SMTP_PORT"), "[email_tls_verify]=nie"});
  home.write_definitions({{.raport = "Odmowa",
                           .zapytanie = {"select * from t"},
                           .nazwa_pliku = "odmowa.csv",
                           .wyslij_na = "e-mail/ftp",
                           .adres_ftp = server_env("ORVENA_TEST_FTP_HOST"),
                           .user_ftp = server_env("ORVENA_TEST_FTP_USER"),
                           .pass_ftp = "zle-haslo",
                           .adresaci = {"odmowa@example.com"}}});
  auto lines = run();
  auto at = std::find(lines.begin(), lines.end(), "Próba wysłania raportu na adres: odmowa@example.com");
  ASSERT_NE(at, lines.end());
  // The next line is the server's own refusal, not a success line.
  ASSERT_NE(at + 1, lines.end());
  EXPECT_EQ((at + 1)->find(">> Poprawnie"), std::string::npos) << *(at + 1);
  EXPECT_FALSE((at + 1)->empty());
  EXPECT_TRUE(has_line(
      lines, ">> NIE UDAŁO się wysłać raportu na serwer FTP: " + server_env("ORVENA_TEST_FTP_HOST") + "!"));
  EXPECT_EQ(lines.back().rfind("Zamknięcie aplikacji: ", 0), 0u);
}

// Reports that cannot be made are failures with their reason, and the run goes on to deliver the
// next one; the closing lines count the failures.
TEST_F(DeliveredRun, FailedReportsAreNamedAndTheNextOneIsDelivered) {
  ORVENA_NEED_SERVER("ORVENA_TEST_FTP_PORT");
  const std::string file = "po_bledach_" + std::to_string(getpid()) + ".csv";
  const fs::path ftp_dir = fs::path(server_env("ORVENA_TEST_FTP_HOME"));
  fs::remove(ftp_dir / file);
  home.write_definitions({{.raport = "Nieznany format",
                           .zapytanie = {"select * from t"},
                           .nazwa_pliku = "x.xml",
                           .format_pliku = "xml"},
                          {.raport = "Obcy szablon",
                           .zapytanie = {"select * from t"},
                           .nazwa_pliku = "o.pdf",
                           .szablon_raportu = "/etc/passwd",
                           .format_pliku = "pdf",
                           .wyslij_na = "ftp",
                           .adres_ftp = server_env("ORVENA_TEST_FTP_HOST"),
                           .user_ftp = server_env("ORVENA_TEST_FTP_USER"),
                           .pass_ftp = server_env("ORVENA_TEST_FTP_PASS")},
                          {.raport = "Dostarczony",
                           .zapytanie = {"select * from t"},
                           .nazwa_pliku = file,
                           .wyslij_na = "ftp",
                           .adres_ftp = server_env("ORVENA_TEST_FTP_HOST"),
                           .user_ftp = server_env("ORVENA_TEST_FTP_USER"),
                           .pass_ftp = server_env("ORVENA_TEST_FTP_PASS")}});
  auto lines = run();
  EXPECT_TRUE(has_line(lines, ">> BŁĄD! : Format pliku \"xml\" jest nieznany - plik raportu nie powstał!"));
  EXPECT_TRUE(has_line(lines,
                       ">> Nie udało się wczytać szablonu raportu: Szablon raportu \"/etc/passwd\" leży "
                       "poza folderem Dane/Szablony - nie wczytano go."));
  EXPECT_TRUE(
      has_line(lines, ">> Wysłano raport na serwer FTP: " + server_env("ORVENA_TEST_FTP_HOST") + "!"));
  EXPECT_EQ(core::read_file(ftp_dir / file), core::read_file(home.home().temporary() / file));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 2], "Liczba raportów zakończonych błędem: 2.");
}

TEST_F(DeliveredRun, CsvFromPostgresqlOverOdbc) {
  ORVENA_NEED_SERVER("ORVENA_TEST_PG_ODBC");
  // The PostgreSQL test server through its ODBC driver, named in the settings.
  std::string dsn = server_env("ORVENA_TEST_PG_ODBC");
  auto field = [&](const std::string& key) {
    auto b = dsn.find(key + "=");
    auto e = dsn.find(';', b);
    return dsn.substr(b + key.size() + 1, e - b - key.size() - 1);
  };
  home.write_settings({"[db_driver]=PostgreSQL Unicode",
                       "[db_server]=" + field("Server") + "," + field("Port"), "[db_user]=" + field("Uid"),
                       "[db_pass]=" + field("Pwd"), "[db]=" + field("Database")});
  home.write_definitions(
      {{.raport = "PG",
        .zapytanie = {"select 'Zażółć' as tekst, 42 as calkowita, 9000000000::bigint as duza,",
                      " 1234.5::decimal(10,2) as kwota, 0.125::decimal(18,6) as dokladna,",
                      " date '2015-10-18' as dzien, null::text as pusta"},
        .nazwa_pliku = "pg.csv"}});
  auto lines = run();
  ASSERT_EQ(lines.back().rfind("Zamknięcie aplikacji: ", 0), 0u);
  EXPECT_EQ(core::read_file(home.home().temporary() / "pg.csv"),
            "\"tekst\";\"calkowita\";\"duza\";\"kwota\";\"dokladna\";\"dzien\";\"pusta\"\r\n"
            "\"Za\xBF\xF3\xB3\xE6\";42;\"9000000000\";1234,5;\"0,125\";\"2015-10-18\";\"\"\r\n");
}

}  // namespace
}  // namespace orvena::app
