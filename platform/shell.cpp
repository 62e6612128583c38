#include "shell.h"

#include "ansicodepage.h"

#include <QProcess>

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
// string, unchanged to the desktop's own opener, xdg-open, which picks the
// program for the kind of target (browser, mail program). The opener has no
// counterpart of the owner window, and its programs open as they themselves
// choose, which is what show command 10 (SW_SHOWDEFAULT) asks; parameters and
// directory mean nothing to it for the addresses this program opens.
// The opener is started detached, so this never blocks and leaves no child
// behind, and with its input and output on /dev/null: a failing opener has
// plenty to say (no browser found, each one it tried), and the user who
// clicked a link in a window is not reading the terminal it was started from.
// Results: 42 when the opener was started, whatever it then makes of the
// target; 2 for a missing or empty file; 31 for another verb or when there is
// no opener to start. A failure shows nothing and raises nothing.
std::intptr_t ShellExecuteA(WindowHandle owner, const char *verb, const char *file,
                            const char *parameters, const char *directory, int showCommand)
{
    if (installedExecutor())
        return installedExecutor()(owner, verb, file, parameters, directory, showCommand);

    if (verb && *verb && qstricmp(verb, "open") != 0)
        return noAssociation;
    if (!file || !*file)
        return fileNotFound;
    QProcess opener;
    opener.setProgram(QStringLiteral("xdg-open"));
    opener.setArguments({ fromAnsi(QByteArray(file)) });
    opener.setStandardInputFile(QProcess::nullDevice());
    opener.setStandardOutputFile(QProcess::nullDevice());
    opener.setStandardErrorFile(QProcess::nullDevice());
    return opener.startDetached() ? openedOk : noAssociation;
}

void setShellExecutor(ShellExecutor executor)
{
    installedExecutor() = std::move(executor);
}

} // namespace platform
