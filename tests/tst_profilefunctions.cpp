#include "testmain.h"

#include "platform/drives.h"
#include "platform/profilefunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <cstring>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

class TestProfileFunctions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void read_data();
    void read();
    void readsAfreshAtEveryCall();
    void write_data();
    void write();
    void keepsOwnerAndPermissionBits();
    void replacesTemporaryFileLeftByKilledWriter();
    void failures_data();
    void failures();
    void fullDisk_data();
    void fullDisk();

private:
    QString host(const QString &name) const { return m_drive->filePath(name); }
    void put(const QString &name, const QByteArray &bytes) const;
    QByteArray contents(const QString &name) const;
    // Everything in the drive's folders, hidden names included, so that a
    // temporary or lock file left behind shows.
    QStringList entries() const;

    QList<Drive> m_savedDrives;
    std::unique_ptr<QTemporaryDir> m_drive;
};

void TestProfileFunctions::put(const QString &name, const QByteArray &bytes) const
{
    QFile file(host(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray TestProfileFunctions::contents(const QString &name) const
{
    QFile file(host(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

QStringList TestProfileFunctions::entries() const
{
    QStringList names;
    const QDir::Filters filter
        = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    const QStringList top = QDir(m_drive->path()).entryList(filter, QDir::Name);
    for (const QString &name : top) {
        names << name;
        for (const QString &inner : QDir(host(name)).entryList(filter, QDir::Name))
            names << name + '/' + inner;
    }
    return names;
}

void TestProfileFunctions::initTestCase()
{
    m_savedDrives = drives();
}

void TestProfileFunctions::init()
{
    m_drive = std::make_unique<QTemporaryDir>();
    QVERIFY(m_drive->isValid());
    setDrives({ Drive{ QLatin1Char('D'), m_drive->path(), QStringLiteral("Test") } });
}

void TestProfileFunctions::cleanup()
{
    // A read-only file must not outlive the test for want of a write bit.
    if (QFileInfo(host(QStringLiteral("desktop.ini"))).isFile())
        QFile::setPermissions(host(QStringLiteral("desktop.ini")),
                              QFile::ReadOwner | QFile::WriteOwner);
    m_drive.reset();
    setDrives(m_savedDrives);
}

void TestProfileFunctions::cleanupTestCase()
{
    setDrives(m_savedDrives);
}

void TestProfileFunctions::read_data()
{
    QTest::addColumn<QByteArray>("file"); // written as D:\desktop.ini unless empty
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("def");
    QTest::addColumn<uint>("size");
    QTest::addColumn<QByteArray>("buffer"); // all 12 bytes afterwards
    QTest::addColumn<uint>("count");

    const QByteArray file("[S]\r\nK=value\r\n");
    const QByteArray path("D:\\desktop.ini");
    QTest::newRow("value found") << file << path << QByteArray("d") << 12u
                                 << QByteArray("value\0******", 12) << 5u;
    QTest::newRow("path matched without regard to case")
        << file << QByteArray("d:/DESKTOP.INI") << QByteArray("d") << 12u
        << QByteArray("value\0******", 12) << 5u;
    QTest::newRow("value cut to size less one, then NUL")
        << file << path << QByteArray("d") << 4u << QByteArray("val\0********", 12) << 3u;
    QTest::newRow("size one gives only the NUL")
        << file << path << QByteArray("d") << 1u << QByteArray("\0***********", 12) << 0u;
    QTest::newRow("size zero leaves the buffer alone")
        << file << path << QByteArray("d") << 0u << QByteArray("************") << 0u;
    QTest::newRow("empty value is not the default")
        << QByteArray("[S]\r\nK=\r\n") << path << QByteArray("d") << 12u
        << QByteArray("\0***********", 12) << 0u;
    QTest::newRow("missing key gives the default, trailing spaces cut")
        << QByteArray("[S]\r\nX=1\r\n") << path << QByteArray(" d e  ") << 12u
        << QByteArray(" d e\0*******", 12) << 4u;
    QTest::newRow("missing section gives the default")
        << QByteArray("[T]\r\nK=1\r\n") << path << QByteArray("d") << 12u
        << QByteArray("d\0**********", 12) << 1u;
    QTest::newRow("default cut to size less one") << QByteArray() << path << QByteArray("default")
                                                  << 4u << QByteArray("def\0********", 12) << 3u;
    QTest::newRow("missing file gives the default")
        << QByteArray() << path << QByteArray("d") << 12u << QByteArray("d\0**********", 12) << 1u;
    QTest::newRow("missing drive gives the default")
        << file << QByteArray("Q:\\desktop.ini") << QByteArray("d") << 12u
        << QByteArray("d\0**********", 12) << 1u;
    QTest::newRow("path not absolute on a drive gives the default")
        << file << QByteArray("desktop.ini") << QByteArray("d") << 12u
        << QByteArray("d\0**********", 12) << 1u;
    QTest::newRow("folder in place of the file gives the default")
        << QByteArray() << QByteArray("D:\\") << QByteArray("d") << 12u
        << QByteArray("d\0**********", 12) << 1u;
}

// Also: a read never creates or changes a file.
void TestProfileFunctions::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, def);
    QFETCH(uint, size);
    QFETCH(QByteArray, buffer);
    QFETCH(uint, count);

    if (!file.isEmpty())
        put(QStringLiteral("desktop.ini"), file);
    const QStringList before = entries();

    QByteArray out(12, '*');
    QCOMPARE(
        GetPrivateProfileStringA("s", "k", def.constData(), out.data(), size, path.constData()),
        count);
    QCOMPARE(out, buffer);
    QCOMPARE(entries(), before);
    if (!file.isEmpty())
        QCOMPARE(contents(QStringLiteral("desktop.ini")), file);
}

void TestProfileFunctions::readsAfreshAtEveryCall()
{
    char buffer[8];
    put(QStringLiteral("a.ini"), "[S]\nK=1\n");
    QCOMPARE(GetPrivateProfileStringA("S", "K", "", buffer, 8, "D:\\a.ini"), 1u);
    QCOMPARE(buffer[0], '1');
    put(QStringLiteral("a.ini"), "[S]\nK=22\n");
    QCOMPARE(GetPrivateProfileStringA("S", "K", "", buffer, 8, "D:\\a.ini"), 2u);
    QCOMPARE(QByteArray(buffer), QByteArray("22"));
}

void TestProfileFunctions::write_data()
{
    QTest::addColumn<QString>("existing"); // name of a file there before, or empty
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file in an existing folder")
        << QString() << QByteArray() << QByteArray("D:\\desktop.ini")
        << QByteArray("[S]\r\nK=V\r\n");
    QTest::newRow("empty file") << QStringLiteral("desktop.ini") << QByteArray()
                                << QByteArray("D:\\desktop.ini") << QByteArray("[S]\r\nK=V\r\n");
    QTest::newRow("existing file edited in place of its old bytes")
        << QStringLiteral("desktop.ini") << QByteArrayLiteral("\0;c\n[s]\nk = old \n\n[T]\r\nx")
        << QByteArray("D:\\desktop.ini") << QByteArrayLiteral("\0;c\n[s]\nk =V\n\n[T]\r\nx");
    QTest::newRow("file found without regard to case keeps its name")
        << QStringLiteral("DeskTop.INI") << QByteArray("[S]\r\nK=old\r\n")
        << QByteArray("d:/desktop.ini") << QByteArray("[S]\r\nK=V\r\n");
    QTest::newRow("UTF-16LE file stays UTF-16LE")
        << QStringLiteral("desktop.ini") << QByteArrayLiteral("\xFF\xFE[\0S\0]\0")
        << QByteArray("D:\\desktop.ini")
        << QByteArrayLiteral("\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0V\0\r\0\n\0");
}

// The file ends exactly as the rules say, and nothing else is left in the
// folder: no temporary file, no lock file.
void TestProfileFunctions::write()
{
    QFETCH(QString, existing);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, after);

    if (!existing.isEmpty())
        put(existing, before);
    QVERIFY(WritePrivateProfileStringA("S", "K", "V", path.constData()));
    const QString name = existing.isEmpty() ? QStringLiteral("desktop.ini") : existing;
    QCOMPARE(contents(name), after);
    QCOMPARE(entries(), QStringList{ name });
}

void TestProfileFunctions::keepsOwnerAndPermissionBits()
{
    const QString name = QStringLiteral("desktop.ini");
    const QByteArray path = QFile::encodeName(host(name));
    put(name, "[S]\r\nK=old\r\n");
    QCOMPARE(::chmod(path.constData(), 0604), 0);
    const bool root = ::geteuid() == 0;
    if (root)
        QCOMPARE(::chown(path.constData(), 4321, 4322), 0);

    QVERIFY(WritePrivateProfileStringA("S", "K", "V", "D:\\desktop.ini"));
    QCOMPARE(contents(name), QByteArray("[S]\r\nK=V\r\n"));
    struct stat status;
    QCOMPARE(::stat(path.constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0604));
    if (root) {
        QCOMPARE(status.st_uid, uid_t(4321));
        QCOMPARE(status.st_gid, gid_t(4322));
    }
}

// Writers take turns, so a temporary file found at the start of a write was
// left by a writer that was killed: it goes, and does not block the write.
void TestProfileFunctions::replacesTemporaryFileLeftByKilledWriter()
{
    put(QStringLiteral("desktop.ini"), "[S]\r\nK=old\r\n");
    put(QStringLiteral(".desktop.ini.velvane-new"), "[S]\r\nK=torn");
    QVERIFY(WritePrivateProfileStringA("S", "K", "V", "D:\\desktop.ini"));
    QCOMPARE(contents(QStringLiteral("desktop.ini")), QByteArray("[S]\r\nK=V\r\n"));
    QCOMPARE(entries(), QStringList{ QStringLiteral("desktop.ini") });
}

enum Fault { NoFault, RegularFileAsParent, FolderAsFile, ReadOnlyFile };
Q_DECLARE_METATYPE(Fault)

void TestProfileFunctions::failures_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("reason");

    const QByteArray path("D:\\desktop.ini");
    QTest::newRow("missing folder")
        << NoFault << QByteArray("D:\\none\\desktop.ini") << QByteArray("S") << QByteArray("V")
        << QStringLiteral("No such file or directory");
    QTest::newRow("missing drive")
        << NoFault << QByteArray("Q:\\desktop.ini") << QByteArray("S") << QByteArray("V")
        << QStringLiteral("No such file or directory");
    QTest::newRow("path not absolute on a drive")
        << NoFault << QByteArray("Text2desktop.ini") << QByteArray("S") << QByteArray("V")
        << QStringLiteral("No such file or directory");
    QTest::newRow("parent is a regular file")
        << RegularFileAsParent << QByteArray("D:\\desktop.ini\\desktop.ini") << QByteArray("S")
        << QByteArray("V") << QStringLiteral("Not a directory");
    QTest::newRow("folder where the file should be")
        << FolderAsFile << path << QByteArray("S") << QByteArray("V")
        << QStringLiteral("Is a directory");
    QTest::newRow("read-only file, even for root")
        << ReadOnlyFile << path << QByteArray("S") << QByteArray("V")
        << QStringLiteral("Permission denied");
    QTest::newRow("line break in value refused")
        << NoFault << path << QByteArray("S") << QByteArray("V\r\n[autorun]")
        << QStringLiteral("Invalid argument");
    QTest::newRow("closing bracket in section refused")
        << NoFault << path << QByteArray("S]") << QByteArray("V")
        << QStringLiteral("Invalid argument");
}

// Each fails, says why, leaves every old byte and leaves nothing new.
void TestProfileFunctions::failures()
{
    QFETCH(Fault, fault);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, value);
    QFETCH(QString, reason);

    const QString name = QStringLiteral("desktop.ini");
    const QByteArray old("[S]\r\nK=old\r\n");
    switch (fault) {
    case NoFault:
    case RegularFileAsParent:
        put(name, old);
        break;
    case FolderAsFile:
        QVERIFY(QDir(m_drive->path()).mkdir(name));
        break;
    case ReadOnlyFile:
        put(name, old);
        QVERIFY(QFile::setPermissions(host(name),
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        break;
    }
    const QStringList before = entries();

    QVERIFY(
        !WritePrivateProfileStringA(section.constData(), "K", value.constData(), path.constData()));
    QCOMPARE(lastProfileError(), reason);
    QCOMPARE(entries(), before);
    if (fault != FolderAsFile)
        QCOMPARE(contents(name), old);
}

void TestProfileFunctions::fullDisk_data()
{
    QTest::addColumn<QByteArray>("old"); // empty: no file before

    QTest::newRow("existing file") << "[S]\r\nK=old\r\n" + QByteArray(64 * 1024, ';') + "\r\n";
    QTest::newRow("new file") << QByteArray();
}

// The disk fills up in a child process: a file-size limit below the new
// content, with SIGXFSZ ignored so that the write sees EFBIG.
void TestProfileFunctions::fullDisk()
{
    QFETCH(QByteArray, old);

    const QString name = QStringLiteral("desktop.ini");
    if (!old.isEmpty())
        put(name, old);
    const QStringList before = entries();

    int channel[2];
    QCOMPARE(::pipe(channel), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{ 8, 8 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool written = WritePrivateProfileStringA("S", "K", "V", "D:\\desktop.ini");
        const QByteArray report = (written ? "true:" : "false:") + lastProfileError().toUtf8();
        [[maybe_unused]] const ssize_t sent
            = ::write(channel[1], report.constData(), size_t(report.size()));
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray report;
    char chunk[256];
    for (ssize_t count; (count = ::read(channel[0], chunk, sizeof chunk)) > 0;)
        report.append(chunk, count);
    ::close(channel[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));

    QCOMPARE(report, QByteArray("false:File too large"));
    QCOMPARE(entries(), before);
    QCOMPARE(contents(name), old.isEmpty() ? QByteArray("<missing>") : old);
}

VELVANE_TEST_MAIN(TestProfileFunctions)

#include "tst_profilefunctions.moc"
