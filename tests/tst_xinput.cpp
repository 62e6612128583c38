// The window under a real X server and window manager, driven by the keys and
// clicks a user makes.
#include "mainwindow/drivelistbox.h"
#include "mainwindow/form1.h"
#include "mainwindow/graphicbutton.h"
#include "mainwindow/textbox.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "testmain.h"
#include "xsession.h"

#include <QAbstractItemView>
#include <QMenu>
#include <QScreen>
#include <QStyleHints>

#include <memory>

namespace {

enum class Opened { Nothing, NothingOnTheList, ListByKeys, ListByMouse, ContextMenu };

QPoint centreOf(const QWidget *widget)
{
    return widget->mapToGlobal(widget->rect().center());
}

} // namespace

class TestXInput : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void escape_data();
    void escape();
    void keysOnTheFocus_data();
    void keysOnTheFocus();
    void labelClicks_data();
    void labelClicks();
    void framedWindowCentredOnTheWorkArea();

private:
    QWidget *control(const QString &name) const { return m_form->findChild<QWidget *>(name); }

    std::unique_ptr<Form1> m_form;
    QStringList m_boxes; // each prompt shown, in order
    QByteArrayList m_opened; // each address the shell was asked to open
};

void TestXInput::init()
{
    QVERIFY(XSession::instance());
    m_boxes.clear();
    m_opened.clear();
    platform::setMessageBoxPresenter([this](const QString &prompt, int, const QString &) {
        m_boxes << prompt;
        return platform::vbOK;
    });
    platform::setShellExecutor([this](platform::WindowHandle, const char *, const char *file,
                                      const char *, const char *, int) {
        m_opened << QByteArray(file);
        return std::intptr_t(42);
    });
    m_form = std::make_unique<Form1>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QVERIFY(XSession::instance()->waitUntilPlaced(m_form.get()));
}

void TestXInput::cleanup()
{
    m_form.reset();
    platform::setMessageBoxPresenter({});
    platform::setShellExecutor({});
}

void TestXInput::escape_data()
{
    QTest::addColumn<int>("opened");
    QTest::newRow("nothing open: Cancel") << int(Opened::Nothing);
    QTest::newRow("nothing open, on the closed drive list: Cancel")
        << int(Opened::NothingOnTheList);
    QTest::newRow("drive list dropped by Alt+Down") << int(Opened::ListByKeys);
    QTest::newRow("drive list dropped by a click") << int(Opened::ListByMouse);
    QTest::newRow("a text box's context menu") << int(Opened::ContextMenu);
}

// Escape closes what is open and nothing more; the next Escape, with nothing
// open, is Cancel: the credits, and the window goes.
void TestXInput::escape()
{
    QFETCH(int, opened);
    XSession &x = *XSession::instance();
    const auto popupOpen = [] { return QApplication::activePopupWidget() != nullptr; };

    switch (Opened(opened)) {
    case Opened::Nothing:
        break;
    case Opened::NothingOnTheList:
        m_form->dR1()->setFocus();
        QTRY_VERIFY(m_form->dR1()->hasFocus());
        break;
    case Opened::ListByKeys:
        m_form->dR1()->setFocus();
        QTRY_VERIFY(m_form->dR1()->hasFocus());
        x.tap("Down", { "Alt_L" });
        QTRY_VERIFY(m_form->dR1()->view()->isVisible());
        break;
    case Opened::ListByMouse:
        x.click(centreOf(m_form->dR1()));
        QTRY_VERIFY(m_form->dR1()->view()->isVisible());
        break;
    case Opened::ContextMenu:
        x.click(centreOf(m_form->Text5()), 3);
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        break;
    }

    if (Opened(opened) > Opened::NothingOnTheList) {
        x.tap("Escape");
        QTRY_VERIFY(!popupOpen());
        QTest::qWait(200);
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(QLatin1Char('|'))));
        QVERIFY(m_form->isVisible());
        QTRY_VERIFY(m_form->isActiveWindow());
    }

    x.tap("Escape");
    QTRY_VERIFY(!m_form->isVisible());
    QCOMPARE(m_boxes, QStringList{ Form1::creditsText() });
}

void TestXInput::keysOnTheFocus_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QStringList>("boxes");
    const QStringList help{ Form1::instructionsText() };
    QTest::newRow("Return on Help") << "Command7" << QByteArray("Return") << help;
    QTest::newRow("keypad Enter on Help") << "Command7" << QByteArray("KP_Enter") << help;
    QTest::newRow("Space on Help") << "Command7" << QByteArray("space") << help;
    QTest::newRow("Return on Apply without a picture")
        << "Command2" << QByteArray("Return") << QStringList{ "Choose a picture first !" };
    QTest::newRow("Return on Cancel")
        << "Command5" << QByteArray("Return") << QStringList{ Form1::creditsText() };
    QTest::newRow("Return in the preview box") << "Text5" << QByteArray("Return") << QStringList();
    QTest::newRow("keypad Enter in the preview box")
        << "Text5" << QByteArray("KP_Enter") << QStringList();
}

// The focused command button takes Return and keypad Enter as it takes Space;
// in a text box they do nothing.
void TestXInput::keysOnTheFocus()
{
    QFETCH(QString, focus);
    QFETCH(QByteArray, key);
    QFETCH(QStringList, boxes);
    QWidget *target = control(focus);
    QVERIFY(target);
    auto *box = qobject_cast<TextBox *>(target);
    const QString text = box ? box->text() : QString();
    target->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(target->hasFocus());

    XSession::instance()->tap(key.constData());
    if (boxes.isEmpty())
        QTest::qWait(300);
    QTRY_COMPARE(m_boxes, boxes);
    QTest::qWait(100);
    QCOMPARE(m_boxes, boxes);
    if (box)
        QCOMPARE(box->text(), text);
}

void TestXInput::labelClicks_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<bool>("releaseElsewhere");
    QTest::addColumn<int>("opens");
    QTest::newRow("Label1 click") << "Label1" << 1 << false << 1;
    QTest::newRow("Label1 double-click") << "Label1" << 2 << false << 1;
    QTest::newRow("Label1 pressed, released elsewhere") << "Label1" << 1 << true << 0;
    QTest::newRow("Label2 click") << "Label2" << 1 << false << 1;
    QTest::newRow("Label2 double-click") << "Label2" << 2 << false << 1;
    QTest::newRow("Label2 pressed, released elsewhere") << "Label2" << 1 << true << 0;
}

// A double-click on a link opens it once: its second click is a double-click,
// which the labels do not handle. A press released off the label opens nothing.
void TestXInput::labelClicks()
{
    QFETCH(QString, label);
    QFETCH(int, clicks);
    QFETCH(bool, releaseElsewhere);
    QFETCH(int, opens);
    XSession &x = *XSession::instance();
    QWidget *target = control(label);
    QVERIFY(target);

    // Far enough from any earlier click that none of these pairs with it.
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 100);
    x.moveTo(centreOf(target));
    for (int i = 0; i < clicks; ++i) {
        x.buttonDown();
        if (releaseElsewhere)
            x.moveTo(centreOf(m_form->Image1()));
        x.buttonUp();
    }
    if (opens)
        QTRY_COMPARE(m_opened.size(), opens);
    QTest::qWait(300);
    QCOMPARE(m_opened.size(), opens);
    const QByteArray expected
        = label == QLatin1String("Label1") ? QByteArray("http") : QByteArray("mailto:");
    for (const QByteArray &address : std::as_const(m_opened))
        QVERIFY2(address.startsWith(expected), address.constData());
    QVERIFY(m_boxes.isEmpty());
}

// The window with its frame, as the window manager placed it, has its centre
// on the centre of the screen less the strip kept along its top.
void TestXInput::framedWindowCentredOnTheWorkArea()
{
    XSession &x = *XSession::instance();
    const QRect available = m_form->screen()->availableGeometry();
    QCOMPARE(available, XSession::screenRect.adjusted(0, XSession::reservedTop, 0, 0));
    QRect frame;
    // The window manager frames and places the window a moment after it maps.
    const auto centred = [&] {
        frame = x.frameOf(m_form->winId());
        const QPoint off = frame.center() - available.center();
        return frame.height() > m_form->height() && qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(centred(),
                              qPrintable(QStringLiteral("frame %1,%2 %3x%4 in %5,%6 %7x%8")
                                             .arg(frame.x())
                                             .arg(frame.y())
                                             .arg(frame.width())
                                             .arg(frame.height())
                                             .arg(available.x())
                                             .arg(available.y())
                                             .arg(available.width())
                                             .arg(available.height())),
                              5000);
    QTest::qWait(300);
    QVERIFY(centred());
}

VELVANE_XSESSION_TEST_MAIN(TestXInput)
#include "tst_xinput.moc"
