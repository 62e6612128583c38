// The child processes of tst_profilefaults: each writes profile keys into
// D:\profile.ini, D: being the folder given, under a fault of its own.
//
//   profilewriter sequence FOLDER COUNT   the writes of FaultSequence, each
//                                         announced as "I\n" before it starts
//   profilewriter keys FOLDER PREFIX COUNT  "ready\n", waits for a line on
//                                         stdin, then writes PREFIX0..: in [Both]
//   profilewriter limit FOLDER BYTES      FaultSequence's write 1 under a file
//                                         size limit; exit 0 when it succeeded
//   profilewriter full FOLDER PAGES       the medium write on a private tmpfs
//   profilewriter readonly FOLDER         mounted over FOLDER, full but for PAGES
//                                         pages, or read-only; one line of
//                                         results, exit 77 where no mount
//                                         namespace can be had

#include "faultsequence.h"

#include "platform/drives.h"
#include "platform/profilefunctions.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
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

bool write(const FaultSequence::Write &w)
{
    return platform::WritePrivateProfileStringA(w.section.constData(), w.key.constData(),
                                                w.value.constData(), FaultSequence::profile());
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

int keys(const QByteArray &prefix, int count)
{
    announce("ready");
    char go;
    if (::read(STDIN_FILENO, &go, 1) != 1)
        return 3;
    for (int i = 0; i < count; ++i) {
        if (!write({ "Both", prefix + QByteArray::number(i), QByteArray::number(i) })) {
            announce(platform::lastProfileError().toUtf8());
            return 2;
        }
    }
    return 0;
}

int limit(rlim_t bytes)
{
    const rlimit limit{ bytes, bytes };
    if (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0)
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

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3)
        return 3;
    const QByteArray mode = argv[1];
    const QString folder = QFile::decodeName(argv[2]);
    platform::setDrives({ { QLatin1Char('D'), folder, QStringLiteral("Faults") } });

    if (mode == "sequence" && argc == 4)
        return sequence(std::atoi(argv[3]));
    if (mode == "keys" && argc == 5)
        return keys(argv[3], std::atoi(argv[4]));
    if (mode == "limit" && argc == 4)
        return limit(rlim_t(std::strtoull(argv[3], nullptr, 10)));
    if (mode == "full" && argc == 4)
        return medium(folder, std::atoll(argv[3]), false);
    if (mode == "readonly" && argc == 3)
        return medium(folder, 0, true);
    return 3;
}
