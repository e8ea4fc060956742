#pragma once
// One QApplication for every GUI test, on the offscreen platform unless one is chosen.
#include <QApplication>
#include <QDir>
#include <QWidget>
#include <cstdlib>

namespace orvena::test {

inline QApplication& qt_app() {
  static int argc = 1;
  static char name[] = "test_gui";
  static char* argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Never destroyed: tearing Qt down among the process's static destructors crashes it.
  static QApplication* app = new QApplication(argc, argv);
  QApplication::setApplicationName("Zentrivo Orvena");
  return *app;
}

// Saves a picture of the widget when ORVENA_SCREENSHOT_DIR names a folder (scripts/screenshots.sh).
inline void screenshot(QWidget& widget, const char* name) {
  const char* dir = std::getenv("ORVENA_SCREENSHOT_DIR");
  if (!dir) return;
  QDir().mkpath(dir);
  widget.grab().save(QString(dir) + "/" + name + ".png");
}

}  // namespace orvena::test
