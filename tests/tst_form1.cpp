#include "mainwindow/drivelistbox.h"
#include "mainwindow/form1.h"
#include "mainwindow/graphicbutton.h"
#include "mainwindow/textbox.h"
#include "platform/commondialog.h"
#include "platform/drives.h"
#include "platform/messagebox.h"
#include "platform/olecolor.h"
#include "platform/runtimeerror.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace {

// The user cancels every dialog, so that a button's click ends at once.
class CancellingChooser : public platform::DialogChooser
{
public:
    std::optional<QString> chooseFile(QWidget *, const QString &, const QStringList &,
                                      const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QColor> chooseColor(QWidget *, const QColor &) override { return std::nullopt; }
};

QWidget *control(Form1 &form, const QString &name)
{
    return form.findChild<QWidget *>(name);
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowFrame();
    void placedControls_data();
    void placedControls();
    void controlsOverFramesBelongToTheForm_data();
    void controlsOverFramesBelongToTheForm();
    void controlStates();
    void designColoursAndFonts();
    void tabCycle();
    void accessKeys_data();
    void accessKeys();
    void sharedAccessKeyMovesFocusWithoutClicking();
    void escapeClicksCancel();
    void driveListWording();
    void listIndexAndDrive();
    void fileExists_data();
    void fileExists();
    void defaultInstanceIsTheFirstFormCreated();
    void defaultInstanceCreatedWhereNoneExists();
    void pictures_data();
    void pictures();
    void backgroundPictureAtItsOwnSize();

private:
    std::unique_ptr<Form1> shownForm();

    QTemporaryDir m_drive;
    QTemporaryDir m_otherDrive;
    CancellingChooser m_chooser;
    QStringList m_messages; // "style title|prompt"
};

void TestForm1::init()
{
    QVERIFY(m_drive.isValid());
    QVERIFY(m_otherDrive.isValid());
    platform::setDrives({ { QLatin1Char('C'), m_drive.path(), QStringLiteral("SYSTEM") },
                          { QLatin1Char('D'), m_otherDrive.path(), QString() } });
    m_messages.clear();
    platform::setMessageBoxPresenter(
        [this](const QString &prompt, int style, const QString &title) {
            m_messages << QStringLiteral("%1 %2|%3").arg(style).arg(title, prompt);
            return platform::vbOK;
        });
    platform::setDialogChooser(&m_chooser);
}

void TestForm1::cleanup()
{
    platform::setDialogChooser(nullptr);
    platform::setMessageBoxPresenter({});
    platform::setDrives({});
}

std::unique_ptr<Form1> TestForm1::shownForm()
{
    auto form = std::make_unique<Form1>();
    form->show();
    QApplication::setActiveWindow(form.get());
    if (!QTest::qWaitForWindowActive(form.get()))
        qWarning("The window did not become active");
    return form;
}

void TestForm1::windowFrame()
{
    Form1 form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Velvane 1.0 by Orvik"));
    QCOMPARE(form.size(), QSize(312, 296));
    QCOMPARE(form.minimumSize(), QSize(312, 296));
    QCOMPARE(form.maximumSize(), QSize(312, 296));

    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
}

void TestForm1::placedControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QColor>("fore");
    QTest::addColumn<QColor>("back");
    QTest::addColumn<QString>("face"); // a button's face picture

    // The platform's own colours, where the design leaves a colour to it.
    const QPalette platform = QApplication::palette();
    const QColor buttonFace = platform.color(QPalette::Button);
    const QColor buttonText = platform.color(QPalette::ButtonText);
    const QColor boxText = platform.color(QPalette::Text);
    const QColor boxBack = platform.color(QPalette::Base);
    // Disabled: greyed text on the box's disabled back.
    const QColor greyedText = platform.color(QPalette::Disabled, QPalette::Text);
    const QColor greyedBack = platform.color(QPalette::Disabled, QPalette::Base);
    const QColor windowFrame = platform.color(QPalette::Shadow);
    const QColor white(255, 255, 255);
    const QColor frameCaption(128, 128, 255);
    const QColor desktopTeal(0, 128, 128);
    const QString button = QStringLiteral(":/button.jpg");

    const auto row
        = [](const char *name, const char *control, const char *container, const QRect &geometry,
             const QString &caption, const QString &toolTip, qreal points, bool bold,
             const QColor &fore, const QColor &back, const QString &face) {
              QTest::newRow(name) << QString::fromLatin1(control) << QString::fromLatin1(container)
                                  << geometry << caption << toolTip << points << bold << fore
                                  << back << face;
          };

    row("Command7 in the bottom row", "Command7", "Form1", QRect(168, 264, 65, 25), "&Help",
        "Show the instructions for using Velvane", 8.25, false, buttonText, buttonFace, button);
    row("Command6, Ok, first in the bottom row", "Command6", "Form1", QRect(24, 264, 65, 25), "&Ok",
        "Click to apply the preferences for the selected drive  and then exit", 8.25, false,
        buttonText, buttonFace, button);
    row("Command5, Cancel, without a tooltip", "Command5", "Form1", QRect(240, 264, 65, 25),
        "&Cancel", "", 8.25, false, buttonText, buttonFace, button);
    row("Text5", "Text5", "Form1", QRect(168, 112, 65, 17), "Folder Text", "", 9, false,
        QColor(0, 0, 0), QColor(224, 224, 224), "");
    row("Frame3", "Frame3", "Form1", QRect(24, 136, 281, 65), "Set Icon", "", 8.25, false,
        frameCaption, white, "");
    row("Command4 inside Frame3", "Command4", "Frame3", QRect(224, 24, 49, 25), "C&hoose",
        "Choose an Icon for your drive", 8.25, false, buttonText, buttonFace, button);
    row("Text4 inside Frame3", "Text4", "Frame3", QRect(8, 24, 209, 24), "", "", 9.75, false,
        greyedText, greyedBack, "");
    row("Command3, the widest button", "Command3", "Form1", QRect(88, 104, 73, 25), "Colo&r",
        "Choose Folder Text Color", 8.25, false, buttonText, buttonFace, ":/colorbutton.jpg");
    row("Text3 partly below the client area", "Text3", "Form1", QRect(8, 280, 81, 25), "Text3", "",
        8.25, false, boxText, boxBack, "");
    row("Text2 partly left of the client area", "Text2", "Form1", QRect(-8, 256, 81, 25), "Text2",
        "", 8.25, false, boxText, boxBack, "");
    row("dR1", "dR1", "Form1", QRect(32, 216, 161, 21), QString(), "", 8.25, true, desktopTeal,
        buttonFace, "");
    row("Command2, Apply", "Command2", "Form1", QRect(96, 264, 65, 25), "&Apply",
        "Click to apply the preferences for the selected drive", 8.25, false, buttonText,
        buttonFace, button);
    row("Text1", "Text1", "Form1", QRect(32, 64, 201, 24), "", "", 9.75, false, greyedText,
        greyedBack, "");
    row("Command1 on the form", "Command1", "Form1", QRect(32, 104, 49, 25), "Choo&se ",
        "Choose Image for Background", 8.25, false, buttonText, buttonFace, button);
    row("Frame2", "Frame2", "Form1", QRect(24, 200, 281, 49), "Set Drive", "", 8.25, false,
        frameCaption, white, "");
    row("Frame1", "Frame1", "Form1", QRect(24, 48, 281, 89), "Set Brackgroun Image and  Color", "",
        8.25, false, frameCaption, white, "");
    row("Image1 inside Frame1, on its white", "Image1", "Frame1", QRect(216, 16, 57, 65), "",
        "shows the image thumbnail preview", 8.25, false, windowFrame, white, "");
    row("Label2 overlapping Label1", "Label2", "Form1", QRect(40, 24, 233, 17),
        "Email: orvik@velvane.example.org", "", 9.75, true, QColor(192, 192, 255), white, "");
    row("Label1 at the top edge", "Label1", "Form1", QRect(40, 0, 233, 25), "Velvane By Orvik ", "",
        14.25, true, QColor(0, 0, 255), white, "");
}

// Every control the window places, as the window must show it; the colours
// are those of the roles each kind draws with, back colours of transparent
// controls those of what shows through them.
void TestForm1::placedControls()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    QFETCH(QString, toolTip);
    QFETCH(qreal, points);
    QFETCH(bool, bold);
    QFETCH(QColor, fore);
    QFETCH(QColor, back);
    QFETCH(QString, face);

    Form1 form;
    QWidget *widget = control(form, name);
    QVERIFY(widget);
    QWidget *parent = container == QLatin1String("Form1") ? &form : control(form, container);
    QCOMPARE(widget->parentWidget(), parent);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->toolTip(), toolTip);

    QCOMPARE(widget->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(QFontInfo(widget->font()).family(), QStringLiteral("Tahoma"));
    QCOMPARE(widget->font().pointSizeF(), points);
    QCOMPARE(widget->font().bold(), bold);
    QVERIFY(!widget->font().italic() && !widget->font().underline() && !widget->font().strikeOut());

    QPalette::ColorRole foreRole = QPalette::WindowText;
    QPalette::ColorRole backRole = QPalette::Window;
    QString shownCaption;
    if (auto *button = qobject_cast<GraphicButton *>(widget)) {
        foreRole = QPalette::ButtonText;
        backRole = QPalette::Button;
        shownCaption = button->text();
        QVERIFY(!face.isEmpty());
        QCOMPARE(button->face().toImage().convertToFormat(QImage::Format_RGB32),
                 QImage(face).convertToFormat(QImage::Format_RGB32));
        QCOMPARE(button->down().toImage().convertToFormat(QImage::Format_RGB32),
                 QImage(QStringLiteral(":/buttondown.bmp")).convertToFormat(QImage::Format_RGB32));
    } else if (auto *box = qobject_cast<TextBox *>(widget)) {
        foreRole = QPalette::Text;
        backRole = QPalette::Base;
        shownCaption = box->text();
    } else if (auto *list = qobject_cast<DriveListBox *>(widget)) {
        // The closed list draws as a button, the open one as a box's text.
        QCOMPARE(list->palette().color(QPalette::Text), fore);
        foreRole = QPalette::ButtonText;
        backRole = QPalette::Button;
    } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
        shownCaption = frame->title();
    } else if (auto *label = qobject_cast<QLabel *>(widget)) {
        shownCaption = label->text();
        QVERIFY(label->pixmap().isNull());
    } else {
        QFAIL("a control of a kind the table does not know");
    }
    QVERIFY(face.isEmpty() || qobject_cast<GraphicButton *>(widget));
    QCOMPARE(shownCaption, caption);
    QCOMPARE(widget->palette().color(foreRole), fore);
    QCOMPARE(widget->palette().color(backRole), back);
}

void TestForm1::controlsOverFramesBelongToTheForm_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("frame");

    QTest::newRow("Text1 over Frame1") << "Text1"
                                       << "Frame1";
    QTest::newRow("Command1 over Frame1") << "Command1"
                                          << "Frame1";
    QTest::newRow("Command3 over Frame1") << "Command3"
                                          << "Frame1";
    QTest::newRow("Text5 over Frame1") << "Text5"
                                       << "Frame1";
    QTest::newRow("dR1 over Frame2") << "dR1"
                                     << "Frame2";
}

// Such a control is the form's, drawn above the frame beneath it: the point
// at its centre is the control's, not the frame's.
void TestForm1::controlsOverFramesBelongToTheForm()
{
    QFETCH(QString, name);
    QFETCH(QString, frame);

    Form1 form;
    QWidget *widget = control(form, name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), &form);
    QVERIFY(control(form, frame)->geometry().contains(widget->geometry()));
    QWidget *hit = form.childAt(widget->geometry().center());
    QVERIFY2(hit == widget || widget->isAncestorOf(hit),
             qPrintable(QStringLiteral("%1 is covered by %2").arg(name, hit->objectName())));
}

void TestForm1::controlStates()
{
    Form1 form;
    QVERIFY(!form.Text1()->isEnabled());
    QVERIFY(!form.Text4()->isEnabled());
    QVERIFY(form.Text1()->text().isEmpty());
    QVERIFY(form.Text4()->text().isEmpty());

    QVERIFY(form.Text2()->isHidden());
    QVERIFY(form.Text3()->isHidden());
    QCOMPARE(form.Text2()->text(), QStringLiteral("Text2"));
    QCOMPARE(form.Text3()->text(), QStringLiteral("Text3"));

    // Text5 is left out of the Tab cycle, yet the user may still click into it and type.
    QVERIFY(form.Text5()->isEnabled());
    QVERIFY(!form.Text5()->isReadOnly());
    QVERIFY(!(form.Text5()->focusPolicy() & Qt::TabFocus));
    QVERIFY(form.Text5()->focusPolicy() & Qt::ClickFocus);
    QCOMPARE(form.Text5()->text(), QStringLiteral("Folder Text"));

    QCOMPARE(form.Command1()->text(), QStringLiteral("Choo&se "));
    QCOMPARE(form.Command4()->text(), QStringLiteral("C&hoose"));
    QCOMPARE(form.Frame1()->title(), QStringLiteral("Set Brackgroun Image and  Color"));
    QCOMPARE(
        form.Command6()->toolTip(),
        QStringLiteral("Click to apply the preferences for the selected drive  and then exit"));
    QVERIFY(form.Command5()->toolTip().isEmpty());
    QVERIFY(!form.Command7()->toolTip().isEmpty());
    QVERIFY(form.Image1()->hasScaledContents());
    QVERIFY(form.Image1()->pixmap().isNull());

    QCOMPARE(form.cM1()->DialogTitle, QStringLiteral("Choose Picture"));
    QVERIFY(form.cM1()->FileName.isEmpty());
    QCOMPARE(form.cM1()->Color, 0u);
}

void TestForm1::designColoursAndFonts()
{
    Form1 form;
    QCOMPARE(form.palette().color(QPalette::Window), QColor(255, 255, 255));
    for (QGroupBox *frame : { form.Frame1(), form.Frame2(), form.Frame3() }) {
        QCOMPARE(frame->palette().color(QPalette::Window), QColor(255, 255, 255));
        QCOMPARE(frame->palette().color(QPalette::WindowText), QColor(128, 128, 255));
    }
    QCOMPARE(form.Text5()->palette().color(QPalette::Text), QColor(0, 0, 0));
    QCOMPARE(form.Text5()->palette().color(QPalette::Base), QColor(224, 224, 224));
    // Image1's flat border is the window frame's colour, not Frame1's caption colour.
    const QImage image1 = form.Image1()->grab().toImage();
    QCOMPARE(QColor(image1.pixel(0, 0)).rgb(), platform::oleColor(0x80000006).rgb());

    QCOMPARE(form.font().pointSizeF(), 8.25);
    QVERIFY(!form.font().bold());
    QCOMPARE(form.Command2()->font().pointSizeF(), 8.25);
    QCOMPARE(form.Frame1()->font().pointSizeF(), 8.25);
    QCOMPARE(form.Text1()->font().pointSizeF(), 9.75);
    QCOMPARE(form.Text5()->font().pointSizeF(), 9.0);
    QCOMPARE(form.dR1()->font().pointSizeF(), 8.25);
    QVERIFY(form.dR1()->font().bold());
    QCOMPARE(form.Label1()->font().pointSizeF(), 14.25);
    QVERIFY(form.Label1()->font().bold());
    QCOMPARE(form.Label2()->font().pointSizeF(), 9.75);
    QVERIFY(form.Label2()->font().bold());
    QVERIFY(form.Label1()->alignment() & Qt::AlignHCenter);
    QVERIFY(form.Label2()->alignment() & Qt::AlignHCenter);
}

void TestForm1::tabCycle()
{
    const auto form = shownForm();
    QCOMPARE(QApplication::focusWidget(), form->Command1());

    QStringList visited;
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        visited << focus->objectName();
    }
    QCOMPARE(visited,
             QStringList({ "Command3", "Command4", "dR1", "Command2", "Command6", "Command5",
                           "Command7", "Command1" }));
}

void TestForm1::accessKeys_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("button");

    QTest::newRow("Alt+S clicks Command1") << Qt::Key_S << "Command1";
    QTest::newRow("Alt+R clicks Command3") << Qt::Key_R << "Command3";
    QTest::newRow("Alt+A clicks Command2") << Qt::Key_A << "Command2";
    QTest::newRow("Alt+O clicks Command6") << Qt::Key_O << "Command6";
    QTest::newRow("Alt+C clicks Command5") << Qt::Key_C << "Command5";
}

void TestForm1::accessKeys()
{
    QFETCH(Qt::Key, key);
    QFETCH(QString, button);

    const auto form = shownForm();
    QList<std::shared_ptr<QSignalSpy>> spies;
    for (GraphicButton *each : form->findChildren<GraphicButton *>())
        spies << std::make_shared<QSignalSpy>(each, &QAbstractButton::clicked);
    auto *target = qobject_cast<GraphicButton *>(control(*form, button));
    QVERIFY(target);
    QSignalSpy clicked(target, &QAbstractButton::clicked);

    QTest::keyClick(form.get(), key, Qt::AltModifier);
    QVERIFY(clicked.wait(1000));
    QTest::qWait(50);
    int clicks = 0;
    for (const auto &spy : spies)
        clicks += spy->count();
    QCOMPARE(clicks, 1);
}

void TestForm1::sharedAccessKeyMovesFocusWithoutClicking()
{
    const auto form = shownForm();
    QSignalSpy choose(form->Command4(), &QAbstractButton::clicked);
    QSignalSpy help(form->Command7(), &QAbstractButton::clicked);
    const QList<QWidget *> sharers = { form->Command4(), form->Command7() };

    QTest::keyClick(form.get(), Qt::Key_H, Qt::AltModifier);
    QWidget *first = QApplication::focusWidget();
    QVERIFY(sharers.contains(first));
    QTest::keyClick(form.get(), Qt::Key_H, Qt::AltModifier);
    QWidget *second = QApplication::focusWidget();
    QVERIFY(sharers.contains(second));
    QVERIFY(second != first);
    QTest::keyClick(form.get(), Qt::Key_H, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), first);

    QTest::qWait(300);
    QCOMPARE(choose.count(), 0);
    QCOMPARE(help.count(), 0);
    QVERIFY(m_messages.isEmpty());
}

void TestForm1::escapeClicksCancel()
{
    const auto form = shownForm();
    QSignalSpy cancel(form->Command5(), &QAbstractButton::clicked);
    QSignalSpy ok(form->Command6(), &QAbstractButton::clicked);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    if (cancel.isEmpty())
        QVERIFY(cancel.wait(1000));
    QCOMPARE(cancel.count(), 1);
    QCOMPARE(ok.count(), 0);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_messages.first().startsWith(QStringLiteral("48 |This Software has")));
    QVERIFY(!form->isVisible());
}

void TestForm1::driveListWording()
{
    Form1 form;
    QCOMPARE(form.dR1()->count(), 2);
    QCOMPARE(form.dR1()->itemText(0), QStringLiteral("c: [SYSTEM]"));
    QCOMPARE(form.dR1()->itemText(1), QStringLiteral("d: [%1]").arg(m_otherDrive.path()));
}

void TestForm1::listIndexAndDrive()
{
    Form1 form;
    DriveListBox *list = form.dR1();

    list->setListIndex(1);
    QCOMPARE(list->ListIndex(), 1);
    QCOMPARE(list->Drive(), QStringLiteral("d: [%1]").arg(m_otherDrive.path()));
    QCOMPARE(list->driveLetter(), QLatin1Char('D'));

    list->setListIndex(0);
    QCOMPARE(list->ListIndex(), 0);
    QCOMPARE(list->Drive(), QStringLiteral("c: [SYSTEM]"));

    bool raised = false;
    try {
        list->setListIndex(2);
    } catch (const platform::RuntimeError &error) {
        raised = true;
        QCOMPARE(error.number(), 380);
    }
    QVERIFY(raised);
    QCOMPARE(list->ListIndex(), 0);

    list->setListIndex(-1);
    QCOMPARE(list->ListIndex(), -1);
    QCOMPARE(list->Drive(), QString());
    QVERIFY(list->driveLetter().isNull());
}

void TestForm1::fileExists_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("exists");

    QTest::newRow("existing file") << "C:\\Pictures\\Sky.jpg" << true;
    QTest::newRow("file named with other capitals") << "c:\\PICTURES\\sky.JPG" << true;
    QTest::newRow("file on another drive, forward slashes") << "D:/note.txt" << true;
    QTest::newRow("wildcard matching a file") << "C:\\Pictures\\*.jpg" << true;
    QTest::newRow("wildcard matching nothing") << "C:\\Pictures\\*.bmp" << false;
    QTest::newRow("folder") << "C:\\Pictures" << false;
    QTest::newRow("missing file") << "C:\\Pictures\\Sea.jpg" << false;
    QTest::newRow("file under a missing folder") << "C:\\Photos\\Sky.jpg" << false;
    QTest::newRow("drive not in the table") << "Q:\\Pictures\\Sky.jpg" << false;
}

void TestForm1::fileExists()
{
    QFETCH(QString, path);
    QFETCH(bool, exists);

    QVERIFY(QDir(m_drive.path()).mkpath(QStringLiteral("Pictures")));
    QFile sky(m_drive.filePath(QStringLiteral("Pictures/Sky.jpg")));
    QVERIFY(sky.open(QIODevice::WriteOnly));
    sky.close();
    QFile note(m_otherDrive.filePath(QStringLiteral("note.txt")));
    QVERIFY(note.open(QIODevice::WriteOnly));
    note.close();

    Form1 form;
    QCOMPARE(form.FileExists(path), exists);
}

void TestForm1::defaultInstanceIsTheFirstFormCreated()
{
    Form1 first;
    Form1 second;
    QCOMPARE(Form1::defaultInstance(), &first);
    QCOMPARE(Form1::defaultInstance(), &first);
}

void TestForm1::defaultInstanceCreatedWhereNoneExists()
{
    {
        Form1 gone;
        QCOMPARE(Form1::defaultInstance(), &gone);
    }
    std::unique_ptr<Form1> created(Form1::defaultInstance());
    QVERIFY(created);
    QCOMPARE(Form1::defaultInstance(), created.get());
    QCOMPARE(created->windowTitle(), QStringLiteral("Velvane 1.0 by Orvik"));
}

void TestForm1::pictures_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QSize>("size");

    QTest::newRow("window background") << ":/background.jpg" << QSize(105, 300);
    QTest::newRow("button face") << ":/button.jpg" << QSize(60, 41);
    QTest::newRow("colour button face") << ":/colorbutton.jpg" << QSize(90, 41);
    QTest::newRow("button second picture") << ":/buttondown.bmp" << QSize(278, 200);
}

void TestForm1::pictures()
{
    QFETCH(QString, resource);
    QFETCH(QSize, size);

    const QPixmap picture(resource);
    QVERIFY2(!picture.isNull(), qPrintable(resource));
    QCOMPARE(picture.size(), size);
}

// The picture sits at its own size in the top-left corner, beneath every
// control; white shows right of it. x < 24 is bare form down to the bottom row.
void TestForm1::backgroundPictureAtItsOwnSize()
{
    const QImage picture
        = QImage(QStringLiteral(":/background.jpg")).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!picture.isNull());

    Form1 form;
    QVERIFY(!form.windowIcon().isNull());
    const QList<QSize> iconSizes = QIcon(QStringLiteral(":/velvane.ico")).availableSizes();
    for (const QSize size :
         { QSize(16, 16), QSize(24, 24), QSize(32, 32), QSize(48, 48), QSize(128, 128) })
        QVERIFY2(iconSizes.contains(size), qPrintable(QStringLiteral("%1").arg(size.width())));

    const QImage shown = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(312, 296));
    for (const QPoint at : { QPoint(0, 0), QPoint(10, 150), QPoint(20, 240), QPoint(5, 295) })
        QCOMPARE(QColor(shown.pixel(at)), QColor(picture.pixel(at)));
    QCOMPARE(QColor(shown.pixel(308, 150)), QColor(255, 255, 255));
}

VELVANE_TEST_MAIN(TestForm1)
#include "tst_form1.moc"
