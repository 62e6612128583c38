#include "platform/drives.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace platform;

class TestDrives : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mountedVolumes(); // first: it needs the table not yet installed
    void hostPath_data();
    void hostPath();
    void rejectedPath_data();
    void rejectedPath();
    void windowsPath_data();
    void windowsPath();
    void windowsPathOutsideEveryDrive();
    void tableRecordsWhatEachFolderHolds();

private:
    QTemporaryDir m_dir;
    QString m_disk; // installed as D: for the forward mapping
};

void TestDrives::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_disk = m_dir.filePath("disk");
    const QDir disk(m_disk);
    for (const char *folder : { "disk/Docs", "disk/Mixed", "disk/mixed", "a/b", "ab" })
        QVERIFY(QDir(m_dir.path()).mkpath(folder));
    for (const char *file : { "Docs/Readme.TXT", ".hidden" }) {
        QFile f(disk.filePath(file));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
}

// The table built from the mounted volumes: "/" as C:, then letters in turn
// for real volumes in order of mount point.
void TestDrives::mountedVolumes()
{
    const QList<Drive> table = drives();
    QVERIFY(!table.isEmpty());
    QVERIFY(table.size() <= 24);
    QCOMPARE(table.first().letter, QChar('C'));
    QCOMPARE(table.first().hostFolder, QStringLiteral("/"));
    const QStringList pseudo = { "proc",   "sysfs",   "tmpfs",    "devtmpfs", "devpts", "overlay",
                                 "cgroup", "cgroup2", "squashfs", "fuse",     "autofs", "mqueue" };
    for (int i = 1; i < table.size(); ++i) {
        const Drive &drive = table.at(i);
        QCOMPARE(drive.letter, QChar(char16_t(u'C' + i)));
        const QStorageInfo volume(drive.hostFolder);
        QCOMPARE(volume.rootPath(), drive.hostFolder);
        QVERIFY2(!pseudo.contains(QString::fromLatin1(volume.fileSystemType())),
                 qPrintable(drive.hostFolder));
        if (i > 1)
            QVERIFY(table.at(i - 1).hostFolder < drive.hostFolder);
    }
    for (const Drive &drive : table) {
        struct stat status;
        QCOMPARE(::stat(QFile::encodeName(drive.hostFolder).constData(), &status), 0);
        QCOMPARE(drive.volume.device, quint64(status.st_dev));
        QCOMPARE(drive.volume.inode, quint64(status.st_ino));
    }
}

void TestDrives::hostPath_data()
{
    QTest::addColumn<QString>("windows");
    QTest::addColumn<QString>("relative"); // below the drive's folder
    QTest::newRow("drive root") << "D:\\"
                                << "";
    QTest::newRow("exact spelling") << "D:\\Docs\\Readme.TXT"
                                    << "Docs/Readme.TXT";
    QTest::newRow("names found without regard to case") << "d:\\DOCS\\readme.txt"
                                                        << "Docs/Readme.TXT";
    QTest::newRow("slashes and repeated separators") << "D:/docs\\\\readme.txt"
                                                     << "Docs/Readme.TXT";
    QTest::newRow("exact match first, lower case") << "D:\\mixed\\x"
                                                   << "mixed/x";
    QTest::newRow("exact match first, upper case") << "D:\\Mixed\\x"
                                                   << "Mixed/x";
    QTest::newRow("hidden entry found without regard to case") << "D:\\.HIDDEN"
                                                               << ".hidden";
    QTest::newRow("missing name keeps its spelling") << "D:\\docs\\New.INI"
                                                     << "Docs/New.INI";
    QTest::newRow("names below a missing folder keep their spelling") << "D:\\NoSuch\\readme.txt"
                                                                      << "NoSuch/readme.txt";
    QTest::newRow("wildcards pass through") << "D:\\Docs\\*.txt"
                                            << "Docs/*.txt";
}

void TestDrives::hostPath()
{
    QFETCH(QString, windows);
    QFETCH(QString, relative);
    setDrives({ { 'D', m_disk, QString() } });
    QCOMPARE(platform::hostPath(windows), relative.isEmpty() ? m_disk : m_disk + '/' + relative);
}

void TestDrives::rejectedPath_data()
{
    QTest::addColumn<QString>("windows");
    QTest::newRow("drive root and file name run together") << "Text2desktop.ini";
    QTest::newRow("relative file name") << "x.ini";
    QTest::newRow("root of the current drive") << "\\x";
    QTest::newRow("UNC path") << "\\\\server\\share\\x";
    QTest::newRow("relative to a drive's current folder") << "D:x";
    QTest::newRow("drive without a separator") << "D:";
    QTest::newRow("dot name") << "D:\\.\\Docs";
    QTest::newRow("dot-dot name climbing out") << "D:\\Docs\\..\\..\\ab";
    QTest::newRow("drive not in the table") << "Q:\\x";
    QTest::newRow("digit for a letter") << "1:\\x";
    QTest::newRow("empty") << "";
}

void TestDrives::rejectedPath()
{
    QFETCH(QString, windows);
    setDrives({ { 'D', m_disk, QString() } });
    QCOMPARE(platform::hostPath(windows), QString());
}

void TestDrives::windowsPath_data()
{
    QTest::addColumn<QString>("relative"); // below the temporary folder
    QTest::addColumn<QString>("windows"); // "<tmp>" for the folder as seen from C:
    QTest::newRow("drive folder is its root") << "a"
                                              << "D:\\";
    QTest::newRow("file on a drive") << "a/file.ini"
                                     << "D:\\file.ini";
    QTest::newRow("nested drive wins") << "a/b/c/d.ini"
                                       << "E:\\c\\d.ini";
    QTest::newRow("nested drive's folder with a trailing slash") << "a/b/"
                                                                 << "E:\\";
    QTest::newRow("name sharing a drive folder's prefix is not inside") << "ab/x.ini"
                                                                        << "C:\\<tmp>\\ab\\x.ini";
    QTest::newRow("name sharing a nested folder's prefix") << "a/bc"
                                                           << "D:\\bc";
    QTest::newRow("outside all but the root") << ""
                                              << "C:\\<tmp>";
}

void TestDrives::windowsPath()
{
    QFETCH(QString, relative);
    QFETCH(QString, windows);
    const QString tmp = m_dir.path();
    setDrives({ { 'C', "/", QString() },
                { 'D', tmp + "/a", QString() },
                { 'E', tmp + "/a/b", QString() } });
    const QString tmpOnC = QString(tmp).remove(0, 1).replace('/', '\\');
    QCOMPARE(platform::windowsPath(relative.isEmpty() ? tmp : tmp + '/' + relative),
             windows.replace("<tmp>", tmpOnC));
    QCOMPARE(platform::windowsPath("/"), QStringLiteral("C:\\"));
}

void TestDrives::windowsPathOutsideEveryDrive()
{
    setDrives({ { 'D', m_dir.filePath("a"), QString() } });
    QCOMPARE(platform::windowsPath(m_dir.filePath("ab")), QString());
    QCOMPARE(platform::windowsPath("/"), QString());
    QCOMPARE(platform::windowsPath("a/file.ini"), QString());
}

// An installed table is recorded as it is installed, so that a volume taken
// away later is told from the one that was there; a folder that is not there
// records nothing.
void TestDrives::tableRecordsWhatEachFolderHolds()
{
    setDrives({ { 'D', m_disk, QString() }, { 'E', m_dir.filePath("none"), QString() } });
    const QList<Drive> table = drives();
    struct stat status;
    QCOMPARE(::stat(QFile::encodeName(m_disk).constData(), &status), 0);
    QCOMPARE(table.at(0).volume.device, quint64(status.st_dev));
    QCOMPARE(table.at(0).volume.inode, quint64(status.st_ino));
    QCOMPARE(table.at(1).volume.device, quint64(0));
    QCOMPARE(table.at(1).volume.inode, quint64(0));
}

VELVANE_TEST_MAIN(TestDrives)
#include "tst_drives.moc"
