#include "designer/design_view.h"

#include <QApplication>
#include <QGraphicsRectItem>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QUndoStack>
#include <cmath>

#include "designer/commands.h"
#include "designer/design_surface.h"
#include "designer/object_tools.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/views.h"

namespace orvena::designer {

namespace {

// How near a band's lower edge the pointer takes the edge rather than what lies there.
constexpr double kEdgePixels = 3;
// How far the pointer must go before a press becomes a drag.
int drag_distance() {
  return QApplication::startDragDistance();
}

report::Band& band_of(const report::View& view) {
  return *static_cast<report::Band*>(view.parent());
}

std::string editor_to_text(const QString& s) {
  std::string text = s.toStdString(), out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

DesignView::DesignView(DesignSurface& surface, QUndoStack& stack, QWidget* parent)
    : QGraphicsView(&surface, parent), m_surface(surface), m_stack(stack) {
  setDragMode(QGraphicsView::RubberBandDrag);
  setRubberBandSelectionMode(Qt::IntersectsItemShape);
  setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
  setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  setAcceptDrops(true);
}

void DesignView::set_zoom(double zoom) {
  setTransform(QTransform::fromScale(zoom, zoom));
  m_surface.set_zoom(zoom);
}

double DesignView::zoom() const {
  return transform().m11();
}

double DesignView::snapped(double v) const {
  return m_surface.snapping() ? snap(v, m_surface.grid_step()) : v;
}

std::optional<std::pair<ObjectItem*, Handle>> DesignView::handle_at(QPointF p) const {
  const double half = kHandlePixels / zoom() / 2 + 1 / zoom();
  for (report::View* v : m_surface.selected_views()) {
    ObjectItem* item = m_surface.item_of(v);
    if (!item) continue;
    auto points = item->handle_points();
    for (int i = 0; i < kHandleCount; ++i) {
      QPointF c = item->mapToScene(points[static_cast<size_t>(i)]);
      if (std::abs(p.x() - c.x()) <= half && std::abs(p.y() - c.y()) <= half)
        return std::pair{item, static_cast<Handle>(i)};
    }
  }
  return std::nullopt;
}

BandItem* DesignView::band_edge_at(QPointF p) const {
  const double slack = kEdgePixels / zoom();
  for (BandItem* item : m_surface.band_items()) {
    const report::Band& b = item->band();
    const QPointF o = m_surface.band_origin(b);
    if (p.x() >= o.x() && p.x() <= o.x() + b.width() && std::abs(p.y() - (o.y() + b.height())) <= slack)
      return item;
  }
  return nullptr;
}

void DesignView::mousePressEvent(QMouseEvent* event) {
  if (m_editor) commit_text();
  if (event->button() != Qt::LeftButton) return QGraphicsView::mousePressEvent(event);
  const QPointF p = mapToScene(event->position().toPoint());
  m_press = p;
  m_dragged = false;
  m_starts.clear();
  if (m_tool) {
    // A press outside every band places nothing and keeps the tool.
    m_band = m_surface.band_at(p);
    m_gesture = m_band ? Gesture::Insert : Gesture::None;
    return;
  }
  if (auto handle = handle_at(p)) {
    m_gesture = Gesture::Resize;
    m_resized = handle->first;
    m_handle = handle->second;
    report::View& v = m_resized->view();
    m_starts.push_back({&v, box_of(v), {}});
    return;
  }
  if (BandItem* band = band_edge_at(p)) {
    m_gesture = Gesture::BandHeight;
    m_band = band;
    return;
  }
  if (ObjectItem* item = m_surface.object_at(p)) {
    if (event->modifiers() & Qt::ShiftModifier) {
      item->setSelected(!item->isSelected());
      m_gesture = Gesture::None;
      return;
    }
    if (!item->isSelected()) m_surface.select_views({&item->view()});
    m_gesture = Gesture::Move;
    m_grabbed = &item->view();
    for (report::View* v : m_surface.selected_views())
      m_starts.push_back({v, box_of(*v), m_surface.band_origin(band_of(*v)) + QPointF(v->left(), v->top())});
    return;
  }
  if (!(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) m_surface.clearSelection();
  m_gesture = Gesture::Rubber;
  QGraphicsView::mousePressEvent(event);
}

void DesignView::mouseMoveEvent(QMouseEvent* event) {
  const QPointF p = mapToScene(event->position().toPoint());
  if (!m_dragged && m_gesture != Gesture::None && m_gesture != Gesture::Rubber) {
    const QPoint moved = mapFromScene(p) - mapFromScene(m_press);
    if (moved.manhattanLength() < drag_distance()) return;
    m_dragged = true;
  }
  switch (m_gesture) {
    case Gesture::Move:
      return drag_move(p);
    case Gesture::Resize:
      return drag_resize(p);
    case Gesture::BandHeight:
      return drag_band(p);
    case Gesture::Rubber:
      return QGraphicsView::mouseMoveEvent(event);
    case Gesture::Insert: {
      if (!m_drawn || !m_surface.items().contains(m_drawn)) {
        m_drawn = m_surface.addRect(QRectF(), QPen(Qt::darkBlue, 0, Qt::DashLine));
        m_drawn->setZValue(1e6);
      }
      m_drawn->setRect(QRectF(m_press, p).normalized());
      return;
    }
    case Gesture::None:
      break;
  }
  // The pointer tells what a press would take.
  if (auto handle = handle_at(p)) {
    const Handle h = handle->second;
    const bool diagonal_down = h == Handle::TopLeft || h == Handle::BottomRight;
    const bool diagonal_up = h == Handle::TopRight || h == Handle::BottomLeft;
    const bool horizontal = h == Handle::Left || h == Handle::Right;
    viewport()->setCursor(diagonal_down ? Qt::SizeFDiagCursor
                          : diagonal_up ? Qt::SizeBDiagCursor
                          : horizontal  ? Qt::SizeHorCursor
                                        : Qt::SizeVerCursor);
  } else if (band_edge_at(p)) {
    viewport()->setCursor(Qt::SizeVerCursor);
  } else {
    viewport()->unsetCursor();
  }
  QGraphicsView::mouseMoveEvent(event);
}

void DesignView::mouseReleaseEvent(QMouseEvent* event) {
  const QPointF p = mapToScene(event->position().toPoint());
  const Gesture gesture = std::exchange(m_gesture, Gesture::None);
  if (event->button() == Qt::LeftButton && m_dragged) {
    if (gesture == Gesture::Move) finish_move(p);
    if (gesture == Gesture::Resize) finish_resize(p);
    if (gesture == Gesture::BandHeight) finish_band(p);
  }
  if (gesture == Gesture::Insert && event->button() == Qt::LeftButton) finish_insert(p);
  m_starts.clear();
  if (gesture == Gesture::Rubber || gesture == Gesture::None) QGraphicsView::mouseReleaseEvent(event);
}

void DesignView::drop_drawn() {
  // The surface made anew meanwhile (an undo) has taken the rectangle with its other items.
  QGraphicsRectItem* drawn = std::exchange(m_drawn, nullptr);
  if (drawn && m_surface.items().contains(drawn)) delete drawn;
}

// ---- Inserting ------------------------------------------------------------------------------------

void DesignView::set_insert_tool(const ObjectTool* tool) {
  if (m_tool == tool) return;
  m_tool = tool;
  if (tool) m_surface.clearSelection();
  viewport()->setCursor(tool ? Qt::CrossCursor : Qt::ArrowCursor);
  Q_EMIT insert_tool_changed();
}

void DesignView::finish_insert(QPointF p) {
  drop_drawn();
  report::Band* band = &m_band->band();
  const QPointF origin = m_surface.band_origin(*band);
  const designer::Box box = drawn_box(*m_tool, snapped(m_press.x() - origin.x()),
                                      snapped(m_press.y() - origin.y()), snapped(p.x() - origin.x()),
                                      snapped(p.y() - origin.y()), m_dragged, band->width(), band->height());
  const ObjectTool* tool = m_tool;
  set_insert_tool(nullptr);
  Q_EMIT object_drawn(tool, band, box);
}

// ---- Dropping from the data tree ------------------------------------------------------------------

void DesignView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(kDataMime))
    event->acceptProposedAction();
  else
    event->ignore();
}

void DesignView::dragMoveEvent(QDragMoveEvent* event) {
  BandItem* band = m_surface.band_at(mapToScene(event->position().toPoint()));
  if (!event->mimeData()->hasFormat(kDataMime) || !band) {
    drop_drawn();
    return event->ignore();
  }
  event->acceptProposedAction();
  // The band that would take the drop is outlined.
  if (!m_drawn || !m_surface.items().contains(m_drawn)) {
    m_drawn = m_surface.addRect(QRectF(), QPen(QColor(0, 90, 200), 0, Qt::DashLine), QColor(0, 90, 200, 40));
    m_drawn->setZValue(1e6);
  }
  m_drawn->setRect(
      QRectF(m_surface.band_origin(band->band()), QSizeF(band->band().width(), band->band().height())));
}

void DesignView::dragLeaveEvent(QDragLeaveEvent* event) {
  drop_drawn();
  event->accept();
}

void DesignView::dropEvent(QDropEvent* event) {
  drop_drawn();
  const QPointF p = mapToScene(event->position().toPoint());
  BandItem* band = m_surface.band_at(p);
  if (!band || !event->mimeData()->hasFormat(kDataMime)) return event->ignore();
  event->acceptProposedAction();
  const QPointF at = p - m_surface.band_origin(band->band());
  Q_EMIT dropped(event->mimeData()->data(kDataMime), &band->band(),
                 QPointF(snapped(at.x()), snapped(at.y())));
}

// ---- Moving ---------------------------------------------------------------------------------------

void DesignView::drag_move(QPointF p) {
  const Start* grabbed = nullptr;
  for (const Start& s : m_starts)
    if (s.view == m_grabbed) grabbed = &s;
  if (!grabbed) return;
  // The grabbed object lands on the grid; the others keep their distance to it.
  const double dx = snapped(grabbed->box.left + p.x() - m_press.x()) - grabbed->box.left;
  const double dy = snapped(grabbed->box.top + p.y() - m_press.y()) - grabbed->box.top;
  for (const Start& s : m_starts)
    if (ObjectItem* item = m_surface.item_of(s.view)) item->setPos(s.box.left + dx, s.box.top + dy);
}

void DesignView::finish_move(QPointF p) {
  const Start* grabbed = nullptr;
  for (const Start& s : m_starts)
    if (s.view == m_grabbed) grabbed = &s;
  if (!grabbed) return;
  const double dx = snapped(grabbed->box.left + p.x() - m_press.x()) - grabbed->box.left;
  const double dy = snapped(grabbed->box.top + p.y() - m_press.y()) - grabbed->box.top;
  // Dropped on another band, the objects become that band's.
  BandItem* target = m_surface.band_at(p);
  std::vector<GeometryChange> changes;
  std::vector<report::Component*> unchanged;
  for (const Start& s : m_starts) {
    report::Band* band = &band_of(*s.view);
    if (target && &target->band() != band) band = &target->band();
    const QPointF local = s.scene + QPointF(dx, dy) - m_surface.band_origin(*band);
    designer::Box box{local.x(), local.y(), s.box.width, s.box.height};
    if (band != s.view->parent()) box.left = snapped(box.left), box.top = snapped(box.top);
    box = keep_inside(box, band->width(), band->height());
    if (box == s.box && band == s.view->parent()) {
      unchanged.push_back(s.view);
      continue;
    }
    changes.push_back({s.view, s.box, box, band});
  }
  m_surface.sync(unchanged);
  if (!changes.empty())
    m_stack.push(new GeometryCommand(QStringLiteral("Przesunięcie"), m_surface, std::move(changes)));
}

void DesignView::move_selection(double dx, double dy) {
  std::vector<GeometryChange> changes;
  for (report::View* v : m_surface.selected_views()) {
    const designer::Box before = box_of(*v);
    designer::Box after = before;
    after.left += dx;
    after.top += dy;
    after = keep_inside(after, v->parent()->width(), v->parent()->height());
    if (after != before) changes.push_back({v, before, after});
  }
  if (!changes.empty())
    m_stack.push(new GeometryCommand(QStringLiteral("Przesunięcie"), m_surface, std::move(changes)));
}

// ---- Resizing -------------------------------------------------------------------------------------

designer::Box DesignView::resized_box(QPointF p) const {
  const designer::Box b = m_starts.front().box;
  const report::Band& band = band_of(*m_starts.front().view);
  const QPointF local = p - m_surface.band_origin(band);
  const double x = std::clamp(snapped(local.x()), 0.0, band.width());
  const double y = std::clamp(snapped(local.y()), 0.0, band.height());
  double l = b.left, t = b.top, r = b.right(), bottom = b.bottom();
  switch (m_handle) {
    case Handle::TopLeft:
      l = x, t = y;
      break;
    case Handle::Top:
      t = y;
      break;
    case Handle::TopRight:
      r = x, t = y;
      break;
    case Handle::Right:
      r = x;
      break;
    case Handle::BottomRight:
      r = x, bottom = y;
      break;
    case Handle::Bottom:
      bottom = y;
      break;
    case Handle::BottomLeft:
      l = x, bottom = y;
      break;
    case Handle::Left:
      l = x;
      break;
  }
  // An edge dragged past the opposite one stops there: the object never turns inside out.
  l = std::min(l, b.right()), r = std::max(r, b.left);
  t = std::min(t, b.bottom()), bottom = std::max(bottom, b.top);
  return {l, t, r - l, bottom - t};
}

void DesignView::drag_resize(QPointF p) {
  const designer::Box box = resized_box(p);
  m_resized->show_box(QRectF(box.left, box.top, box.width, box.height));
}

void DesignView::finish_resize(QPointF p) {
  const Start& s = m_starts.front();
  const designer::Box box = resized_box(p);
  if (box == s.box) return m_surface.sync({s.view});
  m_stack.push(new GeometryCommand(QStringLiteral("Zmiana rozmiaru"), m_surface, {{s.view, s.box, box}}));
}

// ---- Band height ----------------------------------------------------------------------------------

double DesignView::band_height_at(QPointF p) const {
  const report::Band& band = m_band->band();
  const double h = snapped(band.height() + p.y() - m_press.y());
  return std::max(h, min_band_height(band));
}

void DesignView::drag_band(QPointF p) {
  const report::Band& band = m_band->band();
  const double h = band_height_at(p);
  m_band->show_height(h);
  for (const BandTop& below :
       bands_below_after_resize(*static_cast<report::ReportPage*>(band.parent()), band, h))
    if (BandItem* item = m_surface.item_of(below.band))
      item->setPos(m_surface.page_offset() + QPointF(below.band->left(), below.top));
}

void DesignView::finish_band(QPointF p) {
  report::Band& band = m_band->band();
  const double h = band_height_at(p);
  std::vector<report::Component*> bands{&band};
  auto below = bands_below_after_resize(*static_cast<report::ReportPage*>(band.parent()), band, h);
  for (const BandTop& b : below) bands.push_back(b.band);
  if (h == band.height()) return m_surface.sync(bands);
  designer::Box before = box_of(band), after = before;
  after.height = h;
  std::vector<GeometryChange> changes{{&band, before, after}};
  for (const BandTop& b : below) {
    designer::Box moved = box_of(*b.band);
    moved.top = b.top;
    changes.push_back({b.band, box_of(*b.band), moved});
  }
  m_stack.push(new GeometryCommand(QStringLiteral("Wysokość pasma"), m_surface, std::move(changes)));
}

// ---- Commands -------------------------------------------------------------------------------------

void DesignView::delete_selection() {
  std::vector<report::Component*> objects;
  for (report::View* v : m_surface.selected_views()) objects.push_back(v);
  if (!objects.empty())
    m_stack.push(new RemoveCommand(QStringLiteral("Usunięcie"), m_surface, std::move(objects)));
}

void DesignView::align_selection(AlignKind kind) {
  std::vector<report::View*> views = m_surface.selected_views();
  if (views.size() < 2) return;
  std::vector<designer::Box> boxes;
  for (report::View* v : views) boxes.push_back(box_of(*v));
  std::vector<designer::Box> aligned = align_boxes(boxes, kind);
  std::vector<GeometryChange> changes;
  for (size_t i = 0; i < views.size(); ++i) {
    const designer::Box box =
        keep_inside(aligned[i], views[i]->parent()->width(), views[i]->parent()->height());
    if (box != boxes[i]) changes.push_back({views[i], boxes[i], box});
  }
  if (!changes.empty())
    m_stack.push(new GeometryCommand(QStringLiteral("Wyrównanie"), m_surface, std::move(changes)));
}

void DesignView::keyPressEvent(QKeyEvent* event) {
  const bool fine = event->modifiers() & Qt::ControlModifier;
  const double step = fine || !m_surface.snapping() ? 1 : m_surface.grid_step();
  switch (event->key()) {
    case Qt::Key_Left:
      return move_selection(-step, 0);
    case Qt::Key_Right:
      return move_selection(step, 0);
    case Qt::Key_Up:
      return move_selection(0, -step);
    case Qt::Key_Down:
      return move_selection(0, step);
    case Qt::Key_Delete:
      return delete_selection();
    case Qt::Key_Escape:
      if (m_tool) return set_insert_tool(nullptr);
      return m_surface.clearSelection();
    default:
      QGraphicsView::keyPressEvent(event);
  }
}

// ---- Text in place --------------------------------------------------------------------------------

void DesignView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPointF p = mapToScene(event->position().toPoint());
  if (ObjectItem* item = m_surface.object_at(p)) {
    if (auto* memo = dynamic_cast<report::CustomMemoView*>(&item->view())) return edit_text(*memo);
    return Q_EMIT double_clicked(&item->view(), nullptr);
  }
  if (BandItem* band = m_surface.band_at(p)) return Q_EMIT double_clicked(nullptr, &band->band());
  QGraphicsView::mouseDoubleClickEvent(event);
}

void DesignView::edit_text(report::CustomMemoView& memo) {
  if (m_editor) commit_text();
  ObjectItem* item = m_surface.item_of(&memo);
  if (!item) return;
  m_edited = &memo;
  m_editor = new QPlainTextEdit(viewport());
  m_editor->setObjectName("text_in_place");
  QString text = QString::fromStdString(memo.text());
  text.replace("\r\n", "\n");
  m_editor->setPlainText(text);
  const QRect area = mapFromScene(item->mapToScene(item->rect())).boundingRect();
  m_editor->setGeometry(area.adjusted(0, 0, 0, std::max(0, 48 - area.height())));
  m_editor->installEventFilter(this);
  m_editor->show();
  m_editor->setFocus();
  m_editor->selectAll();
}

void DesignView::commit_text() {
  if (!m_editor || !m_edited) return;
  report::CustomMemoView* memo = std::exchange(m_edited, nullptr);
  const std::string text = editor_to_text(m_editor->toPlainText());
  m_editor->removeEventFilter(this);
  m_editor->hide();
  m_editor->deleteLater();
  m_editor = nullptr;
  if (text != memo->text()) m_stack.push(new TextCommand(m_surface, *memo, text));
  setFocus();
}

void DesignView::cancel_text() {
  if (!m_editor) return;
  m_edited = nullptr;
  m_editor->removeEventFilter(this);
  m_editor->hide();
  m_editor->deleteLater();
  m_editor = nullptr;
  setFocus();
}

bool DesignView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_editor) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape) {
        cancel_text();
        return true;
      }
      // Enter starts a new line in the text; Ctrl+Enter ends the edit.
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
          (key->modifiers() & Qt::ControlModifier)) {
        commit_text();
        return true;
      }
    } else if (event->type() == QEvent::FocusOut) {
      commit_text();
    }
  }
  return QGraphicsView::eventFilter(watched, event);
}

}  // namespace orvena::designer
