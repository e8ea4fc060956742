// Structural copies: every stored property arrives unchanged, floats to the last bit, and the
// text, formats and highlights that text objects keep beside their property table come along.
// Value objects compare equal only when every stored property is.
#include <gtest/gtest.h>

#include "model_support.h"
#include "report/bands.h"
#include "report/class_registry.h"
#include "report/copy.h"
#include "report/datasets.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/serializer.h"
#include "report/views.h"
#include "report/xml_document.h"

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

std::string template_text(const Component& c) {
  XmlDocument doc;
  Serializer(nullptr).write_root(doc.root(), c, false);
  return doc.save();
}

// However a class is copied (its copy constructor, or its property table), the clone writes the
// same template text as its source, nested formats and highlights included: a member that a copy
// constructor leaves behind fails here.
TEST(StructuralCopy, EveryClassCloneWritesTheSourcesTemplateText) {
  for (const ClassInfo* cls : class_registry::all()) {
    if (!cls->create || !cls->inherits(ReportComponent::static_class())) continue;
    SCOPED_TRACE(std::string(cls->name));
    auto original = cls->create();
    original->set_name("Obj1");
    testing::set_non_defaults(*original);
    if (original->is(CustomMemoView::static_class())) {
      auto& memo = static_cast<CustomMemoView&>(*original);
      memo.set_text("line 1\r\nline 2");
      for (int i = 0; i < 2; ++i) {
        memo.formats.push_back(std::make_unique<DisplayFormat>());
        testing::set_non_defaults(*memo.formats.back());
        memo.highlights.push_back(std::make_unique<Highlight>());
        testing::set_non_defaults(*memo.highlights.back());
      }
    }
    for (auto references : {CopyReferences::Keep, CopyReferences::Drop}) {
      auto copy = clone_component(*original, CopyChildren::No, references);
      ASSERT_EQ(&copy->class_info(), cls);
      EXPECT_EQ(template_text(*copy), template_text(*original));
      EXPECT_EQ(copy->name(), "Obj1");
      EXPECT_EQ(copy->style_flags, original->style_flags);
    }
  }
}

// A clone is a node of its own: no parent, no report, no children unless asked for, and a life
// of its own (references to it outlive the source).
TEST(StructuralCopy, AClonesPlaceInATreeIsItsOwn) {
  Report report;
  auto* page = report.add_new<ReportPage>();
  auto* band = page->add_new<MasterData>();
  band->set_name("Band1");
  band->add_new<MemoView>()->set_name("Memo1");

  auto copy = clone_component(*band, CopyChildren::No);
  EXPECT_EQ(copy->parent(), nullptr);
  EXPECT_EQ(copy->report(), nullptr);
  EXPECT_EQ(copy->count(), 0u);
  EXPECT_EQ(report.find_object("Band1"), band);  // the source keeps its name in the report

  Ref<Component> to_copy(copy.get());
  band->destroy();
  EXPECT_EQ(to_copy.get(), copy.get());
  copy.reset();
  EXPECT_EQ(to_copy.get(), nullptr);
}

// What one printing left in an object is not copied: a value left over would make a writer take
// the copy's text for a number, a highlight marked active would show on every copy.
TEST(StructuralCopy, PrintingStateStaysBehind) {
  MemoView memo;
  memo.set_text("12,50");
  memo.value = core::Variant(12.5);
  memo.last_value = "12,50";
  memo.part_memo = "rest";
  memo.highlights.push_back(std::make_unique<Highlight>());
  memo.highlights[0]->condition = "Value > 0";
  memo.highlights[0]->active = true;

  auto copy = clone_component(memo, CopyChildren::No);
  auto& m = static_cast<MemoView&>(*copy);
  EXPECT_EQ(m.text(), "12,50");
  EXPECT_TRUE(m.value.is_null_or_empty());
  EXPECT_EQ(m.last_value, "");
  EXPECT_EQ(m.part_memo, "");
  ASSERT_EQ(m.highlights.size(), 1u);
  EXPECT_EQ(m.highlights[0]->condition, "Value > 0");
  EXPECT_FALSE(m.highlights[0]->active);
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

// A clone without references must hold what the table copy holds: the reference members cleared,
// everything that goes with them (a data band's source name, and the source that name finds)
// kept. Rebuilt pages are made of such clones.
TEST(StructuralCopy, DroppedReferencesLeaveWhatTheTableCopyLeaves) {
  UserDataSet list;
  list.set_name("Lista1");
  list.set_user_name("ListaOrvena");
  Report report;
  auto* page = report.add_new<ReportPage>();
  auto* header = page->add_new<HeaderBand>();
  header->set_name("Header1");
  auto* child = page->add_new<ChildBand>();
  child->set_name("Child1");
  header->set_child(child);
  auto* linked = page->add_new<MasterData>();
  linked->set_name("Data1");
  linked->data.set(&list);
  linked->set_child(child);
  auto* named = page->add_new<DetailData>();
  named->set_name("Data2");
  named->data.set_name("NieMaTakiego", &report);
  auto* first = header->add_new<MemoView>();
  first->set_name("Memo1");
  auto* second = header->add_new<MemoView>();
  second->set_name("Memo2");
  first->flow_to.reset(second);

  for (const Component* source : std::initializer_list<const Component*>{header, linked, named, first}) {
    SCOPED_TRACE(source->name());
    auto fast = clone_component(*source, CopyChildren::No, CopyReferences::Drop);
    auto table = source->class_info().create();
    table->set_name(source->name());
    copy_properties(*source, *table, CopyReferences::Drop);
    EXPECT_EQ(dump_of(*fast), dump_of(*table));
    if (source->is(Band::static_class())) {
      EXPECT_EQ(static_cast<Band&>(*fast).child(), nullptr);
    }
    if (source->is(DataBand::static_class())) {
      auto& fast_data = static_cast<DataBand&>(*fast).data;
      auto& table_data = static_cast<DataBand&>(*table).data;
      EXPECT_EQ(fast_data.data_set_name, table_data.data_set_name);
      EXPECT_EQ(fast_data.get(), table_data.get());
      EXPECT_EQ(fast_data.name(), static_cast<const DataBand&>(*source).data.name());
    }
    if (source->is(CustomMemoView::static_class())) {
      EXPECT_EQ(static_cast<CustomMemoView&>(*fast).flow_to.get(), nullptr);
    }
  }
  // The source keeps its own links.
  EXPECT_EQ(header->child(), child);
  EXPECT_EQ(linked->data.get(), &list);
  EXPECT_EQ(first->flow_to.get(), second);
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
