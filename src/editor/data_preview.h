#pragma once
// The data preview: a read-only grid over the query dataset's current result. The model reads
// the dataset's result in place, so a result of a million rows costs the grid nothing beyond
// the rows on screen; it empties when the dataset closes and fills again when it opens.
#include <QAbstractTableModel>
#include <QWidget>

#include "db/database.h"

class QTableView;

namespace orvena::editor {

class ResultModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ResultModel(db::Query& dataset, QObject* parent = nullptr);
  ~ResultModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  void opened();
  void closing();
  void closed();

  db::Query& m_dataset;
  int m_rows = 0;
  int m_columns = 0;
  std::vector<int> m_subscriptions;
};

class DataPreviewWindow : public QWidget {
  Q_OBJECT

 public:
  explicit DataPreviewWindow(db::Query& dataset, QWidget* parent = nullptr);

  // Shown centred on the main window (or the screen when none is set).
  void set_anchor(const QWidget* anchor) { m_anchor = anchor; }
  void show_preview();

  QTableView* grid() const { return m_grid; }
  ResultModel* model() const { return m_model; }

 private:
  ResultModel* m_model;
  QTableView* m_grid;
  const QWidget* m_anchor = nullptr;
};

}  // namespace orvena::editor
