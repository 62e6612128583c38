#include "inifile.h"

#include "ansicodepage.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace platform::ini {

namespace {

constexpr bool isBlank(char16_t unit)
{
    return unit == u' ' || unit == u'\t' || unit == u'\v';
}

constexpr bool isLineEnd(char16_t unit)
{
    return unit == u'\r' || unit == u'\n';
}

char16_t folded(char16_t unit)
{
    return char16_t(QChar::toCaseFolded(char32_t(unit)));
}

// Names compare as Windows compares them, in Unicode without regard to case,
// so "É" in a 1252 file matches "é" from the caller.
const std::array<char16_t, 256> &ansiFolded()
{
    static const std::array<char16_t, 256> table = [] {
        QByteArray bytes(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            bytes[i] = char(i);
        const QString text = fromAnsi(bytes);
        std::array<char16_t, 256> result{};
        for (int i = 0; i < 256; ++i)
            result[i] = folded(text.at(i).unicode());
        return result;
    }();
    return table;
}

// The file's text as units: bytes of an ANSI file. Searches go through
// memchr, so that skipping a large file costs what reading it costs.
class AnsiText
{
public:
    explicit AnsiText(const QByteArray &file)
        : m_data(file.constData()), m_size(file.size()), m_folded(ansiFolded().data())
    { }

    qsizetype size() const { return m_size; }
    char16_t at(qsizetype i) const { return uchar(m_data[i]); }
    char16_t foldedAt(qsizetype i) const { return m_folded[uchar(m_data[i])]; }
    qsizetype byteOffset(qsizetype i) const { return i; }

    // The first ASCII unit at or after from and before to; to when none.
    qsizetype find(char16_t unit, qsizetype from, qsizetype to) const
    {
        if (from >= to)
            return to;
        const void *hit = std::memchr(m_data + from, int(unit), size_t(to - from));
        return hit ? static_cast<const char *>(hit) - m_data : to;
    }

    QByteArray ansi(qsizetype from, qsizetype to) const
    {
        return QByteArray(m_data + from, to - from);
    }

    QByteArray encoded(const QByteArray &ansi) const { return ansi; }

private:
    const char *m_data;
    qsizetype m_size;
    const char16_t *m_folded;
};

// The text of a file that begins with FF FE: little-endian units after the
// mark. A last odd byte is half a unit and lies outside the text.
class Utf16Text
{
public:
    explicit Utf16Text(const QByteArray &file)
        : m_data(file.constData() + 2), m_size((file.size() - 2) / 2)
    { }

    qsizetype size() const { return m_size; }
    char16_t at(qsizetype i) const
    {
        return char16_t(uchar(m_data[2 * i]) | (uchar(m_data[2 * i + 1]) << 8));
    }
    char16_t foldedAt(qsizetype i) const { return folded(at(i)); }
    qsizetype byteOffset(qsizetype i) const { return 2 + 2 * i; }

    // As AnsiText::find; a hit on a byte is a unit only at an even offset
    // with a zero high byte, so text in other scripts costs extra hits but
    // never more than one pass.
    qsizetype find(char16_t unit, qsizetype from, qsizetype to) const
    {
        qsizetype byte = 2 * from;
        const qsizetype end = 2 * to;
        while (byte < end) {
            const void *hit = std::memchr(m_data + byte, int(unit), size_t(end - byte));
            if (!hit)
                break;
            const qsizetype offset = static_cast<const char *>(hit) - m_data;
            if (offset % 2 == 0 && m_data[offset + 1] == 0)
                return offset / 2;
            byte = offset + 1;
        }
        return to;
    }

    QByteArray ansi(qsizetype from, qsizetype to) const
    {
        QString text(to - from, Qt::Uninitialized);
        for (qsizetype i = from; i < to; ++i)
            text[i - from] = QChar(at(i));
        return toAnsiLossy(text);
    }

    QByteArray encoded(const QByteArray &ansi) const
    {
        const QString text = fromAnsi(ansi);
        QByteArray bytes(2 * text.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t unit = text.at(i).unicode();
            bytes[2 * i] = char(unit & 0xFF);
            bytes[2 * i + 1] = char(unit >> 8);
        }
        return bytes;
    }

private:
    const char *m_data;
    qsizetype m_size;
};

bool isUtf16(const QByteArray &file)
{
    return file.size() >= 2 && uchar(file[0]) == 0xFF && uchar(file[1]) == 0xFE;
}

// The caller's names lose outer spaces only, not tabs.
QByteArray trimmedOfSpaces(const QByteArray &name)
{
    qsizetype from = 0;
    qsizetype to = name.size();
    while (from < to && name[from] == ' ')
        ++from;
    while (to > from && name[to - 1] == ' ')
        --to;
    return name.mid(from, to - from);
}

std::u16string foldedName(const QByteArray &ansi)
{
    const QString text = fromAnsi(ansi);
    std::u16string name(size_t(text.size()), u'\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        name[size_t(i)] = folded(text.at(i).unicode());
    return name;
}

// Where the rules found things in a file, in units of its text.
struct Lookup
{
    bool sectionFound = false;
    // The matching key: its "=", and the end of its line (before the line
    // end, or the text's size when it has none).
    qsizetype equals = -1;
    qsizetype keyLineEnd = -1;
    // Where a new key goes: after the section's last key line (or header),
    // and whether that line ended without a line end.
    qsizetype insertAt = -1;
    bool insertNeedsLineEnd = false;
};

template<typename Text>
class Scanner
{
public:
    explicit Scanner(const Text &text) : m_text(text) { }

    // The first matching section and, in it, the first matching key or, when
    // it has none, the end of its last key line.
    Lookup find(const std::u16string &section, const std::u16string &key)
    {
        Lookup result;
        qsizetype nameEnd = -1;
        if (!findSection(section, &nameEnd))
            return result;
        result.sectionFound = true;

        qsizetype end = lineEnd(nameEnd);
        qsizetype next = afterLineEnd(end);
        result.insertAt = next;
        result.insertNeedsLineEnd = end == m_text.size();
        for (qsizetype line = next; line < m_text.size(); line = next) {
            end = lineEnd(line);
            next = afterLineEnd(end);
            const qsizetype first = firstNonBlank(line, end);
            if (first < end && m_text.at(first) == u'[')
                break;
            if (first < end && m_text.at(first) == u';')
                continue;
            const qsizetype equals = m_text.find(u'=', line, end);
            if (equals == end)
                continue;
            result.insertAt = next;
            result.insertNeedsLineEnd = end == m_text.size();
            if (sameName(line, equals, key)) {
                result.equals = equals;
                result.keyLineEnd = end;
                break;
            }
        }
        return result;
    }

    qsizetype firstNonBlank(qsizetype from, qsizetype to) const
    {
        while (from < to && isBlank(m_text.at(from)))
            ++from;
        return from;
    }

    qsizetype lastNonBlank(qsizetype from, qsizetype to) const
    {
        while (to > from && isBlank(m_text.at(to - 1)))
            --to;
        return to;
    }

private:
    // Lines outside the wanted section matter only where they start one, so
    // the search jumps from "[" to "[" and checks that only blanks stand
    // between it and the start of its line. Each "[" walks back over the
    // blanks just before it alone, and is matched against the name without
    // reading the rest of its line: one pass in all, and little more than
    // memchr costs.
    bool findSection(const std::u16string &section, qsizetype *nameEnd)
    {
        if (!canBeSectionName(section))
            return false;
        const qsizetype size = m_text.size();
        qsizetype from = 0;
        while (from < size) {
            const qsizetype bracket = m_text.find(u'[', from, size);
            if (bracket == size)
                return false;
            from = bracket + 1;
            qsizetype start = bracket;
            while (start > 0 && isBlank(m_text.at(start - 1)))
                --start;
            if (start > 0 && !isLineEnd(m_text.at(start - 1)))
                continue;
            if (headerNames(bracket, section, nameEnd))
                return true;
        }
        return false;
    }

    // A name the file's headers can hold once trimmed: none with "]" or a
    // line end, and none with outer blanks.
    static bool canBeSectionName(const std::u16string &name)
    {
        if (name.find_first_of(u"]\r\n") != std::u16string::npos)
            return false;
        return name.empty() || (!isBlank(name.front()) && !isBlank(name.back()));
    }

    // Whether the header at bracket names the section: blanks, the name,
    // blanks, then "]" or the line's end. nameEnd is where that lies.
    bool headerNames(qsizetype bracket, const std::u16string &name, qsizetype *nameEnd) const
    {
        const qsizetype size = m_text.size();
        const qsizetype from = firstNonBlank(bracket + 1, size);
        const qsizetype length = qsizetype(name.size());
        if (size - from < length || !sameUnits(from, name))
            return false;
        const qsizetype end = firstNonBlank(from + length, size);
        if (end < size && m_text.at(end) != u']' && !isLineEnd(m_text.at(end)))
            return false;
        *nameEnd = end;
        return true;
    }

    // From the end, where numbered names ("Section1", "Section2") differ.
    bool sameUnits(qsizetype from, const std::u16string &name) const
    {
        for (size_t i = name.size(); i-- > 0;) {
            if (m_text.foldedAt(from + qsizetype(i)) != name[i])
                return false;
        }
        return true;
    }

    bool sameName(qsizetype from, qsizetype to, const std::u16string &name) const
    {
        from = firstNonBlank(from, to);
        to = lastNonBlank(from, to);
        return size_t(to - from) == name.size() && sameUnits(from, name);
    }

    // The first CR or LF at or after from (the text's size when none). The
    // next CR and the next LF are remembered, so that a file whose lines all
    // end in one of them is not searched to its end for the other at every
    // line.
    qsizetype lineEnd(qsizetype from)
    {
        const qsizetype size = m_text.size();
        if (m_nextCr < from)
            m_nextCr = m_text.find(u'\r', from, size);
        if (m_nextLf < from)
            m_nextLf = m_text.find(u'\n', from, size);
        return std::min(m_nextCr, m_nextLf);
    }

    qsizetype afterLineEnd(qsizetype end) const
    {
        if (end >= m_text.size())
            return end;
        if (m_text.at(end) == u'\r' && end + 1 < m_text.size() && m_text.at(end + 1) == u'\n')
            return end + 2;
        return end + 1;
    }

    const Text &m_text;
    qsizetype m_nextCr = -1;
    qsizetype m_nextLf = -1;
};

template<typename Text>
std::optional<QByteArray> valueIn(const Text &text, const QByteArray &section,
                                  const QByteArray &key)
{
    Scanner<Text> scanner(text);
    const Lookup found
        = scanner.find(foldedName(trimmedOfSpaces(section)), foldedName(trimmedOfSpaces(key)));
    if (found.equals < 0)
        return std::nullopt;
    qsizetype from = scanner.firstNonBlank(found.equals + 1, found.keyLineEnd);
    qsizetype to = scanner.lastNonBlank(from, found.keyLineEnd);
    if (to - from >= 2) {
        const char16_t quote = text.at(from);
        if ((quote == u'"' || quote == u'\'') && text.at(to - 1) == quote) {
            ++from;
            --to;
        }
    }
    return text.ansi(from, to);
}

template<typename Text>
Edit editOf(const Text &text, const QByteArray &section, const QByteArray &key,
            const QByteArray &value)
{
    static const QByteArray lineEnd = QByteArrayLiteral("\r\n");
    const QByteArray trimmedSection = trimmedOfSpaces(section);
    const QByteArray trimmedKey = trimmedOfSpaces(key);
    const QByteArray keyLine = trimmedKey + '=' + value + lineEnd;

    Scanner<Text> scanner(text);
    const Lookup found = scanner.find(foldedName(trimmedSection), foldedName(trimmedKey));
    Edit edit;
    if (found.equals >= 0) {
        edit.position = text.byteOffset(found.equals + 1);
        edit.removed = text.byteOffset(found.keyLineEnd) - edit.position;
        edit.inserted = text.encoded(found.keyLineEnd == text.size() ? value + lineEnd : value);
    } else if (found.sectionFound) {
        edit.position = text.byteOffset(found.insertAt);
        edit.inserted = text.encoded(found.insertNeedsLineEnd ? lineEnd + keyLine : keyLine);
    } else {
        const qsizetype size = text.size();
        const bool needsLineEnd = size > 0 && !isLineEnd(text.at(size - 1));
        const QByteArray added = '[' + trimmedSection + ']' + lineEnd + keyLine;
        edit.position = text.byteOffset(size);
        edit.inserted = text.encoded(needsLineEnd ? lineEnd + added : added);
    }
    return edit;
}

} // namespace

std::optional<QByteArray> value(const QByteArray &file, const QByteArray &section,
                                const QByteArray &key)
{
    if (isUtf16(file))
        return valueIn(Utf16Text(file), section, key);
    return valueIn(AnsiText(file), section, key);
}

bool isWritable(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    const auto injects = [](const QByteArray &text) {
        return text.contains('\r') || text.contains('\n') || text.contains('\0');
    };
    return !injects(section) && !injects(key) && !injects(value) && !section.contains(']');
}

QByteArray Edit::appliedTo(const QByteArray &file) const
{
    QByteArray result;
    result.reserve(file.size() - removed + inserted.size());
    result.append(file.constData(), position);
    result.append(inserted);
    result.append(file.constData() + position + removed, file.size() - position - removed);
    return result;
}

std::optional<Edit> edit(const QByteArray &file, const QByteArray &section, const QByteArray &key,
                         const QByteArray &value)
{
    if (!isWritable(section, key, value))
        return std::nullopt;
    if (isUtf16(file))
        return editOf(Utf16Text(file), section, key, value);
    return editOf(AnsiText(file), section, key, value);
}

std::optional<QByteArray> withValue(const QByteArray &file, const QByteArray &section,
                                    const QByteArray &key, const QByteArray &value)
{
    const std::optional<Edit> change = edit(file, section, key, value);
    if (!change)
        return std::nullopt;
    return change->appliedTo(file);
}

} // namespace platform::ini
