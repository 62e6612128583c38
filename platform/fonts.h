#pragma once

#include <QFont>
#include <QString>

namespace platform {

// The font a design names, in points, weight 400 regular or 700 bold; never
// italic, underlined or struck through. A face this machine lacks is taken
// from Wine's metric-compatible fonts where installed (fonts-wine keeps them
// outside fontconfig's path), else the nearest face the machine has.
QFont designFont(const QString &face, qreal points, int weight);

} // namespace platform
