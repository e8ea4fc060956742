#include "designer/designer_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>

#include "core/error.h"
#include "core/line_file.h"
#include "designer/band_placement.h"
#include "designer/commands.h"
#include "designer/data_sources.h"
#include "designer/data_tree.h"
#include "designer/design_items.h"
#include "designer/design_surface.h"
#include "designer/design_view.h"
#include "designer/expression_editor.h"
#include "designer/inspector.h"
#include "designer/object_clipboard.h"
#include "designer/object_tools.h"
#include "designer/report_dialogs.h"
#include "designer/report_tree.h"
#include "designer/script_tab.h"
#include "designer/unkept_content.h"
#include "editor/editor_rules.h"
#include "editor/report_preview.h"
#include "editor/workshop_window.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::designer {

namespace {

constexpr int kMinZoom = 25, kMaxZoom = 400;
constexpr int kZoomSteps[] = {25, 50, 75, 100, 150, 200, 300, 400};

SaveAnswer standard_save_box(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Question, title, text,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Save);
  box.button(QMessageBox::Save)->setText("Zapisz");
  box.button(QMessageBox::Discard)->setText("Nie zapisuj");
  box.button(QMessageBox::Cancel)->setText("Anuluj");
  const int answer = box.exec();
  return answer == QMessageBox::Save      ? SaveAnswer::Save
         : answer == QMessageBox::Discard ? SaveAnswer::Discard
                                          : SaveAnswer::Cancel;
}

}  // namespace

DesignerWindow::DesignerWindow(report::Report& report, DesignerOptions options, QWidget* parent)
    : QMainWindow(parent), m_report(report), m_options(std::move(options)) {
  setObjectName("designer");
  setAttribute(Qt::WA_QuitOnClose, false);
  m_options.prompts = editor::with_standard_boxes(std::move(m_options.prompts));
  if (!m_options.ask_save) m_options.ask_save = standard_save_box;
  m_file = m_source = report.file_name();
  if (!m_source.empty()) {
    // What the file holds beyond what was read: found now, asked about before it is overwritten.
    try {
      m_unkept = unkept_content(core::read_file(m_source), report.diagnostics());
    } catch (const core::Error&) {
    }
  }

  m_stack = new QUndoStack(this);
  m_surface = new DesignSurface(this);
  m_view = new DesignView(*m_surface, *m_stack);
  m_tabs = new QTabBar;
  m_tabs->setObjectName("page_tabs");
  m_tabs->setExpanding(false);
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(m_tabs);
  layout->addWidget(m_view, 1);
  m_script = new ScriptTab(m_report, *m_surface, *m_stack);
  m_main_tabs = new QTabWidget;
  m_main_tabs->setObjectName("main_tabs");
  m_main_tabs->addTab(central, "Projekt");
  m_main_tabs->addTab(m_script, "Skrypt");
  setCentralWidget(m_main_tabs);
  // The script typed goes into the report when the operator turns to the pages.
  connect(m_main_tabs, &QTabWidget::currentChanged, this, [this](int index) {
    if (m_main_tabs->widget(index) != m_script) guarded([this] { m_script->commit(); });
  });

  m_data_tree = new DataTree(m_report, DataTree::Functions::Hidden);
  m_data_dock = new QDockWidget("Dane");
  m_data_dock->setObjectName("data_dock");
  m_data_dock->setWidget(m_data_tree);
  m_data_dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  addDockWidget(Qt::LeftDockWidgetArea, m_data_dock);
  connect(m_view, &DesignView::object_drawn, this,
          [this](const ObjectTool* tool, report::Band* band, Box box) {
            guarded([&] { insert_object(tool, band, box); });
          });
  connect(m_view, &DesignView::dropped, this,
          [this](const QByteArray& payload, report::Band* band, QPointF at) {
            guarded([&] { drop_entry(payload, band, at); });
          });
  connect(m_view, &DesignView::double_clicked, this,
          [this](report::View* view, report::Band* band) { guarded([&] { edit_expression(view, band); }); });
  m_status = new QLabel;
  statusBar()->addWidget(m_status, 1);

  build_actions();
  build_insert_tools();
  build_menus();
  build_docks();
  for (report::ReportPage* page : pages()) m_tabs->addTab(QString::fromStdString(page->name()));
  m_tabs->setVisible(m_tabs->count() > 1);
  connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) { show_page(index); });
  connect(m_stack, &QUndoStack::indexChanged, this, [this] { refresh_page_tabs(); });
  connect(m_stack, &QUndoStack::cleanChanged, this, [this](bool clean) {
    m_report.modified = !clean;
    update_caption();
  });
  connect(m_surface, &DesignSurface::selection_order_changed, this, [this] {
    update_selection_actions();
    surface_selection_changed();
  });

  resize(1280, 800);
  show_page(0);
  set_zoom_percent(100);
  update_caption();
  update_selection_actions();
  if (!m_unkept.empty())
    m_status->setText(
        QString("Szablon zawiera elementy, których program nie obsługuje (%1); zapis zapyta o nie.")
            .arg(m_unkept.size()));
}

DesignerWindow::~DesignerWindow() {
  // The preview shows a copy of the report; it goes first. Commands hold objects taken out of
  // the report, the view refers to the surface: the stack and the view go before the surface.
  m_preview.reset();
  delete m_view;
  m_view = nullptr;
  m_stack->clear();
}

bool DesignerWindow::modified() const {
  return !m_stack->isClean();
}

std::vector<report::ReportPage*> DesignerWindow::pages() const {
  std::vector<report::ReportPage*> out;
  for (const auto& child : m_report.objects())
    if (auto* page = dynamic_cast<report::ReportPage*>(child.get())) out.push_back(page);
  return out;
}

void DesignerWindow::show_page(int index) {
  std::vector<report::ReportPage*> all = pages();
  m_surface->show_page(index >= 0 && index < static_cast<int>(all.size()) ? all[static_cast<size_t>(index)]
                                                                          : nullptr);
  if (m_tabs->currentIndex() != index && index < m_tabs->count()) {
    const QSignalBlocker quiet(m_tabs);
    m_tabs->setCurrentIndex(index);
  }
}

// ---- Actions --------------------------------------------------------------------------------------

QAction* DesignerWindow::add_action(const char* name, const QString& text, const QKeySequence& keys,
                                    const std::function<void()>& handler) {
  auto* a = new QAction(text, this);
  a->setObjectName(name);
  if (!keys.isEmpty()) a->setShortcut(keys);
  connect(a, &QAction::triggered, this, [this, handler] { guarded(handler); });
  addAction(a);
  return a;
}

QAction* DesignerWindow::action(const char* name) const {
  return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

void DesignerWindow::guarded(const std::function<void()>& handler) {
  editor::guarded(m_options.prompts, this, handler);
}

void DesignerWindow::build_actions() {
  add_action("save", "Zapisz", QKeySequence::Save, [this] { save(); });
  add_action("save_as", "Zapisz jako…", QKeySequence("Ctrl+Shift+S"), [this] { save_as(); });
  add_action("preview", "Podgląd", QKeySequence("F5"), [this] { preview(); });
  add_action("save_preview", "Zapisz i podgląd", QKeySequence("Ctrl+F5"), [this] { save_and_preview(); });
  add_action("edit_expression", "Edytor wyrażeń…", QKeySequence("Ctrl+E"), [this] {
    auto views = m_surface->selected_views();
    if (views.size() == 1) edit_expression(views.front());
  });
  add_action("close", "Zamknij", QKeySequence::Close, [this] { close(); });

  QAction* undo = m_stack->createUndoAction(this, "Cofnij");
  undo->setObjectName("undo");
  undo->setShortcut(QKeySequence::Undo);
  addAction(undo);
  QAction* redo = m_stack->createRedoAction(this, "Ponów");
  redo->setObjectName("redo");
  redo->setShortcut(QKeySequence::Redo);
  addAction(redo);
  add_action("cut", "Wytnij", QKeySequence::Cut, [this] { cut(); });
  add_action("copy", "Kopiuj", QKeySequence::Copy, [this] { copy(); });
  add_action("paste", "Wklej", QKeySequence::Paste, [this] { paste(); });
  add_action("delete", "Usuń", QKeySequence(), [this] { m_view->delete_selection(); });
  add_action("select_all", "Zaznacz wszystko", QKeySequence::SelectAll, [this] { select_all(); });
  add_action("edit_text", "Edytuj tekst", QKeySequence("F2"), [this] {
    auto views = m_surface->selected_views();
    if (views.size() == 1)
      if (auto* memo = dynamic_cast<report::CustomMemoView*>(views.front())) m_view->edit_text(*memo);
  });

  const std::pair<const char*, std::pair<QString, AlignKind>> aligns[] = {
      {"align_left", {"Do lewej", AlignKind::Left}},
      {"align_right", {"Do prawej", AlignKind::Right}},
      {"align_top", {"Do góry", AlignKind::Top}},
      {"align_bottom", {"Do dołu", AlignKind::Bottom}},
      {"align_hcentre", {"Środki w poziomie", AlignKind::HorizontalCentres}},
      {"align_vcentre", {"Środki w pionie", AlignKind::VerticalCentres}},
      {"same_width", {"Ta sama szerokość", AlignKind::SameWidth}},
      {"same_height", {"Ta sama wysokość", AlignKind::SameHeight}},
  };
  for (const auto& [name, text_kind] : aligns) {
    const AlignKind kind = text_kind.second;
    add_action(name, text_kind.first, QKeySequence(), [this, kind] { m_view->align_selection(kind); });
  }

  add_action("report_options", "Opcje raportu…", QKeySequence(), [this] { report_options(); });
  add_action("page_settings", "Ustawienia strony…", QKeySequence(), [this] { page_settings(); });

  add_action("zoom_in", "Powiększ", QKeySequence::ZoomIn, [this] {
    const int now = static_cast<int>(std::lround(m_view->zoom() * 100));
    for (int z : kZoomSteps)
      if (z > now) return set_zoom_percent(z);
  });
  add_action("zoom_out", "Pomniejsz", QKeySequence::ZoomOut, [this] {
    const int now = static_cast<int>(std::lround(m_view->zoom() * 100));
    for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
      if (*it < now) return set_zoom_percent(*it);
  });
  add_action("whole_page", "Cała strona", QKeySequence(), [this] { zoom_whole_page(); });
  add_action("page_width", "Szerokość strony", QKeySequence(), [this] { zoom_page_width(); });
  QAction* grid = add_action("grid", "Siatka", QKeySequence("Ctrl+G"), [] {});
  grid->setCheckable(true);
  grid->setChecked(m_surface->grid_visible());
  connect(grid, &QAction::toggled, this, [this](bool on) { m_surface->set_grid_visible(on); });
  QAction* snap = add_action("snap", "Przyciągaj do siatki", QKeySequence(), [] {});
  snap->setCheckable(true);
  snap->setChecked(m_surface->snapping());
  connect(snap, &QAction::toggled, this, [this](bool on) { m_surface->set_snap(on); });
  QAction* labels = add_action("labels", "Nazwy pasm", QKeySequence(), [] {});
  labels->setCheckable(true);
  labels->setChecked(m_surface->labels_visible());
  connect(labels, &QAction::toggled, this, [this](bool on) { m_surface->set_labels_visible(on); });
  auto* units = new QActionGroup(this);
  for (size_t i = 0; i < std::size(kGridUnitNames); ++i) {
    const auto unit = static_cast<GridUnit>(i);
    const std::string name = "grid_" + std::string(kGridUnitNames[i]);
    QAction* a = add_action(
        name.c_str(),
        QString("Siatka: %1").arg(QString::fromUtf8(kGridUnitNames[i].data(), kGridUnitNames[i].size())),
        QKeySequence(), [this, unit] {
          m_surface->set_grid_unit(unit);
          // Lengths in the inspector are shown in the grid's unit.
          if (m_inspector) m_inspector->refresh();
        });
    a->setCheckable(true);
    a->setChecked(unit == m_surface->grid_unit());
    units->addAction(a);
  }

  m_zoom_box = new QComboBox;
  m_zoom_box->setObjectName("zoom");
  m_zoom_box->setEditable(false);
  for (int z : kZoomSteps) m_zoom_box->addItem(QString("%1 %").arg(z), z);
  m_zoom_box->addItem("Cała strona", -1);
  m_zoom_box->addItem("Szerokość strony", -2);
  connect(m_zoom_box, &QComboBox::activated, this, [this](int index) {
    const int z = m_zoom_box->itemData(index).toInt();
    if (z == -1) return zoom_whole_page();
    if (z == -2) return zoom_page_width();
    set_zoom_percent(z);
  });
}

void DesignerWindow::build_menus() {
  auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
    for (const char* name : names) {
      if (!*name) {
        menu->addSeparator();
        continue;
      }
      menu->addAction(action(name));
    }
  };
  add(menuBar()->addMenu("Plik"), {"save", "save_as", "", "preview", "save_preview", "", "close"});
  add(menuBar()->addMenu("Edycja"), {"undo", "redo", "", "cut", "copy", "paste", "delete", "", "select_all",
                                     "edit_text", "edit_expression"});
  QMenu* insert = menuBar()->addMenu("Wstaw");
  for (const ObjectTool& tool : object_tools()) insert->addAction(action(tool.action));
  QMenu* bands = insert->addMenu("Pasmo");
  bands->setObjectName("band_menu");
  for (const BandKind& kind : band_kinds()) bands->addAction(action(kind.action));
  add(menuBar()->addMenu("Układ"), {"align_left", "align_right", "align_top", "align_bottom", "",
                                    "align_hcentre", "align_vcentre", "", "same_width", "same_height"});
  add(menuBar()->addMenu("Raport"), {"report_options", "page_settings"});
  add(menuBar()->addMenu("Widok"), {"zoom_in", "zoom_out", "whole_page", "page_width", "", "grid", "snap",
                                    "grid_piksele", "grid_milimetry", "grid_cale", "", "labels"});
  QToolBar* bar = addToolBar("Narzędzia");
  bar->setObjectName("tools");
  bar->setMovable(false);
  for (const char* name :
       {"save", "preview", "save_preview", "undo", "redo", "cut", "copy", "paste", "delete", "align_left",
        "align_right", "align_top", "align_bottom", "same_width", "same_height", "grid"})
    bar->addAction(action(name));
  bar->addWidget(m_zoom_box);
  addToolBarBreak();
  QToolBar* objects = addToolBar("Wstaw");
  objects->setObjectName("insert_tools");
  objects->setMovable(false);
  for (const ObjectTool& tool : object_tools()) objects->addAction(action(tool.action));
}

// ---- Inserting ------------------------------------------------------------------------------------

void DesignerWindow::build_insert_tools() {
  for (const ObjectTool& tool : object_tools()) {
    QAction* a = add_action(tool.action, tool.text, QKeySequence(), [] {});
    a->setCheckable(true);
    connect(a, &QAction::toggled, this, [this, t = &tool](bool on) {
      if (on)
        m_view->set_insert_tool(t);
      else if (m_view->insert_tool() == t)
        m_view->set_insert_tool(nullptr);
    });
  }
  // One tool at a time; the view ends the mode after one object.
  connect(m_view, &DesignView::insert_tool_changed, this, [this] {
    for (const ObjectTool& tool : object_tools()) {
      QAction* a = action(tool.action);
      const QSignalBlocker quiet(a);
      a->setChecked(m_view->insert_tool() == &tool);
    }
  });
  for (const BandKind& kind : band_kinds())
    add_action(kind.action, kind.text, QKeySequence(), [this, k = &kind] { add_band(*k); });
}

void DesignerWindow::insert_object(const ObjectTool* tool, report::Band* band, Box box) {
  if (!tool || !band) return;
  std::unique_ptr<report::View> view = make_object(*tool, box);
  auto* group = new QUndoCommand(QString("Wstawienie: %1").arg(tool->text));
  if (auto* sub = dynamic_cast<report::Subreport*>(view.get())) {
    // A sub-report prints a page of its own, made with it.
    auto page = std::make_unique<report::ReportPage>();
    page->set_defaults();
    sub->set_page(page.get());
    std::vector<std::unique_ptr<report::Component>> pages;
    pages.push_back(std::move(page));
    new InsertCommand(group->text(), *m_surface, m_report, std::move(pages), group);
  }
  std::vector<std::unique_ptr<report::Component>> objects;
  objects.push_back(std::move(view));
  new InsertCommand(group->text(), *m_surface, *band, std::move(objects), group);
  m_stack->push(group);
}

void DesignerWindow::drop_entry(const QByteArray& payload, report::Band* band, QPointF at) {
  auto entry = decode_entry(std::string_view(payload.constData(), static_cast<size_t>(payload.size())));
  if (!entry || !band) return;
  std::vector<DroppedObject> made = objects_for_drop(*entry, *band, at.x(), at.y());
  if (made.empty()) return;
  auto* group = new QUndoCommand(QString("Wstawienie: %1").arg(QString::fromStdString(entry->field.name)));
  if (entry->kind == DataEntry::Kind::Field)
    if (report::DataSet* ds = find_visible_data_set(m_report, entry->source))
      new UseDataSetCommand(m_report, *ds, group);
  // One insertion per band, in the order made (the caption first).
  for (size_t i = 0; i < made.size(); ++i) {
    std::vector<std::unique_ptr<report::Component>> objects;
    objects.push_back(std::move(made[i].memo));
    new InsertCommand(group->text(), *m_surface, *made[i].band, std::move(objects), group);
  }
  m_stack->push(group);
}

QString DesignerWindow::choose_item(const QString& title, const QString& label, const QStringList& items) {
  if (m_options.choose_item) return m_options.choose_item(this, title, label, items);
  bool ok = false;
  const QString answer = QInputDialog::getItem(this, title, label, items, 0, false, &ok);
  return ok ? answer : QString();
}

void DesignerWindow::add_band(const BandKind& kind) {
  report::ReportPage* page = m_surface->page();
  if (!page) return;
  m_view->commit_text();
  auto selected = m_surface->selected_views();
  auto* reference = selected.empty() ? nullptr : dynamic_cast<report::Band*>(selected.front()->parent());
  std::unique_ptr<report::Component> made = kind.info().create();
  std::unique_ptr<report::Band> band(static_cast<report::Band*>(made.release()));
  band->set_height(kNewBandHeight);

  auto* group = new QUndoCommand("Wstawienie pasma");
  std::unique_ptr<QUndoCommand> pending(group);  // until pushed
  if (auto* data = dynamic_cast<report::DataBand*>(band.get())) {
    QStringList names;
    for (report::DataSet* ds : visible_data_sets(m_report)) names << QString::fromStdString(ds->user_name());
    if (names.isEmpty()) return m_options.prompts.show_error(this, kNoDataSets);
    const QString name = choose_item(kind.text, kChooseDataSet, names);
    report::DataSet* ds = find_visible_data_set(m_report, name.toStdString());
    if (!ds) return;
    data->data.set(ds);
    new UseDataSetCommand(m_report, *ds, group);
  } else if (auto* header = dynamic_cast<report::GroupHeader*>(band.get())) {
    ExpressionEditor editor(m_report, ExpressionKind::Expression, "", this);
    editor.setWindowTitle(QString("%1 - warunek grupy").arg(kExpressionCaption));
    if (editor.exec() != QDialog::Accepted || editor.text().trimmed().isEmpty()) return;
    header->condition = editor.text().trimmed().toStdString();
  }
  const bool child = band->is(report::ChildBand::static_class());
  BandPlace place = place_new_band(*page, kind.info(), band->height(), reference);
  new AddBandCommand(*m_surface, *page, std::move(band), place.top, std::move(place.moved),
                     child ? reference : nullptr, group);
  m_stack->push(pending.release());
}

void DesignerWindow::edit_expression(report::View* view, report::Band* band) {
  m_view->commit_text();
  if (auto* data = dynamic_cast<report::DataBand*>(band)) return choose_data_set(*data);
  report::Component* target = view ? static_cast<report::Component*>(view) : band;
  if (!target) return;
  auto* memo = dynamic_cast<report::CustomMemoView*>(target);
  const char* prop_name =
      memo                                         ? nullptr
      : dynamic_cast<report::GroupHeader*>(target) ? "Condition"
      : dynamic_cast<report::BarCodeView*>(target) || dynamic_cast<report::CheckBoxView*>(target)
          ? "Expression"
          : nullptr;
  const report::PropInfo* prop = prop_name ? target->class_info().find(prop_name) : nullptr;
  if (!memo && !prop) return;
  QString text = QString::fromStdString(memo ? memo->text() : prop->get_string(*target));
  text.replace("\r\n", "\n");
  ExpressionEditor editor(m_report, memo ? ExpressionKind::Text : ExpressionKind::Expression, text, this);
  if (editor.exec() != QDialog::Accepted) return;
  std::string value = editor.text().toStdString();
  if (memo) {
    std::string crlf;
    for (char c : value) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    if (crlf != memo->text()) m_stack->push(new TextCommand(*m_surface, *memo, crlf));
  } else if (value != prop->get_string(*target)) {
    m_stack->push(new StringPropertyCommand(*m_surface, *target, *prop, value));
  }
}

void DesignerWindow::choose_data_set(report::Band& band) {
  auto& data = static_cast<report::DataBand&>(band);
  QStringList names;
  for (report::DataSet* ds : visible_data_sets(m_report)) names << QString::fromStdString(ds->user_name());
  if (names.isEmpty()) return m_options.prompts.show_error(this, kNoDataSets);
  report::DataSet* ds =
      find_visible_data_set(m_report, choose_item("Pasmo danych", kChooseDataSet, names).toStdString());
  if (!ds || ds == data.data.get()) return;
  const report::PropInfo* prop = band.class_info().find("DataSetName");
  auto* group = new QUndoCommand("Źródło danych pasma");
  new UseDataSetCommand(m_report, *ds, group);
  new StringPropertyCommand(*m_surface, band, *prop, ds->user_name(), group);
  m_stack->push(group);
}

void DesignerWindow::refresh_page_tabs() {
  std::vector<report::ReportPage*> all = pages();
  if (static_cast<int>(all.size()) == m_tabs->count()) return;
  const QSignalBlocker quiet(m_tabs);
  while (m_tabs->count()) m_tabs->removeTab(0);
  for (report::ReportPage* page : all) m_tabs->addTab(QString::fromStdString(page->name()));
  m_tabs->setVisible(m_tabs->count() > 1);
  // The page shown may have gone with an undo.
  if (std::find(all.begin(), all.end(), m_surface->page()) == all.end())
    show_page(0);
  else
    m_tabs->setCurrentIndex(
        static_cast<int>(std::find(all.begin(), all.end(), m_surface->page()) - all.begin()));
}

void DesignerWindow::request_handler(const QString& object, const QString& event) {
  guarded([&] {
    m_main_tabs->setCurrentWidget(m_script);
    if (!m_script->ensure_handler(object, event))
      m_options.prompts.show_error(this, QString(kNoSuchHandler).arg(object, event));
  });
}

void DesignerWindow::update_caption() {
  const QString name =
      m_file.empty() ? QString(kUntitled) : QString::fromStdString(m_file.filename().string());
  setWindowTitle(QString("%1 - %2[*]").arg(kDesignerCaption, name));
  setWindowModified(modified());
}

void DesignerWindow::update_selection_actions() {
  const size_t n = m_surface->selected_views().size();
  for (const char* name : {"cut", "copy", "delete"}) action(name)->setEnabled(n > 0);
  for (const char* name : {"align_left", "align_right", "align_top", "align_bottom", "align_hcentre",
                           "align_vcentre", "same_width", "same_height"})
    action(name)->setEnabled(n > 1);
  action("edit_text")->setEnabled(n == 1);
}

// ---- Inspector, report tree, dialogs -------------------------------------------------------------

void DesignerWindow::build_docks() {
  m_inspector = new Inspector(*m_surface, *m_stack, m_options.prompts);
  auto* inspector_dock = new QDockWidget("Inspektor obiektów", this);
  inspector_dock->setObjectName("inspector_dock");
  inspector_dock->setWidget(m_inspector);
  addDockWidget(Qt::LeftDockWidgetArea, inspector_dock);
  m_tree = new ReportTree(m_report, *m_surface, *m_stack, m_options.prompts);
  auto* tree_dock = new QDockWidget("Drzewo raportu", this);
  tree_dock->setObjectName("tree_dock");
  tree_dock->setWidget(m_tree);
  addDockWidget(Qt::RightDockWidgetArea, tree_dock);
  // Room for a value beside the longest property names, and for the objects' names.
  resizeDocks({inspector_dock, tree_dock}, {320, 220}, Qt::Horizontal);
  // A double click on an event writes its procedure in the script tab.
  connect(m_inspector, &Inspector::handler_requested, this, &DesignerWindow::request_handler);
  connect(m_tree, &ReportTree::components_chosen, this,
          [this](std::vector<report::Component*> chosen) { guarded([&] { tree_chosen(chosen); }); });
}

void DesignerWindow::surface_selection_changed() {
  if (!m_inspector || m_tree_choosing) return;
  std::vector<report::Component*> shown;
  for (report::View* v : m_surface->selected_views()) shown.push_back(v);
  m_tree->show_chosen(shown);
  if (shown.empty() && m_surface->page()) shown.push_back(m_surface->page());
  m_inspector->set_components(shown);
}

void DesignerWindow::tree_chosen(const std::vector<report::Component*>& components) {
  std::vector<report::View*> views;
  for (report::Component* c : components)
    if (auto* v = dynamic_cast<report::View*>(c); v && dynamic_cast<report::Band*>(v->parent()))
      views.push_back(v);
  m_tree_choosing = true;
  if (!views.empty() && views.size() == components.size()) {
    // Objects of another page bring their page into view first.
    std::vector<report::ReportPage*> all = pages();
    auto* page = dynamic_cast<report::ReportPage*>(views.front()->page());
    auto it = std::find(all.begin(), all.end(), page);
    if (page && page != m_surface->page() && it != all.end()) show_page(static_cast<int>(it - all.begin()));
    m_surface->select_views(views);
  } else {
    m_surface->select_views({});
    if (components.size() == 1)
      if (auto* page = dynamic_cast<report::ReportPage*>(components.front());
          page && page != m_surface->page()) {
        std::vector<report::ReportPage*> all = pages();
        auto it = std::find(all.begin(), all.end(), page);
        if (it != all.end()) show_page(static_cast<int>(it - all.begin()));
      }
  }
  m_tree_choosing = false;
  m_inspector->set_components(components);
}

void DesignerWindow::report_options() {
  ReportOptionsDialog dialog(m_report, this);
  if (dialog.exec() != QDialog::Accepted) return;
  auto command = std::make_unique<PropertyCommand>(
      "Opcje raportu", *m_surface, std::vector<report::Component*>{&m_report},
      [&dialog](report::Component& c) { dialog.apply_to(static_cast<report::Report&>(c)); });
  command->apply();
  m_stack->push(command.release());
}

void DesignerWindow::page_settings() {
  report::ReportPage* page = m_surface->page();
  if (!page) return;
  PageSettingsDialog dialog(*page, this);
  if (dialog.exec() != QDialog::Accepted) return;
  // The bands are kept too: the new paper gives them new widths.
  std::vector<report::Component*> changed = {page};
  for (const auto& child : page->objects())
    if (dynamic_cast<report::Band*>(child.get())) changed.push_back(child.get());
  auto command = std::make_unique<PropertyCommand>("Ustawienia strony", *m_surface, changed,
                                                   [&dialog, page](report::Component& c) {
                                                     if (&c == page) dialog.apply_to(*page);
                                                   });
  command->apply();
  m_stack->push(command.release());
}

// ---- Zoom -----------------------------------------------------------------------------------------

void DesignerWindow::set_zoom_percent(int percent) {
  percent = std::clamp(percent, kMinZoom, kMaxZoom);
  m_view->set_zoom(percent / 100.0);
  const int index = m_zoom_box->findData(percent);
  if (index >= 0) m_zoom_box->setCurrentIndex(index);
  m_status->setText(QString("%1 %").arg(percent));
}

void DesignerWindow::zoom_whole_page() {
  const QRectF paper = m_surface->paper_rect();
  if (paper.isEmpty()) return;
  const QSize room = m_view->viewport()->size();
  // The band names' gutter left of the paper is in view too.
  const double z = std::min((room.width() - 16 - kLabelGutterPixels) / paper.width(),
                            (room.height() - 16) / paper.height());
  set_zoom_percent(static_cast<int>(z * 100));
  m_view->centerOn(paper.center() - QPointF(kLabelGutterPixels / 2 / m_surface->zoom(), 0));
  m_zoom_box->setCurrentIndex(m_zoom_box->findData(-1));
}

void DesignerWindow::zoom_page_width() {
  const QRectF paper = m_surface->paper_rect();
  if (paper.isEmpty()) return;
  const double room =
      m_view->viewport()->width() - m_view->verticalScrollBar()->sizeHint().width() - 16 - kLabelGutterPixels;
  set_zoom_percent(static_cast<int>(room / paper.width() * 100));
  const QPointF middle = m_view->mapToScene(m_view->viewport()->rect().center());
  m_view->centerOn(paper.center().x() - kLabelGutterPixels / 2 / m_surface->zoom(), middle.y());
  m_zoom_box->setCurrentIndex(m_zoom_box->findData(-2));
}

// ---- Clipboard ------------------------------------------------------------------------------------

void DesignerWindow::copy() {
  std::vector<const report::Component*> objects;
  for (report::View* v : m_surface->selected_views()) objects.push_back(v);
  if (objects.empty()) return;
  const std::string text = objects_to_text(objects);
  auto* data = new QMimeData;
  data->setData(kClipboardMime, QByteArray::fromStdString(text));
  data->setText(QString::fromStdString(text));
  QApplication::clipboard()->setMimeData(data);
}

void DesignerWindow::cut() {
  copy();
  std::vector<report::Component*> objects;
  for (report::View* v : m_surface->selected_views()) objects.push_back(v);
  if (!objects.empty()) m_stack->push(new RemoveCommand("Wycięcie", *m_surface, std::move(objects)));
}

void DesignerWindow::paste() {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  if (!data) return;
  // Our own format first; plain text pasted from an editor is read the same way.
  const QByteArray bytes =
      data->hasFormat(kClipboardMime) ? data->data(kClipboardMime) : data->text().toUtf8();
  auto objects = objects_from_text(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  std::erase_if(objects, [](const auto& c) { return !dynamic_cast<report::View*>(c.get()); });
  if (objects.empty()) return;
  // Into the band of the selection, else the page's first band.
  report::Component* band = nullptr;
  auto selected = m_surface->selected_views();
  if (!selected.empty()) band = selected.front()->parent();
  if (!band && !m_surface->band_items().empty()) band = &m_surface->band_items().front()->band();
  if (!band) return;
  for (auto& c : objects) {
    Box b = keep_inside(box_of(*c), band->width(), band->height());
    c->set_bounds(b.left, b.top, b.width, b.height);
  }
  m_stack->push(new InsertCommand("Wklejenie", *m_surface, *band, std::move(objects)));
}

void DesignerWindow::select_all() {
  std::vector<report::View*> views;
  for (BandItem* band : m_surface->band_items())
    for (const auto& child : band->band().objects())
      if (auto* v = dynamic_cast<report::View*>(child.get())) views.push_back(v);
  m_surface->select_views(views);
}

// ---- Files ----------------------------------------------------------------------------------------

bool DesignerWindow::save() {
  m_view->commit_text();
  m_script->commit();
  if (m_file.empty()) return save_as();
  return write_to(m_file);
}

bool DesignerWindow::save_as() {
  m_view->commit_text();
  m_script->commit();
  const QString answer = m_options.prompts.ask_text(this, "Zapisz jako", kSaveAsPrompt);
  if (answer.trimmed().isEmpty()) return false;
  const std::string name = editor::template_file_name(answer.toStdString());
  const std::filesystem::path file = m_options.templates / name;
  std::error_code ec;
  if (file != m_file && std::filesystem::exists(file, ec) &&
      !m_options.prompts.confirm(this, "Zapisz jako",
                                 QString(editor::kReplaceTemplate).arg(QString::fromStdString(name))))
    return false;
  return write_to(file);
}

bool DesignerWindow::write_to(const std::filesystem::path& file) {
  if (!m_unkept.empty() && !m_unkept_accepted && file == m_source) {
    QStringList lines;
    for (const auto& line : m_unkept) lines << QString::fromStdString(line);
    const QString text =
        QString(kUnkeptQuestion).arg(QString::fromStdString(file.filename().string()), lines.join("\n"));
    if (!m_options.prompts.confirm(this, "Zapisz", text)) return false;
    m_unkept_accepted = true;
  }
  m_report.save_to_file(file);
  m_report.set_file_name(file);
  m_file = file;
  m_stack->setClean();
  m_report.modified = false;
  update_caption();
  return true;
}

void DesignerWindow::closeEvent(QCloseEvent* event) {
  m_view->commit_text();
  m_script->commit();
  if (modified()) {
    const QString name =
        m_file.empty() ? QString(kUntitled) : QString::fromStdString(m_file.filename().string());
    switch (m_options.ask_save(this, kDesignerCaption, QString(kSaveChanges).arg(name))) {
      case SaveAnswer::Save: {
        bool saved = false;
        guarded([&] { saved = save(); });
        if (!saved) return event->ignore();
        break;
      }
      case SaveAnswer::Discard:
        break;
      case SaveAnswer::Cancel:
        return event->ignore();
    }
  }
  if (m_preview) m_preview->close();
  event->accept();
  Q_EMIT closed();
}

// ---- Preview --------------------------------------------------------------------------------------

void DesignerWindow::save_and_preview() {
  if (save()) preview();
}

void DesignerWindow::preview() {
  m_view->commit_text();
  m_script->commit();
  if (!m_preview) m_preview = std::make_unique<editor::ReportPreview>(m_options.prompts, this);
  if (m_preview->preparing()) return;
  // A copy is prepared: preparing reloads the report it runs, which would take the objects the
  // surface and the undo stack hold from under them.
  auto copy = std::make_unique<report::Report>();
  copy->host = m_report.host;
  copy->engine_options.new_silent_mode = report::SilentMode::Silent;
  copy->load_from_stream(m_report.save_to_stream());
  std::vector<std::string> load_errors = copy->errors();
  std::unique_ptr<report::Report> previous = std::exchange(m_preview_report, std::move(copy));
  m_preview->show();
  m_preview->raise();
  m_preview->prepare_and_show(*m_preview_report, std::move(load_errors));
}

}  // namespace orvena::designer
