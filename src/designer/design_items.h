#pragma once
// The items of the design surface: the paper with its margins and grid, a band as a strip named
// in a gutter left of the paper, and an object showing the engine's drawing of it. Scene units are report
// pixels; the view's transform is the zoom.
#include <QGraphicsItem>
#include <array>

#include "designer/object_image.h"

namespace orvena::report {
class Band;
class ReportPage;
class View;
}  // namespace orvena::report

namespace orvena::designer {

class DesignSurface;
class BandLabelItem;

// Band names stand in a gutter this many screen pixels wide left of the paper, beside their band,
// where they cover no object.
inline constexpr double kLabelGutterPixels = 180;

class PageItem : public QGraphicsItem {
 public:
  PageItem(const DesignSurface& surface, const report::ReportPage& page);
  QRectF boundingRect() const override;
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;
  // The printable area (paper less margins).
  QRectF printable() const { return m_printable; }

 private:
  const DesignSurface& m_surface;
  QRectF m_paper, m_printable;
};

class BandItem : public QGraphicsItem {
 public:
  BandItem(const DesignSurface& surface, report::Band& band);
  enum { Type = UserType + 1 };
  int type() const override { return Type; }
  QRectF boundingRect() const override;
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;
  report::Band& band() const { return m_band; }
  // Back to the band's own position and size (after a change or a cancelled drag).
  void sync();
  // While its lower edge is dragged: the height shown.
  void show_height(double height);
  // "MasterData: MasterData1".
  QString label() const;
  BandLabelItem& label_item() const { return *m_label; }

 private:
  const DesignSurface& m_surface;
  report::Band& m_band;
  BandLabelItem* m_label;  // a child, so it follows the band
  double m_height = 0;
};

// A band's name, right-aligned against the paper's left edge at the band's top, at a fixed size
// on screen whatever the zoom (its coordinates are screen pixels).
class BandLabelItem : public QGraphicsItem {
 public:
  BandLabelItem(const DesignSurface& surface, const BandItem& band);
  QRectF boundingRect() const override;
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

 private:
  const DesignSurface& m_surface;
  const BandItem& m_band;
};

// Handles of a selected object, clockwise from the top-left corner.
enum class Handle : uint8_t { TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left };
inline constexpr int kHandleCount = 8;
// Handle side in screen pixels, whatever the zoom.
inline constexpr double kHandlePixels = 7;

class ObjectItem : public QGraphicsItem {
 public:
  ObjectItem(const DesignSurface& surface, report::View& view);
  enum { Type = UserType + 2 };
  int type() const override { return Type; }
  QRectF boundingRect() const override;
  QPainterPath shape() const override;
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;
  report::View& view() const { return m_view; }
  // The object's position, size and drawing again from the model.
  void sync();
  // The drawing is made again at the next paint (the zoom changed).
  void invalidate();
  // While resized by a handle: the box shown, relative to the band.
  void show_box(const QRectF& box);
  // Handle centres in item coordinates.
  std::array<QPointF, kHandleCount> handle_points() const;
  QRectF rect() const { return m_rect; }

 private:
  void ensure_image();
  const DesignSurface& m_surface;
  report::View& m_view;
  QRectF m_rect;     // the object, in item coordinates (0, 0, width, height)
  QRectF m_preview;  // a resize under way, else null
  ObjectImage m_image;
};

}  // namespace orvena::designer
