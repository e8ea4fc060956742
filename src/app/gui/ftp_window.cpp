#include "app/gui/ftp_window.h"

#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QTabWidget>

namespace orvena::app {

namespace {

// A row of dots running left to right: the activity indicator (131 x 47).
class ActivityIndicator : public QWidget {
 public:
  explicit ActivityIndicator(QWidget* parent) : QWidget(parent) {
    setFixedSize(131, 47);
    m_timer.setInterval(120);
    connect(&m_timer, &QTimer::timeout, this, [this] {
      m_step = (m_step + 1) % 6;
      update();
    });
  }
  void set_running(bool running) {
    setVisible(running);
    running ? m_timer.start() : m_timer.stop();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 6; ++i) {
      p.setBrush(i == m_step ? QColor(0, 0, 128) : QColor(160, 170, 200));
      p.setPen(Qt::NoPen);
      p.drawEllipse(QPointF(12 + i * 21, 23.5), 7, 7);
    }
  }

 private:
  QTimer m_timer;
  int m_step = 0;
};

}  // namespace

FtpWindow::FtpWindow() {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(497, 274);
  QFont window_font("Tahoma");
  window_font.setPixelSize(19);
  window_font.setBold(true);
  setFont(window_font);

  auto* tabs = new QTabWidget(this);
  tabs->setGeometry(0, 0, 497, 274);
  auto* page = new QWidget;
  page->setStyleSheet("background-color: rgb(236, 240, 247);");
  tabs->addTab(page, "proszę czekać...");

  m_status = new QLabel(page);
  m_status->setGeometry(4, 4, 482, 187);
  m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QFont label_font("Tahoma");
  label_font.setPixelSize(13);
  label_font.setBold(true);
  m_status->setFont(label_font);

  auto* activity = new ActivityIndicator(page);
  activity->move(482 - 131, 150);
  activity->set_running(false);
  m_activity = activity;

  m_bar = new QProgressBar(page);
  m_bar->setGeometry(4, 196, 482, 40);
  m_bar->setRange(0, 100);
  m_bar->setValue(0);
  m_bar->setTextVisible(true);
  m_bar->setAlignment(Qt::AlignCenter);
  QFont bar_font("Tahoma");
  bar_font.setPixelSize(27);
  bar_font.setBold(true);
  m_bar->setFont(bar_font);
  m_bar->setStyleSheet(
      "QProgressBar { border: 1px solid grey; background: white; color: black; }"
      "QProgressBar::chunk { background-color: navy; }");
}

void FtpWindow::shown(const delivery::FtpWindowState& state) {
  setWindowTitle(QString::fromStdString(state.caption));
  status_changed(state.status);
  progress_changed(state.bar);
  activity_changed(state.activity);
  show();
}

void FtpWindow::status_changed(const std::vector<std::string>& status) {
  QStringList lines;
  for (const auto& s : status) lines << QString::fromStdString(s);
  m_status->setText(lines.join('\n'));
}

void FtpWindow::progress_changed(const delivery::FtpProgressBar& bar) {
  if (bar.indeterminate) {
    m_bar->setRange(0, 0);  // a busy bar: the size is unknown
    return;
  }
  // The bar shows whole per cent, so a range of any size fits an int.
  m_bar->setRange(0, 100);
  m_bar->setValue(bar.percent());
}

void FtpWindow::activity_changed(bool running) {
  static_cast<ActivityIndicator*>(m_activity)->set_running(running);
}

void FtpWindow::hidden() {
  hide();
}

}  // namespace orvena::app
