#pragma once
// The window as every toolkit builds it: its size, title, colours and font,
// and for each control its kind, place, font, colour, first text, whether
// it shows at first and where it stands in the tab order. The Qt window and
// the Win32 dialog read it; their tests check the built window against it.
#include "app/MainView.h"
#include "app/ResultFit.h"

#include <iterator>

namespace kq::window {

inline constexpr const char* kTitle = "CD Burner";
inline constexpr int kClientWidth = 327;
inline constexpr int kClientHeight = 232;
inline constexpr int kTimerIntervalMs = 1000;
inline constexpr Rgb kBackground{255, 251, 240};
inline constexpr const char* kFontFace = "Arial";  // every control's
inline constexpr int kFontPixels = 12;              // the window's own size
inline constexpr const char* kCredit = "Burns ISO images onto CD, DVD, BD";

enum class Kind { List, Label, Button };

// How a label holds its text: sized to it on one line, wrapped inside its
// box, right-aligned in its box, or placed by FitResultText.
enum class Flow { AutoSize, Wrapped, Right, Result };

struct Font {
    int pixels = kFontPixels;
    bool bold = false, italic = false;
};

struct ControlLook {
    Control control;
    Kind kind;
    int left, top, width, height;  // an auto-sized label's size follows its text
    Font font;
    Rgb colour;
    const char* text;
    bool visible;
    Flow flow = Flow::AutoSize;  // labels only
};

// One row per control, in the order of Control, which is also the order
// they are made in.
inline constexpr ControlLook kControls[] = {
    {Control::ISO, Kind::List, 56, 40, 225, 23, {}, kBlack, "", true},
    {Control::Label1, Kind::Label, 56, 24, 201, 49, {}, kBlack, "1. Choose an ISO file to burn:", true, Flow::Wrapped},
    {Control::Label2, Kind::Label, 56, 80, 0, 0, {}, kBlack, "2. Choose a recorder to use:", true},
    {Control::Recorder, Kind::List, 56, 96, 225, 23, {}, kBlack, "", true},
    {Control::Burn, Kind::Button, 72, 144, 161, 49, {27}, kBlack, "Burn it", true},
    {Control::Label3, Kind::Label, 114, 72, 0, 0, {19, true}, kBlack, "", false},
    {Control::Label4, Kind::Label, resultline::kLeft, resultline::kTop, 0, 0, {resultline::kPixelSize, true},
     {0, 0, 128}, "", false, Flow::Result},
    {Control::Cancel, Kind::Button, 112, 160, 75, 25, {}, kBlack, "Abort", false},
    {Control::Label5, Kind::Label, 152, 216, 165, 12, {9, false, true}, {128, 128, 128}, kCredit, true, Flow::Right},
    // Picks an image from any folder; the narrow room beside the list takes only the dots.
    {Control::Browse, Kind::Button, 285, 40, 32, 23, {}, kBlack, "...", true},
};

// Only the lists and the buttons take the keyboard, in this order.
inline constexpr Control kTabOrder[] = {Control::ISO, Control::Browse, Control::Recorder, Control::Burn,
                                        Control::Cancel};
inline constexpr Control kDefaultButton = Control::Burn;

constexpr const ControlLook& LookOf(Control control) { return kControls[static_cast<int>(control)]; }
static_assert([] {
    for (int i = 0; i < static_cast<int>(std::size(kControls)); ++i)
        if (kControls[i].control != static_cast<Control>(i)) return false;
    return true;
}(), "one row per control, in the order of Control");

}  // namespace kq::window
