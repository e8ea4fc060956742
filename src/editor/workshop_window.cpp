#include "editor/workshop_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "core/error.h"
#include "core/text.h"
#include "editor/editor_rules.h"
#include "editor/report_preview.h"
#include "editor/sql_box.h"
#include "editor/style.h"
#include "report/report.h"
#include "report/starter_template.h"

namespace orvena::editor {

namespace {

constexpr int kClientWidth = 732;
constexpr int kClientHeight = 354;

// Template files are "*.orp"; a folder copied from Windows may spell the extension in capitals.
bool is_template_file(const std::filesystem::directory_entry& entry) {
  std::error_code ec;
  return entry.is_regular_file(ec) && core::to_lower(entry.path().extension().string()) == ".orp";
}

// The name the published query result goes by in templates.
constexpr const char* kPublishedName = "DaneOrvena";

}  // namespace

WorkshopWindow::WorkshopWindow(const core::Home& home, runner::SqlBuffer& sql, db::Query& dataset,
                               Prompts prompts)
    : QWidget(nullptr, Qt::Window),
      m_home(home),
      m_sql(sql),
      m_dataset(dataset),
      m_prompts(with_standard_boxes(std::move(prompts))),
      m_preview(dataset) {
  setObjectName("window");
  setWindowTitle("Zentrivo Orvena - Projektowanie Szablonu");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setAttribute(Qt::WA_QuitOnClose, false);
  setStyleSheet(style::workshop_sheet());
  build();
  resize(kClientWidth, kClientHeight);

  // "podgląd danych" follows the dataset, whoever opens or closes it (the runner too).
  using db::QueryEvent;
  m_subscriptions.push_back(m_dataset.subscribe(QueryEvent::AfterOpen, [this](db::Query&) {
    m_show_preview->setEnabled(true);
    update_design_buttons();
  }));
  m_subscriptions.push_back(m_dataset.subscribe(QueryEvent::AfterClose, [this](db::Query&) {
    m_show_preview->setEnabled(false);
    update_design_buttons();
  }));
  m_show_preview->setEnabled(m_dataset.is_open());
  refresh_templates();
}

WorkshopWindow::~WorkshopWindow() {
  for (int id : m_subscriptions) m_dataset.unsubscribe(id);
  // The preview refers to the report: it goes first.
  m_report_preview.reset();
}

void WorkshopWindow::set_report_host(report::HostComponents& host, report::DataSet& published) {
  m_host = &host;
  m_published = &published;
  update_design_buttons();
}

report::Report& WorkshopWindow::report() {
  if (!m_report) m_report = std::make_unique<report::Report>();
  return *m_report;
}

void WorkshopWindow::set_export_filters(const exporting::FilterRegistry& filters) {
  m_export_filters = &filters;
  if (m_report_preview) m_report_preview->set_export_filters(m_export_filters);
}

ReportPreview& WorkshopWindow::report_preview() {
  if (!m_report_preview) {
    m_report_preview = std::make_unique<ReportPreview>(m_prompts);
    m_report_preview->set_export_filters(m_export_filters);
  }
  return *m_report_preview;
}

void WorkshopWindow::update_design_buttons() {
  const bool ready = m_host && m_dataset.is_open();
  m_design_selected->setEnabled(ready && m_templates->currentItem() &&
                                m_templates->currentItem()->isSelected());
  m_design_new->setEnabled(ready);
}

void WorkshopWindow::prepare_report_for_use() {
  report::Report& r = report();
  r.host = m_host;
  r.home_folder = m_home.root();
  r.engine_options.new_silent_mode = report::SilentMode::Silent;
}

void WorkshopWindow::design_selected() {
  QListWidgetItem* item = m_templates->currentItem();
  if (!item || !item->isSelected()) return;
  const std::filesystem::path file = m_home.templates() / item->text().toStdString();
  if (!report().designer) return prepare_and_preview(file);
  // The preview prepares this very report; the designer must not take it from under the engine.
  if (preparing_report() || designer_open()) return;
  prepare_report_for_use();
  report().load_from_file(file, false);
  report().design_report(true, false);
}

void WorkshopWindow::design_new() {
  if (report().designer) {
    if (preparing_report() || designer_open()) return;
    prepare_report_for_use();
    report::Report& r = report();
    // Not blank: the starter template over the query's fields, under no file name yet.
    report::make_starter_template(r, "Nowy raport", kPublishedName, report::starter_fields(*m_published));
    r.set_file_name({});
    r.design_report(true, false);
    return;
  }
  const QString answer = m_prompts.ask_text(this, m_design_new->text(), kNewTemplatePrompt);
  if (core::trim(answer.toStdString()).empty()) return;
  const std::string name = template_file_name(answer.toStdString());
  const std::filesystem::path file = m_home.templates() / name;
  std::error_code ec;
  if (std::filesystem::exists(file, ec) &&
      !m_prompts.confirm(this, m_design_new->text(),
                         QString(kReplaceTemplate).arg(QString::fromStdString(name))))
    return;
  report::Report starter;
  report::make_starter_template(starter, std::filesystem::path(name).stem().string(), kPublishedName,
                                report::starter_fields(*m_published));
  starter.save_to_file(file);
  refresh_templates();
  auto found = m_templates->findItems(QString::fromStdString(name), Qt::MatchFixedString);
  if (!found.isEmpty()) m_templates->setCurrentItem(found.front());
  prepare_and_preview(file);
}

void WorkshopWindow::prepare_and_preview(const std::filesystem::path& file) {
  ReportPreview& preview = report_preview();
  // The report is being prepared under the preview; loading into it now would pull the
  // template from under the engine.
  if (preview.preparing()) return;
  if (designer_open()) return;
  prepare_report_for_use();
  report::Report& r = report();
  r.load_from_file(file, false);
  std::vector<std::string> load_errors = r.errors();
  const bool first = !preview.isVisible();
  preview.show();
  if (first) style::centre(&preview, nullptr);
  preview.raise();
  preview.activateWindow();
  preview.prepare_and_show(r, std::move(load_errors));
}

void WorkshopWindow::build() {
  auto* tabs = new QTabWidget;
  auto* page = new QWidget;
  page->setObjectName("page");
  tabs->addTab(page, "Kreator szablonów");

  m_templates = new QListWidget;
  m_templates->setSelectionMode(QAbstractItemView::SingleSelection);
  m_templates->setFixedHeight(84);
  m_refresh = new QPushButton("odśwież listę");
  m_sql_box = new SqlBox(m_sql);
  m_run = new QPushButton("wykonaj SQL");
  m_show_preview = new QPushButton("podgląd danych");
  m_show_preview->setEnabled(false);
  m_design_selected = new QPushButton("projektuj wybrany szablon");
  m_design_new = new QPushButton("projektuj nowy szablon");
  m_design_selected->setEnabled(false);
  m_design_new->setEnabled(false);
  m_design_selected->setToolTip("Podgląd wybranego szablonu z wynikiem zapytania");
  m_design_new->setToolTip("Nowy szablon z pól wyniku zapytania");

  connect(m_refresh, &QPushButton::clicked, this,
          [this] { guarded(m_prompts, this, [this] { refresh_templates(); }); });
  connect(m_run, &QPushButton::clicked, this, [this] { guarded(m_prompts, this, [this] { run_sql(); }); });
  connect(m_show_preview, &QPushButton::clicked, this, [this] { m_preview.show_preview(); });
  connect(m_design_selected, &QPushButton::clicked, this,
          [this] { guarded(m_prompts, this, [this] { design_selected(); }); });
  connect(m_design_new, &QPushButton::clicked, this,
          [this] { guarded(m_prompts, this, [this] { design_new(); }); });
  connect(m_templates, &QListWidget::itemSelectionChanged, this, [this] { update_design_buttons(); });

  auto* list_row = new QHBoxLayout;
  list_row->addWidget(m_templates, 1);
  auto* refresh_column = new QVBoxLayout;
  refresh_column->addWidget(m_refresh);
  refresh_column->addStretch();
  list_row->addLayout(refresh_column);

  auto* designer = new QVBoxLayout;
  designer->addWidget(m_design_selected);
  designer->addWidget(m_design_new);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(m_run, 0, Qt::AlignBottom);
  bottom->addWidget(m_show_preview, 0, Qt::AlignBottom);
  bottom->addStretch();
  bottom->addLayout(designer);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel("Lista szablonów:"));
  layout->addLayout(list_row);
  layout->addWidget(new QLabel("Polecenia SQL:"));
  layout->addWidget(m_sql_box, 1);
  layout->addLayout(bottom);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(4, 4, 4, 4);
  outer->addWidget(tabs);
}

void WorkshopWindow::show_with_sql(const std::vector<std::string>& lines) {
  const bool first = !isVisible();
  show();
  if (first) style::centre(this, nullptr);
  raise();
  activateWindow();
  m_sql.set_text(core::join_crlf(lines));
}

void WorkshopWindow::refresh_templates() {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(m_home.templates(), ec), end; !ec && it != end;
       it.increment(ec))
    if (is_template_file(*it)) names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return core::to_lower(a) < core::to_lower(b); });
  m_templates->clear();
  for (const auto& name : names) m_templates->addItem(QString::fromStdString(name));
  update_design_buttons();
}

bool WorkshopWindow::designer_open() const {
  return m_report && m_report->designer_open();
}

bool WorkshopWindow::preparing_report() const {
  return m_report_preview && m_report_preview->preparing();
}

void WorkshopWindow::run_sql() {
  // The report being prepared reads this dataset; closing it now would cut the report short.
  if (preparing_report()) return;
  // The box's text as it stands: the editor substituted the date variables when it filled it.
  m_dataset.close();
  m_dataset.set_command_text(m_sql.text());
  m_dataset.open();
}

}  // namespace orvena::editor
