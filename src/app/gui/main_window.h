#pragma once
// The main window: the on-screen run log, the ten-second countdown with its progress bar,
// "stop", and after "stop" the two buttons that run the reports again or open the editor.
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace orvena::app {

class Session;

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  struct Options {
    bool start_timers = true;  // tests drive the ticks themselves
    // Shows an error that escaped a handler; the default is a critical message box.
    std::function<void(const QString&)> show_error;
    // Opens the control-file editor ("sterowanie").
    std::function<void()> open_editor;
    // True while a window prepares a report from the shared dataset; the reports are not run
    // then, since a run reopens that dataset under the report being prepared.
    std::function<bool()> busy;
    // True while the report designer is open: it edits the report the reports are run with.
    std::function<bool()> designing;
  };

  MainWindow(Session& session, Options options);
  ~MainWindow() override;

  // The two timers' handlers, public so that tests can tick by hand.
  void auto_start_tick();
  void auto_run_tick();

  int counter() const { return m_counter; }
  bool auto_run_active() const { return m_auto_run.isActive(); }
  // 0 after an unattended run in which every job went through, 3 when a job logged a failure,
  // 1 when an error ended it.
  int exit_code() const { return m_exit_code; }

  QPushButton* stop_button() const { return m_stop; }
  QPushButton* run_all_button() const { return m_run_all; }
  QPushButton* editor_button() const { return m_editor; }
  QProgressBar* progress() const { return m_progress; }
  QPlainTextEdit* log_view() const { return m_log_view; }

 Q_SIGNALS:
  // The main window closed: the program ends, whatever other window is still open.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void stop_clicked();
  void run_all_clicked();
  void unattended_run();
  // Runs a handler and shows any error that leaves it, so none crosses the event loop.
  void guarded(const std::function<void()>& handler);

  Session& m_session;
  Options m_options;
  QTimer m_auto_start;
  QTimer m_auto_run;
  int m_counter = 0;
  int m_exit_code = 0;
  std::string m_logged_connect_failure;
  QPlainTextEdit* m_log_view = nullptr;
  QProgressBar* m_progress = nullptr;
  QPushButton* m_stop = nullptr;
  QPushButton* m_run_all = nullptr;
  QPushButton* m_editor = nullptr;
};

}  // namespace orvena::app
