// Saving and reloading reproduces every stored property of every class.
#include <gtest/gtest.h>

#include "report/bands.h"
#include "report/class_registry.h"
#include "report/db_dataset.h"
#include "report/host.h"
#include "report/model_support.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::report {
namespace {

using testing::dump_tree;
using testing::read_into;
using testing::set_non_defaults;

// Builds a report holding one object of every registered class, each with non-default values.
struct FullReport {
  HostComponents host{"Form1"};
  DBDataset adapter;
  Report report;

  FullReport() {
    adapter.set_name("rpDBDataset1");
    adapter.set_user_name("DaneOrvena");
    host.add(adapter);
    report.host = &host;
    set_non_defaults(report);
    report.report_options.picture.kind = PictureKind::Bitmap;
    report.report_options.picture.bytes = std::string("BM\x06\0\0\0", 6);

    auto* page = report.add_new<ReportPage>();
    page->create_unique_name();
    auto* band = page->add_new<MasterData>();
    band->create_unique_name();
    auto* second_page = report.add_new<ReportPage>();
    second_page->create_unique_name();
    DataPage& data = report.ensure_data_page();

    for (const ClassInfo* cls : class_registry::all()) {
      std::unique_ptr<Component> c = cls->create();
      Component* parent = band;
      if (dynamic_cast<Page*>(c.get()))
        parent = &report;
      else if (dynamic_cast<Band*>(c.get()))
        parent = page;
      else if (dynamic_cast<DialogComponent*>(c.get()))
        parent = &data;
      Component* added = parent->add(std::move(c));
      added->create_unique_name();
    }
    for (Component* c : report.all_objects()) set_non_defaults(*c);
    set_non_defaults(*page);
    set_non_defaults(*band);

    // References, collections and values the generic pass leaves alone.
    auto* memo = static_cast<MemoView*>(report.find_object("Memo1"));
    auto* other_memo = band->add_new<MemoView>();
    other_memo->create_unique_name();
    memo->flow_to.reset(other_memo);
    memo->set_text("first line\r\nsecond \"ż\" <&>\r\n");
    for (int i = 0; i < 3; ++i) {
      memo->formats.push_back(std::make_unique<DisplayFormat>());
      set_non_defaults(*memo->formats.back());
    }
    for (int i = 0; i < 2; ++i) {
      memo->highlights.push_back(std::make_unique<Highlight>());
      set_non_defaults(*memo->highlights.back());
    }
    other_memo->display_format().format_str = "%2.2f";
    other_memo->highlight().condition = "<Value> > 0";
    auto* sys_memo = static_cast<SysMemoView*>(report.find_object("SysMemo1"));
    sys_memo->set_text("[Page#]");

    band->set_child(static_cast<Band*>(report.find_object("Child1")));
    auto* db = static_cast<DBDataset*>(report.find_object("DBDataset1"));
    band->data.set(db);
    page->data.set(db);
    static_cast<Subreport*>(report.find_object("Subreport1"))->set_page(second_page);
    auto* picture = static_cast<PictureView*>(report.find_object("Picture1"));
    picture->picture.kind = PictureKind::Png;
    picture->picture.bytes = std::string("\x89PNG\r\n\x1a\n\0\0", 10);
    page->back_picture.kind = PictureKind::Jpeg;
    page->back_picture.bytes = "\xFF\xD8\xFF\xE0 jpeg";

    report.add_dataset_item().data.set(&adapter);
    report.add_dataset_item().data.set(db);
    for (int i = 0; i < 2; ++i) {
      report.variables.push_back(std::make_unique<Variable>());
      set_non_defaults(*report.variables.back());
      report.styles.push_back(std::make_unique<StyleItem>());
      set_non_defaults(*report.styles.back());
    }
  }
};

TEST(TemplateRoundTrip, EveryClassWithNonDefaultPropertiesComesBackEqual) {
  FullReport full;
  std::string text = full.report.save_to_stream();

  Report loaded;
  loaded.host = &full.host;
  EXPECT_TRUE(read_into(loaded, text).empty());
  loaded.report_options.password = raise_password(loaded.report_options.password);

  auto expected = dump_tree(full.report);
  auto actual = dump_tree(loaded);
  for (auto& [key, value] : expected) EXPECT_EQ(actual[key], value) << key;
  EXPECT_EQ(actual.size(), expected.size());

  // Each registered class is in the file; a second save is byte for byte the first.
  for (const ClassInfo* cls : class_registry::all())
    EXPECT_NE(text.find("<" + std::string(cls->name) + " "), std::string::npos) << cls->name;
  EXPECT_EQ(loaded.save_to_stream(), text);
}

TEST(TemplateRoundTrip, FloatsComeBackRoundedToFifteenDigits) {
  Report r;
  auto* page = r.add_new<ReportPage>();
  page->set_name("Page1");
  auto* memo = page->add_new<MemoView>();
  memo->set_name("Memo1");
  memo->set_left(12.345678901234567);  // 17 significant digits
  memo->set_top(0.1 + 0.2);            // 0.30000000000000004
  std::string text = r.save_to_stream();
  EXPECT_NE(text.find("Left=\"12,3456789012346\""), std::string::npos) << text;
  EXPECT_NE(text.find("Top=\"0,3\""), std::string::npos);

  Report back;
  read_into(back, text);
  auto* m = static_cast<MemoView*>(back.find_object("Memo1"));
  ASSERT_NE(m, nullptr);
  EXPECT_DOUBLE_EQ(m->left(), 12.3456789012346);
  EXPECT_NE(m->left(), memo->left());
  EXPECT_DOUBLE_EQ(m->top(), 0.3);
}

}  // namespace
}  // namespace orvena::report

namespace orvena::report {
namespace {

// The file joins lines without a final CR LF, and reading drops a final line break; a last
// empty line therefore gets one more CR LF so that no save loses it.
TEST(TemplateRoundTrip, TrailingEmptyLinesSurvive) {
  const std::vector<std::vector<std::string>> cases = {{},        {""},      {"a"}, {"a", ""}, {"a", "", ""},
                                                       {"", "b"}, {"a", "b"}};
  for (const auto& lines : cases) {
    Report r;
    auto* memo = r.add_new<ReportPage>()->add_new<MemoView>();
    memo->set_name("Memo1");
    memo->memo = lines;
    r.script_text = lines;
    Report back;
    testing::read_into(back, r.save_to_stream());
    EXPECT_EQ(static_cast<MemoView*>(back.find_object("Memo1"))->memo, lines) << lines.size();
    EXPECT_EQ(back.script_text, lines) << lines.size();
  }
  // Without an empty last line the text is exactly the lines joined.
  Report r;
  auto* memo = r.add_new<ReportPage>()->add_new<MemoView>();
  memo->memo = {"A", "B"};
  EXPECT_NE(r.save_to_stream().find(" Text=\"A&#13;&#10;B\""), std::string::npos);
}

}  // namespace
}  // namespace orvena::report
