// The CD-ROM drive letters of a Windows machine, opened as "\\.\E:" and
// driven through IOCTL_SCSI_PASS_THROUGH_DIRECT.
#include "platform/Sptd.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32OpticalDrive.h"

#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <cstddef>
#include <cstring>

namespace platform {

namespace {

// The portable block is the system's declaration, field for field.
#define KQ_SAME_FIELD(field) \
    static_assert(offsetof(SptdBlock, field) == offsetof(SCSI_PASS_THROUGH_DIRECT, field))
KQ_SAME_FIELD(Length);
KQ_SAME_FIELD(ScsiStatus);
KQ_SAME_FIELD(CdbLength);
KQ_SAME_FIELD(SenseInfoLength);
KQ_SAME_FIELD(DataIn);
KQ_SAME_FIELD(DataTransferLength);
KQ_SAME_FIELD(TimeOutValue);
KQ_SAME_FIELD(DataBuffer);
KQ_SAME_FIELD(SenseInfoOffset);
KQ_SAME_FIELD(Cdb);
#undef KQ_SAME_FIELD
static_assert(offsetof(SptdBlock, Filler) == sizeof(SCSI_PASS_THROUGH_DIRECT));
static_assert(kSptdDataIn == SCSI_IOCTL_DATA_IN && kSptdDataOut == SCSI_IOCTL_DATA_OUT &&
              kSptdDataUnspecified == SCSI_IOCTL_DATA_UNSPECIFIED);

class Win32OpticalDrive : public OpticalDrive {
public:
    Win32OpticalDrive(HANDLE handle, DeviceControl control) : handle_(handle), control_(std::move(control)) {}
    ~Win32OpticalDrive() override { CloseHandle(handle_); }
    Win32OpticalDrive(const Win32OpticalDrive&) = delete;
    Win32OpticalDrive& operator=(const Win32OpticalDrive&) = delete;

    std::optional<ScsiAddress> Address() override {
        SCSI_ADDRESS address{};
        address.Length = sizeof address;
        DWORD returned = 0;
        if (!control_(handle_, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address, &returned) ||
            returned < sizeof address)
            return std::nullopt;
        ScsiAddress a;
        a.host = address.PortNumber;
        a.channel = address.PathId;
        a.target = address.TargetId;
        a.lun = address.Lun;
        return a;
    }

    PassThroughOutcome PassThrough(const PassThroughRequest& request) override {
        SptdBlock block = BuildSptdBlock(request);
        DWORD returned = 0;
        SetLastError(ERROR_SUCCESS);
        BOOL ok = control_(handle_, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof block, &block, sizeof block,
                           &returned);
        return DecodeSptd(block, request, ok != FALSE, ok ? 0u : static_cast<uint32_t>(GetLastError()));
    }

private:
    HANDLE handle_;
    DeviceControl control_;
};

}  // namespace

DeviceControl SystemDeviceControl() {
    return [](HANDLE handle, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned) {
        return DeviceIoControl(handle, code, in, inSize, out, outSize, returned, nullptr);
    };
}

std::unique_ptr<OpticalDrive> MakeWin32OpticalDrive(HANDLE handle, DeviceControl control) {
    return std::make_unique<Win32OpticalDrive>(handle, std::move(control));
}

namespace {

// Read-write sharing both ways; failing that, read-only, sharing reading
// only, so a drive another program holds for reading can still be asked.
struct DriveOpen {
    DWORD access, share, attributes;
};
constexpr DriveOpen kDriveOpens[] = {
    {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_ATTRIBUTE_NORMAL},
    {GENERIC_READ, FILE_SHARE_READ, 0},
};

class Win32OpticalDrives : public OpticalDrives {
public:
    std::vector<std::string> Enumerate() override {
        std::vector<std::string> nodes;
        // From B: a recorder may sit there; the pass-through layer takes C to Z.
        for (char letter = 'B'; letter <= 'Z'; ++letter) {
            const char root[] = {letter, ':', '\\', '\0'};
            if (GetDriveTypeA(root) == DRIVE_CDROM) nodes.push_back(std::string("\\\\.\\") + letter + ":");
        }
        return nodes;
    }

    std::unique_ptr<OpticalDrive> Open(const std::string& node, std::error_code& why) override {
        why.clear();
        for (const DriveOpen& attempt : kDriveOpens) {
            HANDLE handle = CreateFileA(node.c_str(), attempt.access, attempt.share, nullptr, OPEN_EXISTING,
                                        attempt.attributes, nullptr);
            if (handle != INVALID_HANDLE_VALUE) return MakeWin32OpticalDrive(handle);
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
