#include "vrecorder/VirtualRecorder.h"

#include "platform/Timing.h"

#include <algorithm>
#include <cstdio>

namespace vrec {

namespace {
constexpr uint8_t kReadTrackInformation = 0x52;
}  // namespace

VirtualRecorder::VirtualRecorder(RecorderConfig config)
    : config_(std::move(config)),
      store_(config_.backing),
      buffer_(config_.bufferSize, config_.writeSpeedKBps * 1000),
      readSpeed_(config_.currentReadSpeed.value_or(config_.maxReadSpeed)),
      writeSpeed_(config_.currentWriteSpeed.value_or(config_.maxWriteSpeed)),
      faults_(config_.faults) {
    InitialiseDisc();
}

VirtualRecorder::~VirtualRecorder() {
    std::lock_guard guard(lock_);
    SaveState();
}

// The disc of the last run when its state file fits the configured
// medium; otherwise the medium as configured. Loading writes nothing: the
// files change only when the disc does.
void VirtualRecorder::InitialiseDisc() {
    if (config_.medium == MediumKind::None) return;
    mediumPresent_ = true;
    disc_ = ConfiguredDisc();
    AdoptSavedDisc();
}

Disc VirtualRecorder::ConfiguredDisc() const {
    uint32_t capacity = config_.CapacityOrDefault();
    const MediumInfo& info = InfoOf(config_.medium);
    bool pressed = !info.recordable;
    // A random-writable disc that is not blank is formatted: all of it is
    // there to read and write, whatever `recorded` says.
    if (info.recordable && !info.sequential && config_.state != DiscState::Blank)
        return Disc::Formatted(config_.medium, capacity);
    if (pressed || config_.state != DiscState::Blank) {
        uint32_t blocks = config_.recorded ? config_.recorded : (pressed ? capacity : 1);
        return Disc::Recorded(config_.medium, capacity, blocks, pressed || config_.state == DiscState::Closed);
    }
    return Disc::Blank(config_.medium, capacity);
}

// A state file that does not parse is reported and left alone, and the
// disc reads as one the drive cannot make sense of: repairing it by force
// would destroy what the user burnt.
void VirtualRecorder::AdoptSavedDisc() {
    SavedState saved = store_.LoadState();
    if (saved.Damaged()) {
        std::fprintf(stderr, "virtual recorder: %s; the disc is unreadable until that is mended\n",
                     saved.damage.c_str());
        unreadable_ = true;
        disc_ = Disc();
        return;
    }
    if (saved.disc && saved.disc->Kind() == config_.medium && saved.disc->Capacity() == config_.CapacityOrDefault())
        disc_ = *saved.disc;
    store_.SetBaseline(disc_);  // a state that does not fit stays until this disc changes
}

// The first command that changes the disc takes the claim, and the disc is
// read again: another process may have burnt it since it was loaded here.
bool VirtualRecorder::ClaimDisc() {
    if (store_.Claimed()) return true;
    if (!store_.Claim()) return false;
    if (!unreadable_) AdoptSavedDisc();
    return true;
}

// A blank disc's backing file keeps nothing of an earlier disc; it is
// emptied when the disc gets its first track, never before.
Track& VirtualRecorder::BeginTrack(uint32_t reservedBlocks) {
    if (disc_.Blank()) store_.Truncate(0);
    Track& track = disc_.BeginTrack(reservedBlocks);
    track.mode = NewTrackMode();
    // A CD recorder ends a Track-At-Once track with two run-out blocks.
    if (disc_.Info().cd && PageApplies() && page_.Type() == kTrackAtOnce) track.runOut = 2;
    return track;
}

void VirtualRecorder::SaveState() {
    if (disc_.Kind() != MediumKind::None) store_.SaveState(disc_);
}

uint64_t VirtualRecorder::Now() const { return platform::NowMs(); }

CommandResult VirtualRecorder::Execute(const uint8_t* cdb, size_t cdbLength, DataDirection direction,
                                       uint8_t* buffer, size_t bufferLength) {
    Request rq;
    rq.cdbLength = cdb && cdbLength <= rq.cdb.size() ? cdbLength : 0;  // 0: refused as a phase error
    if (cdb) std::copy_n(cdb, rq.cdbLength, rq.cdb.begin());
    rq.direction = direction;
    if (buffer) rq.data = std::span<uint8_t>(buffer, bufferLength);

    std::lock_guard guard(lock_);
    CommandResult result = Dispatch(rq);
    LogEntry entry{{rq.cdb.begin(), rq.cdb.begin() + rq.cdbLength}, result.status, {}, result.transferred,
                   result.delivery};
    if (result.status == kTargetStatusCheckCondition) entry.code = result.Code();
    log_.Add(std::move(entry));
    return result;
}

CommandResult VirtualRecorder::Dispatch(Request& rq) {
    CommandResult transport;
    if (rq.cdbLength == 0 || (rq.cdbLength != 6 && rq.cdbLength != 10 && rq.cdbLength != 12 &&
                              rq.cdbLength != 16)) {
        transport.delivery = Delivery::PhaseError;
        return transport;
    }
    if (vanished_) {
        transport.delivery = Delivery::Vanished;
        return transport;
    }
    std::optional<CommandResult> late;
    const FaultRule* corrupt = nullptr;
    if (auto fault = ApplyFault(rq, corrupt)) {
        if (fault->delivery != Delivery::Late) return *fault;
        late = fault;
    }
    const CommandSpec* spec = FindCommand(rq.Op());
    if (rq.Op() == kReadTrackInformation && !config_.trackInformation) spec = nullptr;
    CommandResult result;
    if (auto refused = Gatekeep(rq, spec)) result = *refused;
    else result = (this->*spec->handler)(rq);
    if (corrupt) Corrupt(*corrupt, rq, result);
    if (late && result.delivery == Delivery::Normal) {
        result.delivery = Delivery::Late;
        result.delayMs = late->delayMs;
    }
    return result;
}

// A fault rule that fires decides the answer (or only its timing, for a
// late completion; or takes the medium out and lets the command find it gone).
std::optional<CommandResult> VirtualRecorder::ApplyFault(Request& rq, const FaultRule*& corrupt) {
    const FaultRule* rule = MatchFault(faults_, std::span(rq.cdb).first(rq.cdbLength));
    if (!rule) return std::nullopt;
    CommandResult r;
    switch (rule->action) {
    case FaultAction::CheckCondition: return Check(rule->code);
    case FaultAction::Busy: return vrec::Busy();
    case FaultAction::Never: r.delivery = Delivery::Never; return r;
    case FaultAction::Vanish: vanished_ = true; r.delivery = Delivery::Vanished; return r;
    case FaultAction::Late: r.delivery = Delivery::Late; r.delayMs = rule->delayMs; return r;
    case FaultAction::RemoveMedium: RemoveMedium(); return std::nullopt;
    case FaultAction::Corrupt: corrupt = rule; return std::nullopt;
    }
    return std::nullopt;
}

// A weak sector that the drive's error correction misreads: the data
// arrives with GOOD status, one byte in every block of the rule's range
// turned over.
void VirtualRecorder::Corrupt(const FaultRule& rule, Request& rq, const CommandResult& result) {
    const auto cdb = std::span<const uint8_t>(rq.cdb).first(rq.cdbLength);
    const auto lba = AddressedLba(cdb);
    if (!lba || !result.Good() || rq.direction != DataDirection::In) return;
    const uint32_t blocks = static_cast<uint32_t>(result.transferred / kBlockSize);
    for (uint32_t i = 0; i < blocks; ++i) {
        const uint64_t at = uint64_t{*lba} + i;
        if ((rule.minLba && at < *rule.minLba) || (rule.maxLba && at > *rule.maxLba)) continue;
        rq.data[size_t{i} * kBlockSize + 100] ^= 0xFF;
    }
}

// What every command meets before it runs: its length, a pending unit
// attention, its opcode, the medium, a long write in progress, and for
// commands that change the disc, another process holding it.
std::optional<CommandResult> VirtualRecorder::Gatekeep(const Request& rq, const CommandSpec* spec) {
    static constexpr size_t kGroupLength[8] = {6, 10, 10, 0, 16, 12, 0, 0};
    uint8_t op = rq.Op();
    if (unitAttention_ && !(spec && spec->Has(kAttention))) {
        unitAttention_ = false;
        return Check(sense::MediumChanged);
    }
    if (!spec) return Check(sense::InvalidOpcode);
    if (rq.cdbLength < kGroupLength[op >> 5]) {
        CommandResult r;
        r.delivery = Delivery::PhaseError;
        return r;
    }
    // Link and NACA in the control byte are not supported.
    if (rq.cdb[kGroupLength[op >> 5] - 1] & 0x05) return Check(sense::InvalidFieldInCdb);
    if (spec->Has(kMedium) && !mediumPresent_) return Check(sense::MediumNotPresent);
    if (spec->Has(kChanges) && !ClaimDisc()) return ReservationConflict();
    // Until it holds the disc, this process answers from the disc as last
    // saved, by whichever process saved it.
    if (mediumPresent_ && !unreadable_ && !store_.Claimed() && store_.StateChanged()) AdoptSavedDisc();
    if (spec->Has(kMedium) && unreadable_) return Check(sense::CannotReadMedium);
    if (!spec->Has(kBusy) && Busy()) return Check(busySense_);
    return std::nullopt;
}

CommandResult VirtualRecorder::SendIn(Request& rq, std::span<const uint8_t> reply, size_t allocation) {
    CommandResult r;
    size_t n = std::min(reply.size(), allocation);
    if (n == 0) return r;
    if (rq.direction != DataDirection::In) {
        r.delivery = Delivery::PhaseError;
        return r;
    }
    r.transferred = std::min(n, rq.data.size());
    std::copy_n(reply.begin(), r.transferred, rq.data.begin());
    if (n > rq.data.size()) r.delivery = Delivery::DataOverrun;
    return r;
}

std::optional<CommandResult> VirtualRecorder::TakeOut(const Request& rq, size_t length) {
    if (length == 0) return std::nullopt;
    CommandResult r;
    if (rq.direction != DataDirection::Out) r.delivery = Delivery::PhaseError;
    else if (rq.data.size() < length) r.delivery = Delivery::DataOverrun;
    else return std::nullopt;
    return r;
}

bool VirtualRecorder::Busy() const { return Now() < busyUntilMs_; }

void VirtualRecorder::BeginLongOperation(uint32_t ms, Sense busy) {
    busySense_ = busy;
    busyFromMs_ = Now();
    busyUntilMs_ = std::max(busyUntilMs_, busyFromMs_ + ms);
}

void VirtualRecorder::RemoveMedium() {
    SaveState();
    mediumPresent_ = false;
    mediaEvent_ = 3;  // media removal
    buffer_.Empty();
    buffer_.StopStreaming();
    simulatedNext_.reset();
    cueSheet_ = false;
}

void VirtualRecorder::LoadMedium() {
    if (mediumPresent_ || disc_.Kind() == MediumKind::None) return;
    mediumPresent_ = true;
    mediaEvent_ = 2;  // new media
    if (config_.unitAttentionOnChange) unitAttention_ = true;
}

bool VirtualRecorder::CanWriteMedium() const {
    return mediumPresent_ && disc_.Info().recordable && config_.Writes(disc_.Kind());
}

MediumKind VirtualRecorder::WritableKind() const {
    return CanWriteMedium() ? disc_.Kind() : MediumKind::None;
}

Disc VirtualRecorder::DiscState() const {
    std::lock_guard guard(lock_);
    return disc_;
}

bool VirtualRecorder::MediumPresent() const {
    std::lock_guard guard(lock_);
    return mediumPresent_;
}

bool VirtualRecorder::Vanished() const {
    std::lock_guard guard(lock_);
    return vanished_;
}

std::optional<uint32_t> VirtualRecorder::StreamEnd() const {
    std::lock_guard guard(lock_);
    return streamEnd_;
}

std::vector<LogEntry> VirtualRecorder::Log() const {
    std::lock_guard guard(lock_);
    return {log_.Entries().begin(), log_.Entries().end()};
}

void VirtualRecorder::ClearLog() {
    std::lock_guard guard(lock_);
    log_.Clear();
}

std::vector<uint8_t> VirtualRecorder::RecordedBytes(uint32_t lba, uint32_t blocks) {
    std::lock_guard guard(lock_);
    std::vector<uint8_t> bytes(size_t{blocks} * kBlockSize);
    if (!store_.Read(lba, bytes)) bytes.clear();
    return bytes;
}

}  // namespace vrec
