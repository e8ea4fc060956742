#include "designer/design_items.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <cmath>

#include "designer/design_surface.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/units.h"
#include "report/views.h"

namespace orvena::designer {

namespace {

const QColor kMarginColour(150, 160, 180);
const QColor kGridColour(205, 212, 225);
const QColor kBandFill(238, 242, 250);
const QColor kBandEdge(120, 140, 180);
const QColor kLabelColour(90, 105, 140);
const QColor kSelectionColour(30, 100, 220);

// A band's name tab, in screen pixels; the gap keeps it off the page's shadow side.
constexpr double kLabelHeight = 14;
constexpr double kLabelGap = 6;

// Lines closer than this on screen would grey the page rather than help placing anything.
constexpr double kMinGridPixels = 5;

}  // namespace

// ---- Page -----------------------------------------------------------------------------------------

PageItem::PageItem(const DesignSurface& surface, const report::ReportPage& page) : m_surface(surface) {
  m_paper = QRectF(0, 0, page.width(), page.height());
  const QPointF o = surface.page_offset();
  m_printable = QRectF(o.x(), o.y(), page.printable_width(), page.printable_height());
  setFlag(ItemUsesExtendedStyleOption);
  setZValue(-1);
}

QRectF PageItem::boundingRect() const {
  return m_paper.adjusted(0, 0, 4, 4);  // the shadow
}

void PageItem::paint(QPainter* p, const QStyleOptionGraphicsItem* option, QWidget*) {
  p->fillRect(m_paper.translated(3, 3), QColor(0, 0, 0, 60));
  p->fillRect(m_paper, Qt::white);
  if (!m_surface.labels_visible()) return;  // only what prints
  const QRectF area = m_printable.intersected(option->exposedRect);
  const double step = m_surface.grid_step();
  if (m_surface.grid_visible() && step * m_surface.zoom() >= kMinGridPixels && !area.isEmpty()) {
    QPen pen(kGridColour, 0);
    p->setPen(pen);
    const double x0 = m_printable.left(), y0 = m_printable.top();
    for (double x = x0 + std::ceil((area.left() - x0) / step) * step; x <= area.right(); x += step)
      p->drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    for (double y = y0 + std::ceil((area.top() - y0) / step) * step; y <= area.bottom(); y += step)
      p->drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
  }
  QPen margin(kMarginColour, 0, Qt::DashLine);
  p->setPen(margin);
  p->setBrush(Qt::NoBrush);
  p->drawRect(m_printable);
}

// ---- Band -----------------------------------------------------------------------------------------

BandItem::BandItem(const DesignSurface& surface, report::Band& band)
    : m_surface(surface), m_band(band), m_label(new BandLabelItem(surface, *this)) {
  m_label->setParentItem(this);
  sync();
}

void BandItem::sync() {
  prepareGeometryChange();
  m_height = m_band.height();
  setPos(m_surface.band_origin(m_band));
  m_label->setPos(-pos().x(), 0);  // the paper's left edge
}

void BandItem::show_height(double height) {
  prepareGeometryChange();
  m_height = height;
}

QString BandItem::label() const {
  return QString::fromStdString(m_band.display_name() + ": " + m_band.name());
}

QRectF BandItem::boundingRect() const {
  return QRectF(0, 0, m_band.width(), m_height).adjusted(0, 0, 0, 1);
}

void BandItem::paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) {
  if (!m_surface.labels_visible()) return;
  const QRectF strip(0, 0, m_band.width(), m_height);
  p->fillRect(strip, kBandFill);
  p->setPen(QPen(kBandEdge, 0));
  p->drawLine(strip.bottomLeft(), strip.bottomRight());
}

BandLabelItem::BandLabelItem(const DesignSurface& surface, const BandItem& band)
    : m_surface(surface), m_band(band) {
  setFlag(ItemIgnoresTransformations);
  setAcceptedMouseButtons(Qt::NoButton);
}

QRectF BandLabelItem::boundingRect() const {
  return QRectF(-kLabelGutterPixels, 0, kLabelGutterPixels, kLabelHeight);
}

void BandLabelItem::paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) {
  if (!m_surface.labels_visible()) return;
  QFont font("Liberation Sans");
  font.setPixelSize(10);
  p->setFont(font);
  // A tab in the band's colours, joined to the band, with the name shortened to fit the gutter.
  const QRectF tab(-kLabelGutterPixels + kLabelGap, 0, kLabelGutterPixels - kLabelGap, kLabelHeight);
  const QString text = QFontMetricsF(font).elidedText(m_band.label(), Qt::ElideMiddle, tab.width() - 8);
  p->fillRect(tab, kBandFill);
  p->setPen(QPen(kBandEdge, 0));
  p->drawLine(tab.topRight(), tab.bottomRight());
  p->setPen(kLabelColour);
  p->drawText(tab.adjusted(0, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter, text);
}

// ---- Object ---------------------------------------------------------------------------------------

ObjectItem::ObjectItem(const DesignSurface& surface, report::View& view) : m_surface(surface), m_view(view) {
  setFlag(ItemIsSelectable);
  sync();
}

void ObjectItem::sync() {
  prepareGeometryChange();
  m_rect = QRectF(0, 0, m_view.width(), m_view.height());
  m_preview = QRectF();
  setPos(m_view.left(), m_view.top());
  invalidate();
}

void ObjectItem::invalidate() {
  m_image.zoom = 0;
  update();
}

void ObjectItem::show_box(const QRectF& box) {
  prepareGeometryChange();
  m_preview = box.translated(-pos());
  update();
}

void ObjectItem::ensure_image() {
  if (m_image.zoom == m_surface.zoom()) return;
  m_image = draw_object_image(m_view, m_surface.page_offset(), m_surface.zoom());
}

std::array<QPointF, kHandleCount> ObjectItem::handle_points() const {
  const QRectF r = m_preview.isNull() ? m_rect : m_preview;
  const double cx = r.center().x(), cy = r.center().y();
  return {QPointF(r.left(), r.top()),    QPointF(cx, r.top()),           QPointF(r.right(), r.top()),
          QPointF(r.right(), cy),        QPointF(r.right(), r.bottom()), QPointF(cx, r.bottom()),
          QPointF(r.left(), r.bottom()), QPointF(r.left(), cy)};
}

QRectF ObjectItem::boundingRect() const {
  // The drawing (frames stand out of the object) and the handles, which keep their screen size.
  const double h = kHandlePixels / m_surface.zoom();
  QRectF r = m_rect.united(m_preview.isNull() ? m_rect : m_preview).adjusted(-h, -h, h, h);
  if (m_image.zoom > 0)
    r = r.united(QRectF(m_image.origin - scenePos(), QSizeF(m_image.image.size()) / m_image.zoom));
  return r;
}

QPainterPath ObjectItem::shape() const {
  // A line has no area: it is picked within a few screen pixels of it.
  const double slack = 3 / m_surface.zoom();
  QPainterPath path;
  path.addRect(m_rect.adjusted(-slack, -slack, slack, slack));
  return path;
}

void ObjectItem::paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) {
  if (m_image.zoom != m_surface.zoom()) {
    prepareGeometryChange();
    ensure_image();
  }
  {
    // The drawing is opaque white where the object draws nothing; multiplied, that white leaves
    // the band and the objects below as they are.
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_Multiply);
    const QPointF at = m_image.origin - scenePos();
    p->drawImage(QRectF(at, QSizeF(m_image.image.size()) / m_image.zoom), m_image.image);
    p->restore();
  }
  if (!m_preview.isNull()) {
    p->setPen(QPen(kSelectionColour, 0, Qt::DashLine));
    p->setBrush(Qt::NoBrush);
    p->drawRect(m_preview);
  }
  if (!isSelected()) return;
  const double side = kHandlePixels / m_surface.zoom();
  p->setPen(QPen(kSelectionColour, 0));
  p->setBrush(Qt::NoBrush);
  p->drawRect(m_preview.isNull() ? m_rect : m_preview);
  p->setBrush(kSelectionColour);
  for (const QPointF& c : handle_points())
    p->drawRect(QRectF(c.x() - side / 2, c.y() - side / 2, side, side));
}

}  // namespace orvena::designer
