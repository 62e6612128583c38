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

// A NUL would end the C string early and store a shortened value.
QByteArray ansiArgument(const QString &text)
{
    if (text.contains(QChar(0)))
        platform::raiseError(
            platform::InvalidProcedureCall,
            QStringLiteral("Invalid procedure call or argument: a NUL character in \"%1\"")
                .arg(QString(text).replace(QChar(0), QStringLiteral("\\0"))));
    return platform::toAnsiOrRaise(text);
}

} // namespace

void WriteIniValue(const QString &section, const QString &key, const QString &value,
                   const QString &file)
{
    const QByteArray ansiSection = ansiArgument(section);
    const QByteArray ansiKey = ansiArgument(key.toUpper());
    const QByteArray ansiValue = ansiArgument(value);
    const QByteArray ansiFile = ansiArgument(file);
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
    const QByteArray ansiSection = ansiArgument(section);
    const QByteArray ansiKey = ansiArgument(key.toLower());
    const QByteArray ansiFile = ansiArgument(file);
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
