#include "testmain.h"

#include "platform/drives.h"
#include "platform/profilefunctions.h"
#include "platform/runtime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstring>
#include <ctime>

#include <fcntl.h>
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
    void keepsOwnerAndPermissionBits_data();
    void keepsOwnerAndPermissionBits();
    void replacesTemporaryFileLeftByKilledWriter();
    void temporaryNamesInTheWay_data();
    void temporaryNamesInTheWay();
    void links_data();
    void links();
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
    std::unique_ptr<QTemporaryDir> m_outside; // beside the drive, on no drive
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
    m_outside = std::make_unique<QTemporaryDir>();
    QVERIFY(m_drive->isValid() && m_outside->isValid());
    setDrives({ Drive{ QLatin1Char('D'), m_drive->path(), QStringLiteral("Test") } });
}

void TestProfileFunctions::cleanup()
{
    // A read-only file must not outlive the test for want of a write bit.
    if (QFileInfo(host(QStringLiteral("desktop.ini"))).isFile())
        QFile::setPermissions(host(QStringLiteral("desktop.ini")),
                              QFile::ReadOwner | QFile::WriteOwner);
    m_drive.reset();
    m_outside.reset();
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

void TestProfileFunctions::keepsOwnerAndPermissionBits_data()
{
    QTest::addColumn<uint>("before");
    QTest::addColumn<uint>("after");
    QTest::newRow("permission bits kept") << 0604u << 0604u;
    QTest::newRow("setuid dropped") << 04755u << 0755u;
    QTest::newRow("setgid dropped") << 02664u << 0664u;
    QTest::newRow("sticky dropped") << 01666u << 0666u;
}

// Root may give the old file any owner; the test runs the owner part only as
// root. A profile file is no program: setuid, setgid and sticky do not stay.
void TestProfileFunctions::keepsOwnerAndPermissionBits()
{
    QFETCH(uint, before);
    QFETCH(uint, after);
    const QString name = QStringLiteral("desktop.ini");
    const QByteArray path = QFile::encodeName(host(name));
    put(name, "[S]\r\nK=old\r\n");
    const bool root = ::geteuid() == 0;
    if (root)
        QCOMPARE(::chown(path.constData(), 4321, 4322), 0);
    QCOMPARE(::chmod(path.constData(), mode_t(before)), 0);
    struct stat status;
    QCOMPARE(::stat(path.constData(), &status), 0);
    if ((status.st_mode & 07777) != before)
        QSKIP("this file system or user cannot set these bits");

    QVERIFY(WritePrivateProfileStringA("S", "K", "V", "D:\\desktop.ini"));
    QCOMPARE(contents(name), QByteArray("[S]\r\nK=V\r\n"));
    QCOMPARE(::stat(path.constData(), &status), 0);
    QCOMPARE(uint(status.st_mode & 07777), after);
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

void TestProfileFunctions::temporaryNamesInTheWay_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folder"); // else a file
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("stays");

    QTest::newRow("folder at the temporary name")
        << QStringLiteral(".desktop.ini.velvane-new") << true << 0 << true;
    QTest::newRow("unique name left by a killed writer a minute ago")
        << QStringLiteral(".desktop.ini.velvane-new-3kq9x2") << false << 61 << false;
    QTest::newRow("unique name of a writer still at work")
        << QStringLiteral(".desktop.ini.velvane-new-7fz01c") << false << 5 << true;
    QTest::newRow("old unique name of another file")
        << QStringLiteral(".autorun.inf.velvane-new-3kq9x2") << false << 600 << true;
}

// Something at a temporary name: the write still succeeds, what is not ours
// or may still be in use stays, and a killed writer's leftover goes.
void TestProfileFunctions::temporaryNamesInTheWay()
{
    QFETCH(QString, name);
    QFETCH(bool, folder);
    QFETCH(int, ageSeconds);
    QFETCH(bool, stays);

    put(QStringLiteral("desktop.ini"), "[S]\r\nK=old\r\n");
    if (folder) {
        QVERIFY(QDir(m_drive->path()).mkdir(name));
    } else {
        put(name, "[S]\r\nK=torn");
        const timespec times[2]
            = { { std::time(nullptr) - ageSeconds, 0 }, { std::time(nullptr) - ageSeconds, 0 } };
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(host(name)).constData(), times, 0), 0);
    }

    QVERIFY2(WritePrivateProfileStringA("S", "K", "V", "D:\\desktop.ini"),
             qPrintable(lastProfileError()));
    QCOMPARE(contents(QStringLiteral("desktop.ini")), QByteArray("[S]\r\nK=V\r\n"));
    QStringList expected{ QStringLiteral("desktop.ini") };
    if (stays)
        expected << name;
    expected.sort();
    QCOMPARE(entries(), expected);
}

enum Link {
    FileOutside,
    DanglingLink,
    FolderOutside,
    FolderOutsideOnTheWay,
    FileInside,
    FolderInside
};
Q_DECLARE_METATYPE(Link)

void TestProfileFunctions::links_data()
{
    QTest::addColumn<Link>("link");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("reason"); // empty: the write succeeds
    QTest::addColumn<QByteArray>("read");

    const QByteArray file("D:\\desktop.ini");
    const QString isLink = QStringLiteral("it is a link, not a file");
    QTest::newRow("link to a file outside the drive")
        << FileOutside << file << isLink << QByteArray("default");
    QTest::newRow("dangling link") << DanglingLink << file << isLink << QByteArray("default");
    QTest::newRow("link to a folder outside the drive")
        << FolderOutside << file << isLink << QByteArray("default");
    QTest::newRow("folder on the way links out of the drive")
        << FolderOutsideOnTheWay << QByteArray("D:\\Link\\desktop.ini")
        << QStringLiteral("D:\\Link is a link out of the drive") << QByteArray("default");
    QTest::newRow("link to a file inside the drive")
        << FileInside << file << isLink << QByteArray("inside");
    QTest::newRow("folder on the way links inside the drive")
        << FolderInside << QByteArray("D:\\Link\\desktop.ini") << QString() << QByteArray("V");
}

// A write follows no link to its file and no folder link out of the drive; a
// read follows links only while they stay inside. Nothing outside is created,
// read into the drive or changed, and a refused link stays as it was.
void TestProfileFunctions::links()
{
    QFETCH(Link, link);
    QFETCH(QByteArray, path);
    QFETCH(QString, reason);
    QFETCH(QByteArray, read);

    const QByteArray secret("[S]\r\nK=secret\r\n");
    QFile outsideFile(m_outside->filePath(QStringLiteral("desktop.ini")));
    QVERIFY(outsideFile.open(QIODevice::WriteOnly));
    outsideFile.write(secret);
    outsideFile.close();
    QCOMPARE(::chmod(QFile::encodeName(outsideFile.fileName()).constData(), 0640), 0);
    QString target;
    QString linkName = QStringLiteral("desktop.ini");
    switch (link) {
    case FileOutside:
        target = outsideFile.fileName();
        break;
    case DanglingLink:
        target = m_outside->filePath(QStringLiteral("none/desktop.ini"));
        break;
    case FolderOutside:
    case FolderOutsideOnTheWay:
        target = m_outside->path();
        break;
    case FileInside:
        put(QStringLiteral("real.ini"), "[S]\r\nK=inside\r\n");
        target = QStringLiteral("real.ini");
        break;
    case FolderInside:
        QVERIFY(QDir(m_drive->path()).mkdir(QStringLiteral("real")));
        target = QStringLiteral("real");
        break;
    }
    if (link == FolderOutsideOnTheWay || link == FolderInside)
        linkName = QStringLiteral("link");
    QVERIFY(QFile::link(target, host(linkName)));
    const QStringList outsideBefore
        = QDir(m_outside->path())
              .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const QStringList before = entries();
    const QString linkTarget = QFile::symLinkTarget(host(linkName));

    const bool written = WritePrivateProfileStringA("S", "K", "V", path.constData());
    char value[16];
    GetPrivateProfileStringA("S", "K", "default", value, sizeof value, path.constData());

    QCOMPARE(written, reason.isEmpty());
    if (!written)
        QCOMPARE(lastProfileError(), reason);
    QCOMPARE(QByteArray(value), read);
    QVERIFY(QFileInfo(host(linkName)).isSymLink());
    QCOMPARE(QFile::symLinkTarget(host(linkName)), linkTarget);
    if (written)
        QCOMPARE(contents(QStringLiteral("real/desktop.ini")), QByteArray("[S]\r\nK=V\r\n"));
    else
        QCOMPARE(entries(), before);
    QCOMPARE(QDir(m_outside->path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             outsideBefore);
    QVERIFY(outsideFile.open(QIODevice::ReadOnly));
    QCOMPARE(outsideFile.readAll(), secret);
    if (link == FileInside)
        QCOMPARE(contents(QStringLiteral("real.ini")), QByteArray("[S]\r\nK=inside\r\n"));
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
// content, in a process set up by the program's start routine, so that the
// write sees EFBIG rather than being ended by SIGXFSZ.
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
        platform::startRuntime();
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
