#pragma once

#include "platform/drives.h"

#include <QComboBox>

// The drive list: a drop-down list of the drive table, each entry worded
// "x: [name]".
class DriveListBox : public QComboBox
{
    Q_OBJECT

public:
    // Lists the drive table and selects the drive that holds the current folder.
    explicit DriveListBox(QWidget *parent = nullptr);

    // The lower-case letter, a colon, a blank, and the volume's name in
    // brackets, or its mount folder where it has no name.
    static QString entryText(const platform::Drive &drive);

    // The 0-based position of the selected entry, -1 when none is.
    int ListIndex() const { return currentIndex(); }
    // A position outside the list raises "Invalid property value" (380).
    void setListIndex(int index);
    // The text of the selected entry, empty when none is.
    QString Drive() const { return currentText(); }
    // The selected entry's drive letter, in capitals; null when none is selected.
    QChar driveLetter() const;

private:
    QList<platform::Drive> m_drives;
};
