#pragma once
// What the three job pages' workflows share: the drive list, the job on a
// thread of its own, its progress at each timer tick, Abort that waits
// for the drive, and the result handed back to the window's thread.
// Every public call runs on the window's thread.
#include "app/JobProgress.h"
#include "app/JobView.h"
#include "jobs/DiscJob.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kq {

class TQCDBurner;

enum class JobState { Choosing, Running, Result, Closed };

class JobWorkflow {
public:
    // `burner`: the page's own, with the window's settings (the Component
    // of a ComponentBurnerPort of its own); the workflow binds its events.
    JobWorkflow(JobView& view, TQCDBurner& burner);
    virtual ~JobWorkflow();
    JobWorkflow(const JobWorkflow&) = delete;
    JobWorkflow& operator=(const JobWorkflow&) = delete;

    // The drives' library; empty: the system's, as the window uses.
    void SetAspiLibrary(std::string path) { aspiLibrary_ = std::move(path); }
    // Lists the drives the page may use and selects the first.
    void FormShow();
    // -1: none.
    void SelectDrive(int index);
    const std::string& Drive() const { return drive_; }

    // At each tick of the page's timer while the view has it enabled.
    void TimerTick();
    // Asks the job to stop; the result comes once the drive is done with it.
    void AbortClick();
    // The window is closing: a running job is stopped and waited for.
    void FormClose();

    JobState State() const { return state_; }
    bool Running() const { return state_ == JobState::Running; }

protected:
    // The page lists only drives that write (the files page) or every drive.
    virtual bool Wanted(const std::string& drive);
    // Another drive is chosen, or a job has ended on this one.
    virtual void DriveChanged() {}
    // Ends the page's own work off the window's thread before the window goes.
    virtual void FinishBackgroundWork() {}
    // Runs the call on the window's thread while this workflow lives.
    void PostHere(std::function<void()> call);

    // Runs `job` on a thread of its own; its result is shown on the
    // window's thread. `abort` (on the window's thread) asks a running
    // job to stop beyond StopRequested.
    void Run(std::function<JobResult()> job, std::function<void()> abort = {});
    bool StopRequested() const { return stop_.load(); }
    // What the progress ticks read, on the window's thread.
    void SetProgressSource(std::function<void(ProgressTracker&, uint64_t elapsedMs)> source);
    // A reader for the jobs: runs the read on the job's thread, its bytes
    // read shown at the ticks.
    jobs::ReadRunner ReadOnThisThread();
    void SetStage(const std::string& stage);
    // On the job's thread: the chosen drive, its disc and its data track;
    // nullopt with the drive's words in `why`.
    std::optional<jobs::ReadingDrive> PrepareReading(const std::string& drive, std::string& why);
    // Shows a result at once, with nothing started.
    void ShowResultNow(const JobResult& result);
    // A click may start a job: none runs, a drive is chosen, and so is the
    // job's file (`file`); else a result says what to choose (`missing`,
    // `choose`) and false.
    bool MayStart(const std::string& file, const char* missing, const char* choose);

    JobView& view_;
    TQCDBurner& B;

private:
    void Finished(uint64_t generation, const JobResult& result);
    void StopAndWait();

    struct Job;
    std::unique_ptr<Job> job_;
    std::shared_ptr<bool> alive_;
    std::string aspiLibrary_;
    std::vector<std::string> drives_;
    std::string drive_;
    JobState state_ = JobState::Choosing;
    std::atomic<bool> stop_{false};
    bool closed_ = false;
    ProgressTracker tracker_;
    std::function<void(ProgressTracker&, uint64_t)> source_;
    uint64_t startMs_ = 0;
    uint64_t generation_ = 0;  // the job whose result is awaited
};

}  // namespace kq
