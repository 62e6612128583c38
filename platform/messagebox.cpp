#include "messagebox.h"

#include "dialogowner.h"

#include <QMessageBox>

namespace platform {

namespace {

MessageBoxPresenter &installedPresenter()
{
    static MessageBoxPresenter installed;
    return installed;
}

QMessageBox::Icon qtIcon(MessageBoxStyle::Icon icon)
{
    switch (icon) {
    case MessageBoxStyle::Critical:
        return QMessageBox::Critical;
    case MessageBoxStyle::Question:
        return QMessageBox::Question;
    case MessageBoxStyle::Exclamation:
        return QMessageBox::Warning;
    case MessageBoxStyle::Information:
        return QMessageBox::Information;
    case MessageBoxStyle::NoIcon:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString applicationTitle()
{
    return QStringLiteral("Velvane");
}

// The icon bits 16, 32, 48 and 64 name one icon each; any other value of
// those bits (80, 96, 112) is no icon. The button bits are passed on as they
// are: the program only ever asks for OK alone.
MessageBoxStyle messageBoxStyle(int style)
{
    MessageBoxStyle result;
    switch (style & 0x70) {
    case 16:
        result.icon = MessageBoxStyle::Critical;
        break;
    case 32:
        result.icon = MessageBoxStyle::Question;
        break;
    case 48:
        result.icon = MessageBoxStyle::Exclamation;
        break;
    case 64:
        result.icon = MessageBoxStyle::Information;
        break;
    default:
        break;
    }
    result.buttons = style & 0x7;
    return result;
}

// The installed presenter gets the call as made and its result is returned.
// Otherwise a modal box owned by the main window (or, without one, the active
// window) shows the prompt as plain text ("&" and "<" as typed); QMessageBox
// itself turns each CR into a line break, so the prompt is passed with its CRs. Closing the box by any means counts
// as OK, the one button it has.
int MsgBox(const QString &prompt, int style, const QString &title)
{
    if (installedPresenter())
        return installedPresenter()(prompt, style, title);

    QWidget *owner = dialogOwner();
    QMessageBox box(owner);
    box.setIcon(qtIcon(messageBoxStyle(style).icon));
    box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    box.setTextFormat(Qt::PlainText);
    box.setText(prompt);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    dressDialog(&box, owner);
    box.exec();
    return vbOK;
}

void setMessageBoxPresenter(MessageBoxPresenter presenter)
{
    installedPresenter() = std::move(presenter);
}

} // namespace platform
