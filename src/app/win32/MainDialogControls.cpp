// The controls of the window, where they sit and how they look, and the
// view calls that change them.
#include "app/win32/MainDialog.h"

#include "app/ResultFit.h"

#include <cstring>

using kq::Control;

namespace mainform {
const char* const kCredit = "Burns ISO images onto CD-R";
}

namespace {

int IdOf(Control control) { return static_cast<int>(control) + 100; }

LOGFONTA Arial(int pixelHeight, bool bold = false, bool italic = false) {
    LOGFONTA font{};
    font.lfHeight = -pixelHeight;  // the character height, without internal leading
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfItalic = italic;
    font.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(font.lfFaceName, "Arial");
    return font;
}

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kGrey = RGB(128, 128, 128);

}  // namespace

HWND TMainForm::AddControl(Control control, const char* kind, const char* text, DWORD style, RECT place,
                           const LOGFONTA& font, COLORREF colour, bool autoSize) {
    HWND window = CreateWindowExA(0, kind, text, WS_CHILD | WS_CLIPSIBLINGS | style, place.left, place.top,
                                  place.right, place.bottom, dialog_, reinterpret_cast<HMENU>(IdOf(control)),
                                  GetModuleHandleA(nullptr), nullptr);
    Item& item = controls_[control];
    item.window = window;
    item.colour = colour;
    item.autoSize = autoSize;
    ApplyFont(item, font);
    FitToText(item);
    return window;
}

void TMainForm::CreateControls() {
    const LOGFONTA form = Arial(12);
    constexpr DWORD list = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    constexpr DWORD label = SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    // The drop-down height given here is the open list's; the closed
    // field is set to the table's 23 pixels below.
    HWND iso = AddControl(Control::ISO, "COMBOBOX", "", list, {56, 40, 225, 200}, form, kBlack, false);
    AddControl(Control::Label1, "STATIC", "1. Choose an ISO file to burn:", WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
               {56, 24, 201, 49}, form, kBlack, false);
    AddControl(Control::Label2, "STATIC", "2. Choose a recorder to use:", WS_VISIBLE | label, {56, 80, 0, 0}, form,
               kBlack, true);
    HWND recorder = AddControl(Control::Recorder, "COMBOBOX", "", list, {56, 96, 225, 200}, form, kBlack, false);
    AddControl(Control::Burn, "BUTTON", "Burn it", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, {72, 144, 161, 49},
               Arial(27), kBlack, false);
    AddControl(Control::Label3, "STATIC", "", label, {114, 72, 0, 0}, Arial(19, true), kBlack, true);
    AddControl(Control::Label4, "STATIC", "", label, {114, 99, 0, 0}, Arial(21, true), kNavy, true);
    AddControl(Control::Cancel, "BUTTON", "Abort", WS_TABSTOP | BS_PUSHBUTTON, {112, 160, 75, 25}, form, kBlack,
               false);
    AddControl(Control::Label5, "STATIC", mainform::kCredit, WS_VISIBLE | SS_RIGHT | SS_NOPREFIX,
               {152, 216, 165, 12}, Arial(9, false, true), kGrey, false);
    for (HWND box : {iso, recorder}) {
        // The field's height follows its item height plus a border the
        // system chooses: set, measure, correct.
        auto wanted = static_cast<int>(SendMessageA(box, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
        for (int tries = 0; tries < 3; ++tries) {
            RECT field{};
            GetWindowRect(box, &field);
            int off = 23 - (field.bottom - field.top);
            if (off == 0) break;
            wanted += off;
            SendMessageA(box, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), wanted);
        }
    }
    // The lists lie over the first label's lower part, so they stay in
    // front; front to back is also the tab order: ISO, Recorder, Burn, Cancel.
    SetWindowPos(recorder, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(iso, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(dialog_, DM_SETDEFID, IdOf(Control::Burn), 0);
}

void TMainForm::ApplyFont(Item& item, const LOGFONTA& look) {
    HFONT font = CreateFontIndirectA(&look);
    SendMessageA(item.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (item.font) DeleteObject(item.font);
    item.font = font;
    item.look = look;
}

// Auto-size labels take the size of their text in their font.
void TMainForm::FitToText(const Item& item) {
    if (!item.autoSize) return;
    char text[512];
    int length = GetWindowTextA(item.window, text, sizeof text);
    HDC dc = GetDC(item.window);
    HGDIOBJ previous = SelectObject(dc, item.font);
    // Measured as the label draws its text.
    RECT extent{0, 0, 0, 0};
    DrawTextA(dc, length ? text : " ", length ? length : 1, &extent, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SIZE size{length ? extent.right : 0, extent.bottom};
    SelectObject(dc, previous);
    ReleaseDC(item.window, dc);
    SetWindowPos(item.window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The result line: where FitResultText places it, with its text measured
// as the static control draws it (DT_EDITCONTROL is SS_EDITCONTROL's way
// of breaking a word longer than the line).
void TMainForm::FitResult(Item& item) {
    char text[512];
    GetWindowTextA(item.window, text, sizeof text);
    HDC dc = GetDC(item.window);
    auto measure = [&](const std::string& shown, int pixelSize, kq::TextWrap wrap, int wrapWidth) {
        LOGFONTA look = item.look;
        look.lfHeight = -pixelSize;
        HFONT font = CreateFontIndirectA(&look);
        HGDIOBJ previous = SelectObject(dc, font);
        RECT extent{0, 0, wrap == kq::TextWrap::None ? 0 : wrapWidth, 0};
        UINT flags = DT_CALCRECT | DT_NOPREFIX | (wrap == kq::TextWrap::None ? DT_SINGLELINE : DT_WORDBREAK) |
                     (wrap == kq::TextWrap::Anywhere ? DT_EDITCONTROL : 0);
        DrawTextA(dc, shown.empty() ? " " : shown.c_str(), shown.empty() ? 1 : static_cast<int>(shown.size()),
                  &extent, flags);
        SelectObject(dc, previous);
        DeleteObject(font);
        return kq::TextExtent{shown.empty() ? 0 : static_cast<int>(extent.right), static_cast<int>(extent.bottom)};
    };
    kq::ResultFit fit = kq::FitResultText(text, measure);
    ReleaseDC(item.window, dc);

    LOGFONTA look = item.look;
    look.lfHeight = -fit.pixelSize;
    ApplyFont(item, look);
    LONG style = GetWindowLongA(item.window, GWL_STYLE) & ~(SS_TYPEMASK | SS_EDITCONTROL);
    style |= fit.wrap == kq::TextWrap::None ? SS_LEFTNOWORDWRAP : SS_LEFT;
    if (fit.wrap == kq::TextWrap::Anywhere) style |= SS_EDITCONTROL;
    SetWindowLongA(item.window, GWL_STYLE, style);
    SetWindowPos(item.window, nullptr, fit.box.left, fit.box.top, fit.box.width, fit.box.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::SetCaption(Control control, const std::string& text) {
    Item& item = controls_.at(control);
    SetWindowTextA(item.window, text.c_str());
    if (control == Control::Label4) FitResult(item);
    else FitToText(item);
    InvalidateRect(item.window, nullptr, TRUE);
}

void TMainForm::SetVisible(Control control, bool visible) {
    ShowWindow(Widget(control), visible ? SW_SHOWNA : SW_HIDE);
}

void TMainForm::AddItem(Control list, const std::string& text) {
    SendMessageA(Widget(list), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int TMainForm::ItemCount(Control list) const {
    return static_cast<int>(SendMessageA(Widget(list), CB_GETCOUNT, 0, 0));
}

void TMainForm::SetItemIndex(Control list, int index) { SendMessageA(Widget(list), CB_SETCURSEL, index, 0); }

std::string TMainForm::SelectedItem(Control list) const {
    HWND box = Widget(list);
    LRESULT index = SendMessageA(box, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    LRESULT length = SendMessageA(box, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = SendMessageA(box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
    return text;
}

void TMainForm::SetLabelFont(Control label, kq::Rgb colour, bool bold) {
    Item& item = controls_.at(label);
    item.colour = RGB(colour.r, colour.g, colour.b);
    LOGFONTA look = item.look;
    look.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    ApplyFont(item, look);
    FitToText(item);
    InvalidateRect(item.window, nullptr, TRUE);
}

void TMainForm::SetDefaultButton(Control button) {
    for (Control c : {Control::Burn, Control::Cancel})
        SendMessageA(Widget(c), BM_SETSTYLE, c == button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    SendMessageA(dialog_, DM_SETDEFID, IdOf(button), 0);
}
