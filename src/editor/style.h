#pragma once
// The look the editor windows share: Tahoma 11 px bold on dark grey, and how a window is
// centred over another.
#include <QPixmap>
#include <QString>

class QWidget;

namespace orvena::editor::style {

// Style sheet of the control-file editor: window 88 grey, entry fields 68 with near-white text,
// read-only fields 41.
QString editor_sheet();
// Style sheet of the template workshop: window 88 grey, lists and SQL box 56 with silver text.
QString workshop_sheet();
// Style sheet of the data preview: light grey 214 grid.
QString preview_sheet();

// Marks a control as read-only for the style sheets (the darker fields).
void mark_read_only(QWidget* control);

// The editor's decorative picture, 128 x 128: a sheet with a calendar, drawn rather than shipped.
QPixmap editor_picture();

// Moves `window` so that it is centred over `anchor`, or over the screen without an anchor.
void centre(QWidget* window, const QWidget* anchor);

}  // namespace orvena::editor::style
