#pragma once
// The FTP transfer window: shown while a report file goes to an FTP server, with the Polish
// status list, the progress bar with its percentage and an activity indicator while the file's
// bytes move. It only mirrors the transfer logic's state.
#include <QTimer>
#include <QWidget>

#include "delivery/ftp/transfer.h"

class QLabel;
class QProgressBar;

namespace orvena::app {

class FtpWindow : public QWidget, public delivery::FtpTransferView {
  Q_OBJECT

 public:
  FtpWindow();

  void shown(const delivery::FtpWindowState& state) override;
  void status_changed(const std::vector<std::string>& status) override;
  void progress_changed(const delivery::FtpProgressBar& bar) override;
  void activity_changed(bool running) override;
  void hidden() override;

  QLabel* status_label() const { return m_status; }
  QProgressBar* bar() const { return m_bar; }
  QWidget* activity() const { return m_activity; }

 private:
  QLabel* m_status = nullptr;
  QProgressBar* m_bar = nullptr;
  QWidget* m_activity = nullptr;
};

}  // namespace orvena::app
