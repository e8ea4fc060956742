#pragma once
// A throwaway home folder for end-to-end tests: Dane/, Dane/Szablony/, Logi/, Tymczasowe/, an
// SQLite database filled by a script, and settings pointing at it.
#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/line_file.h"
#include "core/paths.h"
#include "core/temp_dir.h"

namespace orvena::test {

class TestHome {
 public:
  TestHome() : m_home(m_dir.path()) {
    for (auto p : {m_home.dane(), m_home.templates(), m_home.logs(), m_home.temporary()})
      std::filesystem::create_directories(p);
    write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db"});
  }

  const core::Home& home() const { return m_home; }
  std::filesystem::path db_file() const { return m_home.dane() / "test.db"; }

  // Runs SQL on the test database (creating it).
  void sql(const std::string& script) const {
    sqlite3* db = nullptr;
    if (sqlite3_open(db_file().c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot open test db");
    char* error = nullptr;
    int rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw std::runtime_error("test db: " + message);
  }

  // Lines are written as the editor would: Windows-1250, CR LF.
  void write_settings(const std::vector<std::string>& lines) const {
    core::write_lines(m_home.settings_file(), lines);
  }
  void write_control(const std::vector<std::string>& lines) const {
    core::write_lines(m_home.control_file(), lines);
  }

  // One definition block in the editor's layout.
  struct Definition {
    std::string raport;
    std::string dni_raportu = "1111111";
    std::vector<std::string> daty;
    std::vector<std::string> zapytanie;
    std::string wyslij_jesli_pusty = "tak";
    std::string nazwa_pliku;
    std::string szablon_raportu;
    std::string format_pliku = "csv";
    std::string wyslij_na;
    std::string adres_ftp, folder_ftp, user_ftp, pass_ftp;
    std::string temat_email;
    std::vector<std::string> adresaci;
  };

  static std::vector<std::string> block(const Definition& d) {
    std::vector<std::string> out = {"[raport_start]", "[raport]=" + d.raport,
                                    "[dni_raportu]=" + d.dni_raportu, "[daty_start]"};
    out.insert(out.end(), d.daty.begin(), d.daty.end());
    out.push_back("[daty_end]");
    out.push_back("[zapytanie_start]");
    out.insert(out.end(), d.zapytanie.begin(), d.zapytanie.end());
    out.push_back("[zapytanie_end]");
    for (const auto& line :
         {"[wyslij_jesli_pusty]=" + d.wyslij_jesli_pusty, "[nazwa_pliku]=" + d.nazwa_pliku,
          "[szablon_raportu]=" + d.szablon_raportu, "[format_pliku]=" + d.format_pliku,
          "[wyslij_na]=" + d.wyslij_na, "[adres_ftp]=" + d.adres_ftp, "[folder_ftp]=" + d.folder_ftp,
          "[user_ftp]=" + d.user_ftp, "[pass_ftp]=" + d.pass_ftp, "[temat_email]=" + d.temat_email})
      out.push_back(line);
    out.push_back("[adresaci_start]");
    out.insert(out.end(), d.adresaci.begin(), d.adresaci.end());
    out.push_back("[adresaci_end]");
    out.push_back("[raport_end]");
    out.push_back("//" + std::string(94, '='));
    return out;
  }

  void write_definitions(const std::vector<Definition>& defs) const {
    std::vector<std::string> lines;
    for (const auto& d : defs) {
      auto b = block(d);
      lines.insert(lines.end(), b.begin(), b.end());
    }
    write_control(lines);
  }

  std::vector<std::string> log_lines(const std::string& date) const {
    return core::read_lines(m_home.logs() / ("log_" + date + ".txt"));
  }

 private:
  core::TempDir m_dir;
  core::Home m_home;
};

}  // namespace orvena::test
