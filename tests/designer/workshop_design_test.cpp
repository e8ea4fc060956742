// The workshop's design buttons open the designer on the workshop's report, through the report
// component's DesignReport, with the query published as "DaneOrvena".
#include <QListWidget>
#include <QTimer>
#include <filesystem>

#include "designer/designer_port.h"
#include "editor/editor_fixture.h"
#include "gui/qt_app.h"
#include "report/db_dataset.h"
#include "report/host.h"
#include "report/views.h"

namespace orvena::designer {
namespace {

class WorkshopDesign : public editor::EditorFixture {
 protected:
  WorkshopDesign() {
    home.sql(
        "create table t (produkt text, kwota real);"
        "insert into t values ('Herbata', 12.5), ('Kawa', 30);");
    connection.open();
    published.set_name("rpDBDataset1");
    published.set_user_name("DaneOrvena");
    published.close_data_source = false;
    published.attach(&dataset);
    host.add(published);
    std::filesystem::copy_file(
        std::filesystem::path(ORVENA_SOURCE_DIR) / "examples/demo/Dane/Szablony/kategorie.orp",
        home.home().templates() / "kategorie.orp");
  }
  ~WorkshopDesign() override { host.remove(published); }

  editor::WorkshopWindow& ready() {
    auto& w = workshop();
    w.set_report_host(host, published);
    w.report().designer = &port;
    w.show();
    sql.set_text("select produkt, kwota from t");
    click(w.run_button());
    return w;
  }

  // Runs `look` on the designer window once it is open, then closes it: the design buttons
  // return only when the modal designer has closed.
  void when_open(const std::function<void(DesignerWindow&)>& look) {
    QTimer::singleShot(0, [this, look] {
      DesignerWindow* d = port.window();
      opened = d != nullptr;
      if (!d) return;
      look(*d);
      d->close();
    });
  }

  report::HostComponents host{"Form1"};
  report::DBDataset published;
  QtDesignerPort port{DesignerOptions{}};
  bool opened = false;
};

TEST_F(WorkshopDesign, DesignSelectedOpensTheDesignerOnTheTemplateAndBlocksASecond) {
  auto& w = ready();
  w.templates()->setCurrentItem(w.templates()->findItems("kategorie.orp", Qt::MatchExactly).front());
  bool open_while_shown = false;
  when_open([&](DesignerWindow& d) {
    open_while_shown = w.designer_open();
    EXPECT_TRUE(d.isModal());
    EXPECT_EQ(&d.report(), &w.report());
    EXPECT_EQ(d.file(), home.home().templates() / "kategorie.orp");
    EXPECT_TRUE(d.report().find_object("MasterData1"));
    // A second DesignReport while one is open does nothing.
    d.report().design_report();
    EXPECT_EQ(port.window(), &d);
  });
  click(w.design_selected_button());
  EXPECT_TRUE(opened);
  EXPECT_TRUE(open_while_shown);
  EXPECT_FALSE(w.designer_open());
  EXPECT_EQ(port.window(), nullptr);
}

TEST_F(WorkshopDesign, DesignNewStartsFromTheStarterTemplateOverTheQuery) {
  auto& w = ready();
  w.report().load_from_file(home.home().templates() / "kategorie.orp");
  std::vector<std::string> texts;
  when_open([&](DesignerWindow& d) {
    EXPECT_TRUE(d.file().empty());  // not the template loaded before
    EXPECT_EQ(d.windowTitle().toStdString(), "Zentrivo Orvena - Projektant raportu - nowy szablon[*]");
    for (report::Component* c : d.report().all_objects())
      if (auto* memo = dynamic_cast<report::CustomMemoView*>(c)) texts.push_back(memo->text());
  });
  click(w.design_new_button());
  EXPECT_TRUE(opened);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "[DaneOrvena.\"produkt\"]"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "[DaneOrvena.\"kwota\"]"), texts.end());
}

}  // namespace
}  // namespace orvena::designer
