#pragma once

#include <QByteArray>
#include <QString>

#include <cstring>

#include <dirent.h>
#include <unistd.h>

// The folder that holds the last name of a Windows path, opened on its drive
// so that nothing a drive holds can send a read or a write elsewhere: the
// drive's folder must still hold the volume it held when the table was made,
// and a link on the way is followed only while it stays inside the drive.
namespace platform {

class DriveFolder
{
public:
    enum Fault {
        NoFault,
        NotMapped, // no drive, or a path not absolute on one
        DriveGone, // the drive's folder no longer holds its volume
        LinkOut, // a link on the way leads out of the drive
        SystemError, // errno says why (a missing folder, a file on the way)
    };

    explicit DriveFolder(const QString &windowsPath);
    ~DriveFolder();
    DriveFolder(const DriveFolder &) = delete;
    DriveFolder &operator=(const DriveFolder &) = delete;

    bool isOpen() const { return m_folder >= 0; }
    Fault fault() const { return m_fault; }
    int error() const { return m_error; }
    // The Windows path of the link that leads out, as the caller spelt it.
    QString link() const { return m_link; }

    int folder() const { return m_folder; }
    // The last name of the path as given, in host bytes; empty for the
    // drive's root.
    const QByteArray &name() const { return m_name; }

    // The folder's entry that name() stands for now: its own spelling where
    // that exists, else the first entry (by name) equal to it without regard
    // to case, else name() as given.
    QByteArray entryName() const;

    // Opens entry of the folder (O_RDONLY and flags), following links only
    // while they stay inside the drive; -1 with errno set, EXDEV for a link
    // that leads out.
    int openInside(const QByteArray &entry, int flags) const;

    // Calls visit with the name of each entry of an open folder but "." and
    // "..". The listing is read into a buffer on the stack: a DIR stream
    // would take 32 KiB of heap at every write, for a file of some bytes.
    template<typename Visit>
    static void forEachEntry(int folder, Visit visit)
    {
        if (::lseek(folder, 0, SEEK_SET) != 0)
            return;
        alignas(dirent64) char buffer[4096];
        for (;;) {
            const ssize_t count = ::getdents64(folder, buffer, sizeof buffer);
            if (count <= 0)
                return;
            for (ssize_t at = 0; at < count;) {
                const auto *entry = reinterpret_cast<const dirent64 *>(buffer + at);
                at += entry->d_reclen;
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                    visit(entry->d_name);
            }
        }
    }

private:
    int m_root = -1;
    int m_folder = -1;
    QByteArray m_relative; // the folder below the drive's, "" for its root
    QByteArray m_name;
    Fault m_fault = NoFault;
    int m_error = 0;
    QString m_link;
};

} // namespace platform
