// Structural copies: every stored property arrives unchanged, floats to the last bit, and the
// text, formats and highlights that text objects keep beside their property table come along.
// Value objects compare equal only when every stored property is.
#include <gtest/gtest.h>

#include "model_support.h"
#include "report/bands.h"
#include "report/class_registry.h"
#include "report/copy.h"
#include "report/pages.h"
#include "report/views.h"

namespace orvena::report {
namespace {

using testing::dump;

std::map<std::string, std::string> dump_of(const Persistent& obj) {
  std::map<std::string, std::string> out;
  dump(obj, "", out);
  return out;
}

// Every creatable object class with all its properties off their defaults copies equal.
TEST(StructuralCopy, EveryClassCopiesEveryProperty) {
  for (const ClassInfo* cls : class_registry::all()) {
    if (!cls->create || !cls->inherits(ReportComponent::static_class())) continue;
    SCOPED_TRACE(std::string(cls->name));
    auto original = cls->create();
    original->set_name("Obj1");
    testing::set_non_defaults(*original);
    if (auto* memo = dynamic_cast<CustomMemoView*>(original.get())) {
      memo->set_text("line 1\r\nline 2");
      memo->formats.push_back(std::make_unique<DisplayFormat>());
      memo->formats.push_back(std::make_unique<DisplayFormat>());
      memo->formats[1]->format_str = "#,##0.00";
      memo->highlights.push_back(std::make_unique<Highlight>());
      memo->highlights[0]->condition = "Value > 0";
    }
    auto copy = clone_component(*original, CopyChildren::No);
    EXPECT_EQ(dump_of(*copy), dump_of(*original));
  }
}

TEST(StructuralCopy, FloatsKeepEveryBitAndChildrenFollow) {
  MasterData band;
  band.set_name("Band1");
  auto* memo = band.add_new<MemoView>();
  memo->set_name("Memo1");
  memo->set_left(0.1 + 0.2);  // 0.30000000000000004: 15 digits of text would lose it
  memo->gap_x = 1.0 / 3.0;
  memo->fill.set_type(FillType::Gradient);
  static_cast<GradientFill&>(memo->fill.fill()).end_color = 255;

  auto copy = clone_component(band, CopyChildren::Yes);
  ASSERT_EQ(copy->count(), 1u);
  auto& memo_copy = static_cast<MemoView&>(*copy->object(0));
  EXPECT_EQ(memo_copy.left(), 0.1 + 0.2);
  EXPECT_EQ(memo_copy.gap_x, 1.0 / 3.0);
  ASSERT_EQ(memo_copy.fill.type(), FillType::Gradient);
  EXPECT_EQ(static_cast<GradientFill&>(memo_copy.fill.fill()).end_color, 255);
  EXPECT_EQ(memo_copy.name(), "Memo1");
}

// A copy of one format must not give the source a format it did not have, and the copy's lists
// are its own.
TEST(StructuralCopy, CollectionsAreCopiedNotShared) {
  MemoView memo;
  memo.display_format().format_str = "0.00";
  auto copy = clone_component(memo, CopyChildren::No);
  auto& m = static_cast<MemoView&>(*copy);
  ASSERT_EQ(m.formats.size(), 1u);
  m.formats[0]->format_str = "changed";
  EXPECT_EQ(memo.formats[0]->format_str, "0.00");

  MemoView plain;
  clone_component(plain, CopyChildren::No);
  EXPECT_TRUE(plain.formats.empty());
  EXPECT_TRUE(plain.highlights.empty());
}

TEST(StructuralCopy, ReferencesKeptOrDropped) {
  ReportPage page;
  auto* header = page.add_new<HeaderBand>();
  header->set_name("Header1");
  auto* child = page.add_new<ChildBand>();
  child->set_name("Child1");
  header->set_child(child);

  EXPECT_EQ(static_cast<Band&>(*clone_component(*header, CopyChildren::No)).child(), child);
  EXPECT_EQ(static_cast<Band&>(*clone_component(*header, CopyChildren::No, CopyReferences::Drop)).child(),
            nullptr);
}

// Records skip value objects that compare equal, so a comparison that forgot a member would drop
// that member's changes from every printed page: each property changed alone must be noticed.
void vary(Persistent& obj, const PropInfo& p) {
  switch (p.kind) {
    case PropKind::Integer:
    case PropKind::Set:
      p.set_ordinal(obj, p.get_ordinal(obj) ^ 1);
      break;
    case PropKind::Boolean:
    case PropKind::Enumeration:
      p.set_ordinal(obj, (p.get_ordinal(obj) + 1) % static_cast<int64_t>(p.names.size()));
      break;
    case PropKind::Float:
      p.set_float(obj, p.get_float(obj) + 1.5);
      break;
    case PropKind::String:
      p.set_string(obj, p.get_string(obj) + "x");
      break;
    default:
      break;
  }
}

template <class T>
void expect_every_property_compared() {
  T base;
  SCOPED_TRACE(std::string(base.class_info().name));
  EXPECT_TRUE(base == T(base));
  for (const PropInfo* p : base.class_info().all) {
    if (p->kind == PropKind::Object) {
      for (const PropInfo* inner : p->get_object(base)->class_info().all) {
        T changed(base);
        vary(*p->get_object(changed), *inner);
        EXPECT_FALSE(base == changed) << p->name << "." << inner->name;
      }
      continue;
    }
    if (!p->has_setter()) continue;
    T changed(base);
    vary(changed, *p);
    EXPECT_FALSE(base == changed) << p->name;
  }
}

TEST(ValueComparisons, EveryStoredPropertyCounts) {
  expect_every_property_compared<Font>();
  expect_every_property_compared<Frame>();
  expect_every_property_compared<FrameLine>();
  expect_every_property_compared<BrushFill>();
  expect_every_property_compared<GradientFill>();
  expect_every_property_compared<GlassFill>();
  expect_every_property_compared<Hyperlink>();
  expect_every_property_compared<DisplayFormat>();
}

}  // namespace
}  // namespace orvena::report
