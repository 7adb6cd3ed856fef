// What every job page shows the same way: the drive, and while a job runs
// its stage, bar, figures, live graph and Abort; then its result.
#include "app/win32/JobPage.h"

#include "app/win32/DialogText.h"
#include "app/win32/MainDialog.h"
#include "app/win32/ProgressPanel.h"
#include "burner/kqCDBC.h"

#include <commctrl.h>

using dialogtext::SetText;

namespace {

constexpr int kMargin = 8;
constexpr int kTop = 32;  // below the tabs
constexpr int kButtonWidth = 75, kButtonHeight = 25;
constexpr int kOpenListHeight = 200;

}  // namespace

JobPage::JobPage(TMainForm& form, int firstId, UINT_PTR timerId)
    : form_(form), burner_(std::make_unique<kq::TQCDBurner>()), firstId_(firstId), timerId_(timerId) {
    CreatePanel();
}

JobPage::~JobPage() = default;

void JobPage::CreatePanel() {
    Add(kDriveLabel, L"STATIC", SS_NOPREFIX, "Drive:");
    Add(kDrive, WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, "");
    Add(kStage, L"STATIC", SS_NOPREFIX | SS_LEFTNOWORDWRAP, "");
    SendMessageW(Widget(kStage), WM_SETFONT, reinterpret_cast<WPARAM>(form_.PageFont(true)), FALSE);
    progress_ = std::make_unique<ProgressPanel>(form_.Window(), firstId_ + kBar, form_.PageFont(false));
    controls_[kBar] = progress_->Bar();
    controls_[kText] = progress_->Line();
    controls_[kGraph] = progress_->Graph();
    Add(kResult, L"STATIC", SS_NOPREFIX | SS_LEFT, "");
    Add(kAbort, L"BUTTON", WS_TABSTOP, "Abort");
    Add(kBack, L"BUTTON", WS_TABSTOP, "New job");
}

HWND JobPage::Add(int slot, const wchar_t* kind, DWORD style, const std::string& text) {
    HWND control = dialogtext::MakeChild(form_.Window(), kind, style, text, firstId_ + slot, form_.PageFont(false));
    controls_[slot] = control;
    return control;
}

HWND JobPage::Widget(int slot) const {
    auto found = controls_.find(slot);
    return found == controls_.end() ? nullptr : found->second;
}

bool JobPage::Shown(int slot) const { return (GetWindowLongW(Widget(slot), GWL_STYLE) & WS_VISIBLE) != 0; }

void JobPage::Place(int slot, int left, int top, int width, int height) {
    SetWindowPos(Widget(slot), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void JobPage::Layout(const RECT& client) {
    const int width = client.right - client.left, height = client.bottom - client.top;
    const int inner = width - 2 * kMargin, bottom = height - kMargin - kButtonHeight;
    Place(kDriveLabel, kMargin, kTop + 4, 60, 16);
    Place(kDrive, kMargin + 62, kTop, inner - 62, kOpenListHeight);
    Place(kStage, kMargin, kTop, inner, 18);
    progress_->Place(kMargin, kTop + 22, inner, bottom - 6 - (kTop + 22));
    Place(kResult, kMargin, kTop + 22, inner, bottom - 6 - (kTop + 22));
    Place(kAbort, width - kMargin - kButtonWidth, bottom, kButtonWidth, kButtonHeight);
    Place(kBack, width - kMargin - kButtonWidth, bottom, kButtonWidth, kButtonHeight);
    LayoutChoices(width, height);
}

bool JobPage::PanelShown(int slot) const {
    switch (slot) {
        case kStage: return panel_;
        case kBar:
        case kText:
        case kGraph: return panel_ && !result_;
        case kResult: return panel_ && result_;
        case kAbort: return running_;
        default: return panel_ && result_ && !running_;  // kBack
    }
}

void JobPage::Refresh() {
    for (const auto& [slot, control] : controls_) {
        bool shown = current_ && (PanelSlot(slot) ? PanelShown(slot) : !panel_ && ChoiceShown(slot));
        if (shown != Shown(slot)) ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
    }
}

void JobPage::Select(bool current) {
    current_ = current;
    Refresh();
}

// The button just pressed may have gone with the choices: the keyboard
// goes to Abort, or to the button that leaves the result.
void JobPage::FocusShown() {
    HWND focus = GetFocus();
    if (!current_ || (focus && IsWindowVisible(focus))) return;
    for (int slot : {kAbort, kBack, kDrive})
        if (Shown(slot)) return (void)SetFocus(Widget(slot));
}

bool JobPage::Command(int id, int code) {
    const int slot = id - firstId_;
    if (slot < 0 || slot >= kSlotsPerPage) return false;
    if (slot == kDrive && code == CBN_SELCHANGE) {
        Flow().SelectDrive(static_cast<int>(SendMessageW(Widget(kDrive), CB_GETCURSEL, 0, 0)));
    } else if (slot == kAbort && code == BN_CLICKED) {
        Flow().AbortClick();
    } else if (slot == kBack && code == BN_CLICKED) {
        panel_ = result_ = false;
        Refresh();
        FocusShown();
    } else {
        OnCommand(slot, code);
    }
    return true;
}

bool JobPage::Draw(const DRAWITEMSTRUCT& item) {
    return progress_->Draw(item);
}

void JobPage::ShowDrivesNow(const std::vector<std::string>& drives, int selected) {
    HWND box = Widget(kDrive);
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const std::string& drive : drives)
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(dialogtext::Wide(drive).c_str()));
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void JobPage::ShowRunningNow(bool running) {
    running_ = running;
    if (running) {
        panel_ = true;
        result_ = false;
        progress_->Reset();
    } else {
        panel_ = result_;
    }
    Refresh();
    FocusShown();
}

void JobPage::ShowStageNow(const std::string& text) { SetText(Widget(kStage), text); }

void JobPage::ShowProgressNow(const kq::JobProgress& progress) {
    progress_->Show(progress);
}

void JobPage::ShowResultNow(const kq::JobResult& result) {
    std::string text = result.headline;
    for (const std::string* line : {&result.detail, &result.next})
        if (!line->empty()) text += "\r\n\r\n" + *line;
    if (!result.files.empty()) text += "\r\n";
    for (const std::string& file : result.files) text += "\r\n" + file;
    SetText(Widget(kResult), text);
    failed_ = result.outcome != kq::JobOutcome::Success;
    result_ = panel_ = true;
    Refresh();
    FocusShown();
}

COLORREF JobPage::TextColour(HWND control) const {
    return control == Widget(kResult) && failed_ ? RGB(255, 0, 0) : RGB(0, 0, 0);
}

kq::MessageAnswer JobPage::Message(const std::string& text, kq::MessageButtons buttons, kq::MessageIcon icon) {
    return form_.ShowMessage(text, buttons, icon);
}

void JobPage::Timer(bool enabled) { form_.SetPageTimer(timerId_, enabled); }

void JobPage::Pump() { form_.ProcessMessages(); }

void JobPage::PostCall(std::function<void()> call) {
    form_.Post([alive = std::weak_ptr<int>(alive_), call = std::move(call)] {
        if (alive.lock()) call();
    });
}
