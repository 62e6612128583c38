// Any bytes as a profile file, with reads and writes of keys named by the
// input. The input's first line (up to the first LF) lists the calls, fields
// separated by "|": each three fields section|key|value are one write, a last
// one or two fields section|key one read. What follows that LF is the file; an
// input without LF leaves the file missing.
//
// Beyond the sanitizers' own findings, a call aborts the run when:
// - a read changes, creates or removes the file, or overruns what it may copy;
// - a write refused by the rules (CR, LF or "]" in a name, CR or LF in the
//   value) or that fails changes the file;
// - a write leaves a second file (temporary or lock) in the folder;
// - a write changes more than one line of the file, or loses, reorders or
//   alters a line it did not touch;
// - after a write of K=V, with V free of quotes and outer blanks, reading K
//   does not give V.

#include "platform/drives.h"
#include "platform/profilefunctions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<QTemporaryDir> s_folder;
const char *const profile = "F:\\fuzz.ini";

QString hostFile()
{
    return s_folder->filePath(QStringLiteral("fuzz.ini"));
}

[[noreturn]] void fail(const char *what, const QByteArray &detail = {})
{
    std::fprintf(stderr, "profilefuzzer: %s\n", what);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", detail.toPercentEncoding(" []=;\\/:").constData());
    std::abort();
}

void check(bool condition, const char *what, const QByteArray &detail = {})
{
    if (!condition)
        fail(what, detail);
}

// The file's bytes; a missing file reads as null, an empty one as empty.
QByteArray fileBytes()
{
    QFile file(hostFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    if (bytes.isNull())
        bytes = QByteArray("");
    return bytes;
}

void setFile(const QByteArray *bytes)
{
    QFile::remove(hostFile());
    if (!bytes)
        return;
    QFile file(hostFile());
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size())
        fail("cannot set up the file");
}

void checkFolderHoldsOnlyTheFile()
{
    const QStringList entries
        = QDir(s_folder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    check(entries.size() <= 1
              && (entries.isEmpty() || entries.first() == QLatin1String("fuzz.ini")),
          "a write left another file beside the profile", entries.join(u' ').toUtf8());
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v';
}

QByteArray trimmedSpaces(QByteArray text)
{
    while (text.startsWith(' '))
        text.remove(0, 1);
    while (text.endsWith(' '))
        text.chop(1);
    return text;
}

struct Line
{
    QByteArray text; // without its line end
    QByteArray end; // CR LF, LF, CR or nothing
};

// Lines as the rules cut them: ends at CR LF, LF or CR, in units of one byte
// (ANSI) or two (UTF-16LE after its mark).
std::vector<Line> linesOf(const QByteArray &bytes, int unit)
{
    std::vector<Line> lines;
    const int units = int(bytes.size()) / unit;
    auto at = [&](int i) {
        return unit == 1 ? uchar(bytes[i]) : uchar(bytes[2 * i]) | uchar(bytes[2 * i + 1]) << 8;
    };
    int start = 0;
    for (int i = 0; i < units; ++i) {
        const int c = at(i);
        if (c != '\r' && c != '\n')
            continue;
        int endUnits = 1;
        if (c == '\r' && i + 1 < units && at(i + 1) == '\n')
            endUnits = 2;
        lines.push_back(
            { bytes.mid(start * unit, (i - start) * unit), bytes.mid(i * unit, endUnits * unit) });
        i += endUnits - 1;
        start = i + 1;
    }
    if (start * unit < bytes.size())
        lines.push_back({ bytes.mid(start * unit), {} });
    return lines;
}

// Every old line is in the new file, in order and byte for byte, but for at
// most one (the key line the write changed); an old last line without a line
// end may have gained one.
void checkUntouchedLines(const QByteArray &before, const QByteArray &after)
{
    const bool wide = before.startsWith("\xff\xfe");
    check(!wide || after.startsWith("\xff\xfe"), "the UTF-16LE mark was lost", after.left(64));
    const int skip = wide ? 2 : 0;
    const int unit = wide ? 2 : 1;
    // An odd last byte of UTF-16LE text is no unit of any line: it stays last.
    const int odd = wide ? before.size() % 2 : 0;
    check(!odd || (after.size() % 2 && after.back() == before.back()),
          "the odd last byte of a UTF-16LE file was lost", after.right(64));
    const std::vector<Line> old = linesOf(before.mid(skip).chopped(odd), unit);
    const std::vector<Line> now = linesOf(after.mid(skip).chopped(odd), unit);
    const int n = int(old.size());
    const int m = int(now.size());
    check(m >= n && m <= n + 2, "a write removed lines or added more than a section and a key",
          after.left(256));

    auto same = [&](int i, int j) {
        if (old[i].text != now[j].text)
            return false;
        return old[i].end == now[j].end || (i == n - 1 && old[i].end.isEmpty());
    };
    // prefix[i]: lines of new used to match old[0, i) as early as possible;
    // suffix[i]: first line of new used to match old[i, n) as late as possible.
    std::vector<int> prefix(n + 1, m + 1), suffix(n + 1, -1);
    prefix[0] = 0;
    for (int i = 0, j = 0; i < n; ++i) {
        while (j < m && !same(i, j))
            ++j;
        if (j == m)
            break;
        prefix[i + 1] = ++j;
    }
    suffix[n] = m;
    for (int i = n - 1, j = m - 1; i >= 0; --i) {
        while (j >= 0 && !same(i, j))
            --j;
        if (j < 0)
            break;
        suffix[i] = j--;
    }
    bool kept = prefix[n] <= m;
    for (int i = 0; i < n && !kept; ++i)
        kept = prefix[i] <= m && suffix[i + 1] >= 0 && prefix[i] <= suffix[i + 1];
    check(kept, "a write changed, lost or moved a line it did not touch", after.left(512));
}

void read(const QByteArray &section, const QByteArray &key)
{
    const QByteArray before = fileBytes();
    for (std::uint32_t size : { 0u, 1u, 5u, 4096u }) {
        std::vector<char> buffer(size ? size : 1, '\x55');
        const std::uint32_t count = platform::GetPrivateProfileStringA(
            section.constData(), key.constData(), " def  ", buffer.data(), size, profile);
        if (size == 0) {
            check(count == 0 && buffer[0] == '\x55', "a read of size 0 copied something");
            continue;
        }
        check(count < size, "a read copied as much as the buffer holds");
        check(buffer[count] == '\0', "a read did not end its copy with NUL");
    }
    const QByteArray after = fileBytes();
    check(after == before && after.isNull() == before.isNull(), "a read changed the file");
}

bool refused(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    auto breaksLine
        = [](const QByteArray &text) { return text.contains('\r') || text.contains('\n'); };
    return breaksLine(section) || breaksLine(key) || breaksLine(value) || section.contains(']');
}

// A name that the line written for it parses back to, and that the lookup
// finds again.
bool findable(const QByteArray &section, const QByteArray &key)
{
    const QByteArray s = trimmedSpaces(section);
    const QByteArray k = trimmedSpaces(key);
    if (s.isEmpty() || k.isEmpty() || isBlank(s.front()) || isBlank(s.back()) || isBlank(k.front())
        || isBlank(k.back()))
        return false;
    return !k.contains('=') && k.front() != ';' && k.front() != '[';
}

bool plainValue(const QByteArray &value)
{
    if (value.isEmpty())
        return true;
    if (isBlank(value.front()) || isBlank(value.back()))
        return false;
    const char first = value.front();
    return !(value.size() >= 2 && (first == '"' || first == '\'') && value.back() == first);
}

void write(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    const QByteArray before = fileBytes();
    const bool ok = platform::WritePrivateProfileStringA(section.constData(), key.constData(),
                                                         value.constData(), profile);
    const QByteArray after = fileBytes();
    checkFolderHoldsOnlyTheFile();

    if (refused(section, key, value)) {
        check(!ok, "a write of a line break or of \"]\" in a section was not refused");
        check(after == before && after.isNull() == before.isNull(),
              "a refused write changed the file");
        return;
    }
    if (!ok) {
        check(after == before && after.isNull() == before.isNull(),
              "a failed write changed the file");
        fail("a write into a writable folder failed", platform::lastProfileError().toUtf8());
    }
    check(!after.isNull(), "a write that succeeded left no file");
    if (before.isNull()) {
        const QByteArray created
            = '[' + trimmedSpaces(section) + "]\r\n" + trimmedSpaces(key) + '=' + value + "\r\n";
        check(after == created, "a new file is not the section and the key alone", after);
    } else {
        checkUntouchedLines(before, after);
    }

    if (!findable(section, key) || !plainValue(value))
        return;
    for (const qsizetype size : { value.size() + 1, value.size() }) {
        if (size == 0)
            continue;
        std::vector<char> buffer(size, '\x55');
        const std::uint32_t count = platform::GetPrivateProfileStringA(
            section.constData(), key.constData(), "", buffer.data(), std::uint32_t(size), profile);
        check(count == std::uint32_t(size - 1)
                  && QByteArray(buffer.data(), count) == value.left(count),
              "reading a key just written does not give its value", value);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // tmpfs where there is one: a flush to disk there costs nothing.
    const QString base
        = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    s_folder = std::make_unique<QTemporaryDir>(base + QStringLiteral("/profilefuzzer-XXXXXX"));
    if (!s_folder->isValid())
        fail("cannot make a temporary folder");
    platform::setDrives({ { QLatin1Char('F'), s_folder->path(), QStringLiteral("Fuzz") } });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype lineEnd = input.indexOf('\n');
    const QByteArray calls = lineEnd < 0 ? input : input.left(lineEnd);
    const QByteArray file = lineEnd < 0 ? QByteArray() : input.mid(lineEnd + 1);
    setFile(lineEnd < 0 ? nullptr : &file);

    // A C string ends at its first NUL, so a field does too.
    QList<QByteArray> fields = calls.split('|');
    for (QByteArray &field : fields)
        field = QByteArray(field.constData());
    qsizetype i = 0;
    for (int writes = 0; i + 3 <= fields.size() && writes < 8; i += 3, ++writes)
        write(fields[i], fields[i + 1], fields[i + 2]);
    if (i < fields.size())
        read(fields[i], i + 1 < fields.size() ? fields[i + 1] : QByteArray());
    return 0;
}
