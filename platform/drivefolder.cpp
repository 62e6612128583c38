#include "drivefolder.h"

#include "drives.h"

#include <QFile>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

// After a failed open of name that refused to follow a link: EXDEV where name
// is a link, errno as it was otherwise.
void linkAsLeadingOut(int folder, const char *name)
{
    const int error = errno;
    struct stat status;
    errno = ::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode)
        ? EXDEV
        : error;
}

// Kernels before 5.6, and sandboxes that forbid openat2, get a walk that
// follows no link at all: every link counts as one that leads out.
int openFollowingNoLink(int root, const QByteArray &relative, int flags)
{
    const QList<QByteArray> names = relative.split('/');
    int folder = root;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const bool last = i == names.size() - 1;
        const int fd = ::openat(folder, names[i].constData(),
                                (last ? flags : O_RDONLY | O_DIRECTORY) | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            linkAsLeadingOut(folder, names[i].constData());
        if (folder != root) {
            const int error = errno;
            ::close(folder);
            errno = error;
        }
        if (fd < 0 || last)
            return fd;
        folder = fd;
    }
    return -1;
}

// relative below root, following links only while they stay below it: one
// that leads out, or names its target by an absolute path, gives EXDEV.
int openBeneath(int root, const QByteArray &relative, int flags)
{
    open_how how{};
    how.flags = quint64(flags | O_CLOEXEC);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    // EAGAIN: a rename on the way raced the check; the kernel asks to retry.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const long fd = ::syscall(SYS_openat2, root, relative.constData(), &how, sizeof how);
        if (fd >= 0)
            return int(fd);
        if (errno == EINTR || errno == EAGAIN)
            continue;
        if (errno == ENOSYS || errno == EPERM)
            return openFollowingNoLink(root, relative, flags);
        return -1;
    }
    return -1;
}

// The spelling of name in folder, as entryName() describes it.
QByteArray matchedEntry(int folder, const QByteArray &name)
{
    struct stat status;
    if (::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0)
        return name;
    const QString wanted = QFile::decodeName(name);
    std::optional<QString> best;
    DriveFolder::forEachEntry(folder, [&](const char *entry) {
        const QString candidate = QFile::decodeName(entry);
        if (candidate.compare(wanted, Qt::CaseInsensitive) == 0 && (!best || candidate < *best))
            best = candidate;
    });
    return best ? QFile::encodeName(*best) : name;
}

QByteArray joinedRelative(const QByteArray &folder, const QByteArray &name)
{
    return folder.isEmpty() ? name : folder + '/' + name;
}

} // namespace

DriveFolder::DriveFolder(const QString &windowsPath)
{
    std::optional<DriveNames> parts = driveNames(windowsPath);
    if (!parts) {
        m_fault = NotMapped;
        return;
    }
    const Drive &drive = parts->drive;
    m_root = ::open(QFile::encodeName(drive.hostFolder).constData(),
                    O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_root < 0 || !holdsItsVolume(drive, m_root)) {
        m_fault = DriveGone;
        return;
    }
    if (!parts->names.isEmpty())
        m_name = QFile::encodeName(parts->names.takeLast());

    m_folder = ::fcntl(m_root, F_DUPFD_CLOEXEC, 0);
    if (m_folder < 0) {
        m_fault = SystemError;
        m_error = errno;
        return;
    }
    QString spelt = QString(drive.letter) + QLatin1Char(':');
    for (const QString &name : std::as_const(parts->names)) {
        spelt += QLatin1Char('\\') + name;
        const QByteArray relative
            = joinedRelative(m_relative, matchedEntry(m_folder, QFile::encodeName(name)));
        const int next = openBeneath(m_root, relative, O_RDONLY | O_DIRECTORY);
        const int error = errno;
        ::close(m_folder);
        m_folder = next;
        if (next < 0) {
            if (error == EXDEV || error == ELOOP) {
                m_fault = LinkOut;
                m_link = spelt;
            } else {
                m_fault = SystemError;
                m_error = error;
            }
            return;
        }
        m_relative = relative;
    }
}

DriveFolder::~DriveFolder()
{
    if (m_folder >= 0)
        ::close(m_folder);
    if (m_root >= 0)
        ::close(m_root);
}

QByteArray DriveFolder::entryName() const
{
    return matchedEntry(m_folder, m_name);
}

int DriveFolder::openInside(const QByteArray &entry, int flags) const
{
    return openBeneath(m_root, joinedRelative(m_relative, entry), O_RDONLY | flags);
}

} // namespace platform
