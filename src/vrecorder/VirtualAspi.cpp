#include "vrecorder/VirtualAspi.h"

#include "platform/Event.h"

#include <algorithm>
#include <cstring>

namespace vrec {

using namespace kq;

VirtualAspi::VirtualAspi(std::vector<std::shared_ptr<VirtualRecorder>> recorders)
    : recorders_(std::move(recorders)) {
    std::erase(recorders_, nullptr);
    for (const auto& r : recorders_)
        adapterCount_ = static_cast<uint8_t>(std::max<unsigned>(adapterCount_, r->Config().adapter + 1u));
    worker_ = std::thread([this] { Worker(); });
}

VirtualAspi::~VirtualAspi() {
    std::vector<Pending> left;
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
        left.swap(pending_);
    }
    wake_.notify_all();
    worker_.join();
    for (Pending& p : left) {
        if (p.never) Finish(*p.srb, SS_ABORTED);
        else Complete(*p.srb, p.result);
    }
}

uint32_t VirtualAspi::SupportInfo() const { return SupportInfoOf(adapterCount_); }

std::shared_ptr<VirtualRecorder> VirtualAspi::RecorderAt(uint8_t adapter, uint8_t target, uint8_t lun) const {
    for (const auto& r : recorders_) {
        const RecorderConfig& c = r->Config();
        if (c.adapter == adapter && c.target == target && c.lun == lun) return r;
    }
    return nullptr;
}

size_t VirtualAspi::PendingCount() const {
    std::lock_guard guard(lock_);
    return pending_.size();
}

uint32_t VirtualAspi::Send(void* block) {
    if (!block) return SS_INVALID_SRB;
    return DispatchSrb(block, *this);
}

uint32_t VirtualAspi::Unknown(SRB_Header& srb) const { return Answer(srb.SRB_Status, SS_INVALID_CMD); }

namespace {
void PutText(uint8_t (&field)[16], const char* text) {
    std::memset(field, ' ', sizeof field);
    std::memcpy(field, text, std::min(sizeof field, std::strlen(text)));
}
}  // namespace

uint32_t VirtualAspi::HaInquiry(SRB_HAInquiry& srb) const {
    srb.HA_Count = adapterCount_;
    if (srb.SRB_HaId >= adapterCount_) {
        return Answer(srb.SRB_Status, SS_INVALID_HA);
    }
    srb.HA_SCSI_ID = 7;
    PutText(srb.HA_ManagerId, "VRECORDER ASPI");
    PutText(srb.HA_Identifier, "VIRTUAL ADAPTER");
    std::memset(srb.HA_Unique, 0, sizeof srb.HA_Unique);
    srb.HA_Unique[3] = 8;                           // targets
    uint32_t maxTransfer = 0x00100000;              // 1 MiB, little-endian
    std::memcpy(&srb.HA_Unique[4], &maxTransfer, 4);
    return Answer(srb.SRB_Status, SS_COMP);
}

uint32_t VirtualAspi::DeviceType(SRB_GDEVBlock& srb) const {
    if (srb.SRB_HaId >= adapterCount_) {
        return Answer(srb.SRB_Status, SS_INVALID_HA);
    }
    auto r = RecorderAt(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    // A drive that vanished is gone from the bus, as after a rescan.
    if (!r || r->Vanished()) {
        srb.SRB_DeviceType = 0x1F;
        return Answer(srb.SRB_Status, SS_NO_DEVICE);
    }
    srb.SRB_DeviceType = r->Config().deviceType;
    return Answer(srb.SRB_Status, SS_COMP);
}

uint32_t VirtualAspi::DiskInfo(SRB_GetDiskInfo& srb) const {
    if (srb.SRB_HaId >= adapterCount_) {
        return Answer(srb.SRB_Status, SS_INVALID_HA);
    }
    auto r = RecorderAt(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (!r) {
        return Answer(srb.SRB_Status, SS_NO_DEVICE);
    }
    srb.SRB_DriveFlags = 0;
    srb.SRB_Int13HDriveInfo = r->Config().driveLetter;
    srb.SRB_Heads = 0;
    srb.SRB_Sectors = 0;
    return Answer(srb.SRB_Status, SS_COMP);
}

}  // namespace vrec
