#pragma once
// The page-generation tests' fixture: a report over the SQLite table below, published as
// "DaneOrvena", loaded from tests/fixtures/engine/<name>.orp and generated to its page dump.
#include <gtest/gtest.h>

#include <string>

#include "db/database.h"
#include "report/bands.h"
#include "report/db_dataset.h"
#include "report/engine/engine.h"
#include "report/engine/page_dump.h"
#include "report/host.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "support/test_home.h"

namespace orvena::report::fixtures {

// id 1..6 in groups A, A, B, C, C, C; kwota = id; opis is long only for id 2.
inline constexpr const char* kTable =
    "create table t (id integer, nazwa text, grupa text, kwota integer, opis text);"
    "insert into t values (1, 'Żuraw', 'A', 1, 'krótki');"
    "insert into t values (2, 'Łąka', 'A', 2, 'jeden dwa trzy cztery pięć sześć siedem osiem dziewięć "
    "dziesięć jedenaście dwanaście trzynaście czternaście piętnaście szesnaście siedemnaście');"
    "insert into t values (3, 'c', 'B', 3, 'x');"
    "insert into t values (4, 'd', 'C', 4, 'x');"
    "insert into t values (5, 'e', 'C', 5, 'x');"
    "insert into t values (6, 'f', 'C', 6, 'x');";

class Generation : public ::testing::Test {
 protected:
  void SetUp() override {
    home.sql(kTable);
    connection.set_target(db::SqliteTarget{home.db_file()});
    connection.open();
    adapter.set_name("rpDBDataset1");
    adapter.set_user_name("DaneOrvena");
    adapter.attach(&query);
    host.add(adapter);
    report.host = &host;
    report.engine_options.new_silent_mode = SilentMode::Silent;
  }
  void TearDown() override { host.remove(adapter); }

  void load(const std::string& fixture, const std::string& sql = "select * from t order by id") {
    query.close();
    query.set_command_text(sql);
    report.load_from_file(std::string(ORVENA_FIXTURES) + "/engine/" + fixture + ".orp", true);
    ASSERT_TRUE(report.errors().empty()) << report.errors().front();
  }
  Band& band(const std::string& name) { return dynamic_cast<Band&>(*report.find_object(name)); }

  // Generates and returns the dump; an unexpected failure shows the report's errors.
  std::string generate() {
    pages.clear();
    Engine engine(report, pages);
    bool ok = engine.run();
    std::string errors;
    for (auto& e : report.errors()) errors += e + "\n";
    EXPECT_TRUE(ok) << errors;
    return dump_prepared_pages(pages);
  }

  test::TestHome home;
  db::Connection connection;
  db::Query query{connection};
  DBDataset adapter;
  HostComponents host{"Main"};
  Report report;
  PreparedPages pages{report};
};

}  // namespace orvena::report::fixtures
