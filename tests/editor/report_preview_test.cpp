// The workshop's template buttons and the report preview, over a real SQLite result published as
// "DaneOrvena" the way the main window publishes it.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QScrollArea>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "editor/report_preview.h"
#include "editor_fixture.h"
#include "export/pdf_export.h"
#include "picture/oversized.h"
#include "report/db_dataset.h"
#include "report/host.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"
#include "support/run_command.h"

namespace orvena::editor {
namespace {

class ReportPreviewTest : public EditorFixture {
 protected:
  ReportPreviewTest() {
    // 3 groups of 100 rows; ten units a row on a 200 mm page make several pages.
    home.sql(
        "create table t (id integer, grupa text, kwota real);"
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 300)"
        " insert into t select i, 'G' || ((i - 1) / 100), i * 0.5 from n;");
    connection.open();
    published.set_name("rpDBDataset1");
    published.set_user_name("DaneOrvena");
    published.close_data_source = false;
    published.attach(&dataset);
    host.add(published);
    std::filesystem::copy_file(std::filesystem::path(ORVENA_FIXTURES) / "engine" / "groups.orp",
                               home.home().templates() / "grupy.orp");
  }
  ~ReportPreviewTest() override { host.remove(published); }

  WorkshopWindow& ready_workshop() {
    auto& w = workshop();
    w.set_report_host(host, published);
    w.show();
    return w;
  }

  void run_query(WorkshopWindow& w, const char* query = "select id, grupa, kwota from t order by grupa, id") {
    sql.set_text(query);
    click(w.run_button());
    ASSERT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
  }

  void select_template(WorkshopWindow& w, const QString& name) {
    auto found = w.templates()->findItems(name, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << name.toStdString();
    w.templates()->setCurrentItem(found.front());
  }

  // The grouped template previewed through "projektuj wybrany szablon".
  ReportPreview& preview_groups() {
    auto& w = ready_workshop();
    run_query(w);
    select_template(w, "grupy.orp");
    click(w.design_selected_button());
    return w.report_preview();
  }

  void write_template(const std::string& name, const std::string& text) {
    std::ofstream(home.home().templates() / name) << text;
  }

  report::DBDataset published;
  report::HostComponents host{"Form1"};
};

TEST_F(ReportPreviewTest, DesignButtonsNeedAnOpenResultAndTheSelectedOneATemplate) {
  auto& w = ready_workshop();
  EXPECT_FALSE(w.design_selected_button()->isEnabled());
  EXPECT_FALSE(w.design_new_button()->isEnabled());
  select_template(w, "grupy.orp");
  EXPECT_FALSE(w.design_selected_button()->isEnabled()) << "no result yet";
  run_query(w);
  EXPECT_TRUE(w.design_selected_button()->isEnabled());
  EXPECT_TRUE(w.design_new_button()->isEnabled());
  w.templates()->clearSelection();
  EXPECT_FALSE(w.design_selected_button()->isEnabled());
  EXPECT_TRUE(w.design_new_button()->isEnabled());
  dataset.close();
  EXPECT_FALSE(w.design_new_button()->isEnabled());
}

TEST_F(ReportPreviewTest, GroupedTemplateShowsPageOneOfNAndNavigationMoves) {
  ReportPreview& p = preview_groups();
  ASSERT_TRUE(p.isVisible());
  EXPECT_TRUE(p.error_list()->isHidden()) << p.error_list()->item(0)->text().toStdString();
  EXPECT_TRUE(p.progress_bar()->isHidden());
  const int n = p.page_count();
  ASSERT_GT(n, 2);
  EXPECT_EQ(p.current_page(), 0);
  EXPECT_EQ(p.page_box()->value(), 1);
  EXPECT_EQ(p.page_label()->text(), QString("z %1").arg(n));
  EXPECT_FALSE(p.page_image().isNull());

  struct Step {
    const char* what;
    std::function<void()> act;
    int expected;
  } steps[] = {
      {"next", [&] { p.next_page(); }, 1},
      {"PgDn", [&] { QTest::keyClick(p.scroll_area(), Qt::Key_PageDown); }, 2},
      {"PgUp", [&] { QTest::keyClick(p.scroll_area(), Qt::Key_PageUp); }, 1},
      {"End", [&] { QTest::keyClick(p.scroll_area(), Qt::Key_End); }, n - 1},
      {"next past the end stays", [&] { p.next_page(); }, n - 1},
      {"Home", [&] { QTest::keyClick(p.scroll_area(), Qt::Key_Home); }, 0},
      {"previous before the start stays", [&] { p.previous_page(); }, 0},
      {"page box", [&] { p.page_box()->setValue(3); }, 2},
      {"page box beyond the count", [&] { p.show_page(n + 5); }, n - 1},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(p.current_page(), s.expected) << s.what;
    EXPECT_EQ(p.page_box()->value(), s.expected + 1) << s.what;
  }
}

// A report with an outline shows it beside the pages; an entry opens the page it names.
TEST_F(ReportPreviewTest, OutlineEntriesOpenTheirPages) {
  std::ifstream in(std::filesystem::path(ORVENA_FIXTURES) / "engine" / "groups.orp");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  const std::string band = "<TrpMasterData Name=\"Row\"";
  ASSERT_NE(text.find(band), std::string::npos);
  text.replace(text.find(band), band.size(), band + " OutlineText=\"DaneOrvena.&#34;id&#34;\"");
  write_template("spis.orp", text);

  ReportPreview& plain = preview_groups();
  EXPECT_TRUE(plain.outline()->isHidden()) << "a report without an outline";

  auto& w = workshop();
  click(w.refresh_button());
  select_template(w, "spis.orp");
  click(w.design_selected_button());
  ReportPreview& p = w.report_preview();
  ASSERT_TRUE(p.error_list()->isHidden()) << p.error_list()->item(1)->text().toStdString();
  ASSERT_TRUE(p.outline()->isVisible());
  ASSERT_EQ(p.outline()->topLevelItemCount(), 300);
  QTreeWidgetItem* last = p.outline()->topLevelItem(299);
  EXPECT_EQ(last->text(0), "300");
  Q_EMIT p.outline()->itemClicked(last, 0);
  EXPECT_EQ(p.current_page(), p.page_count() - 1);
  Q_EMIT p.outline()->itemClicked(p.outline()->topLevelItem(0), 0);
  EXPECT_EQ(p.current_page(), 0);
}

TEST_F(ReportPreviewTest, PagesDifferAndZoomChangesTheDrawnSize) {
  ReportPreview& p = preview_groups();
  p.set_zoom_percent(100);
  const QImage first = p.page_image();
  // groups.orp's page is 100 × 200 mm: at 100 % its bitmap is that many report pixels.
  EXPECT_NEAR(first.width(), 100 * 3.77953, 1);
  EXPECT_NEAR(first.height(), 200 * 3.77953, 1);
  p.next_page();
  EXPECT_NE(p.page_image(), first) << "page 2 drawn like page 1";

  p.set_zoom_percent(200);
  EXPECT_NEAR(p.page_image().width(), 2 * first.width(), 2);
  p.set_zoom_percent(1000);  // beyond the range: 400 %
  EXPECT_NEAR(p.page_image().width(), 4 * first.width(), 4);
  p.set_zoom_percent(10);  // below it: 50 %
  EXPECT_NEAR(p.page_image().width(), first.width() / 2, 2);

  p.resize(700, 600);
  p.set_zoom_mode(ZoomMode::PageWidth);
  EXPECT_LE(p.page_image().width(), p.scroll_area()->viewport()->width());
  EXPECT_GT(p.page_image().width(), p.scroll_area()->viewport()->width() * 3 / 4);
  p.set_zoom_mode(ZoomMode::WholePage);
  EXPECT_LE(p.page_image().height(), p.scroll_area()->viewport()->height());
}

TEST_F(ReportPreviewTest, StopDuringPreparationKeepsThePagesMadeSoFar) {
  auto& w = ready_workshop();
  run_query(w);
  select_template(w, "grupy.orp");
  click(w.design_selected_button());
  const int all = w.report_preview().page_count();
  ASSERT_GT(all, 3);

  // The operator presses "stop" once the first page is on screen.
  ReportPreview& p = w.report_preview();
  bool stop_was_shown = false;
  auto connection = QObject::connect(&p, &ReportPreview::first_page_shown, &p, [&] {
    stop_was_shown = p.stop_button()->isVisible() && p.progress_bar()->isVisible();
    QTest::mouseClick(p.stop_button(), Qt::LeftButton);
  });
  click(w.design_selected_button());
  EXPECT_TRUE(stop_was_shown);
  EXPECT_FALSE(p.preparing());
  EXPECT_GE(p.page_count(), 1);
  EXPECT_LT(p.page_count(), all);
  EXPECT_FALSE(p.page_image().isNull());
  EXPECT_TRUE(p.stop_button()->isHidden());
  QObject::disconnect(connection);
}

TEST_F(ReportPreviewTest, AnUnknownFieldIsListedInsteadOfASilentPage) {
  write_template(
      "zly.orp",
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><TrpReport><Datasets><item DataSetName=\"DaneOrvena\"/>"
      "</Datasets><TrpReportPage Name=\"Page1\"><TrpMasterData Name=\"Row\" Height=\"20\" Left=\"0\" "
      "Top=\"0\" Width=\"300\" DataSetName=\"DaneOrvena\"><TrpMemoView Name=\"M\" Left=\"0\" Top=\"0\" "
      "Width=\"200\" Height=\"20\" Text=\"[DaneOrvena.&#34;nie_ma&#34;]\"/></TrpMasterData>"
      "</TrpReportPage></TrpReport>");
  auto& w = ready_workshop();
  click(w.refresh_button());
  run_query(w);
  select_template(w, "zly.orp");
  click(w.design_selected_button());
  ReportPreview& p = w.report_preview();
  ASSERT_TRUE(p.error_list()->isVisible());
  QStringList lines;
  for (int i = 0; i < p.error_list()->count(); ++i) lines << p.error_list()->item(i)->text();
  EXPECT_EQ(lines.front(), "Pojawił się następujący błąd(y):");
  EXPECT_TRUE(lines.join("\n").contains("nie_ma")) << lines.join("\n").toStdString();
  EXPECT_TRUE(errors.isEmpty()) << "a message box instead of the list";
}

// A page whose picture is past the pixel limit is shown empty with the reason in the list; the
// error does not leave the window's event handler.
TEST_F(ReportPreviewTest, APicturePastTheLimitIsListedAndThePageLeftEmpty) {
  std::string png = picture::test::oversized_pictures().front().file;
  std::string stream = std::string(
      "\x04"
      "Data\x0A",
      6);
  const std::string body = "\x09TPngImage" + png;
  for (int i = 0; i < 4; ++i) stream += char((body.size() >> (8 * i)) & 0xFF);
  stream += body;
  std::string hex;
  for (unsigned char c : stream) hex += "0123456789ABCDEF"[c >> 4], hex += "0123456789ABCDEF"[c & 15];
  write_template("obraz.orp",
                 "<?xml version=\"1.0\" encoding=\"utf-8\"?><TrpReport><TrpReportPage Name=\"Page1\">"
                 "<TrpReportTitle Name=\"T\" Height=\"60\" Left=\"0\" Top=\"0\" Width=\"300\">"
                 "<TrpPictureView Name=\"Obraz\" Left=\"0\" Top=\"0\" Width=\"60\" Height=\"40\" "
                 "Picture.PropData=\"" +
                     hex + "\"/></TrpReportTitle></TrpReportPage></TrpReport>");
  auto& w = ready_workshop();
  click(w.refresh_button());
  run_query(w);
  select_template(w, "obraz.orp");
  click(w.design_selected_button());
  ReportPreview& p = w.report_preview();
  ASSERT_TRUE(p.error_list()->isVisible());
  QStringList lines;
  for (int i = 0; i < p.error_list()->count(); ++i) lines << p.error_list()->item(i)->text();
  EXPECT_TRUE(lines.contains(QString::fromUtf8(picture::test::kOversizedText)))
      << lines.join("\n").toStdString();
  EXPECT_TRUE(errors.isEmpty()) << "a message box instead of the list";
}

TEST_F(ReportPreviewTest, ExportMenuOffersEachRegisteredWriterAndWritesTheChosenFile) {
  exporting::FilterRegistry filters;
  exporting::ExportFilter& pdf = filters.add(std::make_unique<exporting::PdfExport>());
  workshop().set_export_filters(filters);
  ReportPreview& p = preview_groups();
  p.export_menu()->popup(QPoint(0, 0));
  QStringList captions;
  for (QAction* a : p.export_menu()->actions()) captions << a->text();
  p.export_menu()->hide();
  EXPECT_TRUE(captions.contains("PDF dokument...")) << captions.join("|").toStdString();

  const auto out = home.home().temporary() / "grupy.pdf";
  p.export_with(pdf);  // the save dialog cancelled: nothing written
  EXPECT_EQ(save_dialog, (QStringList{"PDF dokument", "grupy.pdf", "PDF dokument (*.pdf)", "pdf"}));
  EXPECT_FALSE(std::filesystem::exists(out));

  save_as = QString::fromStdString(out.string());
  p.export_with(pdf);
  ASSERT_TRUE(std::filesystem::exists(out));
  auto text = test::run_command("pdftotext -layout '" + out.string() + "' -");
  EXPECT_NE(text.output.find("Koniec G2"), std::string::npos) << text.output;
  // The registered writer is left as the export found it.
  EXPECT_TRUE(pdf.show_dialog);
  EXPECT_TRUE(pdf.file_name.empty());
}

// The editor's "projektuj szablon na podstawie kodu SQL" leads to a starter template of the
// definition's query.
TEST_F(ReportPreviewTest, EditorHandOverLeadsToAStarterTemplateOfTheDefinitionsQuery) {
  home.write_control({});
  workshop().set_report_host(host, published);
  open_editor();
  click(ui().nowy);
  ui().zapytanie->setPlainText("select id, kwota, '[<data-1>]' as dzien\nfrom t where id <= 5");
  click(ui().to_workshop);
  auto& w = workshop();
  ASSERT_TRUE(w.isVisible());
  click(w.run_button());
  ASSERT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
  answers = {"z_edytora"};
  click(w.design_new_button());
  ASSERT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
  ReportPreview& p = w.report_preview();
  ASSERT_EQ(p.page_count(), 1);
  report::Report saved;
  saved.load_from_file(home.home().templates() / "z_edytora.orp", true);
  EXPECT_TRUE(saved.errors().empty());
  std::vector<std::string> texts;
  for (report::Component* c : saved.all_objects())
    if (auto* memo = dynamic_cast<report::MemoView*>(c); memo && memo->parent()->name() == "MasterData1")
      texts.push_back(memo->text());
  EXPECT_EQ(texts, (std::vector<std::string>{"[DaneOrvena.\"id\"]", "[DaneOrvena.\"kwota\"]",
                                             "[DaneOrvena.\"dzien\"]"}));
}

// While a report is being prepared over the query, the query is not run again under it.
TEST_F(ReportPreviewTest, TheQueryIsNotRunAgainWhileAReportIsPrepared) {
  auto& w = ready_workshop();
  run_query(w);
  select_template(w, "grupy.orp");
  ReportPreview& p = w.report_preview();
  int opens = 0;
  const int id = dataset.subscribe(db::QueryEvent::AfterOpen, [&](db::Query&) { ++opens; });
  auto connection =
      QObject::connect(&p, &ReportPreview::first_page_shown, &p, [&] { click(w.run_button()); });
  click(w.design_selected_button());
  QObject::disconnect(connection);
  dataset.unsubscribe(id);
  EXPECT_EQ(opens, 0);
  EXPECT_GT(p.page_count(), 3) << "the report went on to its end";
  EXPECT_TRUE(p.error_list()->isHidden());
}

TEST_F(ReportPreviewTest, NewTemplateIsSavedAfterAskingAndNeverOverwrittenUnasked) {
  auto& w = ready_workshop();
  run_query(w);
  answers = {"Sprzedaż"};
  click(w.design_new_button());
  ASSERT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
  const auto file = home.home().templates() / "Sprzedaż.orp";
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_TRUE(w.report_preview().isVisible());
  EXPECT_GE(w.report_preview().page_count(), 1);
  EXPECT_TRUE(w.report_preview().error_list()->isHidden());
  EXPECT_FALSE(w.templates()->findItems("Sprzedaż.orp", Qt::MatchExactly).isEmpty());

  // Same name again: refused without a yes, replaced with one.
  std::ofstream(file) << "moje";
  answers = {"Sprzedaż.orp"};
  answer_yes = false;
  click(w.design_new_button());
  ASSERT_EQ(confirmations.size(), 1u);
  EXPECT_TRUE(confirmations[0].second.contains("Sprzedaż.orp"));
  std::ifstream in(file);
  std::string kept((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(kept, "moje");
  answers = {"Sprzedaż"};
  answer_yes = true;
  click(w.design_new_button());
  EXPECT_NE(std::filesystem::file_size(file), 4u);

  // A name that would leave the templates folder, and a cancelled box.
  answers = {"../poza"};
  click(w.design_new_button());
  EXPECT_EQ(errors.size(), 1);
  EXPECT_FALSE(std::filesystem::exists(home.home().dane() / "poza.orp"));
  answers = {""};
  click(w.design_new_button());
  EXPECT_EQ(errors.size(), 1);
}

}  // namespace
}  // namespace orvena::editor

namespace orvena::editor {
namespace {

// Pictures of the preview for a person to look at (scripts/preview-screenshots.sh): the demo's
// template and a starter template over the demo's sales.
class ReportPreviewScreens : public EditorFixture {
 protected:
  ReportPreviewScreens() {
    const std::filesystem::path demo =
        std::filesystem::path(ORVENA_SOURCE_DIR) / "examples" / "demo" / "Dane";
    std::filesystem::copy_file(demo / "demo.db", home.db_file(),
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(demo / "Szablony" / "obroty.orp", home.home().templates() / "obroty.orp");
    connection.open();
    published.set_name("rpDBDataset1");
    published.set_user_name("DaneOrvena");
    published.close_data_source = false;
    published.attach(&dataset);
    host.add(published);
  }
  ~ReportPreviewScreens() override { host.remove(published); }

  report::DBDataset published;
  report::HostComponents host{"Form1"};
};

TEST_F(ReportPreviewScreens, DemoTemplateAndStarterTemplate) {
  exporting::FilterRegistry filters;
  filters.add(std::make_unique<exporting::PdfExport>());
  auto& w = workshop();
  w.set_report_host(host, published);
  w.set_export_filters(filters);
  w.show();
  sql.set_text(
      "select h.region, h.imie_nazwisko as handlowiec, count(*) as transakcje, sum(s.ilosc) as sztuk,\r\n"
      "round(sum(s.kwota), 2) as obrot from sprzedaz s join handlowcy h on h.id = s.handlowiec_id\r\n"
      "group by h.region, h.imie_nazwisko order by obrot desc");
  click(w.run_button());
  ASSERT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
  w.templates()->setCurrentItem(w.templates()->findItems("obroty.orp", Qt::MatchExactly).front());
  click(w.design_selected_button());
  ReportPreview& p = w.report_preview();
  p.resize(1000, 760);
  p.set_zoom_mode(ZoomMode::PageWidth);
  ASSERT_TRUE(p.error_list()->isHidden());
  test::screenshot(p, "preview_page_width");

  sql.set_text(
      "select s.data, k.nazwa as klient, k.miasto, p.nazwa as produkt, s.ilosc, s.kwota, s.rabat\r\n"
      "from sprzedaz s join klienci k on k.id = s.klient_id join produkty p on p.id = s.produkt_id\r\n"
      "order by s.data, s.id");
  click(w.run_button());
  answers = {"Sprzedaż"};
  click(w.design_new_button());
  ASSERT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
  ASSERT_TRUE(p.error_list()->isHidden());
  ASSERT_GT(p.page_count(), 2);
  p.set_zoom_mode(ZoomMode::WholePage);
  test::screenshot(p, "starter_first_page");
  p.set_zoom_percent(100);
  p.show_page(2);
  QCoreApplication::processEvents();  // the scroll bars follow the new page size
  test::screenshot(p, "preview_later_page");

  // A popup is a window of its own: it is drawn onto the picture where it opened.
  p.export_menu()->popup(p.export_button()->mapToGlobal(QPoint(0, p.export_button()->height())));
  QCoreApplication::processEvents();
  if (const char* dir = std::getenv("ORVENA_SCREENSHOT_DIR")) {
    QImage image = p.grab().toImage();
    QPainter paint(&image);
    paint.drawPixmap(p.mapFromGlobal(p.export_menu()->pos()), p.export_menu()->grab());
    paint.end();
    image.save(QString(dir) + "/preview_export_menu.png");
  }
  EXPECT_FALSE(p.export_menu()->actions().isEmpty());
  p.export_menu()->hide();
}

}  // namespace
}  // namespace orvena::editor
