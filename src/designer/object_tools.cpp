#include "designer/object_tools.h"

#include <algorithm>
#include <cmath>

#include "report/views.h"

namespace orvena::designer {

namespace {
constexpr int64_t kCode128 = 5;  // kBarcodeTypeNames: "bcCode128"
static_assert(report::kBarcodeTypeNames[kCode128] == "bcCode128");
}  // namespace

const std::vector<ObjectTool>& object_tools() {
  using namespace report;
  static const std::vector<ObjectTool> tools = {
      {"insert_Memo", "Tekst", &MemoView::static_class, 100, 20},
      {"insert_SysMemo", "Tekst systemowy", &SysMemoView::static_class, 100, 20},
      {"insert_Picture", "Obraz", &PictureView::static_class, 64, 64},
      {"insert_Line", "Linia", &LineView::static_class, 100, 0},
      {"insert_Shape", "Kształt", &ShapeView::static_class, 64, 64},
      {"insert_BarCode", "Kod kreskowy", &BarCodeView::static_class, 160, 60},
      {"insert_CheckBox", "Pole wyboru", &CheckBoxView::static_class, 16, 16},
      {"insert_Subreport", "Podraport", &Subreport::static_class, 200, 40},
  };
  return tools;
}

std::unique_ptr<report::View> make_object(const ObjectTool& tool, Box box) {
  std::unique_ptr<report::Component> made = tool.info().create();
  std::unique_ptr<report::View> view(static_cast<report::View*>(made.release()));
  if (dynamic_cast<report::LineView*>(view.get())) {
    if (box.width >= box.height)
      box.height = 0;
    else
      box.width = 0;
  }
  // A barcode placed by hand mostly shows a field's text: Code 128 encodes any of it.
  if (auto* barcode = dynamic_cast<report::BarCodeView*>(view.get())) barcode->bar_type = kCode128;
  view->set_bounds(box.left, box.top, box.width, box.height);
  return view;
}

Box drawn_box(const ObjectTool& tool, double x0, double y0, double x1, double y1, bool dragged,
              double band_width, double band_height) {
  Box box;
  if (dragged) {
    x1 = std::clamp(x1, 0.0, band_width);
    y1 = std::clamp(y1, 0.0, band_height);
    box = {std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0)};
  } else {
    // Never past the band's lower edge: the object stays where it was placed.
    box = {x0, y0, tool.width, std::max(0.0, std::min(tool.height, band_height - y0))};
  }
  return keep_inside(box, band_width, band_height);
}

}  // namespace orvena::designer
