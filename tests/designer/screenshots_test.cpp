// The designer as the operator sees it, for a person to look at (scripts/designer-screenshots.sh
// sets ORVENA_SCREENSHOT_DIR): the surface at 100 % with a selection and its handles, a zoomed
// view with the grid, and the question on closing a changed template.
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUndoStack>

#include "designer/inspector.h"
#include "designer_fixture.h"

namespace orvena::designer {
namespace {

class DesignerScreens : public DesignerFixture {};

TEST_F(DesignerScreens, TheDesignerAsTheOperatorSeesIt) {
  report::Report& r = load_demo();
  DesignerWindow& w = open(r);
  const report::Band& footer = object<report::Band>(r, "GroupFooter1");
  drag(w, at(w, footer, 436, 26), at(w, footer, 715, 10));
  ASSERT_EQ(w.surface().selected_views().size(), 3u);
  w.view().centerOn(w.surface().band_origin(footer));
  test::screenshot(w, "designer_selection_100");

  w.set_zoom_percent(200);
  EXPECT_EQ(w.zoom_box()->currentText().toStdString(), "200 %");
  w.view().centerOn(w.surface().band_origin(object<report::Band>(r, "PageHeader1")) + QPointF(100, 10));
  test::screenshot(w, "designer_grid_200");

  // The standard question box on closing with a change: pictured, then answered "Cancel".
  w.action("align_left")->trigger();
  auto& plain = *windows.emplace_back(std::make_unique<DesignerWindow>(r, DesignerOptions{}));
  plain.undo_stack().push(new QUndoCommand("zmiana"));
  plain.show();
  bool asked = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    asked = true;
    EXPECT_EQ(box->text().toStdString(), "Zapisać zmiany w szablonie kategorie.orp?");
    test::screenshot(*box, "designer_save_question");
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_FALSE(plain.close());
  EXPECT_TRUE(asked);
  plain.undo_stack().setClean();
}

// The inspector beside the page with a text object selected, the report tree on the other side.
TEST_F(DesignerScreens, TheInspectorWithAMemoSelected) {
  report::Report& r = load_demo();
  DesignerWindow& w = open(r);
  w.resize(1400, 900);
  w.surface().select_views({&object(r, "Kategoria")});
  ASSERT_EQ(w.inspector().components().size(), 1u);
  w.view().centerOn(w.surface().band_origin(object<report::Band>(r, "GroupHeader1")) + QPointF(200, 0));
  test::screenshot(w, "designer_inspector_memo");
}

}  // namespace
}  // namespace orvena::designer
