#include "dialogowner.h"

#include "framecentring.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace platform {

namespace {

QPointer<QWidget> &mainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

} // namespace

void setMainWindow(QWidget *window)
{
    mainWindow() = window;
}

QWidget *dialogOwner()
{
    if (mainWindow())
        return mainWindow();
    return QApplication::activeWindow();
}

void dressDialog(QWidget *dialog, const QWidget *owner)
{
    if (owner)
        dialog->setFont(owner->window()->font());
    for (QPushButton *button : dialog->findChildren<QPushButton *>())
        button->setIcon(QIcon());
    if (!owner)
        return;
    const QWidget *ownerWindow = owner->window();
    FrameCentring::install(
        dialog,
        [ownerWindow] {
            if (const QWindow *handle = ownerWindow->windowHandle(); handle && handle->isVisible())
                return handle->frameGeometry().center();
            return ownerWindow->screen()->availableGeometry().center();
        },
        false);
}

} // namespace platform
