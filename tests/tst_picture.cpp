#include "platform/drives.h"
#include "platform/picture.h"
#include "platform/runtimeerror.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace platform;

// Drive D: is a temporary folder holding pictures the test writes itself.
class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { setDrives(m_savedDrives); }

    void loads_data();
    void loads();
    void fails_data();
    void fails();

private:
    QTemporaryDir m_dir;
    QList<Drive> m_savedDrives;
};

void TestPicture::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("pictures")));
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(QColor(200, 10, 10));
    QVERIFY(image.save(m_dir.filePath(QStringLiteral("pictures/sea.jpg")), "JPEG"));
    QVERIFY(image.save(m_dir.filePath(QStringLiteral("pictures/sea.bmp")), "BMP"));
    QVERIFY(image.save(m_dir.filePath(QStringLiteral("pictures/jpeg named.bmp")), "JPEG"));

    QFile text(m_dir.filePath(QStringLiteral("pictures/notes.jpg")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("this is no picture\r\n");
    text.close();
    QFile empty(m_dir.filePath(QStringLiteral("pictures/empty.bmp")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();

    m_savedDrives = drives();
    setDrives({ { QChar('D'), m_dir.path(), QString() } });
}

void TestPicture::loads_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("JPEG") << QStringLiteral("D:\\pictures\\sea.jpg");
    QTest::newRow("BMP") << QStringLiteral("D:\\pictures\\sea.bmp");
    QTest::newRow("other capitals and forward slashes") << QStringLiteral("d:/PICTURES/Sea.JPG");
    QTest::newRow("JPEG under a .bmp name") << QStringLiteral("D:\\pictures\\jpeg named.bmp");
}

void TestPicture::loads()
{
    QFETCH(QString, path);
    const QImage image = LoadPicture(path);
    QCOMPARE(image.size(), QSize(30, 20));
    const QColor middle = image.pixelColor(15, 10);
    QVERIFY2(qAbs(middle.red() - 200) < 8 && middle.green() < 20 && middle.blue() < 20,
             qPrintable(middle.name()));
}

void TestPicture::fails_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::newRow("no such file") << QStringLiteral("D:\\pictures\\gone.jpg") << 53
                                  << QStringLiteral("File not found: D:\\pictures\\gone.jpg");
    QTest::newRow("a folder") << QStringLiteral("D:\\pictures") << 53
                              << QStringLiteral("File not found: D:\\pictures");
    QTest::newRow("a drive not in the table")
        << QStringLiteral("Q:\\sea.jpg") << 53 << QStringLiteral("File not found: Q:\\sea.jpg");
    QTest::newRow("empty name") << QString() << 53 << QStringLiteral("File not found");
    QTest::newRow("text under a picture name")
        << QStringLiteral("D:\\pictures\\notes.jpg") << 481
        << QStringLiteral("Invalid picture: D:\\pictures\\notes.jpg");
    QTest::newRow("empty file") << QStringLiteral("D:\\pictures\\empty.bmp") << 481
                                << QStringLiteral("Invalid picture: D:\\pictures\\empty.bmp");
}

void TestPicture::fails()
{
    QFETCH(QString, path);
    QFETCH(int, number);
    QFETCH(QString, description);
    try {
        LoadPicture(path);
        QFAIL("no error raised");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), number);
        QCOMPARE(error.description(), description);
    }
}

VELVANE_TEST_MAIN(TestPicture)
#include "tst_picture.moc"
