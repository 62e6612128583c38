// Draws the window's pictures and the program icon into the folder given on the command line.
// Every picture is drawn here from shapes and gradients, so the files can be rebuilt at any time
// and come out the same.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QtEndian>

#include <array>
#include <climits>
#include <cstdio>

namespace {

// 96 dots per inch, the resolution the window is laid out for.
constexpr int dotsPerMeter = 3780;

QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    return image;
}

// A four-pointed sparkle, the motif shared by the icon and the window background.
QPainterPath sparkle(QPointF centre, qreal radius)
{
    const qreal waist = radius * 0.28;
    QPainterPath path(centre + QPointF(0, -radius));
    path.lineTo(centre + QPointF(waist, -waist));
    path.lineTo(centre + QPointF(radius, 0));
    path.lineTo(centre + QPointF(waist, waist));
    path.lineTo(centre + QPointF(0, radius));
    path.lineTo(centre + QPointF(-waist, waist));
    path.lineTo(centre + QPointF(-radius, 0));
    path.lineTo(centre + QPointF(-waist, -waist));
    path.closeSubpath();
    return path;
}

// The band fades into white at its right edge, where the white window carries on, and stays
// pale under the two title labels at the top.
QImage background()
{
    QImage image = canvas(105, 300);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient down(0, 0, 0, 300);
    down.setColorAt(0.0, QColor(226, 232, 252));
    down.setColorAt(0.5, QColor(196, 208, 246));
    down.setColorAt(1.0, QColor(178, 194, 240));
    painter.fillRect(image.rect(), down);

    QLinearGradient across(0, 0, 105, 0);
    across.setColorAt(0.0, QColor(255, 255, 255, 0));
    across.setColorAt(0.35, QColor(255, 255, 255, 90));
    across.setColorAt(1.0, QColor(255, 255, 255, 255));
    painter.fillRect(image.rect(), across);

    // The frames cover the band from the title labels down to the buttons but for its left
    // edge, so the sparkles run down that edge.
    painter.setPen(Qt::NoPen);
    for (int y = 64; y < 300; y += 28) {
        const bool large = (y / 28) % 2 == 0;
        painter.setBrush(QColor(255, 255, 255, large ? 170 : 120));
        painter.drawPath(sparkle(QPointF(12, y), large ? 6 : 4));
    }
    return image;
}

// A button face is centred on its button, which shows only its middle 21 rows, so the turn from
// the lighter upper half to the darker lower one falls within them.
void shadeFace(QPainter &painter, const QRect &rect)
{
    QLinearGradient shade(0, 0, 0, rect.height());
    shade.setColorAt(0.0, QColor(255, 255, 255, 200));
    shade.setColorAt(0.25, QColor(255, 255, 255, 150));
    shade.setColorAt(0.5, QColor(255, 255, 255, 0));
    shade.setColorAt(0.75, QColor(40, 60, 120, 40));
    shade.setColorAt(1.0, QColor(40, 60, 120, 60));
    painter.fillRect(rect, shade);
}

QImage buttonFace()
{
    QImage image = canvas(60, 41);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(232, 236, 248));
    shadeFace(painter, image.rect());
    return image;
}

QImage colourButtonFace()
{
    QImage image = canvas(90, 41);
    QPainter painter(&image);
    QLinearGradient hues(0, 0, image.width(), 0);
    constexpr int steps = 6;
    for (int i = 0; i <= steps; ++i)
        hues.setColorAt(qreal(i) / steps, QColor::fromHsv(300 * i / steps, 56, 250));
    painter.fillRect(image.rect(), hues);
    shadeFace(painter, image.rect());
    return image;
}

// Shown clipped to the middle of whichever button is held down: a darker face lit from below,
// its turn from shadow to light across the middle rows.
QImage buttonDown()
{
    QImage image = canvas(278, 200);
    QPainter painter(&image);
    QLinearGradient shade(0, 0, 0, image.height());
    shade.setColorAt(0.0, QColor(150, 160, 196));
    shade.setColorAt(0.44, QColor(150, 160, 196));
    shade.setColorAt(0.56, QColor(184, 192, 222));
    shade.setColorAt(1.0, QColor(184, 192, 222));
    painter.fillRect(image.rect(), shade);
    return image;
}

const QColor tileTop(84, 112, 255);
const QColor tileBottom(24, 36, 196);

QRgb blend(const QColor &from, const QColor &to, qreal at)
{
    return qRgb(qRound(from.red() + (to.red() - from.red()) * at),
                qRound(from.green() + (to.green() - from.green()) * at),
                qRound(from.blue() + (to.blue() - from.blue()) * at));
}

// The program icon: a blue tile carrying a white V with a golden sparkle. Drawn on a 128 grid
// and scaled, so every size shows the same art.
QImage icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 128.0, size / 128.0);

    QLinearGradient tile(0, 0, 0, 128);
    tile.setColorAt(0.0, tileTop);
    tile.setColorAt(1.0, tileBottom);
    painter.setPen(QPen(QColor(16, 20, 128), 4));
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(4, 4, 120, 120), 22, 22);

    QPainterPath vee;
    vee.moveTo(22, 30);
    vee.lineTo(46, 30);
    vee.lineTo(64, 80);
    vee.lineTo(82, 30);
    vee.lineTo(106, 30);
    vee.lineTo(76, 106);
    vee.lineTo(52, 106);
    vee.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(vee);

    painter.setBrush(QColor(255, 214, 0));
    painter.drawPath(sparkle(QPointF(100, 22), 16));
    return image;
}

// The sixteen colours of the VGA palette, which every 16-colour display has.
const std::array<QRgb, 16> vgaColours = {
    0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080, 0xff008080, 0xffc0c0c0,
    0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00, 0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff,
};

// 256 colours: the VGA sixteen, a 6x6x6 colour cube and 24 steps of the tile's own blue, which
// the cube alone would cut into two flat bands.
QList<QRgb> palette256()
{
    QList<QRgb> colours(vgaColours.begin(), vgaColours.end());
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                colours.append(qRgb(r * 51, g * 51, b * 51));
    for (int i = 0; i < 24; ++i)
        colours.append(blend(tileTop, tileBottom, i / 23.0));
    return colours;
}

int nearest(QRgb colour, const QList<QRgb> &colours)
{
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < colours.size(); ++i) {
        const int dr = qRed(colour) - qRed(colours[i]);
        const int dg = qGreen(colour) - qGreen(colours[i]);
        const int db = qBlue(colour) - qBlue(colours[i]);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void append16(QByteArray &out, quint16 value)
{
    const quint16 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), sizeof le);
}

void append32(QByteArray &out, quint32 value)
{
    const quint32 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), sizeof le);
}

int rowBytes(int width, int bitsPerPixel)
{
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// One image of an icon file: a bottom-up device-independent bitmap of twice the height, the
// colour rows followed by the 1-bit mask rows, whose set bits are the transparent pixels. A
// palettised image takes each pixel's nearest palette colour; a pixel more than half
// transparent is masked.
QByteArray iconImage(const QImage &art, int bitsPerPixel)
{
    const int size = art.width();
    const QList<QRgb> colours = bitsPerPixel == 4
        ? QList<QRgb>(vgaColours.begin(), vgaColours.end())
        : bitsPerPixel == 8 ? palette256()
                            : QList<QRgb>();
    const int colourRow = rowBytes(size, bitsPerPixel);
    const int maskRow = rowBytes(size, 1);

    QByteArray out;
    append32(out, 40);
    append32(out, size);
    append32(out, size * 2);
    append16(out, 1);
    append16(out, bitsPerPixel);
    append32(out, 0);
    append32(out, (colourRow + maskRow) * size);
    append32(out, 0);
    append32(out, 0);
    append32(out, colours.size());
    append32(out, 0);
    for (QRgb colour : colours)
        append32(out, colour & 0xffffff);

    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(colourRow, '\0');
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = art.pixel(x, y);
            if (bitsPerPixel == 32) {
                qToLittleEndian<quint32>(pixel, row.data() + x * 4);
                continue;
            }
            const int index = qAlpha(pixel) < 128 ? 0 : nearest(pixel, colours);
            if (bitsPerPixel == 8)
                row[x] = char(index);
            else
                row[x / 2] = char(row[x / 2] | (x % 2 ? index : index << 4));
        }
        out.append(row);
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < size; ++x)
            if (qAlpha(art.pixel(x, y)) < 128)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

// The sizes the icon file holds in every colour depth; it adds 128 pixels in 32 bits alone.
constexpr std::array<int, 4> paletteIconSizes = { 16, 24, 32, 48 };
constexpr int largeIconSize = 128;

QByteArray iconFile()
{
    struct Entry
    {
        int size;
        int bitsPerPixel;
    };
    QList<Entry> entries;
    for (int bitsPerPixel : { 4, 8, 32 })
        for (int size : paletteIconSizes)
            entries.append({ size, bitsPerPixel });
    entries.append({ largeIconSize, 32 });

    QByteArray directory;
    append16(directory, 0);
    append16(directory, 1);
    append16(directory, entries.size());
    QByteArray images;
    const int firstOffset = 6 + 16 * entries.size();
    for (const Entry &entry : entries) {
        const QByteArray image = iconImage(icon(entry.size), entry.bitsPerPixel);
        directory.append(char(entry.size));
        directory.append(char(entry.size));
        directory.append(char(entry.bitsPerPixel == 4 ? 16 : 0));
        directory.append('\0');
        append16(directory, 1);
        append16(directory, entry.bitsPerPixel);
        append32(directory, image.size());
        append32(directory, firstOffset + images.size());
        images.append(image);
    }
    return directory + images;
}

bool save(const QImage &image, const QString &path, const char *format, int quality = -1)
{
    if (image.save(path, format, quality))
        return true;
    std::fprintf(stderr, "makeassets: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeassets <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));

    bool ok = save(background(), folder.filePath("background.jpg"), "JPEG", 92);
    ok = save(buttonFace(), folder.filePath("button.jpg"), "JPEG", 92) && ok;
    ok = save(colourButtonFace(), folder.filePath("colorbutton.jpg"), "JPEG", 92) && ok;
    ok = save(buttonDown(), folder.filePath("buttondown.bmp"), "BMP") && ok;
    // The desktop's icon theme gets each 32-bit image of the icon file as it stands, so menus
    // and task bars show the window's own icon at their size instead of scaling one down.
    QList<int> themeSizes(paletteIconSizes.begin(), paletteIconSizes.end());
    themeSizes.append(largeIconSize);
    for (int size : themeSizes)
        ok = save(icon(size), folder.filePath(QStringLiteral("velvane-%1.png").arg(size)), "PNG")
            && ok;

    QSaveFile ico(folder.filePath("velvane.ico"));
    if (!ico.open(QIODevice::WriteOnly) || ico.write(iconFile()) < 0 || !ico.commit()) {
        std::fprintf(stderr, "makeassets: cannot write %s\n", qPrintable(ico.fileName()));
        ok = false;
    }
    return ok ? 0 : 1;
}
