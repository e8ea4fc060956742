#include "designer/report_tree.h"

#include <QHeaderView>
#include <QTimer>
#include <QUndoStack>
#include <memory>

#include "core/text.h"
#include "designer/commands.h"
#include "designer/inspector.h"
#include "report/report.h"

namespace orvena::designer {

namespace {

constexpr int kComponentRole = Qt::UserRole;

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

ReportTree::ReportTree(report::Report& report, DesignSurface& surface, QUndoStack& stack,
                       const editor::Prompts& prompts, QWidget* parent)
    : QTreeWidget(parent), m_report(report), m_surface(surface), m_stack(stack), m_prompts(prompts) {
  setObjectName("report_tree");
  setColumnCount(2);
  setHeaderLabels({"Nazwa", "Rodzaj"});
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (m_quiet) return;
    std::vector<report::Component*> chosen;
    m_chosen.clear();
    for (QTreeWidgetItem* item : selectedItems())
      if (report::Component* c = component_of(item)) {
        chosen.push_back(c);
        m_chosen.emplace_back(c);
      }
    Q_EMIT components_chosen(chosen);
  });
  connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (!m_quiet && column == 0) rename(item);
  });
  // After the change that asked for it has finished: a rename arrives from the item's editor,
  // which must not lose its item while it commits.
  connect(&m_stack, &QUndoStack::indexChanged, this,
          [this] { QTimer::singleShot(0, this, [this] { rebuild(); }); });
  rebuild();
}

std::vector<std::pair<const report::Component*, const report::Component*>> ReportTree::shape() const {
  std::vector<std::pair<const report::Component*, const report::Component*>> out;
  for (const report::Component* c : m_report.all_objects()) out.emplace_back(c, c->parent());
  return out;
}

void ReportTree::rebuild() {
  auto now = shape();
  if (now == m_shape && !m_items.empty()) {
    // Moves and property changes leave the tree as it is; a rename shows.
    m_quiet = true;
    for (auto& [component, item] : m_items)
      if (item->text(0) != qs(component->name()) && component != &m_report)
        item->setText(0, qs(component->name()));
    m_quiet = false;
    return;
  }
  m_shape = std::move(now);
  m_quiet = true;
  clear();
  m_items.clear();
  auto* root = new QTreeWidgetItem(
      this, {m_report.name().empty() ? QString("Raport") : qs(m_report.name()), qs(m_report.base_name())});
  root->setData(0, kComponentRole, QVariant::fromValue(static_cast<void*>(&m_report)));
  m_items[&m_report] = root;
  for (const auto& child : m_report.objects()) add(root, *child);
  expandAll();
  std::vector<report::Component*> chosen;
  for (const auto& ref : m_chosen)
    if (ref) chosen.push_back(ref.get());
  m_quiet = false;
  show_chosen(chosen);
}

void ReportTree::add(QTreeWidgetItem* parent, report::Component& c) {
  auto* item = new QTreeWidgetItem(parent, {qs(c.name()), qs(c.base_name())});
  item->setData(0, kComponentRole, QVariant::fromValue(static_cast<void*>(&c)));
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  m_items[&c] = item;
  for (const auto& child : c.objects()) add(item, *child);
}

report::Component* ReportTree::component_of(const QTreeWidgetItem* item) const {
  return item ? static_cast<report::Component*>(item->data(0, kComponentRole).value<void*>()) : nullptr;
}

QTreeWidgetItem* ReportTree::item_of(const report::Component* c) const {
  auto it = m_items.find(c);
  return it == m_items.end() ? nullptr : it->second;
}

void ReportTree::show_chosen(const std::vector<report::Component*>& components) {
  m_quiet = true;
  clearSelection();
  m_chosen.clear();
  for (report::Component* c : components)
    if (QTreeWidgetItem* item = item_of(c)) {
      item->setSelected(true);
      scrollToItem(item);
      m_chosen.emplace_back(c);
    }
  m_quiet = false;
}

void ReportTree::rename(QTreeWidgetItem* item) {
  report::Component* c = component_of(item);
  if (!c) return;
  const std::string name = core::trim(item->text(0).toStdString());
  if (name == c->name()) return;
  auto refuse = [&](const QString& message) {
    m_quiet = true;
    item->setText(0, qs(c->name()));
    m_quiet = false;
    m_prompts.show_error(this, message);
  };
  if (!report::is_valid_identifier(name)) return refuse(QString(kNotAName).arg(qs(name)));
  auto command = std::make_unique<RenameCommand>(m_surface, *c, name);
  try {
    command->apply();
  } catch (const std::exception& e) {
    return refuse(QString::fromUtf8(e.what()));
  }
  m_stack.push(command.release());
}

}  // namespace orvena::designer
