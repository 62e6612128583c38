#pragma once

class QWidget;

// Who owns the message boxes and the common dialogs, and how they look.
namespace platform {

// The program's main window: while it exists it owns every box and dialog, so
// that each stays over it, centred on it, with its icon, even when it is not
// the active window (as just after another modal window closed).
void setMainWindow(QWidget *window);

// The main window while it exists, else the active window, else none.
QWidget *dialogOwner();

// Gives a box or dialog its owner's face, as the window's own controls have
// it, and push buttons with text alone, as a classic desktop draws them, and
// centres it with its frame on its owner's frame. Call it once the dialog's
// buttons exist, before it shows.
void dressDialog(QWidget *dialog, const QWidget *owner);

} // namespace platform
