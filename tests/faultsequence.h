#pragma once

#include <QByteArray>

// The profile writes that tst_profilefaults has a child process make (and
// kill it amid), shared with the test so that it can replay them.
namespace FaultSequence {

// The file the child writes, as a path on drive D:.
inline const char *profile()
{
    return "D:\\profile.ini";
}

// About half a MiB, so that a write takes long enough for a kill to land in it.
inline QByteArray initialContent()
{
    QByteArray content = "; left by another program\r\n";
    for (int s = 0; s < 100; ++s) {
        content += "[Section" + QByteArray::number(s) + "]\r\n";
        for (int k = 0; k < 40; ++k) {
            content += "key" + QByteArray::number(k) + '=' + QByteArray(100, char('a' + k % 26));
            content += s % 10 == 3 ? "\n" : "\r\n";
        }
        content += "\r\n";
    }
    return content;
}

struct Write
{
    QByteArray section;
    QByteArray key;
    QByteArray value;
};

// Write i: a changed key, a new key or a new section in turn, with values of
// changing length so that no two states of the file look alike.
inline Write write(int i)
{
    const QByteArray n = QByteArray::number(i);
    const QByteArray value = "value" + n + QByteArray(i * 37 % 61, 'v');
    switch (i % 4) {
    case 0:
        return { "Section99", "key39", value };
    case 1:
        return { "Section50", "new" + n, value };
    case 2:
        return { "section0", "KEY0", value };
    default:
        return { "Added" + n, "key", value };
    }
}

// The file and the write of the full- and read-only-medium cases: a new
// section at the end of a file of some pages.
inline QByteArray mediumContent()
{
    QByteArray content = "[.ShellClassInfo]\r\n";
    for (int k = 0; k < 100; ++k)
        content += "InfoTip" + QByteArray::number(k) + '=' + QByteArray(90, 'i') + "\r\n";
    return content;
}

inline Write mediumWrite()
{
    return { "{BE098140-A513-11D0-A3A4-00C04FD706EC}", "ICONAREA_TEXT", "16777215" };
}

} // namespace FaultSequence
