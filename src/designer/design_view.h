#pragma once
// The view of the design surface and the editing by hand: click, Shift+click and rubber-band
// selection; moving by mouse (snapped to the grid, into another band by dropping it there) and
// by the arrow keys (Ctrl: one pixel); resizing by the eight handles; a band's height by its
// lower edge; Delete; a double click edits a text object's text in place. Each finished gesture
// is one command on the undo stack. With an insert tool chosen, a press on a band places a new
// object there (a click at the tool's size, a drag by the rectangle drawn); fields of the data
// tree are dropped on bands. The window makes the objects: the view tells where.
#include <QGraphicsView>
#include <QPlainTextEdit>
#include <QPointer>
#include <optional>
#include <vector>

#include "designer/design_items.h"
#include "designer/layout_rules.h"

class QGraphicsRectItem;
class QUndoStack;

namespace orvena::report {
class Band;
class CustomMemoView;
class View;
}  // namespace orvena::report

namespace orvena::designer {

class DesignSurface;
struct ObjectTool;

// What the data tree drags (data_tree.h says what it holds).
inline constexpr const char* kDataMime = "application/x-orvena-data";

class DesignView : public QGraphicsView {
  Q_OBJECT

 public:
  DesignView(DesignSurface& surface, QUndoStack& stack, QWidget* parent = nullptr);

  DesignSurface& surface() const { return m_surface; }
  // Zoom 1 is 100 %: one screen pixel per report pixel.
  void set_zoom(double zoom);
  double zoom() const;

  // Commands on the selection.
  void delete_selection();
  void align_selection(AlignKind kind);
  void move_selection(double dx, double dy);
  // The in-place editor of a text object (null when none is open).
  void edit_text(report::CustomMemoView& memo);
  QPlainTextEdit* text_editor() const { return m_editor; }
  void commit_text();
  void cancel_text();

  // The class the next press on a band places (null: editing as usual).
  void set_insert_tool(const ObjectTool* tool);
  const ObjectTool* insert_tool() const { return m_tool; }

 Q_SIGNALS:
  // A new object of `tool`'s class wanted in `band` at `box`; the insert mode has ended.
  void object_drawn(const designer::ObjectTool* tool, report::Band* band, designer::Box box);
  // Something of the data tree dropped on `band` at `at` (band coordinates).
  void dropped(const QByteArray& payload, report::Band* band, QPointF at);
  void insert_tool_changed();
  // A double click on an object other than a text (its expression is edited) or on a band.
  void double_clicked(report::View* view, report::Band* band);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  enum class Gesture : uint8_t { None, Move, Resize, BandHeight, Rubber, Insert };
  struct Start {
    report::View* view;
    designer::Box box;
    QPointF scene;  // the object's top-left on the page
  };
  std::optional<std::pair<ObjectItem*, Handle>> handle_at(QPointF scene_pos) const;
  BandItem* band_edge_at(QPointF scene_pos) const;
  double snapped(double v) const;
  void drag_move(QPointF scene_pos);
  void finish_move(QPointF scene_pos);
  void drag_resize(QPointF scene_pos);
  void finish_resize(QPointF scene_pos);
  void drag_band(QPointF scene_pos);
  void finish_band(QPointF scene_pos);
  double band_height_at(QPointF scene_pos) const;
  designer::Box resized_box(QPointF scene_pos) const;

  DesignSurface& m_surface;
  QUndoStack& m_stack;
  Gesture m_gesture = Gesture::None;
  QPointF m_press;
  bool m_dragged = false;
  std::vector<Start> m_starts;
  report::View* m_grabbed = nullptr;
  ObjectItem* m_resized = nullptr;
  Handle m_handle = Handle::TopLeft;
  BandItem* m_band = nullptr;
  const ObjectTool* m_tool = nullptr;
  QGraphicsRectItem* m_drawn = nullptr;  // the rectangle being drawn
  void finish_insert(QPointF scene_pos);
  void drop_drawn();
  QPointer<QPlainTextEdit> m_editor;
  report::CustomMemoView* m_edited = nullptr;
};

}  // namespace orvena::designer
