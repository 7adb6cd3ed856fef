#pragma once
// TMainForm on Windows: the burner's one window as a native dialog, a page
// per job chosen by tabs. It lays out the controls, turns their
// notifications into the workflows' handlers and carries out what the
// workflows ask of the window.
#include "app/BurnerWindow.h"
#include "app/WindowLayout.h"
#include "app/win32/JobPage.h"
#include "app/win32/ProgressPanel.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class FilesPage;

inline COLORREF ColourRef(kq::Rgb colour) { return RGB(colour.r, colour.g, colour.b); }

class TMainForm : public kq::BurnerWindow {
public:
    // The window owns its burner B; imageFolder ends with a delimiter.
    // Without jobPages it has the image page alone; the window's size and
    // page are kept under settingsApp's key (empty: not kept).
    TMainForm(std::unique_ptr<kq::BurnerPort> burner, std::string imageFolder, bool jobPages = false,
              std::string settingsApp = {});
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // Shows the window, centred, and runs FormShow the first time.
    void Show();
    // The message loop until the window is gone.
    static int Run();

    void SetCaption(kq::Control control, const std::string& text) override;
    void SetVisible(kq::Control control, bool visible) override;
    void AddItem(kq::Control list, const std::string& text) override;
    int ItemCount(kq::Control list) const override;
    void SetItemIndex(kq::Control list, int index) override;
    std::string SelectedItem(kq::Control list) const override;
    void SetLabelFont(kq::Control label, kq::Rgb colour, bool bold) override;
    void SetDefaultButton(kq::Control button) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowProgress(const kq::JobProgress& progress) override;
    void ProcessMessages() override;
    kq::MessageAnswer ShowMessage(const std::string& text, kq::MessageButtons buttons,
                                  kq::MessageIcon icon) override;
    void Close() override;
    void Post(std::function<void()> call) override;

    HWND Window() const { return dialog_; }
    HWND Widget(kq::Control control) const { return controls_.at(control).window; }
    COLORREF TextColour(kq::Control control) const { return controls_.at(control).colour; }
    bool TimerEnabled() const { return timerEnabled_; }
    // The image page's progress, under its table once a burn runs.
    const ProgressPanel& ImageProgress() const { return *imageProgress_; }

    // The pages: 0 burns an image, then the job pages in their tabs' order.
    enum Page { kImagePage, kFilesPage, kReadPage, kCheckPage };
    // The client size the window opens at with the job pages, whose lists
    // want room; the image page alone keeps its own.
    static constexpr int kJobPagesWidth = 560;
    static constexpr int kJobPagesHeight = 520;
    int PageCount() const { return 1 + static_cast<int>(pages_.size()); }
    int CurrentPage() const { return page_; }
    // False while the current page's job runs: its Abort stays in sight.
    bool SelectPage(int page);
    JobPage* JobPageAt(int page) const;
    FilesPage* Files() const { return files_; }
    HWND Tabs() const { return tabs_; }
    HFONT PageFont(bool bold) const { return bold ? boldFont_ : pageFont_; }
    void SetPageTimer(UINT_PTR id, bool enabled);

private:
    struct Item {
        HWND window = nullptr;
        HFONT font = nullptr;  // owned
        COLORREF colour = RGB(0, 0, 0);
        bool autoSize = false;
        LOGFONTA look{};
    };

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code);
    INT_PTR OnNotify(const NMHDR& header);
    void OnDrop(HDROP drop);
    void OnTimer(UINT_PTR id);
    void OnMinMax(MINMAXINFO& sizes) const;
    COLORREF ColourOf(HWND control) const;
    bool Busy() const;
    void CreatePages();
    void LayoutPages();
    void RestoreSettings();
    void SaveSettings() const;
    void ClosePages();
    void BrowseClick(kq::BurnWorkflow& workflow);
    void CreateControls();
    HWND AddControl(const kq::window::ControlLook& look);
    void ApplyFont(Item& item, const LOGFONTA& look);
    void FitToText(const Item& item);
    void FitResult(Item& item);
    void SizeAndCentre(int width, int height);
    void GrowTo(int width, int height);
    int LeastHeight() const;
    void CreateTabs();
    void RunPosted();

    // Read by Post on other threads; cleared when the window is destroyed.
    std::atomic<HWND> dialog_{nullptr};
    HBRUSH background_ = nullptr;
    std::map<kq::Control, Item> controls_;
    std::map<kq::Control, bool> wanted_;  // page 1's visibility, kept while another page shows
    HWND tabs_ = nullptr;
    HFONT pageFont_ = nullptr, boldFont_ = nullptr;  // owned
    std::unique_ptr<ProgressPanel> imageProgress_;
    bool imageProgressShown_ = false;  // from the first burn on, as long as the window lives
    std::vector<std::unique_ptr<JobPage>> pages_;
    FilesPage* files_ = nullptr;
    int page_ = kImagePage;
    std::string settingsApp_;
    bool timerEnabled_ = false;
    bool shown_ = false;
    std::mutex postedLock_;
    std::deque<std::function<void()>> posted_;
};
