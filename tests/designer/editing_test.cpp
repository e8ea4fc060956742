// Editing by hand on the design view of the demo's template: mouse and keys as an operator uses
// them, every change one undoable command, the saved file showing the result.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QUndoStack>
#include <cmath>
#include "editor/report_preview.h"

#include "designer_fixture.h"

namespace orvena::designer {
namespace {

using report::Band;
using report::View;

class Editing : public DesignerFixture {
 protected:
  Editing() : r(load_demo()), w(open(r)) {}
  report::Report& r;
  DesignerWindow& w;
};

TEST_F(Editing, EveryObjectOfTheTemplateStandsAtItsPlace) {
  int objects = 0;
  const QPointF margins(10 * report::kUnitsPerMm, 10 * report::kUnitsPerMm);
  for (report::Component* c : r.all_objects()) {
    auto* view = dynamic_cast<View*>(c);
    if (!view) continue;
    ++objects;
    ObjectItem* item = w.surface().item_of(view);
    ASSERT_TRUE(item) << view->name();
    // Margins, then the band's place on the page, then the object's in the band.
    const QPointF expected =
        margins + QPointF(view->parent()->left() + view->left(), view->parent()->top() + view->top());
    EXPECT_NEAR(item->scenePos().x(), expected.x(), 1e-9) << view->name();
    EXPECT_NEAR(item->scenePos().y(), expected.y(), 1e-9) << view->name();
    EXPECT_EQ(item->rect(), QRectF(0, 0, view->width(), view->height())) << view->name();
    // What the view finds under the object's centre is the object.
    EXPECT_EQ(w.surface().object_at(item->mapToScene(item->rect().center())), item) << view->name();
  }
  EXPECT_EQ(objects, 23);
  QStringList labels;
  for (BandItem* band : w.surface().band_items()) labels << band->label();
  EXPECT_EQ(
      labels.join("|").toStdString(),
      "ReportTitle: ReportTitle1|PageHeader: PageHeader1|GroupHeader: GroupHeader1|MasterData: MasterData1|"
      "GroupFooter: GroupFooter1|ReportSummary: ReportSummary1|PageFooter: PageFooter1");
  EXPECT_EQ(w.windowTitle().toStdString(), "Zentrivo Orvena - Projektant raportu - kategorie.orp[*]");
  EXPECT_FALSE(w.isWindowModified());
}

// Band names stand beside their bands in the gutter left of the paper, at every zoom: none
// covers an object (the page header's first heading stands in its band's top-left corner), and
// the labels-off mode hides them.
TEST_F(Editing, BandNamesStandBesideTheirBandsAndCoverNoObject) {
  w.resize(1000, 700);
  w.show();
  for (int percent : {25, 100, 400}) {
    w.set_zoom_percent(percent);
    std::vector<QRectF> objects;
    for (report::Component* c : r.all_objects())
      if (auto* view = dynamic_cast<View*>(c)) {
        ObjectItem* item = w.surface().item_of(view);
        objects.push_back(w.view().mapFromScene(item->mapToScene(item->rect())).boundingRect());
      }
    for (BandItem* band : w.surface().band_items()) {
      const BandLabelItem& label = band->label_item();
      const QRectF shown = label.deviceTransform(w.view().viewportTransform()).mapRect(label.boundingRect());
      const QPointF band_top = w.view().mapFromScene(band->scenePos());
      const QPointF paper_left = w.view().mapFromScene(QPointF(0, 0));
      SCOPED_TRACE(percent);
      EXPECT_NEAR(shown.top(), band_top.y(), 1) << band->label().toStdString();
      EXPECT_LE(shown.right(), paper_left.x() + 1) << band->label().toStdString();
      for (const QRectF& o : objects) EXPECT_FALSE(shown.intersects(o)) << band->label().toStdString();
      // The gutter is part of the scene, so it can be scrolled to.
      EXPECT_TRUE(w.surface().sceneRect().contains(
          w.view().mapToScene(shown.toAlignedRect()).boundingRect().adjusted(1, 1, -1, -1)));
    }
  }
  // Labels off: the gutter shows nothing.
  w.set_zoom_percent(100);
  BandLabelItem& first = w.surface().band_items().front()->label_item();
  const auto gutter_pixels = [&] {
    QImage image(first.boundingRect().size().toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.translate(-first.boundingRect().topLeft());
    first.paint(&p, nullptr, nullptr);
    p.end();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != qRgb(255, 255, 255);
    return n;
  };
  EXPECT_GT(gutter_pixels(), 50);
  w.action("labels")->setChecked(false);
  EXPECT_EQ(gutter_pixels(), 0);
}

TEST_F(Editing, ADragMovesByTheDraggedDistanceOnTheGridAndTheFileHasTheNewPlace) {
  View& region = object(r, "NaglowekRegion");  // 250, 0 in a page header 24 high
  drag(w, centre_of(w, region), centre_of(w, region) + QPoint(37, 3));
  // 250 + 37 = 287 lands on the 4-pixel grid at 288; 0 + 3 at 4 (the band still holds it).
  EXPECT_EQ(region.left(), 288);
  EXPECT_EQ(region.top(), 4);
  EXPECT_TRUE(w.isWindowModified());
  EXPECT_TRUE(r.modified);
  ASSERT_TRUE(w.save());
  EXPECT_NE(file_text("kategorie.orp").find("Name=\"NaglowekRegion\" Left=\"288\" Top=\"4\""),
            std::string::npos);
  EXPECT_FALSE(w.isWindowModified());
  EXPECT_FALSE(r.modified);
  // Dragged far down, it stops at the band's bottom.
  drag(w, centre_of(w, region), centre_of(w, region) + QPoint(0, 200));
  EXPECT_EQ(region.top(), 4);
  EXPECT_EQ(region.parent()->name(), "PageHeader1");  // dropped between bands: it stays in its own
}

TEST_F(Editing, AHandleResizesOnTheGridAndUndoPutsTheSizeBack) {
  View& region = object(r, "NaglowekRegion");
  click(w, centre_of(w, region));
  const Band& band = *static_cast<Band*>(region.parent());
  drag(w, at(w, band, region.left() + region.width(), 10), at(w, band, 451, 10));  // right handle
  EXPECT_EQ(region.width(), 202);  // the right edge at 452, on the grid
  EXPECT_EQ(region.left(), 250);
  drag(w, at(w, band, region.left(), region.height()), at(w, band, 262, 30));  // bottom-left handle
  EXPECT_EQ(region.left(), 264);
  EXPECT_EQ(region.width(), 188);
  EXPECT_EQ(region.height(), 24);  // the band's bottom
  w.undo_stack().undo();
  w.undo_stack().undo();
  EXPECT_EQ(region.width(), 180);
  EXPECT_EQ(region.height(), 20);
  EXPECT_FALSE(w.isWindowModified());
}

TEST_F(Editing, ARubberBandSelectsThreeObjectsAndAlignLeftLinesThemUp) {
  const Band& footer = object<Band>(r, "GroupFooter1");
  // From empty band below the totals, across the three of them (not the label at the left).
  drag(w, at(w, footer, 436, 26), at(w, footer, 715, 10));
  std::vector<std::string> selected;
  for (View* v : w.surface().selected_views()) selected.push_back(v->name());
  EXPECT_EQ(selected, (std::vector<std::string>{"RazemTransakcje", "RazemSztuk", "RazemKwota"}));
  ASSERT_TRUE(w.action("align_left")->isEnabled());
  w.action("align_left")->trigger();
  for (const char* name : {"RazemTransakcje", "RazemSztuk", "RazemKwota"})
    EXPECT_EQ(object(r, name).left(), 430) << name;
  EXPECT_EQ(w.undo_stack().count(), 1);  // one command for the three
  w.undo_stack().undo();
  EXPECT_EQ(object(r, "RazemKwota").left(), 610);
}

TEST_F(Editing, ADragOntoAnotherBandMakesItTheParentAndUndoPutsItBackInPlace) {
  View& sztuk = object(r, "Sztuk");
  Band& master = object<Band>(r, "MasterData1");
  Band& footer = object<Band>(r, "GroupFooter1");
  const int index = sztuk.index_in_parent();
  const std::string before = r.save_to_stream();
  drag(w, centre_of(w, sztuk), at(w, footer, 540, 26));
  EXPECT_EQ(sztuk.parent(), &footer);
  EXPECT_EQ(w.surface().item_of(&sztuk)->parentItem(), w.surface().item_of(&footer));
  EXPECT_LE(sztuk.top() + sztuk.height(), footer.height());
  w.undo_stack().undo();
  EXPECT_EQ(sztuk.parent(), &master);
  EXPECT_EQ(sztuk.index_in_parent(), index);
  EXPECT_EQ(r.save_to_stream(), before);
}

TEST_F(Editing, ABandResizedByItsLowerEdgeMovesTheBandsBelow) {
  Band& master = object<Band>(r, "MasterData1");
  drag(w, at(w, master, 360, master.height()), at(w, master, 360, master.height() + 21));
  EXPECT_EQ(master.height(), 40);  // 18 + 21 on the grid
  EXPECT_EQ(object<Band>(r, "PageHeader1").top(), 96);
  EXPECT_EQ(object<Band>(r, "GroupFooter1").top(), 246);
  EXPECT_EQ(object<Band>(r, "ReportSummary1").top(), 296);
  EXPECT_EQ(object<Band>(r, "PageFooter1").top(), 346);
  EXPECT_EQ(w.surface().item_of(&object<Band>(r, "PageFooter1"))->scenePos().y(),
            10 * report::kUnitsPerMm + 346);
  // Never smaller than its objects.
  drag(w, at(w, master, 360, master.height()), at(w, master, 360, 2));
  EXPECT_EQ(master.height(), 18);
  w.undo_stack().undo();
  w.undo_stack().undo();
  EXPECT_EQ(object<Band>(r, "PageFooter1").top(), 324);
}

TEST_F(Editing, DeleteUndoRedoRestoreTheObjectAndTheFileBytes) {
  const std::string before = r.save_to_stream();
  View& kwota = object(r, "Kwota");
  const QPoint where = centre_of(w, kwota);
  click(w, where);
  QTest::keyClick(&w.view(), Qt::Key_Delete);
  EXPECT_EQ(r.find_object("Kwota"), nullptr);
  EXPECT_EQ(w.surface().object_at(w.view().mapToScene(where)), nullptr);
  w.undo_stack().undo();
  ASSERT_EQ(r.find_object("Kwota"), &kwota);
  EXPECT_EQ(r.save_to_stream(), before);
  EXPECT_FALSE(w.isWindowModified());
  w.undo_stack().redo();
  EXPECT_EQ(r.find_object("Kwota"), nullptr);
  EXPECT_TRUE(w.isWindowModified());
}

TEST_F(Editing, ArrowKeysMoveByAGridStepAndCtrlArrowsByOnePixel) {
  View& region = object(r, "NaglowekRegion");
  click(w, centre_of(w, region));
  QWidget* vp = &w.view();
  QTest::keyClick(vp, Qt::Key_Right);
  EXPECT_EQ(region.left(), 254);
  QTest::keyClick(vp, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(region.left(), 253);
  QTest::keyClick(vp, Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(region.top(), 1);
  QTest::keyClick(vp, Qt::Key_Down);  // 20 high in 24: stops at 4
  QTest::keyClick(vp, Qt::Key_Down);
  EXPECT_EQ(region.top(), 4);
  EXPECT_EQ(w.undo_stack().count(), 4);  // the last press changed nothing
}

TEST_F(Editing, ShiftClickAddsToTheSelectionAndTheMoveTakesAll) {
  View& a = object(r, "NaglowekProdukt");
  View& b = object(r, "NaglowekSztuk");
  click(w, centre_of(w, a));
  click(w, centre_of(w, b), Qt::ShiftModifier);
  ASSERT_EQ(w.surface().selected_views().size(), 2u);
  drag(w, centre_of(w, a), centre_of(w, a) + QPoint(16, 0));
  EXPECT_EQ(a.left(), 16);
  EXPECT_EQ(b.left(), 546);
  EXPECT_EQ(w.undo_stack().count(), 1);
}

TEST_F(Editing, ADoubleClickEditsTheTextInPlace) {
  auto& title = object<report::CustomMemoView>(r, "Tytul");
  QTest::mouseDClick(w.view().viewport(), Qt::LeftButton, {}, centre_of(w, title));
  QPlainTextEdit* editor = w.view().text_editor();
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->toPlainText().toStdString(), "Sprzedaż według kategorii produktów");
  editor->selectAll();
  QTest::keyClicks(editor, "Obroty");
  QTest::keyClick(editor, Qt::Key_Return);
  QTest::keyClicks(editor, "2026");
  QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(w.view().text_editor(), nullptr);
  EXPECT_EQ(title.text(), "Obroty\r\n2026");
  w.undo_stack().undo();
  EXPECT_EQ(title.text(), "Sprzedaż według kategorii produktów");
  // Escape leaves the text as it was.
  w.view().edit_text(title);
  QTest::keyClicks(w.view().text_editor(), "x");
  QTest::keyClick(w.view().text_editor(), Qt::Key_Escape);
  EXPECT_EQ(title.text(), "Sprzedaż według kategorii produktów");
  EXPECT_EQ(w.undo_stack().index(), 0);
}

TEST_F(Editing, CopyPasteGoesBetweenDesignersAndToAndFromPlainText) {
  report::Report& other = load_demo("obroty.orp");
  DesignerWindow& second = open(other);
  click(w, centre_of(w, object(r, "Kategoria")));
  w.copy();
  const QString text = QApplication::clipboard()->text();
  EXPECT_TRUE(text.startsWith("<?xml")) << text.toStdString();
  EXPECT_TRUE(text.contains("<TrpMemoView Name=\"Kategoria\"")) << text.toStdString();

  // Another designer: the copy keeps its name there, text and all.
  const size_t before = other.all_objects().size();
  second.paste();
  ASSERT_EQ(other.all_objects().size(), before + 1);
  auto* pasted = dynamic_cast<report::CustomMemoView*>(other.find_object("Kategoria"));
  ASSERT_TRUE(pasted);
  EXPECT_EQ(pasted->text(), "Kategoria: [DaneOrvena.\"kategoria\"]");
  EXPECT_EQ(second.surface().selected_views(), std::vector<View*>{pasted});
  second.undo_stack().undo();
  EXPECT_EQ(other.find_object("Kategoria"), nullptr);

  // Plain text, as a text editor puts it back: read the same way; the name is free again here.
  QApplication::clipboard()->setText(text);
  w.paste();
  auto views = w.surface().selected_views();
  ASSERT_EQ(views.size(), 1u);
  EXPECT_NE(views.front()->name(), "Kategoria");
  EXPECT_EQ(static_cast<report::CustomMemoView*>(views.front())->text(),
            "Kategoria: [DaneOrvena.\"kategoria\"]");
  // Text that is no template pastes nothing.
  QApplication::clipboard()->setText("zwykły tekst");
  const int commands = w.undo_stack().count();
  w.paste();
  EXPECT_EQ(w.undo_stack().count(), commands);
}

TEST_F(Editing, ThePreviewPreparesACopyAndLeavesTheDesignedReportAlone) {
  View& kwota = object(r, "Kwota");
  click(w, centre_of(w, kwota));
  QTest::keyClick(&w.view(), Qt::Key_Left);
  w.action("preview")->trigger();
  ASSERT_TRUE(w.report_preview());
  EXPECT_TRUE(w.report_preview()->isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(!w.report_preview()->preparing(), 10000);
  // Preparing reloads the report it runs: had it been this one, these would be other objects.
  EXPECT_EQ(r.find_object("Kwota"), &kwota);
  EXPECT_EQ(kwota.left(), 606);
  w.undo_stack().undo();
  EXPECT_EQ(kwota.left(), 610);
}

}  // namespace
}  // namespace orvena::designer

namespace orvena::designer {
namespace {

class Pages : public DesignerFixture {};

TEST_F(Pages, EachPageHasItsTabAndTheZoomFitsThePage) {
  auto& r = *reports.emplace_back(std::make_unique<report::Report>());
  r.load_from_stream(
      "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n<TrpReport Version=\"2.4.0\">\r\n"
      "  <TrpReportPage Name=\"Okladka\" PaperWidth=\"210\" PaperHeight=\"297\" PaperSize=\"9\">\r\n"
      "    <TrpReportTitle Name=\"Tytul1\" Height=\"40\" Left=\"0\" Top=\"0\" Width=\"700\"/>\r\n"
      "  </TrpReportPage>\r\n"
      "  <TrpReportPage Name=\"Tresc\" PaperWidth=\"297\" PaperHeight=\"210\" PaperSize=\"9\" "
      "Orientation=\"poLandscape\" LeftMargin=\"20\">\r\n"
      "    <TrpMasterData Name=\"Dane1\" Height=\"20\" Left=\"0\" Top=\"10\" Width=\"1000\"/>\r\n"
      "  </TrpReportPage>\r\n</TrpReport>\r\n");
  DesignerWindow& w = open(r);
  ASSERT_TRUE(w.page_tabs()->isVisible());
  ASSERT_EQ(w.page_tabs()->count(), 2);
  EXPECT_EQ(w.page_tabs()->tabText(1).toStdString(), "Tresc");
  EXPECT_EQ(w.surface().band_items().front()->label().toStdString(), "ReportTitle: Tytul1");
  w.page_tabs()->setCurrentIndex(1);
  ASSERT_EQ(w.surface().band_items().size(), 1u);
  EXPECT_EQ(w.surface().band_items().front()->label().toStdString(), "MasterData: Dane1");
  EXPECT_NEAR(w.surface().page_offset().x(), 20 * report::kUnitsPerMm, 1e-9);

  // "Cała strona" shows the whole paper; "szerokość strony" its width across the view.
  // Both with the band names' gutter left of the paper.
  const auto with_names = [&] {
    const QRectF paper = w.surface().paper_rect();
    return w.view()
        .mapFromScene(paper.adjusted(-kLabelGutterPixels / w.surface().zoom(), 0, 0, 0))
        .boundingRect();
  };
  w.zoom_whole_page();
  QRect shown = with_names();
  EXPECT_TRUE(w.view().viewport()->rect().contains(shown)) << shown.width() << "x" << shown.height();
  w.zoom_page_width();
  shown = with_names();
  EXPECT_GE(shown.left(), 0);
  EXPECT_LE(shown.right(), w.view().viewport()->width());
  EXPECT_GT(shown.width(), w.view().viewport()->width() * 0.9);
  // The zoom stays within 25–400 %.
  w.set_zoom_percent(1000);
  EXPECT_DOUBLE_EQ(w.view().zoom(), 4.0);
  w.set_zoom_percent(5);
  EXPECT_DOUBLE_EQ(w.view().zoom(), 0.25);
}

}  // namespace
}  // namespace orvena::designer
