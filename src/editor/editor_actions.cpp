// The editor's handlers: refresh, open for change or as a copy, new, delete, check and save,
// and the helpers of the definition page (weekday mirror, month-days, recipients, template
// chooser, extension rule, date variables, hand-over to the workshop).
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <algorithm>
#include <filesystem>

#include "core/text.h"
#include "editor/editor_rules.h"
#include "editor/editor_window.h"
#include "editor/sorted_list.h"
#include "editor/style.h"
#include "editor/workshop_window.h"
#include "runner/date_variables.h"
#include "runner/day_rules.h"

namespace orvena::editor {

namespace {

constexpr int kListPage = 0;
constexpr int kDefinitionPage = 1;

std::string text_of(const QLineEdit* edit) {
  return edit->text().toStdString();
}

std::string choice_of(const QComboBox* combo) {
  return combo->currentIndex() < 0 ? std::string() : combo->currentText().toStdString();
}

// A value that is not one of the list's entries leaves the list without a choice.
void choose(QComboBox* combo, const std::string& value) {
  combo->setCurrentIndex(combo->findText(QString::fromStdString(value)));
}

// The limit holds for typing only: a longer hand-written value is shown, and so saved, whole.
void set_text(QLineEdit* edit, const std::string& value) {
  const QString text = QString::fromStdString(value);
  edit->setMaxLength(std::max(edit->property(kLimitProperty).toInt(), static_cast<int>(text.size())));
  edit->setText(text);
}

}  // namespace

void EditorWindow::Uruchom_sterowanie() {
  const bool first = !isVisible();
  show();
  if (first) style::centre(this, m_anchor);
  raise();
  activateWindow();
  handle(&EditorWindow::refresh);
}

void EditorWindow::refresh() {
  std::vector<std::string> names;
  try {
    names = m_file.Uruchom_sterowanie();
  } catch (...) {
    // A file that exists but could not be read must not be replaced by a save; say so for as
    // long as it lasts. A missing file is created by the first save.
    std::error_code ec;
    c.load_warning->setVisible(std::filesystem::exists(m_file.path(), ec) || ec);
    throw;
  }
  c.load_warning->setVisible(false);
  c.names->set_entries(names);
  c.pages->setCurrentIndex(kListPage);
  empty_fields();
  m_mode = Mode::Nowy;
}

void EditorWindow::empty_fields() {
  for (QLineEdit* edit : {c.raport, c.nazwa_pliku, c.szablon_raportu, c.adres_ftp, c.folder_ftp, c.user_ftp,
                          c.pass_ftp, c.temat_email}) {
    edit->clear();
    edit->setMaxLength(edit->property(kLimitProperty).toInt());
  }
  c.zapytanie->clear();
  c.adresaci->clear();
  c.daty->clear();
  set_text(c.dni_raportu, std::string(config::control::kNoWeekdays));
  c.format_pliku->setCurrentIndex(-1);
  c.wyslij_na->setCurrentIndex(-1);
}

config::SzablonRaportu EditorWindow::from_controls() const {
  config::SzablonRaportu s;
  s.raport = text_of(c.raport);
  s.dni_raportu = text_of(c.dni_raportu);
  s.daty = c.daty->entries();
  s.zapytanie = memo_lines(c.zapytanie->toPlainText().toStdString());
  s.wyslij_jesli_pusty = choice_of(c.wyslij_jesli_pusty);
  s.nazwa_pliku = text_of(c.nazwa_pliku);
  s.szablon_raportu = text_of(c.szablon_raportu);
  s.format_pliku = choice_of(c.format_pliku);
  s.wyslij_na = choice_of(c.wyslij_na);
  s.adres_ftp = text_of(c.adres_ftp);
  s.folder_ftp = text_of(c.folder_ftp);
  s.user_ftp = text_of(c.user_ftp);
  s.pass_ftp = text_of(c.pass_ftp);
  s.temat_email = text_of(c.temat_email);
  s.adresaci = c.adresaci->entries();
  return s;
}

void EditorWindow::to_controls(const config::SzablonRaportu& s) {
  set_text(c.raport, s.raport);
  set_text(c.dni_raportu, s.dni_raportu);  // sets the weekday boxes
  c.daty->set_entries(s.daty);
  QStringList sql;
  for (const auto& line : s.zapytanie) sql << QString::fromStdString(line);
  c.zapytanie->setPlainText(sql.join('\n'));
  choose(c.wyslij_jesli_pusty, s.wyslij_jesli_pusty);
  set_text(c.nazwa_pliku, s.nazwa_pliku);
  set_text(c.szablon_raportu, s.szablon_raportu);
  choose(c.format_pliku, s.format_pliku);
  choose(c.wyslij_na, s.wyslij_na);
  set_text(c.adres_ftp, s.adres_ftp);
  set_text(c.folder_ftp, s.folder_ftp);
  set_text(c.user_ftp, s.user_ftp);
  set_text(c.pass_ftp, s.pass_ftp);
  set_text(c.temat_email, s.temat_email);
  c.adresaci->set_entries(s.adresaci);
}

bool EditorWindow::read_into_controls() {
  const auto name = c.names->selected();
  if (!name) return false;
  // Keys the block lacks leave their controls as they were, so the reader starts from them.
  config::SzablonRaportu s = from_controls();
  s.wyslij_jesli_pusty = "tak";
  m_file.Wczytaj_szablon(name->toStdString(), s);
  to_controls(s);
  c.pages->setCurrentIndex(kDefinitionPage);
  return true;
}

void EditorWindow::projektuj_szablon() {
  const auto name = c.names->selected();
  if (!read_into_controls()) return;
  m_name_read_last = name->toStdString();
  m_mode = Mode::Zmiana;
}

void EditorWindow::kopiuj_szablon() {
  if (!read_into_controls()) return;
  set_text(c.raport, text_of(c.raport) + " - Kopia");
  m_mode = Mode::Nowy;
}

void EditorWindow::nowy_szablon() {
  c.pages->setCurrentIndex(kDefinitionPage);
  empty_fields();
  choose(c.wyslij_jesli_pusty, "tak");
  m_mode = Mode::Nowy;
}

void EditorWindow::usun_szablon() {
  const auto name = c.names->selected();
  if (!name) return;
  if (!m_prompts.confirm(
          this, "Usuwanie szablonu z pliku sterującego",
          "Czy na pewno chcesz usunąć szablon z pliku sterującego?\rZmiana będzie nieodwracalna!"))
    return;
  m_file.Usun_szablon(name->toStdString());
  nowy_szablon();
  refresh();
}

bool EditorWindow::Sprawdz_Poprawnosc_Szablonu() {
  const std::string message = editor::Sprawdz_Poprawnosc_Szablonu(from_controls());
  if (message.empty()) return true;
  m_prompts.inform(this, QString::fromStdString(message));
  return false;
}

void EditorWindow::zapisz_szablon() {
  if (!Sprawdz_Poprawnosc_Szablonu()) return;
  // The control file refuses to save when it exists but was never read, so a failed load
  // cannot wipe it; the refusal reaches the operator in the error box and the form is kept.
  // A change deletes the old block and appends the new one in a single write.
  if (m_mode == Mode::Zmiana)
    m_file.Zmien_szablon(m_name_read_last, from_controls());
  else
    m_file.Zapisz_nowy_szablon(from_controls());
  nowy_szablon();
  refresh();
}

void EditorWindow::hand_over_to_workshop() {
  std::vector<std::string> lines;
  for (const auto& line : memo_lines(c.zapytanie->toPlainText().toStdString()))
    lines.push_back(runner::Wstaw_daty(line, m_clock));
  m_workshop.show_with_sql(lines);
}

void EditorWindow::weekday_box_clicked() {
  std::array<bool, 7> ticked{};
  for (size_t k = 0; k < ticked.size(); ++k) ticked[k] = c.weekdays[k]->isChecked();
  const QString text = QString::fromStdString(runner::weekday_text(ticked));
  if (text == c.dni_raportu->text()) return;
  m_mirroring = true;
  c.dni_raportu->setText(text);
  m_mirroring = false;
}

void EditorWindow::weekday_text_changed() {
  if (m_mirroring) return;
  const std::string text = text_of(c.dni_raportu);
  if (text.empty()) return;
  const auto boxes = runner::weekday_boxes(text);
  for (size_t k = 0; k < boxes.size(); ++k) c.weekdays[k]->setChecked(boxes[k]);
  // Setting the boxes rebuilds the text, so it always ends as seven flags.
  weekday_box_clicked();
}

void EditorWindow::add_month_day() {
  const QString entry = c.month->currentText() + "-" + c.day->currentText();
  if (!c.daty->contains(entry)) c.daty->add(entry);
}

void EditorWindow::add_recipient() {
  const QString answer =
      m_prompts.ask_text(this, "Dodawanie adresu e-mail do odbioru raportu", "Podaj adres e-mail:");
  const std::string address = core::trim(answer.toStdString());
  if (!address.empty()) c.adresaci->add(QString::fromStdString(address));
}

void EditorWindow::choose_template() {
  const QString picked = m_prompts.choose_file(this, "Wybierz plik szablonu raportu",
                                               QString::fromStdString(m_home.templates().string()),
                                               "Pliki szablonów raportów (ORP) (*.orp)", "orp");
  // Only the name is kept: the runner looks for templates in Dane/Szablony whatever folder
  // the file was picked from.
  if (!picked.isEmpty()) c.szablon_raportu->setText(QFileInfo(picked).fileName());
}

void EditorWindow::format_picked() {
  const std::string format = choice_of(c.format_pliku);
  if (format.empty()) return;
  set_text(c.nazwa_pliku, file_name_for_format(text_of(c.nazwa_pliku), format));
}

void EditorWindow::insert_date_variable(std::string_view variable) {
  const QString text = QString::fromUtf8(variable.data(), static_cast<int>(variable.size()));
  QApplication::clipboard()->setText(text);
  if (auto* edit = qobject_cast<QLineEdit*>(m_menu_target))
    edit->insert(text);
  else if (auto* memo = qobject_cast<QPlainTextEdit*>(m_menu_target))
    memo->insertPlainText(text);
}

}  // namespace orvena::editor
