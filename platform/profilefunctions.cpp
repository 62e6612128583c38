#include "profilefunctions.h"

#include "ansicodepage.h"
#include "drivefolder.h"
#include "inifile.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <new>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace platform {

namespace {

thread_local int lastWriteError = 0;
thread_local QString lastWriteReason; // where errno's text would not say it

bool failWith(int error)
{
    lastWriteError = error;
    lastWriteReason.clear();
    return false;
}

bool failBecause(const QString &reason)
{
    lastWriteError = 0;
    lastWriteReason = reason;
    return false;
}

class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now, so that an error the file system reports only at close
    // (NFS, FUSE) is seen. Returns false with errno set.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// A temporary file that is removed again unless it was renamed into place.
class TemporaryName
{
public:
    TemporaryName(int folder, QByteArray name) : m_folder(folder), m_name(std::move(name)) { }
    ~TemporaryName()
    {
        if (!m_kept)
            ::unlinkat(m_folder, m_name.constData(), 0);
    }
    TemporaryName(const TemporaryName &) = delete;
    TemporaryName &operator=(const TemporaryName &) = delete;

    const char *get() const { return m_name.constData(); }
    void keep() { m_kept = true; }

private:
    int m_folder;
    QByteArray m_name;
    bool m_kept = false;
};

// The whole of an open file, grown past its size on the way should another
// program append to it meanwhile. False with errno set on a read error.
bool readAll(int fd, qsizetype size, QByteArray *bytes)
{
    // One byte more than the size, so that the read which finds the end
    // needs no second buffer. Made at its size: resize() would round a large
    // buffer up to the next power of two, and a write holds the old bytes
    // throughout.
    *bytes = QByteArray(size + 1, Qt::Uninitialized);
    qsizetype total = 0;
    for (;;) {
        if (total == bytes->size())
            bytes->resize(2 * bytes->size());
        const ssize_t count = ::read(fd, bytes->data() + total, size_t(bytes->size() - total));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (count == 0)
            break;
        total += count;
    }
    bytes->resize(total);
    return true;
}

// Opened without hanging on a FIFO or taking a terminal.
constexpr int readingFlags = O_NOCTTY | O_NONBLOCK;

std::optional<QByteArray> fileValue(const char *section, const char *key, const char *file)
{
    const DriveFolder folder(fromAnsi(QByteArray(file)));
    if (!folder.isOpen() || folder.name().isEmpty())
        return std::nullopt;
    Descriptor fd(folder.openInside(folder.entryName(), readingFlags));
    struct stat status;
    if (!fd.isOpen() || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    QByteArray bytes;
    if (!readAll(fd.get(), qsizetype(status.st_size), &bytes))
        return std::nullopt;
    return ini::value(bytes, QByteArray::fromRawData(section, qsizetype(std::strlen(section))),
                      QByteArray::fromRawData(key, qsizetype(std::strlen(key))));
}

// Writers of one file, in this process or another, take turns through an
// advisory lock on the file's folder. Locking the profile file itself would
// not do: the rename replaces its inode, so a writer waiting on the old one
// would wake to edit content that is no longer the file's, and a lock file
// would be litter in the root of the user's drive. The folder stays put, and
// its lock vanishes with the descriptor, even when the writer is killed. The
// cost is that writers of different files in one folder also take turns,
// which for a handful of small files is nothing. A file system without
// flock (some network ones) gets no lock and a unique temporary name: the
// write is still whole or absent, but two writers at once may lose an update.
//
// Anyone who can read the folder can lock it too, so the wait is bounded: a
// Velvane writer holds the lock for one write of one file, milliseconds even
// for a large one, while a program that keeps it longer would freeze the
// window for as long as it liked.
using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds lockPatience{ 2000 };

enum class Lock { Taken, Unsupported, Busy, Failed };

// Polls, since flock cannot wait a bounded time; the pause stays short so
// that a writer waiting behind another gets its turn between that one's
// writes.
template<typename TryLock>
Lock lockBefore(Clock::time_point deadline, TryLock tryLock)
{
    std::chrono::microseconds pause{ 100 };
    for (;;) {
        const Lock lock = tryLock();
        if (lock != Lock::Busy)
            return lock;
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return Lock::Busy;
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(2 * pause, std::chrono::microseconds{ 2000 });
    }
}

Lock tryFlock(int fd, int operation)
{
    while (::flock(fd, operation | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK)
            return Lock::Busy;
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL || errno == EBADF)
            return Lock::Unsupported;
        return Lock::Failed;
    }
    return Lock::Taken;
}

// A program editing the old file under a lock of its own, flock or a POSIX
// record lock, would lose its edit to the rename. A shared lock waits only
// for writers; readers of the old file are not disturbed by its replacement.
Lock tryFileLock(int fd)
{
    const Lock lock = tryFlock(fd, LOCK_SH);
    if (lock == Lock::Busy || lock == Lock::Failed)
        return lock;
    struct flock probe
    { };
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK)
        return Lock::Busy;
    return Lock::Taken;
}

QByteArray randomSuffix()
{
    return '-' + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
}

// Under the folder's lock no other writer can be using the fixed temporary
// name: one left behind by a writer that was killed is replaced at the next
// write, and a crash never leaves more than one per file. Something other
// than a plain file squatting on that name is not ours to remove, so that
// write takes a unique name instead, as writers without a lock always do.
QByteArray fixedTemporaryName(const QByteArray &name)
{
    return '.' + name + ".velvane-new";
}

QByteArray temporaryName(int folder, const QByteArray &name, bool locked)
{
    const QByteArray fixed = fixedTemporaryName(name);
    if (!locked)
        return fixed + randomSuffix();
    struct stat status;
    if (::fstatat(folder, fixed.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return fixed;
    if (S_ISREG(status.st_mode) && ::unlinkat(folder, fixed.constData(), 0) == 0)
        return fixed;
    return fixed + randomSuffix();
}

// Unique temporary names are never used twice, so what a killed writer left
// under one would stay for good. A writer at work keeps its file's time
// fresh; one untouched for a minute belongs to no one.
void removeLeftovers(int folder, const QByteArray &name)
{
    const QByteArray prefix = fixedTemporaryName(name) + '-';
    const std::time_t old = std::time(nullptr) - 60;
    DriveFolder::forEachEntry(folder, [&](const char *entry) {
        struct stat status;
        if (std::strncmp(entry, prefix.constData(), size_t(prefix.size())) == 0
            && ::fstatat(folder, entry, &status, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(status.st_mode) && status.st_mtime < old)
            ::unlinkat(folder, entry, 0);
    });
}

bool writeAll(int fd, const QByteArray &file, const ini::Edit &edit)
{
    const qsizetype tail = edit.position + edit.removed;
    iovec chunks[3] = {
        { const_cast<char *>(file.constData()), size_t(edit.position) },
        { const_cast<char *>(edit.inserted.constData()), size_t(edit.inserted.size()) },
        { const_cast<char *>(file.constData() + tail), size_t(file.size() - tail) },
    };
    iovec *chunk = chunks;
    int count = 3;
    while (count > 0) {
        if (chunk->iov_len == 0) {
            ++chunk;
            --count;
            continue;
        }
        const ssize_t written = ::writev(fd, chunk, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        size_t left = size_t(written);
        while (count > 0 && left >= chunk->iov_len) {
            left -= chunk->iov_len;
            ++chunk;
            --count;
        }
        if (count > 0) {
            chunk->iov_base = static_cast<char *>(chunk->iov_base) + left;
            chunk->iov_len -= left;
        }
    }
    return true;
}

// Hidden and system are what a FAT drive's desktop.ini and Autorun.inf are
// often given, and a new file would come without them. Only vfat answers
// these calls; elsewhere, or where the caller may not set them (the system
// attribute needs CAP_LINUX_IMMUTABLE), the write goes on without them.
constexpr __u32 keptFatAttributes = ATTR_HIDDEN | ATTR_SYS;

std::optional<__u32> fatAttributes(int fd)
{
    __u32 attributes = 0;
    if (::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) != 0)
        return std::nullopt;
    return attributes;
}

void copyFatAttributes(int fd, __u32 from)
{
    const std::optional<__u32> current = fatAttributes(fd);
    if (!current)
        return;
    __u32 wanted = (*current & ~keptFatAttributes) | (from & keptFatAttributes);
    if (wanted != *current)
        ::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &wanted);
}

// The old file's owner and permission bits go to the new one; an owner that
// cannot be kept (not root, or a FAT drive) is left as it is, permission
// bits that cannot be set fail the write. Setuid, setgid and sticky are not
// carried over: a profile file is no program, and a drive from someone else
// may hold one that is marked as such.
bool copyOwnerAndMode(int fd, const struct stat &old)
{
    [[maybe_unused]] const int ownerKept = ::fchown(fd, old.st_uid, old.st_gid);
    const mode_t mode = old.st_mode & 0777;
    if (::fchmod(fd, mode) == 0)
        return true;
    const int error = errno;
    struct stat status;
    if (::fstat(fd, &status) == 0 && (status.st_mode & 07777) == mode)
        return true;
    errno = error;
    return false;
}

// Why a folder on the way could not be opened, as the user can act on it.
bool failToOpen(const DriveFolder &folder)
{
    switch (folder.fault()) {
    case DriveFolder::NoFault:
    case DriveFolder::SystemError:
        break;
    case DriveFolder::NotMapped:
        return failWith(ENOENT);
    case DriveFolder::DriveGone:
        return failBecause(QStringLiteral("the drive is no longer there"));
    case DriveFolder::LinkOut:
        return failBecause(QStringLiteral("%1 is a link out of the drive").arg(folder.link()));
    }
    return failWith(folder.error());
}

bool failAsLink()
{
    return failBecause(QStringLiteral("it is a link, not a file"));
}

bool replaceFile(const DriveFolder &drive, const QByteArray &section, const QByteArray &key,
                 const QByteArray &value)
{
    if (!drive.isOpen())
        return failToOpen(drive);
    if (drive.name().isEmpty())
        return failWith(EISDIR);
    const int folder = drive.folder();
    const Clock::time_point deadline = Clock::now() + lockPatience;
    const Lock folderLock = lockBefore(deadline, [&] { return tryFlock(folder, LOCK_EX); });
    if (folderLock == Lock::Busy)
        return failBecause(QStringLiteral("another program holds a lock on its folder"));
    if (folderLock == Lock::Failed)
        return failWith(errno);
    const bool locked = folderLock == Lock::Taken;

    // Only under the lock: two writers spelling the name differently must
    // find the same file, the one the first of them created.
    const QByteArray entry = drive.entryName();
    const char *name = entry.constData();
    QByteArray old;
    struct stat status
    { };
    std::optional<__u32> attributes;
    const bool exists = ::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists) {
        // A link is never followed for a write, wherever it points: what the
        // write would carry over from its target is not the drive's.
        if (S_ISLNK(status.st_mode))
            return failAsLink();
        if (S_ISDIR(status.st_mode))
            return failWith(EISDIR);
        if (!S_ISREG(status.st_mode))
            return failWith(EINVAL);
        Descriptor current(
            ::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | readingFlags));
        if (!current.isOpen())
            return errno == ELOOP ? failAsLink() : failWith(errno);
        if (::fstat(current.get(), &status) != 0)
            return failWith(errno);
        if (!S_ISREG(status.st_mode))
            return failWith(EINVAL);
        // Root may write any file, but a file without a write bit is a FAT
        // drive's read-only attribute or the user's wish: not replaced, as
        // Windows does not write it. Renaming over a file bypasses the
        // file's own permission, so a file the caller may not write is
        // refused here as well.
        if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return failWith(EACCES);
        if (::faccessat(folder, name, W_OK, AT_EACCESS) != 0)
            return failWith(errno);
        const Lock fileLock = lockBefore(deadline, [&] { return tryFileLock(current.get()); });
        if (fileLock == Lock::Busy)
            return failBecause(QStringLiteral("another program holds a lock on it"));
        if (fileLock == Lock::Failed)
            return failWith(errno);
        if (!readAll(current.get(), qsizetype(status.st_size), &old))
            return failWith(errno);
        attributes = fatAttributes(current.get());
        current.close();
    } else if (errno != ENOENT) {
        return failWith(errno);
    }

    const std::optional<ini::Edit> edit = ini::edit(old, section, key, value);
    if (!edit)
        return failWith(EINVAL);

    removeLeftovers(folder, entry);
    QByteArray temporaryPath = temporaryName(folder, entry, locked);
    Descriptor temporary;
    for (int attempt = 0;; ++attempt) {
        temporary.reset(::openat(folder, temporaryPath.constData(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                                 exists ? 0600 : 0666));
        if (temporary.isOpen())
            break;
        // Another file took the name between the look and the open.
        if (errno != EEXIST || attempt == 8)
            return failWith(errno);
        temporaryPath = fixedTemporaryName(entry) + randomSuffix();
    }
    TemporaryName cleanup(folder, temporaryPath);

    if (exists && !copyOwnerAndMode(temporary.get(), status))
        return failWith(errno);
    if (!writeAll(temporary.get(), old, *edit))
        return failWith(errno);
    if (attributes)
        copyFatAttributes(temporary.get(), *attributes);
    if (::fsync(temporary.get()) != 0 || !temporary.close())
        return failWith(errno);
    if (::renameat(folder, cleanup.get(), folder, name) != 0)
        return failWith(errno);
    cleanup.keep();
    // The rename is on disk only once the folder is. A file system that
    // cannot sync a folder says EINVAL and has nothing more to flush.
    if (::fsync(folder) != 0 && errno != EINVAL)
        return failWith(errno);
    return true;
}

QByteArray bytesOf(const char *text)
{
    return QByteArray::fromRawData(text, qsizetype(std::strlen(text)));
}

} // namespace

// Missing drive, file, section or key: the default, with its trailing spaces
// cut. So is a file reached only through a link that leads out of the drive,
// or on a drive whose volume went away. A read never creates or changes a
// file.
std::uint32_t GetPrivateProfileStringA(const char *section, const char *key, const char *def,
                                       char *buffer, std::uint32_t size, const char *file)
{
    if (size == 0 || !buffer)
        return 0;
    std::optional<QByteArray> value;
    if (section && key && file) {
        try {
            value = fileValue(section, key, file);
        } catch (const std::bad_alloc &) {
            // A file too large to hold reads as missing.
        }
    }
    if (!value) {
        QByteArray fallback = def ? QByteArray(def) : QByteArray();
        while (fallback.endsWith(' '))
            fallback.chop(1);
        value = fallback;
    }
    const std::uint32_t count = std::uint32_t(std::min<qsizetype>(value->size(), size - 1));
    std::memcpy(buffer, value->constData(), count);
    buffer[count] = '\0';
    return count;
}

// False, with the old file as it was and no temporary file left, for a
// refused argument, a path the drive table does not map, a drive whose volume
// went away, a missing folder or one reached through a link out of the
// drive, a link, folder or read-only file where the file should be, another
// program's lock held past the wait, or any error of the disk; true once the
// new file is on disk.
bool WritePrivateProfileStringA(const char *section, const char *key, const char *value,
                                const char *file)
{
    if (!section || !key || !value || !file)
        return failWith(EINVAL);
    const QByteArray sectionBytes = bytesOf(section);
    const QByteArray keyBytes = bytesOf(key);
    const QByteArray valueBytes = bytesOf(value);
    if (!ini::isWritable(sectionBytes, keyBytes, valueBytes))
        return failWith(EINVAL);
    try {
        const DriveFolder folder(fromAnsi(QByteArray(file)));
        return replaceFile(folder, sectionBytes, keyBytes, valueBytes);
    } catch (const std::bad_alloc &) {
        return failWith(ENOMEM);
    }
}

// The C library's own English text, whatever the locale: the reason lands in
// a message next to Windows-style English text.
QString lastProfileError()
{
    if (!lastWriteReason.isEmpty())
        return lastWriteReason;
    return QString::fromLocal8Bit(strerrordesc_np(lastWriteError));
}

} // namespace platform
