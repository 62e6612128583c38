#pragma once

#include <array>
#include <cstdint>

// The design values of the main window: what the window is built from at
// every start. Places are twips (15 to a pixel at 96 dpi), colours OLE.
namespace Form1Design {

enum class Kind { CommandButton, TextBox, Frame, DriveListBox, Image, Label, CommonDialog };

struct Font
{
    const char *face; // nullptr: the container's font
    double points;
    int weight; // 400 regular, 700 bold
};

// Bits of a control's state; a control is enabled, visible and 3-D unless told.
enum State : unsigned {
    Normal = 0,
    Disabled = 1, // greyed: takes neither focus nor typing, its text still readable and writable
    Hidden = 2, // a holder of text only
    Flat = 4, // a single thin border instead of a 3-D edge
    NoTabStop = 8, // takes the focus on a click, not from the Tab key
};

constexpr std::uint32_t noColour = 0xFFFFFFFFu; // the platform's default for the kind
constexpr std::uint32_t buttonFace = 0x8000000Fu; // system colour 15
constexpr std::uint32_t desktop = 0x80000001u; // system colour 1

struct Control
{
    const char *name;
    Kind kind;
    const char *container; // "Form1" or the frame that holds it
    int left, top, width, height; // twips
    const char *caption; // caption or text (the common dialog: its title); nullptr for none
    int tabIndex; // -1: takes no focus
    Font font;
    std::uint32_t foreColor;
    std::uint32_t backColor;
    unsigned state;
    const char *toolTip; // nullptr for none
    const char *picture; // a button's face picture, the image's picture
};

struct Form
{
    const char *caption;
    int clientWidth, clientHeight; // twips
    std::uint32_t backColor;
    Font font;
    const char *picture; // drawn at its own size at the top-left, beneath every control
    const char *icon;
};

extern const Form form;

// In the order of the control numbers, which also orders the accessors.
extern const std::array<Control, 20> controls;

// The picture every button shows while pressed.
extern const char *const buttonDownPicture;

// Frames: white, their captions in this colour.
constexpr std::uint32_t frameCaptionColour = 0x00FF8080;

// The maker's addresses: names kept for examples, so that no real person is reached.
extern const char *const webHost;
extern const char *const webAddress;
extern const char *const mailAddress;
extern const char *const supportMailAddress;

constexpr int twipsPerPixel = 15;

} // namespace Form1Design
