// The object inspector, the report tree and the report's dialogs, used as an operator uses them:
// rows typed into, lists opened and chosen from, boxes ticked, dialogs answered. Every edit is
// one undoable command, and the saved template holds its value.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>
#include <fstream>
#include <functional>

#include "designer/inspector.h"
#include "designer/report_dialogs.h"
#include "designer/report_tree.h"
#include "designer/script_tab.h"
#include "designer_fixture.h"
#include "report/class_registry.h"

namespace orvena::designer {
namespace {

// One object of each class the inspector edits, on a page with a header and a data band.
constexpr const char* kTemplate = R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>
<TrpReport Version="2.4.0" ReportOptions.CreateDate="46000,5" ReportOptions.LastChange="46000,5">
  <TrpDataPage Name="Data" Height="1000" Left="0" Top="0" Width="1000"/>
  <TrpReportPage Name="Page1" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">
    <TrpPageHeader Name="PageHeader1" Height="40" Left="0" Top="18" Width="718"/>
    <TrpMasterData Name="MasterData1" Height="120" Left="0" Top="80" Width="718" RowCount="1">
      <TrpMemoView Name="Memo1" Left="0" Top="0" Width="100" Height="20" Text="x"/>
      <TrpMemoView Name="Memo2" Left="110" Top="0" Width="100" Height="20" Text="y"/>
      <TrpSysMemoView Name="SysMemo1" Left="220" Top="0" Width="100" Height="20" Text="[Page#]"/>
      <TrpPictureView Name="Picture1" Left="330" Top="0" Width="60" Height="60"/>
      <TrpLineView Name="Line1" Left="0" Top="40" Width="100" Height="0"/>
      <TrpShapeView Name="Shape1" Left="400" Top="0" Width="60" Height="60"/>
      <TrpBarCodeView Name="BarCode1" Left="0" Top="60" Width="200" Height="50"/>
      <TrpCheckBoxView Name="CheckBox1" Left="480" Top="0" Width="20" Height="20"/>
    </TrpMasterData>
  </TrpReportPage>
</TrpReport>
)";

class InspectorTest : public DesignerFixture {
 protected:
  InspectorTest() {
    std::ofstream(home.home().templates() / "inspektor.orp", std::ios::binary) << kTemplate;
    r = &load("inspektor.orp");
    DesignerOptions o = options();
    o.prompts.choose_file = [this](QWidget*, const QString&, const QString&, const QString&, const QString&) {
      return chosen_file;
    };
    w = windows.emplace_back(std::make_unique<DesignerWindow>(*r, o)).get();
    w->resize(1280, 800);
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
    inspector = &w->inspector();
    inspector->dialogs().colour = [](QWidget*, const QColor&) { return QColor(0x12, 0x34, 0x56); };
    inspector->dialogs().font = [](QWidget*, const QFont&) {
      QFont f("Courier New", 12);
      f.setBold(true);
      return f;
    };
    inspector->dialogs().text = [](QWidget*, const QString&, const QString&) { return QString("A\nB"); };
  }

  void select(const char* name) { w->surface().select_views({&object(*r, name)}); }

  // The editor of a row, its row opened and scrolled into view as a hand would do.
  QWidget* editor(const QString& path) {
    QTreeWidgetItem* row = inspector->row(path);
    EXPECT_TRUE(row) << path.toStdString();
    if (!row) return nullptr;
    for (QTreeWidgetItem* p = row->parent(); p; p = p->parent()) p->setExpanded(true);
    row->treeWidget()->scrollToItem(row);
    inspector->tabs()->setCurrentWidget(row->treeWidget());
    return inspector->editor(path);
  }
  void type(const QString& path, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(editor(path));
    ASSERT_TRUE(edit) << path.toStdString();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  // Opens the list and picks the item with the keyboard, as the popup takes it.
  void choose(const QString& path, const QString& item) {
    auto* combo = qobject_cast<QComboBox*>(editor(path));
    ASSERT_TRUE(combo) << path.toStdString();
    const int index = combo->findText(item);
    ASSERT_GE(index, 0) << item.toStdString();
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    view->setCurrentIndex(view->model()->index(index, 0));
    QTest::keyClick(view, Qt::Key_Return);
  }
  void click(const QString& path) {
    auto* button = qobject_cast<QAbstractButton*>(editor(path));
    ASSERT_TRUE(button) << path.toStdString();
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
  }
  // The object's element in the saved template.
  std::string saved_line(const char* name) {
    EXPECT_TRUE(w->save());
    const std::string text = file_text("inspektor.orp");
    const size_t at = text.find(std::string("Name=\"") + name + "\"");
    if (at == std::string::npos) return {};
    const size_t start = text.rfind('\n', at) + 1;
    return text.substr(start, text.find('\n', at) - start);
  }

  report::Report* r = nullptr;
  DesignerWindow* w = nullptr;
  QString chosen_file;  // the file-open dialog's answer
  Inspector* inspector = nullptr;
};

std::filesystem::path write_png(const std::filesystem::path& file) {
  QImage image(4, 3, QImage::Format_RGB32);
  image.fill(Qt::red);
  image.save(QString::fromStdString(file.string()), "PNG");
  return file;
}

// Each kind of property, on the classes that have it: edited in its row, saved with its value,
// and undone in one step back to the file as it was.
TEST_F(InspectorTest, EachKindOfPropertyIsEditedSavedAndUndone) {
  chosen_file = QString::fromStdString(write_png(home.home().templates() / "logo.png").string());
  struct Case {
    const char* kind;
    const char* object;
    std::function<void()> edit;
    std::vector<std::string> saved;  // attributes of the object's element after the edit
  };
  const std::vector<Case> cases = {
      // 30 mm in the millimetre grid are 30 × 3.77953 units (written with the locale's comma).
      {"length in the grid's unit",
       "Memo1",
       [&] {
         w->action("grid_milimetry")->trigger();
         EXPECT_EQ(qobject_cast<QLineEdit*>(editor("Width"))->text().toStdString(), "26,4583 mm");
         type("Width", "30");
         w->action("grid_piksele")->trigger();
       },
       {"Width=\"113,3859\""}},
      {"Boolean", "Memo1", [&] { click("WordWrap"); }, {"WordWrap=\"False\""}},
      {"enumeration", "Memo1", [&] { choose("HAlign", "haCenter"); }, {"HAlign=\"haCenter\""}},
      {"set member", "Memo1", [&] { click("Frame.Typ.ftLeft"); }, {"Frame.Typ=\"1\""}},
      // Red is 0x0000FF in the stored BGR order.
      {"named colour", "Shape1", [&] { choose("Fill.BackColor", "czerwony"); }, {"Fill.BackColor=\"255\""}},
      // The dialog's #123456 is stored as 0x563412.
      {"colour from the dialog", "Line1", [&] { choose("Color", "inny…"); }, {"Color=\"5649426\""}},
      // 12 points at 96 dpi are 16 pixels; the font is the object's own from now on.
      {"font",
       "Memo2",
       [&] { click("Font"); },
       {"Font.Height=\"-16\"", "Font.Name=\"Courier New\"", "Font.Style=\"1\"", "ParentFont=\"False\""}},
      {"text",
       "BarCode1",
       [&] { type("Expression", "[DaneOrvena.\"kod\"]"); },
       {"Expression=\"[DaneOrvena.&#34;kod&#34;]\""}},
      {"integer", "SysMemo1", [&] { type("Rotation", "90"); }, {"Rotation=\"90\""}},
      {"barcode kind", "BarCode1", [&] { choose("BarType", "bcCode128"); }, {"BarType=\"bcCode128\""}},
      {"reference", "Memo1", [&] { choose("FlowTo", "Memo2"); }, {"FlowTo=\"Memo2\""}},
      {"memo text", "Memo1", [&] { click("Memo"); }, {"Text=\"A&#13;&#10;B\""}},
      // A PNG is kept as the picture class's name and the file itself, in hexadecimal.
      {"picture",
       "Picture1",
       [&] { click("Picture"); },
       {"Picture.PropData=\"04446174610A" /* "Data", binary */, "0954506E67496D616765" /* "TPngImage" */}},
      {"display format",
       "Memo1",
       [&] { choose("DisplayFormat.Kind", "fkNumeric"); },
       {"DisplayFormat.Kind=\"fkNumeric\""}},
      {"highlight condition",
       "Memo1",
       [&] { type("Highlight.Condition", "Value > 5"); },
       {"Highlight.Condition=\"Value &#62; 5\""}},
      // Another kind of fill brings the rows of its own properties.
      {"fill kind",
       "Shape1",
       [&] {
         choose("FillType", "ftGradient");
         EXPECT_TRUE(inspector->row("Fill.GradientStyle"));
       },
       {"FillType=\"ftGradient\""}},
      {"check box", "CheckBox1", [&] { click("Checked"); }, {"Checked=\"False\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const std::string before = saved_line(c.object);
    ASSERT_FALSE(before.empty());
    select(c.object);
    const int index = w->undo_stack().index();
    c.edit();
    EXPECT_EQ(w->undo_stack().index(), index + 1);
    const std::string after = saved_line(c.object);
    for (const std::string& attribute : c.saved) EXPECT_NE(after.find(attribute), std::string::npos) << after;
    w->undo_stack().undo();
    EXPECT_EQ(saved_line(c.object), before);
  }
  EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

// A value the model would not take is refused in the system's words, and nothing changes: not
// the report, not the undo history.
TEST_F(InspectorTest, InvalidInputIsRefusedWithItsMessageAndChangesNothing) {
  struct Case {
    const char* row;
    const char* typed;
    const char* message;
  };
  const Case cases[] = {
      {"Width", "-5", "Wartość właściwości Width nie może być ujemna"},
      {"Height", "sporo", "'sporo' nie jest prawidłową liczbą"},
      {"Rotation", "1,5", "'1,5' nie jest prawidłową wartością całkowitą"},
      {"Name", "Memo2", "Nazwa jest już użyta"},
      {"Name", "1Memo", "'1Memo' nie jest prawidłową nazwą obiektu"},
      {"Name", "Memo 1", "'Memo 1' nie jest prawidłową nazwą obiektu"},
  };
  select("Memo1");
  const std::string before = r->save_to_stream();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row + std::string(" = ") + c.typed);
    errors.clear();
    type(c.row, QString::fromUtf8(c.typed));
    EXPECT_EQ(errors.join("|").toStdString(), c.message);
    EXPECT_EQ(w->undo_stack().count(), 0);
    EXPECT_EQ(r->save_to_stream(), before);
    // The row shows the model's value again.
    EXPECT_NE(qobject_cast<QLineEdit*>(editor(c.row))->text().toStdString(), c.typed);
  }
  // A file that is no picture is not taken into the template.
  chosen_file = QString::fromStdString((home.home().templates() / "inspektor.orp").string());
  select("Picture1");
  errors.clear();
  click("Picture");
  EXPECT_EQ(errors.join("|"), QString(kNotAPicture).arg(chosen_file));
  EXPECT_TRUE(object<report::PictureView>(*r, "Picture1").picture.empty());
  EXPECT_EQ(w->undo_stack().count(), 0);

  // A good name after the refusals is taken, and undone.
  select("Memo1");
  errors.clear();
  type("Name", "Kwota");
  EXPECT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
  EXPECT_EQ(w->undo_stack().count(), 1);
  ASSERT_TRUE(r->find_object("Kwota"));
  w->undo_stack().undo();
  EXPECT_TRUE(r->find_object("Memo1"));
}

// Objects of different classes show the properties they share; one edit sets it on all of them
// as one command, and a value they do not share shows as undecided.
TEST_F(InspectorTest, AMultiSelectionEditsTheCommonPropertiesOfAllAsOneCommand) {
  report::View& memo = object(*r, "Memo1");
  report::View& shape = object(*r, "Shape1");
  memo.frame.typ = report::kFrameTop;
  w->surface().select_views({&memo, &shape});
  EXPECT_EQ(inspector->components().size(), 2u);
  EXPECT_TRUE(inspector->row("Frame.Typ"));
  EXPECT_TRUE(inspector->row("Left"));
  EXPECT_FALSE(inspector->row("HAlign"));  // text objects only
  EXPECT_FALSE(inspector->row("Shape"));   // shapes only
  EXPECT_FALSE(inspector->row("Name"));    // each keeps its own
  EXPECT_EQ(qobject_cast<QCheckBox*>(editor("Frame.Typ.ftTop"))->checkState(), Qt::PartiallyChecked);
  EXPECT_TRUE(qobject_cast<QLineEdit*>(editor("Width"))->text().isEmpty());  // 100 and 60

  click("Frame.Typ.ftBottom");
  type("Top", "8");
  EXPECT_EQ(memo.frame.typ, report::kFrameTop | report::kFrameBottom);
  EXPECT_EQ(shape.frame.typ, report::kFrameBottom);
  EXPECT_EQ(memo.top(), 8);
  EXPECT_EQ(shape.top(), 8);
  EXPECT_EQ(w->undo_stack().count(), 2);
  w->undo_stack().undo();
  w->undo_stack().undo();
  EXPECT_EQ(memo.frame.typ, report::kFrameTop);
  EXPECT_EQ(shape.frame.typ, 0);
  EXPECT_EQ(memo.top(), 0);
  EXPECT_EQ(shape.top(), 0);
}

// The event rows name the procedures; a double click asks for the handler, which the window's
// script tab writes once and names in the event's row.
TEST_F(InspectorTest, ADoubleClickOnAnEventAsksForItsHandlerAndTheScriptTabWritesIt) {
  select("Memo1");
  auto double_click = [&](const char* event) {
    QTreeWidgetItem* row = inspector->row(event);
    ASSERT_TRUE(row);
    inspector->tabs()->setCurrentWidget(inspector->events());
    QCoreApplication::processEvents();  // the tab lays its rows out when shown
    QTreeWidget* tree = inspector->events();
    const QRect rect = tree->visualItemRect(row);
    // What a hand does: press, release, and the second press that the system reports as a double
    // click.
    const QPoint at(rect.left() + 10, rect.center().y());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
  };
  QSignalSpy asked(inspector, &Inspector::handler_requested);
  double_click("OnAfterData");
  ASSERT_EQ(asked.count(), 1);
  EXPECT_EQ(asked.front().at(0).toString(), "Memo1");
  EXPECT_EQ(asked.front().at(1).toString(), "OnAfterData");
  EXPECT_EQ(object(*r, "Memo1").on_after_data, "Memo1OnAfterData");
  EXPECT_NE(saved_line("Memo1").find("OnAfterData=\"Memo1OnAfterData\""), std::string::npos);

  // Asked again, the procedure is not written twice.
  w->main_tabs()->setCurrentIndex(0);
  double_click("OnAfterData");
  const QString script = w->script_tab().editor()->toPlainText();
  EXPECT_EQ(script.count("procedure Memo1OnAfterData("), 1) << script.toStdString();
}

// The tree and the surface choose together; a name edited in the tree renames the object as one
// command, and a bad one is refused.
TEST_F(InspectorTest, TheTreeAndTheSurfaceChooseTogetherAndTheTreeRenames) {
  ReportTree& tree = w->report_tree();
  // Surface to tree.
  QTest::mouseClick(w->view().viewport(), Qt::LeftButton, {}, centre_of(*w, object(*r, "Memo2")));
  ASSERT_EQ(tree.selectedItems().size(), 1);
  EXPECT_EQ(tree.component_of(tree.selectedItems().front()), &object(*r, "Memo2"));
  EXPECT_EQ(inspector->components().front(), &object(*r, "Memo2"));
  // Tree to surface: an object, then a band, which the inspector shows alone.
  QTreeWidgetItem* shape = tree.item_of(&object(*r, "Shape1"));
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(shape).center());
  ASSERT_EQ(w->surface().selected_views().size(), 1u);
  EXPECT_EQ(w->surface().selected_views().front(), &object(*r, "Shape1"));
  auto& band = object<report::Band>(*r, "MasterData1");
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(tree.item_of(&band)).center());
  EXPECT_TRUE(w->surface().selected_views().empty());
  ASSERT_EQ(inspector->components().size(), 1u);
  EXPECT_EQ(inspector->components().front(), &band);
  type("Height", "150");
  EXPECT_EQ(band.height(), 150);
  // The report itself, at the tree's root, shows its own properties and events.
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(tree.topLevelItem(0)).center());
  EXPECT_EQ(inspector->components().front(), r);
  EXPECT_TRUE(inspector->row("EngineOptions.DoublePass"));
  EXPECT_TRUE(inspector->row("OnStartReport"));
  EXPECT_NE(saved_line("MasterData1").find("Height=\"150\""), std::string::npos);

  // Renaming in the tree: typed into the item's editor.
  auto rename = [&](report::Component& c, const QString& name) {
    QCoreApplication::processEvents();  // the tree is rebuilt after each command
    QTreeWidgetItem* item = tree.item_of(&c);
    ASSERT_TRUE(item);
    tree.editItem(item, 0);
    auto* edit = tree.viewport()->findChild<QLineEdit*>();
    ASSERT_TRUE(edit);
    edit->selectAll();
    QTest::keyClicks(edit, name);
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
  };
  report::View& memo = object(*r, "Memo1");
  const int index = w->undo_stack().index();
  rename(memo, "Netto");
  EXPECT_EQ(memo.name(), "Netto");
  EXPECT_EQ(w->undo_stack().index(), index + 1);
  EXPECT_NE(saved_line("Netto").find("TrpMemoView Name=\"Netto\""), std::string::npos);
  rename(memo, "Memo2");
  EXPECT_EQ(errors.join("|").toStdString(), "Nazwa jest już użyta");
  EXPECT_EQ(memo.name(), "Netto");
  EXPECT_EQ(tree.item_of(&memo)->text(0).toStdString(), "Netto");
  EXPECT_EQ(w->undo_stack().index(), index + 1);
  w->undo_stack().undo();
  QCoreApplication::processEvents();
  EXPECT_EQ(memo.name(), "Memo1");
  EXPECT_EQ(tree.item_of(&memo)->text(0).toStdString(), "Memo1");
}

// Runs `answer` on the dialog the action opens, then the action.
template <class Dialog>
void answer_dialog(QAction* action, const std::function<void(Dialog&)>& answer) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen = true;
    answer(*dialog);
  });
  action->trigger();
  EXPECT_TRUE(seen);
}

void set_spin(QDoubleSpinBox* box, const QString& text) {
  ASSERT_TRUE(box);
  box->selectAll();
  QTest::keyClicks(box, text);
  QTest::keyClick(box, Qt::Key_Tab);
}

void pick(QComboBox* combo, const QString& text) {
  ASSERT_TRUE(combo);
  combo->showPopup();
  combo->view()->setCurrentIndex(combo->view()->model()->index(combo->findText(text), 0));
  QTest::keyClick(combo->view(), Qt::Key_Return);
}

TEST_F(InspectorTest, PageSettingsFromTheDialogAreSavedAndUndoneAsOneCommand) {
  answer_dialog<PageSettingsDialog>(w->action("page_settings"), [](PageSettingsDialog& d) {
    pick(d.findChild<QComboBox*>("paper"), "A5");
    pick(d.findChild<QComboBox*>("orientation"), "pozioma");
    EXPECT_EQ(d.findChild<QDoubleSpinBox*>("paper_width")->value(), 210);
    set_spin(d.findChild<QDoubleSpinBox*>("left_margin"), "15");
    auto* columns = d.findChild<QSpinBox*>("columns");
    columns->selectAll();
    QTest::keyClicks(columns, "2");
    QTest::keyClick(&d, Qt::Key_Return);
  });
  const std::string page = saved_line("Page1");
  for (const char* attribute : {"Orientation=\"poLandscape\"", "PaperWidth=\"210\"", "PaperHeight=\"148\"",
                                "PaperSize=\"11\"", "LeftMargin=\"15\"", "Columns=\"2\""})
    EXPECT_NE(page.find(attribute), std::string::npos) << attribute << "\n" << page;
  // The header spans the new printable width: 210 - 15 - 10 mm.
  EXPECT_NEAR(object<report::Band>(*r, "PageHeader1").width(), 185 * report::kUnitsPerMm, 1e-9);
  EXPECT_EQ(w->surface().paper_rect().width(), std::round(210 * report::kUnitsPerMm));
  EXPECT_EQ(w->undo_stack().count(), 1);
  w->undo_stack().undo();
  const std::string back = saved_line("Page1");
  EXPECT_NE(back.find("PaperWidth=\"210\" PaperHeight=\"297\" PaperSize=\"9\" LeftMargin=\"10\""),
            std::string::npos)
      << back;
  EXPECT_EQ(object<report::Band>(*r, "PageHeader1").width(), 718);

  // Cancelled: nothing changes.
  answer_dialog<PageSettingsDialog>(w->action("page_settings"), [](PageSettingsDialog& d) {
    pick(d.findChild<QComboBox*>("orientation"), "pozioma");
    d.reject();
  });
  EXPECT_EQ(w->undo_stack().index(), 0);
}

TEST_F(InspectorTest, ReportOptionsFromTheDialogAreSavedAndUndone) {
  answer_dialog<ReportOptionsDialog>(w->action("report_options"), [](ReportOptionsDialog& d) {
    QTest::mouseClick(d.findChild<QCheckBox*>("double_pass"), Qt::LeftButton, {}, QPoint(4, 4));
    QTest::keyClicks(d.findChild<QLineEdit*>("title"), "Obroty");
    QTest::keyClicks(d.findChild<QLineEdit*>("author"), "Dzial sprzedazy");
    QTest::mouseClick(d.findChild<QCheckBox*>("ignore_div_by_zero"), Qt::LeftButton, {}, QPoint(4, 4));
    d.accept();
  });
  ASSERT_TRUE(w->save());
  const std::string text = file_text("inspektor.orp");
  for (const char* attribute : {"EngineOptions.DoublePass=\"True\"", "EngineOptions.IgnoreDevByZero=\"True\"",
                                "ReportOptions.Author=\"Dzial sprzedazy\"", "ReportOptions.Name=\"Obroty\""})
    EXPECT_NE(text.find(attribute), std::string::npos) << attribute;
  w->undo_stack().undo();
  EXPECT_FALSE(r->engine_options.double_pass);
  EXPECT_TRUE(r->report_options.author.empty());
}

// The inspector picks colour and event editors by the tables' roles: a colour left untagged would
// be edited as a bare number, an event would miss its double click.
TEST(InspectorRoles, EveryColourAndEventOfTheRegisteredClassesCarriesItsRole) {
  std::vector<std::string> untagged;
  std::function<void(report::Persistent&, const std::string&)> walk = [&](report::Persistent& o,
                                                                          const std::string& prefix) {
    for (const report::PropInfo* p : o.class_info().all) {
      const std::string name = prefix + std::string(p->name);
      if (p->kind == report::PropKind::Integer && p->name.ends_with("Color") &&
          p->role != report::PropRole::Color)
        untagged.push_back(name);
      if (p->kind == report::PropKind::String && p->name.starts_with("On") &&
          p->role != report::PropRole::Event)
        untagged.push_back(name);
      if (p->kind == report::PropKind::Object)
        if (report::Persistent* inner = p->get_object(o)) walk(*inner, name + ".");
    }
  };
  int classes = 0;
  for (const report::ClassInfo* info : report::class_registry::all()) {
    if (!info->create) continue;
    auto c = info->create();
    walk(*c, std::string(info->name) + ".");
    ++classes;
  }
  report::Report report;
  walk(report, "TrpReport.");
  EXPECT_GT(classes, 30);
  EXPECT_TRUE(untagged.empty()) << ::testing::PrintToString(untagged);
}

}  // namespace
}  // namespace orvena::designer
