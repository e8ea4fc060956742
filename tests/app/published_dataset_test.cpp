// The session publishes its query dataset to templates as "DaneOrvena".
#include <gtest/gtest.h>

#include "app/session.h"
#include "report/bands.h"
#include "report/report.h"
#include "support/test_home.h"

namespace orvena::app {
namespace {

TEST(PublishedDataset, TemplatesReadTheSessionsQueryThroughDaneOrvena) {
  test::TestHome home;
  home.sql(
      "create table sprzedaz (klient varchar(40), kwota decimal(10,2));"
      "insert into sprzedaz values ('Żuraw', 12.50), ('Łąka', 100);");
  core::FixedClock clock{core::encode_date(2026, 12, 10)};
  Session session(home.home(), clock);
  session.start_up();
  session.connect();
  report::DBDataset& adapter = session.published_dataset();
  EXPECT_EQ(report::find_data_set(nullptr, "daneorvena", nullptr), &adapter);
  EXPECT_EQ(adapter.attached(), &session.dataset());

  // A template names the adapter by its component name on the main window and by user name.
  report::Report r;
  r.host = &session.main_window_components();
  r.engine_options.new_silent_mode = report::SilentMode::Silent;
  r.load_from_stream(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
      "<TrpReport><Datasets><item DataSet=\"rpDBDataset1\"/></Datasets>"
      "<TrpReportPage Name=\"Page1\"><TrpMasterData Name=\"MasterData1\" Height=\"20\" Left=\"0\" Top=\"0\" "
      "Width=\"700\" DataSetName=\"daneorvena\" RowCount=\"0\"/></TrpReportPage></TrpReport>");
  ASSERT_TRUE(r.errors().empty());
  ASSERT_EQ(r.get_dataset("DaneOrvena"), &adapter);
  EXPECT_EQ(static_cast<report::MasterData*>(r.find_object("MasterData1"))->data.get(), &adapter);

  session.dataset().set_command_text("select klient, kwota from sprzedaz");
  r.initialize_data_sets();
  adapter.first();
  auto kwota = r.data_field_value("DaneOrvena.\"kwota\"");
  ASSERT_TRUE(kwota.has_value());
  EXPECT_EQ(kwota->type(), core::VarType::Double) << "decimals reach templates as floating-point numbers";
  EXPECT_EQ(kwota->to_double(), 12.5);
  r.finalize_data_sets();
  EXPECT_TRUE(session.dataset().is_open()) << "production leaves the query open for the next consumer";
}

}  // namespace
}  // namespace orvena::app
