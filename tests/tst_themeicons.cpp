#include "testmain.h"

#include <QImage>
#include <QImageReader>

// The desktop's icon theme and the window must show the same icon: each theme
// picture is the window icon's 32-bit image of its size, pixel for pixel.
class TestThemeIcons : public QObject
{
    Q_OBJECT

private slots:
    void matchesWindowIcon_data();
    void matchesWindowIcon();
};

void TestThemeIcons::matchesWindowIcon_data()
{
    QTest::addColumn<int>("size");
    for (int size : { 16, 24, 32, 48, 128 })
        QTest::newRow(qPrintable(QStringLiteral("%1 px").arg(size))) << size;
}

void TestThemeIcons::matchesWindowIcon()
{
    QFETCH(int, size);
    const QString path = QStringLiteral(ASSETS_DIR "/velvane-%1.png").arg(size);
    const QImage theme(path);
    QVERIFY2(!theme.isNull(), qPrintable(path));
    // A picture under the wrong size's folder is scaled again by the desktop.
    QCOMPARE(theme.size(), QSize(size, size));

    QImageReader windowIcon(QStringLiteral(":/velvane.ico"));
    QList<QImage> sameSize;
    for (int i = 0; i < windowIcon.imageCount(); ++i) {
        QVERIFY(windowIcon.jumpToImage(i));
        const QImage image = windowIcon.read();
        if (image.size() == theme.size())
            sameSize.append(image.convertToFormat(QImage::Format_ARGB32));
    }
    QVERIFY2(!sameSize.isEmpty(), "the window icon has no image of this size");
    const QImage expected = theme.convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(sameSize.contains(expected), "no image of the window icon matches the theme's");
}

VELVANE_TEST_MAIN(TestThemeIcons)
#include "tst_themeicons.moc"
