#include "cli/DriveFacts.h"

#include "burner/kqCDBC.h"
#include "cli/SessionSectors.h"
#include "drive/SenseFields.h"
#include "drive/WritableMedia.h"

#include <array>

namespace kq::cli {

namespace {

constexpr const char* kBlankHint = "--blank fast makes it usable again";

bool DriveWrites(const DriveFacts& facts, int mediaType) {
    std::string name = MediaName(mediaType);
    for (const std::string& writable : facts.writes)
        if (writable == name) return true;
    return false;
}

bool Rewritable(int mediaType) { return RecordingOf(mediaType) == MediaRecording::Blankable; }

bool Overwritable(int mediaType) { return RecordingOf(mediaType) == MediaRecording::Overwritable; }

// 1863 as "1,863".
std::string Grouped(uint32_t n) {
    std::string digits = std::to_string(n);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

void ReadDiscStatus(TQCDBurner& burner, DriveFacts& facts) {
    facts.status = DiscStateNow(burner);
    if (!facts.status) return;
    facts.sessions = burner.RecordedSessionCount();
    if (facts.status == DiscState::Incomplete) facts.incompleteSectors = LastSessionSectors(burner).value_or(0);
}

}  // namespace

DriveFacts ExamineDrive(TQCDBurner& burner, const std::string& entry) {
    DriveFacts facts;
    facts.entry = entry;
    burner.SelectDevice(entry);
    facts.selected = burner.HaId != NoAddress;
    if (!facts.selected) return facts;
    facts.description = burner.DeviceDescription();
    for (uint16_t medium : MediaWrittenBy(burner.Capabilities())) facts.writes.push_back(MediaName(medium));
    facts.canWriteCDR = burner.Capabilities().Contains(TDeviceCapability::CanWriteCDR);
    std::unique_lock commands = burner.LockCommands();  // the text belongs to this command
    facts.ready = burner.TestUnitReady(5000);
    if (!facts.ready) facts.notReadyReason = burner.LastErrorText();
    facts.noDisc = !facts.ready && burner.SenseAsc() == kAscMediumNotPresent;
    commands.unlock();
    facts.mediaType = burner.GetMediaType();
    if (facts.ready && facts.mediaType == 0) facts.noDisc = true;  // ready, yet no current profile
    if (facts.mediaType != 0) ReadDiscStatus(burner, facts);
    return facts;
}

std::string UnusableMediumReason(const DriveFacts& facts, bool anyMedium, bool append) {
    if (!facts.selected) return "it does not answer as a CD or DVD drive";
    if (!facts.ready) return "not ready" + (facts.notReadyReason.empty() ? "" : " [" + facts.notReadyReason + "]");
    if (facts.mediaType == 0) return "no disc, or a disc it does not know";
    std::string name = MediaName(facts.mediaType);
    if (!anyMedium && facts.mediaType != media::CdR)
        return "it holds a " + name + ", not a CD-R (--any-medium takes other writable media)";
    if (const char* mode = TraitsOf(facts.mediaType).refusal) return "the " + name + " is not written: " + mode;
    if (!DriveWrites(facts, facts.mediaType)) return "it cannot write the " + name + " it holds";
    if (facts.status == DiscState::Closed && !Overwritable(facts.mediaType))
        return "the " + name + " is closed: " +
               (Rewritable(facts.mediaType) ? kBlankHint : "nothing more can be written on it");
    if (facts.status == DiscState::Incomplete && !Overwritable(facts.mediaType))
        return "the " + name + " holds an " + DiscStatusText(facts) +
               " (another program may be writing it now, or an earlier burn was cut off): " +
               (Rewritable(facts.mediaType) ? kBlankHint : "a write-once disc takes one image, from its start");
    if (facts.status == DiscState::Appendable && !Overwritable(facts.mediaType) && !append)
        return "the " + name + " already holds " + DiscStatusText(facts).substr(12) +
               ": --append with --folder or --add adds a session that keeps its files" +
               (Rewritable(facts.mediaType) ? std::string(", or ") + kBlankHint : std::string());
    return {};
}

std::string DiscStatusText(const DriveFacts& facts) {
    if (Overwritable(facts.mediaType)) return "overwritable";  // written from sector 0 whatever it holds
    if (facts.mediaType == media::BdRRandom) return "random recording";  // no sessions to close
    if (!facts.status) return "state unknown";
    switch (*facts.status) {
        case DiscState::Blank: return "blank";
        case DiscState::Closed: return "closed";
        case DiscState::Appendable: {
            int n = facts.sessions;
            return "appendable, " + std::to_string(n) + (n == 1 ? " session" : " sessions");
        }
        case DiscState::Incomplete:
            return "incomplete session, " + Grouped(facts.incompleteSectors) +
                   (facts.incompleteSectors == 1 ? " sector written" : " sectors written");
        case DiscState::Overwritable: break;  // random access, on a medium not named so
    }
    return "state unknown";
}

}  // namespace kq::cli
