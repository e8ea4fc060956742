// DesignReport: the report component opens the host's designer once at a time, with its
// modified flag reset, and sees the designer's edits and flag afterwards.
#include <gtest/gtest.h>

#include <stdexcept>

#include "report/report.h"

namespace orvena::report {
namespace {

struct FakeDesigner : DesignerPort {
  int opened = 0;
  bool was_modified = true, was_open = false, modal = false;
  std::function<void(Report&)> edit;
  void open_designer(Report& r, bool m, bool) override {
    ++opened;
    modal = m;
    was_modified = r.modified;
    was_open = r.designer_open();
    r.design_report();  // a second designer while this one is open: nothing
    if (edit) edit(r);
  }
};

TEST(DesignReport, OpensTheHostsDesignerOnceAtATime) {
  Report r;
  r.design_report();  // no designer: nothing happens
  FakeDesigner designer;
  r.designer = &designer;
  r.modified = true;
  designer.edit = [](Report& rep) { rep.modified = true; };
  r.design_report();
  EXPECT_EQ(designer.opened, 1);
  EXPECT_TRUE(designer.modal);
  EXPECT_FALSE(designer.was_modified);  // reset before the window opens
  EXPECT_TRUE(designer.was_open);
  EXPECT_FALSE(r.designer_open());  // a modal designer has closed when the call returns
  EXPECT_TRUE(r.modified);          // the caller sees the designer's flag

  // Non-modal: open until the window says it has closed.
  r.design_report(false);
  EXPECT_TRUE(r.designer_open());
  r.design_report(false);
  EXPECT_EQ(designer.opened, 2);
  r.designer_closed();
  EXPECT_FALSE(r.designer_open());

  // A designer that fails to open leaves none open.
  designer.edit = [](Report&) { throw std::runtime_error("brak okna"); };
  EXPECT_THROW(r.design_report(), std::runtime_error);
  EXPECT_FALSE(r.designer_open());
}

}  // namespace
}  // namespace orvena::report
