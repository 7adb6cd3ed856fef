#pragma once
// TMainForm on Windows: the burner's one window as a native dialog. It
// lays out the controls, turns their notifications into the workflow's
// handlers and carries out what the workflow asks of the window.
#include "app/BurnerWindow.h"
#include "app/WindowLayout.h"

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

inline COLORREF ColourRef(kq::Rgb colour) { return RGB(colour.r, colour.g, colour.b); }

class TMainForm : public kq::BurnerWindow {
public:
    // The window owns its burner B; imageFolder ends with a delimiter.
    TMainForm(std::unique_ptr<kq::BurnerPort> burner, std::string imageFolder);
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
    void ProcessMessages() override;
    kq::MessageAnswer ShowMessage(const std::string& text, kq::MessageButtons buttons,
                                  kq::MessageIcon icon) override;
    void Close() override;
    void Post(std::function<void()> call) override;

    HWND Window() const { return dialog_; }
    HWND Widget(kq::Control control) const { return controls_.at(control).window; }
    COLORREF TextColour(kq::Control control) const { return controls_.at(control).colour; }
    bool TimerEnabled() const { return timerEnabled_; }

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
    void BrowseClick(kq::BurnWorkflow& workflow);
    void CreateControls();
    HWND AddControl(const kq::window::ControlLook& look);
    void ApplyFont(Item& item, const LOGFONTA& look);
    void FitToText(const Item& item);
    void FitResult(Item& item);
    void SizeAndCentre();
    void RunPosted();

    // Read by Post on other threads; cleared when the window is destroyed.
    std::atomic<HWND> dialog_{nullptr};
    HBRUSH background_ = nullptr;
    std::map<kq::Control, Item> controls_;
    bool timerEnabled_ = false;
    bool shown_ = false;
    std::mutex postedLock_;
    std::deque<std::function<void()>> posted_;
};
