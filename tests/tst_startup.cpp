#include "mainwindow/drivelistbox.h"
#include "mainwindow/form1.h"
#include "mainwindow/graphicbutton.h"
#include "mainwindow/textbox.h"
#include "platform/drives.h"
#include "platform/messagebox.h"
#include "tempdrives.h"
#include "testmain.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

namespace {

const QByteArray none = QByteArrayLiteral("<no file>");

// An old time, so that any write, however coarse the clock, shows.
const QDateTime settingsTime(QDate(2001, 5, 4), QTime(12, 0), Qt::UTC);

QColor white()
{
    return QColor(255, 255, 255);
}

// Every name under folder with its bytes (or "<folder>"): a read that creates
// or touches anything changes it.
QStringList tree(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QString entry = QDir(folder).relativeFilePath(path) + QLatin1Char(' ');
        if (it.fileInfo().isDir()) {
            entry += QStringLiteral("<folder>");
        } else {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                entry += QString::fromLatin1(file.readAll().toHex());
            entry += QLatin1Char(' ') + it.fileInfo().lastModified().toString(Qt::ISODateWithMs);
        }
        entries << entry;
    }
    entries.sort();
    return entries;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void settingsFile_data();
    void settingsFile();
    void driveListOnFirstEntry();
    void failingStepDoesNotStopOthers();
    void eachStepOnItsOwn_data();
    void eachStepOnItsOwn();
    void applyAfterStartUp();

private:
    void writeSettings(const QString &relativePath, const QByteArray &bytes);

    QString m_currentFolder;
    std::unique_ptr<TempDrives> m_drives;
    QStringList m_shown;
};

void TestStartup::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_currentFolder = QDir::currentPath();
}

void TestStartup::init()
{
    m_drives = std::make_unique<TempDrives>();
    QVERIFY(m_drives->isValid());
    m_shown.clear();
    platform::setMessageBoxPresenter([this](const QString &prompt, int style, const QString &) {
        m_shown << QString::number(style) + QLatin1Char(' ') + prompt;
        return platform::vbOK;
    });
}

void TestStartup::cleanup()
{
    QDir::setCurrent(m_currentFolder);
    platform::setMessageBoxPresenter({});
    m_drives.reset();
}

void TestStartup::writeSettings(const QString &relativePath, const QByteArray &bytes)
{
    const QString path = m_drives->hostFolder('C') + QLatin1Char('/') + relativePath;
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    QVERIFY(file.setFileTime(settingsTime, QFileDevice::FileModificationTime));
}

void TestStartup::settingsFile_data()
{
    QTest::addColumn<QString>("path"); // on C:, "" for no file
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text1");

    const QByteArray digits = QByteArrayLiteral("0123456789").repeated(80);

    QTest::newRow("no file") << "" << none << "";
    QTest::newRow("a Windows folder without vl.ini")
        << "Windows/other.ini" << QByteArray("[Velvane]\r\nImage_Path=x\r\n") << "";
    QTest::newRow("no section Velvane")
        << "Windows/vl.ini" << QByteArray("[Other]\r\nImage_Path=C:\\a.jpg\r\n") << "";
    QTest::newRow("no key Image_Path")
        << "Windows/vl.ini" << QByteArray("[Velvane]\r\nImage=C:\\a.jpg\r\n") << "";
    QTest::newRow("an empty value")
        << "Windows/vl.ini" << QByteArray("[Velvane]\r\nImage_Path=\r\n") << "";
    QTest::newRow("the path found")
        << "Windows/vl.ini" << QByteArray("[Velvane]\r\nImage_Path=D:\\pictures\\sea.jpg\r\n")
        << "D:\\pictures\\sea.jpg";
    QTest::newRow("folder, file, section and key under other capitals")
        << "windows/VL.INI" << QByteArray("[VELVANE]\r\nIMAGE_PATH=D:\\pictures\\sea.jpg\r\n")
        << "D:\\pictures\\sea.jpg";
    QTest::newRow("a path that names no picture, shown as it is")
        << "Windows/vl.ini" << QByteArray("[Velvane]\r\nImage_Path=C:\\no such file.txt\r\n")
        << "C:\\no such file.txt";
    QTest::newRow("749 characters come whole")
        << "Windows/vl.ini"
        << "[Velvane]\r\nImage_Path=" + digits.left(749) + "\r\n"
        << QString::fromLatin1(digits.left(749));
    QTest::newRow("a longer value cut to 749 characters")
        << "Windows/vl.ini"
        << "[Velvane]\r\nImage_Path=" + digits + "\r\n"
        << QString::fromLatin1(digits.left(749));
}

void TestStartup::settingsFile()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text1);

    QVERIFY(m_drives->install(QStringLiteral("CD")));
    if (bytes != none)
        writeSettings(path, bytes);
    const QStringList before = tree(m_drives->hostFolder('C'));

    Form1 form;
    QCOMPARE(form.Text5()->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
    QVERIFY_THROWS_NO_EXCEPTION(form.Form_Load());

    QCOMPARE(form.Text1()->text(), text1);
    QCOMPARE(form.Text5()->palette().color(QPalette::Base),
             form.Frame1()->palette().color(QPalette::Window));
    QCOMPARE(form.Text5()->palette().color(QPalette::Base), white());
    QCOMPARE(form.Text5()->text(), QStringLiteral("Folder Text"));
    QCOMPARE(form.dR1()->ListIndex(), 0);
    QVERIFY(form.Image1()->pixmap().isNull());
    QCOMPARE(m_shown, QStringList());
    // Read only: nothing created, the settings file's bytes and time as they were.
    QCOMPARE(tree(m_drives->hostFolder('C')), before);
    QCOMPARE(tree(m_drives->hostFolder('D')), QStringList());
}

void TestStartup::driveListOnFirstEntry()
{
    QVERIFY(m_drives->install(QStringLiteral("CDE")));
    const QString inD = m_drives->hostFolder('D') + QStringLiteral("/work");
    QVERIFY(QDir().mkpath(inD));
    QVERIFY(QDir::setCurrent(inD));

    Form1 form;
    QCOMPARE(form.dR1()->ListIndex(), 1); // the drive of the current folder
    form.Form_Load();
    QCOMPARE(form.dR1()->ListIndex(), 0);
    QCOMPARE(form.dR1()->Drive(), QStringLiteral("c: [VOLC]"));
}

// A failing step is the last one, the drive list, whose list came out empty:
// it keeps the table of its creation, while the read goes through the table
// of the moment, so the steps before it have something to show.
void TestStartup::failingStepDoesNotStopOthers()
{
    platform::setDrives({});
    Form1 form;
    QCOMPARE(form.dR1()->count(), 0);
    QVERIFY(m_drives->install(QStringLiteral("C")));
    writeSettings(QStringLiteral("Windows/vl.ini"),
                  QByteArrayLiteral("[Velvane]\r\nImage_Path=C:\\sea.jpg\r\n"));

    QVERIFY_THROWS_NO_EXCEPTION(form.Form_Load());

    QCOMPARE(form.Text5()->palette().color(QPalette::Base), white());
    QCOMPARE(form.Text1()->text(), QStringLiteral("C:\\sea.jpg"));
    QCOMPARE(form.dR1()->ListIndex(), -1);
    QCOMPARE(m_shown, QStringList());
}

void TestStartup::eachStepOnItsOwn_data()
{
    QTest::addColumn<QString>("gone"); // a control deleted before the load
    QTest::addColumn<QColor>("frame1"); // Frame1's colour before the load
    QTest::addColumn<QColor>("text5"); // invalid: Text5 is gone
    QTest::addColumn<QString>("text1"); // null: Text1 is gone
    QTest::addColumn<int>("listIndex"); // -1 also for dR1 gone

    const QColor grey(0xE0, 0xE0, 0xE0);
    const QColor frameBlue(0x12, 0x34, 0x56);
    const QString path = QStringLiteral("C:\\sea.jpg");

    QTest::newRow("the preview takes Frame1's colour, not white")
        << "" << frameBlue << frameBlue << path << 0;
    QTest::newRow("the preview takes Frame1's colour, also grey")
        << "" << QColor(0x80, 0x80, 0x80) << QColor(0x80, 0x80, 0x80) << path << 0;
    QTest::newRow("reading Frame1 fails: the picture path and the drive list follow")
        << "Frame1" << QColor() << grey << path << 0;
    QTest::newRow("writing Text5 fails: the picture path and the drive list follow")
        << "Text5" << frameBlue << QColor() << path << 0;
    QTest::newRow("writing Text1 fails: the drive list follows")
        << "Text1" << frameBlue << frameBlue << QString() << 0;
    QTest::newRow("writing dR1 fails: the preview and the picture path stand")
        << "dR1" << frameBlue << frameBlue << path << -1;
}

// A deleted control is a failed access: the step that needs it is skipped,
// silently, and every other step runs.
void TestStartup::eachStepOnItsOwn()
{
    QFETCH(QString, gone);
    QFETCH(QColor, frame1);
    QFETCH(QColor, text5);
    QFETCH(QString, text1);
    QFETCH(int, listIndex);

    QVERIFY(m_drives->install(QStringLiteral("CD")));
    writeSettings(QStringLiteral("Windows/vl.ini"),
                  QByteArrayLiteral("[Velvane]\r\nImage_Path=C:\\sea.jpg\r\n"));
    Form1 form;
    form.dR1()->setListIndex(1);
    if (frame1.isValid()) {
        QPalette palette = form.Frame1()->palette();
        palette.setColor(QPalette::Window, frame1);
        form.Frame1()->setPalette(palette);
    }
    if (!gone.isEmpty()) {
        QWidget *control = form.findChild<QWidget *>(gone);
        QVERIFY(control);
        delete control;
    }

    QVERIFY_THROWS_NO_EXCEPTION(form.Form_Load());

    if (text5.isValid())
        QCOMPARE(form.Text5()->palette().color(QPalette::Base), text5);
    else
        QVERIFY(!form.Text5());
    if (!text1.isNull())
        QCOMPARE(form.Text1()->text(), text1);
    else
        QVERIFY(!form.Text1());
    if (form.dR1())
        QCOMPARE(form.dR1()->ListIndex(), listIndex);
    else
        QCOMPARE(listIndex, -1);
    QCOMPARE(m_shown, QStringList());
}

// The remembered path counts as the chosen picture, thumbnail or not.
void TestStartup::applyAfterStartUp()
{
    QVERIFY(m_drives->install(QStringLiteral("CD")));
    writeSettings(QStringLiteral("Windows/vl.ini"),
                  QByteArrayLiteral("[Velvane]\r\nImage_Path=D:\\pictures\\sea.jpg\r\n"));
    const QStringList settingsBefore = tree(m_drives->hostFolder('C') + QStringLiteral("/Windows"));

    Form1 form;
    form.Form_Load();
    form.Command2()->click();

    QCOMPARE(m_shown,
             QStringList{ QStringLiteral("0 Object Successfully appended to c: [VOLC] !") });
    QFile desktopIni(m_drives->hostFolder('C') + QStringLiteral("/desktop.ini"));
    QVERIFY(desktopIni.open(QIODevice::ReadOnly));
    QCOMPARE(desktopIni.readAll(),
             QByteArrayLiteral("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                               "ICONAREA_IMAGE=D:\\pictures\\sea.jpg\r\n"));
    QVERIFY(!QFileInfo::exists(m_drives->hostFolder('C') + QStringLiteral("/Autorun.inf")));
    QCOMPARE(tree(m_drives->hostFolder('C') + QStringLiteral("/Windows")), settingsBefore);
}

VELVANE_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
