// Inserting through the designer's own tools: objects of every class by a click and by a drawn
// rectangle, bands from the menu at the places page generation links them by, named by the
// report's rule, each one undoable step.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QUndoStack>

#include "designer/band_placement.h"
#include "designer/designer_fixture.h"
#include "designer/expression_editor.h"
#include "designer/object_tools.h"
#include "editor/report_preview.h"
#include "report/datasets.h"

namespace orvena::designer {
namespace {

using report::Band;

class Inserting : public DesignerFixture {
 protected:
  // A page with a page header and one master data band, as most reports start.
  report::Report& simple() {
    auto& r = *reports.emplace_back(std::make_unique<report::Report>());
    r.engine_options.new_silent_mode = report::SilentMode::Silent;
    auto* page = r.add_new<report::ReportPage>();
    page->create_unique_name();
    page->set_defaults();
    for (auto [cls, top] :
         {std::pair{&report::PageHeader::static_class, 0.0}, {&report::MasterData::static_class, 40.0}}) {
      auto made = cls().create();
      auto* band = static_cast<Band*>(page->add(std::move(made)));
      band->create_unique_name();
      band->set_bounds(0, top, page->printable_width(), 30);
    }
    return r;
  }

  // The band names of the page from the top down.
  static std::vector<std::string> order(const report::ReportPage& page) {
    std::vector<const Band*> bands;
    for (const auto& c : page.objects())
      if (auto* b = dynamic_cast<const Band*>(c.get())) bands.push_back(b);
    std::stable_sort(bands.begin(), bands.end(), [](auto* a, auto* b) { return a->top() < b->top(); });
    std::vector<std::string> out;
    for (auto* b : bands) out.push_back(b->name());
    // Bands never overlap after an insertion.
    for (size_t i = 1; i < bands.size(); ++i)
      EXPECT_LE(bands[i - 1]->top() + bands[i - 1]->height(), bands[i]->top()) << out[i];
    return out;
  }

  report::UserDataSet source;
};

TEST_F(Inserting, EveryClassByAClickAndByADrawnRectangle) {
  auto& r = simple();
  auto& w = open(r);
  auto& band = object<Band>(r, "MasterData1");
  for (const ObjectTool& tool : object_tools()) {
    SCOPED_TRACE(tool.action);
    const size_t before = band.count();
    w.action(tool.action)->trigger();
    ASSERT_EQ(w.view().insert_tool(), &tool);
    click(w, at(w, band, 8, 4));
    ASSERT_EQ(band.count(), before + 1);
    auto* clicked = dynamic_cast<report::View*>(band.object(before));
    ASSERT_TRUE(clicked);
    EXPECT_TRUE(clicked->is(tool.info()));
    EXPECT_EQ(clicked->left(), 8);
    EXPECT_EQ(clicked->top(), 4);
    EXPECT_EQ(clicked->width(), tool.width);
    EXPECT_EQ(clicked->height(), std::min(tool.height, 26.0));  // never taller than the band left
    // The tool is spent: a second click selects instead of inserting.
    EXPECT_EQ(w.view().insert_tool(), nullptr);
    EXPECT_FALSE(w.action(tool.action)->isChecked());

    w.action(tool.action)->trigger();
    drag(w, at(w, band, 200, 4), at(w, band, 280, 28));
    ASSERT_EQ(band.count(), before + 2);
    auto* drawn = static_cast<report::View*>(band.object(before + 1));
    EXPECT_EQ(drawn->left(), 200);
    EXPECT_EQ(drawn->top(), 4);
    if (dynamic_cast<report::LineView*>(drawn)) {
      EXPECT_EQ(drawn->width(), 80);
      EXPECT_EQ(drawn->height(), 0);
    } else {
      EXPECT_EQ(drawn->width(), 80);
      EXPECT_EQ(drawn->height(), 24);
    }
    // Names by the report's rule: class name without "Trp" and "View", the first free number.
    std::string base = std::string(tool.info().name).substr(3);
    if (auto v = base.find("View"); v != std::string::npos) base.erase(v, 4);
    EXPECT_EQ(clicked->name(), base + "1");
    EXPECT_EQ(drawn->name(), base + "2");
  }
  // Each insertion was one step; a sub-report brought its page with it.
  EXPECT_EQ(w.pages().size(), 3u);
  EXPECT_EQ(w.page_tabs()->count(), 3);
  const int steps = w.undo_stack().count();
  EXPECT_EQ(steps, static_cast<int>(object_tools().size()) * 2);
  for (int i = 0; i < steps; ++i) w.undo_stack().undo();
  EXPECT_EQ(band.count(), 0u);
  EXPECT_EQ(w.pages().size(), 1u);
  EXPECT_EQ(w.page_tabs()->count(), 1);
  w.undo_stack().redo();
  EXPECT_TRUE(r.find_object("Memo1"));
}

TEST_F(Inserting, APressOutsideEveryBandPlacesNothingAndEscapeEndsTheTool) {
  auto& r = simple();
  auto& w = open(r);
  auto& band = object<Band>(r, "MasterData1");
  w.action("insert_Memo")->trigger();
  click(w, at(w, band, 20, 300));  // below every band
  EXPECT_EQ(band.count(), 0u);
  EXPECT_EQ(w.undo_stack().count(), 0);
  QTest::keyClick(w.view().viewport(), Qt::Key_Escape);
  QTest::keyClick(&w.view(), Qt::Key_Escape);
  EXPECT_EQ(w.view().insert_tool(), nullptr);
  EXPECT_FALSE(w.action("insert_Memo")->isChecked());
}

// Band menu: where each kind lands among a title, page header, group, data band with header and
// footer, summary and page footer. Page generation links a data header and footer only when
// they are the data band's direct neighbours and group headers and footers around them.
TEST_F(Inserting, BandsFromTheMenuAtTheirPlaces) {
  source.set_name("Zrodlo");
  auto& r = simple();
  r.add_dataset_item().data.set(&source);
  auto& w = open(r);
  auto* page = w.pages().front();
  QString condition = "<Zrodlo.\"kategoria\">";
  choice = "Zrodlo";
  auto add = [&](const char* action) {
    if (std::string_view(action) == "band_GroupHeader") {
      when_modal([&](QWidget* modal) {
        auto* editor = qobject_cast<ExpressionEditor*>(modal);
        ASSERT_TRUE(editor);
        QTest::keyClicks(editor->editor(), condition);
        editor->accept();
      });
    }
    w.action(action)->trigger();
  };
  add("band_PageFooter");
  add("band_ReportSummary");
  add("band_ReportTitle");
  add("band_Footer");
  add("band_Header");
  add("band_GroupHeader");
  add("band_GroupFooter");
  add("band_ColumnHeader");
  EXPECT_EQ(order(*page), (std::vector<std::string>{"ReportTitle1", "PageHeader1", "ColumnHeader1",
                                                    "GroupHeader1", "Header1", "MasterData1", "Footer1",
                                                    "GroupFooter1", "ReportSummary1", "PageFooter1"}));
  EXPECT_EQ(object<report::GroupHeader>(r, "GroupHeader1").condition, condition.toStdString());
  // A second master data band asks for its source and goes below everything printed with the data.
  add("band_MasterData");
  EXPECT_EQ(order(*page)[8], "MasterData2");
  EXPECT_EQ(object<report::DataBand>(r, "MasterData2").data.get(), &source);
  // Undone one by one, the page is as it was, the bands at their old tops.
  while (w.undo_stack().canUndo()) w.undo_stack().undo();
  EXPECT_EQ(order(*page), (std::vector<std::string>{"PageHeader1", "MasterData1"}));
  EXPECT_EQ(object<Band>(r, "MasterData1").top(), 40);
}

TEST_F(Inserting, ACancelledQuestionInsertsNoBand) {
  auto& r = simple();
  source.set_name("Zrodlo");
  auto& w = open(r);
  choice = "";  // the source question cancelled
  w.action("band_DetailData")->trigger();
  when_modal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
  w.action("band_GroupHeader")->trigger();
  EXPECT_EQ(w.undo_stack().count(), 0);
  EXPECT_EQ(order(*w.pages().front()).size(), 2u);
  EXPECT_TRUE(r.datasets.empty());
}

TEST_F(Inserting, AChildBandFollowsTheBandOfTheSelectionAndBecomesItsChild) {
  auto& r = simple();
  auto& w = open(r);
  auto& header = object<Band>(r, "PageHeader1");
  w.action("insert_Memo")->trigger();
  click(w, at(w, header, 4, 4));
  w.action("band_Child")->trigger();
  EXPECT_EQ(order(*w.pages().front()), (std::vector<std::string>{"PageHeader1", "Child1", "MasterData1"}));
  EXPECT_EQ(header.child(), r.find_object("Child1"));
  w.undo_stack().undo();
  EXPECT_EQ(header.child(), nullptr);
}

}  // namespace
}  // namespace orvena::designer

namespace orvena::designer {
namespace {

class SaveAndPreview : public DesignerFixture {};

// "Zapisz i podgląd": the file written first, then the preview; a cancelled name shows nothing.
TEST_F(SaveAndPreview, SavesThenPreviewsAndACancelledSavePreviewsNothing) {
  auto& r = *reports.emplace_back(std::make_unique<report::Report>());
  r.engine_options.new_silent_mode = report::SilentMode::Silent;
  r.add_new<report::ReportPage>()->create_unique_name();
  auto& w = open(r);
  w.action("band_ReportTitle")->trigger();
  w.action("save_preview")->trigger();  // no name given: cancelled
  EXPECT_FALSE(w.report_preview());
  EXPECT_TRUE(w.modified());
  names.push_back("nowy");
  w.action("save_preview")->trigger();
  EXPECT_FALSE(w.modified());
  EXPECT_NE(file_text("nowy.orp").find("ReportTitle1"), std::string::npos);
  ASSERT_TRUE(w.report_preview());
  EXPECT_TRUE(w.report_preview()->isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(!w.report_preview()->preparing(), 10000);
}

}  // namespace
}  // namespace orvena::designer
