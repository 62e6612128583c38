// The window's message boxes and dialogs under a real X server and window
// manager, opened and answered with the keys and clicks a user makes.
#include "mainwindow/form1.h"
#include "mainwindow/graphicbutton.h"
#include "mainwindow/textbox.h"
#include "platform/commondialog.h"
#include "tempdrives.h"
#include "testmain.h"
#include "xsession.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <functional>
#include <memory>

namespace {

// One box or dialog as it was on screen.
struct Shown
{
    QString kind; // its class
    QString text; // a message box's prompt
    bool ownedByForm = false; // its parent widget
    bool transientForForm = false; // WM_TRANSIENT_FOR, as the window manager reads it
    bool formsIcon = false;
    QPoint offCentre; // its frame's centre less the window's frame's centre
    QString face; // the face its text is drawn in
    int buttonsWithIcons = 0;
    bool active = false; // took the keyboard, so that Return answered it
    QString columnsCut; // a file dialog's columns narrower than their entries
    QColor startColour; // a colour dialog's
    QString folder; // a file dialog's, and its side list
    QList<QUrl> sidebar;
};

QPoint centreOf(const QWidget *widget)
{
    return widget->mapToGlobal(widget->rect().center());
}

// The file dialog's details list, once it lists the folder's entries: the
// columns whose widest entry does not fit.
QString cutColumns(QFileDialog *dialog)
{
    auto *details = dialog->findChild<QTreeView *>(QStringLiteral("treeView"));
    if (!details)
        return QStringLiteral("no details list");
    if (!QTest::qWaitFor([&] { return details->model()->rowCount(details->rootIndex()) >= 2; }))
        return QStringLiteral("entries never listed");
    QTest::qWait(100);
    QStyleOptionViewItem option;
    option.initFrom(details);
    option.font = details->font();
    const int iconExtent
        = details->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, details);
    option.decorationSize
        = details->iconSize().isValid() ? details->iconSize() : QSize(iconExtent, iconExtent);
    QStringList cut;
    for (int column = 0; column < 4; ++column) {
        int needed = 0;
        for (int row = 0; row < details->model()->rowCount(details->rootIndex()); ++row) {
            const QModelIndex index = details->model()->index(row, column, details->rootIndex());
            needed = qMax(needed, details->itemDelegate()->sizeHint(option, index).width());
        }
        const int width = details->header()->sectionSize(column);
        if (needed > width)
            cut << QStringLiteral("%1: %2 of %3").arg(column).arg(width).arg(needed);
    }
    return cut.join(QStringLiteral(", "));
}

} // namespace

class TestXDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void boxesAfterBoxes_data();
    void boxesAfterBoxes();

private:
    // Starts the action, then reads and answers each modal window that comes
    // up, until count have come and gone: a box by a click on its OK, a
    // dialog with Return.
    QList<Shown> answer(const std::function<void()> &action, int count);
    Shown read(QWidget *modal) const;

    TempDrives m_drives;
    std::unique_ptr<Form1> m_form;
};

void TestXDialogs::initTestCase()
{
    QVERIFY(XSession::instance());
    QVERIFY(m_drives.isValid());
    QVERIFY(m_drives.install(QStringLiteral("D")));
    const QDir drive(m_drives.hostFolder(QChar('D')));
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(drive.filePath(QStringLiteral("sea.jpg")), "JPG"));
    for (const char *name : { "bad.jpg", "notes.txt" }) {
        QFile file(drive.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("no picture\n") > 0);
    }
}

void TestXDialogs::init()
{
    m_form = std::make_unique<Form1>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QVERIFY(XSession::instance()->waitUntilPlaced(m_form.get()));
}

void TestXDialogs::cleanup()
{
    m_form.reset();
}

Shown TestXDialogs::read(QWidget *modal) const
{
    const XSession &x = *XSession::instance();
    Shown shown;
    shown.kind = QString::fromLatin1(modal->metaObject()->className());
    if (auto *box = qobject_cast<QMessageBox *>(modal))
        shown.text = box->text();
    shown.ownedByForm = modal->parentWidget() == m_form.get();
    shown.transientForForm = x.transientFor(modal->winId()) == m_form->winId();
    const QList<unsigned long> icon = x.iconOf(modal->winId());
    shown.formsIcon = !icon.isEmpty() && icon == x.iconOf(m_form->winId());
    shown.offCentre = x.frameOf(modal->winId()).center() - x.frameOf(m_form->winId()).center();
    shown.face = QFontInfo(modal->font()).family();
    for (QPushButton *button : modal->findChildren<QPushButton *>()) {
        if (button->isVisible() && !button->icon().isNull())
            ++shown.buttonsWithIcons;
    }
    if (auto *files = qobject_cast<QFileDialog *>(modal)) {
        shown.columnsCut = cutColumns(files);
        shown.folder = files->directory().absolutePath();
        shown.sidebar = files->sidebarUrls();
    }
    if (auto *colours = qobject_cast<QColorDialog *>(modal))
        shown.startColour = colours->currentColor();
    return shown;
}

QList<Shown> TestXDialogs::answer(const std::function<void()> &action, int count)
{
    XSession &x = *XSession::instance();
    QList<Shown> shown;
    QWidget *current = nullptr;
    int waited = 0;
    QTimer poll;
    // Runs inside each modal window's own loop.
    connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == current)
            return;
        if (!modal->isVisible() || x.frameOf(modal->winId()).height() <= modal->height())
            return; // not framed yet
        const bool active = modal->isActiveWindow();
        if (!active && ++waited < 150)
            return;
        poll.stop();
        current = modal;
        waited = 0;
        x.waitUntilPlaced(modal);
        // Once framed, the box moves to the centre of the window.
        const bool centred = QTest::qWaitFor(
            [&] {
                const QPoint off
                    = x.frameOf(modal->winId()).center() - x.frameOf(m_form->winId()).center();
                return qAbs(off.x()) <= 2 && qAbs(off.y()) <= 2;
            },
            2000);
        Q_UNUSED(centred); // read() takes the place as it is
        shown.append(read(modal));
        shown.last().active = active;
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (active && box) {
            x.click(centreOf(box->defaultButton()));
        } else if (active) {
            x.tap("Return");
        } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
            dialog->done(QDialog::Rejected);
        }
        poll.start();
    });
    poll.start(20);
    action();
    const bool allAnswered = QTest::qWaitFor(
        [&] { return shown.size() >= count && !QApplication::activeModalWidget(); }, 20000);
    Q_UNUSED(allAnswered); // the caller compares what came up
    poll.stop();
    QTest::qWait(200);
    return shown;
}

void TestXDialogs::boxesAfterBoxes_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("kinds");
    QTest::newRow("Ok without a picture: the refusal, then the credits")
        << "Ok" << QStringList{ "QMessageBox", "QMessageBox" };
    QTest::newRow("Apply: the success, then a run-time error")
        << "Apply" << QStringList{ "QMessageBox", "QMessageBox" };
    QTest::newRow("Choose a picture that is none: the file dialog, then the error")
        << "Choose" << QStringList{ "QFileDialog", "QMessageBox" };
    QTest::newRow("Colour") << "Colour" << QStringList{ "QColorDialog" };
}

// Each box and dialog, the first and every one right after another closed,
// belongs to the window: the window manager keeps it over the window, it is
// centred on it and shows its icon; it has the window's face and text-only
// push buttons, and takes Return at once.
void TestXDialogs::boxesAfterBoxes()
{
    QFETCH(QString, action);
    QFETCH(QStringList, kinds);
    GraphicButton *button = nullptr;
    if (action == QLatin1String("Ok")) {
        button = m_form->Command6();
    } else if (action == QLatin1String("Apply")) {
        m_form->Text1()->setText(QStringLiteral("D:\\sea.jpg"));
        m_form->Text4()->setText(QString::fromUtf16(u"D:\\\u0100.ico"));
        button = m_form->Command2();
    } else if (action == QLatin1String("Choose")) {
        m_form->cM1()->FileName = QStringLiteral("D:\\bad.jpg");
        button = m_form->Command1();
    } else {
        button = m_form->Command3();
        m_form->cM1()->Color = 0x00FF8080;
    }

    const QList<Shown> shown
        = answer([&] { XSession::instance()->click(centreOf(button)); }, kinds.size());
    QStringList shownKinds;
    for (const Shown &one : shown)
        shownKinds << one.kind;
    QCOMPARE(shownKinds, kinds);
    for (const Shown &one : shown) {
        const QByteArray name = one.kind.toLatin1() + ' ' + one.text.left(30).toUtf8();
        QVERIFY2(one.ownedByForm, name.constData());
        QVERIFY2(one.transientForForm, name.constData());
        QVERIFY2(one.formsIcon, name.constData());
        QVERIFY2(qAbs(one.offCentre.x()) <= 2 && qAbs(one.offCentre.y()) <= 2,
                 qPrintable(QStringLiteral("%1 off by %2, %3")
                                .arg(QString::fromUtf8(name))
                                .arg(one.offCentre.x())
                                .arg(one.offCentre.y())));
        QCOMPARE(one.face, QStringLiteral("Tahoma"));
        QCOMPARE(one.buttonsWithIcons, 0);
        QVERIFY2(one.active, name.constData());
        QVERIFY2(one.columnsCut.isEmpty(), qPrintable(one.columnsCut));
    }
    if (action == QLatin1String("Colour"))
        QCOMPARE(shown.at(0).startColour, QColor(Qt::black));
    if (action == QLatin1String("Apply")) {
        QVERIFY2(shown.at(1).text.startsWith(QString::fromUtf16(
                     u"Run-time error '5':\r\rThe name \"D:\\\u0100.ico\" holds the character "
                     u"\"\u0100\" (U+0100)")),
                 qPrintable(shown.at(1).text));
    }
    if (action == QLatin1String("Choose")) {
        QCOMPARE(shown.at(0).folder, m_drives.hostFolder(QChar('D')));
        const QList<QUrl> sidebar{ QUrl::fromLocalFile(QDir::homePath()),
                                   QUrl::fromLocalFile(m_drives.hostFolder(QChar('D'))) };
        QCOMPARE(shown.at(0).sidebar, sidebar);
        QVERIFY(shown.at(1).text.contains(QLatin1String("'481'")));
    }
}

VELVANE_XSESSION_TEST_MAIN(TestXDialogs)
#include "tst_xdialogs.moc"
