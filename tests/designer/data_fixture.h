#pragma once
// A designer over a report that sees the workshop's query published as "DaneOrvena", as the
// workshop opens it: a text and a number field, and the drag of a data tree entry onto the view.
#include <QMimeData>

#include "db/database.h"
#include "designer/data_tree.h"
#include "designer/designer_fixture.h"
#include "report/db_dataset.h"
#include "report/host.h"

namespace orvena::designer {

class DataFixture : public DesignerFixture {
 protected:
  DataFixture() {
    home.sql(
        "create table t (produkt text, kwota real);"
        "insert into t values ('Herbata', 12.5), ('Kawa', 30);");
    connection.set_target(db::SqliteTarget{home.db_file()});
    connection.open();
    query.set_command_text("select produkt, kwota from t");
    query.open();
    published.set_name("rpDBDataset1");
    published.set_user_name("DaneOrvena");
    published.close_data_source = false;
    published.attach(&query);
    host.add(published);
  }
  ~DataFixture() override {
    windows.clear();
    host.remove(published);
  }

  // A page with a page header and one master data band over nothing yet.
  report::Report& page_with_bands() {
    auto& r = *reports.emplace_back(std::make_unique<report::Report>());
    r.engine_options.new_silent_mode = report::SilentMode::Silent;
    r.host = &host;
    auto* page = r.add_new<report::ReportPage>();
    page->create_unique_name();
    page->set_defaults();
    auto* header = page->add_new<report::PageHeader>();
    header->create_unique_name();
    header->set_bounds(0, 0, page->printable_width(), 24);
    auto* data = page->add_new<report::MasterData>();
    data->create_unique_name();
    data->set_bounds(0, 40, page->printable_width(), 24);
    data->data.set(&published);
    return r;
  }

  // What the data tree gives a drag of the entry.
  static std::unique_ptr<QMimeData> drag_data(DesignerWindow& w, const char* group, const char* name) {
    QTreeWidgetItem* item = w.data_tree().find_entry(group, name);
    EXPECT_TRUE(item) << name;
    if (!item) return nullptr;
    const QModelIndex index = w.data_tree().model()->index(
        item->parent()->indexOfChild(item), 0,
        w.data_tree().model()->index(w.data_tree().indexOfTopLevelItem(item->parent()), 0));
    return std::unique_ptr<QMimeData>(w.data_tree().model()->mimeData({index}));
  }

  // The drag arriving at `to` on the view and dropped there; whether the view took it.
  static bool drop(DesignerWindow& w, const QMimeData& data, QPoint to) {
    QWidget* vp = w.view().viewport();
    QDragEnterEvent enter(to, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &enter);
    QDragMoveEvent move(to, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    if (!move.isAccepted()) return false;
    QDropEvent dropped(to, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &dropped);
    return dropped.isAccepted();
  }

  report::HostComponents host{"Form1"};
  db::Connection connection;
  db::Query query{connection};
  report::DBDataset published;
};

}  // namespace orvena::designer
