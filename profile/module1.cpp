#include "module1.h"

#include "platform/ansicodepage.h"
#include "platform/profilefunctions.h"
#include "platform/runtimeerror.h"

namespace Module1 {

namespace {

OwnerSource &ownerSource()
{
    static OwnerSource source;
    return source;
}

// Characters a write refuses: a NUL would end the C string early and store a
// shortened value, a line break would start a line of its own, and "]"
// would end a section's name. A read refuses only the NUL.
enum class Refused { Nul, LineBreaks, LineBreaksAndBracket };

QString characterName(QChar c)
{
    switch (c.unicode()) {
    case 0:
        return QStringLiteral("a NUL character");
    case '\r':
        return QStringLiteral("a carriage return");
    case '\n':
        return QStringLiteral("a line feed");
    default:
        return QStringLiteral("a \"%1\"").arg(c);
    }
}

// The argument in ANSI, or run-time error 5 naming the argument and the
// first refused character in it, shown as \0, \r or \n within the text.
QByteArray ansiArgument(const QString &name, const QString &text, Refused refused = Refused::Nul)
{
    for (const QChar c : text) {
        const bool refusedHere = c == QChar(0)
            || (refused != Refused::Nul && (c == QLatin1Char('\r') || c == QLatin1Char('\n')))
            || (refused == Refused::LineBreaksAndBracket && c == QLatin1Char(']'));
        if (!refusedHere)
            continue;
        const QString shown = QString(text)
                                  .replace(QChar(0), QStringLiteral("\\0"))
                                  .replace(QLatin1Char('\r'), QStringLiteral("\\r"))
                                  .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        platform::raiseError(
            platform::InvalidProcedureCall,
            QStringLiteral("Invalid procedure call or argument: %1 in the %2 \"%3\"")
                .arg(characterName(c), name, shown));
    }
    return platform::toAnsiOrRaise(text);
}

} // namespace

void WriteIniValue(const QString &section, const QString &key, const QString &value,
                   const QString &file)
{
    const QByteArray ansiSection
        = ansiArgument(QStringLiteral("section"), section, Refused::LineBreaksAndBracket);
    const QByteArray ansiKey
        = ansiArgument(QStringLiteral("key"), key.toUpper(), Refused::LineBreaks);
    const QByteArray ansiValue = ansiArgument(QStringLiteral("value"), value, Refused::LineBreaks);
    const QByteArray ansiFile = ansiArgument(QStringLiteral("file name"), file);
    if (!platform::WritePrivateProfileStringA(ansiSection.constData(), ansiKey.constData(),
                                              ansiValue.constData(), ansiFile.constData())) {
        platform::raiseError(platform::PathFileAccessError,
                             QStringLiteral("Path/File access error: %1 (%2)")
                                 .arg(file, platform::lastProfileError()));
    }
}

QString ReadIniValue(const QString &section, const QString &key, const QString &file)
{
    constexpr std::uint32_t bufferSize = 750;
    QByteArray buffer(bufferSize, '\0');
    const QByteArray ansiSection = ansiArgument(QStringLiteral("section"), section);
    const QByteArray ansiKey = ansiArgument(QStringLiteral("key"), key.toLower());
    const QByteArray ansiFile = ansiArgument(QStringLiteral("file name"), file);
    const std::uint32_t count
        = platform::GetPrivateProfileStringA(ansiSection.constData(), ansiKey.constData(), "",
                                             buffer.data(), bufferSize, ansiFile.constData());
    return platform::fromAnsi(buffer).left(int(count));
}

void ShellOpen(const QVariant &target)
{
    const platform::WindowHandle owner = ownerSource() ? ownerSource()() : 0;
    if (!target.canConvert<QString>())
        platform::raiseError(13, QStringLiteral("Type mismatch"));
    const QByteArray file = platform::toAnsiOrRaise(target.toString());
    platform::ShellExecuteA(owner, "open", file.constData(), "", "", 10);
}

void setOwnerSource(OwnerSource source)
{
    ownerSource() = std::move(source);
}

} // namespace Module1
