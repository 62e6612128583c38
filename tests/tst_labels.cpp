// Moves and clicks go through the window system's path, so that each reaches
// the control under the pointer as a user's would.
#define QTEST_QPA_MOUSE_HANDLING

#include "mainwindow/form1.h"
#include "platform/drives.h"
#include "platform/messagebox.h"
#include "platform/runtimeerror.h"
#include "platform/shell.h"
#include "profile/module1.h"
#include "testmain.h"

#include <QMouseEvent>
#include <QPoint>
#include <QUrl>

#include <memory>

namespace {

struct ShellCall
{
    platform::WindowHandle owner;
    QByteArray verb, file, parameters, directory;
    int showCommand;
};

// What a label shows: caption, size, colour.
struct Look
{
    QString caption;
    qreal points;
    QColor colour;
};

const QString designCaption = QStringLiteral("Velvane By Orvik ");
const QString restCaption = QStringLiteral("Velvane By Orvik");
const QString linkCaption = QStringLiteral("Visit : velvane.example.org");
const QString label2Caption = QStringLiteral("Email: orvik@velvane.example.org");
const QColor titleBlue(0, 0, 255);
const QColor magenta(255, 0, 255);
const QColor paleBlue(192, 192, 255);

Look lookOf(QLabel *label)
{
    return { label->text(), label->font().pointSizeF(),
             label->palette().color(QPalette::WindowText) };
}

QString describe(const Look &look)
{
    return QStringLiteral("\"%1\" %2 pt %3")
        .arg(look.caption)
        .arg(look.points)
        .arg(look.colour.name());
}

// Names kept for examples (RFC 2606), so that no real person is reached.
bool isReservedForExamples(const QString &host)
{
    for (const char *reserved :
         { "example.org", "example.com", "example.net", "example", "test", "invalid" }) {
        const QString name = QString::fromLatin1(reserved);
        if (host == name || host.endsWith(QLatin1Char('.') + name))
            return true;
    }
    return false;
}

} // namespace

class TestLabels : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void designLookUntilTheFirstMove();
    void looksUnderMoves_data();
    void looksUnderMoves();
    void clicksOpenTheLinks_data();
    void clicksOpenTheLinks();
    void clickOnTheDesignLookOpensTheWebAddress();
    void linksUseNamesKeptForExamples();
    void shellOpenPassesTheTargetUnchanged_data();
    void shellOpenPassesTheTargetUnchanged();
    void shellOpenRaisesBeforeCallingTheShell_data();
    void shellOpenRaisesBeforeCallingTheShell();

private:
    void openForm();
    void closeForm();
    QPoint pointOn(const QString &target, int step) const;
    void moveTo(const QString &target, int step, bool held);

    std::unique_ptr<Form1> m_form;
    QList<ShellCall> m_calls;
    QStringList m_messages;
    std::intptr_t m_shellResult = 42;
};

void TestLabels::init()
{
    platform::setDrives({});
    m_calls.clear();
    m_messages.clear();
    m_shellResult = 42;
    platform::setShellExecutor([this](platform::WindowHandle owner, const char *verb,
                                      const char *file, const char *parameters,
                                      const char *directory, int showCommand) {
        m_calls.append({ owner, verb, file, parameters, directory, showCommand });
        return m_shellResult;
    });
    platform::setMessageBoxPresenter([this](const QString &prompt, int style, const QString &) {
        m_messages << QString::number(style) + QLatin1Char(' ') + prompt;
        return platform::vbOK;
    });
    // As the start routine does: the owner is the default instance's window.
    Module1::setOwnerSource(
        [] { return platform::WindowHandle(Form1::defaultInstance()->winId()); });
    openForm();
}

void TestLabels::cleanup()
{
    closeForm();
    Module1::setOwnerSource({});
    platform::setMessageBoxPresenter({});
    platform::setShellExecutor({});
}

// A window fresh from its design values, the default instance, with the
// pointer away from it.
void TestLabels::openForm()
{
    closeForm();
    m_form = std::make_unique<Form1>();
    m_form->show();
    QApplication::setActiveWindow(m_form.get());
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestLabels::closeForm()
{
    if (!m_form)
        return;
    if (QWindow *window = m_form->windowHandle())
        QTest::mouseMove(window, QPoint(-50, -50));
    m_form.reset();
}

// A point inside the target, in the form's coordinates; each step of a row
// moves to another pixel, so that no move repeats the last position.
QPoint TestLabels::pointOn(const QString &target, int step) const
{
    const QPoint jitter(step % 5, step % 3);
    if (target == QLatin1String("bare form"))
        return QPoint(295, 8) + jitter; // right of Label1, above Frame1
    if (target == QLatin1String("background picture"))
        return QPoint(8, 200) + jitter; // left of the frames
    if (target == QLatin1String("hidden Text2"))
        return QPoint(4, 258) + jitter; // Text2 is not visible: bare form
    const QWidget *widget = m_form->findChild<QWidget *>(target);
    Q_ASSERT(widget);
    return widget->mapTo(m_form.get(), widget->rect().center() + jitter);
}

// A held move is made while the left button and Shift are down: no press
// comes first, so it is the only move that can set the look.
void TestLabels::moveTo(const QString &target, int step, bool held)
{
    const QPoint at = pointOn(target, step);
    if (!held) {
        QTest::mouseMove(m_form.get(), at);
        return;
    }
    QWidget *receiver = m_form->childAt(at);
    if (!receiver)
        receiver = m_form.get();
    const QPoint local = receiver->mapFrom(m_form.get(), at);
    QMouseEvent move(QEvent::MouseMove, local, receiver->mapToGlobal(local), Qt::NoButton,
                     Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(receiver, &move);
}

void TestLabels::designLookUntilTheFirstMove()
{
    const Look design = lookOf(m_form->Label1());
    QCOMPARE(design.caption, designCaption);
    QCOMPARE(design.points, 14.25);
    QCOMPARE(design.colour, titleBlue);
    QCOMPARE(m_form->Label2()->text(), label2Caption);
    QCOMPARE(m_form->Label2()->font().pointSizeF(), 9.75);
    QCOMPARE(m_form->Label2()->palette().color(QPalette::WindowText), paleBlue);
}

void TestLabels::looksUnderMoves_data()
{
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<QColor>("colour1");
    QTest::addColumn<QColor>("colour2");

    const auto rows = [](const char *name, const QStringList &moves, const QString &caption,
                         qreal points, const QColor &colour1, const QColor &colour2) {
        QTest::newRow(name) << moves << caption << points << colour1 << colour2;
    };

    rows("first move over the bare form", { "bare form" }, restCaption, 16, titleBlue, paleBlue);
    rows("first move over the background picture", { "background picture" }, restCaption, 16,
         titleBlue, paleBlue);
    rows("first move over Label2", { "Label2" }, restCaption, 16, titleBlue, magenta);
    rows("first move over Label1", { "Label1" }, linkCaption, 13, magenta, paleBlue);
    rows("moves over other controls keep the design look", { "Frame1", "Command2", "Text1", "dR1" },
         designCaption, 14.25, titleBlue, paleBlue);
    rows("moves over Frame1's Image1 and Frame3's Command4 keep the design look",
         { "Image1", "Command4" }, designCaption, 14.25, titleBlue, paleBlue);
    rows("a move over the hidden Text2 is one over the bare form", { "hidden Text2" }, restCaption,
         16, titleBlue, paleBlue);
    rows("the design look never comes back", { "Label1", "bare form" }, restCaption, 16, titleBlue,
         paleBlue);
    rows("Label1's link look stays over a frame and a button", { "Label1", "Frame1", "Command1" },
         linkCaption, 13, magenta, paleBlue);
    rows("Label2's highlight stays over a text box and the drive list",
         { "Label2", "Text5", "dR1" }, restCaption, 16, titleBlue, magenta);
    rows("from Label1 straight onto Label2", { "Label1", "Label2" }, restCaption, 16, titleBlue,
         magenta);
    rows("from Label2 straight onto Label1", { "Label2", "Label1" }, linkCaption, 13, magenta,
         paleBlue);
    rows("repeated moves inside Label1", { "Label1", "Label1", "Label1" }, linkCaption, 13, magenta,
         paleBlue);
    rows("from Label2's highlight straight onto the bare form", { "Label2", "bare form" },
         restCaption, 16, titleBlue, paleBlue);
    rows("the bare form puts both labels at rest", { "Label2", "Label1", "bare form" }, restCaption,
         16, titleBlue, paleBlue);
}

void TestLabels::looksUnderMoves()
{
    QFETCH(QStringList, moves);
    QFETCH(QString, caption);
    QFETCH(qreal, points);
    QFETCH(QColor, colour1);
    QFETCH(QColor, colour2);

    const QString face = m_form->Label1()->font().family();
    for (const bool held : { false, true }) {
        if (held)
            openForm();
        for (int step = 0; step < moves.size(); ++step)
            moveTo(moves.at(step), step, held);

        const Look label1 = lookOf(m_form->Label1());
        const QString context
            = QStringLiteral("%1, Label1 %2").arg(held ? "held" : "plain", describe(label1));
        QVERIFY2(label1.caption == caption, qPrintable(context));
        QVERIFY2(label1.points == points, qPrintable(context));
        QVERIFY2(label1.colour == colour1, qPrintable(context));
        QVERIFY2(m_form->Label2()->palette().color(QPalette::WindowText) == colour2,
                 qPrintable(context));

        QVERIFY(m_form->Label1()->font().bold());
        QCOMPARE(m_form->Label1()->font().family(), face);
        QCOMPARE(m_form->Label2()->text(), label2Caption);
        QCOMPARE(m_form->Label2()->font().pointSizeF(), 9.75);
        QVERIFY(m_form->Label2()->font().bold());
        QCOMPARE(m_form->Label1()->geometry(), QRect(40, 0, 233, 25));
        QVERIFY(m_calls.isEmpty());
        QVERIFY(m_messages.isEmpty());
    }
}

void TestLabels::clicksOpenTheLinks_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("shellResult");
    QTest::addColumn<QByteArray>("target");

    const QByteArray web = "http://velvane.example.org/";
    const QByteArray mail = "mailto:orvik@velvane.example.org";
    QTest::newRow("Label1 opens the web address") << "Label1" << 42 << web;
    QTest::newRow("Label2 opens the mail link") << "Label2" << 42 << mail;
    QTest::newRow("a web address the shell cannot open") << "Label1" << 2 << web;
    QTest::newRow("a mail link with no mail program") << "Label2" << 31 << mail;
}

// Each click comes after a move onto the label, whose look the click leaves.
void TestLabels::clicksOpenTheLinks()
{
    QFETCH(QString, label);
    QFETCH(int, shellResult);
    QFETCH(QByteArray, target);

    m_shellResult = shellResult;
    const QPoint at = pointOn(label, 0);
    QTest::mouseMove(m_form.get(), at);
    const Look before1 = lookOf(m_form->Label1());
    const Look before2 = lookOf(m_form->Label2());

    QTest::mouseClick(m_form.get(), Qt::LeftButton, Qt::NoModifier, at);

    QCOMPARE(m_calls.size(), 1);
    const ShellCall &call = m_calls.first();
    QCOMPARE(call.owner, platform::WindowHandle(m_form->winId()));
    QCOMPARE(call.verb, QByteArray("open"));
    QCOMPARE(call.file, target);
    QCOMPARE(call.parameters, QByteArray(""));
    QCOMPARE(call.directory, QByteArray(""));
    QCOMPARE(call.showCommand, 10);

    QVERIFY(m_messages.isEmpty());
    QVERIFY(m_form->isVisible());
    const Look after1 = lookOf(m_form->Label1());
    const Look after2 = lookOf(m_form->Label2());
    QCOMPARE(describe(after1), describe(before1));
    QCOMPARE(describe(after2), describe(before2));
}

// A click with no move before it, as a touch or a click at the pointer's
// current place gives: the design caption still opens the web address.
void TestLabels::clickOnTheDesignLookOpensTheWebAddress()
{
    QLabel *label1 = m_form->Label1();
    const QPoint at = label1->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, at, label1->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, label1->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(label1, &press);
    QApplication::sendEvent(label1, &release);

    QCOMPARE(m_calls.size(), 1);
    QCOMPARE(m_calls.first().file, QByteArray("http://velvane.example.org/"));
    QCOMPARE(label1->text(), designCaption);
    QCOMPARE(label1->font().pointSizeF(), 14.25);
}

// The link caption names the web address's host, and the mail link goes to
// the address Label2 shows.
void TestLabels::linksUseNamesKeptForExamples()
{
    QTest::mouseMove(m_form.get(), pointOn(QStringLiteral("Label1"), 0));
    const QString caption = m_form->Label1()->text();
    QVERIFY(caption.startsWith(QStringLiteral("Visit : ")));
    const QString host = caption.mid(8);

    m_form->Label1_Click();
    m_form->Label2_Click();
    QCOMPARE(m_calls.size(), 2);

    const QUrl web(QString::fromLatin1(m_calls.at(0).file));
    QCOMPARE(web.host(), host);
    QCOMPARE(web.path(), QStringLiteral("/"));
    QVERIFY(isReservedForExamples(host));

    const QString mail = QString::fromLatin1(m_calls.at(1).file);
    QVERIFY(mail.startsWith(QStringLiteral("mailto:")));
    const QString address = mail.mid(7);
    QCOMPARE(QStringLiteral("Email: ") + address, m_form->Label2()->text());
    QVERIFY(isReservedForExamples(address.section(QLatin1Char('@'), 1)));
}

void TestLabels::shellOpenPassesTheTargetUnchanged_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("web address") << "http://velvane.example.org/"
                                 << QByteArray("http://velvane.example.org/");
    QTest::newRow("blanks and quotes are neither trimmed nor escaped")
        << " http://velvane.example.org/a b?q=\"x\" "
        << QByteArray(" http://velvane.example.org/a b?q=\"x\" ");
    QTest::newRow("text in the ANSI code page")
        << "mailto:zoë@velvane.example.org" << QByteArray("mailto:zo\xEB@velvane.example.org");
    QTest::newRow("empty text") << "" << QByteArray("");
}

void TestLabels::shellOpenPassesTheTargetUnchanged()
{
    QFETCH(QString, target);
    QFETCH(QByteArray, file);

    const QVariant variant(target);
    Module1::ShellOpen(variant);

    QCOMPARE(m_calls.size(), 1);
    QCOMPARE(m_calls.first().owner, platform::WindowHandle(m_form->winId()));
    QCOMPARE(m_calls.first().verb, QByteArray("open"));
    QCOMPARE(m_calls.first().file, file);
    QCOMPARE(m_calls.first().showCommand, 10);
    // Strings of length zero: a null pointer would be a different call.
    for (const QByteArray &empty : { m_calls.first().parameters, m_calls.first().directory }) {
        QVERIFY(!empty.isNull());
        QVERIFY(empty.isEmpty());
    }
}

void TestLabels::shellOpenRaisesBeforeCallingTheShell_data()
{
    QTest::addColumn<QVariant>("target");
    QTest::addColumn<int>("number");

    QTest::newRow("a variant that holds no text") << QVariant::fromValue(QPoint(1, 2)) << 13;
    QTest::newRow("text the ANSI code page cannot hold")
        << QVariant(QStringLiteral("http://velvane.example.org/\u4e16")) << 5;
}

// A target the shell would get mangled never reaches it.
void TestLabels::shellOpenRaisesBeforeCallingTheShell()
{
    QFETCH(QVariant, target);
    QFETCH(int, number);

    int raised = 0;
    try {
        Module1::ShellOpen(target);
    } catch (const platform::RuntimeError &error) {
        raised = error.number();
    }
    QCOMPARE(raised, number);
    QVERIFY(m_calls.isEmpty());
}

VELVANE_TEST_MAIN(TestLabels)
#include "tst_labels.moc"
