// The control-file editor on a real control file: every change must land in the file as the
// runner will read it, and nothing the operator did not ask for may change there.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <filesystem>

#include "editor/sorted_list.h"
#include "editor_fixture.h"

namespace orvena::editor {
namespace {

using Definition = test::TestHome::Definition;

class EditorWindowTest : public EditorFixture {
 protected:
  EditorWindowTest() {
    // Written out of order: the list must sort them.
    home.write_definitions({raport_c(), raport_a(), raport_b()});
  }

  static Definition raport_a() {
    return {.raport = "Raport A",
            .dni_raportu = "1000000",
            .daty = {"01-31", "06-15"},
            .zapytanie = {"select x", "from t"},
            .wyslij_jesli_pusty = "nie",
            .nazwa_pliku = "a_[<data>].pdf",
            .szablon_raportu = "a.orp",
            .format_pliku = "pdf",
            .wyslij_na = "e-mail/ftp",
            .adres_ftp = "ftp.example.com",
            .folder_ftp = "raporty",
            .user_ftp = "jan",
            .pass_ftp = "tajne",
            .temat_email = "Sprzedaż [<data-1>]",
            .adresaci = {"a@example.com", "b@example.com"}};
  }
  static Definition raport_b() {
    return {.raport = "Raport B",
            .dni_raportu = "0000011",
            .zapytanie = {"select 2"},
            .nazwa_pliku = "b.csv",
            .format_pliku = "csv",
            .wyslij_na = "ftp"};
  }
  static Definition raport_c() {
    return {.raport = "Raport C",
            .zapytanie = {"select 3"},
            .nazwa_pliku = "c.html",
            .format_pliku = "html",
            .wyslij_na = "e-mail"};
  }

  // Everything the check asks for, typed into a new definition.
  void type_valid_definition(const QString& name) {
    ui().raport->setText(name);
    ui().zapytanie->setPlainText("select 1");
    ui().nazwa_pliku->setText("d.csv");
    pick(ui().format_pliku, "csv");
    pick(ui().wyslij_na, "e-mail");
  }

  std::vector<std::string> checked_boxes() {
    std::vector<std::string> out;
    for (QCheckBox* box : ui().weekdays)
      if (box->isChecked()) out.push_back(box->text().toStdString());
    return out;
  }
};

TEST_F(EditorWindowTest, OpeningListsTheDefinitionsSortedWithAnEmptyForm) {
  auto& w = open_editor();
  EXPECT_TRUE(errors.isEmpty());
  EXPECT_EQ(shown(ui().names), (std::vector<std::string>{"Raport A", "Raport B", "Raport C"}));
  EXPECT_EQ(file_names(), (std::vector<std::string>{"Raport C", "Raport A", "Raport B"}));
  EXPECT_EQ(ui().pages->currentIndex(), 0);
  EXPECT_EQ(w.mode(), EditorWindow::Mode::Nowy);
  EXPECT_EQ(ui().dni_raportu->text(), "0000000");
  EXPECT_EQ(ui().format_pliku->currentIndex(), -1);
  EXPECT_EQ(ui().wyslij_na->currentIndex(), -1);
  EXPECT_FALSE(ui().load_warning->isVisible());
}

TEST_F(EditorWindowTest, OpeningForChangeShowsEveryFieldOfTheBlock) {
  auto& w = open_editor();
  select_name("Raport A");
  click(ui().projektuj);
  EXPECT_EQ(w.mode(), EditorWindow::Mode::Zmiana);
  EXPECT_EQ(w.name_read_last(), "Raport A");
  EXPECT_EQ(ui().pages->currentIndex(), 1);
  EXPECT_EQ(ui().raport->text(), "Raport A");
  EXPECT_EQ(ui().dni_raportu->text(), "1000000");
  EXPECT_EQ(ui().zapytanie->toPlainText(), "select x\nfrom t");
  EXPECT_EQ(shown(ui().daty), (std::vector<std::string>{"01-31", "06-15"}));
  EXPECT_EQ(ui().wyslij_jesli_pusty->currentText(), "nie");
  // No date substitution in the editor: the variables stay as written.
  EXPECT_EQ(ui().nazwa_pliku->text(), "a_[<data>].pdf");
  EXPECT_EQ(ui().temat_email->text(), "Sprzedaż [<data-1>]");
  EXPECT_EQ(ui().format_pliku->currentText(), "pdf");
  EXPECT_EQ(ui().szablon_raportu->text(), "a.orp");
  EXPECT_EQ(ui().wyslij_na->currentText(), "e-mail/ftp");
  EXPECT_EQ(ui().adres_ftp->text(), "ftp.example.com");
  EXPECT_EQ(ui().pass_ftp->echoMode(), QLineEdit::Normal);
  EXPECT_EQ(shown(ui().adresaci), (std::vector<std::string>{"a@example.com", "b@example.com"}));
}

TEST_F(EditorWindowTest, WithoutASelectionTheListButtonsDoNothing) {
  auto& w = open_editor();
  for (QPushButton* b : {ui().projektuj, ui().kopiuj, ui().usun}) click(b);
  EXPECT_EQ(ui().pages->currentIndex(), 0);
  EXPECT_EQ(w.mode(), EditorWindow::Mode::Nowy);
  EXPECT_TRUE(confirmations.empty());
  EXPECT_EQ(file_names(), (std::vector<std::string>{"Raport C", "Raport A", "Raport B"}));
}

TEST_F(EditorWindowTest, SavingAnExistingNameAppendsASecondBlock) {
  open_editor();
  click(ui().nowy);
  EXPECT_EQ(ui().wyslij_jesli_pusty->currentText(), "tak");
  type_valid_definition("Raport A");
  click(ui().zapisz);
  EXPECT_TRUE(informed.isEmpty()) << informed.join("|").toStdString();
  EXPECT_EQ(file_names(), (std::vector<std::string>{"Raport C", "Raport A", "Raport B", "Raport A"}));
  EXPECT_EQ(shown(ui().names), (std::vector<std::string>{"Raport A", "Raport A", "Raport B", "Raport C"}));
  EXPECT_EQ(ui().pages->currentIndex(), 0);
}

TEST_F(EditorWindowTest, AChangeMovesTheBlockToTheEndOfTheFile) {
  auto& w = open_editor();
  select_name("Raport A");
  click(ui().projektuj);
  ui().zapytanie->setPlainText("select y\nfrom u");
  click(ui().zapisz);

  EXPECT_EQ(file_names(), (std::vector<std::string>{"Raport C", "Raport B", "Raport A"}));
  EXPECT_EQ(shown(ui().names), (std::vector<std::string>{"Raport A", "Raport B", "Raport C"}));
  auto a = file_definition("Raport A");
  EXPECT_EQ(a.zapytanie, (std::vector<std::string>{"select y", "from u"}));
  // Everything not touched went back unchanged.
  EXPECT_EQ(a.temat_email, "Sprzedaż [<data-1>]");
  EXPECT_EQ(a.daty, (std::vector<std::string>{"01-31", "06-15"}));
  EXPECT_EQ(a.adresaci, (std::vector<std::string>{"a@example.com", "b@example.com"}));
  EXPECT_EQ(a.wyslij_jesli_pusty, "nie");
  EXPECT_EQ(a.pass_ftp, "tajne");
  EXPECT_EQ(w.mode(), EditorWindow::Mode::Nowy);
  // The refresh after the save compacts away the blanked lines; the two separators that then
  // meet collapse at the next opening, leaving one after each block.
  auto lines = file_lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), ""), 0);
  open_editor();
  lines = file_lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), config::control::kSeparator), 3);
  EXPECT_EQ(file_names(), (std::vector<std::string>{"Raport C", "Raport B", "Raport A"}));
}

TEST_F(EditorWindowTest, RenamingInChangeModeReplacesTheOldName) {
  open_editor();
  select_name("Raport B");
  click(ui().projektuj);
  ui().raport->setText("Raport Z");
  click(ui().zapisz);
  EXPECT_EQ(file_names(), (std::vector<std::string>{"Raport C", "Raport A", "Raport Z"}));
  EXPECT_EQ(file_definition("Raport Z").zapytanie, (std::vector<std::string>{"select 2"}));
}

TEST_F(EditorWindowTest, ACopyIsSavedBesideTheOriginal) {
  auto& w = open_editor();
  select_name("Raport A");
  click(ui().kopiuj);
  EXPECT_EQ(ui().raport->text(), "Raport A - Kopia");
  EXPECT_EQ(w.mode(), EditorWindow::Mode::Nowy);
  click(ui().zapisz);
  EXPECT_EQ(file_names(), (std::vector<std::string>{"Raport C", "Raport A", "Raport B", "Raport A - Kopia"}));
  auto copy = file_definition("Raport A - Kopia");
  auto original = file_definition("Raport A");
  copy.raport = original.raport;
  EXPECT_EQ(copy, original);
}

TEST_F(EditorWindowTest, TheFileNameExtensionFollowsThePickedFormat) {
  struct Case {
    const char* name;
    const char* format;
    const char* expected;
  };
  const Case cases[] = {
      {"raport.pdf", "word", "raport.docx"},
      {"", "csv", ".csv"},
      {"   ", "html", ".html"},
      {"  raport  ", "excel", "raport.xlsx"},               // no extension: appended, blanks trimmed
      {"a.b.html", "excel-arkusze", "a.b.xlsx"},            // only the last extension goes
      {"r_[<data>].csv", "tiff", "r_[<data>].tiff"},        // variables are left alone
      {"kat.2026\\raport", "pdf", "kat.2026\\raport.pdf"},  // a dot in a folder is no extension
  };
  open_editor();
  click(ui().nowy);
  for (const auto& c : cases) {
    ui().nazwa_pliku->setText(c.name);
    pick(ui().format_pliku, c.format);
    EXPECT_EQ(ui().nazwa_pliku->text().toStdString(), c.expected) << c.name << " + " << c.format;
  }
  // Reading a definition sets its format without touching its file name.
  home.write_definitions(
      {{.raport = "Mismatch", .zapytanie = {"select 1"}, .nazwa_pliku = "m.pdf", .format_pliku = "word"}});
  open_editor();
  select_name("Mismatch");
  click(ui().projektuj);
  EXPECT_EQ(ui().nazwa_pliku->text(), "m.pdf");
  EXPECT_EQ(ui().format_pliku->currentText(), "word");
}

TEST_F(EditorWindowTest, WeekdayBoxesAndTheirTextMirrorEachOther) {
  open_editor();
  click(ui().nowy);
  for (int k : {0, 2, 4}) QTest::mouseClick(ui().weekdays[k], Qt::LeftButton);  // pn, śr, pt
  EXPECT_EQ(ui().dni_raportu->text(), "1010100");
  QTest::mouseClick(ui().weekdays[2], Qt::LeftButton);
  EXPECT_EQ(ui().dni_raportu->text(), "1000100");

  select_name("Raport B");  // "0000011"
  ui().pages->setCurrentIndex(0);
  click(ui().projektuj);
  EXPECT_EQ(checked_boxes(), (std::vector<std::string>{"so", "nd"}));

  // A short hand-written value: missing positions are clear, and the text is made whole.
  home.write_definitions({{.raport = "Short", .dni_raportu = "101", .zapytanie = {"select 1"}}});
  open_editor();
  select_name("Short");
  click(ui().projektuj);
  EXPECT_EQ(checked_boxes(), (std::vector<std::string>{"pn", "śr"}));
  EXPECT_EQ(ui().dni_raportu->text(), "1010000");
}

TEST_F(EditorWindowTest, MonthDaysAreKeptSortedAndOnce) {
  open_editor();
  click(ui().nowy);
  auto add = [this](const char* month, const char* day) {
    ui().month->setCurrentText(month);
    ui().day->setCurrentText(day);
    click(ui().add_day);
  };
  add("03", "05");
  add("03", "05");
  EXPECT_EQ(shown(ui().daty), (std::vector<std::string>{"03-05"}));
  add("01", "31");
  add("02", "31");  // impossible dates are accepted
  EXPECT_EQ(shown(ui().daty), (std::vector<std::string>{"01-31", "02-31", "03-05"}));
  click(ui().remove_day);  // nothing selected
  EXPECT_EQ(ui().daty->count(), 3);
  ui().daty->setCurrentRow(1);
  click(ui().remove_day);
  EXPECT_EQ(shown(ui().daty), (std::vector<std::string>{"01-31", "03-05"}));

  type_valid_definition("Daty");
  click(ui().zapisz);
  EXPECT_EQ(file_definition("Daty").daty, (std::vector<std::string>{"01-31", "03-05"}));
}

TEST_F(EditorWindowTest, RecipientsAreSortedOnScreenAndInTheFile) {
  open_editor();
  click(ui().nowy);
  answers = {"b@x.pl", "  a@x.pl  ", "", "Łucja@x.pl", "zenon@x.pl", "lena@x.pl"};
  for (size_t i = 0; i < 6; ++i) click(ui().add_recipient);
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.front().first, "Dodawanie adresu e-mail do odbioru raportu");
  EXPECT_EQ(asked.front().second, "Podaj adres e-mail:");
  // A cancelled box adds nothing; Polish letters sort in their place, letter case aside.
  const std::vector<std::string> expected = {"a@x.pl", "b@x.pl", "lena@x.pl", "Łucja@x.pl", "zenon@x.pl"};
  EXPECT_EQ(shown(ui().adresaci), expected);

  type_valid_definition("Odbiorcy");
  click(ui().zapisz);
  EXPECT_EQ(file_definition("Odbiorcy").adresaci, expected);
}

TEST_F(EditorWindowTest, TheCheckNamesEveryMissingFieldInOrderAndSavesNothing) {
  const std::string heading = "Wykryto następujące błędy w konfiguracji szablonu raportu: ";
  open_editor();
  const auto before = file_lines();

  click(ui().nowy);
  ui().zapytanie->setPlainText("select 1");
  ui().nazwa_pliku->setText("x.csv");
  pick(ui().wyslij_na, "ftp");
  click(ui().zapisz);
  ASSERT_EQ(informed.size(), 1);
  EXPECT_EQ(informed[0].toStdString(), heading +
                                           "\r - brak nazwy szablonu raportu (krytyczny!)"
                                           "\r - brak formatu pliku wyjściowego (krytyczny!)");
  // The form keeps what was typed, and the file is as it was.
  EXPECT_EQ(ui().pages->currentIndex(), 1);
  EXPECT_EQ(ui().nazwa_pliku->text(), "x.csv");
  EXPECT_EQ(file_lines(), before);

  ui().pages->setCurrentIndex(0);
  click(ui().nowy);
  ui().raport->setText("   ");
  ui().zapytanie->setPlainText("  \n\n");
  click(ui().zapisz);
  ASSERT_EQ(informed.size(), 2);
  EXPECT_EQ(informed[1].toStdString(), heading +
                                           "\r - brak nazwy szablonu raportu (krytyczny!)"
                                           "\r - brak kodu SQL do wykonania szablonu (krytyczny!)"
                                           "\r - brak nazwy pliku do którego będzie zapisany raport"
                                           "\r - brak formatu pliku wyjściowego (krytyczny!)"
                                           "\r - brak informacji o sposobie wysyłania");
  EXPECT_EQ(file_lines(), before);
}

TEST_F(EditorWindowTest, ReopeningAfterAChangeAppendsANewDefinitionAndLeavesTheOldOne) {
  auto& w = open_editor();
  select_name("Raport A");
  click(ui().projektuj);
  const auto before = file_lines();
  w.close();

  open_editor();
  EXPECT_EQ(w.mode(), EditorWindow::Mode::Nowy);
  EXPECT_EQ(ui().pages->currentIndex(), 0);
  EXPECT_TRUE(ui().raport->text().isEmpty());
  // Reopening alone empties what Raport A put into the form; the empty rule keeps its choice.
  EXPECT_TRUE(ui().zapytanie->toPlainText().isEmpty());
  EXPECT_EQ(ui().dni_raportu->text(), "0000000");
  EXPECT_EQ(ui().daty->count(), 0);
  EXPECT_EQ(ui().adresaci->count(), 0);
  EXPECT_TRUE(ui().szablon_raportu->text().isEmpty());
  EXPECT_TRUE(ui().adres_ftp->text().isEmpty());
  EXPECT_TRUE(ui().pass_ftp->text().isEmpty());
  EXPECT_TRUE(ui().temat_email->text().isEmpty());
  EXPECT_EQ(ui().format_pliku->currentIndex(), -1);
  EXPECT_EQ(ui().wyslij_na->currentIndex(), -1);
  EXPECT_EQ(ui().wyslij_jesli_pusty->currentText(), "nie");
  click(ui().nowy);
  type_valid_definition("Raport D");
  click(ui().zapisz);

  auto after = file_lines();
  ASSERT_GT(after.size(), before.size());
  EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + before.size()), before);
  EXPECT_EQ(file_names(), (std::vector<std::string>{"Raport C", "Raport A", "Raport B", "Raport D"}));
  // Nothing of Raport A reached the new block.
  auto d = file_definition("Raport D");
  EXPECT_EQ(d.dni_raportu, "0000000");
  EXPECT_TRUE(d.daty.empty());
  EXPECT_TRUE(d.adresaci.empty());
  EXPECT_EQ(d.zapytanie, (std::vector<std::string>{"select 1"}));
  EXPECT_EQ(d.szablon_raportu, "");
  EXPECT_EQ(d.adres_ftp, "");
  EXPECT_EQ(d.temat_email, "");
  EXPECT_EQ(d.wyslij_jesli_pusty, "tak");
}

TEST_F(EditorWindowTest, DeletingAsksFirstAndRemovesOnYesOnly) {
  open_editor();
  select_name("Raport B");
  answer_yes = false;
  click(ui().usun);
  ASSERT_EQ(confirmations.size(), 1u);
  EXPECT_EQ(confirmations[0].first, "Usuwanie szablonu z pliku sterującego");
  EXPECT_EQ(confirmations[0].second,
            "Czy na pewno chcesz usunąć szablon z pliku sterującego?\rZmiana będzie nieodwracalna!");
  EXPECT_EQ(file_names(), (std::vector<std::string>{"Raport C", "Raport A", "Raport B"}));

  answer_yes = true;
  click(ui().usun);
  EXPECT_EQ(file_names(), (std::vector<std::string>{"Raport C", "Raport A"}));
  EXPECT_EQ(shown(ui().names), (std::vector<std::string>{"Raport A", "Raport C"}));
  open_editor();
  auto lines = file_lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), ""), 0);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), config::control::kSeparator), 2);
}

TEST_F(EditorWindowTest, TheDateMenuInsertsAtTheCaretAndLeavesTheVariableOnTheClipboard) {
  open_editor();
  click(ui().nowy);
  const auto actions = ui().date_menu->actions();
  ASSERT_EQ(actions.size(), 4);
  EXPECT_EQ(actions[0]->text(), "Wstaw zmienną daty [<data>]");
  EXPECT_TRUE(actions[1]->isSeparator());
  EXPECT_EQ(actions[2]->text(), "Wstaw zmienna daty \"wczoraj\" [<data-1>]");
  EXPECT_EQ(actions[3]->text(), "Wstaw zmienna daty \"jutro\" [<data+1>]");

  QApplication::clipboard()->setText("earlier");
  ui().temat_email->setText("Sprzedaż XX dzień");
  ui().temat_email->setSelection(9, 2);  // "XX"
  Q_EMIT ui().temat_email->customContextMenuRequested(QPoint(2, 2));
  actions[2]->trigger();
  ui().date_menu->close();
  EXPECT_EQ(ui().temat_email->text(), "Sprzedaż [<data-1>] dzień");
  EXPECT_EQ(QApplication::clipboard()->text(), "[<data-1>]");

  ui().zapytanie->setPlainText("where d = ''");
  auto cursor = ui().zapytanie->textCursor();
  cursor.setPosition(11);
  ui().zapytanie->setTextCursor(cursor);
  Q_EMIT ui().zapytanie->customContextMenuRequested(QPoint(2, 2));
  actions[3]->trigger();
  ui().date_menu->close();
  EXPECT_EQ(ui().zapytanie->toPlainText(), "where d = '[<data+1>]'");
  EXPECT_EQ(QApplication::clipboard()->text(), "[<data+1>]");
}

TEST_F(EditorWindowTest, TheTemplateChooserKeepsOnlyTheFileName) {
  open_editor();
  click(ui().nowy);
  chosen_file = "/somewhere/else/Faktura.orp";
  click(ui().choose_template);
  EXPECT_EQ(ui().szablon_raportu->text(), "Faktura.orp");
  EXPECT_EQ(file_dialog, (QStringList{"Wybierz plik szablonu raportu",
                                      QString::fromStdString(home.home().templates().string()),
                                      "Pliki szablonów raportów (ORP) (*.orp)", "orp"}));
  EXPECT_TRUE(ui().szablon_raportu->isReadOnly());
  chosen_file.clear();  // cancelled
  click(ui().choose_template);
  EXPECT_EQ(ui().szablon_raportu->text(), "Faktura.orp");
  ui().template_menu->actions().front()->trigger();
  EXPECT_TRUE(ui().szablon_raportu->text().isEmpty());
}

TEST_F(EditorWindowTest, HandOverToTheWorkshopSubstitutesTheDates) {
  auto& w = open_editor();
  select_name("Raport A");
  click(ui().projektuj);
  const auto before = file_lines();
  ui().zapytanie->setPlainText("select *\nfrom t where d = '[<data-1>]'\n");
  click(ui().to_workshop);
  EXPECT_TRUE(workshop().isVisible());
  EXPECT_TRUE(w.isVisible());
  // Two lines (the final line break starts none), each substituted with the blanks it brings.
  EXPECT_EQ(sql.text(), "select *\r\nfrom t where d = ' 2026-12-09 '");
  EXPECT_EQ(workshop().sql_box()->toPlainText(), "select *\nfrom t where d = ' 2026-12-09 '");
  EXPECT_EQ(file_lines(), before);
  EXPECT_EQ(w.mode(), EditorWindow::Mode::Zmiana);

  // A malformed offset is reported and leaves the box as it was.
  ui().zapytanie->setPlainText("select '[<data-x>]'");
  click(ui().to_workshop);
  EXPECT_EQ(errors.size(), 1);
  EXPECT_EQ(sql.text(), "select *\r\nfrom t where d = ' 2026-12-09 '");
}

TEST_F(EditorWindowTest, ReadingKeepsWhatTheBlockLacksAndChoosesOnlyKnownValues) {
  home.write_control(
      {"[raport_start]", "[raport]=Reczny", "[format_pliku]=PDF", "[wyslij_na]=e-mail", "[raport_end]"});
  open_editor();
  click(ui().nowy);
  ui().temat_email->setText("typed before");
  ui().zapytanie->setPlainText("select typed");
  pick(ui().format_pliku, "csv");
  ui().pages->setCurrentIndex(0);
  select_name("Reczny");
  click(ui().projektuj);
  EXPECT_EQ(ui().raport->text(), "Reczny");
  EXPECT_EQ(ui().format_pliku->currentIndex(), -1);  // "PDF" is not one of the entries
  EXPECT_EQ(ui().wyslij_na->currentText(), "e-mail");
  EXPECT_EQ(ui().temat_email->text(), "typed before");
  EXPECT_EQ(ui().zapytanie->toPlainText(), "select typed");
  EXPECT_EQ(ui().wyslij_jesli_pusty->currentText(), "tak");
}

// The typing limit of 200 characters must not cut a longer hand-written value on its way back.
TEST_F(EditorWindowTest, LongHandWrittenValuesSurviveAChangeAndACopy) {
  const std::string name = "Raport " + std::string(240, 'x');
  const std::string file_name = std::string(230, 'f') + ".csv";
  home.write_definitions({{.raport = name,
                           .zapytanie = {"select 1"},
                           .nazwa_pliku = file_name,
                           .format_pliku = "csv",
                           .wyslij_na = "ftp"}});
  open_editor();
  select_name(QString::fromStdString(name));
  click(ui().projektuj);
  click(ui().zapisz);
  EXPECT_EQ(file_names(), (std::vector<std::string>{name}));
  EXPECT_EQ(file_definition(name).nazwa_pliku, file_name);

  select_name(QString::fromStdString(name));
  click(ui().kopiuj);
  click(ui().zapisz);
  EXPECT_EQ(file_names(), (std::vector<std::string>{name, name + " - Kopia"}));
  // A new definition is held to the limit again.
  ui().pages->setCurrentIndex(0);
  click(ui().nowy);
  EXPECT_EQ(ui().raport->maxLength(), 200);
}

// The control file must never be lost: an existing file that could not be read is not
// replaced by a save, and the window keeps saying why.
TEST_F(EditorWindowTest, AnUnreadableControlFileIsNeverOverwritten) {
  const auto path = home.home().control_file();
  const auto original = core::read_file(path);
  auto& w = open_editor();
  select_name("Raport A");
  click(ui().projektuj);

  // The file becomes unreadable (here: something that is not a file stands in its place).
  const auto aside = path.parent_path() / "aside.txt";
  std::filesystem::rename(path, aside);
  std::filesystem::create_directory(path);
  w.close();
  open_editor();
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(ui().load_warning->isVisible());
  EXPECT_EQ(ui().load_warning->text(), QString::fromUtf8(config::kSaveRefused));

  ui().pages->setCurrentIndex(1);
  ui().raport->setText("Raport A zmieniony");
  click(ui().zapisz);
  ASSERT_EQ(errors.size(), 2);
  EXPECT_EQ(errors[1], QString::fromUtf8(config::kSaveRefused));
  EXPECT_EQ(ui().raport->text(), "Raport A zmieniony");  // the operator's work stays on screen
  ui().pages->setCurrentIndex(0);
  select_name("Raport B");
  click(ui().usun);
  EXPECT_EQ(errors.size(), 3);
  EXPECT_TRUE(std::filesystem::is_directory(path));

  // Once the file is back, the next opening reads it and the warning goes.
  std::filesystem::remove(path);
  std::filesystem::rename(aside, path);
  open_editor();
  EXPECT_FALSE(ui().load_warning->isVisible());
  EXPECT_EQ(core::read_file(path), original);
  EXPECT_EQ(shown(ui().names), (std::vector<std::string>{"Raport A", "Raport B", "Raport C"}));
}

TEST_F(EditorWindowTest, AMissingControlFileIsCreatedByTheFirstSave) {
  std::filesystem::remove(home.home().control_file());
  open_editor();
  ASSERT_EQ(errors.size(), 1);  // the listing could not open the file
  EXPECT_FALSE(ui().load_warning->isVisible());
  click(ui().nowy);
  type_valid_definition("Pierwszy");
  click(ui().zapisz);
  EXPECT_EQ(errors.size(), 1);
  EXPECT_EQ(file_names(), (std::vector<std::string>{"Pierwszy"}));
  EXPECT_EQ(shown(ui().names), (std::vector<std::string>{"Pierwszy"}));
}

}  // namespace
}  // namespace orvena::editor
