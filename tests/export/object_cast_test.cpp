// The export walk's cached class questions must give what dynamic_cast gives, for every object
// class, whether its answer is remembered, was pushed out by other classes, or is asked anew.
#include "export/object_cast.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "report/bands.h"
#include "report/pages.h"
#include "report/views.h"

namespace orvena::exporting {
namespace {

template <class To>
void expect_same_answers(const std::vector<std::unique_ptr<report::Component>>& objects, const char* to) {
  for (const auto& object : objects) {
    report::Component* p = object.get();
    const report::Component* c = object.get();
    EXPECT_EQ(object_cast<To>(p), dynamic_cast<To*>(p)) << p->class_name() << " as " << to;
    EXPECT_EQ(object_cast<To>(c), dynamic_cast<const To*>(c)) << c->class_name() << " as const " << to;
  }
}

TEST(ObjectCast, AnswersAsDynamicCastForEveryClassAndAfterOtherClassesPushedItsAnswerOut) {
  std::vector<std::unique_ptr<report::Component>> objects;
  // More classes than answers are kept, so the later rounds ask again about classes whose
  // answers were dropped, and two objects of one class share one answer.
  objects.push_back(std::make_unique<report::MemoView>());
  objects.push_back(std::make_unique<report::SysMemoView>());
  objects.push_back(std::make_unique<report::LineView>());
  objects.push_back(std::make_unique<report::PictureView>());
  objects.push_back(std::make_unique<report::ShapeView>());
  objects.push_back(std::make_unique<report::BarCodeView>());
  objects.push_back(std::make_unique<report::CheckBoxView>());
  objects.push_back(std::make_unique<report::MasterData>());
  objects.push_back(std::make_unique<report::DetailData>());
  objects.push_back(std::make_unique<report::PageHeader>());
  objects.push_back(std::make_unique<report::PageFooter>());
  objects.push_back(std::make_unique<report::GroupHeader>());
  objects.push_back(std::make_unique<report::ReportPage>());
  objects.push_back(std::make_unique<report::MemoView>());
  for (int round = 0; round < 3; ++round) {
    expect_same_answers<report::View>(objects, "View");
    expect_same_answers<report::CustomMemoView>(objects, "CustomMemoView");
    expect_same_answers<report::DataBand>(objects, "DataBand");
    expect_same_answers<report::PageHeader>(objects, "PageHeader");
  }
  EXPECT_EQ(object_cast<report::View>(static_cast<report::Component*>(nullptr)), nullptr);
}

}  // namespace
}  // namespace orvena::exporting
