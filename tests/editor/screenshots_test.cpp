// The windows as an operator sees them: captions and sizes, and pictures of each window for a
// person to look at (scripts/screenshots.sh sets ORVENA_SCREENSHOT_DIR).
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <filesystem>
#include <fstream>

#include "editor_fixture.h"

namespace orvena::editor {
namespace {

class EditorScreens : public EditorFixture {
 protected:
  EditorScreens() {
    home.sql(
        "create table sprzedaz (dzien text, oddzial text, kwota real);"
        "insert into sprzedaz values ('2026-12-09', 'Łódź', 1520.5), ('2026-12-09', 'Kraków', 980),"
        " ('2026-12-09', 'Gdańsk', null), ('2026-12-08', 'Poznań', 2210.25);");
    home.write_definitions({
        {.raport = "Sprzedaż dzienna",
         .dni_raportu = "1111100",
         .daty = {"01-02", "12-24"},
         .zapytanie = {"select dzien, oddzial, kwota", "from sprzedaz", "where dzien = '[<data-1>]'"},
         .wyslij_jesli_pusty = "nie",
         .nazwa_pliku = "sprzedaz_[<data-1>].xlsx",
         .szablon_raportu = "sprzedaz.orp",
         .format_pliku = "excel",
         .wyslij_na = "e-mail/ftp",
         .adres_ftp = "ftp.example.com",
         .folder_ftp = "raporty/sprzedaz",
         .user_ftp = "raporty",
         .pass_ftp = "tajne",
         .temat_email = "Sprzedaż za [<data-1>]",
         .adresaci = {"zarzad@example.com", "kierownik@example.com"}},
        {.raport = "Zaległe faktury",
         .zapytanie = {"select 1"},
         .nazwa_pliku = "faktury.pdf",
         .format_pliku = "pdf",
         .wyslij_na = "e-mail"},
        {.raport = "Magazyn - stany",
         .zapytanie = {"select 2"},
         .nazwa_pliku = "stany.csv",
         .format_pliku = "csv",
         .wyslij_na = "ftp"},
    });
    for (const char* name : {"sprzedaz.orp", "faktury.orp", "stany.orp"})
      std::ofstream(home.home().templates() / name) << "<x/>";
    connection.open();
  }
};

TEST_F(EditorScreens, TheWindowsAsTheOperatorSeesThem) {
  auto& editor = open_editor();
  EXPECT_EQ(editor.windowTitle(), "Sterowanie automatycznymi raportami");
  EXPECT_EQ(editor.size(), QSize(784, 604));
  EXPECT_EQ(ui().pages->tabText(0), "Lista szablonów");
  EXPECT_EQ(ui().pages->tabText(1), "Konfiguracja szablonu raportu");
  select_name("Sprzedaż dzienna");
  test::screenshot(editor, "editor_list");

  click(ui().projektuj);
  test::screenshot(editor, "editor_definition");

  click(ui().to_workshop);
  auto& w = workshop();
  EXPECT_EQ(w.windowTitle(), "Zentrivo Orvena - Projektowanie Szablonu");
  EXPECT_EQ(w.size(), QSize(732, 354));
  EXPECT_EQ(w.sql_box()->toPlainText(),
            "select dzien, oddzial, kwota\nfrom sprzedaz\nwhere dzien = ' 2026-12-09 '");
  // The substituted blanks are part of the literal, so this query finds nothing; the
  // preview picture uses the whole table.
  sql.set_text("select dzien, oddzial, kwota\r\nfrom sprzedaz\r\norder by dzien desc, oddzial");
  w.templates()->setCurrentRow(1);
  click(w.run_button());
  ASSERT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
  test::screenshot(w, "workshop");

  click(w.preview_button());
  auto& preview = w.preview();
  EXPECT_EQ(preview.windowTitle(), "Zentrivo Orvena - Podgląd danych z bazy");
  EXPECT_EQ(preview.size(), QSize(691, 359));
  EXPECT_EQ(preview.grid()->model()->rowCount(), 4);
  test::screenshot(preview, "data_preview");

  // The refusal to overwrite a control file that could not be read.
  const auto path = home.home().control_file();
  std::filesystem::rename(path, path.parent_path() / "aside.txt");
  std::filesystem::create_directory(path);
  open_editor();
  EXPECT_TRUE(ui().load_warning->isVisible());
  test::screenshot(editor, "editor_unreadable_file");
}

}  // namespace
}  // namespace orvena::editor
