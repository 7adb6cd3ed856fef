#pragma once
// What every layer that answers request blocks shares (the pass-through
// layer, the virtual recorder's): the support information word, and the
// one switch from a block's command code to the layer's handler.
#include "transport/kqASPI.h"

#include <cstdint>
#include <utility>

namespace kq {

// GetASPI32SupportInfo's answer: the status in bits 8-15, the adapters in 0-7.
inline uint32_t SupportInfoOf(uint8_t adapters) {
    if (adapters == 0) return uint32_t{SS_NO_ADAPTERS} << 8;
    return uint32_t{SS_COMP} << 8 | adapters;
}

// Hands a block (not null) to the layer's handler for its kind: HaInquiry,
// DeviceType, Execute, DiskInfo and, when the layer has it, Abort; any
// other code goes to Unknown. Returns the handler's answer.
template <typename Layer>
uint32_t DispatchSrb(void* block, Layer& layer) {
    auto& header = *static_cast<SRB_Header*>(block);
    switch (header.SRB_Cmd) {
        case SC_HA_INQUIRY: return layer.HaInquiry(*static_cast<SRB_HAInquiry*>(block));
        case SC_GET_DEV_TYPE: return layer.DeviceType(*static_cast<SRB_GDEVBlock*>(block));
        case SC_EXEC_SCSI_CMD: return layer.Execute(*static_cast<SRB_ExecSCSICmd*>(block));
        case SC_GET_DISK_INFO: return layer.DiskInfo(*static_cast<SRB_GetDiskInfo*>(block));
        case SC_ABORT_SRB:
            if constexpr (requires { layer.Abort(std::declval<SRB_Abort&>()); })
                return layer.Abort(*static_cast<SRB_Abort*>(block));
            break;
        default: break;
    }
    return layer.Unknown(header);
}

}  // namespace kq
