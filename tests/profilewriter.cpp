// The child processes of tst_profilefaults: each writes profile keys into
// D:\profile.ini, D: being the folder given, under a fault of its own.
//
//   profilewriter sequence FOLDER COUNT   the writes of FaultSequence, each
//                                         announced as "I\n" before it starts
//   profilewriter keys FOLDER PREFIX COUNT [FILE]  "ready\n", waits for a
//                                         line on stdin, then writes PREFIX0..:
//                                         in [Both] of FILE (D:\profile.ini)
//   profilewriter limit FOLDER BYTES      FaultSequence's write 1 under a file
//                                         size limit, set up by the program's
//                                         start routine; exit 0 when it succeeded
//   profilewriter hold FOLDER NAME MS [NEW]  takes flock's exclusive lock on
//                                         NAME of FOLDER ("." the folder
//                                         itself), "held\n", keeps the lock
//                                         for MS ms or until stdin ends, and
//                                         creates the file NEW there, if
//                                         given, before it lets go
//   profilewriter gone FOLDER HOW         a drive whose volume goes after the
//                                         table was made (HOW: built, from the
//                                         mounts; installed; replaced, by
//                                         another volume); one line of results,
//                                         exit 77 where no mount namespace
//   profilewriter full FOLDER PAGES       the medium write on a private tmpfs
//   profilewriter readonly FOLDER         mounted over FOLDER, full but for PAGES
//                                         pages, or read-only; one line of
//                                         results, exit 77 where no mount
//                                         namespace can be had

#include "faultsequence.h"

#include "platform/drives.h"
#include "platform/profilefunctions.h"
#include "platform/runtime.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const qint64 pageSize = 4096;

void announce(const QByteArray &line)
{
    const QByteArray text = line + '\n';
    if (::write(STDOUT_FILENO, text.constData(), size_t(text.size())) != text.size())
        std::_Exit(3);
}

bool write(const FaultSequence::Write &w, const char *file = FaultSequence::profile())
{
    return platform::WritePrivateProfileStringA(w.section.constData(), w.key.constData(),
                                                w.value.constData(), file);
}

void useDrive(const QString &folder)
{
    platform::setDrives({ { QLatin1Char('D'), folder, QStringLiteral("Faults") } });
}

int sequence(int count)
{
    for (int i = 0; i < count; ++i) {
        announce(QByteArray::number(i));
        if (!write(FaultSequence::write(i)))
            return 2;
    }
    return 0;
}

int keys(const QByteArray &prefix, int count, const char *file)
{
    announce("ready");
    char go;
    if (::read(STDIN_FILENO, &go, 1) != 1)
        return 3;
    for (int i = 0; i < count; ++i) {
        if (!write({ "Both", prefix + QByteArray::number(i), QByteArray::number(i) }, file)) {
            announce(platform::lastProfileError().toUtf8());
            return 2;
        }
    }
    return 0;
}

int limit(rlim_t bytes)
{
    platform::startRuntime();
    const rlimit limit{ bytes, bytes };
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 3;
    const bool ok = write(FaultSequence::write(1));
    announce(platform::lastProfileError().toUtf8());
    return ok ? 0 : 1;
}

bool writeAll(const char *path, const QByteArray &bytes)
{
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

int hold(const QString &folder, const QString &name, int milliseconds, const QString &created)
{
    const int fd = ::open(QFile::encodeName(folder + u'/' + name).constData(), O_RDONLY);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
        return 3;
    announce("held");
    pollfd input{ STDIN_FILENO, POLLIN, 0 };
    ::poll(&input, 1, milliseconds);
    if (!created.isEmpty()
        && !writeAll(QFile::encodeName(folder + u'/' + created).constData(), "[Other]\r\n"))
        return 3;
    return 0;
}

// A mount namespace of our own, as root or else as the root of a new user
// namespace, so that the mounts below are seen by no other process.
bool privateMounts()
{
    if (unshare(CLONE_NEWNS) != 0) {
        const QByteArray uid = "0 " + QByteArray::number(getuid()) + " 1";
        const QByteArray gid = "0 " + QByteArray::number(getgid()) + " 1";
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !writeAll("/proc/self/setgroups", "deny")
            || !writeAll("/proc/self/uid_map", uid) || !writeAll("/proc/self/gid_map", gid))
            return false;
    }
    return mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Fills the medium up, then gives back freePages pages.
bool fill(const QString &folder, qint64 freePages)
{
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/filler"));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const QByteArray page(pageSize, 'f');
    qint64 size = 0;
    while (::write(fd, page.constData(), size_t(pageSize)) == pageSize)
        size += pageSize;
    const bool full = errno == ENOSPC;
    const bool ok = full && ftruncate(fd, qMax<qint64>(0, size - freePages * pageSize)) == 0;
    return ::close(fd) == 0 && ok;
}

// The medium write on a fresh tmpfs: prints "OK UNCHANGED OTHERS SHA1 ERROR",
// tab-separated, OTHERS counting the files beside the profile and the filler.
int medium(const QString &folder, qint64 freePages, bool readOnly)
{
    if (!privateMounts())
        return 77;
    const QByteArray host = QFile::encodeName(folder);
    const QByteArray file = QFile::encodeName(folder + QStringLiteral("/profile.ini"));
    if (mount("velvane", host.constData(), "tmpfs", 0, "size=256k,mode=0755") != 0)
        return 77;
    useDrive(folder);
    const QByteArray before = FaultSequence::mediumContent();
    if (!writeAll(file.constData(), before))
        return 3;
    if (readOnly ? mount(nullptr, host.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0
                 : !fill(folder, freePages))
        return 3;

    const bool ok = write(FaultSequence::mediumWrite());
    const QString error = ok ? QString() : platform::lastProfileError();
    QFile profile(folder + QStringLiteral("/profile.ini"));
    const QByteArray after = profile.open(QIODevice::ReadOnly) ? profile.readAll() : QByteArray();
    QStringList others = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                | QDir::NoDotAndDotDot);
    others.removeAll(QStringLiteral("profile.ini"));
    others.removeAll(QStringLiteral("filler"));
    const QByteArray hash = QCryptographicHash::hash(after, QCryptographicHash::Sha1).toHex();
    announce(QByteArray::number(ok) + '\t' + QByteArray::number(after == before) + '\t'
             + QByteArray::number(others.size()) + '\t' + hash + '\t' + error.toUtf8());
    return 0;
}

// Mounts a volume over folder, makes the drive table, writes once, takes the
// volume away and writes again: prints "FIRST SECOND ERROR ENTRIES READ",
// tab-separated, ENTRIES being what the folder holds after the second write
// and READ what a read of the key gives.
int gone(const QString &folder, const QByteArray &how)
{
    if (!privateMounts())
        return 77;
    const QString mountPoint = folder + QStringLiteral("/volume");
    const QByteArray point = QFile::encodeName(mountPoint);
    QByteArray file = "D:\\profile.ini";
    if (!QDir(folder).mkpath(QStringLiteral("volume")))
        return 3;
    if (how == "built") {
        // A bind mount stands for a volume of its own: it is listed with the
        // device of the disk under it.
        const QString source = folder + QStringLiteral("/source");
        if (!QDir(folder).mkpath(QStringLiteral("source"))
            || mount(QFile::encodeName(source).constData(), point.constData(), nullptr, MS_BIND,
                     nullptr)
                != 0)
            return 77;
        file.clear();
        for (const platform::Drive &drive : platform::drives()) {
            if (drive.hostFolder == mountPoint)
                file = QString(drive.letter).toLatin1() + ":\\profile.ini";
        }
        if (file.isEmpty())
            return 4;
    } else {
        if (mount("velvane", point.constData(), "tmpfs", 0, "size=256k,mode=0755") != 0)
            return 77;
        useDrive(mountPoint);
    }
    const FaultSequence::Write w = FaultSequence::mediumWrite();
    const bool first = write(w, file.constData());
    if (umount(point.constData()) != 0)
        return 3;
    if (how == "replaced"
        && mount("other", point.constData(), "tmpfs", 0, "size=256k,mode=0755") != 0)
        return 3;
    const bool second = write(w, file.constData());
    const QString error = second ? QString() : platform::lastProfileError();
    const QStringList entries
        = QDir(mountPoint)
              .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    char value[32];
    platform::GetPrivateProfileStringA(w.section.constData(), w.key.constData(), "missing", value,
                                       sizeof value, file.constData());
    announce(QByteArray::number(first) + '\t' + QByteArray::number(second) + '\t' + error.toUtf8()
             + '\t' + entries.join(u' ').toUtf8() + '\t' + value);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3)
        return 3;
    const QByteArray mode = argv[1];
    const QString folder = QFile::decodeName(argv[2]);
    // The table is made from the mounts it sees.
    if (mode == "gone" && argc == 4)
        return gone(folder, argv[3]);
    useDrive(folder);

    if (mode == "sequence" && argc == 4)
        return sequence(std::atoi(argv[3]));
    if (mode == "keys" && (argc == 5 || argc == 6))
        return keys(argv[3], std::atoi(argv[4]), argc == 6 ? argv[5] : FaultSequence::profile());
    if (mode == "hold" && (argc == 5 || argc == 6))
        return hold(folder, QFile::decodeName(argv[3]), std::atoi(argv[4]),
                    argc == 6 ? QFile::decodeName(argv[5]) : QString());
    if (mode == "limit" && argc == 4)
        return limit(rlim_t(std::strtoull(argv[3], nullptr, 10)));
    if (mode == "full" && argc == 4)
        return medium(folder, std::atoll(argv[3]), false);
    if (mode == "readonly" && argc == 3)
        return medium(folder, 0, true);
    return 3;
}
