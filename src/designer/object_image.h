#pragma once
// One object as the engine draws it: the writers' own view drawing on a Cairo bitmap at the zoom
// of the design surface, so that what the designer shows is what prints.
#include <QImage>
#include <QPointF>

namespace orvena::report {
class View;
}

namespace orvena::designer {

struct ObjectImage {
  QImage image;    // white where the object draws nothing
  QPointF origin;  // where its top-left corner stands on the page, in report pixels
  double zoom = 0;
};

// The object at `zoom` device pixels per report pixel; `page_offset` is added to its absolute
// position (the page's margins, as a printed page places its bands). The bitmap is a little
// larger than the object, for frame lines and shadows that stand out of it, and it starts on a
// whole device pixel of the page, so that it lines up with a page drawn at once.
ObjectImage draw_object_image(const report::View& view, QPointF page_offset, double zoom);

}  // namespace orvena::designer
