#include "app/gui/windowed_run.h"

#include <QApplication>
#include <QMessageBox>

#include <iostream>
#include <optional>

#include "app/exit_status.h"
#include "app/gui/ftp_window.h"
#include "app/gui/main_window.h"
#include "app/report_engine.h"
#include "app/session.h"
#include "core/home_lock.h"
#include "designer/designer_port.h"
#include "editor/editor_window.h"
#include "editor/workshop_window.h"

namespace orvena::app {

int windowed_run(int argc, char** argv, const core::Home& home, const core::Clock& clock,
                 const ProductionOptions& production) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Zentrivo Orvena");

  // Held until the program ends: the operator may run the reports again after "stop".
  std::optional<core::HomeLock> lock;
  std::string refusal;
  int refusal_status = kExitHomeBusy;
  try {
    lock.emplace(home.lock_file());
    if (!lock->held()) refusal = "another run is using " + home.root().string();
  } catch (const std::exception& e) {
    refusal = e.what();
    refusal_status = kExitError;
  }
  if (!refusal.empty()) {
    std::cerr << "orvena: " << refusal << '\n';
    QMessageBox::critical(nullptr, QApplication::applicationName(),
                          QString::fromStdString("orvena: " + refusal));
    return refusal_status;
  }

  Session session(home, clock);
  session.apply(production);
  install_report_engine(session);
  session.set_pump([] { QCoreApplication::processEvents(); });

  // The workshop and the editor live as long as the main window; closing them only hides them.
  editor::WorkshopWindow workshop(session.home(), session.sql(), session.dataset());
  workshop.set_report_host(session.main_window_components(), session.published_dataset());
  workshop.set_export_filters(session.export_filters());
  designer::QtDesignerPort designer_port({.templates = session.home().templates()});
  workshop.report().designer = &designer_port;
  editor::EditorWindow editor(session.home(), session.clock(), workshop);

  FtpWindow ftp_window;
  session.ftp().set_view(&ftp_window);

  MainWindow::Options options;
  options.open_editor = [&editor] { editor.Uruchom_sterowanie(); };
  options.busy = [&workshop] { return workshop.preparing_report(); };
  options.designing = [&workshop] { return workshop.designer_open(); };
  MainWindow window(session, options);
  editor.set_anchor(&window);
  workshop.set_anchor(&window);
  QObject::connect(&window, &MainWindow::closed, &app, &QCoreApplication::quit);
  window.show();
  int rc = app.exec();
  session.ftp().set_view(nullptr);
  return rc != 0 ? rc : window.exit_code();
}

}  // namespace orvena::app
