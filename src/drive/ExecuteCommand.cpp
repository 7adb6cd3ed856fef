// Command execution: one request block to the selected drive and back.
#include "drive/CommandTrace.h"
#include "drive/TSCSIDevice.h"
#include "platform/Event.h"
#include "platform/Timing.h"
#include "transport/InFlightRequest.h"

#include <algorithm>
#include <cstring>

namespace kq {

namespace {
// A command never waits less than this for its completion.
constexpr uint32_t kMinimumWaitMs = 10000;
// What a drive still gets to answer once its owner has given up on it.
constexpr uint32_t kGivenUpWaitMs = 1000;
}  // namespace

void TSCSIDevice::ClearLastError() {
    std::lock_guard lock(errorLock_);
    lastErrorText_.clear();
    lastSense_.fill(0);
    targetStatus_ = 0;
    reachedDrive_ = false;
    adapterBusy_ = false;
    timedOut_ = false;
}

int TSCSIDevice::ExecuteCommand(SRB_ExecSCSICmd& request, int timeoutMs) {
    std::lock_guard commandLock(commandLock_);
    ClearLastError();
    if (!ASPILoaded() || HaId == NoAddress) return kNotSent;
    ReapParkedRequests();

    // The event of the last request is used again once the layer has let
    // go of it: a read of a disc sends tens of thousands of commands.
    InFlightRequest& flight = *flight_;
    if (!(request.SRB_Flags & SRB_EVENT_NOTIFY)) flight.event.reset();
    else if (flight.event) flight.event->Reset();
    else flight.event = platform::Event::Create();
    request.SRB_PostProc =
        flight.event ? reinterpret_cast<void*>(flight.event->Handle()) : nullptr;
    request.SRB_Cmd = SC_EXEC_SCSI_CMD;
    request.SRB_HaId = HaId;
    request.SRB_Target = Target;
    request.SRB_Lun = Lun;
    request.SRB_SenseLen = SENSE_REQUEST_LEN;
    const uint32_t waitMs =
        timeoutMs > static_cast<int>(kMinimumWaitMs) ? static_cast<uint32_t>(timeoutMs) : kMinimumWaitMs;
    request.CDBByte[1] = static_cast<uint8_t>((Lun << 5) | (request.CDBByte[1] & 0x1F));

    lastOpcode_ = request.CDBByte[0];
    Submit(request);
    if (flight.event && flight.pendingAtReturn) WaitForCompletion(*flight.event, waitMs);
    TakeOutcome(request);

    if (request.SRB_Status != SS_PENDING && request.SRB_Status != SS_COMP) BuildErrorText(request);
    TraceCommand(request);
    if (request.SRB_Status == SS_PENDING) {
        // Finished here, after the trace: the text stays empty.
        request.SRB_Status = SS_ERR;
        request.SRB_HaStat = HASTAT_TIMEOUT;
    }
    reachedDrive_ = request.SRB_Status == SS_COMP ||
                    (request.SRB_Status == SS_ERR && request.SRB_HaStat == HASTAT_OK);
    adapterBusy_ = request.SRB_Status == SS_ASPI_IS_BUSY;
    timedOut_ = request.SRB_Status == SS_ERR && request.SRB_HaStat == HASTAT_TIMEOUT;
    const auto address = reinterpret_cast<std::intptr_t>(request.SRB_BufPointer);
    if (address % 4 != 0) SendDebugMessage("aaaa" + std::to_string(address), 0);
    return 1;
}

// Waits for the layer's signal up to waitMs. Once the owner gives up on
// the drive (GiveUpWaiting: the user aborted), a drive that has not
// answered gets one more second: WakeCommandWait cuts a longer wait short.
void TSCSIDevice::WaitForCompletion(const platform::Event& event, uint32_t waitMs) {
    const auto pending = [this] { return LoadSrbStatus(flight_->srb.SRB_Status) == SS_PENDING; };
    {
        std::lock_guard hold(waitLock_);
        waitingOn_ = &event;
    }
    const bool givenUp = GiveUpWaiting();
    const uint32_t limit = givenUp ? std::min(waitMs, kGivenUpWaitMs) : waitMs;
    const bool signalled = platform::CurrentTiming().WaitEvent(event, limit);
    if (signalled && pending() && !givenUp) {
        // Woken by an abort, not by the layer; a completion between the
        // reset and the look at the status is not lost: it is seen there.
        event.Reset();
        if (pending()) platform::CurrentTiming().WaitEvent(event, kGivenUpWaitMs);
    }
    std::lock_guard hold(waitLock_);
    waitingOn_ = nullptr;
}

void TSCSIDevice::WakeCommandWait() {
    std::lock_guard hold(waitLock_);
    if (waitingOn_) waitingOn_->Set();
}

// The layer works on a copy of the block and of the data, so that a request
// it completes after we stopped waiting never writes into the caller's
// memory (see InFlightRequest).
void TSCSIDevice::Submit(SRB_ExecSCSICmd& request) {
    InFlightRequest& flight = *flight_;
    flight.srb = request;
    if (request.SRB_BufPointer && request.SRB_BufLen > 0) {
        if (flight.buffer.size() < request.SRB_BufLen) flight.buffer.resize(request.SRB_BufLen);
        std::memcpy(flight.buffer.data(), request.SRB_BufPointer, request.SRB_BufLen);
        flight.srb.SRB_BufPointer = flight.buffer.data();
    }
    // A layer that answers SS_PENDING signals later, even when its thread
    // has already written the final status by the time we look at it.
    const uint32_t answer = SendASPI32Command(&flight.srb);
    flight.pendingAtReturn = answer == SS_PENDING || LoadSrbStatus(flight.srb.SRB_Status) == SS_PENDING;
}

// Copies back what the layer wrote (status bytes, sense, data read); a
// request still pending leaves the caller's block at SS_PENDING. A request
// the layer may still touch is parked rather than reused.
void TSCSIDevice::TakeOutcome(SRB_ExecSCSICmd& request) {
    InFlightRequest& flight = *flight_;
    const uint8_t status = LoadSrbStatus(flight.srb.SRB_Status);
    if (status != SS_PENDING) {
        request.SRB_Status = status;
        request.SRB_HaStat = flight.srb.SRB_HaStat;
        request.SRB_TargStat = flight.srb.SRB_TargStat;
        std::memcpy(request.SenseArea, flight.srb.SenseArea, SENSE_LEN);
        std::memcpy(request.SRB_Rsvd2, flight.srb.SRB_Rsvd2, sizeof request.SRB_Rsvd2);
        if ((request.SRB_Flags & SRB_DIR_IN) && request.SRB_BufPointer && request.SRB_BufLen > 0)
            std::memcpy(request.SRB_BufPointer, flight.buffer.data(), request.SRB_BufLen);
    }
    if (flight.LayerLetGo()) return;
    ParkRequest(std::move(flight_));
    flight_ = std::make_unique<InFlightRequest>();
}

void TSCSIDevice::TraceCommand(const SRB_ExecSCSICmd& r) {
    if (TraceAllCommands()) {
        SendDebugMessage(TraceLine(r, LastErrorText(), platform::LocalTimeOfDay()), 0);
        return;
    }
    if (errorTraceDone_.exchange(true)) return;
    const bool failed = r.SRB_Status != SS_PENDING && r.SRB_Status != SS_COMP;
    const bool longWrite = r.SenseArea[12] == 0x04 && r.SenseArea[13] == 0x08;
    if (failed && !IsQuietOpcode(r.CDBByte[0]) && !longWrite)
        SendDebugMessage(TraceLine(r, LastErrorText(), std::nullopt), 0);
}

SRB_ExecSCSICmd TSCSIDevice::RunRequest(std::span<const uint8_t> cdb, DataPhase data,
                                        int timeoutMs) {
    std::lock_guard lock(commandLock_);
    SRB_ExecSCSICmd srb{};
    srb.SRB_Flags = SRB_EVENT_NOTIFY;
    if (data.direction == DataDirection::In) srb.SRB_Flags |= SRB_DIR_IN;
    if (data.direction == DataDirection::Out) srb.SRB_Flags |= SRB_DIR_OUT;
    const size_t cdbLength = std::min<size_t>(cdb.size(), sizeof srb.CDBByte);
    srb.SRB_CDBLen = static_cast<uint8_t>(cdbLength);
    srb.SRB_SenseLen = SENSE_REQUEST_LEN;
    if (!data.bytes.empty()) {
        srb.SRB_BufLen = static_cast<uint32_t>(data.bytes.size());
        srb.SRB_BufPointer = data.bytes.data();
    }
    std::memcpy(srb.CDBByte, cdb.data(), cdbLength);
    ExecuteCommand(srb, timeoutMs);
    return srb;
}

}  // namespace kq
