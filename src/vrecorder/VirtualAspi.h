#pragma once
// Recorders presented as an ASPI layer: adapter inquiry, device type,
// execute, disk information and abort, with the request-block layout of
// this build. Execute requests complete before Send returns (default), or
// later from the layer's own thread with their event signalled, or never.
#include "transport/SrbDispatch.h"
#include "transport/kqASPI.h"
#include "vrecorder/VirtualRecorder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vrec {

class VirtualAspi {
public:
    explicit VirtualAspi(std::vector<std::shared_ptr<VirtualRecorder>> recorders);
    // Joins the completion thread; requests still pending are finished
    // first (late ones completed, never-completing ones aborted).
    ~VirtualAspi();
    VirtualAspi(const VirtualAspi&) = delete;
    VirtualAspi& operator=(const VirtualAspi&) = delete;

    // The two entry points.
    uint32_t SupportInfo() const;
    uint32_t Send(void* srb);

    // Every execute request completes lateMs after it was sent (0: at once).
    void SetLateCompletion(uint32_t lateMs) { lateMs_.store(lateMs); }
    // Execute requests stay pending until aborted.
    void SetNeverComplete(bool never) { never_.store(never); }

    std::shared_ptr<VirtualRecorder> RecorderAt(uint8_t adapter, uint8_t target, uint8_t lun) const;
    size_t PendingCount() const;

private:
    struct Pending {
        kq::SRB_ExecSCSICmd* srb;
        CommandResult result;
        std::chrono::steady_clock::time_point due;
        bool never;
    };

    template <typename Layer>
    friend uint32_t kq::DispatchSrb(void* block, Layer& layer);
    uint32_t HaInquiry(kq::SRB_HAInquiry& srb) const;
    uint32_t DeviceType(kq::SRB_GDEVBlock& srb) const;
    uint32_t DiskInfo(kq::SRB_GetDiskInfo& srb) const;
    uint32_t Execute(kq::SRB_ExecSCSICmd& srb);
    uint32_t Abort(kq::SRB_Abort& srb);
    uint32_t Unknown(kq::SRB_Header& srb) const;
    uint32_t Defer(kq::SRB_ExecSCSICmd& srb, const CommandResult& result, uint32_t delayMs, bool never);
    static uint8_t Complete(kq::SRB_ExecSCSICmd& srb, const CommandResult& result);
    // Writes a request's final status (last, see kq::StoreSrbStatus) and
    // returns it as the entry point's answer.
    static uint32_t Answer(uint8_t& statusField, uint8_t status) {
        kq::StoreSrbStatus(statusField, status);
        return status;
    }
    static void Finish(kq::SRB_ExecSCSICmd& srb, uint8_t status);
    void Worker();

    std::vector<std::shared_ptr<VirtualRecorder>> recorders_;
    uint8_t adapterCount_ = 0;
    std::atomic<uint32_t> lateMs_{0};
    std::atomic<bool> never_{false};

    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::vector<Pending> pending_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace vrec
