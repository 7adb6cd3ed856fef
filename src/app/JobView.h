#pragma once
// What the three job pages (burn files and folders, read a disc, check a
// disc) need of their window. The page forwards the user's actions to its
// workflow and draws what the workflow hands it; the Qt window and the
// Win32 dialog implement it, tests script it.
#include "app/JobProgress.h"
#include "app/MainView.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kq {

enum class JobOutcome { Success, Failed, Aborted };

// How a job ended, for people: a headline ("Success", "The disc
// matches"), the details in the drive's own words, and what to do next.
struct JobResult {
    JobOutcome outcome = JobOutcome::Success;
    std::string headline;
    std::string detail;
    std::string next;
    std::vector<std::string> files;  // what the job wrote (an image, its .sha256)
};

class JobView {
public:
    virtual ~JobView() = default;

    // The drives the page may use, and the one selected (-1: none).
    virtual void ShowDrives(const std::vector<std::string>& drives, int selected) = 0;
    // While running the page's choices are locked, Abort is offered and
    // the progress comes at every timer tick.
    virtual void ShowRunning(bool running) = 0;
    // A line above the progress: "Init recorder...", "Finalizing"...
    virtual void ShowStage(const std::string& text) = 0;
    virtual void ShowProgress(const JobProgress& progress) = 0;
    virtual void ShowResult(const JobResult& result) = 0;

    // As MainView's: a modal box, the timer, pending messages, Post.
    virtual MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons, MessageIcon icon) = 0;
    virtual void SetTimerEnabled(bool enabled) = 0;
    virtual void ProcessMessages() = 0;
    virtual void Post(std::function<void()> call) = 0;
};

// How full the disc in the chosen recorder would be.
struct DiscFit {
    std::optional<int64_t> imageSectors;  // the layout's real size; none when it cannot be laid out
    std::optional<int64_t> freeSectors;   // none: no disc, or the drive does not tell
    int percent = 0;                      // of the free space; past 100 when it does not fit
    bool fits = false;                    // "Burn it" is enabled
    bool appendable = false;              // "Add to the disc" is enabled: the disc keeps its files
    std::string text;                     // "245.1 of 700.0 MB", or why not
    std::string note;                     // a hint under the bar, empty when there is none
};

class FilesView : public JobView {
public:
    // The files and folders to put on the disc, as the list shows them.
    virtual void ShowEntries(const std::vector<std::string>& entries) = 0;
    virtual void ShowVolumeId(const std::string& volumeId) = 0;
    // The fit bar, red when the image does not fit, "Burn it" enabled only
    // when it does, "Add to the disc" when it does on an appendable disc,
    // and the note under the bar.
    virtual void ShowFit(const DiscFit& fit) = 0;
    // Entries that cannot be read, listed before anything is written:
    // true skips them, false stops.
    virtual bool AskSkipUnreadable(const std::vector<std::string>& unreadable) = 0;
};

// The read and check pages need nothing beyond the common calls.
using ReadView = JobView;
using CheckView = JobView;

}  // namespace kq
