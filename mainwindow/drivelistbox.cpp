#include "drivelistbox.h"

#include "platform/runtimeerror.h"

#include <QDir>

DriveListBox::DriveListBox(QWidget *parent) : QComboBox(parent), m_drives(platform::drives())
{
    for (const platform::Drive &drive : m_drives)
        addItem(entryText(drive));
    const QString current = platform::windowsPath(QDir::currentPath());
    for (int i = 0; i < m_drives.size(); ++i) {
        if (!current.isEmpty() && current.at(0) == m_drives.at(i).letter)
            setCurrentIndex(i);
    }
}

QString DriveListBox::entryText(const platform::Drive &drive)
{
    const QString name = drive.name.isEmpty() ? drive.hostFolder : drive.name;
    return QStringLiteral("%1: [%2]").arg(drive.letter.toLower(), name);
}

void DriveListBox::setListIndex(int index)
{
    if (index < -1 || index >= count())
        platform::raiseError(380, QStringLiteral("Invalid property value"));
    setCurrentIndex(index);
}

QChar DriveListBox::driveLetter() const
{
    const int index = currentIndex();
    return index < 0 ? QChar() : m_drives.at(index).letter;
}
