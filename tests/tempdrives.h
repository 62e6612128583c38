#pragma once

#include "platform/drives.h"

#include <QDir>
#include <QTemporaryDir>

// Drive letters standing for folders of one temporary folder, each drive
// named "VOL" and its letter. The process's own table comes back when it goes.
class TempDrives
{
public:
    TempDrives() : m_hostDrives(platform::drives()) { }
    ~TempDrives() { platform::setDrives(m_hostDrives); }

    bool isValid() const { return m_dir.isValid(); }
    QString hostFolder(QChar letter) const { return m_dir.filePath(QString(letter.toLower())); }

    // Installs exactly these letters, in this order, each with a new folder.
    bool install(const QString &letters)
    {
        QList<platform::Drive> table;
        for (const QChar letter : letters) {
            if (!QDir().mkpath(hostFolder(letter)))
                return false;
            table.append({ letter, hostFolder(letter), QStringLiteral("VOL") + letter });
        }
        platform::setDrives(table);
        return true;
    }

private:
    QList<platform::Drive> m_hostDrives;
    QTemporaryDir m_dir;
};
