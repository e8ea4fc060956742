#pragma once
// The editor and workshop windows on a real control file in a throwaway home folder, with the
// message boxes, input box and file dialog answered by the test.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <deque>
#include <memory>

#include "config/control_file.h"
#include "core/line_file.h"
#include "db/database.h"
#include "editor/editor_window.h"
#include "editor/sorted_list.h"
#include "editor/sql_box.h"
#include "editor/workshop_window.h"
#include "gui/qt_app.h"
#include "runner/sql_buffer.h"
#include "support/test_home.h"

namespace orvena::editor {

class EditorFixture : public ::testing::Test {
 protected:
  EditorFixture() {
    test::qt_app();
    connection.set_target(db::SqliteTarget{home.db_file()});
  }

  Prompts prompts() {
    Prompts p;
    p.inform = [this](QWidget*, const QString& text) { informed << text; };
    p.show_error = [this](QWidget*, const QString& text) { errors << text; };
    p.confirm = [this](QWidget*, const QString& title, const QString& text) {
      confirmations.push_back({title, text});
      return answer_yes;
    };
    p.ask_text = [this](QWidget*, const QString& title, const QString& prompt) {
      asked.push_back({title, prompt});
      if (answers.empty()) return QString();
      QString a = answers.front();
      answers.pop_front();
      return a;
    };
    p.choose_file = [this](QWidget*, const QString& title, const QString& folder, const QString& filter,
                           const QString& suffix) {
      file_dialog = {title, folder, filter, suffix};
      return chosen_file;
    };
    p.choose_save_file = [this](QWidget*, const QString& title, const QString& file, const QString& filter,
                                const QString& suffix) {
      save_dialog = {title, file, filter, suffix};
      return save_as;
    };
    return p;
  }

  WorkshopWindow& workshop() {
    if (!m_workshop) m_workshop = std::make_unique<WorkshopWindow>(home.home(), sql, dataset, prompts());
    return *m_workshop;
  }

  // The main window's "sterowanie".
  EditorWindow& open_editor() {
    if (!m_editor) m_editor = std::make_unique<EditorWindow>(home.home(), clock, workshop(), prompts());
    m_editor->Uruchom_sterowanie();
    return *m_editor;
  }

  const EditorWindow::Controls& ui() { return m_editor->controls(); }

  std::vector<std::string> file_lines() const { return core::read_lines(home.home().control_file()); }
  std::vector<std::string> file_names() const { return config::block_names(file_lines()); }
  config::SzablonRaportu file_definition(const std::string& name) const {
    config::SzablonRaportu s;
    EXPECT_GE(config::read_block(file_lines(), name, s), 1) << name;
    return s;
  }

  static std::vector<std::string> shown(const QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
    return out;
  }

  // A click where the operator can reach the button: it must be on screen.
  static void click(QPushButton* button) {
    ASSERT_TRUE(button->isVisible()) << button->text().toStdString();
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
  }

  // The operator picks an entry of a drop-down list.
  static void pick(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
  }

  void select_name(const QString& name) {
    auto found = ui().names->findItems(name, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << name.toStdString();
    ui().names->setCurrentItem(found.front());
  }

  test::TestHome home;
  core::FixedClock clock{core::encode_date(2026, 12, 10) + core::encode_time(9, 30, 0)};
  db::Connection connection;
  db::Query dataset{connection};
  runner::SqlBuffer sql;

  QStringList informed, errors;
  std::vector<std::pair<QString, QString>> confirmations;
  bool answer_yes = true;
  std::deque<QString> answers;
  std::vector<std::pair<QString, QString>> asked;
  QString chosen_file;
  QStringList file_dialog;
  QString save_as;  // the save dialog's answer; "" is a cancelled dialog
  QStringList save_dialog;

 private:
  std::unique_ptr<WorkshopWindow> m_workshop;
  std::unique_ptr<EditorWindow> m_editor;
};

}  // namespace orvena::editor
