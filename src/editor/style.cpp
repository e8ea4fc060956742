#include "editor/style.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace orvena::editor::style {

namespace {

// The font goes into every sheet: a style sheet would otherwise reset it on the controls.
const char* const kFont = "font-family: Tahoma; font-size: 11px; font-weight: bold;";

}  // namespace

QString editor_sheet() {
  return QString(
             "QWidget { %1 }"
             "QWidget#window, QTabWidget::pane, QWidget#page { background-color: rgb(88, 88, 88); }"
             "QLabel, QCheckBox, QGroupBox { color: rgb(236, 236, 236); }"
             "QGroupBox { border: 1px solid rgb(140, 140, 140); margin-top: 8px; padding-top: 4px; }"
             "QGroupBox::title { subcontrol-origin: margin; left: 8px; }"
             "QLineEdit, QPlainTextEdit, QListWidget, QComboBox {"
             " background-color: rgb(68, 68, 68); color: rgb(236, 236, 236);"
             " border: 1px solid rgb(120, 120, 120); }"
             "QComboBox QAbstractItemView { background-color: rgb(68, 68, 68); color: rgb(236, 236, 236);"
             " selection-background-color: rgb(110, 110, 110); }"
             "*[readonly=\"true\"] { background-color: rgb(41, 41, 41); }"
             "QListWidget#names { font-size: 13px; }")
      .arg(kFont);
}

QString workshop_sheet() {
  return QString(
             "QWidget { %1 }"
             "QWidget#window, QTabWidget::pane, QWidget#page { background-color: rgb(88, 88, 88); }"
             "QLabel { color: rgb(236, 236, 236); }"
             "QListWidget, QPlainTextEdit { background-color: rgb(56, 56, 56); color: rgb(192, 192, 192);"
             " border: 1px solid rgb(120, 120, 120); }")
      .arg(kFont);
}

QString preview_sheet() {
  return QString("QWidget { %1 } QTableView { background-color: rgb(214, 214, 214); }").arg(kFont);
}

void mark_read_only(QWidget* control) {
  control->setProperty("readonly", true);
}

QPixmap editor_picture() {
  QPixmap pixmap(128, 128);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 40, 40), 3));
  p.setBrush(Qt::white);
  p.drawRect(22, 14, 84, 100);
  p.setBrush(QColor(170, 60, 50));
  p.drawRect(22, 14, 84, 20);
  p.setPen(QPen(QColor(120, 120, 120), 1));
  p.setBrush(QColor(220, 220, 220));
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 5; ++col) p.drawRect(30 + col * 15, 44 + row * 16, 11, 11);
  p.setBrush(QColor(70, 110, 170));
  p.drawRect(30 + 2 * 15, 44 + 16, 11, 11);
  return pixmap;
}

void centre(QWidget* window, const QWidget* anchor) {
  QRect area;
  if (anchor && anchor->isVisible())
    area = anchor->frameGeometry();
  else if (QScreen* screen = QGuiApplication::primaryScreen())
    area = screen->availableGeometry();
  else
    return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(area.center());
  window->move(frame.topLeft());
}

}  // namespace orvena::editor::style
