#include "app/FilesWorkflow.h"

#include "app/BurnWorkflow.h"
#include "app/JobTexts.h"
#include "burner/kqCDBC.h"
#include "drive/DriveMessages.h"
#include "drive/WritableMedia.h"
#include "jobs/AppendSession.h"
#include "jobs/DiscState.h"
#include "jobs/OutputFiles.h"
#include "jobs/ProgressLine.h"
#include "jobs/VolumeId.h"

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>

namespace kq {

namespace {

namespace fs = std::filesystem;

constexpr int kReadyTimeoutMs = 5000;
constexpr int kSettleTotalMs = 10000;
constexpr int kSettleIntervalMs = 5000;

// The entry's own name: the last part of its path.
std::string NameOf(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\')) trimmed.pop_back();
    return fs::path(trimmed).filename().string();
}

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

}  // namespace

FilesWorkflow::FilesWorkflow(FilesView& view, TQCDBurner& burner) : JobWorkflow(view, burner), files_(view) {}

bool FilesWorkflow::Wanted(const std::string& drive) {
    return B.SelectDevice(drive) && !MediaWrittenBy(B.Capabilities()).empty();
}

void FilesWorkflow::AddEntries(const std::vector<std::string>& paths) {
    if (Running()) return;
    for (const std::string& path : paths)
        if (!path.empty() && std::find(entries_.begin(), entries_.end(), path) == entries_.end())
            entries_.push_back(path);
    ShowEntries();
}

void FilesWorkflow::RemoveEntry(int index) {
    if (Running() || index < 0 || index >= static_cast<int>(entries_.size())) return;
    entries_.erase(entries_.begin() + index);
    ShowEntries();
}

void FilesWorkflow::ShowEntries() {
    files_.ShowEntries(entries_);
    if (volumeId_.empty()) files_.ShowVolumeId(VolumeId());
    UpdateFit();
}

void FilesWorkflow::SetVolumeId(const std::string& volumeId) { volumeId_ = volumeId; }

// The default: the name of the first folder among the entries.
std::string FilesWorkflow::VolumeId() const {
    if (!volumeId_.empty()) return jobs::VolumeIdOf(volumeId_);
    for (const std::string& entry : entries_)
        if (IsFolder(entry)) return jobs::DefaultVolumeId(entry);
    return "CDROM";
}

void FilesWorkflow::SetJoliet(bool on) {
    joliet_ = on;
    UpdateFit();
}

void FilesWorkflow::SetRockRidge(bool on) {
    rockRidge_ = on;
    UpdateFit();
}

void FilesWorkflow::SetUdf(bool on) {
    udf_ = on;
    UpdateFit();
}

// A single folder is the disc's root, as --folder makes it; otherwise
// each entry goes to the root under its own name, as --add puts it.
jobs::TreeOptions FilesWorkflow::Options() const {
    jobs::TreeOptions o;
    if (entries_.size() == 1 && IsFolder(entries_.front())) o.folder = entries_.front();
    else
        for (const std::string& entry : entries_) o.adds.emplace_back(NameOf(entry), entry);
    o.volumeId = VolumeId();
    o.noJoliet = !joliet_;
    o.noRockRidge = !rockRidge_;
    o.udf = udf_;
    o.optionNames = false;
    return o;
}

// On the job's thread: the tree to be written. Unreadable entries are
// listed to the user first, who skips them or stops.
std::optional<JobResult> FilesWorkflow::BuildTree(jobs::TreeOptions o) {
    SetStage("Reading the files...");
    std::optional<jobs::TextLog> log(std::in_place);
    jobs::FolderLayout layout = jobs::BuildFolderTree(B, o, *log);
    if (layout.refusedUnreadable) {
        if (!AskSkipUnreadable(layout.unreadable))
            return FailedResult(jobs::JobEnd::Refused, "Nothing was written",
                                std::to_string(layout.unreadable.size()) + " entries cannot be read",
                                "Make them readable, or skip them.");
        o.skipUnreadable = true;
        log.emplace();
        layout = jobs::BuildFolderTree(B, o, *log);
    }
    if (!layout.ok) return FailedResult(jobs::JobEnd::Refused, "Nothing was written", LastError(*log), "");
    treeSectors_ = layout.sectors;
    return std::nullopt;
}

// The question goes to the window's thread; this one waits for the
// answer, or for Abort or the window's closing, which answer "stop".
bool FilesWorkflow::AskSkipUnreadable(const std::vector<std::string>& unreadable) {
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> answered = answer->get_future();
    PostHere([this, answer, unreadable] { answer->set_value(files_.AskSkipUnreadable(unreadable)); });
    while (answered.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        if (StopRequested()) return false;
    return answered.get();
}

void FilesWorkflow::BurnClick() { StartBurn(false); }

void FilesWorkflow::AddToDiscClick() { StartBurn(true); }

void FilesWorkflow::StartBurn(bool append) {
    if (Running() || entries_.empty() || Drive().empty()) return;
    WaitForFit();
    if (!fit_.fits || (append && !fit_.appendable)) return;
    Run([this, o = Options(), drive = Drive(), append, keepName = volumeId_.empty()] {
        return BurnJob(o, drive, append, keepName);
    }, [this] { B.AbortWrite(); });
    WatchWriting();
}

void FilesWorkflow::WriteImageClick(const std::string& path) {
    if (Running() || entries_.empty() || path.empty()) return;
    jobs::TextLog log;
    // The save dialog has asked before replacing a file.
    if (!jobs::CheckOutputFiles("write-image", {path, path + ".part", path + ".sha256", path + ".sha256.part"}, true,
                                log))
        return ShowResultNow(FailedResult(jobs::JobEnd::Refused, "Nothing was written", LastError(log),
                                          "Choose another file."));
    WaitForFit();
    family_.store(static_cast<int>(MediaFamily::Cd));
    Run([this, o = Options(), path] { return WriteImageJob(o, path); }, [this] { B.AbortWrite(); });
    WatchWriting();
}

void FilesWorkflow::WatchWriting() {
    SetProgressSource([this](ProgressTracker& tracker, uint64_t elapsedMs) {
        tracker.SetFamily(static_cast<MediaFamily>(family_.load()));
        tracker.Tick(elapsedMs, B.BytesWritten(), B.TotalSectors() * kSectorSize,
                     jobs::BufferFillPercent(B.DeviceBufferSize(), B.DeviceFreeBufferSize()));
    });
}

// On the job's thread. A disc the recorder cannot write, or one without
// room, is refused before anything is written.
JobResult FilesWorkflow::BurnJob(const jobs::TreeOptions& o, const std::string& drive, bool append, bool keepName) {
    SetStage("Init recorder...");
    int mediaType = 0;
    std::optional<JobResult> refused = DiscRefusal(drive, append, mediaType);
    if (!refused) refused = BuildTree(o);
    if (!refused && append) refused = ImportOldSession(mediaType, keepName);
    if (refused) return *refused;
    const std::optional<int64_t> free = B.FreeSectors(static_cast<uint16_t>(mediaType));
    if (free && treeSectors_ > *free)
        return FailedResult(jobs::JobEnd::Refused, "The disc has no room for the files",
                            FormatDriveMessage(Msg::ImageTooLarge, {std::to_string(treeSectors_), std::to_string(*free)}),
                            "Remove some entries, or insert a larger disc.");
    if (StopRequested()) return FailedResult(jobs::JobEnd::Stopped, "", "Nothing was written.", "");
    family_.store(static_cast<int>(TraitsOf(mediaType).family));
    SetStage("Burning...");
    std::string text;
    const BurnOutcome outcome = WriteTree("", text);
    if (outcome == BurnOutcome::Success)
        return {JobOutcome::Success, "Success",
                MegaBytesOf(treeSectors_) + " MB " + (append ? "added to" : "burnt onto") + " the " + MediaName(mediaType),
                "", {}};
    // After an abort or a fault the write thread has flushed the drive; it settles here.
    (void)B.WaitUntilReady(kSettleTotalMs, kSettleIntervalMs);
    return WriteFailed(outcome, text);
}

// A write-once disc takes a burn from its start only when blank, and a
// new session only when appendable; an overwritable one takes either.
std::optional<JobResult> FilesWorkflow::DiscRefusal(const std::string& drive, bool append, int& mediaType) {
    const std::optional<int> medium = WritableMedium(drive);
    if (!medium)
        return FailedResult(jobs::JobEnd::Refused, "No disc to burn onto",
                            "Please insert a blank " + BlankMediaText(B.Capabilities()) + " in " + drive,
                            "Then press \"Burn it\" again.");
    mediaType = *medium;
    if (RecordingOf(mediaType) == MediaRecording::Overwritable) return std::nullopt;
    const std::optional<jobs::DiscState> now = jobs::DiscStateNow(B);
    if (!now || *now == jobs::DiscState::Blank || (append && *now == jobs::DiscState::Appendable)) return std::nullopt;
    const jobs::DiscState state = *now;
    const std::string name = "The " + MediaName(mediaType);
    if (state == jobs::DiscState::Appendable)
        return FailedResult(jobs::JobEnd::Refused, "Nothing was written", name + " already holds files",
                            "Press \"Add to the disc\" to keep them in a new session, or insert a blank disc.");
    const bool blankable = RecordingOf(mediaType) == MediaRecording::Blankable;
    return FailedResult(jobs::JobEnd::Refused, "Nothing was written",
                        name + " is " + (state == jobs::DiscState::Closed ? "closed" : "left with a track open") +
                            (blankable ? ": it takes more once it is blanked" : ": nothing more can be written on it"),
                        blankable ? "Blank it (cdburner-cli --blank fast), or insert a blank disc." : "Insert a blank disc.");
}

std::optional<int> FilesWorkflow::WritableMedium(const std::string& drive) {
    if (drive.empty() || !B.SelectDevice(drive) || !B.TestUnitReady(kReadyTimeoutMs)) return std::nullopt;
    const int mediaType = B.GetMediaType();
    if (!RecorderWrites(B.Capabilities(), mediaType)) return std::nullopt;
    return mediaType;
}

// The old session's files join the tree where they lie on the disc, and
// the tree is laid out again from the next writable address.
std::optional<JobResult> FilesWorkflow::ImportOldSession(int mediaType, bool keepName) {
    jobs::TextLog log;
    if (const auto refused = jobs::PrepareAppend(B, mediaType, {{}, !keepName}, log))
        return FailedResult(jobs::JobEnd::Refused, "Nothing was written", refused->why,
                            "Burn the files onto a blank disc instead.");
    std::string why;
    treeSectors_ = B.TreeSectors(why);
    if (treeSectors_ < 0) return FailedResult(jobs::JobEnd::Refused, "Nothing was written", why, "");
    return std::nullopt;
}

JobResult FilesWorkflow::WriteImageJob(const jobs::TreeOptions& o, const std::string& path) {
    if (std::optional<JobResult> refused = BuildTree(o)) return *refused;
    SetStage("Writing the image...");
    std::string text;
    const BurnOutcome outcome = WriteTree(path, text);
    if (outcome == BurnOutcome::Success)
        return {JobOutcome::Success, "Success", path + " and " + path + ".sha256", "", {path, path + ".sha256"}};
    return WriteFailed(outcome, text);
}

// The burner's own words: its text, with the drive's detail after it.
JobResult FilesWorkflow::WriteFailed(BurnOutcome outcome, const std::string& text) {
    if (outcome == BurnOutcome::Aborted) return FailedResult(jobs::JobEnd::Stopped, "", text, "");
    const SplitError split = SplitErrorText(text);
    return {JobOutcome::Failed, split.head, split.detail.value_or(""), "", {}};
}

// Burns onto the selected drive, or writes the file `imageFile`; the
// write thread's report ends the wait. Its report runs on its own thread:
// this one waits for it, not the window's.
BurnOutcome FilesWorkflow::WriteTree(const std::string& imageFile, std::string& text) {
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    B.SetISOFileName(imageFile);
    B.SetExpectedDigest(DigestKind::MD5, "");
    B.Synchronize = [](std::function<void()> call) { call(); };
    B.OnWriteDone = [&](TQCDBurner&, const std::string& error) {
        std::lock_guard guard(lock);
        text = error;
        done = true;
        ended.notify_all();
    };
    B.OnFinalizingTrack = [this](TQCDBurner&) { SetStage("Finalizing"); };
    if (B.BurnISOImage("")) {
        if (StopRequested()) B.AbortWrite();  // an Abort that came before the write thread
        std::unique_lock guard(lock);
        ended.wait(guard, [&] { return done; });
    }
    B.OnWriteDone = nullptr;
    B.SetISOFileName("");
    return B.WriteDoneOutcome();
}

}  // namespace kq
