#include "designer/commands.h"

#include <algorithm>

#include "designer/design_surface.h"
#include "report/bands.h"
#include "report/copy.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::designer {

namespace {

void set_box(report::Component& c, const Box& b) {
  c.set_bounds(b.left, b.top, b.width, b.height);
}

}  // namespace

// ---- Geometry ------------------------------------------------------------------------------------

GeometryCommand::GeometryCommand(const QString& text, DesignSurface& surface,
                                 std::vector<GeometryChange> changes)
    : QUndoCommand(text), m_surface(surface), m_changes(std::move(changes)) {
  for (auto& change : m_changes) {
    change.parent_before = change.component->parent();
    change.index_before = change.component->index_in_parent();
    if (change.parent_after == change.parent_before) change.parent_after = nullptr;
    if (change.parent_after) m_reparents = true;
  }
}

void GeometryCommand::redo() {
  std::vector<report::Component*> changed;
  for (auto& change : m_changes) {
    if (change.parent_after) change.component->set_parent(change.parent_after);
    set_box(*change.component, change.after);
    changed.push_back(change.component);
  }
  m_surface.sync(changed);
}

void GeometryCommand::undo() {
  std::vector<report::Component*> changed;
  // Back in reverse, so that the indexes taken before the first move hold again.
  for (auto it = m_changes.rbegin(); it != m_changes.rend(); ++it) {
    if (it->parent_after) {
      it->component->set_parent(it->parent_before);
      it->component->move_to_index(static_cast<size_t>(it->index_before));
    }
    set_box(*it->component, it->before);
    changed.push_back(it->component);
  }
  m_surface.sync(changed);
}

// ---- Remove ---------------------------------------------------------------------------------------

RemoveCommand::RemoveCommand(const QString& text, DesignSurface& surface,
                             std::vector<report::Component*> objects)
    : QUndoCommand(text), m_surface(surface) {
  for (report::Component* c : objects) m_entries.push_back({c, c->parent(), c->index_in_parent(), nullptr});
  std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
    return a.parent != b.parent ? a.parent < b.parent : a.index < b.index;
  });
}

RemoveCommand::~RemoveCommand() = default;

void RemoveCommand::redo() {
  // From the back, so that the indexes of the ones still to go stay as recorded.
  for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it)
    it->owned = it->component->set_parent(nullptr);
  m_surface.rebuild();
}

void RemoveCommand::undo() {
  for (auto& e : m_entries) {
    e.parent->add(std::move(e.owned));
    e.component->move_to_index(static_cast<size_t>(e.index));
  }
  m_surface.rebuild();
}

// ---- Insert ---------------------------------------------------------------------------------------

InsertCommand::InsertCommand(const QString& text, DesignSurface& surface, report::Component& parent,
                             std::vector<std::unique_ptr<report::Component>> objects, QUndoCommand* group)
    : QUndoCommand(text, group), m_surface(surface), m_parent(parent), m_owned(std::move(objects)) {
  for (auto& c : m_owned) m_objects.push_back(c.get());
}

InsertCommand::~InsertCommand() = default;

void InsertCommand::redo() {
  report::Report* report = m_parent.report();
  if (!m_named && report) {
    // A copy keeps its name only where the report does not use it yet.
    for (auto& c : m_owned) {
      std::vector<report::Component*> tree = c->all_objects();
      tree.insert(tree.begin(), c.get());
      for (report::Component* part : tree)
        if (!part->name().empty() && report->name_index_find(part->name())) part->set_name("");
    }
  }
  for (auto& c : m_owned) m_parent.add(std::move(c));
  m_owned.clear();
  if (!m_named) {
    for (report::Component* c : m_objects) {
      std::vector<report::Component*> tree = c->all_objects();
      tree.insert(tree.begin(), c);
      for (report::Component* part : tree)
        if (part->name().empty()) part->create_unique_name();
    }
    m_named = true;
  }
  m_surface.rebuild();
  std::vector<report::View*> views;
  for (report::Component* c : m_objects)
    if (auto* v = dynamic_cast<report::View*>(c)) views.push_back(v);
  m_surface.select_views(views);
}

void InsertCommand::undo() {
  for (report::Component* c : m_objects) m_owned.push_back(c->set_parent(nullptr));
  m_surface.rebuild();
}

// ---- Text -----------------------------------------------------------------------------------------

TextCommand::TextCommand(DesignSurface& surface, report::CustomMemoView& memo, std::string text)
    : QUndoCommand(QStringLiteral("Zmiana tekstu")),
      m_surface(surface),
      m_memo(memo),
      m_before(memo.text()),
      m_after(std::move(text)) {}

void TextCommand::redo() {
  set(m_after);
}

void TextCommand::undo() {
  set(m_before);
}

void TextCommand::set(const std::string& text) {
  m_memo.set_text(text);
  m_surface.sync({&m_memo});
}

// ---- Properties ------------------------------------------------------------------------------------

std::unique_ptr<report::Component> snapshot(const report::Component& c) {
  if (auto* r = dynamic_cast<const report::Report*>(&c)) {
    // The report has no factory (it is the document's root) and its tree is not wanted here.
    auto copy = std::make_unique<report::Report>();
    report::copy_properties(*r, *copy);
    return copy;
  }
  return report::clone_component(c, report::CopyChildren::No);
}

namespace {

void put_back(const report::Component& from, report::Component& to) {
  report::copy_properties(from, to);
  // A font set through its leaves reaches the children that take their parent's font.
  if (!to.parent_font()) to.font_changed();
}

}  // namespace

PropertyCommand::PropertyCommand(const QString& text, DesignSurface& surface,
                                 std::vector<report::Component*> components, Edit edit)
    : QUndoCommand(text), m_surface(surface), m_edit(std::move(edit)) {
  for (report::Component* c : components) m_entries.push_back({c, snapshot(*c), nullptr});
}

PropertyCommand::~PropertyCommand() = default;

void PropertyCommand::apply() {
  try {
    for (auto& e : m_entries) m_edit(*e.component);
  } catch (...) {
    restore(false);
    throw;
  }
  for (auto& e : m_entries) e.after = snapshot(*e.component);
  m_applied = true;
  show();
}

void PropertyCommand::redo() {
  if (m_applied) {
    m_applied = false;
    return;
  }
  restore(true);
}

void PropertyCommand::undo() {
  restore(false);
}

void PropertyCommand::restore(bool after) {
  for (auto& e : m_entries) put_back(after ? *e.after : *e.before, *e.component);
  show();
}

void PropertyCommand::show() {
  std::vector<report::Component*> changed;
  bool whole_page = false;
  for (auto& e : m_entries) {
    changed.push_back(e.component);
    // Paper and margins move every band; the report's options show nowhere on the page.
    whole_page = whole_page || e.component->is(report::Page::static_class());
  }
  if (whole_page)
    m_surface.rebuild();
  else
    m_surface.sync(changed);
}

// ---- Name ------------------------------------------------------------------------------------------

RenameCommand::RenameCommand(DesignSurface& surface, report::Component& component, std::string name)
    : QUndoCommand(QStringLiteral("Zmiana nazwy")),
      m_surface(surface),
      m_component(component),
      m_before(component.name()),
      m_after(std::move(name)) {}

void RenameCommand::apply() {
  m_component.set_name(m_after);
  m_applied = true;
  m_surface.update();
}

void RenameCommand::redo() {
  if (m_applied) {
    m_applied = false;
    return;
  }
  m_component.set_name(m_after);
  m_surface.update();
}

void RenameCommand::undo() {
  m_component.set_name(m_before);
  m_surface.update();
}

// ---- Bands ----------------------------------------------------------------------------------------

AddBandCommand::AddBandCommand(DesignSurface& surface, report::ReportPage& page,
                               std::unique_ptr<report::Band> band, double top, std::vector<BandTop> moved,
                               report::Band* child_of, QUndoCommand* group)
    : QUndoCommand(QStringLiteral("Wstawienie pasma"), group),
      m_surface(surface),
      m_page(page),
      m_band(band.get()),
      m_owned(std::move(band)),
      m_top(top),
      m_moved(std::move(moved)),
      m_child_of(child_of && !child_of->child() ? child_of : nullptr) {
  for (const BandTop& b : m_moved) m_tops_before.push_back(b.band->top());
}

AddBandCommand::~AddBandCommand() = default;

void AddBandCommand::redo() {
  for (const BandTop& b : m_moved) b.band->set_top(b.top);
  m_band->set_bounds(0, m_top, m_page.printable_width(), m_band->height());
  m_page.add(std::move(m_owned));
  if (!m_named) {
    m_band->create_unique_name();
    m_named = true;
  }
  if (m_child_of) m_child_of->set_child(m_band);
  m_surface.rebuild();
}

void AddBandCommand::undo() {
  if (m_child_of) m_child_of->set_child(nullptr);
  m_owned = m_band->set_parent(nullptr);
  for (size_t i = 0; i < m_moved.size(); ++i) m_moved[i].band->set_top(m_tops_before[i]);
  m_surface.rebuild();
}

// ---- Data sources ---------------------------------------------------------------------------------

UseDataSetCommand::UseDataSetCommand(report::Report& report, report::DataSet& data_set, QUndoCommand* group)
    : QUndoCommand(group), m_report(report), m_data_set(data_set) {}

UseDataSetCommand::~UseDataSetCommand() = default;

void UseDataSetCommand::redo() {
  for (const auto& item : m_report.datasets)
    if (item->data.get() == &m_data_set) return;
  if (!m_owned) m_owned = std::make_unique<report::DataSetItem>(&m_report);
  m_owned->data.set(&m_data_set);
  m_added = m_owned.get();
  m_report.datasets.push_back(std::move(m_owned));
}

void UseDataSetCommand::undo() {
  auto& items = m_report.datasets;
  auto it =
      std::find_if(items.begin(), items.end(), [this](const auto& item) { return item.get() == m_added; });
  if (it == items.end()) return;
  m_owned = std::move(*it);
  items.erase(it);
  m_added = nullptr;
}

// ---- Properties -----------------------------------------------------------------------------------

StringPropertyCommand::StringPropertyCommand(DesignSurface& surface, report::Component& component,
                                             const report::PropInfo& prop, std::string value,
                                             QUndoCommand* group)
    : QUndoCommand(QStringLiteral("Zmiana %1").arg(QString::fromUtf8(prop.name.data(), prop.name.size())),
                   group),
      m_surface(surface),
      m_component(component),
      m_prop(prop),
      m_before(prop.get_string(component)),
      m_after(std::move(value)) {}

void StringPropertyCommand::redo() {
  set(m_after);
}

void StringPropertyCommand::undo() {
  set(m_before);
}

void StringPropertyCommand::set(const std::string& value) {
  m_prop.set_string(m_component, value);
  m_surface.sync({&m_component});
}

ScriptCommand::ScriptCommand(report::Report& report, std::vector<std::string> lines, QUndoCommand* group)
    : QUndoCommand(QStringLiteral("Zmiana skryptu"), group),
      m_report(report),
      m_before(report.script_text),
      m_after(std::move(lines)) {}

void ScriptCommand::redo() {
  m_report.script_text = m_after;
}

void ScriptCommand::undo() {
  m_report.script_text = m_before;
}

}  // namespace orvena::designer
