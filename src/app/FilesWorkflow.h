#pragma once
// The "Burn files and folders" page: the list of entries, the disc's
// name, the file systems, the fit against the recorder's disc, and the
// burn or the image file, through the same tree building as the command
// line's --folder and --add.
#include "app/JobWorkflow.h"
#include "burner/BurnOutcome.h"
#include "jobs/FolderTree.h"
#include "platform/Thread.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kq {

class FilesWorkflow : public JobWorkflow {
public:
    FilesWorkflow(FilesView& view, TQCDBurner& burner);

    // Files and folders from a drop or the "Add" dialogs; each goes onto
    // the disc under its own name (a single folder: its contents).
    void AddEntries(const std::vector<std::string>& paths);
    void RemoveEntry(int index);
    const std::vector<std::string>& Entries() const { return entries_; }

    // Empty: the default, the folder's name.
    void SetVolumeId(const std::string& volumeId);
    std::string VolumeId() const;
    void SetJoliet(bool on);
    void SetRockRidge(bool on);
    // UDF beside ISO 9660, for files of 4 GiB and more.
    void SetUdf(bool on);

    // Lays the tree out again, on a thread of its own so that a large tree
    // never stalls the window, and measures it against the recorder's
    // disc. The fit comes through the view's Post; changes made while the
    // tree is measured are measured next.
    void UpdateFit();
    // Waits for the measuring under way and what it started, then shows
    // the fit now (`show`).
    void WaitForFit(bool show = true);
    bool Measuring() const { return measure_ != nullptr; }
    const DiscFit& Fit() const { return fit_; }

    void BurnClick();
    // A new session after the disc's last, which keeps the files on it.
    void AddToDiscClick();
    // The image and its .sha256 into `path` instead of a disc.
    void WriteImageClick(const std::string& path);

    ~FilesWorkflow() override;

protected:
    bool Wanted(const std::string& drive) override;
    void DriveChanged() override { UpdateFit(); }
    void FinishBackgroundWork() override { WaitForFit(false); }

private:
    jobs::TreeOptions Options() const;
    // On the job's thread: the tree to be written, or why there is none.
    std::optional<JobResult> BuildTree(jobs::TreeOptions options);
    bool AskSkipUnreadable(const std::vector<std::string>& unreadable);
    // `append`: a new session, keeping the disc's name unless one was typed (`keepName`).
    JobResult BurnJob(const jobs::TreeOptions& options, const std::string& drive, bool append, bool keepName);
    // On the job's thread: why the disc in `drive` takes no burn, or none.
    std::optional<JobResult> DiscRefusal(const std::string& drive, bool append, int& mediaType);
    std::optional<JobResult> ImportOldSession(int mediaType, bool keepName);
    JobResult WriteImageJob(const jobs::TreeOptions& options, const std::string& path);
    // Burns or writes the tree and waits for the write thread's last word.
    BurnOutcome WriteTree(const std::string& imageFile, std::string& text);
    void ShowEntries();
    // The measuring thread and what it found, read once it is joined.
    struct Measure {
        explicit Measure(std::function<void(platform::Thread&)> body) : thread(std::move(body)) {}

        platform::Thread thread;
        uint64_t generation = 0;
        DiscFit fit;
    };
    void StartMeasure();
    void FitMeasured(uint64_t generation);
    void FinishMeasure(bool show);
    static DiscFit MeasureTree(const jobs::TreeOptions& options);
    void AgainstTheDisc(DiscFit& fit) const;
    // The room on the recorder's disc (none without a disc it writes),
    // and whether the disc takes another session.
    std::optional<int64_t> FreeOnDisc(const std::string& drive, bool& appendable);
    // The media type in `drive` when the recorder writes it; none without one.
    std::optional<int> WritableMedium(const std::string& drive);
    void StartBurn(bool append);
    void WatchWriting();
    JobResult WriteFailed(BurnOutcome outcome, const std::string& text);

    FilesView& files_;
    std::atomic<int> family_{0};  // MediaFamily of the disc being written
    int64_t treeSectors_ = 0;     // of the tree built for writing, on the job's thread
    std::vector<std::string> entries_;
    std::string volumeId_;
    bool joliet_ = true;
    bool rockRidge_ = true;
    bool udf_ = false;
    DiscFit fit_;
    struct {
        std::optional<int64_t> free;  // none: no disc the recorder writes
        bool appendable = false;
    } room_;  // asked at the last change
    std::unique_ptr<Measure> measure_;
    uint64_t fitGeneration_ = 0;  // of the newest measuring
    bool fitWanted_ = false;      // something changed while measuring
};

}  // namespace kq
