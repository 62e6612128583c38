#pragma once

#include "platform/shell.h"

#include <QString>
#include <QVariant>

#include <functional>

// The program's one code module: a keyed value of a profile file at a time,
// and the shell's "open" on behalf of the main window.
namespace Module1 {

// Sets key (upper-cased) in section of file to value. A CR, LF or NUL in any
// of them, or a "]" in the section, raises "Invalid procedure call or
// argument" naming the argument and the character, as does text the ANSI
// code page cannot hold; a write the disk or the drive refuses raises
// "Path/File access error" naming the file and the reason.
void WriteIniValue(const QString &section, const QString &key, const QString &value,
                   const QString &file);

// The value of key (lower-cased) in section of file, at most 749 characters;
// "" when the file, section or key is missing.
QString ReadIniValue(const QString &section, const QString &key, const QString &file);

// Opens target (a variant holding text) with the shell's "open" verb, owned by
// the main window; whether the shell could open it is not looked at.
void ShellOpen(const QVariant &target);

// Where ShellOpen takes its owner window from: the main window's default
// instance, created where none exists. The start routine installs it.
using OwnerSource = std::function<platform::WindowHandle()>;
void setOwnerSource(OwnerSource source);

} // namespace Module1
