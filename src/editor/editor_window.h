#pragma once
// The control-file editor: lists the definitions of Dane/sterowanie.txt, opens one for change
// or as a copy, starts a new one, deletes one, checks and saves. Every change goes to the file
// at once through the control file's own operations; a control file that exists but could not
// be read is never overwritten, and the window says so.
#include <QWidget>
#include <array>
#include <string>
#include <string_view>

#include "config/control_file.h"
#include "core/datetime.h"
#include "core/paths.h"
#include "editor/prompts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace orvena::editor {

class SortedList;
class WorkshopWindow;

// The typing limit of an entry field, kept as a property of the field.
inline constexpr const char* kLimitProperty = "typing_limit";

class EditorWindow : public QWidget {
  Q_OBJECT

 public:
  // "nowy": saving appends a new definition; "zmiana": saving replaces the one read last.
  enum class Mode { Nowy, Zmiana };

  // The controls by role, for the window's own use, tests and screenshots.
  struct Controls {
    QTabWidget* pages;
    QLabel* load_warning;  // shown while the control file exists but could not be read
    // "Lista szablonów"
    SortedList* names;
    QPushButton* projektuj;
    QPushButton* kopiuj;
    QPushButton* nowy;
    QPushButton* usun;
    // "Konfiguracja szablonu raportu"
    QLineEdit* raport;
    QLineEdit* dni_raportu;
    std::array<QCheckBox*, 7> weekdays;
    QPlainTextEdit* zapytanie;
    SortedList* daty;
    QComboBox* month;
    QComboBox* day;
    QPushButton* add_day;
    QPushButton* remove_day;
    QLineEdit* nazwa_pliku;
    QComboBox* format_pliku;
    QLineEdit* szablon_raportu;
    QPushButton* choose_template;
    QComboBox* wyslij_na;
    QLineEdit* adres_ftp;
    QLineEdit* folder_ftp;
    QLineEdit* user_ftp;
    QLineEdit* pass_ftp;
    QLineEdit* temat_email;
    QComboBox* wyslij_jesli_pusty;
    SortedList* adresaci;
    QPushButton* add_recipient;
    QPushButton* remove_recipient;
    QPushButton* to_workshop;
    QPushButton* zapisz;
    QMenu* date_menu;      // on zapytanie, nazwa_pliku and temat_email
    QMenu* template_menu;  // on szablon_raportu
  };

  EditorWindow(const core::Home& home, const core::Clock& clock, WorkshopWindow& workshop,
               Prompts prompts = {});
  ~EditorWindow() override;

  // The editor is centred on the main window when it shows.
  void set_anchor(const QWidget* main_window) { m_anchor = main_window; }

  // The main window's "sterowanie": show the window, compact and list the control file, bring
  // the list to the front, empty the fields and set the mode to "nowy". A file that cannot be
  // read is shown in an error box and leaves the list and fields as they were.
  void Uruchom_sterowanie();

  const Controls& controls() const { return c; }
  Mode mode() const { return m_mode; }
  const std::string& name_read_last() const { return m_name_read_last; }
  const config::ControlFile& control_file() const { return m_file; }

 private:
  // editor_window.cpp: the controls and their wiring.
  void build();
  QWidget* build_list_page();
  QWidget* build_definition_page();
  void wire();
  void show_date_menu(QWidget* target, const QPoint& pos);

  // editor_actions.cpp: the handlers.
  void refresh();
  void projektuj_szablon();
  void kopiuj_szablon();
  void nowy_szablon();
  void usun_szablon();
  void zapisz_szablon();
  void hand_over_to_workshop();
  void empty_fields();
  bool read_into_controls();  // false without a selection
  config::SzablonRaportu from_controls() const;
  void to_controls(const config::SzablonRaportu& s);
  bool Sprawdz_Poprawnosc_Szablonu();
  void weekday_box_clicked();
  void weekday_text_changed();
  void add_month_day();
  void add_recipient();
  void choose_template();
  void format_picked();
  void insert_date_variable(std::string_view variable);
  void handle(void (EditorWindow::*handler)());

  core::Home m_home;
  const core::Clock& m_clock;
  WorkshopWindow& m_workshop;
  Prompts m_prompts;
  config::ControlFile m_file;
  Mode m_mode = Mode::Nowy;
  std::string m_name_read_last;
  const QWidget* m_anchor = nullptr;
  QWidget* m_menu_target = nullptr;  // the control the date-variable menu was opened on
  bool m_mirroring = false;          // the weekday boxes and text are updating each other
  Controls c{};
};

}  // namespace orvena::editor
