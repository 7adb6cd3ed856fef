#include "app/BurnWorkflow.h"

#include "app/ImageFolder.h"
#include "app/PrintableName.h"
#include "digest/ChecksumCompanion.h"
#include "drive/DriveMessages.h"
#include "drive/MediaTypes.h"
#include "drive/WritableMedia.h"
#include "platform/Thread.h"
#include "platform/Timing.h"

#include <algorithm>

namespace kq {

namespace {

constexpr int kReadyTimeoutMs = 5000;
constexpr int kSettleTotalMs = 10000;
constexpr int kSettleIntervalMs = 5000;
constexpr uint32_t kPaintEveryMs = 20;

std::string CorruptedImageText(DigestKind kind, const std::string& imagePath) {
    return std::string("Error in ") + DigestTag(kind) + "-checksum...\r\r" + PrintableName(imagePath) +
           "\ris corrupted.\rPlease download it again.";
}

// A blank or unreadable companion means no checksum here; one that holds
// no digest for the image can never match.
bool CompanionToCheck(const CompanionFinding& companion) {
    switch (companion.outcome) {
    case CompanionOutcome::Digest:
    case CompanionOutcome::NoDigest:
    case CompanionOutcome::NotListed: return true;
    default: return false;
    }
}

}  // namespace

// "CD-R, DVD±R or BD-R": the write-once media the recorder writes (a
// dual-layer kind goes with its single-layer kin), DVD-R and DVD+R named
// together; a recorder of rewritables only is named by those.
std::string BlankMediaText(TDeviceCapabilities capabilities) {
    const std::vector<uint16_t> written = MediaWrittenBy(capabilities);
    auto writes = [&](uint16_t m) { return std::find(written.begin(), written.end(), m) != written.end(); };
    const bool bothDvdR = writes(media::DvdR) && writes(media::DvdPlusR);
    std::vector<std::string> names;
    for (uint16_t m : written) {
        if (RecordingOf(m) != MediaRecording::WriteOnce || TraitsOf(m).kin != m) continue;
        if (m == media::DvdPlusR && bothDvdR) continue;
        names.push_back(m == media::DvdR && bothDvdR ? "DVD\xC2\xB1R" : MediaName(m));
    }
    if (names.empty())
        for (uint16_t m : written) names.push_back(MediaName(m));
    if (names.empty()) return "disc";
    std::string text = names.front();
    for (size_t i = 1; i < names.size(); ++i) text += (i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

SplitError SplitErrorText(const std::string& error) {
    size_t bracket = error.find('[');
    if (bracket == std::string::npos) return {error, std::nullopt};
    // From after the "[" up to, not including, the last character.
    size_t start = bracket + 1;
    size_t length = error.size() > start ? error.size() - start - 1 : 0;
    return {error.substr(0, bracket), error.substr(start, length)};
}

std::optional<int64_t> ProgressPercent(int64_t bytesWritten, int64_t totalSectors) {
    if (totalSectors == 0) return std::nullopt;
    int64_t percent = bytesWritten * 100 / (totalSectors * kSectorSize);
    return percent > 100 ? 100 : percent;
}

BurnWorkflow::BurnWorkflow(MainView& view, BurnerPort& burner, std::string imageFolder)
    : view_(view), B(burner), imagePath_(std::move(imageFolder)) {
    B.BindEvents([this](const BurnReport& report) { WriteThreadDone(report); },
                 [this] { BFinalizingTrack(); });
}

void BurnWorkflow::FormShow() {
    state_ = WorkflowState::Choosing;
    images_ = ListImageFiles(imagePath_);
    auto preferred = std::find(images_.begin(), images_.end(), preferredImage_);
    if (!preferredImage_.empty() && preferred == images_.end()) {
        images_.push_back(preferredImage_);
        preferred = images_.end() - 1;
    }
    if (images_.empty()) return;
    for (const std::string& name : images_) view_.AddItem(Control::ISO, name);
    view_.SetItemIndex(Control::ISO, preferred == images_.end() ? 0 : static_cast<int>(preferred - images_.begin()));
    ListRecorders();
}

// Every drive that writes a medium the burn records onto.
void BurnWorkflow::ListRecorders() {
    recordersListed_ = true;
    if (!B.InitASPI(false, "")) {
        view_.ShowMessage("ASPI init error", MessageButtons::Ok, MessageIcon::None);
        return;
    }
    for (const std::string& entry : B.Devices()) {
        if (B.SelectDevice(entry) && !MediaWrittenBy(B.Capabilities()).empty()) view_.AddItem(Control::Recorder, entry);
    }
    if (view_.ItemCount(Control::Recorder) > 0) view_.SetItemIndex(Control::Recorder, 0);
}

void BurnWorkflow::AddImage(const std::string& path) {
    if (state_ != WorkflowState::Choosing || path.empty()) return;
    const std::string& folder = imagePath_;
    const bool inFolder = path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                          path.find_first_of("/\\", folder.size()) == std::string::npos;
    const std::string listed = inFolder ? path.substr(folder.size()) : path;
    auto at = std::find(images_.begin(), images_.end(), listed);
    if (at == images_.end()) {
        if (!inFolder) addedImages_.push_back(path);
        images_.push_back(listed);
        view_.AddItem(Control::ISO, listed);
        at = images_.end() - 1;
    }
    view_.SetItemIndex(Control::ISO, static_cast<int>(at - images_.begin()));
    if (!recordersListed_) ListRecorders();  // an empty folder listed none
}

void BurnWorkflow::BurnClick() {
    if (state_ != WorkflowState::Choosing) return;
    ShowBurnControls();
    const std::string image = view_.SelectedItem(Control::ISO);
    const bool added = std::find(addedImages_.begin(), addedImages_.end(), image) != addedImages_.end();
    imagePath_ = added ? image : imagePath_ + image;
    const std::string recorder = view_.SelectedItem(Control::Recorder);
    if (!ImageFileExists(imagePath_) || recorder.empty()) return CloseWindow();

    CompanionFinding companion = FindImageCompanion(imagePath_, false);
    B.SetExpectedDigest(companion.kind, "");
    if (CompanionToCheck(companion) && !CheckImage(companion)) return;

    state_ = WorkflowState::Initialising;
    view_.SetCaption(Control::Label3, "Init recorder...");
    if (!ProcessMessages()) return;
    AttemptBurn(recorder);
}

void BurnWorkflow::ShowBurnControls() {
    for (Control c :
         {Control::Label1, Control::Label2, Control::Burn, Control::ISO, Control::Recorder, Control::Browse})
        view_.SetVisible(c, false);
    for (Control c : {Control::Label3, Control::Label4, Control::Cancel}) view_.SetVisible(c, true);
}

// True when the image's digest is the companion's; otherwise the user is
// told and the window closes. The digest blocks the window's thread.
bool BurnWorkflow::CheckImage(const CompanionFinding& companion) {
    state_ = WorkflowState::Checking;
    view_.SetCaption(Control::Label4, "check...");
    view_.SetCaption(Control::Label3, "File integrity");
    if (!ProcessMessages()) return false;
    if (!companion.expected.empty() && ImageDigestPrint(companion.kind, imagePath_) == companion.expected) {
        view_.SetCaption(Control::Label4, "");
        // The wait for a disc lies between this check and the burn's reading.
        B.SetExpectedDigest(companion.kind, companion.expected);
        return true;
    }
    view_.ShowMessage(CorruptedImageText(companion.kind, imagePath_), MessageButtons::Ok, MessageIcon::Error);
    CloseWindow();
    return false;
}

void BurnWorkflow::AttemptBurn(const std::string& recorder) {
    int mediaType = media::None;
    while (!RecorderReady(recorder, mediaType)) {
        // A disc of another kind is named, so that a BD-ROM or a CD-RW is not taken for a missing disc.
        const std::string holds = mediaType == media::None ? "" : "\r(it holds a " + MediaName(mediaType) + ")";
        const std::string prompt = "Please insert a blank " + BlankMediaText(B.Capabilities()) + " in\r" + recorder + holds;
        MessageAnswer answer = view_.ShowMessage(prompt, MessageButtons::YesNoCancel, MessageIcon::None);
        if (closed_) return;
        if (answer != MessageAnswer::Yes) return CloseWindow();
    }
    if (ImageFits(mediaType)) StartBurn(mediaType);
}

// Any medium the recorder writes will do; whether it is blank is left to the burn.
bool BurnWorkflow::RecorderReady(const std::string& recorder, int& mediaType) {
    mediaType = media::None;
    if (!B.SelectDevice(recorder) || !B.TestUnitReady(kReadyTimeoutMs)) return false;
    mediaType = B.GetMediaType();
    return RecorderWrites(B.Capabilities(), mediaType);
}

// A disc without room for the image is refused before anything is
// written, with both sizes in the burner's own words.
bool BurnWorkflow::ImageFits(int mediaType) {
    const std::optional<int64_t> sectors = ImageFileSectors(imagePath_);
    const std::optional<int64_t> free = sectors ? B.FreeSectors(mediaType) : std::nullopt;
    if (!free || *sectors <= *free) return true;
    BWriteDone({BurnOutcome::Failed,
                FormatDriveMessage(Msg::ImageTooLarge, {std::to_string(*sectors), std::to_string(*free)})});
    return false;
}

void BurnWorkflow::StartBurn(int mediaType) {
    if (B.BurnISOImage(imagePath_)) {
        burnRunning_ = true;
        tracker_ = ProgressTracker(TraitsOf(mediaType).family);
        burnStart_ = std::chrono::steady_clock::now();
        SetTimer(true);
        state_ = WorkflowState::Burning;
        view_.SetCaption(Control::Label3, "Burning...");
        return;
    }
    BWriteDone({BurnOutcome::Failed, "CD-R Error"});
}

// The burner's own report: from a failing BurnISOImage, or the write
// thread's last word handed over to this thread.
void BurnWorkflow::WriteThreadDone(const BurnReport& report) {
    burnRunning_ = false;
    BWriteDone(report);
}

void BurnWorkflow::TimerTimer() {
    if (!timerEnabled_) return;
    std::optional<int64_t> percent = ProgressPercent(B.BytesWritten(), B.TotalSectors());
    if (percent) view_.SetCaption(Control::Label4, std::to_string(*percent) + "%");
    const auto elapsed = std::chrono::steady_clock::now() - burnStart_;
    view_.ShowProgress(tracker_.Tick(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(),
                                     B.BytesWritten(), B.TotalSectors() * kSectorSize, B.BufferPercent()));
}

void BurnWorkflow::BWriteDone(const BurnReport& report) {
    if (closed_) return;
    if (showingResult_) {
        pendingResults_.push_back(report);
        return;
    }
    showingResult_ = true;
    ShowWriteDone(report);
    while (!pendingResults_.empty() && !closed_) {
        BurnReport next = std::move(pendingResults_.front());
        pendingResults_.pop_front();
        ShowWriteDone(next);
    }
    showingResult_ = false;
}

void BurnWorkflow::ShowWriteDone(const BurnReport& report) {
    const bool success = report.outcome == BurnOutcome::Success;
    SetTimer(false);
    state_ = WorkflowState::Result;
    view_.SetCaption(Control::Label4, "wait...");
    view_.SetCaption(Control::Label3, success ? "Done" : "Error :(");
    if (!ProcessMessages()) return;
    if (!WaitForDrive()) return;
    if (success) {
        view_.SetCaption(Control::Label4, "Success");
        view_.SetCaption(Control::Cancel, "OK");
    } else {
        ShowError(report.text);
    }
    cancelIsDefault_ = true;
    view_.SetDefaultButton(Control::Cancel);
    view_.SetCaption(Control::Label3, "");
}

// After an abort the write thread still holds the drive through the WRITE
// in flight and the flushes, for minutes at worst: the wait runs on a
// thread of its own while this one keeps painting and hears its close box.
// False when the window was closed meanwhile.
bool BurnWorkflow::WaitForDrive() {
    std::atomic<bool> waited{false};
    platform::Thread waiter([this, &waited](platform::Thread&) {
        (void)B.WaitUntilReady(kSettleTotalMs, kSettleIntervalMs);  // the result is shown either way
        waited.store(true);
    });
    waiter.Start();
    while (!waited.load()) {
        view_.ProcessMessages();
        platform::SleepMs(kPaintEveryMs);
    }
    waiter.WaitFor();
    return !closed_;
}

// A drive's detail, in "[...]" after the burn's own text, goes in red
// into the first prompt's place.
void BurnWorkflow::ShowError(const std::string& error) {
    SplitError split = SplitErrorText(error);
    if (split.detail) {
        view_.SetCaption(Control::Label1, *split.detail);
        view_.SetLabelFont(Control::Label1, kRed, true);
        view_.SetVisible(Control::Label1, true);
    }
    view_.SetCaption(Control::Label4, split.head);
    view_.SetCaption(Control::Cancel, "Quit");
}

// Raised on the write thread: the caption changes on the window's thread.
void BurnWorkflow::BFinalizingTrack() {
    view_.Post([this] {
        if (!closed_) view_.SetCaption(Control::Label3, "Finalizing");
    });
}

void BurnWorkflow::CancelClick() {
    if (cancelIsDefault_) return CloseWindow();
    if (!timerEnabled_) return;  // nothing to stop yet, e.g. while the recorder starts
    B.AbortWrite();
    BWriteDone({BurnOutcome::Aborted, "Aborted"});
}

void BurnWorkflow::FormClose() {
    if (closed_) return;
    closed_ = true;
    state_ = WorkflowState::Closed;
    SetTimer(false);
    if (burnRunning_) B.AbortWrite();
}

void BurnWorkflow::SetTimer(bool enabled) {
    timerEnabled_ = enabled;
    view_.SetTimerEnabled(enabled);
}

bool BurnWorkflow::ProcessMessages() {
    view_.ProcessMessages();
    return !closed_;
}

void BurnWorkflow::CloseWindow() {
    FormClose();
    view_.Close();
}

}  // namespace kq
