// The commands of a recording: speed, DVD structures and streaming,
// power calibration, track reservation, the cue sheet and the data.
#include "drive/ByteOrder.h"
#include "drive/DriveMessages.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace kq {

namespace {

template <size_t N>
std::array<uint8_t, N> Cdb(uint8_t opcode) {
    std::array<uint8_t, N> cdb{};
    cdb[0] = opcode;
    return cdb;
}

// A command block announcing an out-going list in the 16-bit length field
// at `lengthAt`; nullopt for a list too long for that field.
template <size_t N>
std::optional<std::array<uint8_t, N>> ListCdb(uint8_t opcode, size_t lengthAt, std::span<const uint8_t> list) {
    if (list.size() > 0xFFFF) return std::nullopt;
    auto cdb = Cdb<N>(opcode);
    PutBE16(std::span(cdb).subspan(lengthAt), static_cast<uint16_t>(list.size()));
    return cdb;
}

}  // namespace

bool TSCSIDevice::SetCDSpeed(uint16_t readSpeed, uint16_t writeSpeed) {
    constexpr int kTimeoutMs = 10000;
    auto cdb = Cdb<12>(0xBB);
    // 0 asks for the drive's maximum.
    PutBE16(std::span(cdb).subspan(2), readSpeed ? readSpeed : 0xFFFF);
    PutBE16(std::span(cdb).subspan(4), writeSpeed ? writeSpeed : 0xFFFF);
    return RunCommand(cdb, NoData(), kTimeoutMs);
}

bool TSCSIDevice::SetStreaming(std::span<uint8_t> descriptor) {
    constexpr int kTimeoutMs = 10000;
    const auto cdb = ListCdb<12>(0xB6, 9, descriptor);
    return cdb && RunCommand(*cdb, DataOut(descriptor), kTimeoutMs);
}

bool TSCSIDevice::SetWritePerformance(uint32_t endLba, uint32_t writeKBps) {
    constexpr uint32_t kPerSecond = 1000;  // ms
    alignas(4) std::array<uint8_t, 28> descriptor{};
    auto at = std::span(descriptor);
    PutBE32(at.subspan(8), endLba);
    PutBE32(at.subspan(12), 0xFFFFFFFF);  // read size: as fast as it goes
    PutBE32(at.subspan(16), kPerSecond);
    PutBE32(at.subspan(20), writeKBps);
    PutBE32(at.subspan(24), kPerSecond);
    auto lock = LockCommands();
    return SetStreaming(descriptor);
}

bool TSCSIDevice::SendDVDStructure(uint8_t format, std::span<uint8_t> data) {
    constexpr int kTimeoutMs = 10000;
    auto cdb = ListCdb<12>(0xBF, 8, data);
    if (!cdb) return false;
    (*cdb)[7] = format;
    return RunCommand(*cdb, DataOut(data), kTimeoutMs);
}

// DVD-R time stamp (format 0Fh): length 0014h, then "yyyymmddhhnnss".
bool TSCSIDevice::SendTimeStamp(const TDateTime& when) {
    constexpr size_t kTemplate = 4081, kSent = 22;
    auto lock = LockCommands();
    auto list = std::span(TransferBuffer).first(kTemplate);
    std::fill(list.begin(), list.end(), 0);
    list[1] = 0x14;
    char digits[15];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d%02d%02d%02d", std::clamp(when.year, 0, 9999),
                  std::clamp(when.month, 0, 99), std::clamp(when.day, 0, 99),
                  std::clamp(when.hour, 0, 99), std::clamp(when.minute, 0, 99),
                  std::clamp(when.second, 0, 99));
    std::copy_n(digits, 14, list.begin() + 8);
    return SendDVDStructure(0x0F, list.first(kSent));
}

bool TSCSIDevice::SendOPCInformation() {
    constexpr int kTimeoutMs = 150000;  // calibration can take minutes
    auto cdb = Cdb<10>(0x54);
    cdb[1] = 0x01;  // DoOpc
    return RunCommand(cdb, NoData(), kTimeoutMs);
}

bool TSCSIDevice::ReserveTrack(uint32_t blocks) {
    constexpr int kTimeoutMs = 10000;
    auto cdb = Cdb<10>(0x53);
    PutBE32(std::span(cdb).subspan(5), blocks);
    return RunCommand(cdb, NoData(), kTimeoutMs);
}

bool TSCSIDevice::SendCueSheet(std::span<uint8_t> cueSheet) {
    constexpr int kTimeoutMs = 30000;
    const auto cdb = ListCdb<10>(0x5D, 7, cueSheet);
    return cdb && RunCommand(*cdb, DataOut(cueSheet), kTimeoutMs);
}

// A block the executor did not send has status 0; counting it as written
// would let a burn "succeed" onto no drive.
bool TSCSIDevice::Write10(uint32_t lba, uint16_t blocks, uint8_t flags, std::span<uint8_t> data) {
    constexpr int kTimeoutMs = 120000;
    auto cdb = Cdb<10>(0x2A);
    PutBE32(std::span(cdb).subspan(2), lba);
    PutBE16(std::span(cdb).subspan(7), blocks);
    DataPhase phase = NoData();
    if (flags & SRB_DIR_OUT) phase = DataOut(data);
    else if (flags & SRB_DIR_IN) phase = DataIn(data);
    auto lock = LockCommands();
    const SRB_ExecSCSICmd srb = RunRequest(cdb, phase, kTimeoutMs);
    if (srb.SRB_Status == SS_PENDING) SetLastErrorText(DriveMessage(Msg::NoDriveSelected));
    return srb.SRB_Status == SS_COMP;
}

}  // namespace kq
