#include "testmain.h"

#include "platform/drives.h"
#include "platform/runtimeerror.h"
#include "profile/module1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace platform;

class TestModule1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void writeUpperCasesKeyOnly_data();
    void writeUpperCasesKeyOnly();
    void readFindsKeyWhateverItsCase_data();
    void readFindsKeyWhateverItsCase();
    void roundTrip_data();
    void roundTrip();
    void readCutsAt749Characters_data();
    void readCutsAt749Characters();
    void readOfMissingFileCreatesNothing();
    void failedWriteRaises_data();
    void failedWriteRaises();
    void refusedCharacterRaises_data();
    void refusedCharacterRaises();

private:
    QString host(const QString &name) const { return m_drive->filePath(name); }
    void put(const QString &name, const QByteArray &bytes) const;
    QByteArray contents(const QString &name) const;

    QList<Drive> m_savedDrives;
    std::unique_ptr<QTemporaryDir> m_drive;
};

void TestModule1::put(const QString &name, const QByteArray &bytes) const
{
    QFile file(host(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray TestModule1::contents(const QString &name) const
{
    QFile file(host(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

void TestModule1::initTestCase()
{
    m_savedDrives = drives();
}

void TestModule1::init()
{
    m_drive = std::make_unique<QTemporaryDir>();
    QVERIFY(m_drive->isValid());
    setDrives({ Drive{ QLatin1Char('D'), m_drive->path(), QStringLiteral("Test") } });
}

void TestModule1::cleanup()
{
    if (QFileInfo(host(QStringLiteral("desktop.ini"))).isFile())
        QFile::setPermissions(host(QStringLiteral("desktop.ini")),
                              QFile::ReadOwner | QFile::WriteOwner);
    m_drive.reset();
    setDrives(m_savedDrives);
}

void TestModule1::writeUpperCasesKeyOnly_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("file");

    const QString folder = QStringLiteral("{BE098140-A513-11D0-A3A4-00C04FD706EC}");
    QTest::newRow("iconarea_image")
        << folder << QStringLiteral("iconarea_image") << QStringLiteral("C:\\Pics\\Back.bmp")
        << QByteArray("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                      "ICONAREA_IMAGE=C:\\Pics\\Back.bmp\r\n");
    QTest::newRow("iconarea_text")
        << folder << QStringLiteral("iconarea_text") << QStringLiteral("0x00FF00")
        << QByteArray("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                      "ICONAREA_TEXT=0x00FF00\r\n");
    QTest::newRow("icon") << QStringLiteral("Autorun") << QStringLiteral("icon")
                          << QStringLiteral("Drive.ico")
                          << QByteArray("[Autorun]\r\nICON=Drive.ico\r\n");
    QTest::newRow("1252 letter upper-cased, digits and underscore kept")
        << QStringLiteral("Autorun") << QStringLiteral("cl\u00E9_2b") << QStringLiteral("v")
        << QByteArray("[Autorun]\r\nCL\xC9_2B=v\r\n");
    QTest::newRow("section's case and value's blanks and case kept")
        << QStringLiteral("MixedCase") << QStringLiteral("k")
        << QStringLiteral("  Caf\u00E9 Value \t")
        << QByteArray("[MixedCase]\r\nK=  Caf\xE9 Value \t\r\n");
}

void TestModule1::writeUpperCasesKeyOnly()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, file);

    Module1::WriteIniValue(section, key, value, QStringLiteral("D:\\desktop.ini"));
    QCOMPARE(contents(QStringLiteral("desktop.ini")), file);
}

void TestModule1::readFindsKeyWhateverItsCase_data()
{
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("Image_Path") << QByteArray("[Velvane]\r\nImage_Path=C:\\a.bmp\r\n");
    QTest::newRow("image_path") << QByteArray("[Velvane]\r\nimage_path=C:\\a.bmp\r\n");
    QTest::newRow("IMAGE_PATH") << QByteArray("[velvane]\r\nIMAGE_PATH=C:\\a.bmp\r\n");
}

void TestModule1::readFindsKeyWhateverItsCase()
{
    QFETCH(QByteArray, file);

    put(QStringLiteral("vl.ini"), file);
    QCOMPARE(Module1::ReadIniValue(QStringLiteral("Velvane"), QStringLiteral("Image_Path"),
                                   QStringLiteral("D:\\vl.ini")),
             QStringLiteral("C:\\a.bmp"));
}

void TestModule1::roundTrip_data()
{
    QTest::addColumn<QString>("value");

    QTest::newRow("path") << QStringLiteral("D:\\Pictures\\Back.bmp");
    QTest::newRow("1252 characters") << QStringLiteral("Caf\u00E9 \u20AC \u0178");
    QTest::newRow("empty") << QString();
}

// Written in capitals, looked up in small letters, found all the same.
void TestModule1::roundTrip()
{
    QFETCH(QString, value);

    const QString file = QStringLiteral("D:\\Autorun.inf");
    Module1::WriteIniValue(QStringLiteral("Autorun"), QStringLiteral("Icon"), value, file);
    QCOMPARE(Module1::ReadIniValue(QStringLiteral("Autorun"), QStringLiteral("Icon"), file), value);
}

void TestModule1::readCutsAt749Characters_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("read");

    QTest::newRow("749 whole") << 749 << 749;
    QTest::newRow("750 cut to 749") << 750 << 749;
    QTest::newRow("2000 cut to 749") << 2000 << 749;
}

void TestModule1::readCutsAt749Characters()
{
    QFETCH(int, length);
    QFETCH(int, read);

    QString value;
    for (int i = 0; i < length; ++i)
        value += QChar(i % 2 ? 0xE9 : 'a' + i % 26);
    const QString file = QStringLiteral("D:\\desktop.ini");
    Module1::WriteIniValue(QStringLiteral("S"), QStringLiteral("k"), value, file);
    QCOMPARE(Module1::ReadIniValue(QStringLiteral("S"), QStringLiteral("k"), file),
             value.left(read));
}

void TestModule1::readOfMissingFileCreatesNothing()
{
    QCOMPARE(Module1::ReadIniValue(QStringLiteral("Velvane"), QStringLiteral("Image_Path"),
                                   QStringLiteral("D:\\vl.ini")),
             QString(""));
    QVERIFY(QDir(m_drive->path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                .isEmpty());
}

enum Fault { MissingFolder, FolderAsFile, ReadOnlyFile, LinkAsFile, DriveFolderMadeAnew };
Q_DECLARE_METATYPE(Fault)

void TestModule1::failedWriteRaises_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("description");

    QTest::newRow("missing folder")
        << MissingFolder << QStringLiteral("D:\\none\\desktop.ini")
        << QStringLiteral("Path/File access error: D:\\none\\desktop.ini (No such file or "
                          "directory)");
    QTest::newRow("folder where the file should be")
        << FolderAsFile << QStringLiteral("D:\\desktop.ini")
        << QStringLiteral("Path/File access error: D:\\desktop.ini (Is a directory)");
    QTest::newRow("read-only file")
        << ReadOnlyFile << QStringLiteral("D:\\desktop.ini")
        << QStringLiteral("Path/File access error: D:\\desktop.ini (Permission denied)");
    QTest::newRow("link in the file's place")
        << LinkAsFile << QStringLiteral("D:\\desktop.ini")
        << QStringLiteral("Path/File access error: D:\\desktop.ini (it is a link, not a file)");
    QTest::newRow("drive's folder removed and made anew")
        << DriveFolderMadeAnew << QStringLiteral("D:\\desktop.ini")
        << QStringLiteral("Path/File access error: D:\\desktop.ini (the drive is no longer there)");
}

// A write that did not happen is never passed off as one that did.
void TestModule1::failedWriteRaises()
{
    QFETCH(Fault, fault);
    QFETCH(QString, file);
    QFETCH(QString, description);

    const QByteArray old("[S]\r\nK=old\r\n");
    if (fault == FolderAsFile)
        QVERIFY(QDir(m_drive->path()).mkdir(QStringLiteral("desktop.ini")));
    if (fault == ReadOnlyFile)
        put(QStringLiteral("desktop.ini"), old);
    if (fault == ReadOnlyFile)
        QVERIFY(QFile::setPermissions(host(QStringLiteral("desktop.ini")), QFile::ReadOwner));
    if (fault == LinkAsFile) {
        put(QStringLiteral("real.ini"), old);
        QVERIFY(QFile::link(QStringLiteral("real.ini"), host(QStringLiteral("desktop.ini"))));
    }
    if (fault == DriveFolderMadeAnew)
        QVERIFY(QDir().rmdir(m_drive->path()) && QDir().mkdir(m_drive->path()));
    const QStringList before = QDir(m_drive->path()).entryList(QDir::AllEntries | QDir::Hidden);

    try {
        Module1::WriteIniValue(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("V"), file);
        QFAIL("no run-time error");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), int(PathFileAccessError));
        QCOMPARE(error.description(), description);
    }
    QCOMPARE(QDir(m_drive->path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    if (fault == ReadOnlyFile)
        QCOMPARE(contents(QStringLiteral("desktop.ini")), old);
    if (fault == LinkAsFile)
        QCOMPARE(contents(QStringLiteral("real.ini")), old);
}

void TestModule1::refusedCharacterRaises_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("description");

    const QString s = QStringLiteral("S");
    const QString k = QStringLiteral("k");
    const QString v = QStringLiteral("V");
    const QString prefix = QStringLiteral("Invalid procedure call or argument: ");
    QTest::newRow("line break in value")
        << s << k << QStringLiteral("V\r\nX=1")
        << prefix + QStringLiteral("a carriage return in the value \"V\\r\\nX=1\"");
    QTest::newRow("line feed in value")
        << s << k << QStringLiteral("V\n[Autorun]")
        << prefix + QStringLiteral("a line feed in the value \"V\\n[Autorun]\"");
    QTest::newRow("carriage return in key")
        << s << QStringLiteral("k\rx") << v
        << prefix + QStringLiteral("a carriage return in the key \"K\\rX\"");
    QTest::newRow("line feed in section")
        << QStringLiteral("S\nT") << k << v
        << prefix + QStringLiteral("a line feed in the section \"S\\nT\"");
    QTest::newRow("closing bracket in section")
        << QStringLiteral("S]x") << k << v
        << prefix + QStringLiteral("a \"]\" in the section \"S]x\"");
    QTest::newRow("NUL in value") << s << k << QString::fromUtf16(u"V\0W", 3)
                                  << prefix
            + QStringLiteral("a NUL character in the value \"V\\0W\"");
    QTest::newRow("closing bracket in key and value is no fault")
        << s << QStringLiteral("k]") << QStringLiteral("V]") << QString();
}

// Text that would break the file's lines or a section's name is refused
// before the file is touched, with one error whichever character it is.
void TestModule1::refusedCharacterRaises()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, description);

    const QByteArray old("[S]\r\nK=old\r\n");
    put(QStringLiteral("desktop.ini"), old);
    try {
        Module1::WriteIniValue(section, key, value, QStringLiteral("D:\\desktop.ini"));
        QVERIFY(description.isEmpty());
        QCOMPARE(contents(QStringLiteral("desktop.ini")), QByteArray("[S]\r\nK=old\r\nK]=V]\r\n"));
        return;
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), int(InvalidProcedureCall));
        QCOMPARE(error.description(), description);
    }
    QCOMPARE(contents(QStringLiteral("desktop.ini")), old);
}

VELVANE_TEST_MAIN(TestModule1)

#include "tst_module1.moc"
