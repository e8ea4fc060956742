#include "editor/editor_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "editor/sorted_list.h"
#include "editor/style.h"
#include "editor/workshop_window.h"
#include "runner/date_variables.h"
#include "runner/day_rules.h"
#include "runner/report_formats.h"

namespace orvena::editor {

namespace {

constexpr int kClientWidth = 784;
constexpr int kClientHeight = 604;
constexpr int kFieldLimit = 200;

enum class Align { Left, Centred };

QLineEdit* line_edit(int limit, Align align) {
  auto* edit = new QLineEdit;
  edit->setMaxLength(limit);
  edit->setProperty(kLimitProperty, limit);
  if (align == Align::Centred) edit->setAlignment(Qt::AlignCenter);
  return edit;
}

QComboBox* choice_list(const QStringList& entries, const char* hint = nullptr) {
  auto* combo = new QComboBox;
  combo->addItems(entries);
  combo->setCurrentIndex(-1);
  if (hint) combo->setToolTip(QString::fromUtf8(hint));
  return combo;
}

QStringList numbered(int last) {
  QStringList out;
  for (int i = 1; i <= last; ++i) out << QString("%1").arg(i, 2, 10, QChar('0'));
  return out;
}

QPushButton* small_button(const char* caption, const char* hint) {
  auto* button = new QPushButton(QString::fromUtf8(caption));
  button->setToolTip(QString::fromUtf8(hint));
  button->setFixedWidth(28);
  return button;
}

// A label above its control.
QVBoxLayout* labelled(const char* label, QWidget* control) {
  auto* box = new QVBoxLayout;
  box->setSpacing(2);
  box->addWidget(new QLabel(QString::fromUtf8(label)));
  box->addWidget(control);
  return box;
}

}  // namespace

EditorWindow::EditorWindow(const core::Home& home, const core::Clock& clock, WorkshopWindow& workshop,
                           Prompts prompts)
    : QWidget(nullptr, Qt::Window),
      m_home(home),
      m_clock(clock),
      m_workshop(workshop),
      m_prompts(with_standard_boxes(std::move(prompts))),
      m_file(home.control_file()) {
  setObjectName("window");
  setWindowTitle("Sterowanie automatycznymi raportami");
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  // Closing the editor only hides it; the main window alone decides when the program ends.
  setAttribute(Qt::WA_QuitOnClose, false);
  setStyleSheet(style::editor_sheet());
  build();
  wire();
  setFixedSize(kClientWidth, kClientHeight);
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::build() {
  c.pages = new QTabWidget;
  c.pages->addTab(build_list_page(), "Lista szablonów");
  c.pages->addTab(build_definition_page(), "Konfiguracja szablonu raportu");

  c.load_warning = new QLabel(QString::fromUtf8(config::kSaveRefused));
  c.load_warning->setWordWrap(true);
  c.load_warning->setStyleSheet(
      "QLabel { color: rgb(255, 255, 255); background-color: rgb(160, 32, 32); padding: 4px; }");
  c.load_warning->setVisible(false);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(4, 4, 4, 4);
  outer->addWidget(c.load_warning);
  outer->addWidget(c.pages, 1);
}

QWidget* EditorWindow::build_list_page() {
  auto* page = new QWidget;
  page->setObjectName("page");
  c.names = new SortedList;
  c.names->setObjectName("names");
  c.projektuj = new QPushButton("projektuj szablon");
  c.kopiuj = new QPushButton("kopiuj szablon");
  c.nowy = new QPushButton("nowy szablon");
  c.usun = new QPushButton("usuń szablon");

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {c.projektuj, c.kopiuj, c.nowy, c.usun}) {
    b->setMinimumWidth(160);
    buttons->addWidget(b);
  }
  buttons->addStretch();

  auto* row = new QHBoxLayout;
  row->addWidget(c.names, 1);
  row->addLayout(buttons);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel("Lista raportów w pliku sterującym:"));
  layout->addLayout(row, 1);
  return page;
}

QWidget* EditorWindow::build_definition_page() {
  auto* page = new QWidget;
  page->setObjectName("page");

  // Left column: what the report is.
  c.raport = line_edit(kFieldLimit, Align::Centred);
  c.dni_raportu = line_edit(7, Align::Centred);
  c.dni_raportu->setReadOnly(true);
  style::mark_read_only(c.dni_raportu);
  c.dni_raportu->setFixedWidth(90);
  auto* weekdays = new QHBoxLayout;
  weekdays->addWidget(c.dni_raportu);
  for (size_t k = 0; k < c.weekdays.size(); ++k) {
    c.weekdays[k] = new QCheckBox(QString::fromUtf8(runner::kWeekdayLabels[k].data(),
                                                    static_cast<int>(runner::kWeekdayLabels[k].size())));
    weekdays->addWidget(c.weekdays[k]);
  }
  weekdays->addStretch();

  c.zapytanie = new QPlainTextEdit;
  c.zapytanie->setLineWrapMode(QPlainTextEdit::NoWrap);

  c.daty = new SortedList;
  style::mark_read_only(c.daty);
  c.daty->setFixedHeight(76);
  c.month = choice_list(numbered(12));
  c.day = choice_list(numbered(31));
  c.month->setCurrentIndex(0);
  c.day->setCurrentIndex(0);
  for (QComboBox* combo : {c.month, c.day}) combo->setMinimumWidth(52);
  c.add_day = small_button("+", "Dodaj dzień miesiąca do listy");
  c.remove_day = small_button("-", "Usuń dzień z listy");
  auto* day_picker = new QGridLayout;
  day_picker->addWidget(new QLabel("mies."), 0, 0);
  day_picker->addWidget(new QLabel("dzień"), 0, 1);
  day_picker->addWidget(c.month, 1, 0);
  day_picker->addWidget(c.day, 1, 1);
  auto* day_buttons = new QHBoxLayout;
  day_buttons->addWidget(c.add_day);
  day_buttons->addWidget(c.remove_day);
  day_buttons->addStretch();
  day_picker->addLayout(day_buttons, 2, 0, 1, 2);
  day_picker->setRowStretch(3, 1);
  auto* month_days = new QHBoxLayout;
  month_days->addWidget(c.daty, 1);
  month_days->addLayout(day_picker);

  c.nazwa_pliku = line_edit(kFieldLimit, Align::Centred);
  QStringList formats;
  for (const runner::ReportFormatInfo& format : runner::kReportFormats)
    formats << QString::fromUtf8(format.name.data(), static_cast<qsizetype>(format.name.size()));
  c.format_pliku = choice_list(formats, "Format pliku wynikowego do którego zapisany będzie raport");
  c.szablon_raportu = line_edit(kFieldLimit, Align::Centred);
  c.szablon_raportu->setReadOnly(true);
  style::mark_read_only(c.szablon_raportu);
  c.choose_template = new QPushButton("...");
  c.choose_template->setFixedWidth(28);
  auto* template_row = new QHBoxLayout;
  template_row->addWidget(c.szablon_raportu, 1);
  template_row->addWidget(c.choose_template);

  auto* left = new QVBoxLayout;
  left->addLayout(labelled("Nazwa szablonu:", c.raport));
  left->addWidget(new QLabel("Dni tygodnia:"));
  left->addLayout(weekdays);
  left->addLayout(labelled("Zapytanie SQL:", c.zapytanie), 1);
  left->addWidget(new QLabel("Dni miesiąca:"));
  left->addLayout(month_days);
  left->addLayout(labelled("Nazwa pliku do którego raport będzie zapisany:", c.nazwa_pliku));
  left->addLayout(labelled("Format pliku:", c.format_pliku));
  left->addWidget(new QLabel("Nazwa pliku szablonu raportu:"));
  left->addLayout(template_row);

  // Right column: where it goes.
  c.wyslij_na = choice_list({"e-mail", "e-mail/ftp", "ftp", "ftp/e-mail"},
                            "W jakie miejsce wysłać raport (skrzynka e-mail, lub serwer FTP)");
  auto* picture = new QLabel;
  picture->setPixmap(style::editor_picture());
  picture->setFixedSize(128, 128);

  auto* ftp = new QGroupBox("  Konfiguracja FTP:   ");
  auto* ftp_form = new QVBoxLayout(ftp);
  ftp_form->setSpacing(2);
  c.adres_ftp = line_edit(kFieldLimit, Align::Left);
  c.folder_ftp = line_edit(kFieldLimit, Align::Left);
  c.user_ftp = line_edit(kFieldLimit, Align::Left);
  c.pass_ftp = line_edit(kFieldLimit, Align::Left);  // shown in clear, as the file holds it
  ftp_form->addLayout(labelled("Adres serwera FTP:", c.adres_ftp));
  ftp_form->addLayout(labelled("Folder na serwerze FTP:", c.folder_ftp));
  ftp_form->addLayout(labelled("Użytkownik FTP:", c.user_ftp));
  ftp_form->addLayout(labelled("Hasło do serwera FTP:", c.pass_ftp));

  c.temat_email = line_edit(kFieldLimit, Align::Centred);
  c.wyslij_jesli_pusty =
      choice_list({"nie", "tak"},
                  "Dzieki ustawieniu \"tak\" raport będzie wysyłany niezależnie od tego, czy jest pusty!");

  c.adresaci = new SortedList;
  style::mark_read_only(c.adresaci);
  c.add_recipient = small_button("+", "Dodaj adres e-mail do listy odbiorców wygenerowanego raportu");
  c.remove_recipient = small_button("-", "Usuń adres e-mail z listy odbiorców raportu");
  auto* recipient_buttons = new QVBoxLayout;
  recipient_buttons->addWidget(c.add_recipient);
  recipient_buttons->addWidget(c.remove_recipient);
  recipient_buttons->addStretch();
  auto* recipients = new QHBoxLayout;
  recipients->addWidget(c.adresaci, 1);
  recipients->addLayout(recipient_buttons);

  // The picture stands in the upper right corner, beside the destination and the FTP group.
  auto* top_right = new QGridLayout;
  top_right->addLayout(labelled("Wyślij raport na:", c.wyslij_na), 0, 0);
  top_right->addWidget(ftp, 1, 0);
  top_right->addWidget(picture, 0, 1, 2, 1, Qt::AlignTop | Qt::AlignRight);
  top_right->setColumnStretch(0, 1);
  auto* right = new QVBoxLayout;
  right->addLayout(top_right);
  right->addLayout(labelled("Temat wiadomości e-mail:", c.temat_email));
  right->addLayout(labelled("Wyślij jeśli pusty:", c.wyslij_jesli_pusty));
  right->addWidget(new QLabel("Lista odbiorców wiadomości e-mail z raportem:"));
  right->addLayout(recipients, 1);

  c.to_workshop = new QPushButton("projektuj szablon na podstawie kodu SQL");
  c.zapisz = new QPushButton("zapisz szablon");
  c.zapisz->setMinimumWidth(160);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(c.to_workshop);
  bottom->addStretch();
  bottom->addWidget(c.zapisz);

  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 1);
  columns->addSpacing(8);
  columns->addLayout(right, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(columns, 1);
  layout->addLayout(bottom);

  // The two pop-up menus.
  c.date_menu = new QMenu(this);
  const std::pair<const char*, std::string_view> items[] = {
      {"Wstaw zmienną daty [<data>]", runner::kDataDzis},
      {"Wstaw zmienna daty \"wczoraj\" [<data-1>]", runner::kDataWczoraj},
      {"Wstaw zmienna daty \"jutro\" [<data+1>]", runner::kDataJutro},
  };
  for (size_t i = 0; i < std::size(items); ++i) {
    const std::string_view variable = items[i].second;
    auto* action = c.date_menu->addAction(QString::fromUtf8(items[i].first));
    connect(action, &QAction::triggered, this, [this, variable] {
      guarded(m_prompts, this, [this, variable] { insert_date_variable(variable); });
    });
    if (i == 0) c.date_menu->addSeparator();
  }
  c.template_menu = new QMenu(this);
  connect(c.template_menu->addAction("Wyczyść szablon raportu"), &QAction::triggered, this,
          [this] { c.szablon_raportu->clear(); });
  return page;
}

void EditorWindow::wire() {
  auto on_click = [this](QPushButton* button, void (EditorWindow::*handler)()) {
    connect(button, &QPushButton::clicked, this, [this, handler] { handle(handler); });
  };
  on_click(c.projektuj, &EditorWindow::projektuj_szablon);
  on_click(c.kopiuj, &EditorWindow::kopiuj_szablon);
  on_click(c.nowy, &EditorWindow::nowy_szablon);
  on_click(c.usun, &EditorWindow::usun_szablon);
  on_click(c.zapisz, &EditorWindow::zapisz_szablon);
  on_click(c.to_workshop, &EditorWindow::hand_over_to_workshop);
  on_click(c.add_day, &EditorWindow::add_month_day);
  on_click(c.add_recipient, &EditorWindow::add_recipient);
  on_click(c.choose_template, &EditorWindow::choose_template);
  connect(c.remove_day, &QPushButton::clicked, this, [this] { c.daty->remove_selected(); });
  connect(c.remove_recipient, &QPushButton::clicked, this, [this] { c.adresaci->remove_selected(); });

  for (QCheckBox* box : c.weekdays)
    connect(box, &QCheckBox::clicked, this, [this] { weekday_box_clicked(); });
  connect(c.dni_raportu, &QLineEdit::textChanged, this, [this] { weekday_text_changed(); });
  // Only the operator's pick moves the extension; reading a definition sets the format quietly.
  connect(c.format_pliku, &QComboBox::activated, this, [this] { handle(&EditorWindow::format_picked); });

  for (QWidget* target : std::initializer_list<QWidget*>{c.zapytanie, c.nazwa_pliku, c.temat_email}) {
    target->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(target, &QWidget::customContextMenuRequested, this,
            [this, target](const QPoint& pos) { show_date_menu(target, pos); });
  }
  c.szablon_raportu->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(c.szablon_raportu, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { c.template_menu->popup(c.szablon_raportu->mapToGlobal(pos)); });
}

void EditorWindow::show_date_menu(QWidget* target, const QPoint& pos) {
  m_menu_target = target;
  c.date_menu->popup(target->mapToGlobal(pos));
}

void EditorWindow::handle(void (EditorWindow::*handler)()) {
  guarded(m_prompts, this, [this, handler] { (this->*handler)(); });
}

}  // namespace orvena::editor
