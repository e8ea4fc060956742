#pragma once
// One run through the control file: every definition's query is counted, the due and
// empty-result rules decide, and due reports are produced and delivered. Every step goes to the
// run log, which is saved after every job.
#include <filesystem>
#include <map>
#include <string>

#include "config/settings.h"
#include "core/datetime.h"
#include "core/paths.h"
#include "core/run_log.h"
#include "db/database.h"
#include "runner/control_reader.h"
#include "runner/delivery_ports.h"
#include "runner/output_production.h"
#include "runner/sql_buffer.h"

namespace orvena::runner {

struct JobRunnerParts {
  const core::Home& home;
  const core::Clock& clock;
  const config::Konfiguracja& settings;  // the mail body's fixed parts
  core::RunLog& log;
  db::Query& dataset;
  SqlBuffer& sql;
  OutputProduction& production;
  MailSender& mail;
  FtpUploader& ftp;
};

class JobRunner {
 public:
  explicit JobRunner(JobRunnerParts parts) : m(parts) {}

  // Runs every definition once. Returns false, doing nothing, when a run is already under way
  // (a second request arriving while the first one lets the window process messages).
  // Errors that end the whole run escape: a failing count query, a malformed date offset and an
  // unwritable log file.
  bool wczytaj_zadania();
  bool running() const { return m_running; }
  // Jobs of the last run that logged a failure: production, a refused delivery, mail or FTP.
  size_t failed_jobs() const { return m_failed_jobs; }

 private:
  void run_job(ReadDefinition& d, const std::filesystem::path& log_path, const std::string& weekday);
  void produce_and_deliver(const config::SzablonRaportu& d);
  // False when the format is none of ours: nothing was produced.
  bool produce(const config::SzablonRaportu& d, const std::filesystem::path& output);
  void log_notices(const ProductionResult& made);
  // True when every attempt went through.
  bool deliver_by_mail(const config::SzablonRaportu& d, const std::filesystem::path& output);
  bool deliver_by_ftp(const config::SzablonRaportu& d, const std::filesystem::path& output);
  size_t count_rows();
  // Warns when an earlier job of this run wrote a file under the same name.
  void note_output(const config::SzablonRaportu& d);

  JobRunnerParts m;
  bool m_running = false;
  size_t m_failed_jobs = 0;
  std::map<std::string, std::string> m_outputs;  // nazwa_pliku -> the report that wrote it last
};

// The SQL lines joined by CR LF.
std::string sql_text(const config::SzablonRaportu& d);

// The output path in Tymczasowe. A name that would leave that folder (a path separator, "..")
// raises core::Error.
std::filesystem::path output_path(const core::Home& home, const std::string& nazwa_pliku);

}  // namespace orvena::runner
