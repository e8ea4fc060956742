#include "editor/data_preview.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>
#include <limits>

#include "editor/style.h"

namespace orvena::editor {

namespace {

constexpr int kClientWidth = 691;
constexpr int kClientHeight = 359;

// A view counts rows in int; a larger result shows its first rows.
int view_count(size_t n) {
  return static_cast<int>(std::min<size_t>(n, std::numeric_limits<int>::max()));
}

}  // namespace

ResultModel::ResultModel(db::Query& dataset, QObject* parent)
    : QAbstractTableModel(parent), m_dataset(dataset) {
  using db::QueryEvent;
  m_subscriptions.push_back(m_dataset.subscribe(QueryEvent::AfterOpen, [this](db::Query&) { opened(); }));
  m_subscriptions.push_back(m_dataset.subscribe(QueryEvent::BeforeClose, [this](db::Query&) { closing(); }));
  m_subscriptions.push_back(m_dataset.subscribe(QueryEvent::AfterClose, [this](db::Query&) { closed(); }));
  if (m_dataset.is_open()) opened();
}

ResultModel::~ResultModel() {
  for (int id : m_subscriptions) m_dataset.unsubscribe(id);
}

void ResultModel::opened() {
  beginResetModel();
  m_rows = view_count(m_dataset.record_count());
  m_columns = view_count(m_dataset.field_count());
  endResetModel();
}

void ResultModel::closing() {
  beginResetModel();
  m_rows = m_columns = 0;
}

void ResultModel::closed() {
  endResetModel();
}

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_rows;
}

int ResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_columns;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows || index.column() >= m_columns ||
      !m_dataset.is_open())
    return {};
  return QString::fromStdString(m_dataset.result().text(index.row(), index.column()));
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || section >= m_columns || !m_dataset.is_open()) return {};
  return QString::fromStdString(m_dataset.field(section).name);
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

DataPreviewWindow::DataPreviewWindow(db::Query& dataset, QWidget* parent)
    : QWidget(parent, Qt::Window), m_model(new ResultModel(dataset, this)), m_grid(new QTableView) {
  setWindowTitle("Zentrivo Orvena - Podgląd danych z bazy");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  // Closing the preview only hides it, and it never keeps the program alive on its own.
  setAttribute(Qt::WA_QuitOnClose, false);
  setStyleSheet(style::preview_sheet());

  m_grid->setModel(m_model);
  m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_grid->setTabKeyNavigation(true);
  m_grid->setShowGrid(true);
  m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
  m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  m_grid->horizontalHeader()->setSectionsClickable(true);
  m_grid->horizontalHeader()->setHighlightSections(true);
  m_grid->horizontalHeader()->setMouseTracking(true);
  // Row heights are fixed so that the header never measures a million rows.
  m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  m_grid->verticalHeader()->setDefaultSectionSize(20);
  m_grid->verticalHeader()->setVisible(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_grid);
  resize(kClientWidth, kClientHeight);
}

void DataPreviewWindow::show_preview() {
  const bool first = !isVisible();
  show();
  if (first) style::centre(this, m_anchor);
  raise();
  activateWindow();
}

}  // namespace orvena::editor
