// The designer's data tree, expression editor and script tab for a person to look at
// (scripts/designer-screenshots.sh sets ORVENA_SCREENSHOT_DIR).
#include <QTabWidget>

#include "designer/data_fixture.h"
#include "designer/expression_editor.h"
#include "designer/script_tab.h"
#include "gui/qt_app.h"

namespace orvena::designer {
namespace {

class DesignerScreensData : public DataFixture {};

TEST_F(DesignerScreensData, DataTreeExpressionEditorAndScript) {
  auto& r = page_with_bands();
  auto& w = open(r);
  auto& data = object<report::Band>(r, "MasterData1");
  // A field on its way to the data band: selected in the tree, the band outlined under it.
  w.data_tree().setCurrentItem(w.data_tree().find_entry("DaneOrvena", "kwota"));
  auto mime = drag_data(w, "DaneOrvena", "kwota");
  QDragEnterEvent enter(at(w, data, 60, 8), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.view().viewport(), &enter);
  QDragMoveEvent move(at(w, data, 60, 8), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.view().viewport(), &move);
  ASSERT_TRUE(move.isAccepted());
  test::screenshot(w, "designer_data_drag");
  QDropEvent dropped(at(w, data, 60, 8), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.view().viewport(), &dropped);

  ExpressionEditor editor(r, ExpressionKind::Text, "Razem: [SUM(<DaneOrvena.\"kwota\">, MasterData1) * ]",
                          &w);
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
  ASSERT_TRUE(editor.check());
  test::screenshot(editor, "designer_expression_error");
  editor.close();

  w.request_handler("MasterData1", "OnBeforePrint");
  w.script_tab().editor()->insertPlainText(
      "if <DaneOrvena.\"kwota\"> < 20 then MasterData1.Visible := False");
  w.script_tab().check();
  test::screenshot(w, "designer_script");
}

}  // namespace
}  // namespace orvena::designer
