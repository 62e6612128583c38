#pragma once

#include <QString>

#include <cstdint>

// Stand-ins for kernel32's profile functions, keeping the Windows rules over
// bytes in the ANSI code page. Paths are Windows paths through the drive table.
namespace platform {

// The value of key in section of file, or def when the file, section or key is
// missing; at most size-1 bytes and a NUL copied into buffer; returns the count
// copied (size 0: returns 0, buffer untouched).
std::uint32_t GetPrivateProfileStringA(const char *section, const char *key, const char *def,
                                       char *buffer, std::uint32_t size, const char *file);

// Sets key in section of file to value, creating file, section or key where
// missing; the file is replaced whole or not at all, and only a plain file on
// the drive the path names is. Returns true once the new content is on disk.
bool WritePrivateProfileStringA(const char *section, const char *key, const char *value,
                                const char *file);

// Why the last failed write of this thread failed, as GetLastError would tell
// ("Read-only file system", "No such file or directory"), or in words of our
// own where the system has none ("it is a link, not a file", "the drive is
// no longer there"), fit to follow the file's name.
QString lastProfileError();

} // namespace platform
