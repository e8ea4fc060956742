#include "designer/design_surface.h"

#include <algorithm>

#include "designer/design_items.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/units.h"
#include "report/views.h"

namespace orvena::designer {

namespace {

// Room around the paper for its shadow and for dragging at the edges.
constexpr double kSceneMargin = 24;

}  // namespace

DesignSurface::DesignSurface(QObject* parent) : QGraphicsScene(parent) {
  // Picking and repainting among thousands of objects ask the index for what is under a point.
  setItemIndexMethod(QGraphicsScene::BspTreeIndex);
  setBackgroundBrush(QColor(128, 132, 140));
  connect(this, &QGraphicsScene::selectionChanged, this, [this] { track_selection(); });
}

DesignSurface::~DesignSurface() {
  // Items refer to the surface while they go.
  disconnect(this, nullptr, this, nullptr);
  clear();
}

void DesignSurface::show_page(report::ReportPage* page) {
  m_order.clear();
  m_page = page;
  rebuild();
}

void DesignSurface::rebuild() {
  std::vector<report::View*> kept = selected_views();
  const QSignalBlocker quiet(this);
  clear();
  m_items.clear();
  m_band_items.clear();
  m_order.clear();
  m_page_item = nullptr;
  if (!m_page) {
    setSceneRect(QRectF());
    return;
  }
  // The margins of the first printed page (mirrored margins change only the even ones).
  m_offset = QPointF(m_page->left_margin * report::kUnitsPerMm - m_page->left(),
                     m_page->top_margin * report::kUnitsPerMm - m_page->top());
  m_page_item = new PageItem(*this, *m_page);
  addItem(m_page_item);
  for (const auto& child : m_page->objects())
    if (auto* band = dynamic_cast<report::Band*>(child.get())) add_band(*band);
  update_scene_rect();
  std::erase_if(kept, [this](report::View* v) { return !m_items.contains(v); });
  for (report::View* v : kept) item_of(v)->setSelected(true);
  track_selection();
  Q_EMIT selection_order_changed();
}

void DesignSurface::add_band(report::Band& band) {
  auto* item = new BandItem(*this, band);
  item->setParentItem(m_page_item);
  m_band_items.push_back(item);
  m_items[&band] = item;
  for (const auto& child : band.objects())
    if (auto* view = dynamic_cast<report::View*>(child.get())) {
      auto* object = new ObjectItem(*this, *view);
      object->setParentItem(item);
      m_items[view] = object;
    }
}

void DesignSurface::sync(const std::vector<report::Component*>& changed) {
  for (report::Component* c : changed) {
    auto it = m_items.find(c);
    if (it == m_items.end()) continue;
    if (auto* band = qgraphicsitem_cast<BandItem*>(it->second)) {
      band->sync();
    } else if (auto* object = qgraphicsitem_cast<ObjectItem*>(it->second)) {
      // A move into another band: the item changes parent with its object.
      if (auto* band_item = item_of(dynamic_cast<report::Band*>(c->parent()));
          band_item && object->parentItem() != band_item)
        object->setParentItem(band_item);
      object->sync();
    }
  }
}

void DesignSurface::set_zoom(double zoom) {
  if (zoom == m_zoom) return;
  m_zoom = zoom;
  update_scene_rect();
  for (auto& [component, item] : m_items)
    if (auto* object = qgraphicsitem_cast<ObjectItem*>(item)) object->invalidate();
  update();
}

void DesignSurface::set_grid_visible(bool on) {
  m_grid_visible = on;
  update();
}

void DesignSurface::set_grid_unit(GridUnit unit) {
  m_grid_unit = unit;
  update();
}

void DesignSurface::set_labels_visible(bool on) {
  m_labels_visible = on;
  update();
}

void DesignSurface::update_scene_rect() {
  if (!m_page) return;
  // The band names' gutter keeps its screen width at every zoom.
  const double gutter = kLabelGutterPixels / m_zoom;
  setSceneRect(paper_rect().adjusted(-kSceneMargin - gutter, -kSceneMargin, kSceneMargin, kSceneMargin));
}

QRectF DesignSurface::paper_rect() const {
  return m_page ? QRectF(0, 0, m_page->width(), m_page->height()) : QRectF();
}

QPointF DesignSurface::band_origin(const report::Band& band) const {
  return m_offset + QPointF(band.left(), band.top());
}

BandItem* DesignSurface::band_at(QPointF scene_pos) const {
  // The last band drawn is the one on top where bands overlap.
  for (auto it = m_band_items.rbegin(); it != m_band_items.rend(); ++it) {
    const report::Band& b = (*it)->band();
    if (QRectF(band_origin(b), QSizeF(b.width(), b.height())).contains(scene_pos)) return *it;
  }
  return nullptr;
}

BandItem* DesignSurface::item_of(const report::Band* band) const {
  auto it = m_items.find(band);
  return it == m_items.end() ? nullptr : qgraphicsitem_cast<BandItem*>(it->second);
}

ObjectItem* DesignSurface::item_of(const report::View* view) const {
  auto it = m_items.find(view);
  return it == m_items.end() ? nullptr : qgraphicsitem_cast<ObjectItem*>(it->second);
}

ObjectItem* DesignSurface::object_at(QPointF scene_pos) const {
  for (QGraphicsItem* item : items(scene_pos, Qt::IntersectsItemShape, Qt::DescendingOrder))
    if (auto* object = qgraphicsitem_cast<ObjectItem*>(item)) return object;
  return nullptr;
}

void DesignSurface::track_selection() {
  std::erase_if(m_order, [](ObjectItem* item) { return !item->isSelected(); });
  // Newly selected items join at the end, in reading order among themselves (a rubber band
  // selects many at once).
  std::vector<ObjectItem*> added;
  for (QGraphicsItem* item : selectedItems())
    if (auto* object = qgraphicsitem_cast<ObjectItem*>(item);
        object && std::find(m_order.begin(), m_order.end(), object) == m_order.end())
      added.push_back(object);
  std::sort(added.begin(), added.end(), [](ObjectItem* a, ObjectItem* b) {
    QPointF pa = a->scenePos(), pb = b->scenePos();
    return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
  });
  m_order.insert(m_order.end(), added.begin(), added.end());
  Q_EMIT selection_order_changed();
}

std::vector<report::View*> DesignSurface::selected_views() const {
  std::vector<report::View*> out;
  for (ObjectItem* item : m_order) out.push_back(&item->view());
  return out;
}

void DesignSurface::select_views(const std::vector<report::View*>& views) {
  {
    const QSignalBlocker quiet(this);
    clearSelection();
    m_order.clear();
  }
  for (report::View* v : views)
    if (ObjectItem* item = item_of(v)) {
      item->setSelected(true);
      if (std::find(m_order.begin(), m_order.end(), item) == m_order.end()) m_order.push_back(item);
    }
  Q_EMIT selection_order_changed();
}

}  // namespace orvena::designer
