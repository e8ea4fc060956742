#include "designer/designer_port.h"

#include <QEventLoop>

namespace orvena::designer {

void QtDesignerPort::open_designer(report::Report& report, bool modal, bool) {
  auto* window = new DesignerWindow(report, m_options);
  m_window = window;
  QObject::connect(window, &DesignerWindow::closed, window, [this, window, &report, modal] {
    if (m_window == window) m_window = nullptr;
    if (!modal) report.designer_closed();
    window->deleteLater();
  });
  if (!modal) {
    window->show();
    return;
  }
  window->setWindowModality(Qt::ApplicationModal);
  QEventLoop loop;
  QObject::connect(window, &DesignerWindow::closed, &loop, &QEventLoop::quit);
  window->show();
  loop.exec();
}

}  // namespace orvena::designer
