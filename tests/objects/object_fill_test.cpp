// Barcodes and check boxes filled as page generation fills them: from a data field, from an
// expression, from brackets in the stored text, and back to the stored value after printing.
#include <gtest/gtest.h>

#include "report/memo_support.h"

namespace orvena::report::testing {
namespace {

using core::Variant;

class ObjectFill : public MemoRun {
 protected:
  void SetUp() override {
    MemoRun::SetUp();
    dane->fields = {"flaga", "liczba", "kwota", "kod"};
  }

  template <class V>
  V* add(const std::string& name) {
    auto* v = master->add_new<V>();
    v->set_name(name);
    return v;
  }

  // The values of one printing on each row.
  template <class V, class F>
  auto each_row(V& view, F value) {
    std::vector<decltype(value(view))> out;
    for (dane->first(); !dane->eof(); dane->next()) {
      view.before_print();
      view.get_data();
      out.push_back(value(view));
      view.after_print();
    }
    return out;
  }
};

TEST_F(ObjectFill, CheckBoxFromABooleanFieldAnIntegerFieldAndAnExpression) {
  set_rows({{{"flaga", Variant(true)}, {"liczba", Variant(1)}, {"kwota", Variant(12.5)}},
            {{"flaga", Variant(false)}, {"liczba", Variant(0)}, {"kwota", Variant(0.0)}},
            {{"flaga", Variant::null()}, {"liczba", Variant::null()}, {"kwota", Variant(-3)}}});
  auto* by_flag = add<CheckBoxView>("Flaga");
  by_flag->data.set(dane);
  by_flag->data_field = "flaga";
  auto* by_number = add<CheckBoxView>("Liczba");
  by_number->data.set(dane);
  by_number->data_field = "liczba";
  auto* by_expression = add<CheckBoxView>("Wyrazenie");
  by_expression->expression = "<Dane.\"kwota\"> > 0";
  auto* stored = add<CheckBoxView>("Stale");
  stored->checked = false;
  start();

  auto checked = [](CheckBoxView& v) { return v.checked; };
  using B = std::vector<bool>;
  EXPECT_EQ(each_row(*by_flag, checked), (B{true, false, false}));  // null reads as false
  EXPECT_EQ(each_row(*by_number, checked), (B{true, false, false}));
  EXPECT_EQ(each_row(*by_expression, checked), (B{true, false, false}));
  EXPECT_EQ(each_row(*stored, checked), (B{false, false, false}));
  EXPECT_TRUE(by_flag->checked);  // the stored value is back
}

TEST_F(ObjectFill, BarcodeTextFromAFieldAnExpressionOrBrackets) {
  set_rows({{{"kod", Variant("ABC-1")}, {"liczba", Variant(7)}},
            {{"kod", Variant("XYZ-2")}, {"liczba", Variant(8)}}});
  auto* by_field = add<BarCodeView>("Pole");
  by_field->data.set(dane);
  by_field->data_field = "kod";
  auto* by_expression = add<BarCodeView>("Wyrazenie");
  by_expression->expression = "<Dane.\"liczba\"> * 100";
  by_expression->text = "tekst";
  auto* bracketed = add<BarCodeView>("Nawiasy");
  bracketed->text = "NR[Dane.\"liczba\"]/[Line#]";
  auto* plain = add<BarCodeView>("Stały");
  start();

  auto text = [](BarCodeView& v) { return v.text; };
  using S = std::vector<std::string>;
  EXPECT_EQ(each_row(*by_field, text), (S{"ABC-1", "XYZ-2"}));
  EXPECT_EQ(each_row(*by_expression, text), (S{"700", "800"}));
  EXPECT_EQ(each_row(*bracketed, text), (S{"NR7/1", "NR8/1"}));
  EXPECT_EQ(each_row(*plain, text), (S{"12345678", "12345678"}));
  EXPECT_EQ(bracketed->text, "NR[Dane.\"liczba\"]/[Line#]");
  EXPECT_EQ(by_expression->text, "tekst");
}

}  // namespace
}  // namespace orvena::report::testing
