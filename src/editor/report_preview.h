#pragma once
// The report preview: a template prepared over today's data, page by page, as the writers will
// write it. Pages appear while the report is still being prepared ("stop" ends the preparation
// with the pages made so far); the report's errors are listed instead of an empty page; the
// export menu offers the writers of the registry it is given.
//
//   ReportPreview preview(prompts);
//   preview.prepare_and_show(report);   // report.host, its template loaded
#include <QImage>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "editor/prompts.h"

class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QToolButton;
class QTreeWidget;

namespace orvena::report {
class EngineGenerator;
class PreparedPages;
class Report;
}  // namespace orvena::report

namespace orvena::exporting {
class ExportFilter;
class FilterRegistry;
}  // namespace orvena::exporting

namespace orvena::editor {

// How the page is fitted: the whole page in the window, its width across the window, or a
// fixed percentage.
enum class ZoomMode : uint8_t { WholePage, PageWidth, Percent };

inline constexpr int kMinZoomPercent = 50;
inline constexpr int kMaxZoomPercent = 400;

class ReportPreview : public QWidget {
  Q_OBJECT

 public:
  explicit ReportPreview(Prompts prompts = {}, QWidget* parent = nullptr);
  ~ReportPreview() override;

  // Prepares the report and shows it, the first page as soon as it is made. The report must
  // stay alive while the window shows it; `extra_errors` (a template's load errors) head the
  // error list. Returns PrepareReport's result; false at once while a preparation is under way.
  bool prepare_and_show(report::Report& report, std::vector<std::string> extra_errors = {});
  bool preparing() const { return m_preparing; }
  // The writers the export menu offers; none until set. The registry outlives the window.
  void set_export_filters(const exporting::FilterRegistry* filters) { m_export_filters = filters; }
  // "stop": the preparation ends at the next record or page, keeping the pages made so far.
  void stop();

  // Pages the window can show: while preparing, those finished so far.
  int page_count() const;
  int current_page() const { return m_page; }  // 0-based
  void show_page(int index);                   // clamped to the pages there are
  void first_page() { show_page(0); }
  void previous_page() { show_page(m_page - 1); }
  void next_page() { show_page(m_page + 1); }
  void last_page() { show_page(page_count() - 1); }

  void set_zoom_mode(ZoomMode mode);
  void set_zoom_percent(int percent);  // clamped to 50–400 %
  ZoomMode zoom_mode() const { return m_zoom_mode; }
  // The zoom the page is drawn at (1: 100 %).
  double zoom() const;
  // The page as drawn now; null before there is a page.
  const QImage& page_image() const { return m_image; }

  // Exports the prepared pages with `filter`, asking for the file name.
  void export_with(exporting::ExportFilter& filter);

  report::PreparedPages* pages() const;
  QLabel* page_label() const { return m_page_label; }
  QSpinBox* page_box() const { return m_page_box; }
  QComboBox* zoom_box() const { return m_zoom_box; }
  QTreeWidget* outline() const { return m_outline; }
  QListWidget* error_list() const { return m_errors; }
  QProgressBar* progress_bar() const { return m_progress; }
  QPushButton* stop_button() const { return m_stop; }
  QToolButton* export_button() const { return m_export; }
  QMenu* export_menu() const { return m_export_menu; }
  QScrollArea* scroll_area() const { return m_scroll; }

 Q_SIGNALS:
  // A page is on screen for the first time since the preparation began (it may still go on).
  void first_page_shown();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  void pump();
  bool navigation_key(int key);
  void redraw();
  void update_navigation();
  void fill_outline();
  void fill_errors(const std::vector<std::string>& lines);
  void fill_export_menu();

  Prompts m_prompts;
  const exporting::FilterRegistry* m_export_filters = nullptr;
  report::Report* m_report = nullptr;
  std::unique_ptr<report::EngineGenerator> m_generator;
  bool m_preparing = false;
  bool m_first_shown = false;
  int m_page = 0;
  int m_drawn_page = -1;
  double m_drawn_zoom = 0;
  int m_drawn_count = 0;
  ZoomMode m_zoom_mode = ZoomMode::PageWidth;
  int m_zoom_percent = 100;
  QImage m_image;

  QToolButton* m_first = nullptr;
  QToolButton* m_previous = nullptr;
  QToolButton* m_next = nullptr;
  QToolButton* m_last = nullptr;
  QSpinBox* m_page_box = nullptr;
  QLabel* m_page_label = nullptr;
  QComboBox* m_zoom_box = nullptr;
  QToolButton* m_export = nullptr;
  QMenu* m_export_menu = nullptr;
  QProgressBar* m_progress = nullptr;
  QPushButton* m_stop = nullptr;
  QTreeWidget* m_outline = nullptr;
  QScrollArea* m_scroll = nullptr;
  QLabel* m_canvas = nullptr;
  QListWidget* m_errors = nullptr;
};

// The Cairo bitmap of a page as a QImage (a copy: the bitmap goes when the page is redrawn).
QImage page_qimage(report::PreparedPages& pages, int index, int page_count, double zoom);

}  // namespace orvena::editor
