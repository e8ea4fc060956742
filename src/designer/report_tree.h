#pragma once
// The report tree: the report, its pages, their bands and the bands' objects, beside the design
// surface. Choosing in the tree chooses on the surface and the other way round; a name edited in
// the tree renames the object as the inspector does (same rules, one undoable command).
#include <QTreeWidget>
#include <unordered_map>
#include <utility>
#include <vector>

#include "editor/prompts.h"
#include "report/component.h"

class QUndoStack;

namespace orvena::report {
class Report;
}

namespace orvena::designer {

class DesignSurface;

class ReportTree : public QTreeWidget {
  Q_OBJECT

 public:
  ReportTree(report::Report& report, DesignSurface& surface, QUndoStack& stack,
             const editor::Prompts& prompts, QWidget* parent = nullptr);

  // Items made anew from the report; when its shape is the one shown, only the names are set
  // again (the undo stack asks for this after every change).
  void rebuild();
  QTreeWidgetItem* item_of(const report::Component* c) const;
  report::Component* component_of(const QTreeWidgetItem* item) const;
  // Shows these as chosen without telling anyone (the surface chose them).
  void show_chosen(const std::vector<report::Component*>& components);

 Q_SIGNALS:
  // The operator chose these in the tree.
  void components_chosen(std::vector<report::Component*> components);

 private:
  void add(QTreeWidgetItem* parent, report::Component& c);
  // Every component of the report with its parent, parent before children.
  std::vector<std::pair<const report::Component*, const report::Component*>> shape() const;
  void rename(QTreeWidgetItem* item);

  report::Report& m_report;
  DesignSurface& m_surface;
  QUndoStack& m_stack;
  const editor::Prompts& m_prompts;
  std::vector<report::Ref<report::Component>> m_chosen;
  std::unordered_map<const report::Component*, QTreeWidgetItem*> m_items;
  std::vector<std::pair<const report::Component*, const report::Component*>> m_shape;
  bool m_quiet = false;
};

}  // namespace orvena::designer
