#pragma once
// Everything one process of the server holds for its whole life: the home folder, the settings,
// the run log, the one database connection and query dataset, the workshop's SQL box, output
// production, mail and FTP delivery, and the job runner over them. The main window and the
// headless run both drive a Session; nothing here knows about windows.
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "core/paths.h"
#include "core/run_log.h"
#include "db/database.h"
#include "delivery/ftp/transfer.h"
#include "export/filter.h"
#include "report/db_dataset.h"
#include "report/host.h"
#include "runner/job_runner.h"
#include "runner/startup.h"
#include "runner/worker_pool.h"

namespace orvena::app {

// How main was asked to produce the reports.
struct ProductionOptions {
  std::vector<std::string> worker_command;  // the program and its worker option; empty: in process
  std::optional<unsigned> jobs;             // --jobs, in place of [rownolegle_raporty]=
};

struct RunSummary {
  size_t failed_jobs = 0;  // jobs that logged a production, mail or FTP failure
};

class Session {
 public:
  Session(core::Home home, const core::Clock& clock);
  ~Session();

  // The start-up step: settings, templates folder, Tymczasowe emptied of its files and made the
  // process's scratch folder (core::scratch_folder) while the session lives.
  void start_up();
  // Only the settings, for modes that must leave Tymczasowe alone (`--render`).
  void load_settings();
  // A worker process's start: the settings, and Tymczasowe as the scratch folder, left as it is
  // (the run that started the worker owns it).
  void start_worker();
  // Reports are produced by worker processes started with `command` (the program and its worker
  // option); without it, in this process one at a time.
  void use_workers(std::vector<std::string> command);
  // Reports made at once, in place of the settings' [rownolegle_raporty]= (`--jobs`).
  void set_parallel_reports(std::optional<unsigned> n) { m_parallel = n; }
  void apply(const ProductionOptions& options);
  // The operator's "stop" during a run: the workers end, no further definition is read.
  void stop_run() { m_runner->stop(); }
  // Closes the connection, points it at the settings' database and opens it; errors escape
  // with the database's message.
  void connect();
  // One run through the control file; false when one is already under way.
  bool run_reports();
  // The unattended run: opening lines, the run, closing lines and the final save under the
  // date at the end. An error escaping the run leaves the log file as its last save wrote it.
  RunSummary unattended_run();
  // Nobody watches an unattended run, so an error that ended it goes into the log as its last
  // line and the log is saved (best effort: the log folder may be the very problem). An error
  // before the run began (settings, Tymczasowe, connection) comes after the opening lines, so
  // the day's file shows when it happened.
  void record_run_failure(const std::exception& error);

  // Lets a window process its events during long waits (socket waits, FTP transfers).
  void set_pump(std::function<void()> pump);
  // The report engine's producer for the six template formats.
  void set_report_producer(std::unique_ptr<runner::ReportProducer> producer);

  const core::Home& home() const { return m_home; }
  const core::Clock& clock() const { return m_clock; }
  const runner::StartupState& state() const { return m_state; }
  core::RunLog& log() { return m_log; }
  runner::SqlBuffer& sql() { return m_sql; }
  db::Connection& connection() { return m_connection; }
  db::Query& dataset() { return m_dataset; }
  // The query dataset as templates see it, "DaneOrvena", and the main window that owns it (a
  // report run by the engine takes this as its host, so templates also find it by name).
  report::DBDataset& published_dataset() { return m_published; }
  report::HostComponents& main_window_components() { return m_main_window; }
  delivery::FtpTransfer& ftp() { return m_ftp; }
  // The writers the windows offer for export (the preview's export menu); empty until the
  // report engine is installed.
  exporting::FilterRegistry& export_filters() { return m_export_filters; }
  runner::JobRunner& runner() { return *m_runner; }
  runner::OutputProduction& production() { return *m_production; }

 private:
  class MailPort;
  class FtpPort;
  class ProducerSlot;

  // The limits and the number of workers as the settings have them now.
  void configure_workers();

  core::Home m_home;
  const core::Clock& m_clock;
  runner::StartupState m_state;
  core::RunLog m_log;
  db::Connection m_connection;
  db::Query m_dataset;
  report::DBDataset m_published;  // after m_dataset: it unhooks from the dataset when destroyed
  report::HostComponents m_main_window{"Form1"};
  runner::SqlBuffer m_sql;
  delivery::FtpTransfer m_ftp;
  exporting::FilterRegistry m_export_filters;
  std::function<void()> m_pump;
  std::unique_ptr<ProducerSlot> m_producer;
  std::unique_ptr<runner::OutputProduction> m_production;
  std::unique_ptr<MailPort> m_mail;
  std::unique_ptr<FtpPort> m_ftp_port;
  std::unique_ptr<runner::JobRunner> m_runner;
  std::unique_ptr<runner::WorkerPool> m_workers;
  std::optional<unsigned> m_parallel;
  bool m_scratch_set = false;
};

}  // namespace orvena::app
