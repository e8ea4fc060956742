// Saving from the designer: save, save as into the templates folder, the question on close, the
// caption, and the warning before a file with content the reader does not keep is overwritten.
#include <QCloseEvent>
#include <QUndoStack>
#include <fstream>

#include "designer_fixture.h"
#include "support/orvena_program.h"

namespace orvena::designer {
namespace {

class Files : public DesignerFixture {};

TEST_F(Files, AnUnchangedTemplateSavesAsTheCheckTemplateResaveWritesIt) {
  report::Report& r = load_dated_demo();
  DesignerWindow& w = open(r);
  ASSERT_TRUE(w.save());
  const auto resaved = home.home().root() / "resaved.orp";
  auto result = test::run_orvena("--check-template " +
                                 test::shell_quoted(home.home().templates() / "kategorie_kopia.orp") +
                                 " --resave " + test::shell_quoted(resaved));
  ASSERT_EQ(result.status, 0) << result.output;
  EXPECT_EQ(file_text("kategorie.orp"), core::read_file(resaved));
  EXPECT_TRUE(confirmations.isEmpty());
}

TEST_F(Files, SaveAsNamesTheFileInTheTemplatesFolderAndRefusesPaths) {
  report::Report r;
  DesignerWindow& w = open(r);
  EXPECT_EQ(w.windowTitle().toStdString(), "Zentrivo Orvena - Projektant raportu - nowy szablon[*]");
  names = {"../poza", "podfolder/x", ".."};
  for (int i = 0; i < 3; ++i) w.action("save")->trigger();  // no name yet: save asks for one
  ASSERT_EQ(errors.size(), 3);
  EXPECT_EQ(errors[0].toStdString(), "Nazwa szablonu nie może zawierać ścieżki: ../poza");
  EXPECT_EQ(errors[1].toStdString(), "Nazwa szablonu nie może zawierać ścieżki: podfolder/x");
  EXPECT_TRUE(std::filesystem::is_empty(home.home().templates()));
  names = {"  sprzedaz  "};
  w.action("save_as")->trigger();
  EXPECT_TRUE(std::filesystem::exists(home.home().templates() / "sprzedaz.orp"));
  EXPECT_EQ(w.file(), home.home().templates() / "sprzedaz.orp");
  EXPECT_EQ(r.file_name(), w.file());
  EXPECT_EQ(w.windowTitle().toStdString(), "Zentrivo Orvena - Projektant raportu - sprzedaz.orp[*]");
  // Another name that is taken: asked before it is replaced.
  std::ofstream(home.home().templates() / "stary.orp") << "<x/>";
  answer_yes = false;
  names = {"stary"};
  EXPECT_FALSE(w.save_as());
  ASSERT_EQ(confirmations.size(), 1);
  EXPECT_EQ(confirmations.front().toStdString(), "Szablon stary.orp już istnieje. Czy zastąpić go nowym?");
  EXPECT_EQ(file_text("stary.orp"), "<x/>");
}

TEST_F(Files, ClosingAModifiedReportAsksAndDoesWhatTheAnswerSays) {
  report::Report& r = load_demo();
  DesignerWindow& w = open(r);
  auto& title = object<report::CustomMemoView>(r, "Tytul");
  w.view().edit_text(title);
  w.view().text_editor()->setPlainText("Nowy tytuł");
  w.view().commit_text();
  EXPECT_TRUE(w.isWindowModified());

  save_answer = SaveAnswer::Cancel;
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());
  ASSERT_EQ(save_questions.size(), 1);
  EXPECT_EQ(save_questions.front().toStdString(), "Zapisać zmiany w szablonie kategorie.orp?");

  save_answer = SaveAnswer::Save;
  EXPECT_TRUE(w.close());
  EXPECT_NE(file_text("kategorie.orp").find("Text=\"Nowy tytuł\""), std::string::npos);

  // Discard: the file stays, the report keeps the edit (the designer edits it in place).
  DesignerWindow& again = open(r);
  again.view().edit_text(title);
  again.view().text_editor()->setPlainText("Jeszcze inny");
  again.view().commit_text();
  save_answer = SaveAnswer::Discard;
  EXPECT_TRUE(again.close());
  EXPECT_NE(file_text("kategorie.orp").find("Text=\"Nowy tytuł\""), std::string::npos);
  EXPECT_EQ(title.text(), "Jeszcze inny");
  EXPECT_TRUE(r.modified);

  // Unchanged: closes without a question.
  DesignerWindow& third = open(r);
  EXPECT_TRUE(third.close());
  EXPECT_EQ(save_questions.size(), 3);
}

TEST_F(Files, ContentTheReaderDoesNotKeepIsNeverOverwrittenSilently) {
  const std::string bytes =
      "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"
      "<TrpReport Version=\"2.4.0\">\r\n"
      "  <TrpReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\" PaperSize=\"9\">\r\n"
      "    <TrpReportTitle Name=\"ReportTitle1\" Height=\"40\" Left=\"0\" Top=\"0\" Width=\"718\">\r\n"
      "      <TrpMemoView Name=\"M1\" Left=\"0\" Top=\"0\" Width=\"100\" Height=\"20\" Obrys=\"2\" "
      "Text=\"a\"/>\r\n"
      "      <TrpChart3DView Name=\"Wykres\" Left=\"200\" Top=\"0\" Width=\"100\" Height=\"20\"/>\r\n"
      "    </TrpReportTitle>\r\n"
      "  </TrpReportPage>\r\n"
      "</TrpReport>\r\n";
  std::ofstream(home.home().templates() / "obcy.orp", std::ios::binary) << bytes;
  report::Report& r = load("obcy.orp");
  DesignerWindow& w = open(r);
  ASSERT_EQ(w.unkept().size(), 2u);

  answer_yes = false;
  EXPECT_FALSE(w.save());
  ASSERT_EQ(confirmations.size(), 1);
  const std::string question = confirmations.front().toStdString();
  EXPECT_NE(question.find("Szablon obcy.orp zawiera elementy, których program nie obsługuje"),
            std::string::npos);
  EXPECT_NE(question.find("klasa TrpChart3DView (wiersz 6)"), std::string::npos) << question;
  EXPECT_NE(question.find("właściwość Obrys obiektu M1 (wiersz 5)"), std::string::npos) << question;
  EXPECT_EQ(file_text("obcy.orp"), bytes);

  // Saved elsewhere, the original is not touched and nothing is asked.
  names = {"kopia"};
  EXPECT_TRUE(w.save_as());
  EXPECT_EQ(confirmations.size(), 1);

  // Agreed to once, it is not asked again.
  names = {"obcy"};
  answer_yes = true;
  EXPECT_TRUE(w.save_as());  // asks whether to replace obcy.orp, then what is lost
  EXPECT_EQ(confirmations.size(), 3);
  EXPECT_EQ(file_text("obcy.orp").find("TrpChart3DView"), std::string::npos);
}

}  // namespace
}  // namespace orvena::designer
