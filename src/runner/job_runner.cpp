#include "runner/job_runner.h"

#include "core/error.h"
#include "core/error_text.h"
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

namespace {

// Thrown out of the reader when the operator stopped the run.
struct RunStopped {};

const std::string kProductionFailed = ">> BŁĄD! : Nie udało się przygotować danych z polecenia SQL!";

ProductionOutcome failed_at(ProductionStep step, const std::string& reason) {
  ProductionOutcome outcome;
  outcome.error = ProductionError(step, reason);
  return outcome;
}

}  // namespace

JobRunner::JobRunner(JobRunnerParts parts) : m(parts), m_in_process(parts.production, parts.sql) {}

JobRunner::~JobRunner() = default;

bool JobRunner::wczytaj_zadania() {
  if (m_running) return false;
  RunningFlag flag(m_running);

  m_failed_jobs = 0;
  m_outputs.clear();
  m_jobs.clear();
  m_stop = false;
  const core::DateTime started = m.clock.now();
  m_log_path = m.home.log_file(started);
  const std::string weekday(weekday_name_of(started));
  try {
    read_control_file(m.home.control_file(), m.clock, weekday, [&](ReadDefinition& d) {
      if (m_stop) throw RunStopped{};
      run_job(d, m_log_path, weekday);
    });
  } catch (const RunStopped&) {
  } catch (...) {
    // The jobs read before the error end as they would have one after another; the error is
    // what the caller learns, whatever settling them met.
    try {
      drain();
    } catch (...) {
    }
    m_jobs.clear();
    throw;
  }
  drain();
  if (m_stop) {
    m.log.append(">> Przerwano wykonywanie raportów przyciskiem \"stop\"!");
    m.log.save(m_log_path);
  }
  return true;
}

void JobRunner::stop() {
  if (!m_running) return;
  m_stop = true;
  (m_queue ? *m_queue : m_in_process).stop();
}

void JobRunner::log_line(Job& job, std::string line) {
  if (at_head(job))
    m.log.append(std::move(line));
  else
    job.waiting.push_back(std::move(line));
}

void JobRunner::run_job(ReadDefinition& def, const std::filesystem::path& log_path,
                        const std::string& weekday) {
  m_jobs.push_back(Job{.id = m_next_job++, .d = def.szablon});
  Job& job = m_jobs.back();
  const config::SzablonRaportu& d = job.d;
  try {
    const std::string sql = sql_text(d);
    log_line(job, "Wykonuję raport: " + d.raport);
    log_line(job, "SQL raportu:");
    log_line(job, core::trim(sql));
    log_line(job, "Koniec poleceń SQL do raportu");
    log_line(job, " ");
    log_line(job, "Raport zapisać do pliku: " + d.nazwa_pliku);
    log_line(job, "Raport w formacie: " + d.format_pliku);
    log_line(job, "Raport na podstawie szablonu: " + d.szablon_raportu);
    log_line(job, "Raport ma być wysyłany na: " + core::to_upper(d.wyslij_na));
    log_line(job, "Raport do wykonania w dni: " + d.dni_raportu);
    log_line(job, "Raport ma być wysłany nawet jeśli jest pusty: " + core::to_upper(d.wyslij_jesli_pusty));

    m.sql.set_text(sql);

    const std::string key = month_day_key(m.clock.now());
    log_line(job, "Mamy dzień : " + key);
    log_line(job, "Jest to dzień tygodnia: " + weekday);
    if (month_day_listed(d.daty, key)) def.due = true;
    // The query may run for hours or the process be killed in it: the day's log must already say
    // which report was running.
    if (at_head(job)) m.log.save(log_path);

    const size_t count = count_rows();
    const bool empty = count == 0;
    log_line(job, empty ? std::string("Raport jest PUSTY - brak rekordów!")
                        : "Raport zawiera " + std::to_string(count) + " rekordów!");

    bool send = !empty;
    if (empty && d.wyslij_jesli_pusty == "tak") {
      log_line(job, ">>> Wysyłam raport pomimo tego, że jest pusty!!!");
      send = true;
    }

    if (def.due) {
      log_line(job, "Właściwy dzień wykonania raportu: TAK");
      if (send) {
        log_line(job, "Spełniono wszystkie warunki - TWORZĘ i WYSYŁAM RAPORT!");
        start_production(job);
      } else {
        log_line(job, ">>Pomijam raport - nie spełniono wymaganych ustawień");
      }
    } else {
      log_line(job, "Właściwy dzień wykonania raportu: NIE");
      log_line(job, ">>Pomijam raport - nie spełniono wymaganych ustawień");
    }
  } catch (...) {
    job.aborted = true;
    job.state = Job::State::Ready;
    throw;
  }
  if (job.state == Job::State::Opening) job.state = Job::State::Ready;
  settle();
  // Full: the next definition's query waits, so that no more queries run than the operator set.
  wait_for_room();
}

void JobRunner::start_production(Job& job) {
  ProductionQueue& queue = m_queue ? *m_queue : m_in_process;
  const config::SzablonRaportu& d = job.d;
  job.produce = true;
  job.state = Job::State::Ready;
  try {
    job.output = output_path(m.home, d.nazwa_pliku);
  } catch (const core::Error& e) {
    job.outcome = failed_at(ProductionStep::File, e.what());
    return;
  }
  const ReportFormatInfo* format = find_report_format(d.format_pliku);
  if (!format) {
    // Any other format produces nothing and says nothing by itself.
    job.unknown_format = true;
    return;
  }
  try {
    // The report is written beside its final name and gets it only in its turn.
    job.file = std::make_unique<PartialFile>(job.output);
  } catch (const std::exception& e) {
    job.outcome = failed_at(ProductionStep::File, core::error_text(e));
    return;
  }
  try {
    queue.start(job.id, {format->format, job.file->path(), d.szablon_raportu, m.sql.text(), m.clock.now()});
    job.state = Job::State::Producing;
  } catch (const ProductionError& e) {
    job.outcome = ProductionOutcome{.made = {}, .error = e};
  }
}

void JobRunner::settle() {
  while (!m_jobs.empty() && m_jobs.front().state == Job::State::Ready) {
    finish(m_jobs.front());
    m_jobs.pop_front();
    if (m_jobs.empty()) break;
    Job& next = m_jobs.front();
    if (next.waiting.empty()) continue;
    for (std::string& line : next.waiting) m.log.append(std::move(line));
    next.waiting.clear();
    m.log.save(m_log_path);
  }
}

void JobRunner::wait_one() {
  ProductionQueue& queue = m_queue ? *m_queue : m_in_process;
  auto [id, outcome] = queue.wait_any();
  for (Job& job : m_jobs) {
    if (job.id != id) continue;
    job.outcome = std::move(outcome);
    job.state = Job::State::Ready;
  }
  settle();
}

void JobRunner::wait_for_room() {
  ProductionQueue& queue = m_queue ? *m_queue : m_in_process;
  while (queue.busy() > 0 && queue.busy() >= queue.capacity()) wait_one();
}

void JobRunner::drain() {
  while (!m_jobs.empty()) {
    if (m_jobs.front().state == Job::State::Producing)
      wait_one();
    else
      settle();
  }
}

void JobRunner::finish(Job& job) {
  if (job.aborted) return;  // the error that ended the run is the caller's to log
  if (job.produce) deliver(job);
  log_line(job, "Koniec raportu: " + job.d.raport);
  log_line(job, separator_line());
  m.log.save(m_log_path);
}

size_t JobRunner::count_rows() {
  return stream_row_count(m.dataset, m.sql.text());
}

void JobRunner::deliver(Job& job) {
  const config::SzablonRaportu& d = job.d;
  bool produced = false;
  bool failed = false;
  try {
    if (job.outcome && job.outcome->error) throw *job.outcome->error;
    if (job.file) {
      try {
        job.file->commit();
      } catch (const std::exception& e) {
        throw ProductionError(ProductionStep::File, core::error_text(e));
      }
      if (job.outcome) log_notices(job, job.outcome->made);
    }
    produced = true;
    if (!job.unknown_format) note_output(job);
    const bool by_mail = mail_destination(d.wyslij_na);
    const bool by_ftp = ftp_destination(d.wyslij_na);
    if (job.unknown_format) {
      // A file under this name may be an earlier job's report, meant for other recipients; and
      // a report nobody receives still was not made.
      log_line(job, by_mail || by_ftp ? ">> BŁĄD! : Nie wysłano raportu - format pliku \"" + d.format_pliku +
                                            "\" jest nieznany i plik raportu nie powstał!"
                                      : ">> BŁĄD! : Format pliku \"" + d.format_pliku +
                                            "\" jest nieznany - plik raportu nie powstał!");
      failed = true;
    } else {
      if (by_mail && !deliver_by_mail(d, job.output)) failed = true;
      if (by_ftp && !deliver_by_ftp(d, job.output)) failed = true;
    }
  } catch (const ProductionError& e) {
    // The fixed line, then the step that failed and why: the fixed line alone names the query
    // whatever went wrong.
    log_line(job, kProductionFailed);
    log_line(job, failed_step_line(e.step(), d.format_pliku, e.what()));
    failed = true;
  } catch (const std::exception& e) {
    // A delivery error (a port that is no number, say) ends the job's delivery; its own text
    // says why, or nobody would learn of it.
    if (produced) {
      log_line(job, e.what());
    } else {
      log_line(job, kProductionFailed);
      log_line(job, failed_step_line(ProductionStep::Report, d.format_pliku, e.what()));
    }
    failed = true;
  }
  if (failed) ++m_failed_jobs;
}

void JobRunner::note_output(Job& job) {
  const config::SzablonRaportu& d = job.d;
  auto [earlier, first] = m_outputs.try_emplace(d.nazwa_pliku, d.raport);
  if (first) return;
  // Both files were meant to be delivered; only the later one is left in Tymczasowe.
  log_line(job, ">> UWAGA! : Plik raportu \"" + d.nazwa_pliku + "\" utworzył już raport \"" +
                    earlier->second + "\" - raport \"" + d.raport + "\" go zastąpił!");
  earlier->second = d.raport;
}

// What the made report noticed (a text cut to the layout limit): a warning each, no failure.
void JobRunner::log_notices(Job& job, const ProductionResult& made) {
  for (const std::string& notice : made.notices) log_line(job, ">> UWAGA! : " + notice + "!");
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
