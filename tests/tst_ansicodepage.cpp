#include "platform/ansicodepage.h"
#include "platform/runtimeerror.h"
#include "testmain.h"

using namespace platform;

class TestAnsiCodePage : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void everyByteRoundTrips();
    void unmappable_data();
    void unmappable();
};

void TestAnsiCodePage::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ASCII with a path's punctuation")
        << QByteArray("C:\\Pictures\\a b.jpg") << QStringLiteral("C:\\Pictures\\a b.jpg");
    QTest::newRow("NUL byte kept") << QByteArray("a\0b", 3) << QString::fromUtf16(u"a\0b", 3);
    QTest::newRow("Latin-1 letters")
        << QByteArray("\xC9t\xE9 \xFF") << QString::fromUtf16(u"\u00C9t\u00E9 \u00FF");
    QTest::newRow("no-break space") << QByteArray("\xA0") << QString::fromUtf16(u"\u00A0");
    QTest::newRow("euro sign at 0x80") << QByteArray("\x80") << QString::fromUtf16(u"\u20AC");
    QTest::newRow("typographic quotes and dashes")
        << QByteArray("\x93x\x94\x96\x97") << QString::fromUtf16(u"\u201Cx\u201D\u2013\u2014");
    QTest::newRow("letters of 0x80 to 0x9F")
        << QByteArray("\x8A\x8C\x9A\x9C\x9E\x9F")
        << QString::fromUtf16(u"\u0160\u0152\u0161\u0153\u017E\u0178");
    QTest::newRow("undefined bytes as C1 controls")
        << QByteArray("\x81\x8D\x8F\x90\x9D")
        << QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D");
}

void TestAnsiCodePage::roundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(fromAnsi(bytes), text);
    const std::optional<QByteArray> encoded = toAnsi(text);
    QVERIFY(encoded);
    QCOMPARE(*encoded, bytes);
    QCOMPARE(toAnsiOrRaise(text), bytes);
    QCOMPARE(toAnsiLossy(text), bytes);
}

// Totality: whatever a file holds reads as text and writes back unchanged.
void TestAnsiCodePage::everyByteRoundTrips()
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(char(byte));
    const QString text = fromAnsi(all);
    QCOMPARE(text.size(), 256);
    const std::optional<QByteArray> encoded = toAnsi(text);
    QVERIFY(encoded);
    QCOMPARE(*encoded, all);
}

// named: how the description names the first character that has no byte.
void TestAnsiCodePage::unmappable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("lossy");
    QTest::addColumn<QString>("named");
    QTest::newRow("C1 control whose byte holds the euro sign")
        << QString::fromUtf16(u"a\u0080b") << QByteArray("a?b") << QStringLiteral("U+0080");
    QTest::newRow("Latin Extended letter")
        << QString::fromUtf16(u"D:\\\u0100.jpg") << QByteArray("D:\\?.jpg")
        << QString::fromUtf16(u"\"\u0100\" (U+0100)");
    QTest::newRow("Cyrillic and CJK") << QString::fromUtf16(u"\u0416\u4E2D") << QByteArray("??")
                                      << QString::fromUtf16(u"\"\u0416\" (U+0416)");
    QTest::newRow("the first one after letters 1252 holds")
        << QString::fromUtf16(u"D:\\Caf\u00E9 \u0141\u00F3d\u017A \u0159.jpg")
        << QByteArray("D:\\Caf\xE9 ?\xF3"
                      "d? ?.jpg")
        << QString::fromUtf16(u"\"\u0141\" (U+0141)");
    QTest::newRow("character outside the BMP is one question mark")
        << QString::fromUtf16(u"x\U0001F600y") << QByteArray("x?y")
        << QString::fromUtf16(u"\"\U0001F600\" (U+1F600)");
    QTest::newRow("lone high surrogate")
        << QString::fromUtf16(u"x\xD83D") << QByteArray("x?") << QStringLiteral("U+D83D");
    QTest::newRow("lone low surrogate")
        << QString::fromUtf16(u"\xDE00x") << QByteArray("?x") << QStringLiteral("U+DE00");
}

// The description says which character, in which name, and what to do.
void TestAnsiCodePage::unmappable()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, lossy);
    QFETCH(QString, named);
    QVERIFY(!toAnsi(text));
    QCOMPARE(toAnsiLossy(text), lossy);
    try {
        toAnsiOrRaise(text);
        QFAIL("no run-time error raised");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), int(InvalidProcedureCall));
        const QString description = error.description();
        QVERIFY2(description.contains(QLatin1Char('"') + text + QLatin1Char('"')),
                 qPrintable(description));
        QVERIFY2(description.contains(QStringLiteral("the character ") + named + QLatin1Char(',')),
                 qPrintable(description));
        QVERIFY2(description.contains(QLatin1String("Windows-1252")), qPrintable(description));
        QVERIFY2(description.contains(QLatin1String("Rename the file")), qPrintable(description));
    }
}

VELVANE_TEST_MAIN(TestAnsiCodePage)
#include "tst_ansicodepage.moc"
