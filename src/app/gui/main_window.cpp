#include "app/gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/session.h"
#include "core/error.h"
#include "core/version.h"

namespace orvena::app {

namespace {

constexpr int kClientWidth = 737;
constexpr int kClientHeight = 350;
constexpr int kTicks = 10;

// Decoration for the right-hand side: a report sheet and an envelope, drawn rather than shipped.
QPixmap decoration(bool envelope) {
  QPixmap pixmap(128, 128);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(68, 68, 68), 3));
  if (envelope) {
    p.setBrush(QColor(240, 240, 240));
    p.drawRect(12, 34, 104, 64);
    p.drawPolyline(QPolygon({QPoint(12, 34), QPoint(64, 72), QPoint(116, 34)}));
  } else {
    p.setBrush(Qt::white);
    p.drawRect(28, 10, 72, 108);
    p.setBrush(QColor(70, 110, 170));
    for (int i = 0; i < 4; ++i) p.drawRect(40 + i * 13, 90 - i * 14, 9, 16 + i * 14);
    p.setPen(QPen(QColor(120, 120, 120), 2));
    for (int y = 22; y < 50; y += 8) p.drawLine(38, y, 90, y);
  }
  return pixmap;
}

}  // namespace

MainWindow::MainWindow(Session& session, Options options)
    : m_session(session), m_options(std::move(options)) {
  setWindowTitle(
      QString::fromUtf8("Aplikacja do automatycznego wysyłania raportów - Orvena Tivorn - Wersja ") +
      QString::fromUtf8(core::kVersion));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  build();
  setFixedSize(kClientWidth, kClientHeight);

  for (const auto& line : m_session.log().lines()) m_log_view->appendPlainText(QString::fromStdString(line));
  m_session.log().set_observer(
      [this](const std::string& line) { m_log_view->appendPlainText(QString::fromStdString(line)); });

  m_auto_start.setInterval(1000);
  m_auto_start.setSingleShot(true);
  m_auto_run.setInterval(1000);
  connect(&m_auto_start, &QTimer::timeout, this, [this] { auto_start_tick(); });
  connect(&m_auto_run, &QTimer::timeout, this, [this] { auto_run_tick(); });
  if (m_options.start_timers) m_auto_start.start();
}

MainWindow::~MainWindow() {
  m_session.log().set_observer(nullptr);
}

void MainWindow::build() {
  auto* tabs = new QTabWidget(this);
  auto* page = new QWidget;
  tabs->addTab(page, "Okno główne");

  m_log_view = new QPlainTextEdit;
  m_log_view->setReadOnly(true);
  m_log_view->setLineWrapMode(QPlainTextEdit::NoWrap);
  // The font goes into the style sheet too: a style sheet would otherwise reset it.
  m_log_view->setStyleSheet(
      "QPlainTextEdit { background-color: rgb(68, 68, 68); color: rgb(226, 226, 226);"
      " font-family: Tahoma; font-size: 8pt; font-weight: bold; }");

  auto* pictures = new QVBoxLayout;
  for (bool envelope : {false, true}) {
    auto* label = new QLabel;
    label->setPixmap(decoration(envelope));
    label->setFixedSize(128, 128);
    pictures->addWidget(label);
  }
  pictures->addStretch();

  auto* top = new QHBoxLayout;
  top->addWidget(m_log_view, 1);
  top->addLayout(pictures);

  m_progress = new QProgressBar;
  m_progress->setRange(0, kTicks);
  m_progress->setValue(0);
  m_progress->setTextVisible(false);
  m_stop = new QPushButton("stop");
  m_stop->setEnabled(false);
  m_run_all = new QPushButton("wykonaj wszystkie raporty");
  m_run_all->setVisible(false);
  m_editor = new QPushButton("sterowanie");
  m_editor->setVisible(false);
  connect(m_stop, &QPushButton::clicked, this, [this] { guarded([this] { stop_clicked(); }); });
  connect(m_run_all, &QPushButton::clicked, this, [this] { guarded([this] { run_all_clicked(); }); });
  connect(m_editor, &QPushButton::clicked, this, [this] {
    guarded([this] {
      if (m_options.open_editor) m_options.open_editor();
    });
  });

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(m_progress, 1);
  bottom->addWidget(m_stop);
  bottom->addWidget(m_run_all);
  bottom->addWidget(m_editor);

  auto* page_layout = new QVBoxLayout(page);
  page_layout->addLayout(top, 1);
  page_layout->addLayout(bottom);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(4, 4, 4, 4);
  outer->addWidget(tabs);
}

void MainWindow::guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    const QString message = QString::fromStdString(e.what());
    if (m_options.show_error)
      m_options.show_error(message);
    else
      QMessageBox::critical(this, QApplication::applicationName(), message);
  }
}

void MainWindow::auto_start_tick() {
  m_auto_start.stop();
  m_counter = 0;
  // A failed start-up step (a Tymczasowe that points into Dane, unreadable settings) must not
  // be followed by a run: the countdown starts only after it went through.
  guarded([this] {
    try {
      m_session.start_up();
    } catch (const std::exception& e) {
      m_session.record_run_failure(e);
      throw;
    }
    m_auto_run.start();
  });
}

void MainWindow::auto_run_tick() {
  if (m_counter == 1) {
    // A failed connection leaves the counter where it is, so every tick tries again.
    bool connected = false;
    guarded([this, &connected] {
      try {
        m_session.connect();
      } catch (const std::exception& e) {
        // Into the day's log once, not at every retry: whoever reads it learns why no run came.
        if (m_logged_connect_failure != e.what()) {
          m_logged_connect_failure = e.what();
          m_session.record_run_failure(e);
        }
        throw;
      }
      connected = true;
    });
    if (!connected) return;
    m_stop->setEnabled(true);
    QCoreApplication::processEvents();
  }
  ++m_counter;
  m_progress->setValue(m_counter);
  if (m_counter == kTicks) unattended_run();
}

void MainWindow::unattended_run() {
  m_auto_run.stop();
  m_stop->setVisible(false);
  // Nobody is watching an unattended run: an error that ends it is written to the log and the
  // program closes with a failure status instead of waiting on a message box.
  try {
    if (m_session.unattended_run().failed_jobs > 0) m_exit_code = 3;
  } catch (const std::exception& e) {
    m_exit_code = 1;
    m_session.record_run_failure(e);
  }
  close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  Q_EMIT closed();
}

void MainWindow::stop_clicked() {
  // During a run of all reports: the reports being made end and no further one starts.
  if (m_session.runner().running()) {
    m_session.stop_run();
    return;
  }
  m_auto_run.stop();
  m_progress->setVisible(false);
  m_editor->setVisible(true);
  m_run_all->setVisible(true);
}

void MainWindow::run_all_clicked() {
  if (m_options.busy && m_options.busy())
    throw core::Error("Trwa przygotowanie raportu w podglądzie. Raporty można wykonać, gdy się zakończy.");
  if (m_options.designing && m_options.designing())
    throw core::Error("Projektant raportu jest otwarty. Raporty można wykonać, gdy zostanie zamknięty.");
  m_session.run_reports();
}

}  // namespace orvena::app
