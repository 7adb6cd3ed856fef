#pragma once
// The main window's behaviour without a toolkit: listing images and
// recorders, checking the image, starting the burn, showing its progress
// and its result. Every handler runs on the window's thread except
// BFinalizingTrack, which the write thread raises.
#include "app/BurnerPort.h"
#include "app/JobProgress.h"
#include "app/MainView.h"
#include "digest/ChecksumCompanion.h"

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace kq {

enum class WorkflowState { Choosing, Checking, Initialising, Burning, Result, Closed };

// An error text split at its first "[": the part before it (a trailing
// blank kept) and, when there is a "[", the text between it and the last
// character.
struct SplitError {
    std::string head;
    std::optional<std::string> detail;
};
SplitError SplitErrorText(const std::string& error);

// The percentage shown for the bytes written of a track of totalSectors,
// capped at 100; nothing while the total is not known (0).
std::optional<int64_t> ProgressPercent(int64_t bytesWritten, int64_t totalSectors);

// "CD-R, DVD±R or BD-R": the blank media the recorder writes, as the
// insert prompt names them.
std::string BlankMediaText(TDeviceCapabilities capabilities);

class BurnWorkflow {
public:
    // Binds the burner's two events to BWriteDone and BFinalizingTrack.
    // imageFolder ends with "/".
    BurnWorkflow(MainView& view, BurnerPort& burner, std::string imageFolder);
    BurnWorkflow(const BurnWorkflow&) = delete;
    BurnWorkflow& operator=(const BurnWorkflow&) = delete;

    // The image FormShow selects instead of the first; a file the user
    // named is listed even when its name does not end in ".iso".
    void PreferImage(std::string name) { preferredImage_ = std::move(name); }
    // An image the user picked from anywhere: listed by its whole path
    // (by its name when it lies in the window's folder) and selected.
    void AddImage(const std::string& path);

    void FormShow();
    void BurnClick();
    void TimerTimer();
    void BWriteDone(const BurnReport& report);
    void BFinalizingTrack();
    void CancelClick();
    // The window is closing, by the workflow or by its close box: a burn
    // still running is asked to stop.
    void FormClose();

    const std::string& ImagePath() const { return imagePath_; }
    WorkflowState State() const { return state_; }

private:
    void WriteThreadDone(const BurnReport& report);
    void ListRecorders();
    void ShowBurnControls();
    bool CheckImage(const CompanionFinding& companion);
    void AttemptBurn(const std::string& recorder);
    // `mediaType`: the medium found, media::None when none was.
    bool RecorderReady(const std::string& recorder, int& mediaType);
    bool ImageFits(int mediaType);
    void StartBurn(int mediaType);
    void ShowWriteDone(const BurnReport& report);
    void ShowError(const std::string& error);
    bool WaitForDrive();
    void SetTimer(bool enabled);
    // False when the window was closed meanwhile.
    bool ProcessMessages();
    void CloseWindow();

    MainView& view_;
    BurnerPort& B;
    std::string imagePath_;
    std::string preferredImage_;
    std::vector<std::string> images_;       // as the image list shows them
    std::vector<std::string> addedImages_;  // picked from elsewhere: whole paths
    bool recordersListed_ = false;
    WorkflowState state_ = WorkflowState::Choosing;
    bool timerEnabled_ = false;
    ProgressTracker tracker_;
    std::chrono::steady_clock::time_point burnStart_;
    bool cancelIsDefault_ = false;
    bool burnRunning_ = false;  // the write thread runs and has not reported yet
    bool closed_ = false;
    // A result that arrives while another is being shown waits for it, so
    // the last report is the one left on screen.
    bool showingResult_ = false;
    std::deque<BurnReport> pendingResults_;
};

}  // namespace kq
