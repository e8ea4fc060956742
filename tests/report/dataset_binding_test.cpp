// Data sources at run time: walking with ranges, the adapter over a real SQLite query, reading
// values by field class, null conversion, aliases, unknown fields and the report's name lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/error.h"
#include "db/database.h"
#include "report/bands.h"
#include "report/db_dataset.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"
#include "support/test_home.h"

namespace orvena::report {
namespace {

using core::Variant;
using core::VarType;

// Ten rows, id 1..10; row 3 has a null in every column but id.
constexpr const char* kTable =
    "begin;"
    "create table t (id integer, nazwa varchar(40), kwota decimal(10,2), duzy bigint, ts timestamp, "
    "dzien date, flaga boolean, dane blob, opis text);"
    "insert into t values (1, 'Żuraw', 12.50, 9000000000, '2024-03-01 13:45:10', '2024-03-01', 1, x'00ff41', "
    "'linia 1' || char(13,10) || 'linia 2');"
    "insert into t values (2, 'Łąka', -0.05, 5, '2024-03-02 00:00:00', '2024-03-02', 0, x'42', 'b');"
    "insert into t (id) values (3);"
    "insert into t values (4, 'd', 4, 4, '2024-03-04 00:00:00', '2024-03-04', 0, x'44', 'd');"
    "insert into t values (5, 'e', 5, 5, '2024-03-05 00:00:00', '2024-03-05', 0, x'45', 'e');"
    "insert into t values (6, 'f', 6, 6, '2024-03-06 00:00:00', '2024-03-06', 0, x'46', 'f');"
    "insert into t values (7, 'g', 7, 7, '2024-03-07 00:00:00', '2024-03-07', 0, x'47', 'g');"
    "insert into t values (8, 'h', 8, 8, '2024-03-08 00:00:00', '2024-03-08', 0, x'48', 'h');"
    "insert into t values (9, 'i', 9, 9, '2024-03-09 00:00:00', '2024-03-09', 0, x'49', 'i');"
    "insert into t values (10, 'j', 10, 10, '2024-03-10 00:00:00', '2024-03-10', 0, x'4a', 'j');"
    "commit;";

class Binding : public ::testing::Test {
 protected:
  void SetUp() override {
    home.sql(kTable);
    connection.set_target(db::SqliteTarget{home.db_file()});
    connection.open();
    dataset.set_command_text("select * from t order by id");
    adapter.set_name("rpDBDataset1");
    adapter.set_user_name("DaneOrvena");
    adapter.attach(&dataset);
    report.engine_options.new_silent_mode = SilentMode::Silent;
    report.add_dataset_item().data.set(&adapter);
    page = report.add_new<ReportPage>();
    page->set_name("Page1");
    memo1 = page->add_new<MemoView>();
    memo1->set_name("Memo1");
    memo2 = page->add_new<MemoView>();
    memo2->set_name("Memo2");
  }

  // The ids a walk visits, with RecNo checked on the way; a walk that does not end fails.
  std::vector<int> walk(DataSet& ds) {
    std::vector<int> ids;
    int64_t expected_rec_no = 0;
    for (ds.first(); !ds.eof(); ds.next()) {
      EXPECT_EQ(ds.rec_no(), expected_rec_no++);
      ids.push_back(ds.value("id").to_int());
      if (ids.size() > 50) {
        ADD_FAILURE() << "the walk does not end";
        break;
      }
    }
    return ids;
  }

  // Opens the query and puts its cursor on `id` before the adapter sees it.
  void position_at(int id) {
    dataset.open();
    for (dataset.first(); dataset.value(0).to_int() != id; dataset.next()) {
    }
  }

  Variant field(std::string_view name) {
    return report.data_field_value("DaneOrvena.\"" + std::string(name) + "\"").value();
  }

  test::TestHome home;
  db::Connection connection;
  db::Query dataset{connection};
  DBDataset adapter;
  Report report;
  ReportPage* page = nullptr;
  MemoView* memo1 = nullptr;
  MemoView* memo2 = nullptr;
};

// ---- Ranges -----------------------------------------------------------------------------------

struct RangeCase {
  const char* name;
  RangeBegin begin;
  RangeEnd end;
  int64_t count;
  int start_at;  // the query's current record when the run starts (0: not opened yet)
  std::vector<int> ids;
  int row_after_run;  // the query's current id after finalize
};

class Ranges : public Binding, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(Ranges, WalkVisitsTheRangeAndFinalizeReturnsToTheSavedRecord) {
  const RangeCase& c = GetParam();
  adapter.range_begin = c.begin;
  adapter.range_end = c.end;
  adapter.range_end_count = c.count;
  if (c.start_at) position_at(c.start_at);
  report.initialize_data_sets();
  EXPECT_EQ(walk(adapter), c.ids);
  report.finalize_data_sets();
  ASSERT_TRUE(dataset.is_open());
  EXPECT_EQ(dataset.value(0).to_int(), c.row_after_run);
}

INSTANTIATE_TEST_SUITE_P(
    Binding, Ranges,
    ::testing::Values(
        RangeCase{"AllRows", RangeBegin::First, RangeEnd::Last, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 10},
        // A band with RowCount 3 over ten rows prints three, with 0 none.
        RangeCase{"CountThree", RangeBegin::First, RangeEnd::Count, 3, 0, {1, 2, 3}, 4},
        RangeCase{"CountZero", RangeBegin::First, RangeEnd::Count, 0, 0, {}, 1},
        RangeCase{"CountBeyondRows",
                  RangeBegin::First,
                  RangeEnd::Count,
                  30,
                  0,
                  {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                  10},
        // Ranges bound to the current record come back to it after the run.
        RangeCase{"FromCurrent", RangeBegin::Current, RangeEnd::Last, 0, 5, {5, 6, 7, 8, 9, 10}, 5},
        RangeCase{"UpToCurrent", RangeBegin::First, RangeEnd::Current, 0, 5, {1, 2, 3, 4, 5}, 5},
        RangeCase{"OnlyCurrent", RangeBegin::Current, RangeEnd::Current, 0, 5, {5}, 5},
        RangeCase{"TwoFromCurrent", RangeBegin::Current, RangeEnd::Count, 2, 8, {8, 9}, 8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Binding, RowCountSourceOfABandWalksRowCountRecords) {
  auto* band = page->add_new<MasterData>();
  for (int64_t n : {0, 1, 3}) {
    band->row_count = n;
    DataSet& rows = band->row_source();
    int64_t records = 0, moves = 0;
    rows.on_next = [&] { ++moves; };
    for (rows.first(); !rows.eof() && records < 10; rows.next()) EXPECT_EQ(rows.rec_no(), records++);
    EXPECT_EQ(records, n);
    EXPECT_EQ(rows.record_count(), n);
    // The step past the end is no move: RecNo stays on the last record, the host hears nothing.
    EXPECT_EQ(rows.rec_no(), std::max<int64_t>(n - 1, 0));
    EXPECT_EQ(moves, std::max<int64_t>(n - 1, 0));
  }
}

TEST_F(Binding, HostDecidesTheEndOfAnOpenEndedUserSource) {
  UserDataSet rows;
  int moves = 0;
  rows.on_next = [&] { ++moves; };
  rows.on_check_eof = [&](bool& eof) { eof = moves == 2; };
  int records = 0;
  for (rows.first(); !rows.eof() && records < 10; rows.next()) ++records;
  EXPECT_EQ(records, 2);
  EXPECT_EQ(rows.record_count(), 0) << "only a counted range knows its size";
}

TEST_F(Binding, PriorStepsBackAndCountsDown) {
  adapter.first();
  adapter.next();
  adapter.next();
  EXPECT_EQ(adapter.value("id").to_int(), 3);
  adapter.prior();
  EXPECT_EQ(adapter.value("id").to_int(), 2);
  EXPECT_EQ(adapter.rec_no(), 1);
  EXPECT_EQ(adapter.record_count(), 10);
}

// ---- Life within a run ----------------------------------------------------------------------------

TEST_F(Binding, QueryStaysOpenAfterTheRunUnlessCloseDataSource) {
  for (bool close : {false, true}) {
    SCOPED_TRACE(close ? "CloseDataSource" : "keep open");
    dataset.close();
    adapter.close_data_source = close;
    report.initialize_data_sets();
    EXPECT_EQ(walk(adapter).size(), 10u);
    report.finalize_data_sets();
    EXPECT_EQ(dataset.is_open(), !close);
  }
}

TEST_F(Binding, QueryStaysOpenAfterPrepareReport) {
  // Stands in for page generation: walk the source as a data band does.
  struct WalkingGenerator : ReportGenerator {
    bool generate(Report& r) override {
      r.initialize_data_sets();
      DataSet* ds = r.get_dataset("DaneOrvena");
      for (ds->first(); !ds->eof(); ds->next()) ++rows;
      r.finalize_data_sets();
      return true;
    }
    int rows = 0;
  } generator;
  report.generator = &generator;
  EXPECT_TRUE(report.prepare_report());
  EXPECT_EQ(generator.rows, 10);
  EXPECT_TRUE(dataset.is_open());
  EXPECT_TRUE(report.errors().empty());
}

TEST_F(Binding, AdapterWithoutQueryFailsAtInitializeWithItsName) {
  adapter.attach(nullptr);
  try {
    report.initialize_data_sets();
    FAIL() << "initialize must fail";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Źródło rpDBDataset1 jest niepodłączone");
  }
  EXPECT_NO_THROW(report.finalize_data_sets()) << "the end of a failed run still finalizes quietly";
}

TEST_F(Binding, QueryReopenedByTheHostDuringARunIsSeenWithItsNewFields) {
  adapter.range_begin = RangeBegin::Current;
  position_at(4);
  report.initialize_data_sets();
  adapter.first();
  EXPECT_EQ(adapter.value("id").to_int(), 4);
  // The host closes the query (the bookmark goes with its rows) and runs another one, where
  // "id" is no longer the first column.
  dataset.close();
  dataset.set_command_text("select 'x' as inny, 7 as id union all select 'y', 8");
  dataset.open();
  adapter.first();
  EXPECT_EQ(adapter.value("INNY").to_string(), "x");
  EXPECT_EQ(adapter.value("id").to_int(), 7);
  report.finalize_data_sets();
  EXPECT_TRUE(report.errors().empty());
}

TEST_F(Binding, AdapterDestroyedWhileHookedLeavesTheQueryUsable) {
  {
    DBDataset temporary;
    temporary.set_user_name("Chwilowe");
    temporary.attach(&dataset);
    temporary.initialize();
    temporary.first();
  }
  // The hooks of the destroyed adapter must be gone, or these would call into freed memory.
  dataset.close();
  dataset.open();
  EXPECT_EQ(dataset.record_count(), 10u);
}

// ---- Values ------------------------------------------------------------------------------------------

struct ValueCase {
  const char* field;
  bool bcd_to_currency;
  Variant expected;  // type and value
};

class Values : public Binding, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(Values, ByFieldClass) {
  adapter.bcd_to_currency = GetParam().bcd_to_currency;
  adapter.first();
  Variant v = adapter.value(GetParam().field);
  EXPECT_EQ(Variant::type_name(v.type()), std::string(Variant::type_name(GetParam().expected.type())));
  EXPECT_TRUE(v == GetParam().expected) << v.to_string();
}

INSTANTIATE_TEST_SUITE_P(
    Binding, Values,
    ::testing::Values(
        // Decimal columns reach expressions as floating-point numbers unless BCDToCurrency.
        ValueCase{"kwota", false, Variant(12.5)}, ValueCase{"kwota", true, Variant(core::Currency{125000})},
        ValueCase{"duzy", false, Variant(int64_t{9000000000})},
        ValueCase{"ts", false, Variant::date(core::encode_date(2024, 3, 1) + core::encode_time(13, 45, 10))},
        ValueCase{"dane", false, Variant(std::string("\x00\xff\x41", 3))},
        // Field names ignore letter case, Polish letters included.
        ValueCase{"NAZWA", false, Variant("Żuraw")}, ValueCase{"id", false, Variant(int32_t{1})}),
    [](const auto& info) {
      return std::string(info.param.field) + (info.param.bcd_to_currency ? "_currency" : "");
    });

TEST_F(Binding, SmallValueInA64BitColumnStays64Bit) {
  adapter.first();
  adapter.next();
  EXPECT_EQ(adapter.value("duzy").type(), VarType::Int64);
  EXPECT_EQ(adapter.value("kwota").to_double(), -0.05);
}

struct NullCase {
  const char* field;
  Variant converted;
};

class Nulls : public Binding, public ::testing::WithParamInterface<NullCase> {};

TEST_P(Nulls, ConvertedByFieldTypeOnlyWithConvertNulls) {
  report.initialize_data_sets();
  adapter.first();
  adapter.next();
  adapter.next();  // id 3: nulls
  ASSERT_EQ(adapter.value("id").to_int(), 3);
  report.engine_options.convert_nulls = true;
  Variant v = field(GetParam().field);
  EXPECT_TRUE(v == GetParam().converted) << Variant::type_name(v.type()) << " " << v.to_string();
  report.engine_options.convert_nulls = false;
  EXPECT_TRUE(field(GetParam().field).is_null());
  EXPECT_TRUE(adapter.value(GetParam().field).is_null()) << "the source itself always gives the null";
}

INSTANTIATE_TEST_SUITE_P(Binding, Nulls,
                         ::testing::Values(NullCase{"nazwa", Variant("")}, NullCase{"opis", Variant("")},
                                           NullCase{"flaga", Variant(false)},
                                           NullCase{"kwota", Variant(int32_t{0})},
                                           NullCase{"duzy", Variant(int32_t{0})},
                                           NullCase{"dzien", Variant(int32_t{0})},
                                           NullCase{"ts", Variant(int32_t{0})}),
                         [](const auto& info) { return std::string(info.param.field); });

TEST_F(Binding, FieldTypesWidthsAndBlobs) {
  struct Row {
    const char* field;
    FieldType type;
    int width;
    bool blob;
  };
  // The widest name is "Żuraw" (5 letters, 7 bytes).
  for (const Row& r :
       {Row{"nazwa", FieldType::Text, 5, false}, Row{"flaga", FieldType::Boolean, 10, false},
        Row{"dzien", FieldType::DateTime, 20, false}, Row{"ts", FieldType::DateTime, 20, false},
        Row{"kwota", FieldType::Other, 10, false}, Row{"duzy", FieldType::Other, 15, false},
        Row{"dane", FieldType::Other, 10, true}, Row{"brak", FieldType::Other, 10, false}}) {
    SCOPED_TRACE(r.field);
    EXPECT_EQ(adapter.field_type(r.field), r.type);
    EXPECT_EQ(adapter.display_width(r.field), r.width);
    EXPECT_EQ(adapter.is_blob_field(r.field), r.blob);
  }
  adapter.first();
  EXPECT_EQ(adapter.blob_bytes("dane"), std::string("\x00\xff\x41", 3));
  EXPECT_EQ(adapter.blob_lines("opis"), (std::vector<std::string>{"linia 1", "linia 2"}));
}

TEST_F(Binding, DisplayTextInTheFixedLocale) {
  adapter.first();
  EXPECT_EQ(adapter.display_text("kwota"), "12,5");
  EXPECT_EQ(adapter.display_text("dzien"), "2024-03-01");
  EXPECT_EQ(adapter.display_text("ts"), "2024-03-01 13:45:10");
  EXPECT_EQ(adapter.display_text("Nazwa"), "Żuraw");
}

// ---- Unknown fields ------------------------------------------------------------------------------------

TEST_F(Binding, UnknownFieldAddsOneLinePerReadingObject) {
  report.initialize_data_sets();
  adapter.first();
  report.current_object.reset(memo1);
  EXPECT_TRUE(field("brak").is_empty());
  EXPECT_TRUE(field("brak").is_empty());  // the same object again: no second line
  report.current_object.reset(memo2);
  EXPECT_EQ(adapter.display_text("brak"), "Nieznaleziono pola: DaneOrvena.\"brak\"");
  EXPECT_EQ(report.errors(), (std::vector<std::string>{"Memo1: Nieznaleziono pola: DaneOrvena.\"brak\"",
                                                       "Memo2: Nieznaleziono pola: DaneOrvena.\"brak\""}));
  report.finalize_data_sets();
}

TEST_F(Binding, UnknownFieldMakesPrepareReportFail) {
  struct ReadingGenerator : ReportGenerator {
    bool generate(Report& r) override {
      r.initialize_data_sets();
      r.get_dataset("DaneOrvena")->first();
      for (const char* name : {"Memo1", "Memo2"}) {
        r.current_object.reset(r.find_object(name));
        r.data_field_value("DaneOrvena.\"nie_ma\"");
      }
      r.finalize_data_sets();
      return true;  // pages were made all the same
    }
  } generator;
  report.generator = &generator;
  EXPECT_FALSE(report.prepare_report());
  EXPECT_EQ(report.errors().size(), 2u);
}

// ---- Aliases ---------------------------------------------------------------------------------------------

TEST_F(Binding, AliasesRenameHideAndLeaveOutFields) {
  adapter.field_aliases = {"nazwa=Klient", "-kwota=Kwota", "id=Numer", "brak=Duch", "bez znaku równości"};
  report.initialize_data_sets();
  adapter.first();
  EXPECT_EQ(adapter.field_list(), (std::vector<std::string>{"Klient", "Numer", "Duch"}));
  EXPECT_EQ(adapter.fields_count(), 3u);
  EXPECT_EQ(adapter.value("klient").to_string(), "Żuraw");
  EXPECT_EQ(adapter.value("Numer").to_int(), 1);
  EXPECT_TRUE(adapter.has_field("KLIENT"));
  EXPECT_FALSE(adapter.has_field("nazwa"));
  // Under its own name, hidden, or an alias of a column the query lacks: unknown to reports.
  report.current_object.reset(memo1);
  for (const char* unknown : {"nazwa", "Kwota", "Duch"}) {
    SCOPED_TRACE(unknown);
    EXPECT_TRUE(adapter.value(unknown).is_empty());
  }
  EXPECT_EQ(report.errors().size(), 3u);
  report.finalize_data_sets();
}

TEST_F(Binding, FieldListOfAQueryInColumnOrder) {
  adapter.open();
  EXPECT_EQ(adapter.field_list(), (std::vector<std::string>{"id", "nazwa", "kwota", "duzy", "ts", "dzien",
                                                            "flaga", "dane", "opis"}));
  EXPECT_TRUE(adapter.has_field("OPIS"));
}

// ---- Name resolution
// ---------------------------------------------------------------------------------------

TEST_F(Binding, LowerCaseUserNameInATemplateBindsToThePublishedAdapter) {
  Report loaded;
  loaded.engine_options.new_silent_mode = SilentMode::Silent;
  loaded.load_from_stream(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
      "<TrpReport><Datasets><item DataSetName=\"daneorvena\"/></Datasets>"
      "<TrpReportPage Name=\"Page1\"><TrpMasterData Name=\"MasterData1\" Height=\"20\" Left=\"0\" Top=\"0\" "
      "Width=\"700\" DataSetName=\"daneorvena\" RowCount=\"0\"/></TrpReportPage></TrpReport>");
  EXPECT_TRUE(loaded.errors().empty());
  ASSERT_EQ(loaded.datasets.size(), 1u);
  EXPECT_EQ(loaded.datasets[0]->data.get(), &adapter);
  EXPECT_EQ(loaded.datasets[0]->data.name(), "DaneOrvena");
  EXPECT_EQ(static_cast<MasterData*>(loaded.find_object("MasterData1"))->data.get(), &adapter);
  EXPECT_EQ(loaded.get_dataset("DANEORVENA"), &adapter);
}

TEST_F(Binding, DatasetAndFieldFromAnExpressionName) {
  struct Row {
    const char* text;
    DataSet* source;
    const char* field;
  };
  for (const Row& r :
       {Row{"DaneOrvena.\"kwota\"", &adapter, "kwota"}, Row{"daneorvena.\"Kwota\"", &adapter, "Kwota"},
        Row{"Inne.\"kwota\"", nullptr, "kwota"}, Row{"DaneOrvena.kwota", nullptr, ""},
        // The first dot-quote splits; the last character is dropped whatever it is.
        Row{"DaneOrvena.\"a.\"b\"", &adapter, "a.\"b"}, Row{"DaneOrvena.\"", &adapter, ""},
        Row{"DaneOrvena.\"kwotą", &adapter, "kwot"}, Row{"", nullptr, ""}}) {
    SCOPED_TRACE(r.text);
    auto [source, field] = report.get_dataset_and_field(r.text);
    EXPECT_EQ(source, r.source);
    EXPECT_EQ(field, r.field);
  }
  // A source not in Datasets, or an empty field name, is not a data field for expressions.
  EXPECT_FALSE(report.data_field_value("Inne.\"kwota\"").has_value());
  EXPECT_FALSE(report.data_field_value("DaneOrvena.\"\"").has_value());
}

TEST_F(Binding, AliasesAndListsOfTheReportsSources) {
  UserDataSet list;
  list.set_name("Lista");
  DBDataset outside;
  outside.set_name("Obcy");
  report.add_dataset_item().data.set(&list);
  report.add_dataset_item().data.data_set_name = "Zgubiony";  // names a source that does not exist

  EXPECT_EQ(report.get_alias(&adapter), "DaneOrvena");
  EXPECT_EQ(report.get_alias(&outside), "(Źródło jest nie dołączone do Report.DataSets)");
  EXPECT_EQ(report.get_alias(nullptr), "");

  using Entry = std::pair<std::string, DataSet*>;
  EXPECT_EQ(report.get_data_set_list(Report::DataSetKinds::All),
            (std::vector<Entry>{{"DaneOrvena", &adapter}, {"Lista", &list}}));
  EXPECT_EQ(report.get_data_set_list(Report::DataSetKinds::OnlyDatabase),
            (std::vector<Entry>{{"DaneOrvena", &adapter}}));
}

TEST(DataSetNames, GlobalLookupSkipsSourcesOfOtherReports) {
  Report a, b;
  auto* in_a = a.ensure_data_page().add_new<UserDataSet>();
  in_a->set_name("Lista");
  auto* in_b = b.ensure_data_page().add_new<UserDataSet>();
  in_b->set_name("Lista");
  UserDataSet on_host;  // belongs to no report: every report may use it
  on_host.set_name("Wspolne");

  EXPECT_EQ(find_data_set(nullptr, "LISTA", &b), in_b) << "a's source comes first but is a's";
  EXPECT_EQ(find_data_set(nullptr, "lista", nullptr), in_a) << "without a report the first registered wins";
  EXPECT_EQ(find_data_set(nullptr, "wspolne", &a), &on_host);
  EXPECT_EQ(find_data_set(in_a, "nikt", &a), in_a) << "no match keeps the current source";
  EXPECT_EQ(find_data_set(in_a, "", &a), nullptr);

  // Without the global list only the report's own Datasets count.
  b.engine_options.use_global_data_set_list = false;
  EXPECT_EQ(find_data_set(nullptr, "wspolne", &b), nullptr);
  b.add_dataset_item().data.set(&on_host);
  EXPECT_EQ(find_data_set(nullptr, "wspolne", &b), &on_host);
}

TEST(DataSetNames, DataSetAndDataSourceOfTheAdapterExcludeEachOther) {
  DBDataset adapter;
  const ClassInfo& info = adapter.class_info();
  info.find("DataSet")->set_string(adapter, "ADORaport");
  info.find("DataSource")->set_string(adapter, "DataSource1");
  EXPECT_EQ(adapter.data_set, "");
  EXPECT_EQ(adapter.data_source, "DataSource1");
  info.find("DataSet")->set_string(adapter, "ADORaport");
  EXPECT_EQ(adapter.data_source, "");
}

TEST(DataSetNames, EmptyUserNameIsRefused) {
  UserDataSet ds;
  for (const char* bad : {"", "   ", "\t"}) {
    try {
      ds.set_user_name(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const core::Error& e) {
      EXPECT_STREQ(e.what(), "Nieprawidłowa wartość właściowości");
    }
  }
}

TEST(DataSetNames, FieldAliasLines) {
  auto aliases = parse_field_aliases({"a=b", "-c=d", "e==f", "=g", "brak"});
  ASSERT_EQ(aliases.size(), 4u);
  EXPECT_EQ(aliases[0].field, "a");
  EXPECT_EQ(aliases[0].alias, "b");
  EXPECT_TRUE(aliases[1].hidden);
  EXPECT_EQ(aliases[1].field, "c");
  EXPECT_EQ(aliases[2].alias, "=f") << "only the first equals sign separates";
  EXPECT_EQ(aliases[3].field, "");
}

}  // namespace
}  // namespace orvena::report
