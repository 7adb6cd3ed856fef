// The window's tabs and the job pages behind them: which page shows, what
// reaches it (commands, drops, timer ticks), and the size and page kept
// for the next run.
#include "app/win32/MainDialog.h"

#include "app/win32/DialogText.h"
#include "app/win32/DiscPages.h"
#include "app/win32/FilesPage.h"
#include "platform/win32/UserSettings.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>

namespace {

constexpr int kTabsHeight = 24;  // above the first label of the image page
constexpr int kMargin = 8;
// Under the image page's table: the bar, its line and a graph at least 64 pixels tall.
constexpr int kImageProgressRoom = ProgressPanel::HeightFor(64) + kMargin;
constexpr int kFirstPageId = 200;
constexpr UINT_PTR kFirstPageTimer = 2;

bool IsImage(std::string path) {
    for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return path.ends_with(".iso") || path.ends_with(".img");
}

}  // namespace

void TMainForm::CreatePages() {
    auto id = [&](int page) { return kFirstPageId + page * JobPage::kSlotsPerPage; };
    auto timer = [](int page) { return kFirstPageTimer + static_cast<UINT_PTR>(page); };
    auto files = std::make_unique<FilesPage>(*this, id(kFilesPage), timer(kFilesPage));
    files_ = files.get();
    pages_.push_back(std::move(files));
    pages_.push_back(std::make_unique<ReadPage>(*this, id(kReadPage), timer(kReadPage)));
    pages_.push_back(std::make_unique<CheckPage>(*this, id(kCheckPage), timer(kCheckPage)));
    for (const auto& page : pages_) page->Select(false);
}

// The tabs go first in the keyboard's order; the pages' own controls follow
// those of the image page.
void TMainForm::CreateTabs() {
    tabs_ = dialogtext::MakeChild(dialog_, WC_TABCONTROLW, WS_VISIBLE | WS_TABSTOP, "", 99, pageFont_);
    std::vector<std::string> titles{"Burn an image"};
    for (const auto& page : pages_) titles.push_back(page->Title());
    for (size_t i = 0; i < titles.size(); ++i) {
        std::wstring title = dialogtext::Wide(titles[i]);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = title.data();
        SendMessageW(tabs_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    SetWindowPos(tabs_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (pages_.empty()) ShowWindow(tabs_, SW_HIDE);
}

JobPage* TMainForm::JobPageAt(int page) const {
    return page > kImagePage && page < PageCount() ? pages_[static_cast<size_t>(page - 1)].get() : nullptr;
}

bool TMainForm::Busy() const {
    if (JobPage* page = JobPageAt(page_)) return page->Busy();
    kq::BurnWorkflow* image = Running();
    if (!image) return false;
    auto state = image->State();
    return state == kq::WorkflowState::Checking || state == kq::WorkflowState::Initialising ||
           state == kq::WorkflowState::Burning;
}

bool TMainForm::SelectPage(int page) {
    if (page < 0 || page >= PageCount()) return false;
    if (page != page_ && Busy()) return false;
    page_ = page;
    for (auto& [control, item] : controls_)
        ShowWindow(item.window, page_ == kImagePage && wanted_[control] ? SW_SHOWNA : SW_HIDE);
    if (imageProgress_) imageProgress_->SetShown(page_ == kImagePage && imageProgressShown_);
    for (int other = kFilesPage; other < PageCount(); ++other) JobPageAt(other)->Select(other == page_);
    if (tabs_) SendMessageW(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(page_), 0);
    // The keyboard stays in the window when its control has gone with the page.
    if (HWND focus = GetFocus(); focus && GetParent(focus) == dialog_ && !IsWindowVisible(focus)) SetFocus(tabs_);
    return true;
}

INT_PTR TMainForm::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != tabs_) return FALSE;
    if (header.code == TCN_SELCHANGING) {
        SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, Busy() ? TRUE : FALSE);  // TRUE keeps the page
        return TRUE;
    }
    if (header.code == TCN_SELCHANGE) SelectPage(static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)));
    return TRUE;
}

// One image dropped on the image page is the image to burn; anything else
// is for the disc the files page makes.
void TMainForm::OnDrop(HDROP drop) {
    std::vector<std::string> paths = dialogtext::DroppedPaths(drop);
    if (paths.empty() || Busy()) return;
    kq::BurnWorkflow* image = Running();
    if (page_ == kImagePage && image && paths.size() == 1 && IsImage(paths[0])) {
        image->AddImage(paths[0]);
    } else if (files_ && SelectPage(kFilesPage)) {
        files_->Drop(paths);
    }
}

void TMainForm::OnTimer(UINT_PTR id) {
    for (const auto& page : pages_)
        if (page->TimerId() == id) page->Tick();
}

void TMainForm::SetPageTimer(UINT_PTR id, bool enabled) {
    if (enabled && dialog_) SetTimer(dialog_, id, kq::window::kTimerIntervalMs, nullptr);
    else if (dialog_) KillTimer(dialog_, id);
}

COLORREF TMainForm::ColourOf(HWND control) const {
    for (const auto& [c, item] : controls_)
        if (item.window == control) return item.colour;
    for (const auto& page : pages_)
        if (COLORREF colour = page->TextColour(control); colour != RGB(0, 0, 0)) return colour;
    return RGB(0, 0, 0);
}

// The first burn's progress makes room for itself under the table, as
// the job pages show theirs.
void TMainForm::ShowProgress(const kq::JobProgress& progress) {
    if (!imageProgress_) return;
    if (!imageProgressShown_) {
        imageProgressShown_ = true;
        GrowTo(kq::window::kClientWidth, LeastHeight());
        LayoutPages();
        imageProgress_->SetShown(page_ == kImagePage);
    }
    imageProgress_->Show(progress);
}

int TMainForm::LeastHeight() const {
    return kq::window::kClientHeight + (imageProgressShown_ ? kImageProgressRoom : 0);
}

// A client area at least width x height; the window keeps its place but
// for moving up to stay inside the work area.
void TMainForm::GrowTo(int width, int height) {
    RECT client{}, now{}, work{};
    GetClientRect(dialog_, &client);
    if (client.right >= width && client.bottom >= height) return;
    RECT frame{0, 0, std::max<int>(client.right, width), std::max<int>(client.bottom, height)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog_, GWL_EXSTYLE)));
    GetWindowRect(dialog_, &now);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int frameHeight = frame.bottom - frame.top;
    const int top = std::max<int>(work.top, std::min<int>(now.top, work.bottom - frameHeight));
    SetWindowPos(dialog_, nullptr, now.left, top, frame.right - frame.left, frameHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// Never smaller than the image page's table, and its progress once shown.
void TMainForm::OnMinMax(MINMAXINFO& sizes) const {
    RECT least{0, 0, kq::window::kClientWidth, LeastHeight()};
    AdjustWindowRectEx(&least, static_cast<DWORD>(GetWindowLongW(dialog_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog_, GWL_EXSTYLE)));
    sizes.ptMinTrackSize = {least.right - least.left, least.bottom - least.top};
}

void TMainForm::LayoutPages() {
    RECT client{};
    GetClientRect(dialog_, &client);
    SetWindowPos(tabs_, nullptr, 2, 0, client.right - 4, kTabsHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    const int below = kq::window::kClientHeight;
    if (imageProgress_)
        imageProgress_->Place(kMargin, below, client.right - 2 * kMargin, client.bottom - below - kMargin);
    for (const auto& page : pages_) page->Layout(client);
}

// A size smaller than the image page's, or larger than the screen, is not taken.
void TMainForm::RestoreSettings() {
    if (settingsApp_.empty()) return;
    auto width = platform::ReadUserNumber(settingsApp_, "Width");
    auto height = platform::ReadUserNumber(settingsApp_, "Height");
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    if (width && height && *width >= static_cast<uint32_t>(kq::window::kClientWidth) &&
        *height >= static_cast<uint32_t>(kq::window::kClientHeight) && *width <= uint32_t(work.right - work.left) &&
        *height <= uint32_t(work.bottom - work.top))
        SizeAndCentre(static_cast<int>(*width), static_cast<int>(*height));
    if (auto page = platform::ReadUserNumber(settingsApp_, "Page"); page && *page < uint32_t(PageCount()))
        SelectPage(static_cast<int>(*page));
}

void TMainForm::SaveSettings() const {
    if (settingsApp_.empty() || !dialog_ || IsIconic(dialog_) || IsZoomed(dialog_)) return;
    RECT client{};
    GetClientRect(dialog_, &client);
    platform::WriteUserNumber(settingsApp_, "Width", static_cast<uint32_t>(client.right));
    platform::WriteUserNumber(settingsApp_, "Height", static_cast<uint32_t>(client.bottom));
    platform::WriteUserNumber(settingsApp_, "Page", static_cast<uint32_t>(page_));
}

// Before the burner goes: each job is stopped and waited for.
void TMainForm::ClosePages() {
    for (const auto& page : pages_) page->Flow().FormClose();
    for (const auto& page : pages_) SetPageTimer(page->TimerId(), false);
}
