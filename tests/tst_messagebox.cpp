#include "platform/messagebox.h"
#include "testmain.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

using namespace platform;

namespace {

// What the real box showed, read while it was on screen.
struct ShownBox
{
    bool found = false;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::AutoText;
    QWidget *parent = nullptr;
    int textHeight = 0; // of the label that shows the prompt
};

// Runs call, which opens a modal box, reads the box from a timer and clicks its
// OK button. Gives up after a few seconds, closing whatever is modal, so a box
// that never appears or never closes fails the test instead of hanging it.
template<typename Call>
ShownBox readAndClickOk(Call call, int *result)
{
    ShownBox shown;
    QTimer poll;
    int waited = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            if (++waited > 500)
                QApplication::closeAllWindows();
            return;
        }
        poll.stop();
        shown.found = true;
        shown.text = box->text();
        shown.icon = box->icon();
        shown.title = box->windowTitle();
        shown.buttons = box->standardButtons();
        shown.format = box->textFormat();
        shown.parent = box->parentWidget();
        for (QLabel *label : box->findChildren<QLabel *>()) {
            if (label->text() == shown.text)
                shown.textHeight = label->sizeHint().height();
        }
        box->button(QMessageBox::Ok)->click();
    });
    poll.start(10);
    *result = call();
    return shown;
}

} // namespace

class TestMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setMessageBoxPresenter({}); }

    void style_data();
    void style();
    void presenterReceivesTheCallAsMade();
    void realBox_data();
    void realBox();
    void carriageReturnStartsALine();
};

void TestMessageBox::style_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::newRow("0 is OK alone without icon") << 0 << int(MessageBoxStyle::NoIcon) << 0;
    QTest::newRow("16 critical") << 16 << int(MessageBoxStyle::Critical) << 0;
    QTest::newRow("32 question") << 32 << int(MessageBoxStyle::Question) << 0;
    QTest::newRow("48 exclamation") << 48 << int(MessageBoxStyle::Exclamation) << 0;
    QTest::newRow("64 information") << 64 << int(MessageBoxStyle::Information) << 0;
    QTest::newRow("icon and buttons bits apart") << 16 + 1 << int(MessageBoxStyle::Critical) << 1;
    QTest::newRow("icon bits with no icon") << 0x70 << int(MessageBoxStyle::NoIcon) << 0;
    QTest::newRow("bits above the icon ignored")
        << 0x1000 + 48 << int(MessageBoxStyle::Exclamation) << 0;
}

void TestMessageBox::style()
{
    QFETCH(int, style);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    const MessageBoxStyle result = messageBoxStyle(style);
    QCOMPARE(int(result.icon), icon);
    QCOMPARE(result.buttons, buttons);
}

void TestMessageBox::presenterReceivesTheCallAsMade()
{
    QStringList calls;
    setMessageBoxPresenter([&calls](const QString &prompt, int style, const QString &title) {
        calls << QStringLiteral("%1|%2|%3").arg(prompt).arg(style).arg(title);
        return 7;
    });
    QCOMPARE(MsgBox(QStringLiteral("one\rtwo"), 48), 7);
    QCOMPARE(MsgBox(QStringLiteral("x"), 0, QStringLiteral("Own title")), 7);
    QCOMPARE(calls,
             QStringList({ QStringLiteral("one\rtwo|48|"), QStringLiteral("x|0|Own title") }));
}

void TestMessageBox::realBox_data()
{
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("shownTitle");
    QTest::newRow("no title gives the application title")
        << QStringLiteral("Choose a picture first !") << 16 << QString()
        << int(QMessageBox::Critical) << QStringLiteral("Velvane");
    QTest::newRow("own title, exclamation, carriage returns kept")
        << QStringLiteral("one\rtwo\r\rthree") << 48 << QStringLiteral("Credits")
        << int(QMessageBox::Warning) << QStringLiteral("Credits");
    QTest::newRow("markup and ampersands as typed")
        << QStringLiteral("<b>Tom & Jerry</b>") << 0 << QStringLiteral("Velvane Instructions")
        << int(QMessageBox::NoIcon) << QStringLiteral("Velvane Instructions");
}

void TestMessageBox::realBox()
{
    QFETCH(QString, prompt);
    QFETCH(int, style);
    QFETCH(QString, title);
    QFETCH(int, icon);
    QFETCH(QString, shownTitle);

    QWidget window;
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    int result = 0;
    const ShownBox shown = readAndClickOk([&] { return MsgBox(prompt, style, title); }, &result);
    QVERIFY(shown.found);
    QCOMPARE(result, vbOK);
    QCOMPARE(shown.text, prompt);
    QCOMPARE(int(shown.icon), icon);
    QCOMPARE(shown.title, shownTitle);
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(shown.format, Qt::PlainText);
    QCOMPARE(shown.parent, &window);
}

// The prompt keeps its carriage returns, and the box lays each out as a line
// break: two lines are as high as two lines split by a line feed.
void TestMessageBox::carriageReturnStartsALine()
{
    int result = 0;
    const ShownBox one = readAndClickOk([] { return MsgBox(QStringLiteral("one")); }, &result);
    const ShownBox byReturn
        = readAndClickOk([] { return MsgBox(QStringLiteral("one\rtwo")); }, &result);
    const ShownBox byFeed
        = readAndClickOk([] { return MsgBox(QStringLiteral("one\ntwo")); }, &result);
    QVERIFY(one.found && byReturn.found && byFeed.found);
    QCOMPARE(byReturn.text, QStringLiteral("one\rtwo"));
    QVERIFY(one.textHeight > 0);
    QCOMPARE(byReturn.textHeight, byFeed.textHeight);
    QVERIFY(byReturn.textHeight > one.textHeight);
}

VELVANE_TEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
