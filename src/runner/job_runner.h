#pragma once
// One run through the control file: every definition's query is counted, the due and
// empty-result rules decide, and due reports are produced and delivered. Every step goes to the
// run log, which is saved after every job.
//
// Production may go to a queue of worker processes, several reports at once. The runner reads
// on while they work, but settles the jobs strictly in definition order: a job's lines wait
// until every earlier job has ended, its file gets its final name and is delivered only then.
// So the log, the deliveries and the files are those of a run that made one report at a time.
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "core/datetime.h"
#include "core/paths.h"
#include "core/run_log.h"
#include "db/database.h"
#include "runner/control_reader.h"
#include "runner/delivery_ports.h"
#include "runner/output_production.h"
#include "runner/production_queue.h"
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
  explicit JobRunner(JobRunnerParts parts);
  ~JobRunner();

  // Where reports are produced; without one, in this process through parts.production.
  void use_queue(ProductionQueue* queue) { m_queue = queue; }

  // Runs every definition once. Returns false, doing nothing, when a run is already under way
  // (a second request arriving while the first one lets the window process messages).
  // Errors that end the whole run escape: a failing count query, a malformed date offset and an
  // unwritable log file; the jobs before it are settled first.
  bool wczytaj_zadania();
  bool running() const { return m_running; }
  // Ends the reports being produced (their jobs log the failure) and reads no further
  // definition: the operator's "stop". The run returns after settling what it started.
  void stop();
  // Jobs of the last run that logged a failure: production, a refused delivery, mail or FTP.
  size_t failed_jobs() const { return m_failed_jobs; }

 private:
  // A definition read and not yet ended. Its lines wait here while an earlier job is still open.
  struct Job {
    enum class State {
      Opening,    // run_job is writing its lines
      Producing,  // its report is being made
      Ready,      // only its ending is left
    };
    size_t id;
    config::SzablonRaportu d;
    std::vector<std::string> waiting;
    State state = State::Opening;
    bool produce = false;  // production and delivery were decided
    bool unknown_format = false;
    bool aborted = false;  // an error ended the run in this job: nothing more is logged for it
    std::filesystem::path output;
    std::unique_ptr<PartialFile> file;
    std::optional<ProductionOutcome> outcome;
  };

  void run_job(ReadDefinition& d, const std::filesystem::path& log_path, const std::string& weekday);
  // Lines of the job at the head go to the log; the others wait in the job.
  void log_line(Job& job, std::string line);
  bool at_head(const Job& job) const { return &job == &m_jobs.front(); }
  void start_production(Job& job);
  // Ends the jobs at the head that are ready, in order; waits for none.
  void settle();
  // Waits for one production and settles.
  void wait_one();
  // Waits until the queue takes another report.
  void wait_for_room();
  void drain();
  void finish(Job& job);
  void deliver(Job& job);
  void log_notices(Job& job, const ProductionResult& made);
  // True when every attempt went through.
  bool deliver_by_mail(const config::SzablonRaportu& d, const std::filesystem::path& output);
  bool deliver_by_ftp(const config::SzablonRaportu& d, const std::filesystem::path& output);
  size_t count_rows();
  // Warns when an earlier job of this run wrote a file under the same name.
  void note_output(Job& job);

  JobRunnerParts m;
  InProcessQueue m_in_process;
  ProductionQueue* m_queue = nullptr;
  bool m_running = false;
  bool m_stop = false;
  size_t m_failed_jobs = 0;
  size_t m_next_job = 0;
  std::filesystem::path m_log_path;
  std::deque<Job> m_jobs;                        // read and not yet ended, in definition order
  std::map<std::string, std::string> m_outputs;  // nazwa_pliku -> the report that wrote it last
};

// The SQL lines joined by CR LF.
std::string sql_text(const config::SzablonRaportu& d);

// The output path in Tymczasowe. A name that would leave that folder (a path separator, "..")
// raises core::Error.
std::filesystem::path output_path(const core::Home& home, const std::string& nazwa_pliku);

}  // namespace orvena::runner
