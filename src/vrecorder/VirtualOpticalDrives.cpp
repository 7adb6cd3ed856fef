#include "vrecorder/VirtualOpticalDrives.h"

#include "platform/Timing.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vrec {

namespace {

using platform::PassFailure;
using platform::PassThroughOutcome;
using platform::PassThroughRequest;

DataDirection ToRecorder(platform::PassDirection d) {
    switch (d) {
        case platform::PassDirection::In: return DataDirection::In;
        case platform::PassDirection::Out: return DataDirection::Out;
        default: return DataDirection::None;
    }
}

PassFailure DeliveryFailure(Delivery d) {
    switch (d) {
        case Delivery::Normal: case Delivery::Late: return PassFailure::None;
        case Delivery::Never: return PassFailure::TimedOut;  // not waited out
        case Delivery::Vanished: return PassFailure::NoDevice;
        default: return PassFailure::TransportError;
    }
}

PassThroughOutcome Carry(VirtualRecorder& recorder, const PassThroughRequest& rq) {
    // A command without a direction moves no data, as under the ASPI layer.
    const DataDirection direction = ToRecorder(rq.direction);
    CommandResult r = recorder.Execute(rq.cdb.data(), rq.cdb.size(), direction, rq.data.data(),
                                       direction == DataDirection::None ? 0 : rq.data.size());
    if (r.delivery == Delivery::Late) platform::SleepMs(r.delayMs);
    PassThroughOutcome out;
    out.failure = DeliveryFailure(r.delivery);
    if (out.failure != PassFailure::None) return out;
    out.scsiStatus = r.status;
    out.transferred = std::min(r.transferred, rq.data.size());
    if (r.status == kTargetStatusCheckCondition) {
        out.senseLength = std::min(rq.sense.size(), r.sense.size());
        std::memcpy(rq.sense.data(), r.sense.data(), out.senseLength);
    }
    if (r.status == kTargetStatusGood && rq.direction == platform::PassDirection::Out &&
        out.transferred < rq.data.size())
        out.failure = PassFailure::ShortWrite;
    return out;
}

constexpr uint8_t kWrite10 = 0x2A;

bool Gone(const VirtualDriveSlot& slot) {
    return slot.failAfterWrites >= 0 && slot.writes.load() >= slot.failAfterWrites;
}

// A drive taken off the bus leaves no node to open.
bool NodeGone(const VirtualDriveSlot& slot) {
    return Gone(slot) && (slot.failErrno == ENODEV || slot.failErrno == ENXIO);
}

class VirtualDrive : public platform::OpticalDrive {
public:
    VirtualDrive(VirtualDriveSlot& slot, const std::atomic<uint32_t>& callMs) : slot_(slot), callMs_(callMs) {
        ++slot_.opens;
        ++slot_.openHandles;
    }
    ~VirtualDrive() override { --slot_.openHandles; }

    std::optional<platform::ScsiAddress> Address() override { return slot_.address; }

    PassThroughOutcome PassThrough(const PassThroughRequest& rq) override {
        ++slot_.calls;
        const int now = ++slot_.active;
        int most = slot_.mostActive.load();
        while (now > most && !slot_.mostActive.compare_exchange_weak(most, now)) {}
        PassThroughOutcome out = Answer(rq);
        if (uint32_t ms = callMs_.load()) platform::SleepMs(ms);
        --slot_.active;
        return out;
    }

private:
    PassThroughOutcome Answer(const PassThroughRequest& rq) {
        PassThroughOutcome out;
        const uint8_t opcode = rq.cdb.empty() ? 0 : rq.cdb[0];
        if (std::ranges::find(slot_.filtered, opcode) != slot_.filtered.end()) {
            out.failure = PassFailure::Filtered;
            out.systemError = EPERM;
            return out;
        }
        if (opcode == kWrite10 && TakeTransient()) {
            out.failure = PassFailure::Transient;
            return out;
        }
        if (slot_.callsFail || !slot_.recorder || Gone(slot_)) {
            ++slot_.failedCalls;
            return platform::FailedCallOutcome(slot_.recorder ? slot_.failErrno : EIO);
        }
        PassThroughOutcome carried = Carry(*slot_.recorder, rq);
        if (opcode == kWrite10 && carried.failure == PassFailure::None) ++slot_.writes;
        return carried;
    }

    bool TakeTransient() {
        int left = slot_.transientWrites.load();
        while (left > 0 && !slot_.transientWrites.compare_exchange_weak(left, left - 1)) {}
        return left > 0;
    }

    VirtualDriveSlot& slot_;
    const std::atomic<uint32_t>& callMs_;
};

}  // namespace

VirtualDriveSlot& VirtualOpticalDrives::NewSlot() {
    std::lock_guard guard(lock_);
    auto slot = std::make_unique<VirtualDriveSlot>();
    slot->node = "/dev/vsr" + std::to_string(slots_.size());
    slots_.push_back(std::move(slot));
    return *slots_.back();
}

VirtualDriveSlot& VirtualOpticalDrives::Add(std::shared_ptr<VirtualRecorder> recorder) {
    VirtualDriveSlot& slot = NewSlot();
    const RecorderConfig& c = recorder->Config();
    platform::ScsiAddress address;
    address.host = c.adapter;
    address.target = c.target;
    address.lun = c.lun;
    slot.address = address;
    slot.recorder = std::move(recorder);
    return slot;
}

VirtualDriveSlot& VirtualOpticalDrives::AddUnopenable(std::error_code why) {
    VirtualDriveSlot& slot = NewSlot();
    slot.openError = why;
    return slot;
}

std::vector<std::string> VirtualOpticalDrives::Enumerate() {
    std::lock_guard guard(lock_);
    std::vector<std::string> nodes;
    for (const auto& s : slots_) nodes.push_back(s->node);
    return nodes;
}

std::unique_ptr<platform::OpticalDrive> VirtualOpticalDrives::Open(const std::string& node,
                                                                   std::error_code& why) {
    std::lock_guard guard(lock_);
    for (const auto& s : slots_) {
        if (s->node != node) continue;
        if (s->openError || NodeGone(*s)) {
            why = s->openError ? s->openError : std::make_error_code(std::errc::no_such_device_or_address);
            return nullptr;
        }
        why.clear();
        return std::make_unique<VirtualDrive>(*s, callMs_);
    }
    why = std::make_error_code(std::errc::no_such_file_or_directory);
    return nullptr;
}

}  // namespace vrec
