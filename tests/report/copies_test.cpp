// Copies through the serializer (Assign, AssignAll), one component as a string, differences
// against an ancestor, and the report's progress notifications.
#include <gtest/gtest.h>

#include "report/bands.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/serializer.h"
#include "report/views.h"

namespace orvena::report {
namespace {

TEST(Copies, AssignTakesPropertiesButNotTheName) {
  MemoView source, target;
  source.set_name("Source");
  source.set_bounds(1, 2, 3, 4);
  source.set_text("a\r\nb");
  source.frame.typ = 15;
  target.set_name("Target");
  assign(target, source);
  EXPECT_EQ(target.name(), "Target");
  EXPECT_EQ(target.left(), 1);
  EXPECT_EQ(target.memo, source.memo);
  EXPECT_EQ(target.frame.typ, 15);
}

TEST(Copies, AssignAllCopiesTheSubtreeOutsideTheReport) {
  Report r;
  auto* page = r.add_new<ReportPage>();
  page->set_name("Page1");
  auto* band = page->add_new<MasterData>();
  band->set_name("MasterData1");
  auto* memo = band->add_new<MemoView>();
  memo->set_name("Memo1");
  memo->set_text("x");
  auto* child = page->add_new<ChildBand>();
  child->set_name("Child1");
  band->set_child(child);

  ReportPage copy;
  copy.add_new<MemoView>()->set_name("Old");
  assign_all(copy, *page);
  EXPECT_EQ(copy.find_object("Old"), nullptr);
  ASSERT_EQ(copy.count(), 2u);
  auto* band_copy = static_cast<MasterData*>(copy.find_object("MasterData1"));
  ASSERT_NE(band_copy, nullptr);
  EXPECT_NE(band_copy, band);
  EXPECT_EQ(static_cast<MemoView*>(band_copy->object(0))->text(), "x");
  EXPECT_EQ(page->count(), 2u);  // the source is untouched
}

TEST(Copies, ComponentStringRoundTrip) {
  MemoView memo;
  memo.set_bounds(10.5, 0, 100, 18);
  memo.halign = HAlign::Right;
  memo.set_text("v");
  std::string s = write_component_str(memo);
  EXPECT_EQ(s.rfind("TrpMemoView Left=\"10,5\"", 0), 0u) << s;
  std::unique_ptr<Component> back = read_component_str(s + " l=\"20\"");  // later attributes override
  auto* m = dynamic_cast<MemoView*>(back.get());
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->left(), 20);
  EXPECT_EQ(m->halign, HAlign::Right);
  EXPECT_EQ(m->text(), "v");
  EXPECT_THROW(read_component_str("TrpNothing a=\"1\""), core::Error);
}

TEST(Copies, DifferencesAgainstAnAncestor) {
  MemoView base, changed;
  base.set_bounds(1, 2, 3, 4);
  changed.set_bounds(1, 2.0000001, 30, 4);  // Top within 0.000001: no difference
  changed.frame.set_width(2);
  changed.flow_to.reset(nullptr);
  base.flow_to.reset(&changed);
  Serializer s(nullptr);
  EXPECT_EQ(s.obj_to_xml(changed, "", &base), " Width=\"30\" FlowTo=\"nil\" Frame.Width=\"2\"");
  EXPECT_EQ(s.obj_to_xml(base, "", &base), "");
}

struct RecordingProgress : ProgressListener {
  std::vector<std::string> steps;
  int started = 0;
  void start(ProgressKind) override { ++started; }
  void step(ProgressKind, const std::string& message) override { steps.push_back(message); }
};

TEST(Progress, ShownForExportAndWithOldStyleForRunning) {
  Report r;
  RecordingProgress window;
  int pumped = 0;
  r.progress = &window;
  r.pump = [&] { ++pumped; };
  r.progress_start(ProgressKind::Running);
  r.progress_step(ProgressKind::Running, 1);
  r.progress_step(ProgressKind::Exporting, 2);
  r.progress_step(ProgressKind::Printing, 3);
  EXPECT_EQ(window.started, 0);
  EXPECT_EQ(window.steps, (std::vector<std::string>{"Eksportowanie strony 2", "Drukowanie strony 3"}));
  EXPECT_EQ(pumped, 4);  // every notification lets the windows breathe

  r.old_style_progress = true;
  r.progress_step(ProgressKind::Running, 4);
  r.progress_step(ProgressKind::Running, 5, true);
  EXPECT_EQ(window.steps.back(), "Pierwszy przebieg: strona 5");
  EXPECT_EQ(window.steps[2], "Tworzenie strony 4");

  r.show_progress = false;
  r.progress_step(ProgressKind::Exporting, 6);
  EXPECT_EQ(window.steps.size(), 4u);
  r.engine_options.enable_thread_safe = true;  // skipped altogether, no pumping either
  int before = pumped;
  r.progress_step(ProgressKind::Exporting, 7);
  EXPECT_EQ(pumped, before);
}

}  // namespace
}  // namespace orvena::report
