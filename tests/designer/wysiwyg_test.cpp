// What the designer shows is what prints: its drawing of a page's objects, band strips and grid
// off, is compared by pixels with the report preview's drawing of the same page prepared by the
// engine, at the same zoom.
#include <QPainter>
#include <cstdlib>

#include "designer_fixture.h"
#include "editor/report_preview.h"
#include "report/engine/engine.h"
#include "report/prepared/prepared_pages.h"

namespace orvena::designer {
namespace {

// Static objects the engine draws as they stand (text, frames, fills, shapes, a line, a check
// box) and barcodes, which print sized to their code rather than to the bounds they were given,
// in a title band at the top of the page, where the engine prints it too.
constexpr const char* kTemplate =
    "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"
    "<TrpReport Version=\"2.4.0\">\r\n"
    "  <TrpReportPage Name=\"Page1\" PaperWidth=\"150\" PaperHeight=\"120\" LeftMargin=\"8\" "
    "RightMargin=\"8\" "
    "TopMargin=\"8\" BottomMargin=\"8\">\r\n"
    "    <TrpReportTitle Name=\"Title\" Height=\"230\" Left=\"0\" Top=\"0\" Width=\"506\">\r\n"
    "      <TrpMemoView Name=\"Heading\" Left=\"0\" Top=\"0\" Width=\"506\" Height=\"30\" "
    "Font.Name=\"Arial\" "
    "Font.Height=\"-19\" Font.Style=\"1\" HAlign=\"haCenter\" VAlign=\"vaCenter\" "
    "Fill.BackColor=\"14745599\" "
    "Frame.Typ=\"15\" Frame.Width=\"2\" Frame.Color=\"8388608\" Text=\"Ramki i wypełnienia\"/>\r\n"
    "      <TrpMemoView Name=\"Dash\" Left=\"0\" Top=\"40\" Width=\"120\" Height=\"28\" Font.Name=\"Arial\" "
    "Fill.BackColor=\"15790320\" Frame.Typ=\"15\" Frame.Style=\"fsDash\" Frame.Width=\"2\" "
    "Frame.Color=\"255\" "
    "Text=\"Kreski\"/>\r\n"
    "      <TrpMemoView Name=\"Thick\" Left=\"384\" Top=\"40\" Width=\"122\" Height=\"28\" Font.Name=\"Times "
    "New "
    "Roman\" Font.Height=\"-15\" Font.Color=\"16777215\" Fill.BackColor=\"8404992\" Frame.Typ=\"15\" "
    "Frame.Width=\"4\" HAlign=\"haRight\" Text=\"Gruba ramka\"/>\r\n"
    "      <TrpShapeView Name=\"Oval\" Left=\"130\" Top=\"80\" Width=\"110\" Height=\"60\" "
    "Shape=\"skEllipse\" "
    "Fill.BackColor=\"65535\" Frame.Width=\"2\" Frame.Color=\"128\"/>\r\n"
    "      <TrpShapeView Name=\"Diamond\" Left=\"390\" Top=\"80\" Width=\"110\" Height=\"60\" "
    "Shape=\"skDiamond\" "
    "Fill.BackColor=\"16711935\"/>\r\n"
    "      <TrpLineView Name=\"Rule\" Left=\"0\" Top=\"150\" Width=\"506\" Height=\"0\" Frame.Width=\"3\" "
    "Frame.Color=\"255\"/>\r\n"
    "      <TrpCheckBoxView Name=\"Flaga\" Left=\"450\" Top=\"170\" Width=\"24\" Height=\"24\" "
    "Frame.Typ=\"15\" "
    "CheckStyle=\"csCheck\"/>\r\n"
    "      <TrpBarCodeView Name=\"Kod\" Left=\"0\" Top=\"165\" Width=\"60\" Height=\"50\" "
    "BarType=\"bcCode128\" Zoom=\"1.5\" Text=\"ORV-2026\"/>\r\n"
    "      <TrpBarCodeView Name=\"Ean\" Left=\"190\" Top=\"165\" Width=\"200\" Height=\"55\" "
    "BarType=\"bcCodeEAN13\" HAlign=\"haRight\" Text=\"590123412345\"/>\r\n"
    "      <TrpBarCodeView Name=\"Pionowy\" Left=\"400\" Top=\"160\" Width=\"40\" Height=\"30\" "
    "BarType=\"bcCode128C\" Rotation=\"90\" Text=\"4201\"/>\r\n"
    "    </TrpReportTitle>\r\n"
    "  </TrpReportPage>\r\n"
    "</TrpReport>\r\n";

// Pixels whose colour differs by more than this in some channel count as different: text and
// edges are drawn by the same code at the same device pixels, so only rounding in the
// compositing may differ, by a level or two.
constexpr int kChannelTolerance = 24;
// And at most this many of them (of about 200,000 at 100 %).
constexpr int kPixelTolerance = 20;

int differing_pixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return a.width() * a.height();
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      if (std::abs(qRed(p) - qRed(q)) > kChannelTolerance ||
          std::abs(qGreen(p) - qGreen(q)) > kChannelTolerance ||
          std::abs(qBlue(p) - qBlue(q)) > kChannelTolerance)
        ++n;
    }
  return n;
}

class Wysiwyg : public DesignerFixture, public ::testing::WithParamInterface<int> {
 protected:
  QImage designer_drawing(DesignerWindow& w, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    w.surface().render(&p, QRectF(QPointF(0, 0), QSizeF(size)),
                       QRectF(QPointF(0, 0), QSizeF(size) / w.surface().zoom()));
    return image;
  }
};

TEST_P(Wysiwyg, TheDesignerDrawsThePageAsThePreviewDoes) {
  const int percent = GetParam();
  const double zoom = percent / 100.0;
  auto& r = *reports.emplace_back(std::make_unique<report::Report>());
  r.engine_options.new_silent_mode = report::SilentMode::Silent;
  r.load_from_stream(kTemplate);
  report::EngineGenerator generator(r);
  r.generator = &generator;
  ASSERT_TRUE(r.prepare_report()) << (r.errors().empty() ? "" : r.errors().front());
  r.generator = nullptr;
  ASSERT_EQ(generator.pages().count(), 1);
  const QImage printed = editor::page_qimage(generator.pages(), 0, 1, zoom);

  DesignerWindow& w = open(r);
  w.action("labels")->setChecked(false);
  w.set_zoom_percent(percent);
  const QImage drawn = designer_drawing(w, printed.size());
  if (const char* dir = std::getenv("ORVENA_SCREENSHOT_DIR")) {
    printed.save(QString("%1/wysiwyg_preview_%2.png").arg(dir).arg(percent));
    drawn.save(QString("%1/wysiwyg_designer_%2.png").arg(dir).arg(percent));
  }
  EXPECT_LE(differing_pixels(printed, drawn), kPixelTolerance);

  // Two pixels off is seen, for a shape and for a barcode.
  for (const char* name : {"Oval", "Kod"}) {
    report::View& moved = object(r, name);
    moved.set_left(moved.left() + 2);
    w.surface().sync({&moved});
    EXPECT_GT(differing_pixels(printed, designer_drawing(w, printed.size())), 10 * kPixelTolerance) << name;
    moved.set_left(moved.left() - 2);
    w.surface().sync({&moved});
  }
}

INSTANTIATE_TEST_SUITE_P(Zooms, Wysiwyg, ::testing::Values(100, 150));

}  // namespace
}  // namespace orvena::designer
