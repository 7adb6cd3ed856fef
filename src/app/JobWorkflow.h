#pragma once
// What the three job pages' workflows share: the drive list, the job on a
// thread of its own, its progress at each timer tick, Abort that waits
// for the drive, and the result handed back to the window's thread.
// Every public call runs on the window's thread.
#include "app/JobProgress.h"
#include "app/JobView.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kq {

class TQCDBurner;

enum class JobState { Choosing, Running, Result, Closed };

class JobWorkflow {
public:
    JobWorkflow(JobView& view, TQCDBurner& burner);
    virtual ~JobWorkflow();
    JobWorkflow(const JobWorkflow&) = delete;
    JobWorkflow& operator=(const JobWorkflow&) = delete;

    // Lists the drives the page may use and selects the first.
    void FormShow();
    // -1: none.
    void SelectDrive(int index);
    const std::string& Drive() const { return drive_; }

    void TimerTick();
    // Asks the job to stop; the result comes once the drive is done with it.
    void AbortClick();
    // The window is closing: a running job is stopped and waited for.
    void FormClose();

    JobState State() const { return state_; }
    bool Running() const { return state_ == JobState::Running; }

protected:
    // The page lists only drives that write (the files page) or every drive.
    virtual bool Wanted(const std::string& drive) { return !drive.empty(); }
    virtual void DriveChanged() {}

    // Runs `job` on a thread of its own; its result is shown on the
    // window's thread once the drive is ready again.
    void Run(std::function<JobResult()> job);
    bool StopRequested() const { return stop_.load(); }
    // What the job thread reports for the progress ticks.
    void SetProgressSource(std::function<void(ProgressTracker&, uint64_t elapsedMs)> source);
    void SetStage(const std::string& stage);
    void ShowResultNow(const JobResult& result);

    JobView& view_;
    TQCDBurner& B;

private:
    void Finished(const JobResult& result);
    void WaitForDrive();

    struct Job;
    std::unique_ptr<Job> job_;
    std::vector<std::string> drives_;
    std::string drive_;
    JobState state_ = JobState::Choosing;
    std::atomic<bool> stop_{false};
    bool closed_ = false;
};

}  // namespace kq
