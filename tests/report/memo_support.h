#pragma once
// A report with one page, a master data band over rows held in the test, and a generation run
// context, for filling text objects as page generation does.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/text.h"
#include "report/bands.h"
#include "report/engine_context.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::report::testing {

using Row = std::map<std::string, core::Variant>;  // lower-case field names

class MemoRun : public ::testing::Test {
 protected:
  void SetUp() override {
    report.engine_options.new_silent_mode = SilentMode::Silent;
    page = report.add_new<ReportPage>();
    page->set_name("Page1");
    dane = report.ensure_data_page().add_new<UserDataSet>();
    dane->set_name("Dane");
    dane->fields = {"grupa", "kwota", "nazwa"};
    dane->range_end = RangeEnd::Count;
    dane->on_get_value = [this](std::string_view field) -> core::Variant {
      const Row& row = rows.at(size_t(dane->rec_no()));
      auto it = row.find(core::to_lower(field));
      return it == row.end() ? core::Variant() : it->second;
    };
    report.add_dataset_item().data.set(dane);
    master = add_band<MasterData>("MasterData1", 100);
    master->data.set(dane);
  }

  void set_rows(std::vector<Row> r) {
    rows = std::move(r);
    dane->range_end_count = int64_t(rows.size());
    dane->first();
  }

  template <class B>
  B* add_band(const std::string& name, double top) {
    auto* b = page->add_new<B>();
    b->set_name(name);
    b->set_bounds(0, top, 700, 20);
    return b;
  }

  MemoView* add_memo(Component* parent, const std::string& name, std::string_view text) {
    auto* m = parent->add_new<MemoView>();
    m->set_name(name);
    m->set_bounds(0, 0, 200, 20);
    m->set_text(text);
    return m;
  }

  // Starts the run: the context, the script compiled.
  EngineContext& start() {
    ctx = std::make_unique<EngineContext>(report);
    EXPECT_TRUE(ctx->prepare_script()) << (report.errors().empty() ? "" : report.errors().front());
    return *ctx;
  }

  // One printing of a text object: its text as printed.
  std::string print(CustomMemoView& m) {
    m.before_print();
    m.get_data();
    std::string text = m.text();
    m.after_print();
    return text;
  }

  Report report;
  ReportPage* page = nullptr;
  UserDataSet* dane = nullptr;
  MasterData* master = nullptr;
  std::vector<Row> rows;
  std::unique_ptr<EngineContext> ctx;
};

}  // namespace orvena::report::testing
