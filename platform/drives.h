#pragma once

#include <QChar>
#include <QList>
#include <QString>

// The drive table: Windows drive letters standing for the host's mounted
// volumes, so that "D:\desktop.ini" names a file on Linux.
namespace platform {

struct Drive
{
    QChar letter; // upper case, 'A' to 'Z'
    QString hostFolder; // absolute, without a trailing "/" except for "/"
    QString name; // the volume's name, empty where it has none
};

// The process-wide table. Built from the mounted volumes the first time it is
// needed: "/" as C:, then the other real, ready volumes ordered by mount
// point, as D: up to Z:.
QList<Drive> drives();

// Replaces the table (tests install temporary folders as drives).
void setDrives(const QList<Drive> &table);

// "X:\a\b" (either case, "\" or "/") to the host path of X joined with a/b;
// each existing name matched without regard to case, an exact match first.
// Empty for "." or ".." names, a path not absolute on a drive, or a drive not
// in the table.
QString hostPath(const QString &windowsPath);

// The reverse: "X:\..." through the drive with the longest host folder that
// holds the path; empty when no drive holds it.
QString windowsPath(const QString &hostPath);

} // namespace platform
