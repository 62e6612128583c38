#include "mainwindow/drivelistbox.h"
#include "mainwindow/form1.h"
#include "mainwindow/graphicbutton.h"
#include "mainwindow/textbox.h"
#include "platform/drives.h"
#include "platform/messagebox.h"
#include "tempdrives.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

namespace {

// A file's state in a row: its bytes, or one of these two.
const QByteArray none = QByteArrayLiteral("<no file>");
const QByteArray folder = QByteArrayLiteral("<a folder>");

const QByteArray folderSection = QByteArrayLiteral("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n");

QByteArray stateOf(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return folder;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return none;
    return file.readAll();
}

void setState(const QString &path, const QByteArray &state)
{
    if (state == none)
        return;
    if (state == folder) {
        QVERIFY(QDir().mkpath(path));
        return;
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(state), state.size());
}

// "style prompt"; a "*" in an expected prompt stands for any text of one
// character or more (the reason the system gives for a failed write).
QString message(int style, const QString &prompt)
{
    return QString::number(style) + QLatin1Char(' ') + prompt;
}

QString success(const QString &drive)
{
    return message(
        0, QStringLiteral("Object Successfully appended to ") + drive + QStringLiteral(" !"));
}

QString refusal()
{
    return message(16, QStringLiteral("Choose a picture first !"));
}

QString runtimeError(int number, const QString &description)
{
    return message(16, QStringLiteral("Run-time error '%1':\r\r").arg(number) + description);
}

bool matches(const QString &expected, const QString &actual)
{
    QStringList literals = expected.split(QLatin1Char('*'));
    for (QString &literal : literals)
        literal = QRegularExpression::escape(literal);
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(literals.join(".+")),
                                     QRegularExpression::DotMatchesEverythingOption);
    return pattern.match(actual).hasMatch();
}

// A box as the user saw it, with both files of the target drive as they stood
// on disk while it was up.
struct Shown
{
    QString message;
    QString title;
    QByteArray desktopIni;
    QByteArray autorunInf;
};

} // namespace

class TestApply : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void run_data();
    void run();
    void twoRunsAtTwoPositions();

private:
    void recordMessages(const QString &targetFolder);

    std::unique_ptr<TempDrives> m_drives;
    QList<Shown> m_shown;
};

void TestApply::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestApply::init()
{
    m_drives = std::make_unique<TempDrives>();
    QVERIFY(m_drives->isValid());
    m_shown.clear();
}

void TestApply::cleanup()
{
    platform::setMessageBoxPresenter({});
    m_drives.reset();
}

void TestApply::recordMessages(const QString &targetFolder)
{
    platform::setMessageBoxPresenter(
        [this, targetFolder](const QString &prompt, int style, const QString &title) {
            Shown shown{ message(style, prompt), title, none, none };
            if (!targetFolder.isEmpty()) {
                shown.desktopIni = stateOf(targetFolder + QStringLiteral("/desktop.ini"));
                shown.autorunInf = stateOf(targetFolder + QStringLiteral("/Autorun.inf"));
            }
            m_shown.append(shown);
            return platform::vbOK;
        });
}

void TestApply::run_data()
{
    QTest::addColumn<QString>("letters"); // the drive table, in order
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("target"); // the drive expected to be written, "" none
    QTest::addColumn<bool>("targetGone"); // its folder removed before the run
    QTest::addColumn<QString>("text1");
    QTest::addColumn<QString>("text3");
    QTest::addColumn<QString>("text4");
    QTest::addColumn<QByteArray>("desktopBefore");
    QTest::addColumn<QByteArray>("autorunBefore");
    QTest::addColumn<QByteArray>("desktopAfter");
    QTest::addColumn<QByteArray>("autorunAfter");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("text2");

    const QString picture = QStringLiteral("D:\\pictures\\sea.jpg");
    const QString icon = QStringLiteral("D:\\icons\\drive.ico");
    const QByteArray pictureKey = QByteArrayLiteral("ICONAREA_IMAGE=D:\\pictures\\sea.jpg\r\n");
    const QByteArray iconFile = QByteArrayLiteral("[Autorun]\r\nICON=D:\\icons\\drive.ico\r\n");
    const QString noColour = QStringLiteral("Text3");
    const QString six = QStringLiteral("CDEFGH");

    QTest::newRow("picture, colour and icon into new files")
        << six << 1 << "D" << false << picture << "16711680" << icon << none << none
        << folderSection + pictureKey + "ICONAREA_TEXT=16711680\r\n"
        << iconFile << QStringList{ success("d: [VOLD]") } << "D:\\";
    QTest::newRow("no icon: no Autorun.inf")
        << six << 0 << "C" << false << picture << "255"
        << "" << none << none << folderSection + pictureKey + "ICONAREA_TEXT=255\r\n"
        << none << QStringList{ success("c: [VOLC]") } << "C:\\";
    QTest::newRow("no picture, an icon: the refusal, then the icon")
        << six << 4 << "G" << false << ""
        << "255" << icon << none << none << none << iconFile << QStringList{ refusal() } << "G:\\";
    QTest::newRow("no picture, no icon: the refusal alone, Text2 still set")
        << six << 2 << "E" << false << ""
        << "255"
        << "" << none << none << none << none << QStringList{ refusal() } << "E:\\";
    QTest::newRow("blanks only count as a picture")
        << six << 0 << "C" << false << "   " << noColour << "" << none << none
        << folderSection + "ICONAREA_IMAGE=   \r\n"
        << none << QStringList{ success("c: [VOLC]") } << "C:\\";
    QTest::newRow("no colour chosen: the file's colour stays")
        << six << 1 << "D" << false << picture << noColour << ""
        << folderSection + "ICONAREA_IMAGE=C:\\old.jpg\r\nICONAREA_TEXT=255\r\n"
        << none << folderSection + pictureKey + "ICONAREA_TEXT=255\r\n"
        << none << QStringList{ success("d: [VOLD]") } << "D:\\";
    QTest::newRow("no colour chosen, new file: no colour key")
        << six << 1 << "D" << false << picture << noColour << icon << none << none
        << folderSection + pictureKey << iconFile << QStringList{ success("d: [VOLD]") } << "D:\\";
    QTest::newRow("keys present under other capitals keep them, new keys in capitals")
        << six << 1 << "D" << false << picture << "255" << icon
        << QByteArrayLiteral("[.ShellClassInfo]\r\nIconResource=C:\\folder.ico,0\r\n"
                             "[{be098140-a513-11d0-a3a4-00c04fd706ec}]\r\n"
                             "IconArea_Image=C:\\old.jpg\r\n")
        << QByteArrayLiteral("[autorun]\r\nopen=setup.exe\r\nIcon=old.ico\r\n")
        << QByteArrayLiteral("[.ShellClassInfo]\r\nIconResource=C:\\folder.ico,0\r\n"
                             "[{be098140-a513-11d0-a3a4-00c04fd706ec}]\r\n"
                             "IconArea_Image=D:\\pictures\\sea.jpg\r\nICONAREA_TEXT=255\r\n")
        << QByteArrayLiteral("[autorun]\r\nopen=setup.exe\r\nIcon=D:\\icons\\drive.ico\r\n")
        << QStringList{ success("d: [VOLD]") } << "D:\\";

    // Lists the position alone does not map to a root: the keys go where the
    // success message says they went.
    QTest::newRow("a gap in the table: the selected entry's drive")
        << "CE" << 1 << "E" << false << picture << "255" << icon << none << none
        << folderSection + pictureKey + "ICONAREA_TEXT=255\r\n"
        << iconFile << QStringList{ success("e: [VOLE]") } << "E:\\";
    QTest::newRow("a table that begins at D:")
        << "DEF" << 0 << "D" << false << picture << "255" << icon << none << none
        << folderSection + pictureKey + "ICONAREA_TEXT=255\r\n"
        << iconFile << QStringList{ success("d: [VOLD]") } << "D:\\";
    QTest::newRow("more than sixteen drives: position 17")
        << "CDEFGHIJKLMNOPQRSTU" << 17 << "T" << false << picture << "255" << icon << none << none
        << folderSection + pictureKey + "ICONAREA_TEXT=255\r\n"
        << iconFile << QStringList{ success("t: [VOLT]") } << "T:\\";
    QTest::newRow("no entry selected: an error before any write")
        << "CDE" << -1 << "" << false << picture << "255" << icon << none << none << none << none
        << QStringList{ runtimeError(5, "*") } << "Text2";
    QTest::newRow("an empty drive table: an error before any write")
        << "" << -1 << "" << false << picture << "255" << icon << none << none << none << none
        << QStringList{ runtimeError(5, "*") } << "Text2";

    // A write that fails ends the run there, named, and is never reported as
    // a success.
    QTest::newRow("a folder named desktop.ini: the error, no success, no icon")
        << six << 1 << "D" << false << picture << "255" << icon << folder << none << folder << none
        << QStringList{ runtimeError(75, "Path/File access error: D:\\desktop.ini (*)") } << "D:\\";
    QTest::newRow("the drive's folder gone: the error, no success")
        << six << 1 << "D" << true << picture << "255" << icon << none << none << none << none
        << QStringList{ runtimeError(75, "Path/File access error: D:\\desktop.ini (*)") } << "D:\\";
    QTest::newRow("a folder named Autorun.inf: the success, then the error")
        << six << 1 << "D" << false << picture << "255" << icon << none << folder
        << folderSection + pictureKey + "ICONAREA_TEXT=255\r\n"
        << folder
        << QStringList{ success("d: [VOLD]"),
                        runtimeError(75, "Path/File access error: D:\\Autorun.inf (*)") }
        << "D:\\";
    QTest::newRow("refused, then a folder named Autorun.inf: the refusal, then the error")
        << six << 1 << "D" << false << ""
        << "255" << icon << none << folder << none << folder
        << QStringList{ refusal(), runtimeError(75, "Path/File access error: D:\\Autorun.inf (*)") }
        << "D:\\";
}

void TestApply::run()
{
    QFETCH(QString, letters);
    QFETCH(int, position);
    QFETCH(QString, target);
    QFETCH(bool, targetGone);
    QFETCH(QString, text1);
    QFETCH(QString, text3);
    QFETCH(QString, text4);
    QFETCH(QByteArray, desktopBefore);
    QFETCH(QByteArray, autorunBefore);
    QFETCH(QByteArray, desktopAfter);
    QFETCH(QByteArray, autorunAfter);
    QFETCH(QStringList, messages);
    QFETCH(QString, text2);

    QVERIFY(m_drives->install(letters));
    const QString targetFolder = target.isEmpty() ? QString() : m_drives->hostFolder(target.at(0));
    const QString desktopIni = targetFolder + QStringLiteral("/desktop.ini");
    const QString autorunInf = targetFolder + QStringLiteral("/Autorun.inf");
    if (!target.isEmpty()) {
        setState(desktopIni, desktopBefore);
        setState(autorunInf, autorunBefore);
    }

    Form1 form;
    form.Text1()->setText(text1);
    form.Text3()->setText(text3);
    form.Text4()->setText(text4);
    form.dR1()->setListIndex(position);
    if (targetGone)
        QVERIFY(QDir(targetFolder).removeRecursively());
    recordMessages(targetFolder);

    form.Command2()->click();

    QCOMPARE(m_shown.size(), messages.size());
    for (int i = 0; i < messages.size(); ++i) {
        const Shown &shown = m_shown.at(i);
        QVERIFY2(matches(messages.at(i), shown.message), qPrintable(shown.message));
        QCOMPARE(shown.title, QString());
        if (!target.isEmpty()) {
            // desktop.ini is written before any box is up, Autorun.inf only
            // once the last one is closed.
            QCOMPARE(shown.desktopIni, desktopAfter);
            QCOMPARE(shown.autorunInf, autorunBefore);
        }
    }
    QCOMPARE(form.Text2()->text(), text2);

    for (const QChar letter : letters) {
        const QString host = m_drives->hostFolder(letter);
        const QStringList left = QDir(host).entryList(QDir::AllEntries | QDir::NoDotAndDotDot
                                                      | QDir::Hidden | QDir::System);
        if (host != targetFolder) {
            QVERIFY2(left.isEmpty(), qPrintable(letter + QStringLiteral(": ") + left.join(' ')));
            continue;
        }
        if (targetGone) {
            QVERIFY(!QFileInfo::exists(host));
            continue;
        }
        QCOMPARE(stateOf(desktopIni), desktopAfter);
        QCOMPARE(stateOf(autorunInf), autorunAfter);
        QStringList expected;
        if (autorunAfter != none)
            expected << QStringLiteral("Autorun.inf");
        if (desktopAfter != none)
            expected << QStringLiteral("desktop.ini");
        QCOMPARE(left, expected); // nothing else, no temporary file left behind
    }
}

void TestApply::twoRunsAtTwoPositions()
{
    QVERIFY(m_drives->install(QStringLiteral("CDEFGH")));
    recordMessages(QString());
    Form1 form;
    form.Text3()->setText(QStringLiteral("255"));
    form.Text4()->setText(QStringLiteral("D:\\icons\\drive.ico"));

    form.Text1()->setText(QStringLiteral("D:\\first.jpg"));
    form.dR1()->setListIndex(3);
    form.Command2()->click();
    QCOMPARE(form.Text2()->text(), QStringLiteral("F:\\"));

    form.Text1()->setText(QStringLiteral("D:\\second.jpg"));
    form.dR1()->setListIndex(5);
    form.Command2()->click();
    QCOMPARE(form.Text2()->text(), QStringLiteral("H:\\"));

    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_shown.at(0).message, success(QStringLiteral("f: [VOLF]")));
    QCOMPARE(m_shown.at(1).message, success(QStringLiteral("h: [VOLH]")));
    const QByteArray iconFile = QByteArrayLiteral("[Autorun]\r\nICON=D:\\icons\\drive.ico\r\n");
    QCOMPARE(stateOf(m_drives->hostFolder('F') + "/desktop.ini"),
             folderSection + "ICONAREA_IMAGE=D:\\first.jpg\r\nICONAREA_TEXT=255\r\n");
    QCOMPARE(stateOf(m_drives->hostFolder('F') + "/Autorun.inf"), iconFile);
    QCOMPARE(stateOf(m_drives->hostFolder('H') + "/desktop.ini"),
             folderSection + "ICONAREA_IMAGE=D:\\second.jpg\r\nICONAREA_TEXT=255\r\n");
    QCOMPARE(stateOf(m_drives->hostFolder('H') + "/Autorun.inf"), iconFile);
}

VELVANE_TEST_MAIN(TestApply)
#include "tst_apply.moc"
