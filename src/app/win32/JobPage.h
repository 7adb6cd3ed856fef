#pragma once
// A job page of the dialog (files, read, check): its choices, and the
// progress every page shows the same way while its job runs and after.
// The page draws and forwards; its workflow decides.
#include "app/JobView.h"
#include "app/JobWorkflow.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

class ProgressPanel;
class TMainForm;
namespace kq {
class TQCDBurner;
}

class JobPage {
public:
    // Slots every page has; a page's own start at kOwnSlots.
    enum Slot { kDriveLabel, kDrive, kStage, kBar, kText, kGraph, kResult, kAbort, kBack, kOwnSlots };
    static constexpr int kSlotsPerPage = 32;

    JobPage(TMainForm& form, int firstId, UINT_PTR timerId);
    virtual ~JobPage();
    JobPage(const JobPage&) = delete;
    JobPage& operator=(const JobPage&) = delete;

    virtual kq::JobWorkflow& Flow() = 0;
    virtual const char* Title() const = 0;

    // The page is the one its tab shows.
    void Select(bool current);
    void Layout(const RECT& client);
    // True when id is one of the page's controls.
    bool Command(int id, int code);
    bool Draw(const DRAWITEMSTRUCT& item);
    void Tick() { Flow().TimerTick(); }
    UINT_PTR TimerId() const { return timerId_; }
    // A job runs, or its result waits to be read.
    bool Busy() const { return running_; }
    HWND Widget(int slot) const;
    bool Shown(int slot) const;
    // Red for a result that is not a success.
    COLORREF TextColour(HWND control) const;

protected:
    HWND Add(int slot, const wchar_t* kind, DWORD style, const std::string& text);
    void Place(int slot, int left, int top, int width, int height);
    void Refresh();
    void FocusShown();
    // The page's own controls: what they forward, where they go, when they show.
    virtual void OnCommand(int slot, int code) = 0;
    virtual void LayoutChoices(int width, int height) = 0;
    virtual bool ChoiceShown(int) const { return true; }

    // The view's calls every page answers the same way.
    void ShowDrivesNow(const std::vector<std::string>& drives, int selected);
    void ShowRunningNow(bool running);
    void ShowStageNow(const std::string& text);
    void ShowProgressNow(const kq::JobProgress& progress);
    void ShowResultNow(const kq::JobResult& result);
    kq::MessageAnswer Message(const std::string& text, kq::MessageButtons buttons, kq::MessageIcon icon);
    void Timer(bool enabled);
    void Pump();
    void PostCall(std::function<void()> call);

    TMainForm& form_;
    // The page's own burner, as the command line has one per job; made
    // before the page's workflow and gone after it.
    std::unique_ptr<kq::TQCDBurner> burner_;

private:
    void CreatePanel();
    bool PanelSlot(int slot) const { return slot >= kStage && slot <= kBack; }
    bool PanelShown(int slot) const;

    int firstId_;
    UINT_PTR timerId_;
    std::map<int, HWND> controls_;
    std::unique_ptr<ProgressPanel> progress_;  // its bar, line and graph are the slots kBar, kText, kGraph
    bool current_ = false;
    bool running_ = false;
    bool panel_ = false;  // the progress or the result shows instead of the choices
    bool result_ = false;
    bool failed_ = false;
    // Calls posted by a page that is gone are dropped.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// The view interface of a page, answered by JobPage.
template <class View>
class JobPageOf : public JobPage, public View {
public:
    using JobPage::JobPage;
    void ShowDrives(const std::vector<std::string>& drives, int selected) override {
        ShowDrivesNow(drives, selected);
    }
    void ShowRunning(bool running) override { ShowRunningNow(running); }
    void ShowStage(const std::string& text) override { ShowStageNow(text); }
    void ShowProgress(const kq::JobProgress& progress) override { ShowProgressNow(progress); }
    void ShowResult(const kq::JobResult& result) override { ShowResultNow(result); }
    kq::MessageAnswer ShowMessage(const std::string& text, kq::MessageButtons buttons,
                                  kq::MessageIcon icon) override {
        return Message(text, buttons, icon);
    }
    void SetTimerEnabled(bool enabled) override { Timer(enabled); }
    void ProcessMessages() override { Pump(); }
    void Post(std::function<void()> call) override { PostCall(std::move(call)); }
};
