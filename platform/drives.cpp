#include "drives.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QStorageInfo>

#include <algorithm>
#include <optional>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {

namespace {

QMutex tableMutex;
std::optional<QList<Drive>> installedTable; // guarded by tableMutex; empty until first needed

// A volume earns a letter when a block device holds it: that leaves out the
// kernel's views (proc, sysfs, cgroup, devpts), memory file systems (tmpfs,
// devtmpfs), overlays and FUSE mounts, none of which name a device under
// /dev/. Squashfs is left out too: it is a read-only image on a loop device
// (snaps, live systems), one per package, not a disk. A mount point that is a
// file (a single bind-mounted file, as containers do for /etc/hosts) is no
// folder a drive can stand for.
bool isRealVolume(const QStorageInfo &volume)
{
    if (!volume.isValid() || !volume.isReady())
        return false;
    if (!volume.device().startsWith("/dev/") || volume.fileSystemType() == "squashfs")
        return false;
    return QFileInfo(volume.rootPath()).isDir();
}

QList<Drive> mountedDrives()
{
    QList<QStorageInfo> others;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.rootPath() != QLatin1String("/") && isRealVolume(volume))
            others.append(volume);
    }
    std::sort(others.begin(), others.end(), [](const QStorageInfo &a, const QStorageInfo &b) {
        return a.rootPath() < b.rootPath();
    });

    // The root is C: whatever holds it: in a container it is an overlay, and
    // it is still the system's own disk.
    QList<Drive> table{ { QChar('C'), QStringLiteral("/"), QStorageInfo::root().name() } };
    for (const QStorageInfo &volume : others) {
        if (table.size() == 24) // C: to Z:
            break;
        // A volume mounted over another at the same point hides it: one
        // folder, one drive.
        if (table.last().hostFolder == volume.rootPath())
            continue;
        table.append({ QChar(char16_t(u'C' + table.size())), volume.rootPath(), volume.name() });
    }
    return table;
}

// The drive of letter (either case), or nullopt when the table has none.
std::optional<Drive> driveOf(QChar letter)
{
    const QList<Drive> table = drives();
    for (const Drive &drive : table) {
        if (drive.letter == letter.toUpper())
            return drive;
    }
    return std::nullopt;
}

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// The entry of folder that name stands for: its own spelling when that exists,
// else the first entry (by name) equal to it without regard to case, else name
// as given, as a file about to be created keeps the spelling asked for.
QString entryName(const QString &folder, const QString &name)
{
    const QFileInfo exact(joined(folder, name));
    if (exact.exists() || exact.isSymLink())
        return name;
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return name;
}

// Kernels from 6.8 number mounts without ever reusing a number; older ones
// reuse a freed one, which still tells two mounts apart unless one replaced
// the other at once.
#ifndef STATX_MNT_ID_UNIQUE
#define STATX_MNT_ID_UNIQUE 0x4000U
#endif

// An open folder's volume. Birth times tick coarsely, so a folder removed and
// made again at once may be born at the same moment; its inode then tells
// by its generation, where the file system keeps one.
std::optional<Volume> volumeOf(int folder)
{
    struct statx status;
    if (::statx(folder, "", AT_EMPTY_PATH,
                STATX_TYPE | STATX_INO | STATX_BTIME | STATX_MNT_ID_UNIQUE, &status)
            != 0
        || !S_ISDIR(status.stx_mode))
        return std::nullopt;
    const quint64 device = quint64(makedev(status.stx_dev_major, status.stx_dev_minor));
    const quint64 mount
        = status.stx_mask & (STATX_MNT_ID_UNIQUE | STATX_MNT_ID) ? quint64(status.stx_mnt_id) : 0;
    const quint64 born = status.stx_mask & STATX_BTIME
        ? quint64(status.stx_btime.tv_sec) * 1000000000u + status.stx_btime.tv_nsec
        : 0;
    int generation = 0;
    if (::ioctl(folder, FS_IOC_GETVERSION, &generation) != 0)
        generation = 0;
    return Volume{ device, quint64(status.stx_ino), quint64(unsigned(generation)), born, mount };
}

// What the folder holds now, so that a later look can tell whether the same
// volume is still mounted there.
Drive recorded(Drive drive)
{
    const int folder = ::open(QFile::encodeName(drive.hostFolder).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::optional<Volume> volume = folder < 0 ? std::nullopt : volumeOf(folder);
    if (folder >= 0)
        ::close(folder);
    drive.volume = volume.value_or(Volume());
    return drive;
}

} // namespace

// The installed table, else the one built from the mounted volumes on the
// first call. Never empty unless a test installed an empty table.
QList<Drive> drives()
{
    QMutexLocker locker(&tableMutex);
    if (!installedTable) {
        installedTable = QList<Drive>();
        for (const Drive &drive : mountedDrives())
            installedTable->append(recorded(drive));
    }
    return *installedTable;
}

// Letters are kept upper case and folders clean, so lookups need not care.
void setDrives(const QList<Drive> &table)
{
    QList<Drive> clean;
    for (const Drive &drive : table)
        clean.append(
            recorded({ drive.letter.toUpper(), QDir::cleanPath(drive.hostFolder), drive.name }));
    QMutexLocker locker(&tableMutex);
    installedTable = clean;
}

// "X:" and a separator, then names between separators (runs of separators
// count as one). Empty for anything else: a relative path, a path on the
// current drive ("\x"), a drive-relative one ("C:x"), "." or "..", or a
// letter the table has no drive for.
std::optional<DriveNames> driveNames(const QString &windowsPath)
{
    if (windowsPath.size() < 3 || windowsPath.at(0).unicode() > 0x7F
        || !windowsPath.at(0).isLetter() || windowsPath.at(1) != QLatin1Char(':')
        || (windowsPath.at(2) != QLatin1Char('\\') && windowsPath.at(2) != QLatin1Char('/'))) {
        return std::nullopt;
    }
    const std::optional<Drive> drive = driveOf(windowsPath.at(0));
    if (!drive)
        return std::nullopt;
    const QStringList names = windowsPath.mid(3).split(
        QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
    for (const QString &name : names) {
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            return std::nullopt;
    }
    return DriveNames{ *drive, names };
}

bool holdsItsVolume(const Drive &drive, int folder)
{
    const std::optional<Volume> volume = volumeOf(folder);
    return drive.volume.device != 0 && volume && *volume == drive.volume;
}

QString hostPath(const QString &windowsPath)
{
    const std::optional<DriveNames> parts = driveNames(windowsPath);
    if (!parts)
        return QString();
    QString path = parts->drive.hostFolder;
    for (const QString &name : parts->names)
        path = joined(path, entryName(path, name));
    return path;
}

// Whole names only: /mnt/ab is not inside a drive at /mnt/a. Empty for a
// relative path or one no drive holds.
QString windowsPath(const QString &hostPath)
{
    const QString path = QDir::cleanPath(hostPath);
    if (!path.startsWith(QLatin1Char('/')))
        return QString();

    const QList<Drive> table = drives();
    const Drive *best = nullptr;
    for (const Drive &drive : table) {
        const QString &folder = drive.hostFolder;
        const bool holds = folder == QLatin1String("/") || path == folder
            || path.startsWith(folder + QLatin1Char('/'));
        if (holds && (!best || folder.size() > best->hostFolder.size()))
            best = &drive;
    }
    if (!best)
        return QString();

    QString rest = path.mid(best->hostFolder.size());
    if (rest.startsWith(QLatin1Char('/')))
        rest.remove(0, 1);
    return QString(best->letter) + QStringLiteral(":\\")
        + rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

} // namespace platform
