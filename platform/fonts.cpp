#include "fonts.h"

#include <QDir>
#include <QFontDatabase>

namespace platform {

namespace {

void loadWineFonts()
{
    static const bool loaded = [] {
        const QDir folder(QStringLiteral("/usr/share/wine/fonts"));
        for (const QString &file : folder.entryList({QStringLiteral("*.ttf")}, QDir::Files))
            QFontDatabase::addApplicationFont(folder.filePath(file));
        return true;
    }();
    Q_UNUSED(loaded);
}

} // namespace

QFont designFont(const QString &face, qreal points, int weight)
{
    if (!QFontDatabase::hasFamily(face))
        loadWineFonts();
    QFont font(face);
    font.setPointSizeF(points);
    font.setWeight(weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace platform
