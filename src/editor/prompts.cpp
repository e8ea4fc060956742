#include "editor/prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <exception>

namespace orvena::editor {

namespace {

// Message texts carry CR as their line break; a label wants LF.
QString for_display(QString text) {
  return text.replace("\r\n", "\n").replace('\r', '\n');
}

}  // namespace

Prompts with_standard_boxes(Prompts p) {
  if (!p.inform)
    p.inform = [](QWidget* parent, const QString& text) {
      QMessageBox::information(parent, QApplication::applicationName(), for_display(text));
    };
  if (!p.show_error)
    p.show_error = [](QWidget* parent, const QString& text) {
      QMessageBox::critical(parent, QApplication::applicationName(), for_display(text));
    };
  if (!p.confirm)
    p.confirm = [](QWidget* parent, const QString& title, const QString& text) {
      return QMessageBox::question(parent, title, for_display(text), QMessageBox::Yes | QMessageBox::No,
                                   QMessageBox::No) == QMessageBox::Yes;
    };
  if (!p.ask_text)
    p.ask_text = [](QWidget* parent, const QString& title, const QString& prompt) {
      bool ok = false;
      QString answer = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, QString(), &ok);
      return ok ? answer : QString();
    };
  if (!p.choose_file)
    p.choose_file = [](QWidget* parent, const QString& title, const QString& folder, const QString& filter,
                       const QString& default_suffix) {
      QFileDialog dialog(parent, title, folder, filter);
      dialog.setFileMode(QFileDialog::ExistingFile);
      dialog.setDefaultSuffix(default_suffix);
      if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
      return dialog.selectedFiles().front();
    };
  if (!p.choose_save_file)
    p.choose_save_file = [](QWidget* parent, const QString& title, const QString& file, const QString& filter,
                            const QString& default_suffix) {
      QFileDialog dialog(parent, title, file, filter);
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setDefaultSuffix(default_suffix);
      if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
      return dialog.selectedFiles().front();
    };
  return p;
}

void guarded(const Prompts& prompts, QWidget* parent, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    prompts.show_error(parent, QString::fromStdString(e.what()));
  }
}

}  // namespace orvena::editor
