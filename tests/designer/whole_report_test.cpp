// A grouped report over the demo database built only through the designer's tools, menus, drags,
// dialogs, inspector and script tab; saved, rendered by `orvena --render` to PDF and read back:
// every group, every total as the database computes it, the logo, the barcodes and no row the
// script hid.
#include <sqlite3.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUndoStack>
#include <cstdio>
#include <map>
#include <regex>

#include "designer/data_fixture.h"
#include "designer/expression_editor.h"
#include "designer/inspector.h"
#include "designer/script_tab.h"
#include "support/orvena_program.h"

namespace orvena::designer {
namespace {

// Sales of the first 80 records; "N17" names record 17 so that a hidden row is easy to miss.
constexpr const char* kSql =
    "select p.kategoria, 'N' || s.id as nr, p.nazwa as produkt, s.ilosc, s.kwota from sprzedaz s "
    "join produkty p on p.id = s.produkt_id where s.id <= 80 order by p.kategoria, s.id";
// The script hides rows of fewer than this many pieces.
constexpr int kMinPieces = 12;

struct Group {
  int rows = 0;
  double sum = 0;
  std::vector<std::string> shown;
};

class WholeReport : public DataFixture {
 protected:
  WholeReport() {
    query.close();
    std::filesystem::copy_file(std::filesystem::path(ORVENA_SOURCE_DIR) / "examples/demo/Dane/demo.db",
                               home.db_file(), std::filesystem::copy_options::overwrite_existing);
    query.set_command_text(kSql);
    query.open();
  }

  // Shown rows per category and the ids of the hidden ones, from the database itself.
  void expected(std::map<std::string, Group>& groups, std::vector<std::string>& hidden) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(home.db_file().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, kSql, -1, &st, nullptr), SQLITE_OK);
    while (sqlite3_step(st) == SQLITE_ROW) {
      const std::string category = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
      const std::string nr = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
      if (sqlite3_column_int(st, 3) < kMinPieces) {
        hidden.push_back(nr);
        continue;
      }
      groups[category].rows++;
      groups[category].shown.push_back(nr);
      groups[category].sum += sqlite3_column_double(st, 4);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
  }

  void add_band(DesignerWindow& w, const char* action, const QString& condition = {}) {
    if (!condition.isEmpty())
      when_modal([condition](QWidget* modal) {
        auto* editor = qobject_cast<ExpressionEditor*>(modal);
        ASSERT_TRUE(editor);
        QTest::keyClicks(editor->editor(), condition);
        QTest::mouseClick(editor->check_button(), Qt::LeftButton);
        editor->accept();
      });
    w.action(action)->trigger();
  }
};

TEST_F(WholeReport, BuiltInTheDesignerRenderedAndReadBack) {
  auto& r = *reports.emplace_back(std::make_unique<report::Report>());
  r.engine_options.new_silent_mode = report::SilentMode::Silent;
  r.host = &host;
  auto* page = r.add_new<report::ReportPage>();
  page->create_unique_name();
  page->set_defaults();
  auto& w = open(r);

  choice = "DaneOrvena";
  add_band(w, "band_PageHeader");
  add_band(w, "band_MasterData");
  add_band(w, "band_GroupHeader", "<DaneOrvena.\"kategoria\">");
  add_band(w, "band_GroupFooter");
  auto& header = object<report::Band>(r, "PageHeader1");
  auto& group = object<report::Band>(r, "GroupHeader1");
  auto& footer = object<report::Band>(r, "GroupFooter1");

  // Captions and four bound fields from the page header; the category on the group header.
  double x = 0;
  for (const char* field : {"nr", "produkt", "ilosc", "kwota"}) {
    ASSERT_TRUE(drop(w, *drag_data(w, "DaneOrvena", field), at(w, header, x + 1, 1)));
    x = header.objects().back()->left() + header.objects().back()->width() + 8;
  }
  ASSERT_TRUE(drop(w, *drag_data(w, "DaneOrvena", "kategoria"), at(w, group, 1, 1)));

  // A logo in the page header: a picture drawn there, its file chosen in the inspector's row.
  QImage logo(48, 24, QImage::Format_RGB32);
  logo.fill(QColor(0x20, 0x60, 0xC0));
  chosen_file = QString::fromStdString((home.home().root() / "logo.png").string());
  ASSERT_TRUE(logo.save(chosen_file, "PNG"));
  w.action("insert_Picture")->trigger();
  drag(w, at(w, header, 640, 0), at(w, header, 688, 24));
  auto& picture = static_cast<report::View&>(*header.objects().back());
  ASSERT_TRUE(picture.is(report::PictureView::static_class()));
  QTest::mouseClick(w.view().viewport(), Qt::LeftButton, {}, centre_of(w, picture));
  QTreeWidgetItem* row = w.inspector().row("Picture");
  ASSERT_TRUE(row);
  w.inspector().tabs()->setCurrentWidget(row->treeWidget());
  row->treeWidget()->scrollToItem(row);
  auto* choose = qobject_cast<QAbstractButton*>(w.inspector().editor("Picture"));
  ASSERT_TRUE(choose);
  QTest::mouseClick(choose, Qt::LeftButton, {}, QPoint(4, choose->height() / 2));
  EXPECT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();

  // A barcode of the category, drawn in the group header made taller by its lower edge, its
  // expression typed in the editor a double click opens.
  drag(w, at(w, group, 300, group.height()), at(w, group, 300, 72));
  ASSERT_EQ(group.height(), 72);
  w.action("insert_BarCode")->trigger();
  drag(w, at(w, group, 400, 4), at(w, group, 640, 68));
  auto& barcode = static_cast<report::View&>(*group.objects().back());
  ASSERT_TRUE(barcode.is(report::BarCodeView::static_class()));
  when_modal([](QWidget* modal) {
    auto* editor = qobject_cast<ExpressionEditor*>(modal);
    ASSERT_TRUE(editor);
    QTest::keyClicks(editor->editor(), "<DaneOrvena.\"kategoria\">");
    editor->accept();
  });
  QTest::mouseDClick(w.view().viewport(), Qt::LeftButton, {}, centre_of(w, barcode));

  // The totals: a text drawn in the group footer, its text typed in the expression editor.
  w.action("insert_Memo")->trigger();
  drag(w, at(w, footer, 0, 0), at(w, footer, 600, 20));
  when_modal([](QWidget* modal) {
    auto* editor = qobject_cast<ExpressionEditor*>(modal);
    ASSERT_TRUE(editor);
    editor->editor()->setPlainText(
        "Wierszy: [COUNT(MasterData1)] Razem: [SUM(<DaneOrvena.\"kwota\">,MasterData1) #n%2,2f]");
    editor->accept();
  });
  w.action("edit_expression")->trigger();

  // The handler hiding small rows, typed into the stub the script tab made.
  w.request_handler("MasterData1", "OnBeforePrint");
  QTest::keyClicks(w.script_tab().editor(),
                   QString("MasterData1.Visible := <DaneOrvena.\"ilosc\"> >= %1;").arg(kMinPieces));
  EXPECT_FALSE(w.script_tab().check());

  names.push_back("sprzedaz_grupy");
  ASSERT_TRUE(w.save());
  const auto file = home.home().templates() / "sprzedaz_grupy.orp";
  ASSERT_TRUE(std::filesystem::exists(file));

  const auto pdf = home.home().root() / "grupy.pdf";
  auto rendered = test::run_orvena(
      "--render " + test::shell_quoted(file) + " --sql " + test::shell_quoted(kSql) + " --home " +
      test::shell_quoted(home.home().root()) + " --format pdf --out " + test::shell_quoted(pdf));
  ASSERT_EQ(rendered.status, 0) << rendered.output;
  auto text = test::run_command("pdftotext -layout " + test::shell_quoted(pdf) + " -");
  ASSERT_EQ(text.status, 0) << text.output;
  if (getenv("DZ_DUMP")) fputs(text.output.c_str(), stderr);

  std::map<std::string, Group> groups;
  std::vector<std::string> hidden;
  expected(groups, hidden);
  ASSERT_FALSE(hidden.empty());
  ASSERT_GE(groups.size(), 3u);
  for (const auto& [category, g] : groups) {
    SCOPED_TRACE(category);
    char sum[64];
    std::snprintf(sum, sizeof sum, "%.2f", g.sum);
    std::string total = sum;
    total[total.find('.')] = ',';
    EXPECT_NE(text.output.find(category), std::string::npos);
    for (const std::string& nr : g.shown) EXPECT_NE(text.output.find(nr + " "), std::string::npos) << nr;
    EXPECT_NE(text.output.find("Wierszy: " + std::to_string(g.rows) + " Razem: " + total), std::string::npos)
        << text.output;
  }
  for (const std::string& nr : hidden) EXPECT_EQ(text.output.find(nr + " "), std::string::npos) << nr;
  EXPECT_NE(text.output.find("produkt"), std::string::npos);  // a caption

  // The logo is on the pages as the picture chosen: 48 × 24 pixels.
  auto images = test::run_command("pdfimages -list " + test::shell_quoted(pdf));
  ASSERT_EQ(images.status, 0) << images.output;
  EXPECT_TRUE(std::regex_search(images.output, std::regex(R"(\n\s*1\s+\d+\s+image\s+48\s+24\s)")))
      << images.output;

  // The first page's barcodes name its groups.
  const auto png = home.home().root() / "strona";
  ASSERT_EQ(test::run_command("pdftoppm -r 200 -f 1 -l 1 -png -singlefile " + test::shell_quoted(pdf) + " " +
                              test::shell_quoted(png))
                .status,
            0);
  auto codes = test::run_command("zbarimg -q " + test::shell_quoted(png.string() + ".png"));
  EXPECT_NE(codes.output.find("CODE-128:" + groups.begin()->first), std::string::npos) << codes.output;
}

}  // namespace
}  // namespace orvena::designer
