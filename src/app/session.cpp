#include "app/session.h"

#include "config/connection.h"
#include "core/temp_dir.h"
#include "delivery/mail/report_email.h"

namespace orvena::app {

// Mail through the report e-mail operation, with the account as the settings have it now.
class Session::MailPort final : public runner::MailSender {
 public:
  explicit MailPort(Session& s) : m_session(s) {}
  bool wyslij_raport_email(const std::string& na_adres, const std::string& temat, const std::string& wpis,
                           const std::filesystem::path& plik) override {
    const config::Konfiguracja& k = m_session.m_state.settings;
    delivery::MailAccount account{k.email_adress,
                                  k.email_user,
                                  k.email_pass,
                                  k.email_smtp,
                                  k.email_port,
                                  k.email_nadawca,
                                  k.verify_mail_certificate()};
    return delivery::wyslij_raport_email(account, na_adres, temat, wpis, plik, m_session.m_log,
                                         m_session.m_pump);
  }

 private:
  Session& m_session;
};

class Session::FtpPort final : public runner::FtpUploader {
 public:
  explicit FtpPort(delivery::FtpTransfer& ftp) : m_ftp(ftp) {}
  void konfiguruj_ftp(const std::string& serwer, const std::string& uzytkownik,
                      const std::string& haslo) override {
    m_ftp.konfiguruj_ftp(serwer, uzytkownik, haslo);
  }
  bool zapisz_plik(const std::filesystem::path& z_pliku, const std::string& do_folderu,
                   const std::string& do_pliku_ftp) override {
    return m_ftp.zapisz_plik(z_pliku.string(), do_folderu, do_pliku_ftp);
  }

 private:
  delivery::FtpTransfer& m_ftp;
};

// Forwards to whichever producer is installed, so the engine can be plugged in after start.
class Session::ProducerSlot final : public runner::ReportProducer {
 public:
  runner::ProductionResult produce(const runner::ExportRequest& request, db::Query& data) override {
    return m_producer->produce(request, data);
  }
  std::unique_ptr<runner::ReportProducer> m_producer = std::make_unique<runner::UnavailableReportProducer>();
};

Session::Session(core::Home home, const core::Clock& clock)
    : m_home(std::move(home)),
      m_clock(clock),
      m_dataset(m_connection),
      m_producer(std::make_unique<ProducerSlot>()),
      m_mail(std::make_unique<MailPort>(*this)),
      m_ftp_port(std::make_unique<FtpPort>(m_ftp)) {
  m_state.templates = m_home.templates();
  // The query stays open after a report so that the next consumer finds it as production left
  // it, and decimals reach expressions as floating-point numbers.
  m_published.set_name("rpDBDataset1");
  m_published.set_user_name("DaneOrvena");
  m_published.close_data_source = false;
  m_published.bcd_to_currency = false;
  m_published.attach(&m_dataset);
  m_main_window.add(m_published);
  m_production = std::make_unique<runner::OutputProduction>(m_dataset, m_sql, m_state.templates, *m_producer);
  m_runner = std::make_unique<runner::JobRunner>(runner::JobRunnerParts{
      m_home, m_clock, m_state.settings, m_log, m_dataset, m_sql, *m_production, *m_mail, *m_ftp_port});
}

Session::~Session() {
  if (m_scratch_set) core::set_scratch_folder({});
}

void Session::start_up() {
  m_state = runner::start_up(m_home);
  // Scratch files of the reports go where the next start-up removes what a killed run left,
  // not into /tmp, which nobody empties.
  std::error_code ec;
  if (std::filesystem::is_directory(m_home.temporary(), ec)) {
    core::set_scratch_folder(m_home.temporary());
    m_scratch_set = true;
  }
}

void Session::load_settings() {
  m_state.settings = config::read_settings(m_home.settings_file());
}

void Session::start_worker() {
  load_settings();
  std::error_code ec;
  if (std::filesystem::is_directory(m_home.temporary(), ec)) {
    core::set_scratch_folder(m_home.temporary());
    m_scratch_set = true;
  }
}

void Session::use_workers(std::vector<std::string> command) {
  m_workers = std::make_unique<runner::WorkerPool>(std::move(command));
  m_workers->set_pump(m_pump);
  m_runner->use_queue(m_workers.get());
}

void Session::apply(const ProductionOptions& options) {
  if (!options.worker_command.empty()) use_workers(options.worker_command);
  set_parallel_reports(options.jobs);
}

void Session::configure_workers() {
  if (!m_workers) return;
  const config::Konfiguracja& k = m_state.settings;
  m_workers->set_limits({.time = k.report_time_limit(),
                         .memory_mib = k.report_memory_limit_mib(),
                         .parallel = m_parallel.value_or(k.parallel_reports())});
}

void Session::connect() {
  m_dataset.close();
  m_connection.close();
  m_connection.set_target(config::connection_target(m_state.settings, m_home));
  m_connection.open();
}

bool Session::run_reports() {
  if (m_runner->running()) return false;
  configure_workers();
  return m_runner->wczytaj_zadania();
}

RunSummary Session::unattended_run() {
  runner::log_run_opening(m_log, m_clock);
  configure_workers();
  m_runner->wczytaj_zadania();
  const auto log_path = m_home.log_file(m_clock.now());
  runner::log_run_closing(m_log, m_clock, m_runner->failed_jobs());
  m_log.save(log_path);
  return {m_runner->failed_jobs()};
}

void Session::record_run_failure(const std::exception& error) {
  if (m_log.lines().empty()) runner::log_run_opening(m_log, m_clock);
  m_log.append(error.what());
  try {
    m_log.save(m_home.log_file(m_clock.now()));
  } catch (const std::exception&) {
    // The screen and the caller still have the message.
  }
}

void Session::set_pump(std::function<void()> pump) {
  m_pump = pump;
  if (m_workers) m_workers->set_pump(pump);
  m_ftp.set_pump(std::move(pump));
}

void Session::set_report_producer(std::unique_ptr<runner::ReportProducer> producer) {
  m_producer->m_producer = std::move(producer);
}

}  // namespace orvena::app
