// Execute and abort requests, and the completion of pending ones.
#include "platform/Event.h"
#include "vrecorder/VirtualAspi.h"

#include <algorithm>
#include <cstring>

namespace vrec {

using namespace kq;

uint32_t VirtualAspi::Execute(SRB_ExecSCSICmd& srb) {
    if (srb.SRB_HaId >= adapterCount_) {
        return Answer(srb.SRB_Status, SS_INVALID_HA);
    }
    auto recorder = RecorderAt(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (!recorder) {
        return Answer(srb.SRB_Status, SS_NO_DEVICE);
    }
    bool in = srb.SRB_Flags & SRB_DIR_IN, out = srb.SRB_Flags & SRB_DIR_OUT;
    bool noBuffer = srb.SRB_BufLen > 0 && srb.SRB_BufPointer == nullptr;
    if ((in && out) || srb.SRB_CDBLen == 0 || srb.SRB_CDBLen > sizeof srb.CDBByte || noBuffer) {
        return Answer(srb.SRB_Status, SS_INVALID_SRB);
    }
    DataDirection direction = in ? DataDirection::In : out ? DataDirection::Out : DataDirection::None;
    StoreSrbStatus(srb.SRB_Status, SS_PENDING);
    CommandResult result = recorder->Execute(srb.CDBByte, srb.SRB_CDBLen, direction, srb.SRB_BufPointer,
                                             direction == DataDirection::None ? 0 : srb.SRB_BufLen);
    if (result.delivery == Delivery::Never || never_.load()) return Defer(srb, result, 0, true);
    uint32_t delay = result.delivery == Delivery::Late ? result.delayMs : lateMs_.load();
    if (delay > 0) return Defer(srb, result, delay, false);
    return Complete(srb, result);
}

uint32_t VirtualAspi::Defer(SRB_ExecSCSICmd& srb, const CommandResult& result, uint32_t delayMs, bool never) {
    {
        std::lock_guard guard(lock_);
        auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs);
        pending_.push_back({&srb, result, due, never});
    }
    wake_.notify_all();
    return SS_PENDING;
}

// Status and sense of a finished command into the block. A vanished drive
// reads as a selection time-out, as an adapter reports a target that no
// longer answers.
uint8_t VirtualAspi::Complete(SRB_ExecSCSICmd& srb, const CommandResult& result) {
    srb.SRB_HaStat = HASTAT_OK;
    srb.SRB_TargStat = result.status;
    switch (result.delivery) {
    case Delivery::Vanished: srb.SRB_HaStat = HASTAT_SEL_TO; srb.SRB_TargStat = 0; break;
    case Delivery::PhaseError: srb.SRB_HaStat = HASTAT_PHASE_ERR; srb.SRB_TargStat = 0; break;
    case Delivery::DataOverrun: srb.SRB_HaStat = HASTAT_DO_DU; break;
    default: break;
    }
    if (result.status == kTargetStatusCheckCondition) {
        size_t n = std::min<size_t>({srb.SRB_SenseLen, SENSE_LEN, result.sense.size()});
        std::memcpy(srb.SenseArea, result.sense.data(), n);
    }
    bool ok = srb.SRB_HaStat == HASTAT_OK && result.status == kTargetStatusGood;
    uint8_t status = ok ? SS_COMP : SS_ERR;
    Finish(srb, status);
    return status;
}

// The status goes in last; the block may be freed by its sender the moment
// it is set, so flags and event handle are read before.
void VirtualAspi::Finish(SRB_ExecSCSICmd& srb, uint8_t status) {
    bool notify = srb.SRB_Flags & SRB_EVENT_NOTIFY;
    auto event = PostProcHandle(srb);
    StoreSrbStatus(srb.SRB_Status, status);
    if (notify) (void)platform::SignalEvent(event);  // a bad handle is the sender's; the status is set
}

uint32_t VirtualAspi::Abort(SRB_Abort& srb) {
    auto* target = static_cast<SRB_ExecSCSICmd*>(srb.SRB_ToAbort);
    bool found = false;
    {
        std::lock_guard guard(lock_);
        auto it = std::find_if(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.srb == target; });
        if (it != pending_.end()) {
            pending_.erase(it);
            found = true;
        }
    }
    if (found) Finish(*target, SS_ABORTED);
    uint8_t status = found ? SS_COMP : SS_ABORT_FAIL;
    return Answer(srb.SRB_Status, status);
}

void VirtualAspi::Worker() {
    std::unique_lock guard(lock_);
    while (!stopping_) {
        auto next = std::min_element(pending_.begin(), pending_.end(), [](const Pending& a, const Pending& b) {
            return !a.never && (b.never || a.due < b.due);
        });
        if (next == pending_.end() || next->never) {
            wake_.wait(guard);
            continue;
        }
        if (next->due > std::chrono::steady_clock::now()) {
            wake_.wait_until(guard, next->due);
            continue;
        }
        Pending done = *next;
        pending_.erase(next);
        guard.unlock();
        Complete(*done.srb, done.result);
        guard.lock();
    }
}

}  // namespace vrec
