#pragma once
// Every change of the designer is one command on the window's undo stack. Commands change the
// report (the model) and tell the surface which components to show again. Objects taken out of
// the report are kept by the command that took them, so undo puts back the very same objects.
#include <QUndoCommand>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "designer/layout_rules.h"

namespace orvena::report {
class Band;
class Component;
class CustomMemoView;
class DataSet;
class DataSetItem;
class Report;
class ReportPage;
struct PropInfo;
}  // namespace orvena::report

namespace orvena::designer {

class DesignSurface;

// Position, size and parent of components (objects and bands).
struct GeometryChange {
  report::Component* component;
  Box before, after;
  report::Component* parent_after = nullptr;  // null: stays where it is
  // Filled in by the command.
  report::Component* parent_before = nullptr;
  int index_before = -1;
};

class GeometryCommand : public QUndoCommand {
 public:
  GeometryCommand(const QString& text, DesignSurface& surface, std::vector<GeometryChange> changes);
  void redo() override;
  void undo() override;

 private:
  DesignSurface& m_surface;
  std::vector<GeometryChange> m_changes;
  bool m_reparents = false;
};

// Objects taken out of the report (delete, cut).
class RemoveCommand : public QUndoCommand {
 public:
  RemoveCommand(const QString& text, DesignSurface& surface, std::vector<report::Component*> objects);
  ~RemoveCommand() override;
  void redo() override;
  void undo() override;

 private:
  struct Entry {
    report::Component* component;
    report::Component* parent;
    int index;
    std::unique_ptr<report::Component> owned;
  };
  DesignSurface& m_surface;
  std::vector<Entry> m_entries;  // by parent and index, ascending
};

// Objects put into a band (paste). Names already used in the report are replaced by new ones.
class InsertCommand : public QUndoCommand {
 public:
  InsertCommand(const QString& text, DesignSurface& surface, report::Component& parent,
                std::vector<std::unique_ptr<report::Component>> objects, QUndoCommand* group = nullptr);
  ~InsertCommand() override;
  void redo() override;
  void undo() override;
  const std::vector<report::Component*>& objects() const { return m_objects; }

 private:
  DesignSurface& m_surface;
  report::Component& m_parent;
  std::vector<report::Component*> m_objects;
  std::vector<std::unique_ptr<report::Component>> m_owned;  // while not in the report
  bool m_named = false;
};

// A text object's text.
class TextCommand : public QUndoCommand {
 public:
  TextCommand(DesignSurface& surface, report::CustomMemoView& memo, std::string text);
  void redo() override;
  void undo() override;

 private:
  void set(const std::string& text);
  DesignSurface& m_surface;
  report::CustomMemoView& m_memo;
  std::string m_before, m_after;
};

// Properties of components changed by one edit: an inspector row, a dialog. Every property of
// each component is kept before and after the edit, so undo and redo put back all of them, nested
// objects and a fill whose kind changed included.
class PropertyCommand : public QUndoCommand {
 public:
  using Edit = std::function<void(report::Component&)>;
  PropertyCommand(const QString& text, DesignSurface& surface, std::vector<report::Component*> components,
                  Edit edit);
  ~PropertyCommand() override;
  // Applies the edit to every component. When it throws for one, all are put back as they were
  // and the error goes on to the caller, who then does not push the command.
  void apply();
  void redo() override;
  void undo() override;

 private:
  struct Entry {
    report::Component* component;
    std::unique_ptr<report::Component> before, after;
  };
  void restore(bool after);
  void show();
  DesignSurface& m_surface;
  std::vector<Entry> m_entries;
  Edit m_edit;
  bool m_applied = false;  // the first redo finds the edit made by apply()
};

// A component's name. apply() renames (throwing the model's error for a taken or bad name).
class RenameCommand : public QUndoCommand {
 public:
  RenameCommand(DesignSurface& surface, report::Component& component, std::string name);
  void apply();
  void redo() override;
  void undo() override;

 private:
  DesignSurface& m_surface;
  report::Component& m_component;
  std::string m_before, m_after;
  bool m_applied = false;
};

// A copy of the component's own properties (no children), kept by commands to put them back.
std::unique_ptr<report::Component> snapshot(const report::Component& c);

// A band added to a page at its place; the bands below move down (band_placement.h). A child
// band may become the child of the band it follows.
class AddBandCommand : public QUndoCommand {
 public:
  AddBandCommand(DesignSurface& surface, report::ReportPage& page, std::unique_ptr<report::Band> band,
                 double top, std::vector<BandTop> moved, report::Band* child_of, QUndoCommand* group);
  ~AddBandCommand() override;
  void redo() override;
  void undo() override;
  report::Band& band() const { return *m_band; }

 private:
  DesignSurface& m_surface;
  report::ReportPage& m_page;
  report::Band* m_band;
  std::unique_ptr<report::Component> m_owned;  // while not in the report
  double m_top;
  std::vector<BandTop> m_moved;
  std::vector<double> m_tops_before;
  report::Band* m_child_of;
  bool m_named = false;
};

// A data source joins the report's Datasets, so that its fields are read in a run; nothing when
// it is there already.
class UseDataSetCommand : public QUndoCommand {
 public:
  UseDataSetCommand(report::Report& report, report::DataSet& data_set, QUndoCommand* group);
  ~UseDataSetCommand() override;
  void redo() override;
  void undo() override;

 private:
  report::Report& m_report;
  report::DataSet& m_data_set;
  std::unique_ptr<report::DataSetItem> m_owned;
  report::DataSetItem* m_added = nullptr;
};

// One text property of a component (an event handler's name, a condition, an expression).
class StringPropertyCommand : public QUndoCommand {
 public:
  StringPropertyCommand(DesignSurface& surface, report::Component& component, const report::PropInfo& prop,
                        std::string value, QUndoCommand* group = nullptr);
  void redo() override;
  void undo() override;

 private:
  void set(const std::string& value);
  DesignSurface& m_surface;
  report::Component& m_component;
  const report::PropInfo& m_prop;
  std::string m_before, m_after;
};

// The report's script.
class ScriptCommand : public QUndoCommand {
 public:
  ScriptCommand(report::Report& report, std::vector<std::string> lines, QUndoCommand* group = nullptr);
  void redo() override;
  void undo() override;

 private:
  report::Report& m_report;
  std::vector<std::string> m_before, m_after;
};

}  // namespace orvena::designer
