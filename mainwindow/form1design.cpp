#include "form1design.h"

namespace Form1Design {

const char *const webHost = "velvane.example.org";
const char *const webAddress = "http://velvane.example.org/";
const char *const mailAddress = "orvik@velvane.example.org";
const char *const supportMailAddress = "support@velvane.example.org";

const char *const buttonDownPicture = ":/buttondown.bmp";

const Form form = {
    "Velvane 1.0 by Orvik",
    4680, 4440,
    0x00FFFFFF,
    {"Tahoma", 8.25, 400},
    ":/background.jpg",
    ":/velvane.ico",
};

namespace {
constexpr Font inherited = {nullptr, 0, 0};
constexpr const char *button = ":/button.jpg";
} // namespace

// clang-format off
const std::array<Control, 20> controls = {{
//   name        kind                  container  Left  Top   Width Height caption  tab  font                     fore        back        state            tooltip  picture
    {"Command7", Kind::CommandButton,  "Form1",   2520, 3960, 975,  375,  "&Help",   17, inherited,               noColour,   buttonFace, Normal,
        "Show the instructions for using Velvane", button},
    {"Command6", Kind::CommandButton,  "Form1",   360,  3960, 975,  375,  "&Ok",     6,  inherited,               noColour,   buttonFace, Normal,
        "Click to apply the preferences for the selected drive  and then exit", button},
    {"Command5", Kind::CommandButton,  "Form1",   3600, 3960, 975,  375,  "&Cancel", 7,  inherited,               noColour,   buttonFace, Normal,
        nullptr, button},
    {"Text5",    Kind::TextBox,        "Form1",   2520, 1680, 975,  255,  "Folder Text", 14, {"Tahoma", 9, 400},  0x00000000, 0x00E0E0E0, Flat | NoTabStop,
        nullptr, nullptr},
    {"Frame3",   Kind::Frame,          "Form1",   360,  2040, 4215, 975,  "Set Icon", 12, inherited,              noColour,   0x00FFFFFF, Normal,
        nullptr, nullptr},
    {"Command4", Kind::CommandButton,  "Frame3",  3360, 360,  735,  375,  "C&hoose", 2,  inherited,               noColour,   buttonFace, Normal,
        "Choose an Icon for your drive", button},
    {"Text4",    Kind::TextBox,        "Frame3",  120,  360,  3135, 360,  "",        13, {"Tahoma", 9.75, 400},   noColour,   noColour,   Disabled | Flat,
        nullptr, nullptr},
    {"Command3", Kind::CommandButton,  "Form1",   1320, 1560, 1095, 375,  "Colo&r",  1,  inherited,               noColour,   buttonFace, Normal,
        "Choose Folder Text Color", ":/colorbutton.jpg"},
    {"Text3",    Kind::TextBox,        "Form1",   120,  4200, 1215, 375,  "Text3",   9,  inherited,               noColour,   noColour,   Hidden,
        nullptr, nullptr},
    {"Text2",    Kind::TextBox,        "Form1",   -120, 3840, 1215, 375,  "Text2",   8,  inherited,               noColour,   noColour,   Hidden,
        nullptr, nullptr},
    {"dR1",      Kind::DriveListBox,   "Form1",   480,  3240, 2415, 315,  nullptr,   3,  {"Tahoma", 8.25, 700},   desktop,    noColour,   Normal,
        nullptr, nullptr},
    {"Command2", Kind::CommandButton,  "Form1",   1440, 3960, 975,  375,  "&Apply",  4,  inherited,               noColour,   buttonFace, Normal,
        "Click to apply the preferences for the selected drive", button},
    {"Text1",    Kind::TextBox,        "Form1",   480,  960,  3015, 360,  "",        5,  {"Tahoma", 9.75, 400},   noColour,   noColour,   Disabled | Flat,
        nullptr, nullptr},
    {"Command1", Kind::CommandButton,  "Form1",   480,  1560, 735,  375,  "Choo&se ", 0, inherited,               noColour,   buttonFace, Normal,
        "Choose Image for Background", button},
    {"Frame2",   Kind::Frame,          "Form1",   360,  3000, 4215, 735,  "Set Drive", 11, inherited,             noColour,   0x00FFFFFF, Normal,
        nullptr, nullptr},
    {"Frame1",   Kind::Frame,          "Form1",   360,  720,  4215, 1335, "Set Brackgroun Image and  Color", 10, inherited, noColour, 0x00FFFFFF, Normal,
        nullptr, nullptr},
    {"Image1",   Kind::Image,          "Frame1",  3240, 240,  855,  975,  nullptr,   -1, inherited,               noColour,   noColour,   Flat,
        "shows the image thumbnail preview", nullptr},
    {"Label2",   Kind::Label,          "Form1",   600,  360,  3495, 255,  "Email: orvik@velvane.example.org", 16, {"Tahoma", 9.75, 700}, 0x00FFC0C0, noColour, Normal,
        nullptr, nullptr},
    {"Label1",   Kind::Label,          "Form1",   600,  0,    3495, 375,  "Velvane By Orvik ", 15, {"Tahoma", 14.25, 700}, 0x00FF0000, noColour, Normal,
        nullptr, nullptr},
    {"cM1",      Kind::CommonDialog,   "Form1",   0,    0,    0,    0,    "Choose Picture", -1, inherited,               noColour,   noColour,   Hidden,
        nullptr, nullptr},
}};
// clang-format on

} // namespace Form1Design
