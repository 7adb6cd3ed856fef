// The controls of the window, made from the window's layout table, and the
// view calls that change them.
#include "app/win32/MainDialog.h"

#include "app/ResultFit.h"
#include "app/win32/DialogText.h"
#include "platform/win32/WidePath.h"

#include <algorithm>
#include <cstring>
#include <iterator>

using kq::Control;
using kq::window::ControlLook;
using kq::window::Flow;
using kq::window::Kind;
using dialogtext::TextOf;
using dialogtext::Wide;

namespace {

// A drop-down list is made as tall as its open list; its closed field
// then gets the table's height.
constexpr int kOpenListHeight = 200;

int IdOf(Control control) { return static_cast<int>(control) + 100; }

LOGFONTA LogFontOf(const kq::window::Font& look) {
    LOGFONTA font{};
    font.lfHeight = -look.pixels;  // the character height, without internal leading
    font.lfWeight = look.bold ? FW_BOLD : FW_NORMAL;
    font.lfItalic = look.italic;
    font.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(font.lfFaceName, kq::window::kFontFace);
    return font;
}

// By kind (list, label, button) and by a label's flow (auto-size, wrapped, right, result).
constexpr const wchar_t* kClassOf[] = {L"COMBOBOX", L"STATIC", L"BUTTON"};
constexpr DWORD kKindStyle[] = {WS_VSCROLL | CBS_DROPDOWNLIST, SS_NOPREFIX, 0};
constexpr DWORD kLabelStyle[] = {SS_LEFTNOWORDWRAP, SS_LEFT, SS_RIGHT, SS_LEFTNOWORDWRAP};

DWORD StyleOf(const ControlLook& look) {
    DWORD style = (look.visible ? WS_VISIBLE : 0) | kKindStyle[static_cast<int>(look.kind)];
    if (std::ranges::count(kq::window::kTabOrder, look.control)) style |= WS_TABSTOP;
    if (look.kind == Kind::Label) style |= kLabelStyle[static_cast<int>(look.flow)];
    if (look.kind == Kind::Button && look.control == kq::window::kDefaultButton) style |= BS_DEFPUSHBUTTON;
    return style;
}

// The extent of text in look at pixelSize, measured as a static control
// draws it (DT_EDITCONTROL is SS_EDITCONTROL's way of breaking a word
// longer than the line). Empty text has no width and one line's height.
kq::TextExtent Measure(HDC dc, LOGFONTA look, const std::string& text, int pixelSize, kq::TextWrap wrap,
                       int wrapWidth) {
    look.lfHeight = -pixelSize;
    HFONT font = CreateFontIndirectA(&look);
    HGDIOBJ previous = SelectObject(dc, font);
    RECT extent{0, 0, wrap == kq::TextWrap::None ? 0 : wrapWidth, 0};
    UINT flags = DT_CALCRECT | DT_NOPREFIX | (wrap == kq::TextWrap::None ? DT_SINGLELINE : DT_WORDBREAK) |
                 (wrap == kq::TextWrap::Anywhere ? DT_EDITCONTROL : 0);
    std::wstring wide = text.empty() ? L" " : Wide(text);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &extent, flags);
    SelectObject(dc, previous);
    DeleteObject(font);
    return {text.empty() ? 0 : static_cast<int>(extent.right), static_cast<int>(extent.bottom)};
}

// The closed field's height follows its item height plus a border the
// system chooses: set, measure, correct.
void SetFieldHeight(HWND box, int height) {
    auto wanted = static_cast<int>(SendMessageA(box, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    for (int tries = 0; tries < 3; ++tries) {
        RECT field{};
        GetWindowRect(box, &field);
        int off = height - (field.bottom - field.top);
        if (off == 0) break;
        wanted += off;
        SendMessageA(box, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), wanted);
    }
}

}  // namespace

HWND TMainForm::AddControl(const ControlLook& look) {
    int height = look.kind == Kind::List ? kOpenListHeight : look.height;
    HWND window = CreateWindowExW(0, kClassOf[static_cast<int>(look.kind)], Wide(look.text).c_str(),
                                  WS_CHILD | WS_CLIPSIBLINGS | StyleOf(look), look.left, look.top, look.width, height,
                                  dialog_, reinterpret_cast<HMENU>(IdOf(look.control)), GetModuleHandleW(nullptr),
                                  nullptr);
    Item& item = controls_[look.control];
    wanted_[look.control] = look.visible;
    item.window = window;
    item.colour = ColourRef(look.colour);
    item.autoSize = look.kind == Kind::Label && (look.flow == Flow::AutoSize || look.flow == Flow::Result);
    ApplyFont(item, LogFontOf(look.font));
    FitToText(item);
    if (look.kind == Kind::List) SetFieldHeight(window, look.height);
    return window;
}

void TMainForm::CreateControls() {
    for (const ControlLook& look : kq::window::kControls) AddControl(look);
    // The lists lie over the first label's lower part, so the controls
    // that take the keyboard go to the front; front to back is also the
    // dialog's tab order.
    const auto& tabs = kq::window::kTabOrder;
    for (auto c = std::rbegin(tabs); c != std::rend(tabs); ++c)
        SetWindowPos(Widget(*c), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(dialog_, DM_SETDEFID, IdOf(kq::window::kDefaultButton), 0);
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
    HDC dc = GetDC(item.window);
    kq::TextExtent size = Measure(dc, item.look, TextOf(item.window), -item.look.lfHeight, kq::TextWrap::None, 0);
    ReleaseDC(item.window, dc);
    SetWindowPos(item.window, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The result line: where FitResultText places it.
void TMainForm::FitResult(Item& item) {
    HDC dc = GetDC(item.window);
    kq::ResultFit fit = kq::FitResultText(TextOf(item.window), [&](const std::string& text, int size, kq::TextWrap wrap,
                                                                    int wrapWidth) {
        return Measure(dc, item.look, text, size, wrap, wrapWidth);
    });
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
    dialogtext::SetText(item.window, text);
    if (control == Control::Label4) FitResult(item);
    else FitToText(item);
    InvalidateRect(item.window, nullptr, TRUE);
}

// Page 1's controls show only while it is the current page.
void TMainForm::SetVisible(Control control, bool visible) {
    wanted_[control] = visible;
    ShowWindow(Widget(control), visible && page_ == kImagePage ? SW_SHOWNA : SW_HIDE);
}

void TMainForm::AddItem(Control list, const std::string& text) {
    SendMessageW(Widget(list), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

int TMainForm::ItemCount(Control list) const {
    return static_cast<int>(SendMessageA(Widget(list), CB_GETCOUNT, 0, 0));
}

void TMainForm::SetItemIndex(Control list, int index) { SendMessageA(Widget(list), CB_SETCURSEL, index, 0); }

std::string TMainForm::SelectedItem(Control list) const {
    HWND box = Widget(list);
    LRESULT index = SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    LRESULT length = SendMessageW(box, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendMessageW(box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
    return platform::Utf8Of(text.c_str());
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
