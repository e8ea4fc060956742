#include "designer/data_tree.h"

#include <QMimeData>

#include "designer/data_sources.h"
#include "designer/design_view.h"
#include "report/datasets.h"
#include "report/report.h"
#include "script/script.h"

namespace orvena::designer {

namespace {

constexpr int kEntryRole = Qt::UserRole;         // encoded DataEntry
constexpr int kFunctionRole = Qt::UserRole + 1;  // a library routine's name

QTreeWidgetItem* group(QTreeWidget* tree, const QString& text) {
  auto* item = new QTreeWidgetItem(tree, {text});
  item->setFlags(Qt::ItemIsEnabled);
  item->setExpanded(true);
  return item;
}

void add_entry(QTreeWidgetItem* parent, const DataEntry& e) {
  auto* item = new QTreeWidgetItem(parent, {QString::fromStdString(e.field.name)});
  item->setData(0, kEntryRole, QByteArray::fromStdString(encode_entry(e)));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
}

}  // namespace

DataTree::DataTree(report::Report& report, Functions functions, QWidget* parent)
    : QTreeWidget(parent), m_report(report), m_functions(functions) {
  setObjectName("data_tree");
  setHeaderHidden(true);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setSelectionMode(QAbstractItemView::SingleSelection);
  connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (QString f = function_of(item); !f.isEmpty()) return Q_EMIT insert_requested(f, true);
    if (QString e = expression_of(item); !e.isEmpty()) Q_EMIT insert_requested(e, false);
  });
  refresh();
}

void DataTree::refresh() {
  clear();
  for (report::DataSet* ds : visible_data_sets(m_report)) {
    QTreeWidgetItem* source = group(this, QString::fromStdString(ds->user_name()));
    std::vector<report::StarterField> fields;
    try {
      fields = report::starter_fields(*ds);
    } catch (const std::exception&) {
      // A source that cannot be opened now shows no fields; the report still names it.
    }
    for (const report::StarterField& f : fields)
      add_entry(source, {DataEntry::Kind::Field, ds->user_name(), f});
  }
  QTreeWidgetItem* variables = group(this, kVariablesGroup);
  for (const auto& v : m_report.variables)
    if (!v->name.empty()) add_entry(variables, {DataEntry::Kind::Variable, "", {v->name}});
  QTreeWidgetItem* system = group(this, kSystemGroup);
  for (const std::string& name : m_report.system_variables())
    add_entry(system, {DataEntry::Kind::Variable, "", {name}});
  if (m_functions == Functions::Listed) {
    QTreeWidgetItem* functions = group(this, kFunctionsGroup);
    functions->setExpanded(false);
    for (std::string_view name : script::library_routine_names()) {
      auto* item =
          new QTreeWidgetItem(functions, {QString::fromUtf8(name.data(), static_cast<int>(name.size()))});
      item->setData(0, kFunctionRole, item->text(0));
    }
  }
}

QTreeWidgetItem* DataTree::find_entry(const QString& group_or_source, const QString& name) const {
  for (int i = 0; i < topLevelItemCount(); ++i) {
    QTreeWidgetItem* g = topLevelItem(i);
    if (g->text(0).compare(group_or_source, Qt::CaseInsensitive) != 0) continue;
    for (int j = 0; j < g->childCount(); ++j)
      if (g->child(j)->text(0).compare(name, Qt::CaseInsensitive) == 0) return g->child(j);
  }
  return nullptr;
}

QString DataTree::expression_of(const QTreeWidgetItem* item) {
  if (!item) return {};
  const QByteArray bytes = item->data(0, kEntryRole).toByteArray();
  auto e = decode_entry(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  return e ? QString::fromStdString(entry_name(*e)) : QString();
}

QString DataTree::function_of(const QTreeWidgetItem* item) {
  return item ? item->data(0, kFunctionRole).toString() : QString();
}

QStringList DataTree::mimeTypes() const {
  return {kDataMime};
}

QMimeData* DataTree::mimeData(const QList<QTreeWidgetItem*>& items) const {
  if (items.size() != 1 || items.front()->data(0, kEntryRole).isNull()) return nullptr;
  auto* data = new QMimeData;
  data->setData(kDataMime, items.front()->data(0, kEntryRole).toByteArray());
  data->setText("[" + expression_of(items.front()) + "]");
  return data;
}

}  // namespace orvena::designer
