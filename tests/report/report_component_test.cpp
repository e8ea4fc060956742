// The report component: loading with the host's options kept, the data page rule, the error
// list and its reporter, saving, and the steps of PrepareReport around generation.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <new>

#include "core/error.h"
#include "core/line_file.h"
#include "report/bands.h"
#include "report/host.h"
#include "report/model_support.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::report {
namespace {

namespace fs = std::filesystem;
using testing::fixture;

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n";

struct RecordingSink : MessageSink {
  std::vector<std::pair<std::string, std::string>> shown;
  void show_error(const std::string& caption, const std::string& message) override {
    shown.emplace_back(caption, message);
  }
};

struct TempDir {
  fs::path path;
  TempDir() {
    path = fs::temp_directory_path() / ("orvena_report_test_" + std::to_string(::getpid()));
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
};

TEST(Load, MissingTemplateLeavesAnEmptyReportWithItsDataPage) {
  Report r;
  r.add_new<ReportPage>()->set_name("Old");
  EXPECT_FALSE(r.load_from_file(fixture("does_not_exist.orp")));
  EXPECT_EQ(r.find_object("Old"), nullptr);
  ASSERT_EQ(r.count(), 1u);
  EXPECT_EQ(r.object(0)->name(), "Data");
  EXPECT_TRUE(r.file_name().empty());
  EXPECT_TRUE(r.prepare_report(true));  // nothing to generate, nothing wrong
  EXPECT_THROW(r.load_from_file(fixture("does_not_exist.orp"), true), core::Error);
}

TEST(Load, HostOptionsSurviveAndTheTemplateSuppliesOnlyItsOwn) {
  Report r;
  r.engine_options.new_silent_mode = SilentMode::Silent;
  r.engine_options.temp_dir = "/host/tmp";
  r.engine_options.use_file_cache = true;
  r.preview_options.zoom = 1.5;
  r.show_progress = false;
  r.load_from_stream(
      kDecl +
      "<TrpReport EngineOptions.NewSilentMode=\"simMessageBoxes\" EngineOptions.TempDir=\"x\" "
      "EngineOptions.UseFileCache=\"False\" EngineOptions.ConvertNulls=\"False\" "
      "EngineOptions.DoublePass=\"True\" EngineOptions.IgnoreDevByZero=\"True\" "
      "PreviewOptions.Zoom=\"3\" PreviewOptions.OutlineVisible=\"True\" PreviewOptions.PagesInCache=\"2\" "
      "ShowProgress=\"True\" IniFile=\"\\x\" ScriptText.Text=\"begin&#13;&#10;end.\"/>");
  EXPECT_TRUE(r.errors().empty());
  EXPECT_EQ(r.engine_options.new_silent_mode, SilentMode::Silent);
  EXPECT_EQ(r.engine_options.temp_dir, "/host/tmp");
  EXPECT_TRUE(r.engine_options.use_file_cache);
  EXPECT_FALSE(r.engine_options.convert_nulls);
  EXPECT_TRUE(r.engine_options.double_pass);
  EXPECT_TRUE(r.engine_options.ignore_dev_by_zero);
  EXPECT_EQ(r.preview_options.zoom, 1.5);
  EXPECT_TRUE(r.preview_options.outline_visible);
  EXPECT_EQ(r.preview_options.pages_in_cache, 2);
  EXPECT_FALSE(r.show_progress);
  EXPECT_EQ(r.ini_file, "\\Software\\Orvena");
  EXPECT_EQ(r.script_text, (std::vector<std::string>{"begin", "end."}));
}

TEST(Load, DataPageIsMadeAndCollectsDataComponents) {
  Report r;
  r.engine_options.new_silent_mode = SilentMode::Silent;
  r.load_from_stream(kDecl +
                     "<TrpReport>\r\n"
                     " <TrpReportPage Name=\"Page1\"><TrpMemoView Name=\"Memo1\"/>"
                     "<TrpUserDataSet Name=\"List1\"/><TrpUserDataSet Name=\"List2\"/></TrpReportPage>\r\n"
                     "</TrpReport>");
  // The data page made by Clear is still first and receives nothing; the one made after a
  // load without it collects the data components.
  EXPECT_TRUE(r.errors().empty());
  ASSERT_NE(dynamic_cast<DataPage*>(r.object(0)), nullptr);

  Report bare;
  bare.engine_options.new_silent_mode = SilentMode::Silent;
  bare.object(0)->destroy();  // no data page at all before the load
  bare.add_new<ReportPage>()->set_name("Data");
  auto* list = bare.object(0)->add_new<UserDataSet>();
  list->set_name("List1");
  auto* list2 = bare.object(0)->add_new<UserDataSet>();
  list2->set_name("List2");
  DataPage& page = bare.ensure_data_page();
  EXPECT_EQ(page.name(), "Data1");  // "Data" was taken: a unique name
  EXPECT_EQ(bare.object(0), &page);
  EXPECT_EQ(list->parent(), &page);
  EXPECT_EQ(list->left(), 60);
  EXPECT_EQ(list2->left(), 124);
  EXPECT_EQ(list2->top(), 20);
}

TEST(Errors, SortedWithoutDuplicatesAndReportedOnceHeaded) {
  Report r;
  RecordingSink sink;
  r.message_sink = &sink;
  r.load_from_stream(kDecl +
                     "<TrpReport><TrpReportPage Name=\"P\"><TrpZeta/><TrpAlpha/><TRPALPHA/><TrpZeta/>"
                     "<TrpMemoView Name=\"M\" Left=\"x\"/></TrpReportPage></TrpReport>");
  EXPECT_EQ(r.errors(),
            (std::vector<std::string>{"'x' is not a valid floating point value",
                                      "Nie znaleziono klasy TrpAlpha", "Nie znaleziono klasy TrpZeta"}));
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].first, "Błąd");
  EXPECT_EQ(sink.shown[0].second,
            "Pojawił się następujący błąd(y):\r\n'x' is not a valid floating point value\r\n"
            "Nie znaleziono klasy TrpAlpha\r\nNie znaleziono klasy TrpZeta");
}

TEST(Errors, ReporterModes) {
  const std::string bad = kDecl + "<TrpReport><TrpNothing/></TrpReport>";
  {
    Report r;
    RecordingSink sink;
    r.message_sink = &sink;
    r.engine_options.new_silent_mode = SilentMode::Silent;
    r.load_from_stream(bad);
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(r.errors().size(), 1u);
  }
  {
    Report r;
    r.engine_options.set_silent_mode(false);
    EXPECT_EQ(r.engine_options.new_silent_mode, SilentMode::MessageBoxes);
    r.engine_options.new_silent_mode = SilentMode::ReThrow;
    try {
      r.load_from_stream(bad);
      FAIL() << "no exception";
    } catch (const core::Error& e) {
      EXPECT_STREQ(e.what(), "Pojawił się następujący błąd(y):\r\nNie znaleziono klasy TrpNothing");
    }
  }
  {
    Report r;  // a clean load reports nothing
    RecordingSink sink;
    r.message_sink = &sink;
    r.load_from_stream(kDecl + "<TrpReport/>");
    EXPECT_TRUE(sink.shown.empty());
  }
}

// A generation step that changes the template the way a script or the engine would.
struct ChangingGenerator : ReportGenerator {
  int cleared = 0, generated = 0;
  bool fail = false;
  void clear_prepared_pages(Report&) override { ++cleared; }
  bool generate(Report& r) override {
    ++generated;
    auto* memo = static_cast<MemoView*>(r.find_object("Memo1"));
    memo->set_text("changed");
    memo->visible = false;  // the default value: not in the file, yet restored
    memo->parent()->add_new<MemoView>()->set_name("MadeDuringRun");
    if (fail) throw core::Error("Błąd silnika");
    return true;
  }
};

const std::string kTemplate =
    kDecl +
    "<TrpReport><TrpReportPage Name=\"Page1\"><TrpMasterData Name=\"MasterData1\">"
    "<TrpMemoView Name=\"Memo1\" Text=\"template\"/></TrpMasterData></TrpReportPage></TrpReport>";

TEST(Prepare, GenerationChangesAreUndoneAfterwards) {
  Report r;
  ChangingGenerator gen;
  r.generator = &gen;
  r.load_from_stream(kTemplate);
  EXPECT_TRUE(r.prepare_report(true));
  EXPECT_EQ(gen.cleared, 1);
  EXPECT_EQ(gen.generated, 1);
  auto* memo = static_cast<MemoView*>(r.find_object("Memo1"));
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->text(), "template");
  EXPECT_TRUE(memo->visible);
  EXPECT_EQ(r.find_object("MadeDuringRun"), nullptr);

  EXPECT_TRUE(r.prepare_report(false));  // the store is kept
  EXPECT_EQ(gen.cleared, 1);

  TempDir dir;  // the same through a scratch file, which is removed afterwards
  r.engine_options.use_file_cache = true;
  r.engine_options.temp_dir = dir.path.string();
  EXPECT_TRUE(r.prepare_report(true));
  EXPECT_EQ(static_cast<MemoView*>(r.find_object("Memo1"))->text(), "template");
  EXPECT_TRUE(fs::is_empty(dir.path));
}

TEST(Prepare, ExceptionsBecomeErrorsAndFalse) {
  Report r;
  RecordingSink sink;
  r.message_sink = &sink;
  ChangingGenerator gen;
  gen.fail = true;
  r.generator = &gen;
  r.load_from_stream(kTemplate);
  EXPECT_FALSE(r.prepare_report());
  EXPECT_EQ(r.errors(), std::vector<std::string>{"Błąd silnika"});
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].second, "Pojawił się następujący błąd(y):\r\nBłąd silnika");
  EXPECT_EQ(static_cast<MemoView*>(r.find_object("Memo1"))->text(), "template");
}

// Running out of memory is the report's error in our words; "std::bad_alloc" tells nobody anything.
TEST(Prepare, OutOfMemoryIsAnErrorInOurWords) {
  struct Exhausted : ReportGenerator {
    bool generate(Report&) override { throw std::bad_alloc(); }
  } gen;
  Report r;
  r.engine_options.new_silent_mode = SilentMode::Silent;
  r.generator = &gen;
  r.load_from_stream(kTemplate);
  EXPECT_FALSE(r.prepare_report());
  EXPECT_EQ(r.errors(), std::vector<std::string>{"Za mało pamięci operacyjnej, by dokończyć raport."});
}

TEST(Prepare, MissingDatasetStopsBeforeGeneration) {
  Report r;
  r.engine_options.new_silent_mode = SilentMode::Silent;
  ChangingGenerator gen;
  r.generator = &gen;
  ASSERT_TRUE(r.load_from_file(fixture("missing_dataset.orp")));
  EXPECT_TRUE(r.errors().empty());  // loading does not check sources
  EXPECT_FALSE(r.prepare_report(true));
  EXPECT_EQ(r.errors(), std::vector<std::string>{"Źródło \"Brak\" nie istnieje"});
  EXPECT_EQ(gen.generated, 0);
}

TEST(Save, ThroughATemporaryFileWithRelativeParentAndLoweredPassword) {
  TempDir dir;
  Report r;
  r.parent_report = (dir.path / "base" / "parent.orp").string();
  r.report_options.password = "abc";
  fs::path file = dir.path / "out.orp";
  core::write_file_atomic(file, "old contents");
  r.save_to_file(file);
  std::string saved = core::read_file(file);
  EXPECT_EQ(saved.rfind(kDecl, 0), 0u);
  EXPECT_NE(saved.find("ParentReport=\"base/parent.orp\""), std::string::npos);
  EXPECT_NE(saved.find("ReportOptions.Password=\"WXY\""), std::string::npos);  // each code lowered by 10
  EXPECT_EQ(r.report_options.password, "abc");
  size_t files = 0;
  for (auto& e : fs::directory_iterator(dir.path)) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);  // no temporary file left behind

  Report asked;
  asked.ask_password = [] { return std::optional<std::string>("abc"); };
  asked.load_from_file(file);
  EXPECT_TRUE(asked.errors().empty());
  EXPECT_EQ(asked.report_options.password, "abc");

  Report refused;
  RecordingSink sink;
  refused.message_sink = &sink;
  refused.ask_password = [] { return std::optional<std::string>("wrong"); };
  refused.load_from_file(file);
  EXPECT_EQ(refused.errors(), std::vector<std::string>{"Invalid password"});
  EXPECT_EQ(sink.shown.size(), 1u);
  EXPECT_TRUE(refused.parent_report.empty());  // the whole report was cleared
}

TEST(Clear, ResetsContentAndKeepsTheHostsSilentMode) {
  core::FixedClock clock(46000.5);
  Report r;
  r.clock = &clock;
  r.engine_options.new_silent_mode = SilentMode::Silent;
  r.load_from_file(fixture("datasets.orp"));
  r.engine_options.convert_nulls = false;
  r.dot_matrix_report = true;
  r.script_text = {"x"};
  r.clear();
  ASSERT_EQ(r.count(), 1u);
  EXPECT_TRUE(r.datasets.empty());
  EXPECT_TRUE(r.variables.empty());
  EXPECT_TRUE(r.engine_options.convert_nulls);
  EXPECT_EQ(r.engine_options.new_silent_mode, SilentMode::Silent);
  EXPECT_FALSE(r.dot_matrix_report);
  EXPECT_EQ(r.script_text, (std::vector<std::string>{"begin", "", "end."}));
  EXPECT_EQ(r.report_options.create_date, 46000.5);
  EXPECT_EQ(r.system_variables(), (std::vector<std::string>{"Date", "Time", "Page", "Page#", "TotalPages",
                                                            "TotalPages#", "Line", "Line#", "CopyName#"}));
}

}  // namespace
}  // namespace orvena::report
