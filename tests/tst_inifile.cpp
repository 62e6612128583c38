#include "testmain.h"

#include "platform/inifile.h"

#include <optional>

using namespace platform;

namespace {

// A UTF-16LE file: the FF FE mark, then the text's units, low byte first.
QByteArray utf16(const QString &text)
{
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

QByteArray repeated(const QByteArray &line, int times)
{
    return line.repeated(times);
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void write_data();
    void write();
    void refused_data();
    void refused();
};

void TestIniFile::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("value");

    const QByteArray plain("[Sec]\r\nA=1\r\nKey=v\r\n");
    QTest::newRow("section and key found without regard to case")
        << plain << QByteArray("sEC") << QByteArray("KEY") << true << QByteArray("v");
    QTest::newRow("1252 letters found without regard to case")
        << QByteArray("[Caf\xC9]\r\n\xC9t\xC9=v") << QByteArray("caf\xE9")
        << QByteArray("\xE9T\xE9") << true << QByteArray("v");
    QTest::newRow("caller's names trimmed of spaces")
        << plain << QByteArray("  Sec ") << QByteArray(" Key  ") << true << QByteArray("v");
    QTest::newRow("caller's tab is not trimmed")
        << plain << QByteArray("Sec") << QByteArray("\tKey") << false << QByteArray();
    QTest::newRow("file's names and value trimmed of space, tab and vertical tab")
        << QByteArray("[ \tSec\v ]\r\n \t Key \v= \t v w \v\r\n") << QByteArray("Sec")
        << QByteArray("Key") << true << QByteArray("v w");
    QTest::newRow("rest of a header line ignored")
        << QByteArray("[Sec] x ] ; y\r\nKey=v") << QByteArray("Sec") << QByteArray("Key") << true
        << QByteArray("v");
    QTest::newRow("header without closing bracket")
        << QByteArray("[ Sec \r\nKey=v") << QByteArray("Sec") << QByteArray("Key") << true
        << QByteArray("v");
    QTest::newRow("indented header") << QByteArray(" \t[Sec]\r\nKey=v") << QByteArray("Sec")
                                     << QByteArray("Key") << true << QByteArray("v");
    QTest::newRow("bracket after other text starts no section")
        << QByteArray("x [Sec]\r\nKey=v") << QByteArray("Sec") << QByteArray("Key") << false
        << QByteArray();
    QTest::newRow("empty section name") << QByteArray("Key=1\r\n[ ]\r\nKey=v") << QByteArray("")
                                        << QByteArray("Key") << true << QByteArray("v");
    QTest::newRow("lines before the first section belong to none")
        << QByteArray("Key=v\r\n[Sec]\r\n") << QByteArray("Sec") << QByteArray("Key") << false
        << QByteArray();
    QTest::newRow("only the first matching section searched")
        << QByteArray("[Sec]\r\nA=1\r\n[sec]\r\nKey=v\r\n") << QByteArray("Sec")
        << QByteArray("Key") << false << QByteArray();
    QTest::newRow("next section ends the search")
        << QByteArray("[Sec]\r\n  [Other\r\nKey=v") << QByteArray("Sec") << QByteArray("Key")
        << false << QByteArray();
    QTest::newRow("first matching key taken")
        << QByteArray("[Sec]\r\nkey=1\r\nKEY=2\r\n") << QByteArray("Sec") << QByteArray("Key")
        << true << QByteArray("1");
    QTest::newRow("comment line is not a key")
        << QByteArray("[Sec]\r\n ;Key=c\r\nKey=v") << QByteArray("Sec") << QByteArray("Key") << true
        << QByteArray("v");
    QTest::newRow("line without equals is not a key")
        << QByteArray("[Sec]\r\nKey\r\n") << QByteArray("Sec") << QByteArray("Key") << false
        << QByteArray();
    QTest::newRow("name ends at the first equals")
        << QByteArray("[Sec]\r\nKey = a=b\r\n") << QByteArray("Sec") << QByteArray("Key") << true
        << QByteArray("a=b");
    QTest::newRow("empty value is found") << QByteArray("[Sec]\r\nKey=  \r\n") << QByteArray("Sec")
                                          << QByteArray("Key") << true << QByteArray("");
    QTest::newRow("LF line ends") << QByteArray("[Sec]\nA=1\nKey=v\n") << QByteArray("Sec")
                                  << QByteArray("Key") << true << QByteArray("v");
    QTest::newRow("lone CR line ends") << QByteArray("[Sec]\rA=1\rKey=v\r") << QByteArray("Sec")
                                       << QByteArray("Key") << true << QByteArray("v");
    QTest::newRow("mixed line ends") << QByteArray("[Sec]\n\rA=1\r\r\nKey=v") << QByteArray("Sec")
                                     << QByteArray("Key") << true << QByteArray("v");
    QTest::newRow("double quotes removed")
        << QByteArray("[Sec]\r\nKey= \" a \" \r\n") << QByteArray("Sec") << QByteArray("Key")
        << true << QByteArray(" a ");
    QTest::newRow("single quotes removed") << QByteArray("[Sec]\r\nKey='v'") << QByteArray("Sec")
                                           << QByteArray("Key") << true << QByteArray("v");
    QTest::newRow("empty quotes give empty value")
        << QByteArray("[Sec]\r\nKey=\"\"") << QByteArray("Sec") << QByteArray("Key") << true
        << QByteArray("");
    QTest::newRow("lone quote kept") << QByteArray("[Sec]\r\nKey=\"") << QByteArray("Sec")
                                     << QByteArray("Key") << true << QByteArray("\"");
    QTest::newRow("mismatched quotes kept") << QByteArray("[Sec]\r\nKey=\"v'") << QByteArray("Sec")
                                            << QByteArray("Key") << true << QByteArray("\"v'");
    QTest::newRow("only one pair of quotes removed")
        << QByteArray("[Sec]\r\nKey=''v''") << QByteArray("Sec") << QByteArray("Key") << true
        << QByteArray("'v'");
    QTest::newRow("UTF-8 mark belongs to the first line")
        << QByteArray("\xEF\xBB\xBF[Sec]\r\nKey=v\r\n") << QByteArray("Sec") << QByteArray("Key")
        << false << QByteArray();
    QTest::newRow("UTF-8 mark leaves later sections alone")
        << QByteArray("\xEF\xBB\xBF[A]\r\n[Sec]\r\nKey=v") << QByteArray("Sec") << QByteArray("Key")
        << true << QByteArray("v");
    QTest::newRow("NUL bytes are ordinary")
        << QByteArrayLiteral("[Sec]\r\nA=\0\0\r\nKey=v\0w\r\n\0") << QByteArray("Sec")
        << QByteArray("Key") << true << QByteArrayLiteral("v\0w");
    QTest::newRow("Ctrl-Z is ordinary")
        << QByteArray("[Sec]\r\nA=\x1A\r\nKey=v\x1A\r\n\x1A") << QByteArray("Sec")
        << QByteArray("Key") << true << QByteArray("v\x1A");
    QTest::newRow("1252 bytes of a value as they are")
        << QByteArray("[Sec]\r\nKey=\x80\x81\xFF") << QByteArray("Sec") << QByteArray("Key") << true
        << QByteArray("\x80\x81\xFF");
    QTest::newRow("UTF-16LE value converted to 1252")
        << utf16(QStringLiteral("[Sec]\r\nKey=caf\u00E9 \u20AC\r\n")) << QByteArray("Sec")
        << QByteArray("Key") << true << QByteArray("caf\xE9 \x80");
    QTest::newRow("UTF-16LE character outside 1252 read as ?")
        << utf16(QStringLiteral("[Sec]\r\nKey=\u0416x\r\n")) << QByteArray("Sec")
        << QByteArray("Key") << true << QByteArray("?x");
    QTest::newRow("UTF-16LE names found without regard to case")
        << utf16(QStringLiteral("[\u00C9t\u00C9]\nKEY=v")) << QByteArray("\xE9T\xE9")
        << QByteArray("key") << true << QByteArray("v");
    QTest::newRow("UTF-16LE unit holding the bytes of CR LF is no line end")
        << utf16(QStringLiteral("[Sec]\r\nKey=a\u0A0Db\r\n")) << QByteArray("Sec")
        << QByteArray("Key") << true << QByteArray("a?b");
    QTest::newRow("UTF-16LE unit holding the byte of [ is no bracket")
        << utf16(QStringLiteral("\u305BSec]\r\nKey=v")) << QByteArray("Sec") << QByteArray("Key")
        << false << QByteArray();
    QTest::newRow("UTF-16LE odd last byte is not read")
        << utf16(QStringLiteral("[Sec]\r\nKey=v")) + 'w' << QByteArray("Sec") << QByteArray("Key")
        << true << QByteArray("v");
    QTest::newRow("UTF-16LE mark alone") << QByteArray("\xFF\xFE") << QByteArray("Sec")
                                         << QByteArray("Key") << false << QByteArray();
    QTest::newRow("missing section")
        << plain << QByteArray("Other") << QByteArray("Key") << false << QByteArray();
    QTest::newRow("missing key") << plain << QByteArray("Sec") << QByteArray("Other") << false
                                 << QByteArray();
    QTest::newRow("empty file") << QByteArray() << QByteArray("Sec") << QByteArray("Key") << false
                                << QByteArray();
    QTest::newRow("one unterminated header of a MiB")
        << '[' + QByteArray(1 << 20, 'a') << QByteArray("Sec") << QByteArray("Key") << false
        << QByteArray();
    QTest::newRow("a MiB of brackets after text")
        << 'x' + QByteArray(1 << 20, '[') << QByteArray("Sec") << QByteArray("Key") << false
        << QByteArray();
    QTest::newRow("last key of a large section of lone CR lines")
        << "[Sec]\r" + repeated("a=1\r", 1 << 18) + "Key=v" << QByteArray("Sec")
        << QByteArray("Key") << true << QByteArray("v");
}

void TestIniFile::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(bool, found);
    QFETCH(QByteArray, value);

    const std::optional<QByteArray> result = ini::value(file, section, key);
    QCOMPARE(result.has_value(), found);
    if (found)
        QCOMPARE(*result, value);
}

void TestIniFile::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    const QByteArray s("S");
    const QByteArray k("K");
    const QByteArray v("V");
    QTest::newRow("empty file becomes section and key")
        << QByteArray() << s << k << v << QByteArray("[S]\r\nK=V\r\n");
    QTest::newRow("caller's names trimmed of spaces")
        << QByteArray() << QByteArray("  S ") << QByteArray(" K  ") << v
        << QByteArray("[S]\r\nK=V\r\n");
    QTest::newRow("value written byte for byte")
        << QByteArray() << s << k << QByteArray("  \"two\"  words\t ")
        << QByteArray("[S]\r\nK=  \"two\"  words\t \r\n");
    QTest::newRow("new section after the last line end")
        << QByteArray("[A]\r\nx=1\r\n") << s << k << v
        << QByteArray("[A]\r\nx=1\r\n[S]\r\nK=V\r\n");
    QTest::newRow("new section after a CR LF when the file has no final line end")
        << QByteArray("[A]\r\nx=1") << s << k << v << QByteArray("[A]\r\nx=1\r\n[S]\r\nK=V\r\n");
    QTest::newRow("new section straight after a final LF")
        << QByteArray("[A]\nx=1\n") << s << k << v << QByteArray("[A]\nx=1\n[S]\r\nK=V\r\n");
    QTest::newRow("new section straight after a final lone CR")
        << QByteArray("[A]\rx=1\r") << s << k << v << QByteArray("[A]\rx=1\r[S]\r\nK=V\r\n");
    QTest::newRow("new section after trailing blank lines, adding none")
        << QByteArray("[A]\r\nx=1\r\n\r\n") << s << k << v
        << QByteArray("[A]\r\nx=1\r\n\r\n[S]\r\nK=V\r\n");
    QTest::newRow("existing key keeps its line up to the equals sign")
        << QByteArray("[s]\r\n \tkEy \v= old value\r\nz=1\r\n") << QByteArray("S")
        << QByteArray("KEY") << QByteArray("new") << QByteArray("[s]\r\n \tkEy \v=new\r\nz=1\r\n");
    QTest::newRow("existing key keeps its LF")
        << QByteArray("[S]\nK=old\nz=1\n") << s << k << v << QByteArray("[S]\nK=V\nz=1\n");
    QTest::newRow("existing key keeps its lone CR")
        << QByteArray("[S]\rK=old\rz=1") << s << k << v << QByteArray("[S]\rK=V\rz=1");
    QTest::newRow("existing key on an unterminated last line gets CR LF")
        << QByteArray("[S]\r\nK=old") << s << k << v << QByteArray("[S]\r\nK=V\r\n");
    QTest::newRow("first of duplicate keys set") << QByteArray("[S]\r\nK=1\r\nK=2\r\n") << s << k
                                                 << v << QByteArray("[S]\r\nK=V\r\nK=2\r\n");
    QTest::newRow("only the first matching section set")
        << QByteArray("[S]\r\na=1\r\n[s]\r\nK=old\r\n") << s << k << v
        << QByteArray("[S]\r\na=1\r\nK=V\r\n[s]\r\nK=old\r\n");
    QTest::newRow("new key after the last key line, above blank lines and comments")
        << QByteArray("[S]\r\na=1\r\n;c=1\r\nb=2\n\r\n;c\r\nneither\r\n[T]\r\n") << s << k << v
        << QByteArray("[S]\r\na=1\r\n;c=1\r\nb=2\nK=V\r\n\r\n;c\r\nneither\r\n[T]\r\n");
    QTest::newRow("new key after the header of a section without keys")
        << QByteArray("[S] ; note\r\n;c\r\n\r\n[T]") << s << k << v
        << QByteArray("[S] ; note\r\nK=V\r\n;c\r\n\r\n[T]");
    QTest::newRow("new key after an unterminated header")
        << QByteArray("[S]") << s << k << v << QByteArray("[S]\r\nK=V\r\n");
    QTest::newRow("new key after an unterminated last key line")
        << QByteArray("[S]\na=1") << s << k << v << QByteArray("[S]\na=1\r\nK=V\r\n");
    QTest::newRow("lines before the first section untouched")
        << QByteArray("K=0\n[S]\n") << s << k << v << QByteArray("K=0\n[S]\nK=V\r\n");
    QTest::newRow("NUL bytes and Ctrl-Z of other lines kept")
        << QByteArrayLiteral("\0x\x1A\r\n[S]\r\nK=\0\r\n\x1A\0") << s << k << v
        << QByteArrayLiteral("\0x\x1A\r\n[S]\r\nK=V\r\n\x1A\0");
    QTest::newRow("1252 bytes written as they are")
        << QByteArray("[S]\r\n\xE9=\x80\r\n") << s << k << QByteArray("caf\xE9\x81")
        << QByteArray("[S]\r\n\xE9=\x80\r\nK=caf\xE9\x81\r\n");
    QTest::newRow("UTF-8 mark is part of the first line")
        << QByteArray("\xEF\xBB\xBF[S]\r\nK=1\r\n") << s << k << v
        << QByteArray("\xEF\xBB\xBF[S]\r\nK=1\r\n[S]\r\nK=V\r\n");
    QTest::newRow("UTF-16LE key set in UTF-16LE, other units kept")
        << utf16(QStringLiteral("[S]\r\nK=old\r\nz=\u0416\U0001F600\r\n")) << s << k
        << QByteArray("caf\xE9\x80")
        << utf16(QStringLiteral("[S]\r\nK=caf\u00E9\u20AC\r\nz=\u0416\U0001F600\r\n"));
    QTest::newRow("UTF-16LE new key in section")
        << utf16(QStringLiteral("[S]\na=1\n\n")) << s << k << v
        << utf16(QStringLiteral("[S]\na=1\nK=V\r\n\n"));
    QTest::newRow("UTF-16LE new section after CR LF")
        << utf16(QStringLiteral("[A]\nx=1")) << s << k << v
        << utf16(QStringLiteral("[A]\nx=1\r\n[S]\r\nK=V\r\n"));
    QTest::newRow("UTF-16LE mark alone keeps its mark")
        << QByteArray("\xFF\xFE") << s << k << v << utf16(QStringLiteral("[S]\r\nK=V\r\n"));
    QTest::newRow("UTF-16LE odd last byte stays last") << utf16(QStringLiteral("[S]\r\nK=old"))
            + 'w' << s << k << v << utf16(QStringLiteral("[S]\r\nK=V\r\n")) + 'w';
    QTest::newRow("UTF-16LE unit holding the bytes of CR LF replaced with its value")
        << utf16(QStringLiteral("[S]\r\nK=a\u0A0Db\r\n")) << s << k << v
        << utf16(QStringLiteral("[S]\r\nK=V\r\n"));
    const QByteArray header = '[' + QByteArray(1 << 20, 'a');
    QTest::newRow("one unterminated header of a MiB")
        << header << s << k << v << header + "\r\n[S]\r\nK=V\r\n";
    const QByteArray lines = "[S]\r" + repeated("a=1\r", 1 << 18);
    QTest::newRow("new key after a large section of lone CR lines")
        << lines << s << k << v << lines + "K=V\r\n";
}

void TestIniFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);

    const std::optional<QByteArray> result = ini::withValue(before, section, key, value);
    QVERIFY(result);
    QCOMPARE(*result, after);
}

void TestIniFile::refused_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("writable");

    QTest::newRow("CR in section")
        << QByteArray("S\r") << QByteArray("K") << QByteArray("V") << false;
    QTest::newRow("LF in key") << QByteArray("S") << QByteArray("K\nX") << QByteArray("V") << false;
    QTest::newRow("line break in value")
        << QByteArray("S") << QByteArray("K") << QByteArray("V\r\n[T]") << false;
    QTest::newRow("NUL in value") << QByteArray("S") << QByteArray("K") << QByteArrayLiteral("V\0X")
                                  << false;
    QTest::newRow("closing bracket in section")
        << QByteArray("S]x") << QByteArray("K") << QByteArray("V") << false;
    QTest::newRow("brackets elsewhere and tabs allowed")
        << QByteArray("[S") << QByteArray("K]") << QByteArray("\t[V]=") << true;
}

void TestIniFile::refused()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(bool, writable);

    QCOMPARE(ini::isWritable(section, key, value), writable);
    QCOMPARE(ini::edit(QByteArray("[S]\r\nK=old\r\n"), section, key, value).has_value(), writable);
}

VELVANE_TEST_MAIN(TestIniFile)

#include "tst_inifile.moc"
