// Hand-written templates for the reader's edge cases, loaded the way a run loads them.
#include <gtest/gtest.h>

#include "core/line_file.h"
#include "report/bands.h"
#include "report/db_dataset.h"
#include "report/host.h"
#include "report/model_support.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::report {
namespace {

using testing::fixture;

// A report set up as the runner's: silent, so errors are only collected.
struct Loaded {
  Report report;
  explicit Loaded(const std::string& name) {
    report.engine_options.new_silent_mode = SilentMode::Silent;
    EXPECT_TRUE(report.load_from_file(fixture(name)));
  }
  template <class T>
  T* get(const std::string& name) {
    return dynamic_cast<T*>(report.find_object(name));
  }
};

TEST(TemplateRead, FileWithoutDeclarationIsInvalidAndBuildsNothing) {
  Loaded t("no_declaration.orp");
  EXPECT_EQ(t.report.errors(), std::vector<std::string>{"Invalid file format"});
  EXPECT_EQ(t.report.find_object("Page1"), nullptr);
  // Every loaded report has its data page, even after a failed load.
  ASSERT_EQ(t.report.count(), 1u);
  EXPECT_NE(dynamic_cast<DataPage*>(t.report.object(0)), nullptr);
  ASSERT_EQ(t.report.diagnostics().size(), 1u);
  EXPECT_EQ(t.report.diagnostics()[0].line, 1);
}

TEST(TemplateRead, StructuralFaultsNameTheirPlace) {
  struct Case {
    const char* file;
    int line, column;  // where the scanner stopped
  } cases[] = {
      {"lt_in_tag.orp", 3, 31},    // the second '<' inside the page's start tag
      {"end_mismatch.orp", 4, 3},  // </TrpPage> closing TrpReportPage
      {"truncated.orp", 5, 1},     // the file ends inside a tag
  };
  for (const Case& c : cases) {
    Loaded t(c.file);
    EXPECT_EQ(t.report.errors(), std::vector<std::string>{"Invalid file format"}) << c.file;
    ASSERT_EQ(t.report.diagnostics().size(), 1u) << c.file;
    EXPECT_EQ(t.report.diagnostics()[0].line, c.line) << c.file;
    EXPECT_EQ(t.report.diagnostics()[0].column, c.column) << c.file;
    EXPECT_EQ(t.report.find_object("Page1"), nullptr) << c.file;
  }
}

TEST(TemplateRead, CommentsAndTextBetweenTagsAreSkipped) {
  Loaded t("comment.orp");
  EXPECT_TRUE(t.report.errors().empty());
  EXPECT_EQ(t.report.find_object("Hidden"), nullptr);
  ASSERT_NE(t.get<MemoView>("Shown"), nullptr);
  auto* memo = t.get<MemoView>("Memo1");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->parent()->name(), "MasterData1");
  EXPECT_EQ(memo->text(), "Hello");
}

TEST(TemplateRead, FloatsReadWithCommaOrPoint) {
  Loaded t("decimal_comma.orp");
  EXPECT_TRUE(t.report.errors().empty());
  for (const char* name : {"Comma", "Point"}) {
    auto* m = t.get<MemoView>(name);
    ASSERT_NE(m, nullptr);
    EXPECT_DOUBLE_EQ(m->left(), 10.5) << name;
    EXPECT_DOUBLE_EQ(m->top(), 2.25) << name;
    EXPECT_DOUBLE_EQ(m->width(), 1000.5) << name;  // blanks inside the number are dropped
  }
}

TEST(TemplateRead, MemoWithCrLfIsTwoLinesAndIsWrittenBackEscaped) {
  Loaded t("memo_crlf.orp");
  auto* memo = t.get<MemoView>("Memo1");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->memo, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(t.get<MemoView>("Memo2")->memo, (std::vector<std::string>{"short", "form"}));
  std::string saved = t.report.save_to_stream();
  EXPECT_NE(saved.find(" Text=\"A&#13;&#10;B\""), std::string::npos);
}

TEST(TemplateRead, EntitiesAndReferencesBecomeCharacters) {
  Loaded t("quot.orp");
  auto* memo = t.get<MemoView>("Memo1");
  ASSERT_NE(memo, nullptr);
  // &amp without its semicolon stays as written.
  EXPECT_EQ(memo->text(), "say \"hi\" & <b> & &amp");
  EXPECT_EQ(memo->tag_str, "a\"b");
}

TEST(TemplateRead, QuotEntityInAValueComesBackAsAQuote) {
  Report r;
  auto* memo = r.add_new<ReportPage>()->add_new<MemoView>();
  memo->set_name("Memo1");
  memo->set_text("a &quot;b&quot; & c");
  memo->tag_str = std::string(40, 'x') + " & ";  // a long value: the ampersand is still a reference
  std::string saved = r.save_to_stream();
  EXPECT_NE(saved.find("Text=\"a &#34;b&#34; &#38; c\""), std::string::npos);
  EXPECT_NE(saved.find("TagStr=\"" + std::string(40, 'x') + " &#38; \""), std::string::npos);
  Report back;
  testing::read_into(back, saved);
  EXPECT_EQ(static_cast<MemoView*>(back.find_object("Memo1"))->text(), "a \"b\" & c");
}

TEST(TemplateRead, FrameTypAndAlignmentByNumberOrName) {
  Loaded t("frame_halign.orp");
  EXPECT_TRUE(t.report.errors().empty());
  auto* by_number = t.get<MemoView>("ByNumber");
  auto* by_name = t.get<MemoView>("ByName");
  EXPECT_EQ(by_number->frame.typ, kFrameLeft | kFrameRight | kFrameTop | kFrameBottom);
  EXPECT_EQ(by_number->halign, HAlign::Center);
  EXPECT_EQ(by_name->halign, HAlign::Center);
  EXPECT_EQ(by_name->frame.typ, 0);
  EXPECT_EQ(by_name->frame.left_line.width, 3);
  EXPECT_EQ(by_name->frame.top_line.width, 1);
}

TEST(TemplateRead, BadValuesAreErrorsAndTheRestStillLoads) {
  Loaded t("bad_values.orp");
  EXPECT_EQ(t.report.errors(), (std::vector<std::string>{
                                   "'12x' is not a valid integer value",
                                   "'1bad' is not a valid component name",
                                   "'abc' is not a valid floating point value",
                                   "Invalid property element: 9",
                                   "Invalid property element: haMiddle",
                                   "Invalid property element: Maybe",
                               }));
  auto* memo = t.get<MemoView>("Memo1");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->left(), 0);  // kept its previous value
  EXPECT_EQ(memo->top(), 7);   // later attributes still applied
  EXPECT_EQ(memo->width(), 50);
  EXPECT_TRUE(memo->visible);
  EXPECT_EQ(memo->halign, HAlign::Left);
  EXPECT_EQ(memo->frame.typ, 15);  // bits beyond the four lines dropped
  // The unnamed object is still there, with its geometry.
  auto* page = t.get<ReportPage>("Page1");
  ASSERT_EQ(page->count(), 3u);
  EXPECT_EQ(page->object(1)->name(), "");
  EXPECT_EQ(page->object(1)->left(), 3);
  // A reference to a missing object stays empty without an error.
  EXPECT_EQ(t.get<MasterData>("MasterData1")->child(), nullptr);
  // Every error carries its line.
  for (auto& d : t.report.diagnostics()) EXPECT_GT(d.line, 0) << d.text;
}

TEST(TemplateRead, UnregisteredClassIsReportedAndSkippedWithItsSubtree) {
  Loaded t("unknown_class.orp");
  EXPECT_EQ(t.report.errors(), std::vector<std::string>{"Nie znaleziono klasy TrpGaugeView"});
  EXPECT_NE(t.report.find_object("Before"), nullptr);
  EXPECT_NE(t.report.find_object("After"), nullptr);
  EXPECT_EQ(t.report.find_object("Gauge1"), nullptr);
  EXPECT_EQ(t.report.find_object("InsideUnknown"), nullptr);
  ASSERT_EQ(t.report.diagnostics().size(), 1u);
  EXPECT_EQ(t.report.diagnostics()[0].line, 5);
  EXPECT_EQ(t.report.diagnostics()[0].column, 5);
}

TEST(TemplateRead, DatasetItemsResolveByComponentNameAndByUserName) {
  HostComponents form("Form1");
  DBDataset main_adapter, other_adapter;
  main_adapter.set_name("rpDBDataset1");
  main_adapter.set_user_name("DaneOrvena");
  other_adapter.set_name("rpDBDataset2");
  other_adapter.set_user_name("Inne");
  form.add(main_adapter);
  form.add(other_adapter);

  Report r;
  r.host = &form;
  r.engine_options.new_silent_mode = SilentMode::Silent;
  ASSERT_TRUE(r.load_from_file(fixture("datasets.orp")));
  EXPECT_TRUE(r.errors().empty());
  ASSERT_EQ(r.datasets.size(), 2u);
  EXPECT_EQ(r.datasets[0]->data.get(), &main_adapter);  // DataSet="rpDBDataset1": the component name
  EXPECT_EQ(r.datasets[0]->data.name(), "DaneOrvena");
  EXPECT_EQ(r.datasets[1]->data.get(), &other_adapter);  // DataSetName="Inne": the user name
  // A band naming the source in another letter case still binds to it.
  EXPECT_EQ(static_cast<MasterData*>(r.find_object("MasterData1"))->data.get(), &main_adapter);
  ASSERT_EQ(r.variables.size(), 1u);
  EXPECT_EQ(r.variables[0]->value, "'Orvena'");

  // Written back, the host's adapter is named plainly (the report's owner is the host).
  EXPECT_NE(r.save_to_stream().find("<item DataSet=\"rpDBDataset1\" DataSetName=\"DaneOrvena\"/>"),
            std::string::npos);
}

TEST(TemplateRead, DuplicateNameInAFileAppliesToTheExistingComponent) {
  Loaded t("duplicate_names.orp");
  EXPECT_TRUE(t.report.errors().empty());
  auto* page = t.get<ReportPage>("Page1");
  ASSERT_EQ(page->count(), 1u);
  auto* band = t.get<MasterData>("MasterData1");
  EXPECT_EQ(band->height(), 40);  // the second element's attribute overwrote
  EXPECT_EQ(band->top(), 10);
  ASSERT_EQ(band->count(), 2u);  // its children were added to the first
  EXPECT_EQ(band->object(1)->name(), "Memo2");
}

// A memo named like a page is another object: read over the page, it vanished from the report.
TEST(TemplateRead, AnObjectNamedLikeOneOfAnotherClassIsKeptUnderItsOwnName) {
  Loaded t("memo_named_like_page.orp");
  EXPECT_TRUE(t.report.errors().empty());
  ASSERT_NE(t.get<DataPage>("Data"), nullptr);
  ASSERT_NE(t.get<ReportPage>("Page1"), nullptr);
  auto* band = t.get<MasterData>("MasterData1");
  ASSERT_EQ(band->count(), 2u);
  struct Expected {
    const char* name;
    double left;
    const char* text;
  };
  const Expected expected[] = {{"Data_1", 1, "kept"}, {"Page1_1", 101, "kept too"}};
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(expected[i].name);
    auto* memo = dynamic_cast<MemoView*>(band->object(i));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->name(), expected[i].name);
    EXPECT_EQ(memo->left(), expected[i].left);
    EXPECT_EQ(memo->text(), expected[i].text);
  }
  EXPECT_EQ(t.get<DataPage>("Data")->width(), 1000);  // the page kept its own attributes
}

TEST(TemplateRead, OldFormatReadsEightBitAttributesAndUtf8MemoText) {
  Loaded t("old_format.orp");
  EXPECT_TRUE(t.report.errors().empty());
  auto* memo = t.get<MemoView>("Memo1");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->tag_str, "Zażółć");
  EXPECT_EQ(memo->memo, (std::vector<std::string>{"gęślą", "jaźń"}));
}

TEST(TemplateRead, PropertyStreamsHoldPicturesAndPositions) {
  Loaded t("property_streams.orp");
  EXPECT_EQ(t.report.errors(), std::vector<std::string>{"Invalid property value"});
  auto* list = t.get<UserDataSet>("UserDataSet1");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->left(), 60);
  EXPECT_EQ(list->top(), 300);  // 300 needs the 16-bit form
  auto* picture = t.get<PictureView>("Picture1");
  EXPECT_EQ(picture->picture.kind, PictureKind::Png);
  EXPECT_EQ(picture->picture.bytes.substr(0, 4), "\x89PNG");
  EXPECT_EQ(picture->picture.bytes.size(), 16u);
  auto* page = t.get<ReportPage>("Page1");
  EXPECT_EQ(page->back_picture.kind, PictureKind::Bitmap);
  EXPECT_EQ(page->back_picture.bytes.size(), 22u);
  EXPECT_TRUE(t.get<PictureView>("Picture2")->picture.empty());

  // Written back in the same framing.
  Report again;
  testing::read_into(again, t.report.save_to_stream());
  EXPECT_EQ(static_cast<PictureView*>(again.find_object("Picture1"))->picture, picture->picture);
  EXPECT_EQ(static_cast<ReportPage*>(again.find_object("Page1"))->back_picture, page->back_picture);
  EXPECT_EQ(again.find_object("UserDataSet1")->top(), 300);
}

}  // namespace
}  // namespace orvena::report

namespace orvena::report {
namespace {

TEST(TemplateRead, ObjectLimitStopsTheRead) {
  std::string text = "<?xml version=\"1.0\" standalone=\"no\"?><TrpReport><TrpReportPage Name=\"P\">";
  for (int i = 0; i < 5; ++i) text += "<TrpMemoView/>";
  text += "</TrpReportPage></TrpReport>";
  XmlDocument doc;
  doc.load(text);
  Report r;
  Serializer s(&r);
  s.limits.max_objects = 3;
  s.set_source(text, false);
  try {
    s.read_root(doc.root(), r);
    FAIL() << "limit not enforced";
  } catch (const XmlError& e) {
    EXPECT_STREQ(e.what(), "Za dużo obiektów w szablonie (limit 3)");
  }
  EXPECT_EQ(r.all_objects().size(), 1u + 3u);  // the data page and what was read before the limit
}

}  // namespace
}  // namespace orvena::report
