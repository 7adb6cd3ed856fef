#include "cli/DriveFacts.h"

#include "burner/ThWrite.h"
#include "burner/kqCDBC.h"
#include "cli/SessionSectors.h"

#include <array>

namespace kq::cli {

namespace {

constexpr int kCdR = 2, kCdRw = 3, kDvdRam = 6, kDvdRwOverwrite = 8, kDvdRwSequential = 9, kDvdPlusRw = 10;
constexpr const char* kBlankHint = "--blank fast makes it usable again";

// Media the drive can write, by its capabilities, with their names.
struct WritableMedium {
    TDeviceCapability ability;
    const char* name;
};
constexpr std::array<WritableMedium, 7> kWritable{{
    {TDeviceCapability::CanWriteCDR, "CD-R"},
    {TDeviceCapability::CanWriteCDRW, "CD-RW"},
    {TDeviceCapability::CanWriteDVDR, "DVD-R"},
    {TDeviceCapability::CanWriteDVDRW, "DVD-RW"},
    {TDeviceCapability::CanWriteDVDRAM, "DVD-RAM"},
    {TDeviceCapability::CanWriteDVDPlusR, "DVD+R"},
    {TDeviceCapability::CanWriteDVDPlusRW, "DVD+RW"},
}};

bool DriveWrites(const DriveFacts& facts, int mediaType) {
    std::string name = MediumName(mediaType);
    for (const std::string& writable : facts.writes)
        if (writable == name) return true;
    return false;
}

bool Rewritable(int mediaType) { return mediaType == kCdRw || mediaType == kDvdRwSequential; }

bool Overwritable(int mediaType) {
    return mediaType == kDvdRam || mediaType == kDvdRwOverwrite || mediaType == kDvdPlusRw;
}

// Last session state 01b: tracks written, the session never closed.
void ReadIncompleteSession(TQCDBurner& burner, DriveFacts& facts, uint8_t lastSession) {
    if (facts.status != DiscStatus::Appendable || lastSession != 1) return;
    facts.status = DiscStatus::Incomplete;
    facts.incompleteSectors = LastSessionSectors(burner).value_or(0);
}

// 1863 as "1,863".
std::string Grouped(uint32_t n) {
    std::string digits = std::to_string(n);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

void ReadDiscStatus(TQCDBurner& burner, DriveFacts& facts) {
    if (!burner.RefreshDiscInformation()) return;
    switch (burner.DiscInformationBlock()[2] & 0x03) {
        case 0: facts.status = DiscStatus::Blank; break;
        case 1: facts.status = DiscStatus::Appendable; break;
        case 2: facts.status = DiscStatus::Closed; break;
        default: break;  // 3: random-access medium, no sessions to speak of
    }
    uint8_t lastSession = burner.DiscInformationBlock()[2] >> 2 & 0x03;  // before the count rewrites it
    facts.sessions = burner.RecordedSessionCount();
    ReadIncompleteSession(burner, facts, lastSession);
}

}  // namespace

std::string MediumName(int mediaType) {
    return mediaType >= 0 && mediaType < static_cast<int>(MediaNames.size()) ? MediaNames[mediaType] : "UNKNOWN";
}

DriveFacts ExamineDrive(TQCDBurner& burner, const std::string& entry) {
    DriveFacts facts;
    facts.entry = entry;
    burner.SelectDevice(entry);
    facts.selected = burner.HaId != NoAddress;
    if (!facts.selected) return facts;
    facts.description = burner.DeviceDescription();
    for (const WritableMedium& medium : kWritable)
        if (burner.Capabilities().Contains(medium.ability)) facts.writes.push_back(medium.name);
    facts.canWriteCDR = burner.Capabilities().Contains(TDeviceCapability::CanWriteCDR);
    std::unique_lock commands = burner.LockCommands();  // the text belongs to this command
    facts.ready = burner.TestUnitReady(5000);
    if (!facts.ready) facts.notReadyReason = burner.LastErrorText();
    commands.unlock();
    facts.mediaType = burner.GetMediaType();
    if (facts.mediaType != 0) ReadDiscStatus(burner, facts);
    return facts;
}

std::string UnusableMediumReason(const DriveFacts& facts, bool anyMedium) {
    if (!facts.selected) return "it does not answer as a CD or DVD drive";
    if (!facts.ready) return "not ready" + (facts.notReadyReason.empty() ? "" : " [" + facts.notReadyReason + "]");
    if (facts.mediaType == 0) return "no disc, or a disc it does not know";
    std::string name = MediumName(facts.mediaType);
    if (!anyMedium && facts.mediaType != kCdR)
        return "it holds a " + name + ", not a CD-R (--any-medium takes other writable media)";
    if (!DriveWrites(facts, facts.mediaType)) return "it cannot write the " + name + " it holds";
    if (facts.status == DiscStatus::Closed && !Overwritable(facts.mediaType))
        return "the " + name + " is closed: " +
               (Rewritable(facts.mediaType) ? kBlankHint : "nothing more can be written on it");
    if (facts.status == DiscStatus::Incomplete && !Overwritable(facts.mediaType))
        return "the " + name + " holds an " + DiscStatusText(facts) +
               " (another program may be writing it now): " +
               (Rewritable(facts.mediaType) ? kBlankHint : "a write-once disc takes one image, from its start");
    if (facts.status == DiscStatus::Appendable && !Overwritable(facts.mediaType))
        return "the " + name + " already holds " + DiscStatusText(facts).substr(12) + ": " +
               (Rewritable(facts.mediaType) ? kBlankHint : "a write-once disc takes one image, from its start");
    return {};
}

std::string DiscStatusText(const DriveFacts& facts) {
    if (Overwritable(facts.mediaType)) return "overwritable";  // written from sector 0 whatever it holds
    switch (facts.status) {
        case DiscStatus::Blank: return "blank";
        case DiscStatus::Closed: return "closed";
        case DiscStatus::Appendable: {
            int n = facts.sessions;
            return "appendable, " + std::to_string(n) + (n == 1 ? " session" : " sessions");
        }
        case DiscStatus::Incomplete:
            return "incomplete session, " + Grouped(facts.incompleteSectors) +
                   (facts.incompleteSectors == 1 ? " sector written" : " sectors written");
        default: return "state unknown";
    }
}

}  // namespace kq::cli
