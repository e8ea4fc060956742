// Report files: delimited text that stays parseable whatever a numeric column holds, and files
// that appear under their name only once complete.
#include "runner/output_production.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "core/line_file.h"
#include "core/temp_dir.h"
#include "support/test_home.h"

namespace orvena::runner {
namespace {

namespace fs = std::filesystem;

std::string delimited(const db::ResultSet& result) {
  core::TempDir dir;
  const fs::path path = dir.path() / "out.csv";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  write_delimited(result, file, DelimitedText{.header = CsvHeader::None});
  std::fclose(file);
  return core::read_file(path);
}

TEST(WriteDelimited, OnlyNumbersGoBareInANumericColumn) {
  // SQLite lets a decimal(10,2) column hold any text; such a value must not split the row.
  db::ResultSetBuilder b({{"kwota", db::FieldKind::Decimal, 10, 2}, {"n", db::FieldKind::Integer}});
  auto row = [&](auto add_kwota) {
    add_kwota();
    b.add_integer(1, 7);
    b.end_row();
  };
  row([&] { b.add_decimal(0, "12.50"); });
  row([&] { b.add_decimal(0, "-0.05"); });
  row([&] { b.add_text(0, "z;\"after"); });
  row([&] { b.add_null(0); });
  row([&] { b.add_text(0, ""); });
  row([&] { b.add_integer(0, 3); });
  EXPECT_EQ(delimited(b.finish()),
            "12,5;7\r\n"
            "-0,05;7\r\n"
            "\"z;\"\"after\";7\r\n"
            ";7\r\n"      // NULL: empty and bare, as the column is numeric
            "\"\";7\r\n"  // an empty text is no number
            "3;7\r\n");
}

// The runner's "csv" is written while the rows are fetched; its bytes are those of the whole
// result written at once, whatever the columns' kinds do along the way.
class StreamedCsv : public ::testing::Test {
 protected:
  void SetUp() override {
    home.sql(
        "create table t (id integer, kwota decimal(10,2), opis text, dzien date);"
        "insert into t values (1, 12.5, 'Łódź; \"centrum\"', '2026-12-01'), (2, null, null, null),"
        "  (3, -0.05, 'a\r\nb', '2026-12-31');"
        "create table duzo (n integer, tekst text);"
        "with recursive s(n) as (select 1 union all select n + 1 from s where n < 20000)"
        "  insert into duzo select n, printf('wiersz %06d ', n) || hex(randomblob(40)) from s;");
    connection.set_target(db::SqliteTarget{home.db_file()});
    connection.open();
  }

  std::string whole(const std::string& query) {
    dataset.close();
    dataset.set_command_text(query);
    dataset.open();
    std::string bytes = delimited_with_header(dataset.result());
    dataset.close();
    return bytes;
  }

  std::string streamed(const std::string& query) {
    sql.set_text(query);
    const fs::path out = home.home().temporary() / "r.csv";
    production.export_csv_full(out, {});
    return core::read_file(out);
  }

  static std::string delimited_with_header(const db::ResultSet& result) {
    core::TempDir dir;
    const fs::path path = dir.path() / "out.csv";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    write_delimited(result, file, DelimitedText{});
    std::fclose(file);
    return core::read_file(path);
  }

  test::TestHome home;
  db::Connection connection;
  db::Query dataset{connection};
  SqlBuffer sql;
  UnavailableReportProducer producer;
  OutputProduction production{dataset, sql, home.home().templates(), producer};
};

TEST_F(StreamedCsv, BytesAreThoseOfTheWholeResult) {
  struct Case {
    const char* name;
    const char* query;
  } cases[] = {
      {"declared kinds, nulls, delimiters and line breaks", "select * from t order by id"},
      {"an expression starting with nulls",
       "select case when id < 3 then null else id * 2 end as e, opis "
       "from t order by id"},
      // The first values are written bare; the text at the end turns the whole column into
      // quoted values, so the file is written again from the whole result.
      {"integers, then a text", "select n + 0 from duzo where n < 5 union all select 'x;y'"},
      {"integers, then a fraction", "select n + 0 from duzo where n < 5 union all select 2.5"},
      {"no rows: the header alone", "select id, opis from t where id > 100"},
      {"rows over several buffers", "select * from duzo order by n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string expected = whole(c.query);
    EXPECT_EQ(streamed(c.query), expected);
    EXPECT_FALSE(dataset.is_open());
  }
  EXPECT_GT(whole("select * from duzo").size(), size_t(1) << 20);  // more than one buffer
}

// A query that fails midway names the query step; no file is left under the report's name.
TEST_F(StreamedCsv, AFailingQueryLeavesNoFile) {
  sql.set_text("select * from nie_ma");
  const fs::path out = home.home().temporary() / "r.csv";
  try {
    production.export_csv_full(out, {});
    FAIL() << "no error";
  } catch (const ProductionError& e) {
    EXPECT_EQ(e.step(), ProductionStep::Query);
    EXPECT_NE(std::string(e.what()).find("no such table: nie_ma"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(fs::is_empty(home.home().temporary()));
}

TEST(PartialFile, AppearsUnderItsNameOnlyWhenCommitted) {
  core::TempDir dir;
  const fs::path final_path = dir.path() / "raport.pdf";
  core::write_lines(final_path, {"an earlier report under this name"});
  {
    PartialFile partial(final_path);
    EXPECT_EQ(partial.path().parent_path(), dir.path());
    EXPECT_EQ(partial.path().extension(), ".pdf");  // writers may look at it
    core::write_lines(partial.path(), {"half"});
    // Not committed: a writer that failed leaves neither its part nor a changed report.
  }
  EXPECT_EQ(core::read_file(final_path), "an earlier report under this name\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);

  PartialFile partial(final_path);
  core::write_lines(partial.path(), {"whole"});
  partial.commit();
  EXPECT_EQ(core::read_file(final_path), "whole\r\n");
  EXPECT_EQ(fs::status(final_path).permissions() & fs::perms::others_read, fs::perms::others_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

// The longest name a folder takes is 255 bytes; the temporary name must not need more.
TEST(PartialFile, ALongestLegalNameStillCommits) {
  core::TempDir dir;
  const std::string name = std::string(250, 'r') + ".xlsx";
  ASSERT_EQ(name.size(), 255u);
  PartialFile partial(dir.path() / name);
  EXPECT_EQ(partial.path().extension(), ".xlsx");
  core::write_lines(partial.path(), {"whole"});
  partial.commit();
  EXPECT_EQ(core::read_file(dir.path() / name), "whole\r\n");
}

TEST(TemplatePath, OnlyFilesInTheTemplatesFolderOrBelow) {
  core::TempDir dir;
  const fs::path templates = dir.path() / "Dane" / "Szablony";
  fs::create_directories(templates / "kadry");
  core::write_lines(dir.path() / "Dane" / "sterowanie.txt", {"x"});
  fs::create_symlink(dir.path() / "Dane" / "sterowanie.txt", templates / "link.orp");
  fs::create_directory_symlink("/etc", templates / "etc");
  struct Case {
    const char* szablon;
    bool inside;
  };
  const Case cases[] = {
      {"obroty.orp", true},          {"kadry/lista.orp", true},
      {"kadry/../obroty.orp", true},  // stays inside once read
      {"../sterowanie.txt", false},  {"kadry/../../sterowanie.txt", false},
      {"/etc/passwd", false},        {"link.orp", false},  // a link leading out of the folder
      {"etc/passwd", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.szablon);
    if (c.inside) {
      EXPECT_EQ(template_path(templates, c.szablon), templates / fs::path(c.szablon).lexically_normal());
      continue;
    }
    try {
      template_path(templates, c.szablon);
      ADD_FAILURE() << "accepted";
    } catch (const ProductionError& e) {
      EXPECT_EQ(e.step(), ProductionStep::Template);
      EXPECT_EQ(std::string(e.what()), "Szablon raportu \"" + std::string(c.szablon) +
                                           "\" leży poza folderem Dane/Szablony - nie wczytano go.");
    }
  }
}

TEST(PartialFile, AMissingFolderFailsAtOnce) {
  core::TempDir dir;
  EXPECT_THROW(PartialFile(dir.path() / "brak" / "r.csv"), core::Error);
}

}  // namespace
}  // namespace orvena::runner
