// The pass-through layer's drive table: the scan that builds it, the
// address look-ups, and its end.
#include "transport/PassThrough.h"
#include "transport/SPTITable.h"

#include <algorithm>
#include <atomic>

namespace kq {

namespace {

constexpr uint8_t kFirstLetter = 2;  // C
constexpr uint8_t kLetterCount = 26;
// The system's host numbers go far above a byte; 254 would read as "no
// drive selected". Such a drive is treated as one without an address.
constexpr uint32_t kHighestHost = 253;

SPTIDriveTable table;  // index 0 = A
std::atomic<uint8_t> adapterCount{0};
std::atomic<bool> initialized{false};
uint8_t nextTarget = 0;
std::mutex unopenableLock;
std::vector<platform::UnopenableDrive> unopenable;
alignas(4) std::array<uint8_t, 1025> inquiryBuffer{};

void ClearTable() {
    for (TSPTIDrive& e : table) {
        e.Handle.reset();
        e.HaId = e.Target = e.Lun = e.DriveIndex = 0;
        e.Present = false;
        e.InquiryData.fill(0);
        e.Node.clear();
        e.Claimed = false;
    }
    std::lock_guard guard(unopenableLock);
    unopenable.clear();
}

// Sends the scan's INQUIRY; its outcome, failed when the call brought no answer.
platform::PassThroughOutcome ProbeInquiry(platform::OpticalDrive& drive) {
    inquiryBuffer.fill(0);
    const std::array<uint8_t, 6> cdb{0x12, 0, 0, 0, 96, 0};
    std::array<uint8_t, 24> sense{};
    platform::PassThroughRequest rq{cdb, platform::PassDirection::In, std::span(inquiryBuffer).first(96),
                                    kPassThroughTimeoutSeconds, sense};
    // The SCSI status is not looked at: whatever arrived is kept.
    return drive.PassThrough(rq);
}

void NoteUnusable(platform::UnopenableDrive drive) {
    std::lock_guard guard(unopenableLock);
    unopenable.push_back(std::move(drive));
}

void Probe(TSPTIDrive& e) {
    std::error_code why;
    std::unique_ptr<platform::OpticalDrive> drive = platform::CurrentOpticalDrives().Open(e.Node, why);
    if (!drive) {
        NoteUnusable({e.Node, why, {}, {}});
        return;
    }
    // A drive behind a failing adapter is there all the same: the user is
    // told why it cannot be used rather than not seeing it at all.
    if (const platform::PassThroughOutcome out = ProbeInquiry(*drive); out.failure != platform::PassFailure::None) {
        NoteUnusable({e.Node, {}, "did not answer INQUIRY", platform::PassFailureText(out)});
        return;
    }
    std::copy_n(inquiryBuffer.begin(), e.InquiryData.size(), e.InquiryData.begin());
    e.Present = true;
    auto address = drive->Address();
    if (address && address->host <= kHighestHost) {
        e.HaId = static_cast<uint8_t>(address->host);
        e.Target = address->target;
        e.Lun = address->lun;
    } else {
        e.HaId = 0;
        e.Target = nextTarget++;
        e.Lun = kAddressUnknown;
    }
}

uint8_t CountAdapters() {
    unsigned highest = 0;
    for (const TSPTIDrive& e : table)
        if (e.Present) highest = std::max<unsigned>(highest, e.HaId);
    return static_cast<uint8_t>(highest + 1);
}

// The adapter shared by drives without an address: the one after the real
// ones, unless that would be 254 ("no drive selected"); then the lowest
// number no real drive has.
uint8_t ExtraAdapter(uint8_t count) {
    if (count <= kHighestHost) return count;
    std::array<bool, 256> taken{};
    for (const TSPTIDrive& e : table)
        if (e.Present && e.Lun != kAddressUnknown) taken[e.HaId] = true;
    uint8_t free = 0;
    while (taken[free]) ++free;  // 24 letters at most: one below 254 is free
    return free;
}

}  // namespace

uint8_t SPTIInit() {
    if (initialized.load()) return 0;
    nextTarget = 0;
    ClearTable();
    // Each drive at its own letter: a recorder at E: is E:, whatever
    // comes before it.
    const std::vector<std::string> nodes = platform::CurrentOpticalDrives().Enumerate();
    for (size_t i = 0; i < nodes.size(); ++i) {
        const uint8_t letter = platform::DriveIndexOfNode(nodes[i], i);
        if (letter >= kFirstLetter && letter < kLetterCount && table[letter].Node.empty())
            table[letter].Node = nodes[i];
    }
    uint8_t found = 0;
    for (uint8_t letter = kFirstLetter; letter < kLetterCount; ++letter) {
        TSPTIDrive& e = table[letter];
        e.DriveIndex = letter;
        if (e.Node.empty()) {
            e.Target = kNotAnOpticalDrive;
            continue;
        }
        Probe(e);
        if (e.Present) ++found;
    }
    adapterCount.store(CountAdapters());
    // Drives without an address share one extra adapter after the real ones.
    if (nextTarget > 0) {
        const uint8_t extra = ExtraAdapter(adapterCount.load());
        for (TSPTIDrive& e : table) {
            if (!e.Present || e.Lun != kAddressUnknown) continue;
            e.Lun = 0;
            e.HaId = extra;
        }
        adapterCount.store(CountAdapters());
    }
    initialized.store(true);
    return found;
}

bool SPTIDone() {
    if (!initialized.load()) return false;
    ClearTable();
    adapterCount.store(0);
    initialized.store(false);
    return true;
}

bool SPTIInitialized() { return initialized.load(); }
uint8_t SPTIAdapterCount() { return adapterCount.load(); }
const SPTIDriveTable& SPTIDrives() { return table; }
SPTIDriveTable& spti::Table() { return table; }

std::vector<platform::UnopenableDrive> SPTIUnopenableDrives() {
    std::lock_guard guard(unopenableLock);
    return unopenable;
}

uint8_t SPTIDriveLetter(uint8_t HaId, uint8_t Target, uint8_t Lun) {
    for (uint8_t i = kFirstLetter; i < kLetterCount; ++i) {
        const TSPTIDrive& e = table[i];
        if (e.HaId == HaId && e.Target == Target && e.Lun == Lun) return static_cast<uint8_t>('A' + e.DriveIndex);
    }
    return kNoSPTIDriveLetter;
}

uint8_t SPTIFindDrive(uint8_t HaId, uint8_t Target, uint8_t Lun) {
    for (uint8_t i = kFirstLetter; i < kLetterCount; ++i) {
        const TSPTIDrive& e = table[i];
        if (e.Present && e.HaId == HaId && e.Target == Target && e.Lun == Lun) return i;
    }
    return 0;
}

std::unique_ptr<platform::OpticalDrive> SPTIOpenDrive(uint8_t DriveIndex) {
    if (DriveIndex >= kLetterCount || table[DriveIndex].Node.empty()) return nullptr;
    std::error_code why;
    return platform::CurrentOpticalDrives().Open(table[DriveIndex].Node, why);
}

namespace {
// At program end the layer lets go of its drives.
struct Finalization {
    ~Finalization() { SPTIDone(); }
} finalization;
}  // namespace

}  // namespace kq
