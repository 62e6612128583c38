#pragma once

#include <QColor>

#include <cstdint>

// OLE colours: 0x00BBGGRR, or 0x80000000 plus a system colour index.
namespace platform {

// A fixed colour turned the right way round, or a system colour from the
// platform's palette (index 1 desktop background, 15 button face, among others).
QColor oleColor(std::uint32_t ole);

// A colour as 0x00BBGGRR.
std::uint32_t toOleColor(const QColor &color);

// The runtime's 16-colour table (0 black ... 9 light blue ... 13 light
// magenta ... 15 bright white), as 0x00BBGGRR; other indices raise error 5.
std::uint32_t QBColor(int index);

} // namespace platform
