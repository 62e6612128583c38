#include "shell.h"

#include "ansicodepage.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {

namespace {

// The shell's own numbers: above 32 is success.
constexpr std::intptr_t openedOk = 42;
constexpr std::intptr_t fileNotFound = 2; // SE_ERR_FNF
constexpr std::intptr_t noAssociation = 31; // SE_ERR_NOASSOC

ShellExecutor &installedExecutor()
{
    static ShellExecutor installed;
    return installed;
}

} // namespace

// The installed executor gets the call as made and its result is returned.
// Otherwise the verb "open" (or none, the default verb) hands file, an ANSI
// string, to the desktop's own opener, which picks the program for the kind
// of target (browser, mail program). The opener has no counterpart of the
// owner window, and its programs open as they themselves choose, which is
// what show command 10 (SW_SHOWDEFAULT) asks; parameters and directory mean
// nothing to it for the addresses this program opens. The opener is started
// without waiting for it, so this never blocks.
// Results: 42 when the opener took the target; 2 for a missing or empty file;
// 31 for another verb or when the opener could not take it (none installed,
// no program for the kind). A failure shows nothing and raises nothing.
std::intptr_t ShellExecuteA(WindowHandle owner, const char *verb, const char *file,
                            const char *parameters, const char *directory, int showCommand)
{
    if (installedExecutor())
        return installedExecutor()(owner, verb, file, parameters, directory, showCommand);

    if (verb && *verb && qstricmp(verb, "open") != 0)
        return noAssociation;
    if (!file || !*file)
        return fileNotFound;
    const QUrl url = QUrl::fromUserInput(fromAnsi(QByteArray(file)));
    if (!url.isValid())
        return fileNotFound;
    return QDesktopServices::openUrl(url) ? openedOk : noAssociation;
}

void setShellExecutor(ShellExecutor executor)
{
    installedExecutor() = std::move(executor);
}

} // namespace platform
