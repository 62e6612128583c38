#pragma once

#include <QString>

#include <functional>

// The runtime's message box.
namespace platform {

// The title of every box whose call gives none.
QString applicationTitle(); // "Velvane"

// What a style number asks for; only the styles the program uses are known.
struct MessageBoxStyle
{
    enum Icon { NoIcon, Critical, Question, Exclamation, Information };
    Icon icon = NoIcon; // style & 0x70: 16 critical, 32 question, 48 exclamation, 64 information
    int buttons = 0; // style & 0x7: 0 is OK alone
};
MessageBoxStyle messageBoxStyle(int style);

// The VB number of the OK button, the one button every style here offers.
constexpr int vbOK = 1;

// Shows prompt modally and returns the number of the button pressed. A
// carriage return (13) in prompt starts a new line on screen; an empty title
// shows the application title.
int MsgBox(const QString &prompt, int style = 0, const QString &title = QString());

// Replaces the interactive box (tests record the calls); an empty function
// restores the real one. The presenter receives the title as given.
using MessageBoxPresenter
    = std::function<int(const QString &prompt, int style, const QString &title)>;
void setMessageBoxPresenter(MessageBoxPresenter presenter);

} // namespace platform
