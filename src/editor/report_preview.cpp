#include "editor/report_preview.h"

#include <cairo.h>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>

#include "core/error.h"
#include "export/filter.h"
#include "export/page_bitmap.h"
#include "report/engine/engine.h"
#include "report/pages.h"
#include "report/prepared/outline.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"

namespace orvena::editor {

namespace {

constexpr int kClientWidth = 900;
constexpr int kClientHeight = 700;
// The grey around the page and the margin between page and window edge.
constexpr int kPageMargin = 10;
constexpr int kOutlineRole = Qt::UserRole;

struct ZoomChoice {
  const char* caption;
  ZoomMode mode;
  int percent;
};
// ORDER of the zoom box's entries.
constexpr ZoomChoice kZoomChoices[] = {
    {"Cała strona", ZoomMode::WholePage, 0}, {"Szerokość strony", ZoomMode::PageWidth, 0},
    {"50%", ZoomMode::Percent, 50},          {"75%", ZoomMode::Percent, 75},
    {"100%", ZoomMode::Percent, 100},        {"150%", ZoomMode::Percent, 150},
    {"200%", ZoomMode::Percent, 200},        {"400%", ZoomMode::Percent, 400},
};

QToolButton* tool_button(const QString& text, const QString& tip) {
  auto* b = new QToolButton;
  b->setText(text);
  b->setToolTip(tip);
  b->setAutoRaise(true);
  return b;
}

}  // namespace

QImage page_qimage(report::PreparedPages& pages, int index, int page_count, double zoom) {
  auto bitmap = exporting::draw_page_bitmap(pages.page(index), index, page_count, zoom);
  if (!bitmap->ok()) return {};  // a page too large for one bitmap at this zoom
  cairo_surface_t* surface = bitmap->surface();
  cairo_surface_flush(surface);
  // Cairo's opaque ARGB32 rows are what Qt calls RGB32 (native-endian 0xffRRGGBB).
  QImage view(cairo_image_surface_get_data(surface), bitmap->width(), bitmap->height(),
              cairo_image_surface_get_stride(surface), QImage::Format_RGB32);
  return view.copy();
}

ReportPreview::ReportPreview(Prompts prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), m_prompts(with_standard_boxes(std::move(prompts))) {
  setObjectName("report_preview");
  setWindowTitle("Zentrivo Orvena - Podgląd raportu");
  setAttribute(Qt::WA_QuitOnClose, false);
  build();
  resize(kClientWidth, kClientHeight);
  update_navigation();
}

ReportPreview::~ReportPreview() {
  if (m_report) {
    m_report->terminated = true;
    if (m_report->generator == m_generator.get()) m_report->generator = nullptr;
    m_report->pump = nullptr;
  }
}

void ReportPreview::build() {
  m_first = tool_button("|<", "Pierwsza strona");
  m_previous = tool_button("<", "Poprzednia strona");
  m_next = tool_button(">", "Następna strona");
  m_last = tool_button(">|", "Ostatnia strona");
  m_page_box = new QSpinBox;
  m_page_box->setMinimum(1);
  m_page_box->setKeyboardTracking(false);
  m_page_label = new QLabel;
  m_zoom_box = new QComboBox;
  for (const ZoomChoice& z : kZoomChoices) m_zoom_box->addItem(z.caption);
  m_zoom_box->setCurrentIndex(1);
  m_export = tool_button("Eksport", "Eksportuj raport do pliku");
  m_export_menu = new QMenu(m_export);
  m_export->setMenu(m_export_menu);
  m_export->setPopupMode(QToolButton::InstantPopup);
  m_progress = new QProgressBar;
  m_progress->setRange(0, 0);
  m_progress->setTextVisible(true);
  m_stop = new QPushButton("stop");

  // Drawing a page reads the store, which may fail (its temporary file): no error crosses the
  // event loop.
  auto handler = [this](std::function<void()> f) { return [this, f] { guarded(m_prompts, this, f); }; };
  connect(m_first, &QToolButton::clicked, this, handler([this] { first_page(); }));
  connect(m_previous, &QToolButton::clicked, this, handler([this] { previous_page(); }));
  connect(m_next, &QToolButton::clicked, this, handler([this] { next_page(); }));
  connect(m_last, &QToolButton::clicked, this, handler([this] { last_page(); }));
  connect(m_page_box, &QSpinBox::valueChanged, this, [this](int value) {
    if (value - 1 != m_page) guarded(m_prompts, this, [&] { show_page(value - 1); });
  });
  connect(m_zoom_box, &QComboBox::activated, this, [this](int index) {
    const ZoomChoice& z = kZoomChoices[index];
    guarded(m_prompts, this, [&] {
      if (z.mode == ZoomMode::Percent)
        set_zoom_percent(z.percent);
      else
        set_zoom_mode(z.mode);
    });
  });
  connect(m_stop, &QPushButton::clicked, this, [this] { stop(); });
  connect(m_export_menu, &QMenu::aboutToShow, this, [this] { fill_export_menu(); });

  auto* bar = new QHBoxLayout;
  for (QWidget* w :
       std::initializer_list<QWidget*>{m_first, m_previous, m_page_box, m_page_label, m_next, m_last})
    bar->addWidget(w);
  bar->addSpacing(12);
  bar->addWidget(new QLabel("Powiększenie:"));
  bar->addWidget(m_zoom_box);
  bar->addWidget(m_export);
  bar->addStretch();
  bar->addWidget(m_progress);
  bar->addWidget(m_stop);

  m_outline = new QTreeWidget;
  m_outline->setHeaderHidden(true);
  m_outline->hide();
  connect(m_outline, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    guarded(m_prompts, this, [&] { show_page(item->data(0, kOutlineRole).toInt()); });
  });

  m_canvas = new QLabel;
  m_scroll = new QScrollArea;
  m_scroll->setWidget(m_canvas);
  // The label is exactly the page; the area centres it and scrolls over it.
  m_scroll->setWidgetResizable(false);
  m_scroll->setAlignment(Qt::AlignCenter);
  m_scroll->setBackgroundRole(QPalette::Dark);
  m_scroll->installEventFilter(this);
  m_scroll->viewport()->installEventFilter(this);
  setFocusProxy(m_scroll);

  m_errors = new QListWidget;
  m_errors->setMaximumHeight(120);
  m_errors->hide();

  auto* split = new QSplitter;
  split->addWidget(m_outline);
  split->addWidget(m_scroll);
  split->setStretchFactor(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(bar);
  layout->addWidget(split, 1);
  layout->addWidget(m_errors);
}

bool ReportPreview::prepare_and_show(report::Report& report, std::vector<std::string> extra_errors) {
  if (m_preparing) return false;
  if (m_report && m_report != &report && m_report->generator == m_generator.get())
    m_report->generator = nullptr;
  m_report = &report;
  m_generator = std::make_unique<report::EngineGenerator>(report);
  report.generator = m_generator.get();
  // The errors go to the list below the page, not to a box that hides it.
  report.engine_options.new_silent_mode = report::SilentMode::Silent;
  report.pump = [this] { pump(); };
  m_page = 0;
  m_drawn_page = -1;
  m_drawn_count = 0;
  m_first_shown = false;
  m_image = QImage();
  m_canvas->clear();
  m_outline->clear();
  m_outline->hide();
  fill_errors({});
  m_progress->show();
  m_progress->setFormat("");
  m_stop->show();
  m_stop->setEnabled(true);
  update_navigation();

  m_preparing = true;
  bool ok = false;
  try {
    ok = report.prepare_report();
  } catch (...) {
    m_preparing = false;
    throw;
  }
  m_preparing = false;

  m_progress->hide();
  m_stop->hide();
  std::vector<std::string> lines = std::move(extra_errors);
  for (const std::string& e : report.errors()) lines.push_back(e);
  fill_errors(lines);
  fill_outline();
  m_drawn_page = -1;
  show_page(m_page);
  return ok;
}

void ReportPreview::stop() {
  if (m_preparing && m_report) m_report->terminated = true;
}

void ReportPreview::pump() {
  if (m_preparing) {
    report::PreparedPages& p = m_generator->pages();
    m_progress->setFormat(QString("Tworzenie strony %1").arg(std::max(p.count(), 1)));
    // The first page is shown as soon as it is finished, while later pages are still being made.
    if (m_drawn_page < 0 && page_count() > 0) show_page(0);
    if (page_count() != m_drawn_count) update_navigation();
  }
  QCoreApplication::processEvents();
}

report::PreparedPages* ReportPreview::pages() const {
  return m_generator ? &m_generator->pages() : nullptr;
}

int ReportPreview::page_count() const {
  if (!m_generator) return 0;
  const report::PreparedPages& p = m_generator->pages();
  if (!m_preparing || !p.generating()) return p.count();
  // The page being filled is not finished; a first pass of two makes nothing to keep.
  if (p.pass() == report::PreparePass::First) return 0;
  return std::max(0, p.count() - 1);
}

void ReportPreview::show_page(int index) {
  const int count = page_count();
  m_page = std::clamp(index, 0, std::max(0, count - 1));
  redraw();
  update_navigation();
}

void ReportPreview::set_zoom_mode(ZoomMode mode) {
  m_zoom_mode = mode;
  const int index = mode == ZoomMode::WholePage ? 0 : mode == ZoomMode::PageWidth ? 1 : -1;
  if (index >= 0) m_zoom_box->setCurrentIndex(index);
  redraw();
}

void ReportPreview::set_zoom_percent(int percent) {
  m_zoom_percent = std::clamp(percent, kMinZoomPercent, kMaxZoomPercent);
  m_zoom_mode = ZoomMode::Percent;
  int index = m_zoom_box->findText(QString("%1%").arg(m_zoom_percent));
  if (index < 0) {
    // A percentage the list does not offer is shown in the box as it is.
    m_zoom_box->addItem(QString("%1%").arg(m_zoom_percent));
    index = m_zoom_box->count() - 1;
  }
  m_zoom_box->setCurrentIndex(index);
  redraw();
}

double ReportPreview::zoom() const {
  if (m_zoom_mode == ZoomMode::Percent) return m_zoom_percent / 100.0;
  report::PreparedPages* p = pages();
  if (!p || page_count() == 0) return 1;
  report::PageSize size = p->page_size(m_page);
  if (size.width <= 0 || size.height <= 0) return 1;
  const QSize room = m_scroll->viewport()->size() - QSize(2 * kPageMargin, 2 * kPageMargin);
  double by_width = std::max(1, room.width()) / double(size.width);
  if (m_zoom_mode == ZoomMode::PageWidth) {
    // Width across the window leaves room for the vertical scroll bar it will need.
    by_width =
        std::max(1, room.width() - m_scroll->verticalScrollBar()->sizeHint().width()) / double(size.width);
    return std::clamp(by_width, 0.05, kMaxZoomPercent / 100.0);
  }
  double by_height = std::max(1, room.height()) / double(size.height);
  return std::clamp(std::min(by_width, by_height), 0.05, kMaxZoomPercent / 100.0);
}

void ReportPreview::redraw() {
  const int count = page_count();
  if (count == 0) {
    m_image = QImage();
    m_canvas->clear();
    m_canvas->resize(0, 0);
    m_drawn_page = -1;
    return;
  }
  const double z = zoom();
  if (m_drawn_page == m_page && m_drawn_zoom == z && !m_image.isNull()) return;
  report::PreparedPages& p = m_generator->pages();
  const bool new_page = m_drawn_page != m_page;
  try {
    m_image = page_qimage(p, m_page, p.count(), z);
  } catch (const core::Error& e) {
    // A page that cannot be drawn (a picture past the pixel limit) is shown empty, with the
    // reason under it, rather than the error leaving the event handler.
    m_image = QImage();
    fill_errors({e.what()});
  }
  // Only the page on screen stays rebuilt; the rest are read again when asked for.
  p.clear_cache();
  m_drawn_page = m_page;
  m_drawn_zoom = z;
  m_canvas->setPixmap(QPixmap::fromImage(m_image));
  m_canvas->resize(m_image.size());
  if (new_page) {
    m_scroll->verticalScrollBar()->setValue(0);
    m_scroll->horizontalScrollBar()->setValue(0);
  }
  if (!m_first_shown) {
    m_first_shown = true;
    Q_EMIT first_page_shown();
  }
}

void ReportPreview::update_navigation() {
  const int count = page_count();
  m_drawn_count = count;
  const QSignalBlocker block(m_page_box);
  m_page_box->setMaximum(std::max(1, count));
  m_page_box->setValue(m_page + 1);
  m_page_box->setEnabled(count > 0);
  m_page_label->setText(QString("z %1").arg(count));
  m_first->setEnabled(m_page > 0);
  m_previous->setEnabled(m_page > 0);
  m_next->setEnabled(m_page + 1 < count);
  m_last->setEnabled(m_page + 1 < count);
  m_export->setEnabled(!m_preparing && count > 0);
}

void ReportPreview::fill_outline() {
  m_outline->clear();
  report::PreparedPages* p = pages();
  if (!p || p->outline().root().count() == 0) {
    m_outline->hide();
    return;
  }
  // Items nest as the engine added them; an explicit stack keeps deep outlines off the call stack.
  struct Pending {
    const report::XmlItem* item;
    QTreeWidgetItem* parent;
  };
  std::vector<Pending> todo;
  const report::XmlItem& root = p->outline().root();
  for (size_t i = root.count(); i-- > 0;) todo.push_back({&root[i], nullptr});
  while (!todo.empty()) {
    Pending next = todo.back();
    todo.pop_back();
    auto* node = next.parent ? new QTreeWidgetItem(next.parent) : new QTreeWidgetItem(m_outline);
    node->setText(0, QString::fromStdString(next.item->prop("text")));
    node->setData(0, kOutlineRole, static_cast<int>(report::prepared::item_int(*next.item, "page")));
    for (size_t i = next.item->count(); i-- > 0;) todo.push_back({&(*next.item)[i], node});
  }
  if (m_report && m_report->preview_options.outline_expand) m_outline->expandAll();
  m_outline->show();
}

void ReportPreview::fill_errors(const std::vector<std::string>& lines) {
  m_errors->clear();
  if (!lines.empty()) m_errors->addItem("Pojawił się następujący błąd(y):");
  for (const std::string& line : lines) m_errors->addItem(QString::fromStdString(line));
  m_errors->setVisible(!lines.empty());
}

void ReportPreview::fill_export_menu() {
  m_export_menu->clear();
  if (!m_export_filters) return;
  std::vector<exporting::ExportFilter*> filters = m_export_filters->filters();
  std::vector<std::string> captions = m_export_filters->menu_captions();
  for (size_t i = 0; i < filters.size(); ++i) {
    exporting::ExportFilter* filter = filters[i];
    QAction* action = m_export_menu->addAction(QString::fromStdString(captions[i]));
    connect(action, &QAction::triggered, this,
            [this, filter] { guarded(m_prompts, this, [&] { export_with(*filter); }); });
  }
}

void ReportPreview::export_with(exporting::ExportFilter& filter) {
  report::PreparedPages* p = pages();
  if (!p || m_preparing || !m_report) return;
  const QString ext = QString::fromStdString(filter.default_ext);
  QString suggested = QString::fromStdString(m_report->file_name().stem().string());
  if (suggested.isEmpty()) suggested = "raport";
  const QString name = m_prompts.choose_save_file(
      this, QString::fromStdString(filter.description()), suggested + ext,
      QString::fromStdString(filter.description()) + " (*" + ext + ")", ext.mid(1));
  if (name.isEmpty()) return;
  // The menu's writer is shared: its dialog and file name are set for this export only.
  const bool dialog = filter.show_dialog;
  const std::filesystem::path file = filter.file_name;
  filter.show_dialog = false;
  filter.file_name = name.toStdString();
  m_report->clear_errors();
  bool ok = exporting::export_report(*m_report, *p, filter);
  filter.show_dialog = dialog;
  filter.file_name = file;
  m_drawn_page = -1;  // the walk emptied the page cache
  redraw();
  if (!ok) fill_errors(m_report->errors());
}

bool ReportPreview::navigation_key(int key) {
  void (ReportPreview::*move)() = nullptr;
  switch (key) {
    case Qt::Key_PageUp:
      move = &ReportPreview::previous_page;
      break;
    case Qt::Key_PageDown:
      move = &ReportPreview::next_page;
      break;
    case Qt::Key_Home:
      move = &ReportPreview::first_page;
      break;
    case Qt::Key_End:
      move = &ReportPreview::last_page;
      break;
    default:
      return false;
  }
  guarded(m_prompts, this, [&] { (this->*move)(); });
  return true;
}

void ReportPreview::keyPressEvent(QKeyEvent* event) {
  if (!navigation_key(event->key())) QWidget::keyPressEvent(event);
}

bool ReportPreview::eventFilter(QObject* watched, QEvent* event) {
  // The scroll area would scroll by a screen on PgUp/PgDn; here they turn pages.
  if (event->type() == QEvent::KeyPress && navigation_key(static_cast<QKeyEvent*>(event)->key())) return true;
  return QWidget::eventFilter(watched, event);
}

void ReportPreview::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (m_zoom_mode != ZoomMode::Percent) guarded(m_prompts, this, [this] { redraw(); });
}

void ReportPreview::closeEvent(QCloseEvent* event) {
  // Closing while the report is being prepared stops it; the window only hides.
  stop();
  QWidget::closeEvent(event);
}

}  // namespace orvena::editor
