// The profile functions under real faults: writers killed or racing in other
// processes (tests/profilewriter.cpp), another program's locks, a file-size
// limit, a full, a read-only and a vanished medium, FAT attributes, and large
// or odd files.

#include "faultsequence.h"
#include "testmain.h"

#include "platform/drives.h"
#include "platform/profilefunctions.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const QString profileName = QStringLiteral("profile.ini");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                  | QDir::NoDotAndDotDot);
}

void useDrive(const QString &folder)
{
    platform::setDrives({ { QLatin1Char('D'), folder, QStringLiteral("Faults") } });
}

bool write(const FaultSequence::Write &w, const char *file = FaultSequence::profile())
{
    return platform::WritePrivateProfileStringA(w.section.constData(), w.key.constData(),
                                                w.value.constData(), file);
}

// The file as the write leaves it, made in a folder of our own.
QByteArray afterWrite(const QByteArray &before, const FaultSequence::Write &w)
{
    QTemporaryDir scratch;
    useDrive(scratch.path());
    if (!writeFile(scratch.filePath(profileName), before) || !write(w))
        return {};
    return readFile(scratch.filePath(profileName));
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// 10 MiB of sections of a hundred keys; key50 of [Section475] holds middle.
QByteArray tenMiB(const QByteArray &middle)
{
    QByteArray content;
    content.reserve(10 * 1024 * 1024 + 4096);
    const QByteArray filler(96, 'x');
    for (int s = 0; content.size() < 10 * 1024 * 1024; ++s) {
        content += "[Section" + QByteArray::number(s) + "]\r\n";
        for (int k = 0; k < 100; ++k) {
            content += "key" + QByteArray::number(k) + '=';
            content += s == 475 && k == 50 ? middle : filler;
            content += "\r\n";
        }
    }
    return content;
}

} // namespace

class TestProfileFaults : public QObject
{
    Q_OBJECT

private slots:
    void killedMidWrite();
    void concurrentWriters_data();
    void concurrentWriters();
    void otherProgramsLock_data();
    void otherProgramsLock();
    void fileSizeLimit_data();
    void fileSizeLimit();
    void faultyMedium_data();
    void faultyMedium();
    void driveGone_data();
    void driveGone();
    void fatAttributesKept();
    void oddFiles_data();
    void oddFiles();
};

// A child writes the sequence and is killed at a random moment of it; the file
// must then be the state before or after the write that was going on.
void TestProfileFaults::killedMidWrite()
{
    const int count = 40;
    const int kills = 60;
    const QByteArray initial = FaultSequence::initialContent();

    QList<QByteArray> states{ sha1(initial) };
    {
        QTemporaryDir replay;
        useDrive(replay.path());
        QVERIFY(writeFile(replay.filePath(profileName), initial));
        for (int i = 0; i < count; ++i) {
            QVERIFY(write(FaultSequence::write(i)));
            states << sha1(readFile(replay.filePath(profileName)));
        }
    }

    QTemporaryDir dir;
    const QString file = dir.filePath(profileName);
    auto startChild = [&](QProcess &child) {
        child.start(QStringLiteral(PROFILEWRITER),
                    { QStringLiteral("sequence"), dir.path(), QString::number(count) });
        return child.waitForStarted() && child.waitForReadyRead(10000);
    };

    // One whole run, to learn how long one write takes.
    QVERIFY(writeFile(file, initial));
    QProcess whole;
    QElapsedTimer timer;
    QVERIFY(startChild(whole));
    timer.start();
    QVERIFY(whole.waitForFinished(60000));
    const qint64 writeMicroseconds = qMax<qint64>(100, timer.nsecsElapsed() / 1000 / count);
    QCOMPARE(whole.exitCode(), 0);
    QCOMPARE(sha1(readFile(file)), states.last());

    // The child announces each write as it begins: waiting for a chosen one
    // keeps the kills amid the writes however busy the machine is.
    const auto waitForWrite = [](QProcess &child, int target) {
        QByteArray announced = child.peek(child.bytesAvailable());
        while (!announced.endsWith('\n')
               || announced.trimmed().split('\n').last().toInt() < target) {
            if (!child.waitForReadyRead(10000))
                return false;
            announced = child.peek(child.bytesAvailable());
        }
        return true;
    };

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    int killedInRun = 0;
    for (int kill = 0; kill < kills; ++kill) {
        QVERIFY(writeFile(file, initial));
        QProcess child;
        QVERIFY(startChild(child));
        QVERIFY(waitForWrite(child, int(random.bounded(quint32(count)))));
        QThread::usleep(random.bounded(quint64(writeMicroseconds)));
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        if (child.exitStatus() == QProcess::CrashExit)
            ++killedInRun;
        const QList<QByteArray> announced = child.readAllStandardOutput().trimmed().split('\n');
        const int during = announced.last().toInt();
        const QByteArray now = sha1(readFile(file));
        QVERIFY2(now == states[during] || now == states[during + 1],
                 qPrintable(QStringLiteral("seed %1: killed during write %2, the file is neither "
                                           "the one before it nor the one after it")
                                .arg(seed)
                                .arg(during)));
    }
    // A killed writer may leave its temporary file; the next write takes it away.
    useDrive(dir.path());
    QVERIFY(write(FaultSequence::write(0)));
    QCOMPARE(entries(dir.path()), QStringList{ profileName });
    QVERIFY2(killedInRun >= kills / 2,
             qPrintable(QStringLiteral("only %1 of %2 kills landed amid the writes")
                            .arg(killedInRun)
                            .arg(kills)));
}

void TestProfileFaults::concurrentWriters_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("file there before both") << true;
    QTest::newRow("file created by the first of them") << false;
}

// Two processes add keys of their own to one file at the same moment: no key
// may be lost to the other's replacing the file, and no lock file is left.
void TestProfileFaults::concurrentWriters()
{
    QFETCH(bool, exists);
    const int count = 150;
    QTemporaryDir dir;
    if (exists)
        QVERIFY(writeFile(dir.filePath(profileName), "[Both]\r\n"));

    QProcess writers[2];
    const char *prefixes[2] = { "A", "B" };
    for (int w = 0; w < 2; ++w) {
        writers[w].start(QStringLiteral(PROFILEWRITER),
                         { QStringLiteral("keys"), dir.path(), QLatin1String(prefixes[w]),
                           QString::number(count) });
        QVERIFY(writers[w].waitForStarted());
        QVERIFY(writers[w].waitForReadyRead(10000));
        QCOMPARE(writers[w].readLine(), QByteArray("ready\n"));
    }
    for (QProcess &writer : writers) {
        writer.write("\n");
        QVERIFY(writer.waitForBytesWritten());
    }
    for (QProcess &writer : writers) {
        QVERIFY(writer.waitForFinished(120000));
        QVERIFY2(writer.exitCode() == 0, writer.readAllStandardOutput().constData());
    }

    useDrive(dir.path());
    QStringList lost;
    for (const char *prefix : prefixes) {
        for (int i = 0; i < count; ++i) {
            const QByteArray key = prefix + QByteArray::number(i);
            char value[16];
            platform::GetPrivateProfileStringA("Both", key.constData(), "lost", value, sizeof value,
                                               FaultSequence::profile());
            if (QByteArray(value) != QByteArray::number(i))
                lost << QString::fromLatin1(key);
        }
    }
    QVERIFY2(lost.isEmpty(), qPrintable(QStringLiteral("lost: ") + lost.join(u' ')));
    QCOMPARE(entries(dir.path()), QStringList{ profileName });
}

void TestProfileFaults::otherProgramsLock_data()
{
    QTest::addColumn<QString>("locked"); // "." for the folder
    QTest::addColumn<int>("holdMs");
    QTest::addColumn<QString>("created"); // by the holder, under its lock
    QTest::addColumn<QString>("reason"); // empty: the write succeeds
    QTest::addColumn<QStringList>("after");

    const QStringList profile{ profileName };
    QTest::newRow("folder held past the bound")
        << QStringLiteral(".") << 10000 << QString()
        << QStringLiteral("another program holds a lock on its folder") << profile;
    QTest::newRow("file held past the bound")
        << profileName << 10000 << QString() << QStringLiteral("another program holds a lock on it")
        << profile;
    QTest::newRow("folder let go within the bound")
        << QStringLiteral(".") << 300 << QString() << QString() << profile;
    QTest::newRow("file let go within the bound")
        << profileName << 300 << QString() << QString() << profile;
    // The writer asks for profile.ini while the holder creates PROFILE.INI:
    // the name is matched once the lock is the writer's, so one file results.
    QTest::newRow("other spelling created under the lock")
        << QStringLiteral(".") << 300 << QStringLiteral("PROFILE.INI") << QString()
        << QStringList{ QStringLiteral("PROFILE.INI") };
}

// Another program's flock on the folder or on the file: a write waits for it
// about 2 s at most, then fails with the file as it was.
void TestProfileFaults::otherProgramsLock()
{
    QFETCH(QString, locked);
    QFETCH(int, holdMs);
    QFETCH(QString, created);
    QFETCH(QString, reason);
    QFETCH(QStringList, after);

    QTemporaryDir dir;
    useDrive(dir.path());
    const QByteArray before("[S]\r\nK=old\r\n");
    if (created.isEmpty())
        QVERIFY(writeFile(dir.filePath(profileName), before));
    QProcess holder;
    QStringList arguments{ QStringLiteral("hold"), dir.path(), locked, QString::number(holdMs) };
    if (!created.isEmpty())
        arguments << created;
    holder.start(QStringLiteral(PROFILEWRITER), arguments);
    QVERIFY(holder.waitForStarted());
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine(), QByteArray("held\n"));

    QElapsedTimer timer;
    timer.start();
    const bool ok = platform::WritePrivateProfileStringA("S", "K", "new", FaultSequence::profile());
    const qint64 elapsed = timer.elapsed();
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    QCOMPARE(holder.exitCode(), 0);

    QVERIFY2(elapsed < 3000, qPrintable(QStringLiteral("the write took %1 ms").arg(elapsed)));
    QCOMPARE(entries(dir.path()), after);
    if (reason.isEmpty()) {
        QVERIFY(ok);
        QVERIFY(readFile(dir.filePath(after.first())).contains("K=new"));
    } else {
        QVERIFY(!ok);
        QVERIFY2(elapsed >= 1500, qPrintable(QStringLiteral("gave up after %1 ms").arg(elapsed)));
        QCOMPARE(platform::lastProfileError(), reason);
        QCOMPARE(readFile(dir.filePath(profileName)), before);
    }
}

void TestProfileFaults::fileSizeLimit_data()
{
    const QByteArray before = FaultSequence::mediumContent();
    const qint64 size = afterWrite(before, FaultSequence::write(1)).size();
    QVERIFY(size > before.size());

    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("limit inside the old file") << qint64(before.size() / 2) << false;
    QTest::newRow("one byte short of the new file") << size - 1 << false;
    QTest::newRow("exactly the new file") << size << true;
}

// RLIMIT_FSIZE in a child that has run the program's start routine, at the
// edges: the write succeeds only where the whole new file fits, is not
// refused where it does, and a write that does not fit is reported, not
// ended by SIGXFSZ.
void TestProfileFaults::fileSizeLimit()
{
    QFETCH(qint64, limit);
    QFETCH(bool, succeeds);
    const QByteArray before = FaultSequence::mediumContent();
    const QByteArray expected = afterWrite(before, FaultSequence::write(1));

    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(profileName), before));
    QProcess child;
    child.start(QStringLiteral(PROFILEWRITER),
                { QStringLiteral("limit"), dir.path(), QString::number(limit) });
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    const QString error = QString::fromUtf8(child.readAllStandardOutput().trimmed());

    QCOMPARE(child.exitCode(), succeeds ? 0 : 1);
    QCOMPARE(readFile(dir.filePath(profileName)), succeeds ? expected : before);
    if (!succeeds)
        QCOMPARE(error, errorText(EFBIG));
    QCOMPARE(entries(dir.path()), QStringList{ profileName });
}

void TestProfileFaults::faultyMedium_data()
{
    const qint64 size
        = afterWrite(FaultSequence::mediumContent(), FaultSequence::mediumWrite()).size();
    const qint64 pages = (size + 4095) / 4096;

    QTest::addColumn<QString>("mode");
    QTest::addColumn<qint64>("freePages");
    QTest::addColumn<int>("error");
    QTest::newRow("medium full") << QStringLiteral("full") << qint64(0) << ENOSPC;
    QTest::newRow("one page short of the new file")
        << QStringLiteral("full") << pages - 1 << ENOSPC;
    QTest::newRow("just room for the new file") << QStringLiteral("full") << pages << 0;
    QTest::newRow("medium mounted read-only") << QStringLiteral("readonly") << qint64(0) << EROFS;
}

// A real full or read-only file system: a tmpfs mounted in the child's own
// mount namespace over the test's folder.
void TestProfileFaults::faultyMedium()
{
    QFETCH(QString, mode);
    QFETCH(qint64, freePages);
    QFETCH(int, error);
    const QByteArray before = FaultSequence::mediumContent();
    const QByteArray expected = afterWrite(before, FaultSequence::mediumWrite());

    QTemporaryDir dir;
    QStringList arguments{ mode, dir.path() };
    if (mode == QLatin1String("full"))
        arguments << QString::number(freePages);
    QProcess child;
    child.start(QStringLiteral(PROFILEWRITER), arguments);
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    if (child.exitCode() == 77)
        QSKIP("no mount namespace to mount a tmpfs in (needs root or user namespaces)");
    QCOMPARE(child.exitCode(), 0);

    QByteArray output = child.readAllStandardOutput();
    output.chop(1);
    const QList<QByteArray> result = output.split('\t');
    QCOMPARE(result.size(), 5);
    const bool ok = result[0] == "1";
    QCOMPARE(ok, error == 0);
    QCOMPARE(result[1] == "1", !ok);
    QCOMPARE(result[2], QByteArray("0"));
    if (ok)
        QCOMPARE(result[3], sha1(expected));
    else
        QCOMPARE(QString::fromUtf8(result[4]), errorText(error));
}

void TestProfileFaults::driveGone_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("entries"); // of the drive's folder afterwards
    QTest::newRow("table built from the mounts, volume unmounted")
        << QStringLiteral("built") << QString();
    QTest::newRow("table installed, volume unmounted") << QStringLiteral("installed") << QString();
    QTest::newRow("table installed, another volume mounted in its place")
        << QStringLiteral("replaced") << QString();
}

// A volume taken away while the table stands: its folder stays, bare or
// holding another volume, and a write there is no success and leaves nothing;
// a read finds nothing.
void TestProfileFaults::driveGone()
{
    QFETCH(QString, how);
    QFETCH(QString, entries);

    QTemporaryDir dir;
    QProcess child;
    child.start(QStringLiteral(PROFILEWRITER), { QStringLiteral("gone"), dir.path(), how });
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    if (child.exitCode() == 77)
        QSKIP("no mount namespace to mount a volume in (needs root or user namespaces)");
    QCOMPARE(child.exitCode(), 0);

    QByteArray output = child.readAllStandardOutput();
    output.chop(1);
    const QList<QByteArray> result = output.split('\t');
    QCOMPARE(result.size(), 5);
    QCOMPARE(result[0], QByteArray("1"));
    QCOMPARE(result[1], QByteArray("0"));
    QCOMPARE(QString::fromUtf8(result[2]), QStringLiteral("the drive is no longer there"));
    QCOMPARE(QString::fromUtf8(result[3]), entries);
    QCOMPARE(result[4], QByteArray("missing"));
}

// FAT keeps hidden and system as attributes of the file, which Linux shows
// only through the FAT ioctls; a file put in the place of the old one would
// lose them. This test needs a mounted FAT volume, which it cannot make here:
// the kernel of the test machines has no vfat driver, and mounting one takes
// root and a loop device. It runs where VELVANE_FAT_FOLDER names a writable
// folder on a FAT volume, and is skipped elsewhere. That a write goes on where
// the ioctls fail, as on every other file system, the other tests show.
void TestProfileFaults::fatAttributesKept()
{
    const QString fat = qEnvironmentVariable("VELVANE_FAT_FOLDER");
    if (fat.isEmpty())
        QSKIP("no FAT volume: set VELVANE_FAT_FOLDER to a folder on one");
    QTemporaryDir dir(fat + QStringLiteral("/velvane-XXXXXX"));
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("desktop.ini"));
    QVERIFY(writeFile(file, "[.ShellClassInfo]\r\n"));
    auto attributes = [&](quint32 *set) -> qint64 {
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
        __u32 value = set ? *set : 0;
        const int result
            = ioctl(fd, set ? FAT_IOCTL_SET_ATTRIBUTES : FAT_IOCTL_GET_ATTRIBUTES, &value);
        ::close(fd);
        return result == 0 ? qint64(value) : -1;
    };
    quint32 hiddenSystem = ATTR_HIDDEN | ATTR_SYS;
    QVERIFY2(attributes(&hiddenSystem) >= 0, "VELVANE_FAT_FOLDER is not on a FAT volume");

    useDrive(dir.path());
    QVERIFY(platform::WritePrivateProfileStringA(".ShellClassInfo", "IconResource", "x.ico",
                                                 "D:\\desktop.ini"));
    QCOMPARE(readFile(file), QByteArray("[.ShellClassInfo]\r\nIconResource=x.ico\r\n"));
    QCOMPARE(attributes(nullptr) & (ATTR_HIDDEN | ATTR_SYS), qint64(ATTR_HIDDEN | ATTR_SYS));
}

void TestProfileFaults::oddFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<quint32>("size");
    QTest::addColumn<QByteArray>("expectedRead");
    QTest::addColumn<QByteArray>("writeSection");
    QTest::addColumn<QByteArray>("writeKey");
    QTest::addColumn<QByteArray>("after");

    const QByteArray line(1024 * 1024, 'l');
    const QByteArray big = tenMiB(QByteArray(96, 'x'));
    const qsizetype last = big.lastIndexOf('[') + 1;
    QTest::newRow("10 MiB file, last key of the last section")
        << big << big.mid(last, big.indexOf(']', last) - last) << QByteArray("key99") << 750u
        << QByteArray(96, 'x') << QByteArray("Section475") << QByteArray("key50")
        << tenMiB("new value");
    QTest::newRow("1 MiB line, cut to the buffer, replaced")
        << "[Velvane]\r\nImage_Path=" + line + "\r\nNext=1\r\n"
        << QByteArray("velvane") << QByteArray("image_path") << 750u << line.left(749)
        << QByteArray("Velvane") << QByteArray("IMAGE_PATH")
        << QByteArray("[Velvane]\r\nImage_Path=new value\r\nNext=1\r\n");
    QTest::newRow("NUL, lone CR and 0x1A together")
        << QByteArray("\x1a[Top]\r\n[S]\rA=1\r\0\0\0\r\nB=2\r\n\x1a", 27) << QByteArray("S")
        << QByteArray("B") << 750u << QByteArray("2") << QByteArray("S") << QByteArray("C")
        << QByteArray("\x1a[Top]\r\n[S]\rA=1\r\0\0\0\r\nB=2\r\nC=new value\r\n\x1a", 40);
}

// Read one key, then write "new value": as the rules say, all other bytes kept.
// The odd bytes one at a time, unterminated headers and UTF-16LE with an odd
// byte count are rows of tst_inifile; here large files go through real ones.
void TestProfileFaults::oddFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(quint32, size);
    QFETCH(QByteArray, expectedRead);
    QFETCH(QByteArray, writeSection);
    QFETCH(QByteArray, writeKey);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    useDrive(dir.path());
    const QString file = dir.filePath(profileName);
    QVERIFY(writeFile(file, content));

    QByteArray buffer(size, '\x55');
    const quint32 count
        = platform::GetPrivateProfileStringA(section.constData(), key.constData(), "none",
                                             buffer.data(), size, FaultSequence::profile());
    QCOMPARE(buffer.left(count), expectedRead);
    QCOMPARE(buffer[count], '\0');
    QVERIFY(readFile(file) == content);

    QVERIFY(platform::WritePrivateProfileStringA(writeSection.constData(), writeKey.constData(),
                                                 "new value", FaultSequence::profile()));
    const QByteArray now = readFile(file);
    QVERIFY2(
        now == after,
        qPrintable(QStringLiteral("%1 bytes, expected %2; first difference at %3")
                       .arg(now.size())
                       .arg(after.size())
                       .arg(std::mismatch(now.begin(), now.end(), after.begin(), after.end()).first
                            - now.begin())));
    QCOMPARE(entries(dir.path()), QStringList{ profileName });
}

VELVANE_TEST_MAIN(TestProfileFaults)
#include "tst_profilefaults.moc"
