#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The ANSI code page of the profile and shell functions: Windows-1252, the
// code page of the Windows machines that read the files this tool writes.
namespace platform {

// Total: every byte decodes, the five bytes 1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) to the C1 controls of the same number.
QString fromAnsi(const QByteArray &bytes);

// Fails (nullopt) for text holding a character 1252 cannot hold: such text is
// never written with "?" in its place.
std::optional<QByteArray> toAnsi(const QString &text);

// As toAnsi, but a character 1252 cannot hold raises run-time error 5, whose
// description names the first such character, the text it is in, and that
// renaming helps.
QByteArray toAnsiOrRaise(const QString &text);

// As Windows converts for a caller of an "A" function: a character 1252
// cannot hold becomes "?". Only for text read from a file, never for a path.
QByteArray toAnsiLossy(const QString &text);

} // namespace platform
