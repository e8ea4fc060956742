// The prepared-page store: pages rebuilt from records equal the pages printed, records keep
// only differences, saved reports read back the same, pictures are stored once, and records of
// finished pages leave memory for the temporary file.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/temp_dir.h"
#include "engine_support.h"
#include "model_support.h"
#include "report/bands.h"
#include "report/copy.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::report {
namespace {

using Dump = std::map<std::string, std::string>;

// A page as exporters see it: each object under its path of names. The data binding is left
// out (copies have none), and so is a picture's ImageIndex, which a rebuilt page sets to the
// picture's place in the cache; the picture's bytes are compared.
Dump dump_page(const Component& page) {
  Dump out;
  for (Component* c : page.all_objects()) {
    std::string path;
    for (const Component* p = c; p && p != &page; p = p->parent()) path = p->name() + "/" + path;
    testing::dump(*c, path, out);
  }
  for (auto it = out.begin(); it != out.end();) {
    bool binding = it->first.ends_with("DataField") || it->first.ends_with("DataSet") ||
                   it->first.ends_with("DataSetName") || it->first.ends_with("ImageIndex");
    it = binding ? out.erase(it) : std::next(it);
  }
  return out;
}

// The keys whose values differ, with both values: empty when the pages are equal.
std::string differences(const Dump& got, const Dump& want) {
  std::string out;
  for (auto& [key, value] : want) {
    auto it = got.find(key);
    if (it == got.end())
      out += "missing " + key + "\n";
    else if (it->second != value)
      out += key + ": " + it->second + " instead of " + value + "\n";
  }
  for (auto& [key, value] : got)
    if (!want.count(key)) out += "extra " + key + "\n";
  return out;
}

Picture picture_of(std::string bytes) {
  Picture p;
  p.kind = PictureKind::Png;
  p.bytes = std::move(bytes);
  return p;
}

// A template page with a header (title text, logo) and a data band of two text objects, and
// a small engine that prints it: the header on every page, `rows_per_page` rows below it, the
// texts changed for each row. Everything printed is also copied aside, as it was at the time.
class PrintedReport : public ::testing::Test {
 protected:
  void SetUp() override {
    page = report.add_new<ReportPage>();
    page->set_name("Page1");
    header = page->add_new<PageHeader>();
    header->set_name("PageHeader1");
    header->set_height(40);
    title = header->add_new<MemoView>();
    title->set_name("Title");
    title->set_bounds(10, 5, 300, 20);
    title->set_text("Sales");
    logo = header->add_new<PictureView>();
    logo->set_name("Logo");
    logo->set_bounds(600, 0, 100, 40);
    logo->picture = picture_of("logo-bytes");
    data = page->add_new<MasterData>();
    data->set_name("MasterData1");
    data->set_height(20);
    name = data->add_new<MemoView>();
    name->set_name("Name");
    name->set_bounds(0, 0, 200, 20);
    name->set_text("[DaneOrvena.\"name\"]");
    name->data_field = "name";
    amount = data->add_new<MemoView>();
    amount->set_name("Amount");
    amount->set_bounds(200, 0, 100, 20);
    amount->halign = HAlign::Right;
    page->align_children();  // what preparing a report does before printing
  }

  void print(int pages, int rows_per_page = 3, PreparePass pass = PreparePass::Single) {
    store.initialize();
    store.add_source_page(*page);
    store.begin_pass(pass);
    for (int p = 0; p < pages; ++p) {
      store.add_page(*page);
      printed.emplace_back();
      print_band(*header, 0);
      for (int r = 0; r < rows_per_page; ++r) {
        int row = p * rows_per_page + r;
        name->set_text("Name " + std::to_string(row));
        amount->set_text(std::to_string(row * 10) + ",00");
        print_band(*data, 40 + 20 * r);
      }
      name->set_text("[DaneOrvena.\"name\"]");
      amount->set_text("");
    }
    store.finish();
  }

  void print_band(Band& band, double top) {
    band.set_top(top);
    store.add_object(band);
    printed.back().push_back(clone_component(band, CopyChildren::Yes));
  }

  Dump dump_printed(int index) const {
    ReportPage as_printed;
    for (auto& band : printed[static_cast<size_t>(index)])
      as_printed.add(clone_component(*band, CopyChildren::Yes));
    return dump_page(as_printed);
  }

  // Public: table rows change the template through these.
 public:
  Report report;
  ReportPage* page;
  PageHeader* header;
  MemoView* title;
  PictureView* logo;
  MasterData* data;
  MemoView *name, *amount;
  PreparedPages store{report};
  std::vector<std::vector<std::unique_ptr<Component>>> printed;
};

TEST_F(PrintedReport, RebuiltPagesEqualThePrintedOnes) {
  print(3);
  ASSERT_EQ(store.count(), 3);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    ReportPage& rebuilt = store.page(i);
    EXPECT_EQ(differences(dump_page(rebuilt), dump_printed(i)), "");
    store.clear_cache();
  }
  // Nested as printed: bands in order, their objects inside them.
  ReportPage& first = store.page(0);
  ASSERT_EQ(first.count(), 4u);
  EXPECT_EQ(first.object(0)->class_name(), "TrpPageHeader");
  EXPECT_EQ(first.object(3)->top(), 80);
  auto& memo = static_cast<MemoView&>(*first.object(3)->object(0));
  EXPECT_EQ(memo.text(), "Name 2");  // the printed value, not the template's field expression
  EXPECT_EQ(memo.data_field, "");
}

// Objects made while printing: one registered as a source object gets an alias of its own, one
// that is not (a carrier band) is recorded whole under its class name.
TEST_F(PrintedReport, ObjectsMadeDuringTheRunAreRecorded) {
  store.initialize();
  store.add_source_page(*page);
  auto* stamp = header->add_new<MemoView>();
  stamp->set_name("Stamp");
  stamp->set_bounds(400, 5, 100, 20);
  stamp->set_text("kopia");
  store.add_to_source_page(*stamp);
  NullBand carrier;
  carrier.set_name("Carrier1");
  carrier.set_bounds(0, 300, 700, 0);
  carrier.visible = true;
  store.add_page(*page);
  store.add_object(*header);
  store.add_object(carrier);
  store.finish();

  const XmlItem& records = store.page_record(0);
  ASSERT_EQ(records.count(), 2u);
  EXPECT_EQ(records[0][2].name, "m4");  // the template's texts are m1 to m3
  EXPECT_EQ(records[0][2].text, R"( u="kopia")");
  EXPECT_EQ(records[1].name, "TrpNullBand");
  ReportPage& rebuilt = store.page(0);
  EXPECT_EQ(rebuilt.object(0)->object(2)->name(), "Stamp");
  EXPECT_EQ(rebuilt.object(1)->name(), "Carrier1");
  EXPECT_EQ(rebuilt.object(1)->top(), 300);
}

TEST_F(PrintedReport, RecordsHoldOnlyWhatDiffers) {
  struct Case {
    const char* what;
    std::function<void(PrintedReport&)> change;
    std::string expected;  // the record of the "Name" text object
  } cases[] = {
      {"text only", [](PrintedReport& t) { t.name->set_text("Kowalski"); }, R"( u="Kowalski")"},
      {"moved and resized",
       [](PrintedReport& t) {
         t.name->set_text("x");
         t.name->set_bounds(5.5, 0, 180, 20);
       },
       R"( l="5,5" w="180" u="x")"},
      {"empty text", [](PrintedReport& t) { t.name->set_text(""); }, R"( u="")"},
      {"two lines and a quote", [](PrintedReport& t) { t.name->set_text("a\"b\r\nc"); },
       R"( u="a&#34;b&#13;&#10;c")"},
      {"font colour and alignment",
       [](PrintedReport& t) {
         t.name->set_text("y");
         Font f = t.name->font();
         f.color = 255;
         t.name->set_font(f);
         t.name->halign = HAlign::Center;
       },
       // The whole font once the object stops taking its parent's.
       R"( Font.Charset="1" Font.Color="255" Font.Height="-13" Font.Name="Arial" Font.Style="0")"
       R"( HAlign="haCenter" ParentFont="False" u="y")"},
      {"tag text, gap and rotation set by a script",
       [](PrintedReport& t) {
         t.name->set_text("s");
         t.name->tag_str = "k\"1";
         t.name->gap_x = 3.5;
         t.name->rotation = 90;
       },
       R"( TagStr="k&#34;1" GapX="3,5" Rotation="90" u="s")"},
      {"hyperlink value inside an unchanged kind",
       [](PrintedReport& t) {
         t.name->set_text("h");
         t.name->hyperlink.value = "https://example.org/?a=1";
       },
       R"( Hyperlink.Value="https://example.org/?a=1" u="h")"},
      {"display format made while formatting, left as made",
       [](PrintedReport& t) {
         t.name->set_text("f");
         t.name->display_format();
       },
       R"( u="f")"},
      {"display format set while printing",
       [](PrintedReport& t) {
         t.name->set_text("12,50");
         auto& format = t.name->display_format();
         format.kind = FormatKind::Numeric;
         format.format_str = "%2.2n";
       },
       R"( DisplayFormat.FormatStr="%2.2n" DisplayFormat.Kind="fkNumeric" u="12,50")"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    name->formats.clear();  // a template text has no format until one is made
    PreparedPages fresh(report);
    fresh.initialize();
    fresh.add_source_page(*page);
    fresh.begin_pass(PreparePass::Single);
    fresh.add_page(*page);
    MemoView saved_state;
    copy_properties(*name, saved_state);
    c.change(*this);
    data->set_top(40);
    fresh.add_object(*data);
    ReportPage as_printed;
    as_printed.add(clone_component(*data, CopyChildren::Yes));
    copy_properties(saved_state, *name);
    fresh.finish();

    const XmlItem& band = fresh.page_record(0)[0];
    EXPECT_EQ(band.text, R"( t="40")");  // a band always says where it printed
    ASSERT_EQ(band.count(), 2u);
    EXPECT_EQ(band[0].text, c.expected);
    EXPECT_EQ(band[1].text, R"( u="")");
    // And what the record says is what comes back; a format left as made comes back the same
    // way, made when asked for.
    ReportPage& rebuilt = fresh.page(0);
    if (!static_cast<MemoView&>(*as_printed.object(0)->object(0)).formats.empty())
      static_cast<MemoView&>(*rebuilt.object(0)->object(0)).display_format();
    EXPECT_EQ(differences(dump_page(rebuilt), dump_page(as_printed)), "");
  }
}

TEST_F(PrintedReport, AliasesAndDictionarySurviveASaveAndLoad) {
  print(4);
  std::string saved = store.save_to_stream();
  EXPECT_NE(saved.find("<preparedreport"), std::string::npos);
  EXPECT_NE(saved.find(R"(<m1 name="Page0.Title"/>)"), std::string::npos);
  EXPECT_NE(saved.find(R"(<b1 name="Page0.PageHeader1"/>)"), std::string::npos);
  EXPECT_NE(saved.find(R"(<p1 name="Page0.Logo"/>)"), std::string::npos);
  EXPECT_NE(saved.find(R"(ld="0")"), std::string::npos);  // pages from the third on may move out

  Report other;
  PreparedPages loaded(other);
  loaded.load_from_stream(saved);
  ASSERT_EQ(loaded.count(), 4);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(differences(dump_page(loaded.page(i)), dump_printed(i)), "");
    loaded.clear_cache();
  }
  // Saving what was loaded gives the same file.
  EXPECT_EQ(loaded.save_to_stream(), saved);
}

TEST_F(PrintedReport, APictureIsStoredOnce) {
  print(5);
  EXPECT_EQ(store.pictures().count(), 1u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(store.page_record(i)[0][1].prop("ImageIndex"), "1");
  auto& rebuilt = static_cast<PictureView&>(*store.page(4).object(0)->object(1));
  EXPECT_EQ(rebuilt.picture, picture_of("logo-bytes"));

  // A different picture is a second entry; the first one printed again is not.
  PreparedPages again(report);
  again.initialize();
  again.add_source_page(*page);
  again.add_page(*page);
  again.add_object(*header);
  logo->picture = picture_of("other");
  again.add_object(*header);
  logo->picture = picture_of("logo-bytes");
  again.add_object(*header);
  again.finish();
  EXPECT_EQ(again.pictures().count(), 2u);
  EXPECT_EQ(again.page_record(0)[1][1].prop("ImageIndex"), "2");
  EXPECT_EQ(again.page_record(0)[2][1].prop("ImageIndex"), "1");
}

TEST_F(PrintedReport, PageCacheKeepsTheMostRecentPages) {
  report.preview_options.pages_in_cache = 2;
  print(3);
  ReportPage* first = &store.page(0);
  EXPECT_EQ(&store.page(0), first);  // served from the cache
  first->tag = 42;                   // a mark only the cached object carries
  store.page(1);
  store.page(2);
  EXPECT_EQ(store.cached_pages(), 2u);
  EXPECT_EQ(store.page(0).tag, 0);  // page 0 was evicted and built anew

  store.clear_cache();
  EXPECT_EQ(store.cached_pages(), 0u);
  EXPECT_EQ(differences(dump_page(store.page(1)), dump_printed(1)), "");
}

TEST_F(PrintedReport, FinishedPagesMoveToTheTemporaryFile) {
  report.engine_options.use_file_cache = true;
  report.engine_options.max_mem_size = 0;  // every page over the limit
  print(6);
  // Each new page moves out the finished pages before the last one; the first two stay.
  EXPECT_TRUE(store.page_in_memory(0));
  EXPECT_TRUE(store.page_in_memory(1));
  for (int i = 2; i < 4; ++i) EXPECT_FALSE(store.page_in_memory(i)) << i;
  EXPECT_TRUE(store.page_in_memory(4));
  EXPECT_TRUE(store.page_in_memory(5));

  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(differences(dump_page(store.page(i)), dump_printed(i)), "");
    store.clear_cache();
  }
  // Reading did not bring the records back, and saving restores them only for the write.
  for (int i = 2; i < 4; ++i) EXPECT_FALSE(store.page_in_memory(i)) << i;
  std::string saved = store.save_to_stream();
  EXPECT_FALSE(store.page_in_memory(3));
  Report other;
  PreparedPages loaded(other);
  loaded.load_from_stream(saved);
  EXPECT_EQ(differences(dump_page(loaded.page(3)), dump_printed(3)), "");
}

// Only a page's records go to the temporary file; what the page item itself says (here the last
// column) is still there when the records come back.
TEST_F(PrintedReport, APageKeepsItsOwnAttributesThroughTheTemporaryFile) {
  report.engine_options.use_file_cache = true;
  report.engine_options.max_mem_size = 0;
  store.initialize();
  store.add_source_page(*page);
  store.begin_pass(PreparePass::Single);
  for (int p = 0; p < 5; ++p) {
    store.add_page(*page);
    store.add_object(*header);
    store.update_page_last_column(p + 1, 10.5);
  }
  store.finish();
  ASSERT_FALSE(store.page_in_memory(2));
  const XmlItem& record = store.page_record(2);
  EXPECT_EQ(record.count(), 1u);
  store.set_cur_page(2);
  EXPECT_EQ(store.last_column().column, 3);
  EXPECT_EQ(store.last_column().position, 10.5);
}

// Both temporary files are made in the report's temporary folder and unlinked at once: nothing
// is left there, even while the store is in use.
TEST_F(PrintedReport, TemporaryFilesLeaveNothingBehind) {
  core::TempDir folder;
  report.engine_options.temp_dir = folder.path().string();
  report.engine_options.use_file_cache = true;
  report.engine_options.max_mem_size = 0;
  report.preview_options.picture_cache_in_file = true;
  print(5);
  EXPECT_FALSE(store.page_in_memory(2));
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
  // Yet both files are open there: the records' ("rp") and the pictures' ("rpPic").
  int open_there = 0;
  for (auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    auto target = std::filesystem::read_symlink(fd.path(), ec).string();
    if (!ec && target.starts_with(folder.path().string() + "/rp")) ++open_there;
  }
  EXPECT_EQ(open_there, 2);
  EXPECT_EQ(store.pictures().count(), 1u);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(differences(dump_page(store.page(i)), dump_printed(i)), "");
    store.clear_cache();
  }
}

// Without UseFileCache the records still leave memory past a fixed ceiling: an unattended run
// must not grow without bound on a long report.
TEST_F(PrintedReport, LongReportsMoveOutEvenWithoutTheFileCache) {
  ASSERT_FALSE(report.engine_options.use_file_cache);
  std::string long_text(16 * 1024, 'x');  // 48 KiB of records a page: past 32 MiB within 700 pages
  store.initialize();
  store.add_source_page(*page);
  for (int p = 0; p < 800; ++p) {
    store.add_page(*page);
    for (int r = 0; r < 3; ++r) {
      name->set_text(long_text + std::to_string(p));
      store.add_object(*data);
    }
  }
  store.finish();
  EXPECT_TRUE(store.page_in_memory(1));
  EXPECT_FALSE(store.page_in_memory(2));
  EXPECT_TRUE(store.page_in_memory(799));
  EXPECT_EQ(static_cast<MemoView&>(*store.page(2).object(0)->object(0)).text(), long_text + "2");
}

TEST_F(PrintedReport, CutAndPasteKeepOffsetsFromTheFirstRecord) {
  store.initialize();
  store.add_source_page(*page);
  store.add_page(*page);
  store.add_object(*header);
  size_t position = store.current_position();
  data->set_top(700);
  store.add_object(*data);
  data->set_top(720);
  store.add_object(*data);
  store.cut_objects(position);
  EXPECT_EQ(store.current_position(), 1u);
  store.add_page(*page);
  store.paste_objects(0, 100);
  store.finish();

  const XmlItem& moved = store.page_record(1);
  ASSERT_EQ(moved.count(), 2u);
  EXPECT_EQ(moved[0].prop("t"), "100");
  EXPECT_EQ(moved[1].prop("t"), "120");
  EXPECT_EQ(moved[0].prop("l"), "0");
  EXPECT_EQ(store.page(1).object(1)->top(), 120);
}

TEST_F(PrintedReport, LastYAndBandExistsAnswerForTheCurrentPage) {
  auto* footer = page->add_new<PageFooter>();
  footer->set_name("PageFooter1");
  footer->set_height(30);
  store.initialize();
  store.add_source_page(*page);
  store.add_page(*page);
  EXPECT_EQ(store.last_y(), 0);
  store.add_object(*header);
  data->set_top(40);
  store.add_object(*data);
  footer->set_top(1000);
  store.add_object(*footer);
  EXPECT_EQ(store.last_y(), 60);  // the footer does not count
  EXPECT_TRUE(store.band_exists(*data));
  EXPECT_TRUE(store.band_exists(*footer));
  store.add_page(*page);
  EXPECT_FALSE(store.band_exists(*data));
  store.set_last_y(33);
  EXPECT_EQ(store.last_y(), 33);
  store.finish();
}

TEST_F(PrintedReport, FirstPassPagesAreRemovedAndNumbersKept) {
  print(3, 3, PreparePass::First);
  store.reset_logical_page_number();
  EXPECT_EQ(store.count(), 3);
  // First-pass records carry geometry only.
  EXPECT_EQ(store.page_record(0)[1][0].text, "");
  store.clear_first_pass_pages();
  EXPECT_EQ(store.count(), 0);
  EXPECT_EQ(store.cur_page(), -1);

  printed.clear();
  print(3, 3, PreparePass::Final);
  ASSERT_EQ(store.count(), 3);
  store.set_cur_page(1);
  EXPECT_EQ(store.logical_page_no(), 2);
  EXPECT_EQ(store.logical_total_pages(99), 3);  // known from the first pass
  EXPECT_EQ(differences(dump_page(store.page(2)), dump_printed(2)), "");
}

TEST(PreparedPageNumbers, ResetsStartNewRuns) {
  Report report;
  auto* page = report.add_new<ReportPage>();
  PreparedPages store(report);
  store.initialize();
  store.add_source_page(*page);
  for (int i = 0; i < 5; ++i) {
    if (i == 2) store.reset_logical_page_number();  // a group starting on page 3 resets numbers
    store.add_page(*page);
    EXPECT_EQ(store.logical_total_pages(0), 0);  // not known while the run goes on
  }
  store.reset_logical_page_number();
  store.finish();
  int expected[][2] = {{1, 2}, {2, 2}, {1, 3}, {2, 3}, {3, 3}};
  for (int i = 0; i < 5; ++i) {
    store.set_cur_page(i);
    EXPECT_EQ(store.logical_page_no(), expected[i][0]) << i;
    EXPECT_EQ(store.logical_total_pages(0), expected[i][1]) << i;
  }
}

TEST(PreparedOutline, ItemsNestAndShiftToTheNextPage) {
  Report report;
  auto* page = report.add_new<ReportPage>();
  PreparedPages store(report);
  store.initialize();
  store.add_source_page(*page);
  store.add_page(*page);
  auto& outline = store.outline();
  outline.add_item("Group A", store.cur_page(), 100);
  outline.add_item("Row 1", store.cur_page(), 120);
  outline.level_up();
  int before = outline.current_position();
  outline.add_item("Row 2", store.cur_page(), 500);
  outline.level_up();
  outline.add_item("Row 3", store.cur_page(), 520);
  outline.level_up();
  outline.shift_items(before, 40);  // rows 2 and 3 were kept together onto the next page
  const XmlItem& group = outline.root()[0];
  ASSERT_EQ(group.count(), 3u);
  EXPECT_EQ(group[0].prop("page"), "0");
  EXPECT_EQ(group[1].prop("page"), "1");
  EXPECT_EQ(group[1].prop("top"), "40");
  EXPECT_EQ(group[2].prop("top"), "60");

  store.add_anchor("start", 10.5);
  store.add_page(*page);
  store.add_anchor("end", 0);
  EXPECT_EQ(store.anchor_page("start"), 1);
  EXPECT_EQ(store.anchor_page("end"), 2);
  EXPECT_EQ(store.anchor_page("missing"), 1);
  store.shift_anchors(0, 0);
  EXPECT_EQ(store.anchor_page("end"), 3);
  store.finish();
}

TEST_F(PrintedReport, EditingPages) {
  print(2);
  // An edited page as a preview has it: the same band twice, one name for both.
  ReportPage replacement;
  replacement.set_paper_size(11);  // A5
  for (int i = 0; i < 2; ++i) {
    auto* band = replacement.add_new<NullBand>();
    band->set_name("Carrier");
    band->set_bounds(0, 50.0 * i, 700, 50);
    auto* memo = band->add_new<MemoView>();
    memo->set_name("Note");
    memo->set_text("edited " + std::to_string(i));
  }
  store.modify_page(1, replacement);
  EXPECT_EQ(store.page_record(1).name, "TrpReportPage");
  ReportPage& rebuilt = store.page(1);
  EXPECT_EQ(rebuilt.paper_size(), 11);
  ASSERT_EQ(rebuilt.count(), 2u);
  EXPECT_EQ(rebuilt.object(1)->top(), 50);
  EXPECT_EQ(static_cast<MemoView&>(*rebuilt.object(1)->object(0)).text(), "edited 1");

  store.add_empty_page(0);
  EXPECT_EQ(store.count(), 3);
  EXPECT_EQ(store.page(0).count(), 0u);
  EXPECT_TRUE(store.delete_page(0));
  EXPECT_TRUE(store.delete_page(0));
  EXPECT_FALSE(store.delete_page(0));  // the last page stays
  EXPECT_EQ(store.count(), 1);
  // The page left is the edited one: its size comes from its own record (A5, rounded units).
  EXPECT_EQ(store.page_size(0).width, 559);
  EXPECT_EQ(store.page_size(0).height, 794);
  EXPECT_EQ(store.page_size(5).width, 0);
}

// A partial load keeps the first two pages in memory and the others in the temporary file, each
// coming back whole when asked for; the file saved again is the file read.
TEST_F(PrintedReport, PartialLoadingKeepsLaterPagesOutOfMemory) {
  print(6);
  const std::string saved = store.save_to_stream();
  core::TempDir folder;
  Report other;
  other.engine_options.temp_dir = folder.path().string();
  PreparedPages loaded(other);
  {
    std::string bytes = saved;  // the store must not hold on to the caller's bytes
    loaded.load_from_stream(bytes, {}, PreparedLoad::Partial);
  }
  ASSERT_EQ(loaded.count(), 6);
  EXPECT_TRUE(loaded.page_in_memory(0));
  EXPECT_TRUE(loaded.page_in_memory(1));
  for (int i = 2; i < 6; ++i) EXPECT_FALSE(loaded.page_in_memory(i)) << i;
  for (int i = 5; i >= 0; --i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(differences(dump_page(loaded.page(i)), dump_printed(i)), "");
    loaded.clear_cache();
  }
  EXPECT_FALSE(loaded.page_in_memory(4));  // reading did not bring the records back
  EXPECT_EQ(loaded.save_to_stream(), saved);
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));  // the temporary file is unlinked
}

// Only page items are saved as unloadable. Any other item so marked (a hand-edited file) is read
// whole all the same: a partial load must not lose the source pages the records are built on,
// and a record so marked on a page kept in the temporary file keeps its mark, as it does when
// the file is read whole.
TEST_F(PrintedReport, PartialLoadingReadsWholeWhatIsNoPage) {
  print(3);
  std::string saved = store.save_to_stream();
  for (std::string_view section : {"<sourcepages", "<dictionary"}) {
    size_t at = saved.find(section);
    ASSERT_NE(at, std::string::npos);
    saved.insert(at + section.size(), " ld=\"0\"");
  }
  size_t third_page = saved.find("<page", saved.find("<page", saved.find("<page0") + 1) + 1);
  ASSERT_NE(third_page, std::string::npos);
  size_t record = saved.find('<', saved.find('>', third_page));
  saved.insert(saved.find_first_of(" />", record), " ld=\"0\"");

  Report other;
  PreparedPages loaded(other);
  loaded.load_from_stream(saved, {}, PreparedLoad::Partial);
  ASSERT_EQ(loaded.count(), 3);
  ASSERT_FALSE(loaded.page_in_memory(2));
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(differences(dump_page(loaded.page(i)), dump_printed(i)), "");
    loaded.clear_cache();
  }
  Report whole_report;
  PreparedPages whole(whole_report);
  whole.load_from_stream(saved);
  EXPECT_EQ(loaded.save_to_stream(), whole.save_to_stream());
}

// A text object printed with a highlight whose condition held comes back with that highlight
// active (what the writers ask) and looking as it made it look; so it does from a saved report
// read partially. Rows 4 to 6 meet the second condition, no row the first; the table is printed
// twice over, for pages enough to leave some out of memory.
class PreparedHighlights : public fixtures::Generation {
 protected:
  void expect_highlights(PreparedPages& store) {
    int seen = 0;
    for (int i = 0; i < store.count(); ++i) {
      for (Component* c : store.page(i).all_objects()) {
        if (c->name() != "RowText") continue;
        auto& memo = static_cast<MemoView&>(*c);
        int id = std::stoi(memo.text());
        bool held = id >= 4;
        ASSERT_EQ(memo.highlights.size(), 2u);
        EXPECT_FALSE(memo.highlights[0]->active) << id;
        EXPECT_EQ(memo.highlights[1]->active, held) << id;
        EXPECT_EQ(memo.font().style, held ? int64_t{kFontItalic} : 0) << id;
        ++seen;
      }
      store.clear_cache();
    }
    EXPECT_EQ(seen, 12);
  }
};

TEST_F(PreparedHighlights, RebuiltTextsShowTheHighlightThatHeld) {
  load("list", "select * from t union all select * from t order by id");
  auto& row = dynamic_cast<MemoView&>(*report.find_object("RowText"));
  for (const char* condition : {"<DaneOrvena.\"kwota\"> > 100", "<DaneOrvena.\"kwota\"> >= 4"}) {
    row.highlights.push_back(std::make_unique<Highlight>());
    row.highlights.back()->condition = condition;
  }
  row.highlights[0]->font.style = kFontBold;
  row.highlights[1]->font.style = kFontItalic;
  generate();
  ASSERT_GT(pages.count(), 2);
  expect_highlights(pages);

  Report other;
  PreparedPages loaded(other);
  loaded.load_from_stream(pages.save_to_stream(), {}, PreparedLoad::Partial);
  expect_highlights(loaded);
}

// The record's number alone makes the looks (a file whose record holds no font difference); a
// number naming no highlight leaves the object as recorded.
TEST(PreparedPagesLoad, ARecordedHighlightNumberIsAppliedOrIgnored) {
  struct Row {
    const char* value;
    int active;  // 0-based, -1 for none
    int64_t style;
  };
  const Row rows[] = {{"2", 1, kFontItalic}, {"1", 0, kFontBold}, {"0", -1, 0},
                      {"3", -1, 0},          {"x", -1, 0},        {"", -1, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    Report report;
    PreparedPages store(report);
    store.load_from_stream(
        std::string("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?><preparedreport>"
                    "<previewpages><page0><b1 t=\"0\"><m1 u=\"a\" ActiveHighlight=\"") +
        row.value +
        "\"/></b1></page0></previewpages><sourcepages><TrpReportPage Name=\"Page1\">"
        "<TrpMasterData Name=\"Band1\" Height=\"20\"><TrpMemoView Name=\"Memo1\" Width=\"100\" "
        "Height=\"20\"><Highlights><item Condition=\"a\" Font.Style=\"1\"/><item Condition=\"b\" "
        "Font.Style=\"2\"/></Highlights></TrpMemoView></TrpMasterData></TrpReportPage></sourcepages>"
        "<dictionary><b1 name=\"Page0.Band1\"/><m1 name=\"Page0.Memo1\"/></dictionary></preparedreport>");
    ReportPage& page = store.page(0);
    ASSERT_EQ(page.count(), 1u);
    ASSERT_EQ(page.object(0)->count(), 1u);
    auto& memo = static_cast<MemoView&>(*page.object(0)->object(0));
    ASSERT_EQ(memo.highlights.size(), 2u);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(memo.highlights[size_t(i)]->active, i == row.active) << i;
    EXPECT_EQ(memo.font().style, row.style);
  }
}

// Records find their source object by alias whatever the case they write it in, and a store
// loaded again finds the objects of the file it holds now, not of the one before.
TEST(PreparedPagesLoad, RecordsFindTheirSourceObjectByAlias) {
  auto file = [](std::string_view band_record, std::string_view memo_record, int memo_width) {
    return std::string(
               "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?><preparedreport>"
               "<previewpages><page0><") +
           std::string(band_record) + " t=\"0\"><" + std::string(memo_record) + " u=\"a\"/></" +
           std::string(band_record) +
           "></page0></previewpages><sourcepages><TrpReportPage Name=\"Page1\">"
           "<TrpMasterData Name=\"Band1\" Height=\"20\"><TrpMemoView Name=\"Memo1\" Width=\"" +
           std::to_string(memo_width) +
           "\" Height=\"20\"/></TrpMasterData></TrpReportPage></sourcepages>"
           "<dictionary><b1 name=\"Page0.Band1\"/><m1 name=\"Page0.Memo1\"/></dictionary></preparedreport>";
  };
  Report report;
  PreparedPages store(report);
  const struct {
    const char* band;
    const char* memo;
    int width;
  } rows[] = {{"b1", "m1", 100}, {"B1", "M1", 70}, {"b1", "m1", 50}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.memo);
    store.load_from_stream(file(row.band, row.memo, row.width));
    ReportPage& page = store.page(0);
    ASSERT_EQ(page.count(), 1u);
    EXPECT_TRUE(page.object(0)->is(MasterData::static_class()));
    ASSERT_EQ(page.object(0)->count(), 1u);
    auto& memo = static_cast<MemoView&>(*page.object(0)->object(0));
    EXPECT_EQ(memo.width(), row.width);
    EXPECT_EQ(memo.text(), "a");
  }
}

TEST(PreparedPagesLoad, BadStreamsAreRefusedOrSkippedPiecewise) {
  Report report;
  PreparedPages store(report);
  EXPECT_THROW(store.load_from_stream("not a document"), XmlError);
  EXPECT_THROW(store.load_from_stream("<?xml version=\"1.0\"?><TrpReport/>"), XmlError);
  EXPECT_EQ(store.count(), 0);

  // An unknown alias, a class that is no printable object and a bad source index: each record
  // naming nothing is skipped with its children, the rest of the page stays.
  store.load_from_stream(
      "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>"
      "<preparedreport><previewpages><page7><zz9 t=\"1\"><TrpMemoView/></zz9><TrpReport/>"
      "<TrpMemoView Name=\"Loose\" u=\"kept\" l=\"x\"/></page7></previewpages></preparedreport>");
  ASSERT_EQ(store.count(), 1);
  ReportPage& page = store.page(0);
  ASSERT_EQ(page.count(), 1u);
  EXPECT_EQ(static_cast<MemoView&>(*page.object(0)).text(), "kept");
}

}  // namespace
}  // namespace orvena::report
