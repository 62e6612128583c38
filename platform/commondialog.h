#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class QUrl;
class QWidget;

namespace platform {

// What the user did in one of the dialogs: nullopt is a cancel.
class DialogChooser
{
public:
    virtual ~DialogChooser() = default;
    // nameFilters as Qt writes them ("All image files (*.jpg *.bmp* *.jpeg)");
    // start is the host folder to begin in, or a host file name in the folder
    // to begin in, offered as the choice. Returns a host path.
    virtual std::optional<QString> chooseFile(QWidget *parent, const QString &title,
                                              const QStringList &nameFilters, const QString &start)
        = 0;
    virtual std::optional<QColor> chooseColor(QWidget *parent, const QColor &start) = 0;
};

// Replaces the real Qt dialogs (tests script the user); nullptr restores them.
void setDialogChooser(DialogChooser *chooser);

// The control's filter, "description|pattern;pattern" entries joined by "|",
// as Qt name filters: one "description (pattern pattern)" per entry.
QStringList qtNameFilters(const QString &filter);

// The host path the open dialog starts at for a FileName: see ShowOpen.
QString openDialogStart(const QString &fileName);

// The open dialog's side list: the home folder and each drive's root.
QList<QUrl> openDialogSidebar();

// The common dialog control: one per window, its properties carrying over
// between uses.
class CommonDialog
{
public:
    explicit CommonDialog(QWidget *owner = nullptr) : m_owner(owner) { }

    QString DialogTitle;
    QString Filter;
    QString FileName; // a Windows drive path
    std::uint32_t Color = 0; // 0x00BBGGRR

    // Modal, starting at FileName's folder when it lies on a drive, else in
    // the home folder. A confirmed file sets FileName to its drive path; a
    // cancel leaves it. A file no drive holds raises an error and leaves
    // FileName.
    void ShowOpen();
    // Modal, starting on black. A confirmed colour sets Color; a cancel leaves it.
    void ShowColor();

private:
    QWidget *m_owner;
};

} // namespace platform
