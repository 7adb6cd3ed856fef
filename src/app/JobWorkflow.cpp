#include "app/JobWorkflow.h"

#include "app/JobTexts.h"
#include "burner/kqCDBC.h"
#include "platform/Thread.h"
#include "platform/Timing.h"

#include <mutex>

namespace kq {

namespace {

constexpr int kReadyTimeoutMs = 5000;

}  // namespace

// The job's thread, and the read it is running for the ticks to show.
struct JobWorkflow::Job {
    explicit Job(std::function<void(platform::Thread&)> body) : thread(std::move(body)) {}

    platform::Thread thread;
    std::function<void()> abort;
    std::mutex lock;
    const std::atomic<int64_t>* readDone = nullptr;  // guarded by lock, like the two below
    int64_t readTotal = 0;
    MediaFamily family = MediaFamily::Cd;
};

JobWorkflow::JobWorkflow(JobView& view, TQCDBurner& burner)
    : view_(view), B(burner), alive_(std::make_shared<bool>(true)) {}

JobWorkflow::~JobWorkflow() {
    *alive_ = false;
    StopAndWait();
}

// Every drive reads: a plain reader has none of the capabilities listed.
bool JobWorkflow::Wanted(const std::string& drive) { return B.SelectDevice(drive); }

void JobWorkflow::FormShow() {
    if (!B.InitASPI(false, aspiLibrary_)) {
        view_.ShowMessage("ASPI init error", MessageButtons::Ok, MessageIcon::None);
        return;
    }
    drives_.clear();
    for (const std::string& entry : B.Devices())
        if (Wanted(entry)) drives_.push_back(entry);
    view_.ShowDrives(drives_, drives_.empty() ? -1 : 0);
    drive_ = drives_.empty() ? std::string() : drives_.front();
    DriveChanged();
}

void JobWorkflow::SelectDrive(int index) {
    if (Running()) return;
    const bool valid = index >= 0 && index < static_cast<int>(drives_.size());
    drive_ = valid ? drives_[static_cast<size_t>(index)] : std::string();
    DriveChanged();
}

void JobWorkflow::Run(std::function<JobResult()> job, std::function<void()> abort) {
    if (Running() || closed_) return;
    stop_.store(false);
    state_ = JobState::Running;
    tracker_ = ProgressTracker();
    source_ = nullptr;
    startMs_ = platform::NowMs();
    const uint64_t generation = ++generation_;
    view_.ShowRunning(true);
    view_.SetTimerEnabled(true);
    job_ = std::make_unique<Job>([this, job = std::move(job), generation](platform::Thread&) {
        JobResult result = job();
        PostHere([this, generation, result] { Finished(generation, result); });
    });
    job_->abort = std::move(abort);
    job_->thread.Start();
}

void JobWorkflow::PostHere(std::function<void()> call) {
    view_.Post([alive = alive_, call = std::move(call)] {
        if (*alive) call();
    });
}

void JobWorkflow::Finished(uint64_t generation, const JobResult& result) {
    if (generation != generation_ || !job_) return;
    job_->thread.WaitFor();
    job_.reset();
    view_.SetTimerEnabled(false);
    if (closed_) return;
    state_ = JobState::Result;
    view_.ShowRunning(false);
    view_.ShowResult(result);
    DriveChanged();  // its disc may have changed
}

void JobWorkflow::SetProgressSource(std::function<void(ProgressTracker&, uint64_t)> source) {
    source_ = std::move(source);
}

jobs::ReadRunner JobWorkflow::ReadOnThisThread() {
    return [this](const std::function<void()>& read, const std::atomic<int64_t>& done, int64_t total,
                  MediaFamily family) {
        {
            std::lock_guard guard(job_->lock);
            job_->readDone = &done;
            job_->readTotal = total;
            job_->family = family;
        }
        read();
        std::lock_guard guard(job_->lock);
        job_->readDone = nullptr;
    };
}

void JobWorkflow::TimerTick() {
    if (!Running() || !job_) return;
    const uint64_t elapsed = platform::NowMs() - startMs_;
    if (source_) {
        source_(tracker_, elapsed);
    } else {
        std::lock_guard guard(job_->lock);
        if (!job_->readDone) return;
        tracker_.SetFamily(job_->family);
        tracker_.Tick(elapsed, job_->readDone->load(), job_->readTotal, -1);
    }
    view_.ShowProgress(tracker_.Current());
}

void JobWorkflow::SetStage(const std::string& stage) {
    PostHere([this, stage] {
        tracker_.Current().stage = stage;
        if (Running()) view_.ShowStage(stage);
    });
}

std::optional<jobs::ReadingDrive> JobWorkflow::PrepareReading(const std::string& drive, std::string& why) {
    if (!B.SelectDevice(drive)) {
        why = "the drive does not answer";
        return std::nullopt;
    }
    if (!B.TestUnitReady(kReadyTimeoutMs)) {
        why = "no disc, or not ready [" + B.LastErrorText() + "]";
        return std::nullopt;
    }
    const int mediaType = B.GetMediaType();
    jobs::DataTrackFinding found = jobs::FindDataTrack(B, std::nullopt, mediaType);
    if (!found.track) {
        why = found.error;
        return std::nullopt;
    }
    return jobs::ReadingDrive{drive, mediaType, *found.track};
}

void JobWorkflow::ShowResultNow(const JobResult& result) {
    state_ = JobState::Result;
    view_.ShowResult(result);
}

bool JobWorkflow::MayStart(const std::string& file, const char* missing, const char* choose) {
    if (Running()) return false;
    if (Drive().empty())
        ShowResultNow(FailedResult(jobs::JobEnd::Refused, "No drive", "", "Choose the drive that holds the disc."));
    else if (file.empty())
        ShowResultNow(FailedResult(jobs::JobEnd::Refused, missing, "", choose));
    return !Drive().empty() && !file.empty();
}

void JobWorkflow::AbortClick() {
    if (!Running() || !job_ || stop_.load()) return;
    stop_.store(true);
    if (job_->abort) job_->abort();
    SetStage("Aborting: the drive finishes what it is doing...");
}

// The drive's own end is awaited: a burn's write thread flushes it first.
void JobWorkflow::StopAndWait() {
    if (!job_) return;
    stop_.store(true);
    if (job_->abort) job_->abort();
    job_->thread.WaitFor();
    job_.reset();
}

void JobWorkflow::FormClose() {
    if (closed_) return;
    closed_ = true;
    FinishBackgroundWork();
    StopAndWait();
    state_ = JobState::Closed;
    view_.SetTimerEnabled(false);
}

}  // namespace kq
