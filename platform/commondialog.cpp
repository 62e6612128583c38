#include "commondialog.h"

#include "drives.h"
#include "olecolor.h"
#include "runtimeerror.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>

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
        if (!start.isEmpty()) {
            const QFileInfo info(start);
            if (info.isDir()) {
                dialog.setDirectory(start);
            } else {
                dialog.setDirectory(info.absolutePath());
                dialog.selectFile(info.fileName());
            }
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }

    std::optional<QColor> chooseColor(QWidget *parent, const QColor &start) override
    {
        QColorDialog dialog(start, parent);
        dialog.setOption(QColorDialog::DontUseNativeDialog);
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
    return owner ? owner : QApplication::activeWindow();
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

// The dialog starts at FileName's host path when FileName names one, so that
// the last choice is offered again. A confirmed file is named back as a drive
// path; one that no drive holds raises "Path/File access error" (75), naming
// it, and leaves FileName. A cancel leaves FileName and raises nothing.
void CommonDialog::ShowOpen()
{
    const QString start = FileName.isEmpty() ? QString() : hostPath(FileName);
    const std::optional<QString> chosen
        = chooser().chooseFile(parentFor(m_owner), DialogTitle, qtNameFilters(Filter), start);
    if (!chosen)
        return;
    const QString drivePath = windowsPath(*chosen);
    if (drivePath.isEmpty()) {
        raiseError(PathFileAccessError,
                   QStringLiteral("Path/File access error: %1 lies on no drive").arg(*chosen));
    }
    FileName = drivePath;
}

// The dialog starts at Color; a confirmed colour replaces it, a cancel leaves
// it. Neither raises.
void CommonDialog::ShowColor()
{
    const std::optional<QColor> chosen = chooser().chooseColor(parentFor(m_owner), oleColor(Color));
    if (chosen)
        Color = toOleColor(*chosen);
}

} // namespace platform
