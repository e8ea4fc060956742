#pragma once
// The boxes the editor windows ask and tell through. Tests put their own answers in; a member
// left empty gets the standard Qt box.
#include <QString>
#include <functional>

class QWidget;

namespace orvena::editor {

struct Prompts {
  // A plain message box with an OK button.
  std::function<void(QWidget* parent, const QString& text)> inform;
  // An error that escaped a handler.
  std::function<void(QWidget* parent, const QString& text)> show_error;
  // A question box with Yes and No; true for Yes.
  std::function<bool(QWidget* parent, const QString& title, const QString& text)> confirm;
  // An input box with an empty default; a cancelled box answers "".
  std::function<QString(QWidget* parent, const QString& title, const QString& prompt)> ask_text;
  // The file-open dialog; "" when cancelled. The filter is in Qt's "Name (*.ext)" form.
  std::function<QString(QWidget* parent, const QString& title, const QString& folder, const QString& filter,
                        const QString& default_suffix)>
      choose_file;
  // The save dialog (asking before it overwrites); "" when cancelled.
  std::function<QString(QWidget* parent, const QString& title, const QString& file, const QString& filter,
                        const QString& default_suffix)>
      choose_save_file;
};

// The prompts with every empty member set to the standard box.
Prompts with_standard_boxes(Prompts prompts);

// Runs a handler and shows any error that leaves it: none may cross Qt's event loop.
void guarded(const Prompts& prompts, QWidget* parent, const std::function<void()>& handler);

}  // namespace orvena::editor
