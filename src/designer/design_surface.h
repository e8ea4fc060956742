#pragma once
// The design surface of one report page: a QGraphicsScene holding the paper, its bands and their
// objects as items, kept in step with the report after every change. The report is the model;
// items only show it.
//
//   DesignSurface surface;
//   surface.show_page(page);                  // items made for the page
//   band->set_height(40); surface.sync({band});
#include <QGraphicsScene>
#include <unordered_map>
#include <vector>

#include "designer/layout_rules.h"

namespace orvena::report {
class Band;
class Component;
class ReportPage;
class View;
}  // namespace orvena::report

namespace orvena::designer {

class BandItem;
class ObjectItem;
class PageItem;

class DesignSurface : public QGraphicsScene {
  Q_OBJECT

 public:
  explicit DesignSurface(QObject* parent = nullptr);
  ~DesignSurface() override;

  // Items for `page` (none for nullptr), made anew; the selection is dropped.
  void show_page(report::ReportPage* page);
  report::ReportPage* page() const { return m_page; }
  // Items made anew for the page shown, keeping the selection of objects still on it.
  void rebuild();
  // The items of these components follow the model again; components not shown are skipped.
  void sync(const std::vector<report::Component*>& changed);

  // Objects are drawn at this many device pixels per report pixel.
  void set_zoom(double zoom);
  double zoom() const { return m_zoom; }
  void set_grid_visible(bool on);
  bool grid_visible() const { return m_grid_visible; }
  void set_grid_unit(GridUnit unit);
  GridUnit grid_unit() const { return m_grid_unit; }
  double grid_step() const { return designer::grid_step(m_grid_unit); }
  void set_snap(bool on) { m_snap = on; }
  bool snapping() const { return m_snap; }
  // Band strips with their names; off, the page shows only what prints.
  void set_labels_visible(bool on);
  bool labels_visible() const { return m_labels_visible; }

  // Where the page's margins put its bands (scene = report pixels from the paper's corner).
  QPointF page_offset() const { return m_offset; }
  QRectF paper_rect() const;
  QPointF band_origin(const report::Band& band) const;
  const std::vector<BandItem*>& band_items() const { return m_band_items; }
  BandItem* band_at(QPointF scene_pos) const;
  BandItem* item_of(const report::Band* band) const;
  ObjectItem* item_of(const report::View* view) const;
  ObjectItem* object_at(QPointF scene_pos) const;

  // The selected objects in the order they were selected (the first is the reference of the
  // alignment commands).
  std::vector<report::View*> selected_views() const;
  void select_views(const std::vector<report::View*>& views);

 Q_SIGNALS:
  void selection_order_changed();

 private:
  void add_band(report::Band& band);
  void update_scene_rect();
  void track_selection();

  report::ReportPage* m_page = nullptr;
  PageItem* m_page_item = nullptr;
  std::vector<BandItem*> m_band_items;
  std::unordered_map<const report::Component*, QGraphicsItem*> m_items;
  std::vector<ObjectItem*> m_order;
  QPointF m_offset;
  double m_zoom = 1;
  bool m_grid_visible = true;
  bool m_snap = true;
  bool m_labels_visible = true;
  GridUnit m_grid_unit = GridUnit::Pixels;
};

}  // namespace orvena::designer
