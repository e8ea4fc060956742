#include "app/gui/windowed_run.h"

#include <QApplication>
#include <QMessageBox>

#include "app/gui/ftp_window.h"
#include "app/gui/main_window.h"
#include "app/report_engine.h"
#include "app/session.h"

namespace orvena::app {

int windowed_run(int argc, char** argv, const core::Home& home, const core::Clock& clock) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Zentrivo Orvena");

  Session session(home, clock);
  install_report_engine(session);
  session.set_pump([] { QCoreApplication::processEvents(); });

  FtpWindow ftp_window;
  session.ftp().set_view(&ftp_window);

  MainWindow::Options options;
  MainWindow window(session, options);
  window.show();
  int rc = app.exec();
  session.ftp().set_view(nullptr);
  return rc != 0 ? rc : window.exit_code();
}

}  // namespace orvena::app
