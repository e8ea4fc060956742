// The data tree and what its entries become when dropped on a band.
#include <QApplication>
#include <QUndoStack>

#include "designer/data_fixture.h"
#include "report/starter_template.h"

namespace orvena::designer {
namespace {

class DataTreeDrop : public DataFixture {};

TEST_F(DataTreeDrop, ListsTheQueryFieldsTheReportVariablesAndTheSystemVariables) {
  auto& r = page_with_bands();
  auto* v = r.variables.emplace_back(std::make_unique<report::Variable>()).get();
  v->name = "Prog";
  auto& w = open(r);
  DataTree& tree = w.data_tree();
  EXPECT_TRUE(tree.find_entry("DaneOrvena", "produkt"));
  EXPECT_TRUE(tree.find_entry("DaneOrvena", "kwota"));
  EXPECT_EQ(DataTree::expression_of(tree.find_entry("DaneOrvena", "kwota")), "DaneOrvena.\"kwota\"");
  EXPECT_TRUE(tree.find_entry(kVariablesGroup, "Prog"));
  for (const char* name : {"Page#", "TotalPages#", "Date"})
    EXPECT_TRUE(tree.find_entry(kSystemGroup, name)) << name;
  // Functions are for the expression editor, not for dropping.
  EXPECT_EQ(tree.topLevelItemCount(), 3);
}

TEST_F(DataTreeDrop, AFieldOnADataBandBecomesABoundMemoShapedByTheField) {
  auto& r = page_with_bands();
  auto& w = open(r);
  auto& data = object<report::Band>(r, "MasterData1");
  ASSERT_TRUE(r.datasets.empty());
  struct Row {
    const char* field;
    report::HAlign align;
    bool numeric;
  } rows[] = {{"produkt", report::HAlign::Left, false}, {"kwota", report::HAlign::Right, true}};
  double x = 8;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.field);
    auto mime = drag_data(w, "DaneOrvena", row.field);
    ASSERT_TRUE(mime);
    ASSERT_TRUE(drop(w, *mime, at(w, data, x, 1)));
    auto* memo = dynamic_cast<report::MemoView*>(data.objects().back().get());
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->text(), "[DaneOrvena.\"" + std::string(row.field) + "\"]");
    EXPECT_EQ(memo->left(), x);
    EXPECT_EQ(memo->top(), 0);  // snapped
    const report::StarterField f{row.field, published.display_width(row.field), row.numeric};
    EXPECT_EQ(memo->width(), report::field_column_width(f));
    EXPECT_EQ(memo->halign, row.align);
    EXPECT_EQ(!memo->formats.empty() && memo->formats.front()->kind == report::FormatKind::Numeric,
              row.numeric);
    x += 200;
  }
  // The source joined the report's Datasets once, so that a run reads its fields.
  ASSERT_EQ(r.datasets.size(), 1u);
  EXPECT_EQ(r.datasets.front()->data.get(), &published);
  EXPECT_TRUE(r.save_to_stream().find("DataSetName=\"DaneOrvena\"") != std::string::npos);
  // Each drop is one step; the first undone also takes the source back out.
  w.undo_stack().undo();
  w.undo_stack().undo();
  EXPECT_EQ(data.count(), 0u);
  EXPECT_TRUE(r.datasets.empty());
}

TEST_F(DataTreeDrop, AFieldOnAHeaderBandGivesItsCaptionThereAndItsValueInTheDataBand) {
  auto& r = page_with_bands();
  auto& w = open(r);
  auto& header = object<report::Band>(r, "PageHeader1");
  auto& data = object<report::Band>(r, "MasterData1");
  auto mime = drag_data(w, "DaneOrvena", "kwota");
  ASSERT_TRUE(drop(w, *mime, at(w, header, 120, 4)));
  ASSERT_EQ(header.count(), 1u);
  ASSERT_EQ(data.count(), 1u);
  auto& caption = static_cast<report::MemoView&>(*header.object(0));
  auto& value = static_cast<report::MemoView&>(*data.object(0));
  EXPECT_EQ(caption.text(), "kwota");
  EXPECT_TRUE(caption.font().style & report::kFontBold);
  EXPECT_EQ(caption.halign, report::HAlign::Right);
  EXPECT_EQ(value.text(), "[DaneOrvena.\"kwota\"]");
  EXPECT_EQ(value.left(), caption.left());
  EXPECT_EQ(value.width(), caption.width());
  EXPECT_EQ(w.undo_stack().count(), 1);
}

TEST_F(DataTreeDrop, ASystemVariableBecomesItsBracketedName) {
  auto& r = page_with_bands();
  auto& w = open(r);
  auto& header = object<report::Band>(r, "PageHeader1");
  ASSERT_TRUE(drop(w, *drag_data(w, kSystemGroup, "TotalPages#"), at(w, header, 400, 0)));
  ASSERT_EQ(header.count(), 1u);
  EXPECT_EQ(static_cast<report::MemoView&>(*header.object(0)).text(), "[TotalPages#]");
  EXPECT_TRUE(r.datasets.empty());
}

TEST_F(DataTreeDrop, ADropOutsideEveryBandOrOfForeignDataIsRefused) {
  auto& r = page_with_bands();
  auto& w = open(r);
  auto& data = object<report::Band>(r, "MasterData1");
  EXPECT_FALSE(drop(w, *drag_data(w, "DaneOrvena", "kwota"), at(w, data, 20, 300)));
  QMimeData text;
  text.setText("[DaneOrvena.\"kwota\"]");
  EXPECT_FALSE(drop(w, text, at(w, data, 20, 4)));
  QMimeData broken;
  broken.setData(kDataMime, "field\n\nkwota");
  drop(w, broken, at(w, data, 20, 4));
  EXPECT_EQ(w.undo_stack().count(), 0);
}

}  // namespace
}  // namespace orvena::designer
