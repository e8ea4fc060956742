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

#include "core/text.h"
#include "editor/editor_rules.h"
#include "editor/sql_box.h"
#include "editor/style.h"

namespace orvena::editor {

namespace {

constexpr int kClientWidth = 732;
constexpr int kClientHeight = 354;

// Template files are "*.orp"; a folder copied from Windows may spell the extension in capitals.
bool is_template_file(const std::filesystem::directory_entry& entry) {
  std::error_code ec;
  return entry.is_regular_file(ec) && core::to_lower(entry.path().extension().string()) == ".orp";
}

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
  m_subscriptions.push_back(
      m_dataset.subscribe(QueryEvent::AfterOpen, [this](db::Query&) { m_show_preview->setEnabled(true); }));
  m_subscriptions.push_back(
      m_dataset.subscribe(QueryEvent::AfterClose, [this](db::Query&) { m_show_preview->setEnabled(false); }));
  m_show_preview->setEnabled(m_dataset.is_open());
  refresh_templates();
}

WorkshopWindow::~WorkshopWindow() {
  for (int id : m_subscriptions) m_dataset.unsubscribe(id);
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
  for (QPushButton* b : {m_design_selected, m_design_new}) {
    b->setEnabled(false);
    b->setToolTip(kDesignerUnavailable);
  }

  connect(m_refresh, &QPushButton::clicked, this,
          [this] { guarded(m_prompts, this, [this] { refresh_templates(); }); });
  connect(m_run, &QPushButton::clicked, this, [this] { guarded(m_prompts, this, [this] { run_sql(); }); });
  connect(m_show_preview, &QPushButton::clicked, this, [this] { m_preview.show_preview(); });

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
}

void WorkshopWindow::run_sql() {
  // The box's text as it stands: the editor substituted the date variables when it filled it.
  m_dataset.close();
  m_dataset.set_command_text(m_sql.text());
  m_dataset.open();
}

}  // namespace orvena::editor
