#include "ansicodepage.h"

#include "runtimeerror.h"

namespace platform {

namespace {

// 0x80 to 0x9F, the only bytes where 1252 departs from Latin-1. The five it
// leaves undefined stand for the C1 control of the same number, so that any
// byte read survives being written back.
constexpr char16_t highControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 0x98
};

// The byte for one UTF-16 unit, or -1 when 1252 has none. A surrogate never
// has one, so a character outside the BMP is refused through its first unit.
int ansiByte(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return unit;
    for (int i = 0; i < 32; ++i) {
        if (highControls[i] == unit)
            return 0x80 + i;
    }
    return -1;
}

// Writes the text through ansiByte, a character without a byte as
// unmappable (one "?" for a pair of surrogates too, as it is one character).
// Returns false at the first unmappable character when unmappable is 0.
bool encode(const QString &text, char unmappable, QByteArray *out)
{
    out->reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        const int byte = ansiByte(unit);
        if (byte >= 0) {
            out->append(char(byte));
            continue;
        }
        if (!unmappable)
            return false;
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        out->append(unmappable);
    }
    return true;
}

} // namespace

// Every byte gives exactly one character; no byte is ever refused or dropped.
QString fromAnsi(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = QChar(byte >= 0x80 && byte < 0xA0 ? highControls[byte - 0x80] : char16_t(byte));
    }
    return text;
}

// The bytes of text, or nullopt when one of its characters has none.
std::optional<QByteArray> toAnsi(const QString &text)
{
    QByteArray bytes;
    if (!encode(text, 0, &bytes))
        return std::nullopt;
    return bytes;
}

// The first character of text that 1252 has no byte for, as the user can
// find it: the character itself in quotes where it can be seen, and always
// its Unicode number.
QString firstUnmappable(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (ansiByte(text.at(i).unicode()) >= 0)
            continue;
        char32_t code = text.at(i).unicode();
        qsizetype length = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size()
            && text.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            length = 2;
        }
        const QString number
            = QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
        const bool visible = QChar::isPrint(code) && !QChar::isSpace(code);
        return visible ? QStringLiteral("\"%1\" (%2)").arg(text.mid(i, length), number) : number;
    }
    return QString();
}

// The bytes of text; error 5 when one of its characters has none, with a
// description that names the character and the name it is in, and says how
// to get past it.
QByteArray toAnsiOrRaise(const QString &text)
{
    std::optional<QByteArray> bytes = toAnsi(text);
    if (!bytes) {
        raiseError(InvalidProcedureCall,
                   QStringLiteral("The name \"%1\" holds the character %2, which cannot be "
                                  "written in Windows-1252, the character set of the files "
                                  "this program writes for Windows.\r\rRename the file or folder "
                                  "so that its name does without that character, then choose "
                                  "it again.")
                       .arg(text, firstUnmappable(text)));
    }
    return *bytes;
}

// The bytes of text, "?" for each character that has none; never fails.
QByteArray toAnsiLossy(const QString &text)
{
    QByteArray bytes;
    encode(text, '?', &bytes);
    return bytes;
}

} // namespace platform
