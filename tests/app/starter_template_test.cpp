// A starter template written from a query's fields is a template like any other: the checker
// accepts it and the renderer lists every field, with numbers formatted and the page count known.
#include <gtest/gtest.h>

#include "app/session.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/starter_template.h"
#include "report/views.h"
#include "support/orvena_program.h"
#include "support/test_home.h"

namespace orvena::app {
namespace {

using test::run_command;
using test::run_orvena;
using test::shell_quoted;

class StarterTemplate : public ::testing::Test {
 protected:
  StarterTemplate() {
    home.sql(
        "create table sprzedaz (id integer, klient varchar(30), miasto text, kwota decimal(10,2), data date);"
        "insert into sprzedaz values (1, 'Żuraw i S-ka', 'Łódź', 1234.5, '2026-12-01'),"
        " (2, 'Łąka', 'Gdańsk', 20, '2026-12-02'), (3, 'Ogród \"Pod Dębem\"', 'Kraków', 0.25, "
        "'2026-12-03');");
    session.start_up();
    session.connect();
    session.dataset().set_command_text(kQuery);
    session.dataset().open();
  }

  static constexpr const char* kQuery = "select id, klient, miasto, kwota, data from sprzedaz order by id";
  test::TestHome home;
  core::FixedClock clock{core::encode_date(2026, 12, 10)};
  Session session{home.home(), clock};
};

TEST_F(StarterTemplate, FieldsTakeTheirKindAndWidthFromTheResult) {
  std::vector<report::StarterField> fields = report::starter_fields(session.published_dataset());
  ASSERT_EQ(fields.size(), 5u);
  std::vector<std::string> names;
  for (auto& f : fields) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"id", "klient", "miasto", "kwota", "data"}));
  // Numbers right-aligned; text and dates not.
  EXPECT_TRUE(fields[0].numeric);
  EXPECT_FALSE(fields[1].numeric);
  EXPECT_FALSE(fields[2].numeric);
  EXPECT_TRUE(fields[3].numeric);
  EXPECT_FALSE(fields[4].numeric);
  // SQLite keeps no declared sizes: the widest value stands in ("Ogród "Pod Dębem"", "Gdańsk").
  EXPECT_EQ(fields[1].display_width, 17);
  EXPECT_EQ(fields[2].display_width, 6);
}

TEST_F(StarterTemplate, ChecksCleanAndRendersEveryFieldWithTheCountAndPageNumbers) {
  report::Report r;
  report::make_starter_template(r, "Sprzedaż grudnia", "DaneOrvena",
                                report::starter_fields(session.published_dataset()));
  const auto file = home.home().templates() / "sprzedaz.orp";
  r.save_to_file(file);

  auto check = run_orvena("--check-template " + shell_quoted(file));
  EXPECT_EQ(check.status, 0) << check.output;

  const auto out = home.home().temporary() / "sprzedaz.pdf";
  auto render = run_orvena("--render " + shell_quoted(file) + " --sql " + shell_quoted(kQuery) + " --home " +
                           shell_quoted(home.home().root()) + " --format pdf --out " + shell_quoted(out));
  ASSERT_EQ(render.status, 0) << render.output;
  auto text = run_command("pdftotext -layout " + shell_quoted(out) + " -");
  ASSERT_EQ(text.status, 0) << text.output;
  // The reader splits words where kerning widens a gap, so blanks are compared away.
  auto without_blanks = [](std::string s) {
    std::erase(s, ' ');
    return s;
  };
  const std::string found = without_blanks(text.output);
  for (const char* expected :
       {"Sprzedaż grudnia", "id", "klient", "miasto", "kwota", "data", "Żuraw i S-ka", "Łódź",
        "Ogród \"Pod Dębem\"",
        // Numbers in the numeric format: thousands apart, decimal comma, integers bare.
        "1 234,5 2026-12-01", "Gdańsk 20 2026-12-02", "0,25", "Liczba wierszy: 3", "Strona 1 z 1"})
    EXPECT_NE(found.find(without_blanks(expected)), std::string::npos) << expected << " in:\n" << text.output;
}

// More columns than a portrait page holds: the page turns and the columns share its width, so
// that the last field is still on the page.
TEST(StarterTemplateLayout, WideResultsTurnThePageAndStayInsideIt) {
  struct Case {
    const char* name;
    int fields, width;
    report::Orientation orientation;
  } cases[] = {
      {"three narrow fields stay portrait", 3, 10, report::Orientation::Portrait},
      {"twelve medium fields turn to landscape", 12, 12, report::Orientation::Landscape},
      {"thirty wide fields are squeezed", 30, 40, report::Orientation::Landscape},
  };
  for (const Case& c : cases) {
    std::vector<report::StarterField> fields;
    for (int i = 0; i < c.fields; ++i) fields.push_back({"pole" + std::to_string(i), c.width, i % 2 == 0});
    report::Report r;
    report::make_starter_template(r, "Szeroki", "DaneOrvena", fields);
    auto* page = dynamic_cast<report::ReportPage*>(r.find_object("Page1"));
    ASSERT_NE(page, nullptr) << c.name;
    EXPECT_EQ(page->orientation(), c.orientation) << c.name;
    auto* data = dynamic_cast<report::MasterData*>(r.find_object("MasterData1"));
    ASSERT_NE(data, nullptr) << c.name;
    ASSERT_EQ(data->count(), size_t(c.fields)) << c.name;
    auto* last = dynamic_cast<report::View*>(data->object(data->count() - 1));
    EXPECT_LE(last->left() + last->width(), page->printable_width() + 0.5) << c.name;
    EXPECT_TRUE(r.engine_options.double_pass) << c.name;
  }
}

}  // namespace
}  // namespace orvena::app
