#include "testmain.h"

#include "mainwindow/drivelistbox.h"
#include "mainwindow/form1.h"
#include "mainwindow/graphicbutton.h"
#include "mainwindow/textbox.h"
#include "platform/drives.h"
#include "platform/messagebox.h"

#include <QDir>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

namespace {

// What a click could change in the window or on the drive.
QStringList snapshot(const Form1 &form, const QString &root)
{
    const auto colour = [](const QWidget *w, QPalette::ColorRole role) {
        return w->palette().color(role).name();
    };
    return { form.Text1()->text(),
             form.Text2()->text(),
             form.Text3()->text(),
             form.Text4()->text(),
             form.Text5()->text(),
             colour(form.Text5(), QPalette::Text),
             colour(form.Text5(), QPalette::Base),
             QString::number(form.dR1()->ListIndex()),
             QString::number(form.Image1()->pixmap().cacheKey()),
             form.Label1()->text(),
             form.Label2()->text(),
             form.cM1()->FileName,
             QString::number(form.cM1()->Color),
             form.isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"),
             QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(QLatin1Char(' ')) };
}

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void instructionsText();
    void helpShowsTheSameBoxAndChangesNothing();
};

void TestHelp::instructionsText()
{
    const QString text = Form1::instructionsText();
    QCOMPARE(text.count(QChar(13)), 9);
    QVERIFY(!text.contains(QChar(10)));
    for (const QChar c : text)
        QVERIFY2(c == QChar(13) || (c.unicode() >= 32 && c.unicode() < 127), qPrintable(text));

    const QStringList lines = text.split(QChar(13));
    const QStringList fixed{
        QStringLiteral("Velvane allows you to stylize your desire drive so simply. To do so-"),
        QString(),
        QStringLiteral("1)Choose an image which you want to set as your drive background."),
        QStringLiteral("2)Choose a color to set it as your folder text color."),
        QStringLiteral("3)Choose an Icon if you want to set it as your drive icon."),
        QStringLiteral("4)Select your desire drive."),
        QStringLiteral("5)Simply Click 'Apply' or 'Ok'"),
        QStringLiteral("N.B- PLEASE SELECT YOUR DESIRED DRIVE CAREFULLY BEFORE APPLY."),
        QString(),
    };
    QCOMPARE(lines.size(), fixed.size() + 1);
    QCOMPARE(lines.mid(0, fixed.size()), fixed);

    // The support address is a name kept for examples, so that no one is reached.
    const QString last = lines.last();
    const QString lead = QStringLiteral("For more help or assistance mail to: ");
    QVERIFY2(last.startsWith(lead), qPrintable(last));
    const QString address = last.mid(lead.size());
    const QRegularExpression reserved(
        QStringLiteral("\\A[a-z0-9._-]+@([a-z0-9-]+\\.)*(example\\.(com|net|org)|[a-z0-9-]+\\.("
                       "example|test|invalid))\\z"));
    QVERIFY2(reserved.match(address).hasMatch(), qPrintable(address));
}

// Help reads nothing of the window: whatever has been chosen, every click
// shows the same box, and nothing in the window or on the drive changes.
void TestHelp::helpShowsTheSameBoxAndChangesNothing()
{
    QTemporaryDir drive;
    QVERIFY(drive.isValid());
    const QList<platform::Drive> originalDrives = platform::drives();
    platform::setDrives({ { QLatin1Char('D'), drive.path(), QStringLiteral("DATA") } });
    QStringList messages;
    platform::setMessageBoxPresenter([&](const QString &prompt, int style, const QString &title) {
        messages.append(QStringLiteral("%1 [%2] %3").arg(style).arg(title, prompt));
        return platform::vbOK;
    });
    const auto restore = qScopeGuard([&] {
        platform::setMessageBoxPresenter({});
        platform::setDrives(originalDrives);
    });

    Form1 form;
    form.show();
    const QString box = QStringLiteral("0 [Velvane Instructions] ") + Form1::instructionsText();

    QStringList before = snapshot(form, drive.path());
    form.Command7()->click();
    QCOMPARE(messages, QStringList{ box });
    QCOMPARE(snapshot(form, drive.path()), before);

    form.Text1()->setText(QStringLiteral("D:\\Pictures\\sea.jpg"));
    form.Text3()->setText(QStringLiteral("16711680"));
    form.Text4()->setText(QStringLiteral("D:\\drive.ico"));
    form.dR1()->setListIndex(0);
    before = snapshot(form, drive.path());
    messages.clear();
    form.Command7()->click();
    form.Command7()->click();
    QCOMPARE(messages, (QStringList{ box, box }));
    QCOMPARE(snapshot(form, drive.path()), before);
}

VELVANE_TEST_MAIN(TestHelp)

#include "tst_help.moc"
