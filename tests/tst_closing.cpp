#include "testmain.h"

#include "mainwindow/drivelistbox.h"
#include "mainwindow/form1.h"
#include "mainwindow/graphicbutton.h"
#include "mainwindow/textbox.h"
#include "platform/drives.h"
#include "platform/messagebox.h"

#include <QCloseEvent>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <memory>
#include <utility>

namespace {

enum Way {
    CancelButton,
    OkButton,
    CloseCall,
    WindowSystemClose,
    EscapeKey,
    EscapeInPreviewBox,
};

const QString picture = QStringLiteral("D:\\Pictures\\sea.jpg");
const QString icon = QStringLiteral("D:\\drive.ico");

// One message as the user meets it: style, title and prompt, whether the
// window is still up behind it, and what the drive's root holds by then.
QString shown(int style, const QString &title, const QString &prompt, bool windowUp,
              const QStringList &rootEntries)
{
    return QStringLiteral("%1 [%2] %3 | window %4 | root {%5}")
        .arg(style)
        .arg(title, prompt, windowUp ? QStringLiteral("up") : QStringLiteral("gone"),
             rootEntries.join(QLatin1Char(' ')));
}

} // namespace

class TestClosing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void closingPaths_data();
    void closingPaths();
    void closeAskedAgain_data();
    void closeAskedAgain();
    void okAfterFailingApplyKeepsTheWindow();
    void creditsText();
    void creditsInARealMessageBox();

private:
    QStringList rootEntries() const;
    void showActive(Form1 &form);
    void close(Form1 &form, int way);

    QList<platform::Drive> m_originalDrives;
    std::unique_ptr<QTemporaryDir> m_drive;
    Form1 *m_form = nullptr;
    QStringList m_messages;
    std::function<void()> m_duringCredits;
};

void TestClosing::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_originalDrives = platform::drives();
}

void TestClosing::init()
{
    m_drive = std::make_unique<QTemporaryDir>();
    QVERIFY(m_drive->isValid());
    platform::setDrives({ { QLatin1Char('D'), m_drive->path(), QStringLiteral("DATA") } });
    m_form = nullptr;
    m_messages.clear();
    m_duringCredits = nullptr;
    platform::setMessageBoxPresenter(
        [this](const QString &prompt, int style, const QString &title) {
            m_messages.append(
                shown(style, title, prompt, m_form && m_form->isVisible(), rootEntries()));
            // Taken out before it runs: it runs once, and may lead to the credits again.
            if (prompt == Form1::creditsText()) {
                if (const auto during = std::exchange(m_duringCredits, nullptr))
                    during();
            }
            return platform::vbOK;
        });
}

void TestClosing::cleanup()
{
    m_form = nullptr;
    m_duringCredits = nullptr;
    platform::setMessageBoxPresenter({});
    platform::setDrives(m_originalDrives);
    m_drive.reset();
}

QStringList TestClosing::rootEntries() const
{
    return QDir(m_drive->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

void TestClosing::showActive(Form1 &form)
{
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
}

void TestClosing::close(Form1 &form, int way)
{
    switch (way) {
    case CancelButton:
        form.Command5()->click();
        break;
    case OkButton:
        form.Command6()->click();
        break;
    case CloseCall:
        form.close();
        break;
    case WindowSystemClose: {
        // What the window system's close box delivers: a close of the native window.
        QCloseEvent event;
        QApplication::sendEvent(form.windowHandle(), &event);
        break;
    }
    case EscapeKey:
        QTest::keyClick(&form, Qt::Key_Escape);
        break;
    case EscapeInPreviewBox:
        form.Text5()->setFocus();
        QTest::keyClick(form.Text5(), Qt::Key_Escape);
        break;
    }
}

void TestClosing::closingPaths_data()
{
    QTest::addColumn<int>("way");
    QTest::addColumn<QString>("picturePath");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("rootAfter");

    const QString credits = Form1::creditsText();
    const QString success = QStringLiteral("Object Successfully appended to d: [DATA] !");
    const QString refusal = QStringLiteral("Choose a picture first !");
    const QStringList both{ QStringLiteral("Autorun.inf"), QStringLiteral("desktop.ini") };
    const QStringList autorunOnly{ QStringLiteral("Autorun.inf") };

    QTest::newRow("Cancel") << int(CancelButton) << picture
                            << QStringList{ shown(48, {}, credits, true, {}) } << QStringList();
    QTest::newRow("Ok with a picture path")
        << int(OkButton) << picture
        << QStringList{ shown(0, {}, success, true, { QStringLiteral("desktop.ini") }),
                        shown(48, {}, credits, true, both) }
        << both;
    QTest::newRow("Ok with no picture path: refusal, then close")
        << int(OkButton) << QString()
        << QStringList{ shown(16, {}, refusal, true, {}),
                        shown(48, {}, credits, true, autorunOnly) }
        << autorunOnly;
    QTest::newRow("close()") << int(CloseCall) << picture
                             << QStringList{ shown(48, {}, credits, true, {}) } << QStringList();
    QTest::newRow("close box of the window system")
        << int(WindowSystemClose) << picture << QStringList{ shown(48, {}, credits, true, {}) }
        << QStringList();
    QTest::newRow("Escape") << int(EscapeKey) << picture
                            << QStringList{ shown(48, {}, credits, true, {}) } << QStringList();
    QTest::newRow("Escape while typing in the preview box")
        << int(EscapeInPreviewBox) << picture << QStringList{ shown(48, {}, credits, true, {}) }
        << QStringList();
}

// Each way of closing is one unload: the credits once, with the window still
// up, and the window gone after; only Ok applies, and it closes after the
// refusal as after a success.
void TestClosing::closingPaths()
{
    QFETCH(int, way);
    QFETCH(QString, picturePath);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, rootAfter);

    Form1 form;
    m_form = &form;
    form.dR1()->setListIndex(0);
    form.Text1()->setText(picturePath);
    form.Text3()->setText(QStringLiteral("255"));
    form.Text4()->setText(icon);
    showActive(form);

    close(form, way);

    QCOMPARE(m_messages, messages);
    QVERIFY(!form.isVisible());
    QCOMPARE(rootEntries(), rootAfter);
}

void TestClosing::closeAskedAgain_data()
{
    QTest::addColumn<int>("again");
    QTest::addColumn<bool>("whileCreditsShow");

    QTest::newRow("close() while the credits show") << int(CloseCall) << true;
    QTest::newRow("Cancel while the credits show") << int(CancelButton) << true;
    QTest::newRow("close() after the window went") << int(CloseCall) << false;
    QTest::newRow("Cancel after the window went") << int(CancelButton) << false;
    QTest::newRow("window system close after the window went") << int(WindowSystemClose) << false;
}

void TestClosing::closeAskedAgain()
{
    QFETCH(int, again);
    QFETCH(bool, whileCreditsShow);

    Form1 form;
    m_form = &form;
    showActive(form);
    bool stillUpAfterAsking = false;
    if (whileCreditsShow) {
        m_duringCredits = [&] {
            close(form, again);
            stillUpAfterAsking = form.isVisible();
        };
    }

    form.Command5()->click();
    if (!whileCreditsShow)
        close(form, again);

    QCOMPARE(m_messages, QStringList{ shown(48, {}, Form1::creditsText(), true, {}) });
    QCOMPARE(stillUpAfterAsking, whileCreditsShow);
    QVERIFY(!form.isVisible());
}

// A write that fails ends Apply with a run-time error: Ok then neither closes
// nor shows the credits, and the user keeps the window with the choices.
void TestClosing::okAfterFailingApplyKeepsTheWindow()
{
    QVERIFY(QDir(m_drive->path()).mkdir(QStringLiteral("desktop.ini")));
    Form1 form;
    m_form = &form;
    form.dR1()->setListIndex(0);
    form.Text1()->setText(picture);
    form.Text3()->setText(QStringLiteral("255"));
    form.Text4()->setText(icon);
    showActive(form);

    form.Command6()->click();

    QCOMPARE(m_messages.size(), 1);
    const QString prefix = QStringLiteral("16 [] Run-time error '75':\r\r");
    QVERIFY2(m_messages.first().startsWith(prefix), qPrintable(m_messages.first()));
    QVERIFY2(m_messages.first().contains(QStringLiteral("D:\\desktop.ini")),
             qPrintable(m_messages.first()));
    QVERIFY(form.isVisible());
    QCOMPARE(form.Text1()->text(), picture);
    QCOMPARE(form.Text3()->text(), QStringLiteral("255"));
    QCOMPARE(form.Text4()->text(), icon);
    QCOMPARE(form.dR1()->ListIndex(), 0);
    QCOMPARE(rootEntries(), QStringList{ QStringLiteral("desktop.ini") });
    QVERIFY(QFileInfo(m_drive->filePath(QStringLiteral("desktop.ini"))).isDir());

    m_messages.clear();
    form.Command5()->click();
    QCOMPARE(m_messages,
             QStringList{
                 shown(48, {}, Form1::creditsText(), true, { QStringLiteral("desktop.ini") }) });
    QVERIFY(!form.isVisible());
}

void TestClosing::creditsText()
{
    const QString text = Form1::creditsText();
    QCOMPARE(text.count(QChar(13)), 5);
    QVERIFY(!text.contains(QChar(10)));
    for (const QChar c : text)
        QVERIFY2(c == QChar(13) || (c.unicode() >= 32 && c.unicode() < 127), qPrintable(text));

    const QStringList lines = text.split(QChar(13));
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.at(0), QStringLiteral("This Software has Developed and Designed by:"));
    QCOMPARE(lines.at(2), QStringLiteral("Programming and Troubleshooting Expert,"));
    QCOMPARE(lines.at(4), QString());
    QCOMPARE(lines.at(5), QStringLiteral("THANK YOU FOR USING THIS SOFTWARE !"));

    const QString name = lines.at(1);
    QVERIFY2(QRegularExpression(QStringLiteral("\\A[A-Za-z][A-Za-z .'-]*[A-Za-z.],\\z"))
                 .match(name)
                 .hasMatch(),
             qPrintable(name));
    // A number from the range kept for fiction, so that no one is rung.
    const QString phone = lines.at(3);
    QVERIFY2(
        QRegularExpression(QStringLiteral("\\A\\S.*\\b555-01[0-9]{2}\\z")).match(phone).hasMatch(),
        qPrintable(phone));
}

// The one run through the real box: the credits as the user sees them over
// the window, and the window going once the box is closed.
void TestClosing::creditsInARealMessageBox()
{
    platform::setMessageBoxPresenter({});
    Form1 form;
    showActive(form);

    struct Seen
    {
        bool box = false;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        int buttons = 0;
        bool windowUp = false;
    } seen;
    int ticks = 0;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            // Give up rather than hang when no box comes.
            if (++ticks > 250)
                poll.stop();
            return;
        }
        poll.stop();
        seen = { true,
                 box->text(),
                 box->icon(),
                 box->windowTitle(),
                 int(box->buttons().size()),
                 form.isVisible() };
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    poll.start();

    form.Command5()->click();

    QVERIFY(seen.box);
    QCOMPARE(seen.text, Form1::creditsText());
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.title, QStringLiteral("Velvane"));
    QCOMPARE(seen.buttons, 1);
    QVERIFY(seen.windowUp);
    QVERIFY(!form.isVisible());
}

VELVANE_TEST_MAIN(TestClosing)

#include "tst_closing.moc"
