#pragma once

#include <QByteArray>

#include <optional>

// The Windows rules for one keyed value of a profile (INI) file, over the
// file's bytes and nothing else: no disk, no drive table. Names and values
// cross this boundary as bytes in the ANSI code page (1252).
//
// A file beginning with the bytes FF FE is UTF-16LE text; the mark is not
// part of the text and stays in place. Any other file is ANSI bytes, a UTF-8
// byte-order mark included (it belongs to the first line, as on Windows).
// Lines end at CR LF, LF or a lone CR; the last line may have none. Every other
// byte (NUL, 0x1A, anything) is an ordinary character.
//
// A line whose first non-blank character (space, tab, vertical tab) is "["
// starts a section named by what follows up to the first "]" or the line's
// end, blanks trimmed. Lines before the first section belong to no section.
// In a section, a line whose first non-blank is ";" is a comment, one holding
// "=" is a key (name before the first "=", value after it, both trimmed of
// blanks), any other line is neither.
//
// Only a key that holds no "=", does not begin with "[" or ";" and has no
// outer tab or vertical tab reads back as it was written: as on Windows,
// such keys are written as given and then parse as something else.
namespace platform::ini {

// The value of key in section, or nothing when the section or the key is
// missing. The caller's section and key are trimmed of spaces (0x20 only) and
// matched without regard to case; only the first matching section is looked
// at, and its first matching key is taken. One pair of matching double or
// single quotes around a value of two characters or more is removed. A
// UTF-16LE file's value comes back in ANSI with "?" for what 1252 cannot hold.
std::optional<QByteArray> value(const QByteArray &file, const QByteArray &section,
                                const QByteArray &key);

// False for a write that could inject lines: CR, LF or NUL in the section,
// key or value, or "]" in the section.
bool isWritable(const QByteArray &section, const QByteArray &key, const QByteArray &value);

// One splice of the file's bytes: removed bytes at position replaced by
// inserted. Every byte outside it stays as it was.
struct Edit
{
    qsizetype position = 0;
    qsizetype removed = 0;
    QByteArray inserted;

    QByteArray appliedTo(const QByteArray &file) const;
};

// The edit that sets key in section to value, or nothing when !isWritable.
// Section and key are trimmed of spaces, the value is taken byte for byte;
// new text uses CR LF, in the file's own encoding. A missing file is passed as
// empty bytes.
// - Empty file: "[S]\r\nK=V\r\n", ANSI, no byte-order mark.
// - No such section: "[S]\r\nK=V\r\n" at the end, after a CR LF when the file
//   does not end in a line end.
// - The key in the first matching section: its line keeps every byte up to
//   and including its "=" and its own line end (CR LF when it had none); the
//   value between is replaced.
// - No such key: "K=V\r\n" straight after the section's last key line, or
//   after its header when it has none (a CR LF first when that line had no
//   line end).
// A UTF-16LE file with an odd number of bytes ends in half a unit: it is not
// text and is never read, and it stays the file's last byte, so that text
// added at the end keeps its units aligned.
std::optional<Edit> edit(const QByteArray &file, const QByteArray &section, const QByteArray &key,
                         const QByteArray &value);

// The file's bytes after edit(), or nothing when the write is refused.
std::optional<QByteArray> withValue(const QByteArray &file, const QByteArray &section,
                                    const QByteArray &key, const QByteArray &value);

} // namespace platform::ini
