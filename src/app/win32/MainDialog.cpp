#include "app/win32/MainDialog.h"

#include <commdlg.h>

#include <vector>

using kq::Control;

namespace {

constexpr UINT kPostedMessage = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;

// An empty dialog template: the controls are made with pixel positions
// once it exists, which dialog units could not give exactly.
std::vector<WORD> EmptyTemplate() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);  // + menu, class, title
    auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
    t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t->dwExtendedStyle = WS_EX_DLGMODALFRAME;
    return words;
}

}  // namespace

TMainForm::TMainForm(std::unique_ptr<kq::BurnerPort> burner, std::string imageFolder)
    : BurnerWindow(std::move(burner)) {
    background_ = CreateSolidBrush(ColourRef(kq::window::kBackground));
    std::vector<WORD> dialog = EmptyTemplate();
    dialog_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(dialog.data()),
                                         nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
    SetWindowTextA(dialog_, kq::window::kTitle);
    CreateControls();
    SizeAndCentre();
    Start(std::move(imageFolder));
}

TMainForm::~TMainForm() {
    Release();
    if (dialog_) DestroyWindow(dialog_);
    for (auto& [control, item] : controls_)
        if (item.font) DeleteObject(item.font);
    DeleteObject(background_);
}

void TMainForm::SizeAndCentre() {
    RECT frame{0, 0, kq::window::kClientWidth, kq::window::kClientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dialog_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(dialog_, GWL_EXSTYLE)));
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(dialog_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::Show() {
    ShowWindow(dialog_, SW_SHOW);
    UpdateWindow(dialog_);
    if (shown_) return;
    shown_ = true;
    Workflow().FormShow();
}

int TMainForm::Run() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        HWND top = GetAncestor(message.hwnd, GA_ROOT);
        if (top && IsDialogMessageA(top, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

INT_PTR CALLBACK TMainForm::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        return TRUE;
    }
    auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrA(window, DWLP_USER));
    return form ? form->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR TMainForm::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case WM_TIMER:
            if (wParam == kTimerId && Running()) Running()->TimerTimer();
            return TRUE;
        case kPostedMessage: RunPosted(); return TRUE;
        case WM_CTLCOLORDLG: return reinterpret_cast<INT_PTR>(background_);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            auto dc = reinterpret_cast<HDC>(wParam);
            for (const auto& [control, item] : controls_)
                if (item.window == reinterpret_cast<HWND>(lParam)) SetTextColor(dc, item.colour);
            SetBkColor(dc, ColourRef(kq::window::kBackground));
            return reinterpret_cast<INT_PTR>(background_);
        }
        case WM_CLOSE: Close(); return TRUE;
        case WM_DESTROY:
            dialog_ = nullptr;
            PostQuitMessage(0);
            return TRUE;
        default: return FALSE;
    }
}

void TMainForm::OnCommand(int id, int code) {
    kq::BurnWorkflow* workflow = Running();
    if (!workflow || code != BN_CLICKED) return;
    // Escape asks for IDCANCEL: the window is not a dialog to the user and
    // stays. Enter asks for the default button, which DM_SETDEFID names.
    if (id == static_cast<int>(Control::Burn) + 100) workflow->BurnClick();
    else if (id == static_cast<int>(Control::Cancel) + 100) workflow->CancelClick();
    else if (id == static_cast<int>(Control::Browse) + 100) BrowseClick(*workflow);
}

// The system's open dialog; it must not move the current folder, which a
// relative image folder is read from.
void TMainForm::BrowseClick(kq::BurnWorkflow& workflow) {
    std::string path(MAX_PATH, '\0');
    OPENFILENAMEA open{};
    open.lStructSize = sizeof(open);
    open.hwndOwner = dialog_;
    open.lpstrFilter = "Disc images (*.iso;*.img)\0*.iso;*.img\0All files (*.*)\0*.*\0";
    open.lpstrFile = path.data();
    open.nMaxFile = static_cast<DWORD>(path.size());
    open.lpstrTitle = "Choose an image to burn";
    open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&open)) return;
    path.resize(path.find('\0'));
    workflow.AddImage(path);
}

void TMainForm::Close() {
    Shut();
    if (dialog_) DestroyWindow(dialog_);
}

void TMainForm::Post(std::function<void()> call) {
    {
        std::lock_guard hold(postedLock_);
        posted_.push_back(std::move(call));
    }
    if (HWND window = dialog_.load()) PostMessageA(window, kPostedMessage, 0, 0);
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
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // left for the main loop
            return;
        }
        if (dialog_ && IsDialogMessageA(dialog_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void TMainForm::SetTimerEnabled(bool enabled) {
    if (!dialog_) enabled = false;
    if (enabled) SetTimer(dialog_, kTimerId, kq::window::kTimerIntervalMs, nullptr);
    else if (dialog_) KillTimer(dialog_, kTimerId);
    timerEnabled_ = enabled;
}
