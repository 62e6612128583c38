#include "profilefunctions.h"

#include "ansicodepage.h"
#include "drives.h"
#include "inifile.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>

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

bool failWith(int error)
{
    lastWriteError = error;
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

struct HostFile
{
    QByteArray folder;
    QByteArray name;
};

// The host folder and name of a Windows path; nothing for a path the drive
// table does not map.
std::optional<HostFile> hostFile(const char *file)
{
    const QString host = hostPath(fromAnsi(QByteArray(file)));
    if (host.isEmpty())
        return std::nullopt;
    const QByteArray path = QFile::encodeName(host);
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return std::nullopt;
    return HostFile{ slash == 0 ? QByteArrayLiteral("/") : path.left(slash), path.mid(slash + 1) };
}

// The whole of an open file, grown past its size on the way should another
// program append to it meanwhile. False with errno set on a read error.
bool readAll(int fd, qsizetype size, QByteArray *bytes)
{
    // One byte more than the size, so that the read which finds the end
    // needs no second buffer.
    bytes->resize(size + 1);
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

// Opens a file for reading without hanging on a FIFO or taking a terminal.
int openForReading(int folder, const char *name)
{
    return ::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

std::optional<QByteArray> fileValue(const char *section, const char *key, const char *file)
{
    const std::optional<HostFile> host = hostFile(file);
    if (!host)
        return std::nullopt;
    const QByteArray path = host->folder + '/' + host->name;
    Descriptor fd(openForReading(AT_FDCWD, path.constData()));
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
// Returns false with errno set for an error other than missing support.
bool lockFolder(int folder, bool *locked)
{
    while (::flock(folder, LOCK_EX) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL || errno == EBADF) {
            *locked = false;
            return true;
        }
        return false;
    }
    *locked = true;
    return true;
}

// Under the folder's lock no other writer can be using the temporary name, so
// it is fixed: one left behind by a writer that was killed is replaced at the
// next write, and a crash never leaves more than one per file.
QByteArray temporaryName(const QByteArray &name, bool locked)
{
    QByteArray temporary = '.' + name + ".velvane-new";
    if (!locked)
        temporary += '-' + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
    return temporary;
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
// bits that cannot be set fail the write.
bool copyOwnerAndMode(int fd, const struct stat &old)
{
    [[maybe_unused]] const int ownerKept = ::fchown(fd, old.st_uid, old.st_gid);
    const mode_t mode = old.st_mode & 07777;
    if (::fchmod(fd, mode) == 0)
        return true;
    const int error = errno;
    struct stat status;
    if (::fstat(fd, &status) == 0 && (status.st_mode & 07777) == mode)
        return true;
    errno = error;
    return false;
}

bool replaceFile(const HostFile &host, const QByteArray &section, const QByteArray &key,
                 const QByteArray &value)
{
    Descriptor folder(::open(host.folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen())
        return failWith(errno);
    if (host.name.isEmpty())
        return failWith(EISDIR);
    bool locked = false;
    if (!lockFolder(folder.get(), &locked))
        return failWith(errno);

    const char *name = host.name.constData();
    QByteArray old;
    struct stat status
    { };
    std::optional<__u32> attributes;
    Descriptor current(openForReading(folder.get(), name));
    const bool exists = current.isOpen();
    if (exists) {
        if (::fstat(current.get(), &status) != 0)
            return failWith(errno);
        if (S_ISDIR(status.st_mode))
            return failWith(EISDIR);
        if (!S_ISREG(status.st_mode))
            return failWith(EINVAL);
        // Root may write any file, but a file without a write bit is a FAT
        // drive's read-only attribute or the user's wish: not replaced, as
        // Windows does not write it. Renaming over a file bypasses the
        // file's own permission, so a file the caller may not write is
        // refused here as well.
        if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return failWith(EACCES);
        if (::faccessat(folder.get(), name, W_OK, AT_EACCESS) != 0)
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

    const QByteArray temporaryPath = temporaryName(host.name, locked);
    if (locked && ::unlinkat(folder.get(), temporaryPath.constData(), 0) != 0 && errno != ENOENT)
        return failWith(errno);
    Descriptor temporary(::openat(folder.get(), temporaryPath.constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                                  exists ? 0600 : 0666));
    if (!temporary.isOpen())
        return failWith(errno);
    TemporaryName cleanup(folder.get(), temporaryPath);

    if (exists && !copyOwnerAndMode(temporary.get(), status))
        return failWith(errno);
    if (!writeAll(temporary.get(), old, *edit))
        return failWith(errno);
    if (attributes)
        copyFatAttributes(temporary.get(), *attributes);
    if (::fsync(temporary.get()) != 0 || !temporary.close())
        return failWith(errno);
    if (::renameat(folder.get(), cleanup.get(), folder.get(), name) != 0)
        return failWith(errno);
    cleanup.keep();
    // The rename is on disk only once the folder is. A file system that
    // cannot sync a folder says EINVAL and has nothing more to flush.
    if (::fsync(folder.get()) != 0 && errno != EINVAL)
        return failWith(errno);
    return true;
}

QByteArray bytesOf(const char *text)
{
    return QByteArray::fromRawData(text, qsizetype(std::strlen(text)));
}

} // namespace

// Missing drive, file, section or key: the default, with its trailing spaces
// cut. A read never creates or changes a file.
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
// refused argument, a path the drive table does not map, a missing folder, a
// folder or read-only file where the file should be, or any error of the
// disk; true once the new file is on disk.
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
    const std::optional<HostFile> host = hostFile(file);
    if (!host)
        return failWith(ENOENT);
    try {
        return replaceFile(*host, sectionBytes, keyBytes, valueBytes);
    } catch (const std::bad_alloc &) {
        return failWith(ENOMEM);
    }
}

// The C library's own English text, whatever the locale: the reason lands in
// a message next to Windows-style English text.
QString lastProfileError()
{
    return QString::fromLocal8Bit(strerrordesc_np(lastWriteError));
}

} // namespace platform
