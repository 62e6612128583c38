#include "mainwindow/form1.h"
#include "platform/runtime.h"
#include "profile/module1.h"

#include <QApplication>

// The start routine: creates the start-up form from its design values, raises
// its Load, shows it and runs the event loop until the form is unloaded.
int main(int argc, char *argv[])
{
    platform::startRuntime();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velvane"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));

    Module1::setOwnerSource(
        [] { return platform::WindowHandle(Form1::defaultInstance()->winId()); });

    Form1 form;
    form.Form_Load();
    form.show();
    return app.exec();
}
