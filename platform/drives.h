#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The drive table: Windows drive letters standing for the host's mounted
// volumes, so that "D:\desktop.ini" names a file on Linux.
namespace platform {

// What a drive's folder holds: the volume's device, the folder's own inode
// with its generation and birth time (0 where the file system keeps none),
// and the mount's number. A stick unmounted from under its mount folder leaves
// the folder but not these, another stick in its slot gets a mount of its own,
// and a folder made anew in place of the old one gets a new generation or
// birth time.
struct Volume
{
    quint64 device = 0;
    quint64 inode = 0;
    quint64 generation = 0;
    quint64 born = 0;
    quint64 mount = 0;

    bool operator==(const Volume &other) const
    {
        return device == other.device && inode == other.inode && generation == other.generation
            && born == other.born && mount == other.mount;
    }
};

struct Drive
{
    QChar letter; // upper case, 'A' to 'Z'
    QString hostFolder; // absolute, without a trailing "/" except for "/"
    QString name; // the volume's name, empty where it has none
    // What the folder held when the table was built or installed; all 0 when
    // there was no folder.
    Volume volume = {};
};

// The process-wide table. Built from the mounted volumes the first time it is
// needed: "/" as C:, then the other real, ready volumes ordered by mount
// point, as D: up to Z:.
QList<Drive> drives();

// Replaces the table (tests install temporary folders as drives), recording
// what each folder holds now.
void setDrives(const QList<Drive> &table);

// Whether folder, the drive's folder opened now, holds what it held when the
// table was built or installed.
bool holdsItsVolume(const Drive &drive, int folder);

// A Windows path read as hostPath reads it: its drive and the names below the
// drive's folder, none of them "." or "..". Nothing where hostPath gives "".
struct DriveNames
{
    Drive drive;
    QStringList names;
};
std::optional<DriveNames> driveNames(const QString &windowsPath);

// "X:\a\b" (either case, "\" or "/") to the host path of X joined with a/b;
// each existing name matched without regard to case, an exact match first.
// Empty for "." or ".." names, a path not absolute on a drive, or a drive not
// in the table.
QString hostPath(const QString &windowsPath);

// The reverse: "X:\..." through the drive with the longest host folder that
// holds the path; empty when no drive holds it.
QString windowsPath(const QString &hostPath);

} // namespace platform
