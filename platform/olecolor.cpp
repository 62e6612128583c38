#include "olecolor.h"

#include "runtimeerror.h"

#include <QApplication>
#include <QPalette>

namespace platform {

namespace {

constexpr std::uint32_t systemColorFlag = 0x80000000;

// The classic Windows desktop colour, teal: Qt's palette has no role for the
// desktop behind the windows.
constexpr QRgb classicDesktop = qRgb(0, 128, 128);

QColor systemColor(std::uint32_t index)
{
    const QPalette palette = QApplication::palette();
    auto role = [&palette](QPalette::ColorRole r) { return palette.color(QPalette::Active, r); };
    switch (index) {
    case 1: // COLOR_BACKGROUND, the desktop
        return QColor(classicDesktop);
    case 2: // COLOR_ACTIVECAPTION
    case 13: // COLOR_HIGHLIGHT
        return role(QPalette::Highlight);
    case 4: // COLOR_MENU
        return role(QPalette::Window);
    case 5: // COLOR_WINDOW, the inside of text and list boxes
        return role(QPalette::Base);
    case 6: // COLOR_WINDOWFRAME
    case 21: // COLOR_3DDKSHADOW
        return role(QPalette::Shadow);
    case 7: // COLOR_MENUTEXT
        return role(QPalette::WindowText);
    case 8: // COLOR_WINDOWTEXT, text in text and list boxes
        return role(QPalette::Text);
    case 9: // COLOR_CAPTIONTEXT
    case 14: // COLOR_HIGHLIGHTTEXT
        return role(QPalette::HighlightedText);
    case 12: // COLOR_APPWORKSPACE
    case 16: // COLOR_BTNSHADOW
        return role(QPalette::Dark);
    case 15: // COLOR_BTNFACE, also the face of dialogs and frames
        return role(QPalette::Button);
    case 17: // COLOR_GRAYTEXT
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: // COLOR_BTNTEXT
        return role(QPalette::ButtonText);
    case 20: // COLOR_BTNHIGHLIGHT
        return role(QPalette::Light);
    case 22: // COLOR_3DLIGHT
        return role(QPalette::Midlight);
    case 23: // COLOR_INFOTEXT
        return role(QPalette::ToolTipText);
    case 24: // COLOR_INFOBK
        return role(QPalette::ToolTipBase);
    case 26: // COLOR_HOTLIGHT
        return role(QPalette::Link);
    default:
        // An index with no counterpart here draws as window text, which stays
        // readable in any theme.
        return role(QPalette::WindowText);
    }
}

} // namespace

// 0x80000000 plus an index gives that system colour from the application's
// palette; any other value is 0x00BBGGRR, its top byte ignored, and is opaque.
QColor oleColor(std::uint32_t ole)
{
    if (ole & systemColorFlag)
        return systemColor(ole & 0x00FFFFFF);
    return QColor(int(ole & 0xFF), int((ole >> 8) & 0xFF), int((ole >> 16) & 0xFF));
}

// Alpha is dropped; an invalid colour gives 0, black.
std::uint32_t toOleColor(const QColor &color)
{
    if (!color.isValid())
        return 0;
    const QRgb rgb = color.rgb();
    return std::uint32_t(qRed(rgb)) | std::uint32_t(qGreen(rgb)) << 8
        | std::uint32_t(qBlue(rgb)) << 16;
}

// Indices 0 to 7 are the dark colours, 8 to 15 their bright forms; any other
// index raises "Invalid procedure call or argument" (5).
std::uint32_t QBColor(int index)
{
    static constexpr std::uint32_t table[16] = {
        0x000000, // black
        0x800000, // blue
        0x008000, // green
        0x808000, // cyan
        0x000080, // red
        0x800080, // magenta
        0x008080, // yellow
        0xC0C0C0, // white
        0x808080, // grey
        0xFF0000, // light blue
        0x00FF00, // light green
        0xFFFF00, // light cyan
        0x0000FF, // light red
        0xFF00FF, // light magenta
        0x00FFFF, // light yellow
        0xFFFFFF, // bright white
    };
    if (index < 0 || index > 15)
        raiseError(InvalidProcedureCall, QStringLiteral("Invalid procedure call or argument"));
    return table[index];
}

} // namespace platform
