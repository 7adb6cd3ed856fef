#include "app/win32/MainDialog.h"

#include "app/win32/DialogText.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

using kq::Control;

namespace {

constexpr UINT kPostedMessage = WM_APP + 1;
constexpr UINT kNextPageMessage = WM_APP + 2;  // wParam: +1 or -1
constexpr UINT_PTR kTimerId = 1;
constexpr int kImageProgressId = 190;  // after the image page's table, before the job pages

// An empty dialog template: the controls are made with pixel positions
// once it exists, which dialog units could not give exactly.
std::vector<WORD> EmptyTemplate() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);  // + menu, class, title
    auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
    t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
    return words;
}

// Ctrl+Tab and Ctrl+Shift+Tab turn the pages, as in the system's own tabbed dialogs.
bool PageKey(const MSG& message, HWND top) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || GetKeyState(VK_CONTROL) >= 0) return false;
    SendMessageW(top, kNextPageMessage, GetKeyState(VK_SHIFT) < 0 ? static_cast<WPARAM>(-1) : 1, 0);
    return true;
}

LOGFONTW PageLook(bool bold) {
    LOGFONTW look{};
    look.lfHeight = -kq::window::kFontPixels;
    look.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    look.lfCharSet = DEFAULT_CHARSET;
    wcscpy(look.lfFaceName, L"Arial");
    return look;
}

}  // namespace

TMainForm::TMainForm(std::unique_ptr<kq::BurnerPort> burner, std::string imageFolder, bool jobPages,
                     std::string settingsApp)
    : BurnerWindow(std::move(burner)), settingsApp_(std::move(settingsApp)) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    background_ = CreateSolidBrush(ColourRef(kq::window::kBackground));
    LOGFONTW look = PageLook(false);
    pageFont_ = CreateFontIndirectW(&look);
    look = PageLook(true);
    boldFont_ = CreateFontIndirectW(&look);
    std::vector<WORD> dialog = EmptyTemplate();
    dialog_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(dialog.data()),
                                         nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
    if (!dialog_) return;
    dialogtext::SetText(dialog_, kq::window::kTitle);
    CreateControls();
    imageProgress_ = std::make_unique<ProgressPanel>(dialog_, kImageProgressId, pageFont_);
    if (jobPages) CreatePages();
    CreateTabs();
    if (jobPages) SizeAndCentre(kJobPagesWidth, kJobPagesHeight);
    else SizeAndCentre(kq::window::kClientWidth, kq::window::kClientHeight);
    DragAcceptFiles(dialog_, TRUE);
    Start(std::move(imageFolder));
    RestoreSettings();
}

TMainForm::~TMainForm() {
    ClosePages();
    pages_.clear();
    files_ = nullptr;
    Release();
    if (dialog_) DestroyWindow(dialog_);
    for (auto& [control, item] : controls_)
        if (item.font) DeleteObject(item.font);
    for (HFONT font : {pageFont_, boldFont_})
        if (font) DeleteObject(font);
    DeleteObject(background_);
}

// The client area of width x height, centred in the work area.
void TMainForm::SizeAndCentre(int clientWidth, int clientHeight) {
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dialog_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(dialog_, GWL_EXSTYLE)));
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(dialog_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::Show() {
    ShowWindow(dialog_, SW_SHOW);
    UpdateWindow(dialog_);
    if (shown_) return;
    shown_ = true;
    Workflow().FormShow();
    if (!dialog_) return;  // the image page found no drive layer and closed the window
    for (const auto& page : pages_) page->Flow().FormShow();
}

int TMainForm::Run() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        HWND top = GetAncestor(message.hwnd, GA_ROOT);
        if (top && (PageKey(message, top) || IsDialogMessageW(top, &message))) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

INT_PTR CALLBACK TMainForm::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return TRUE;
    }
    auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(window, DWLP_USER));
    return form ? form->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR TMainForm::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_TIMER:
            if (wParam == kTimerId && Running()) Running()->TimerTimer();
            else OnTimer(wParam);
            return TRUE;
        case WM_DROPFILES: OnDrop(reinterpret_cast<HDROP>(wParam)); return TRUE;
        case WM_DRAWITEM:
            if (imageProgress_ && imageProgress_->Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
            for (const auto& page : pages_)
                if (page->Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
            return FALSE;
        case WM_SIZE: LayoutPages(); return TRUE;
        case WM_GETMINMAXINFO: OnMinMax(*reinterpret_cast<MINMAXINFO*>(lParam)); return TRUE;
        case kNextPageMessage:
            SelectPage((page_ + PageCount() + static_cast<int>(wParam)) % PageCount());
            return TRUE;
        case kPostedMessage: RunPosted(); return TRUE;
        case WM_CTLCOLORDLG: return reinterpret_cast<INT_PTR>(background_);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, ColourOf(reinterpret_cast<HWND>(lParam)));
            SetBkColor(dc, ColourRef(kq::window::kBackground));
            return reinterpret_cast<INT_PTR>(background_);
        }
        case WM_CLOSE: Close(); return TRUE;
        case WM_DESTROY:
            SaveSettings();
            dialog_ = nullptr;
            PostQuitMessage(0);
            return TRUE;
        default: return FALSE;
    }
}

void TMainForm::OnCommand(int id, int code) {
    for (const auto& page : pages_)
        if (page->Command(id, code)) return;
    kq::BurnWorkflow* workflow = Running();
    // Enter on another page must not reach the image page's hidden default button.
    if (!workflow || code != BN_CLICKED || page_ != kImagePage) return;
    // Escape asks for IDCANCEL: the window is not a dialog to the user and
    // stays. Enter asks for the default button, which DM_SETDEFID names.
    if (id == static_cast<int>(Control::Burn) + 100) workflow->BurnClick();
    else if (id == static_cast<int>(Control::Cancel) + 100) workflow->CancelClick();
    else if (id == static_cast<int>(Control::Browse) + 100) BrowseClick(*workflow);
}

// The system's open dialog; it must not move the current folder, which a
// relative image folder is read from.
void TMainForm::BrowseClick(kq::BurnWorkflow& workflow) {
    std::vector<std::string> chosen = dialogtext::OpenFiles(
        dialog_, L"Disc images (*.iso;*.img)\0*.iso;*.img\0All files (*.*)\0*.*\0", L"Choose an image to burn", false);
    if (!chosen.empty()) workflow.AddImage(chosen.front());
}

void TMainForm::Close() {
    ClosePages();
    Shut();
    if (dialog_) DestroyWindow(dialog_);
}

void TMainForm::Post(std::function<void()> call) {
    {
        std::lock_guard hold(postedLock_);
        posted_.push_back(std::move(call));
    }
    if (HWND window = dialog_.load()) PostMessageW(window, kPostedMessage, 0, 0);
}

void TMainForm::RunPosted() {
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard hold(postedLock_);
            if (posted_.empty()) return;
            call = std::move(posted_.front());
            posted_.pop_front();
        }
        call();
    }
}

void TMainForm::ProcessMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // left for the main loop
            return;
        }
        if (dialog_ && (PageKey(message, dialog_) || IsDialogMessageW(dialog_, &message))) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void TMainForm::SetTimerEnabled(bool enabled) {
    if (!dialog_) enabled = false;
    if (enabled) SetTimer(dialog_, kTimerId, kq::window::kTimerIntervalMs, nullptr);
    else if (dialog_) KillTimer(dialog_, kTimerId);
    timerEnabled_ = enabled;
}
