#include "commondialog.h"

#include "dialogowner.h"
#include "drives.h"
#include "olecolor.h"
#include "runtimeerror.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>
#include <QUrl>

namespace platform {

namespace {

// The Qt dialogs. The file dialog is Qt's own, not the desktop's, so that it
// behaves alike everywhere and can be driven in tests; it shows each filter by
// its description alone, as the control does.
class QtDialogChooser : public DialogChooser
{
public:
    std::optional<QString> chooseFile(QWidget *parent, const QString &title,
                                      const QStringList &nameFilters, const QString &start) override
    {
        QFileDialog dialog(parent, title);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(nameFilters);
        dialog.setViewMode(QFileDialog::Detail);
        dialog.setSidebarUrls(openDialogSidebar());
        dressDialog(&dialog, parent);
        const QFileInfo info(start);
        if (info.isDir()) {
            dialog.setDirectory(start);
        } else {
            dialog.setDirectory(info.absolutePath());
            dialog.selectFile(info.fileName());
        }
        // Each column as wide as its widest entry, the names taking the rest,
        // in a dialog wide enough for all of them.
        if (auto *details = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
            QHeaderView *header = details->header();
            header->setStretchLastSection(false);
            header->setSectionResizeMode(QHeaderView::ResizeToContents);
            header->setSectionResizeMode(0, QHeaderView::Stretch);
        }
        QSize size(dialog.fontMetrics().averageCharWidth() * 120,
                   dialog.fontMetrics().height() * 36);
        if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
            size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
        dialog.resize(size.expandedTo(dialog.minimumSizeHint()));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }

    std::optional<QColor> chooseColor(QWidget *parent, const QColor &start) override
    {
        QColorDialog dialog(start, parent);
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        dressDialog(&dialog, parent);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.selectedColor();
    }
};

DialogChooser *&installedChooser()
{
    static DialogChooser *installed = nullptr;
    return installed;
}

DialogChooser &chooser()
{
    static QtDialogChooser real;
    return installedChooser() ? *installedChooser() : real;
}

QWidget *parentFor(QWidget *owner)
{
    return owner ? owner : dialogOwner();
}

} // namespace

void setDialogChooser(DialogChooser *chooser)
{
    installedChooser() = chooser;
}

// Entries are "description|patterns", one after another; a description left
// without patterns at the end is dropped, as are blank patterns. The pattern
// list is always appended, even to a description that already ends in one
// ("Icon files (*.ico)"), because Qt takes the patterns from the last
// parentheses: the description then reads as the control's user wrote it.
// An empty filter gives no entries, which Qt shows as every file.
QStringList qtNameFilters(const QString &filter)
{
    QStringList result;
    if (filter.isEmpty())
        return result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &pattern : parts.at(i + 1).split(QLatin1Char(';'))) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                patterns << trimmed;
        }
        result << parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' '))
                + QLatin1Char(')');
    }
    return result;
}

// A name on a drive whose folder is there starts in that folder, offering the
// name (the last choice, in its own capitals where the drive holds it); a
// folder starts in itself. Anything else starts in the home folder.
QString openDialogStart(const QString &fileName)
{
    const QString path = hostPath(fileName);
    if (!path.isEmpty()) {
        const QFileInfo info(path);
        if (info.isDir() || info.dir().exists())
            return path;
    }
    return QDir::homePath();
}

// Home first, where the dialog starts without a name, then each drive's root
// in the order of its letter.
QList<QUrl> openDialogSidebar()
{
    QList<QUrl> urls{ QUrl::fromLocalFile(QDir::homePath()) };
    for (const Drive &drive : drives())
        urls.append(QUrl::fromLocalFile(drive.hostFolder));
    return urls;
}

// The dialog starts as openDialogStart says. A confirmed file is named back
// as a drive path; one that no drive holds raises "Path/File access error"
// (75), naming it, and leaves FileName. A cancel leaves FileName and raises
// nothing.
void CommonDialog::ShowOpen()
{
    const std::optional<QString> chosen = chooser().chooseFile(
        parentFor(m_owner), DialogTitle, qtNameFilters(Filter), openDialogStart(FileName));
    if (!chosen)
        return;
    const QString drivePath = windowsPath(*chosen);
    if (drivePath.isEmpty()) {
        raiseError(PathFileAccessError,
                   QStringLiteral("Path/File access error: %1 lies on no drive").arg(*chosen));
    }
    FileName = drivePath;
}

// The dialog starts on black, whatever Color holds, as the control given no
// starting colour does; a confirmed colour replaces Color, a cancel leaves it.
// Neither raises.
void CommonDialog::ShowColor()
{
    const std::optional<QColor> chosen
        = chooser().chooseColor(parentFor(m_owner), QColor(Qt::black));
    if (chosen)
        Color = toOleColor(*chosen);
}

} // namespace platform
