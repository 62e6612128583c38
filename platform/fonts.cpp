#include "fonts.h"

#include <QDir>
#include <QFontDatabase>

namespace platform {

namespace {

// Only the faces a design may name are loaded: every font added costs start-up time.
void loadWineFont(const QString &face)
{
    static QStringList tried;
    if (tried.contains(face))
        return;
    tried.append(face);
    const QDir folder(QStringLiteral("/usr/share/wine/fonts"));
    const QString stem = face.toLower();
    for (const QString &file : folder.entryList({ stem + QStringLiteral("*.ttf") }, QDir::Files))
        QFontDatabase::addApplicationFont(folder.filePath(file));
}

} // namespace

QFont designFont(const QString &face, qreal points, int weight)
{
    if (!QFontDatabase::hasFamily(face))
        loadWineFont(face);
    QFont font(face);
    font.setPointSizeF(points);
    font.setWeight(weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace platform
