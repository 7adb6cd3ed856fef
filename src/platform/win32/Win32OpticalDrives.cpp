// The CD-ROM drive letters of a Windows machine, opened as "\\.\E:" and
// driven through IOCTL_SCSI_PASS_THROUGH_DIRECT.
#include "platform/OpticalDrive.h"
#include "platform/win32/Win32Error.h"

#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace platform {

namespace {

// The block handed to the driver: the request, then room for the sense
// bytes it copies back; 80 bytes with 32-bit pointers.
struct PassThroughBlock {
    SCSI_PASS_THROUGH_DIRECT spt;
    ULONG filler;  // keeps the sense area aligned
    UCHAR sense[32];
};
#ifndef _WIN64
static_assert(sizeof(PassThroughBlock) == 80);
#endif

constexpr uint8_t kStatusGood = 0x00;

PassThroughBlock BuildBlock(const PassThroughRequest& request) {
    PassThroughBlock b{};
    b.spt.Length = sizeof b.spt;
    b.spt.CdbLength = static_cast<UCHAR>(std::min<size_t>(request.cdb.size(), sizeof b.spt.Cdb));
    std::memcpy(b.spt.Cdb, request.cdb.data(), b.spt.CdbLength);
    b.spt.SenseInfoLength = static_cast<UCHAR>(std::min(request.sense.size(), sizeof b.sense));
    b.spt.SenseInfoOffset = offsetof(PassThroughBlock, sense);
    b.spt.TimeOutValue = request.timeoutSeconds;
    b.spt.DataIn = SCSI_IOCTL_DATA_UNSPECIFIED;
    if (request.direction != PassDirection::None && !request.data.empty()) {
        b.spt.DataIn = request.direction == PassDirection::In ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_OUT;
        b.spt.DataBuffer = request.data.data();
        b.spt.DataTransferLength = static_cast<ULONG>(request.data.size());
    }
    return b;
}

// The driver's answer; the length and sense fields it wrote are checked
// against what was asked for before anything is copied.
PassThroughOutcome Decode(const PassThroughBlock& b, const PassThroughRequest& request) {
    PassThroughOutcome out;
    out.scsiStatus = b.spt.ScsiStatus;
    out.transferred = std::min<size_t>(b.spt.DataTransferLength, request.data.size());
    if (b.spt.ScsiStatus != kStatusGood) {
        out.senseLength = std::min<size_t>({b.spt.SenseInfoLength, sizeof b.sense, request.sense.size()});
        std::memcpy(request.sense.data(), b.sense, out.senseLength);
    }
    if (b.spt.ScsiStatus == kStatusGood && b.spt.DataIn == SCSI_IOCTL_DATA_OUT &&
        out.transferred < request.data.size())
        out.failure = PassFailure::ShortWrite;
    return out;
}

class Win32OpticalDrive : public OpticalDrive {
public:
    explicit Win32OpticalDrive(HANDLE handle) : handle_(handle) {}
    ~Win32OpticalDrive() override { CloseHandle(handle_); }
    Win32OpticalDrive(const Win32OpticalDrive&) = delete;
    Win32OpticalDrive& operator=(const Win32OpticalDrive&) = delete;

    std::optional<ScsiAddress> Address() override {
        SCSI_ADDRESS address{};
        address.Length = sizeof address;
        DWORD returned = 0;
        if (!DeviceIoControl(handle_, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address, &returned,
                             nullptr))
            return std::nullopt;
        ScsiAddress a;
        a.host = address.PortNumber;
        a.channel = address.PathId;
        a.target = address.TargetId;
        a.lun = address.Lun;
        return a;
    }

    PassThroughOutcome PassThrough(const PassThroughRequest& request) override {
        PassThroughBlock block = BuildBlock(request);
        DWORD returned = 0;
        if (!DeviceIoControl(handle_, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof block, &block, sizeof block,
                             &returned, nullptr)) {
            PassThroughOutcome out;
            out.failure = PassFailure::CallFailed;
            out.systemError = static_cast<int>(GetLastError());
            return out;
        }
        return Decode(block, request);
    }

private:
    HANDLE handle_;
};

class Win32OpticalDrives : public OpticalDrives {
public:
    std::vector<std::string> Enumerate() override {
        std::vector<std::string> nodes;
        for (char letter = 'C'; letter <= 'Z'; ++letter) {
            const char root[] = {letter, ':', '\\', '\0'};
            if (GetDriveTypeA(root) == DRIVE_CDROM) nodes.push_back(std::string("\\\\.\\") + letter + ":");
        }
        return nodes;
    }

    std::unique_ptr<OpticalDrive> Open(const std::string& node, std::error_code& why) override {
        why.clear();
        for (DWORD access : {GENERIC_READ | GENERIC_WRITE, DWORD{GENERIC_READ}}) {
            HANDLE handle = CreateFileA(node.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
            if (handle != INVALID_HANDLE_VALUE) return std::make_unique<Win32OpticalDrive>(handle);
            why = Win32Error();
        }
        return nullptr;
    }
};

}  // namespace

OpticalDrives& MachineOpticalDrives() {
    static Win32OpticalDrives drives;
    return drives;
}

}  // namespace platform
