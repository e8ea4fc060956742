#include "runner/job_runner.h"

#include "core/error.h"
#include "core/text.h"
#include "runner/day_rules.h"
#include "runner/startup.h"

namespace orvena::runner {

namespace {

bool mail_destination(const std::string& wyslij_na) {
  return wyslij_na == "e-mail" || wyslij_na == "ftp/e-mail" || wyslij_na == "e-mail/ftp";
}

bool ftp_destination(const std::string& wyslij_na) {
  return wyslij_na == "ftp" || wyslij_na == "ftp/e-mail" || wyslij_na == "e-mail/ftp";
}

// Resets the flag however the run ends.
class RunningFlag {
 public:
  explicit RunningFlag(bool& flag) : m_flag(flag) { m_flag = true; }
  ~RunningFlag() { m_flag = false; }

 private:
  bool& m_flag;
};

}  // namespace

std::string sql_text(const config::SzablonRaportu& d) {
  return core::join_crlf(d.zapytanie);
}

std::filesystem::path output_path(const core::Home& home, const std::string& nazwa_pliku) {
  if (nazwa_pliku.find('/') != std::string::npos || nazwa_pliku.find('\\') != std::string::npos ||
      nazwa_pliku == "." || nazwa_pliku == "..")
    throw core::Error("Nazwa pliku raportu \"" + nazwa_pliku + "\" wychodzi poza folder Tymczasowe.");
  return home.temporary() / nazwa_pliku;
}

bool JobRunner::wczytaj_zadania() {
  if (m_running) return false;
  RunningFlag flag(m_running);

  m_failed_jobs = 0;
  m_outputs.clear();
  const core::DateTime started = m.clock.now();
  const std::filesystem::path log_path = m.home.log_file(started);
  const std::string weekday(weekday_name_of(started));
  read_control_file(m.home.control_file(), m.clock, weekday,
                    [&](ReadDefinition& d) { run_job(d, log_path, weekday); });
  return true;
}

void JobRunner::run_job(ReadDefinition& def, const std::filesystem::path& log_path,
                        const std::string& weekday) {
  const config::SzablonRaportu& d = def.szablon;
  core::RunLog& log = m.log;

  const std::string sql = sql_text(d);
  log.append("Wykonuję raport: " + d.raport);
  log.append("SQL raportu:");
  log.append(core::trim(sql));
  log.append("Koniec poleceń SQL do raportu");
  log.append(" ");
  log.append("Raport zapisać do pliku: " + d.nazwa_pliku);
  log.append("Raport w formacie: " + d.format_pliku);
  log.append("Raport na podstawie szablonu: " + d.szablon_raportu);
  log.append("Raport ma być wysyłany na: " + core::to_upper(d.wyslij_na));
  log.append("Raport do wykonania w dni: " + d.dni_raportu);
  log.append("Raport ma być wysłany nawet jeśli jest pusty: " + core::to_upper(d.wyslij_jesli_pusty));

  m.sql.set_text(sql);

  const std::string key = month_day_key(m.clock.now());
  log.append("Mamy dzień : " + key);
  log.append("Jest to dzień tygodnia: " + weekday);
  if (month_day_listed(d.daty, key)) def.due = true;
  // The query may run for hours or the process be killed in it: the day's log must already say
  // which report was running.
  log.save(log_path);

  const size_t count = count_rows();
  const bool empty = count == 0;
  log.append(empty ? std::string("Raport jest PUSTY - brak rekordów!")
                   : "Raport zawiera " + std::to_string(count) + " rekordów!");

  bool send = !empty;
  if (empty && d.wyslij_jesli_pusty == "tak") {
    log.append(">>> Wysyłam raport pomimo tego, że jest pusty!!!");
    send = true;
  }

  if (def.due) {
    log.append("Właściwy dzień wykonania raportu: TAK");
    if (send) {
      log.append("Spełniono wszystkie warunki - TWORZĘ i WYSYŁAM RAPORT!");
      produce_and_deliver(d);
    } else {
      log.append(">>Pomijam raport - nie spełniono wymaganych ustawień");
    }
  } else {
    log.append("Właściwy dzień wykonania raportu: NIE");
    log.append(">>Pomijam raport - nie spełniono wymaganych ustawień");
  }

  log.append("Koniec raportu: " + d.raport);
  log.append(separator_line());
  log.save(log_path);
}

size_t JobRunner::count_rows() {
  return stream_row_count(m.dataset, m.sql.text());
}

void JobRunner::produce_and_deliver(const config::SzablonRaportu& d) {
  static const std::string kProductionFailed = ">> BŁĄD! : Nie udało się przygotować danych z polecenia SQL!";
  bool produced = false;
  bool failed = false;
  try {
    std::filesystem::path output;
    try {
      output = output_path(m.home, d.nazwa_pliku);
    } catch (const core::Error& e) {
      throw ProductionError(ProductionStep::File, e.what());
    }
    const bool made = produce(d, output);
    produced = true;
    if (made) note_output(d);
    const bool by_mail = mail_destination(d.wyslij_na);
    const bool by_ftp = ftp_destination(d.wyslij_na);
    if (!made) {
      // A file under this name may be an earlier job's report, meant for other recipients; and
      // a report nobody receives still was not made.
      m.log.append(by_mail || by_ftp ? ">> BŁĄD! : Nie wysłano raportu - format pliku \"" + d.format_pliku +
                                           "\" jest nieznany i plik raportu nie powstał!"
                                     : ">> BŁĄD! : Format pliku \"" + d.format_pliku +
                                           "\" jest nieznany - plik raportu nie powstał!");
      failed = true;
    } else {
      if (by_mail && !deliver_by_mail(d, output)) failed = true;
      if (by_ftp && !deliver_by_ftp(d, output)) failed = true;
    }
  } catch (const ProductionError& e) {
    // The fixed line, then the step that failed and why: the fixed line alone names the query
    // whatever went wrong.
    m.log.append(kProductionFailed);
    m.log.append(failed_step_line(e.step(), d.format_pliku, e.what()));
    failed = true;
  } catch (const std::exception& e) {
    // A delivery error (a port that is no number, say) ends the job's delivery; its own text
    // says why, or nobody would learn of it.
    if (produced) {
      m.log.append(e.what());
    } else {
      m.log.append(kProductionFailed);
      m.log.append(failed_step_line(ProductionStep::Report, d.format_pliku, e.what()));
    }
    failed = true;
  }
  if (failed) ++m_failed_jobs;
}

void JobRunner::note_output(const config::SzablonRaportu& d) {
  auto [earlier, first] = m_outputs.try_emplace(d.nazwa_pliku, d.raport);
  if (first) return;
  // Both files were meant to be delivered; only the later one is left in Tymczasowe.
  m.log.append(">> UWAGA! : Plik raportu \"" + d.nazwa_pliku + "\" utworzył już raport \"" + earlier->second +
               "\" - raport \"" + d.raport + "\" go zastąpił!");
  earlier->second = d.raport;
}

bool JobRunner::produce(const config::SzablonRaportu& d, const std::filesystem::path& output) {
  if (const ReportFormatInfo* format = find_report_format(d.format_pliku)) {
    if (format->source == Source::Query)
      m.production.export_csv_full(output,
                                   {.delimiter = '"', .separator = ';', .header = CsvHeader::FieldNames});
    else
      log_notices(m.production.export_report(format->format, output, d.szablon_raportu));
    return true;
  }
  // Any other format produces nothing and says nothing by itself.
  return false;
}

// What the made report noticed (a text cut to the layout limit): a warning each, no failure.
void JobRunner::log_notices(const ProductionResult& made) {
  for (const std::string& notice : made.notices) m.log.append(">> UWAGA! : " + notice + "!");
}

bool JobRunner::deliver_by_mail(const config::SzablonRaportu& d, const std::filesystem::path& output) {
  const std::string body = config::mail_body(m.settings);
  bool all_sent = true;
  for (const auto& adresat : d.adresaci) {
    m.log.append("Próba wysłania raportu na adres: " + adresat);
    if (m.mail.wyslij_raport_email(adresat, d.temat_email, body, output))
      m.log.append(">> Poprawnie wysłano raport na adres e-mail: " + adresat + "!");
    else
      all_sent = false;  // the mail operation has logged its own error text
  }
  return all_sent;
}

bool JobRunner::deliver_by_ftp(const config::SzablonRaportu& d, const std::filesystem::path& output) {
  m.ftp.konfiguruj_ftp(d.adres_ftp, d.user_ftp, d.pass_ftp);
  if (m.ftp.zapisz_plik(output, d.folder_ftp, d.nazwa_pliku)) {
    m.log.append(">> Wysłano raport na serwer FTP: " + d.adres_ftp + "!");
    return true;
  }
  m.log.append(">> NIE UDAŁO się wysłać raportu na serwer FTP: " + d.adres_ftp + "!");
  return false;
}

}  // namespace orvena::runner
