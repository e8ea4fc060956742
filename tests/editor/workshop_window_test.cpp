// The template workshop and the data preview over a real SQLite database.
#include <QHeaderView>
#include <QTableView>
#include <filesystem>
#include <fstream>

#include "editor/data_preview.h"
#include "editor_fixture.h"

namespace orvena::editor {
namespace {

class WorkshopWindowTest : public EditorFixture {
 protected:
  WorkshopWindowTest() {
    home.sql(
        "create table t (x integer, name text, price real);"
        "insert into t values (1, 'Łódź', 2.5), (2, 'Kraków', null), (3, 'Gdańsk', 10);");
    connection.open();
  }

  void touch(const std::string& name) { std::ofstream(home.home().templates() / name) << "<x/>"; }

  std::vector<std::string> headers(const QAbstractItemModel* model) {
    std::vector<std::string> out;
    for (int i = 0; i < model->columnCount(); ++i)
      out.push_back(model->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    return out;
  }
};

TEST_F(WorkshopWindowTest, PreviewIsEnabledExactlyWhileTheQueryDatasetIsOpen) {
  auto& w = workshop();
  w.show();
  EXPECT_FALSE(w.preview_button()->isEnabled());

  sql.set_text("select x, name, price\r\nfrom t order by x");
  click(w.run_button());
  EXPECT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
  EXPECT_TRUE(dataset.is_open());
  EXPECT_TRUE(w.preview_button()->isEnabled());

  click(w.preview_button());
  auto& preview = w.preview();
  EXPECT_TRUE(preview.isVisible());
  const QAbstractItemModel* model = preview.grid()->model();
  EXPECT_EQ(headers(model), (std::vector<std::string>{"x", "name", "price"}));
  ASSERT_EQ(model->rowCount(), 3);
  EXPECT_EQ(model->index(0, 1).data().toString(), "Łódź");
  EXPECT_EQ(model->index(0, 2).data().toString(), "2,5");  // the fixed locale's decimal comma
  EXPECT_EQ(model->index(1, 2).data().toString(), "");     // NULL
  EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
  EXPECT_EQ(preview.grid()->editTriggers(), QAbstractItemView::NoEditTriggers);

  // A failing statement: the error is shown, the dataset stays closed, the grid empties.
  sql.set_text("select x from nowhere");
  click(w.run_button());
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains("nowhere")) << errors[0].toStdString();
  EXPECT_FALSE(dataset.is_open());
  EXPECT_FALSE(w.preview_button()->isEnabled());
  EXPECT_EQ(model->rowCount(), 0);
  EXPECT_EQ(model->columnCount(), 0);

  // Whoever opens the dataset (the runner counting rows, say) enables it too.
  dataset.set_command_text("select x from t");
  dataset.open();
  EXPECT_TRUE(w.preview_button()->isEnabled());
  EXPECT_EQ(headers(model), (std::vector<std::string>{"x"}));
  dataset.close();
  EXPECT_FALSE(w.preview_button()->isEnabled());
}

TEST_F(WorkshopWindowTest, TheSqlBoxAndTheRunnersBufferAreOneText) {
  auto& w = workshop();
  w.show();
  sql.set_text("select 1\r\nfrom t");  // what the runner writes appears in the box
  EXPECT_EQ(w.sql_box()->toPlainText(), "select 1\nfrom t");

  w.sql_box()->clear();
  w.sql_box()->setFocus();
  QTest::keyClicks(w.sql_box(), "select x");
  QTest::keyClick(w.sql_box(), Qt::Key_Return);
  QTest::keyClicks(w.sql_box(), "from t");
  EXPECT_EQ(sql.text(), "select x\r\nfrom t");  // and what the operator types is the query text
  click(w.run_button());
  EXPECT_EQ(dataset.command_text(), "select x\r\nfrom t");
  EXPECT_EQ(dataset.record_count(), 3u);
}

TEST_F(WorkshopWindowTest, TheTemplateListShowsOrpFilesAndChangesOnlyOnRefresh) {
  touch("b.orp");
  touch("A.ORP");
  touch("notes.txt");
  std::filesystem::create_directory(home.home().templates() / "folder.orp");
  auto& w = workshop();
  w.show();
  EXPECT_EQ(shown(w.templates()), (std::vector<std::string>{"A.ORP", "b.orp"}));
  touch("c.orp");
  EXPECT_EQ(w.templates()->count(), 2);
  click(w.refresh_button());
  EXPECT_EQ(shown(w.templates()), (std::vector<std::string>{"A.ORP", "b.orp", "c.orp"}));
}

// The grid reads the result in place: a million rows show at once and cost no copy.
TEST_F(WorkshopWindowTest, AMillionRowResultIsShownWithoutCopying) {
  auto& w = workshop();
  w.show();
  sql.set_text(
      "with recursive n(i) as (select 1 union all select i + 1 from n where i < 1000000) "
      "select i, 'row ' || i as label from n");
  click(w.run_button());
  ASSERT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
  click(w.preview_button());
  auto* grid = w.preview().grid();
  grid->scrollToBottom();
  QCoreApplication::processEvents();
  const QAbstractItemModel* model = grid->model();
  ASSERT_EQ(model->rowCount(), 1000000);
  EXPECT_EQ(model->index(999999, 1).data().toString(), "row 1000000");
  EXPECT_EQ(model->headerData(999999, Qt::Vertical, Qt::DisplayRole).toInt(), 1000000);
  dataset.close();
  EXPECT_EQ(model->rowCount(), 0);
}

}  // namespace
}  // namespace orvena::editor
