#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// The desktop shell's ShellExecuteA.
namespace platform {

using WindowHandle = std::uintptr_t;

// Opens file with verb; on Linux "open" goes to the desktop's own opener.
// Returns a value above 32 on success, as the shell does.
std::intptr_t ShellExecuteA(WindowHandle owner, const char *verb, const char *file,
                            const char *parameters, const char *directory, int showCommand);

// Replaces the shell (tests record the calls); an empty function restores it.
using ShellExecutor = std::function<std::intptr_t(WindowHandle, const char *, const char *,
                                                  const char *, const char *, int)>;
void setShellExecutor(ShellExecutor executor);

} // namespace platform
