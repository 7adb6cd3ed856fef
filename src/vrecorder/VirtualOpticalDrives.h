#pragma once
// Virtual recorders standing in as the machine's optical drives, behind the
// platform interface where /dev/sr0 would be: the pass-through layer runs
// its real code on them. Nodes can also be made to refuse opening, to hide
// their SCSI address, to fail every call, or to have commands filtered as
// the kernel filters them for users without privileges.
#include "platform/OpticalDrive.h"
#include "vrecorder/VirtualRecorder.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vrec {

struct VirtualDriveSlot {
    std::string node;
    std::shared_ptr<VirtualRecorder> recorder;
    std::optional<platform::ScsiAddress> address;  // nullopt: the system cannot tell
    std::error_code openError;                     // set: the node will not open
    bool callsFail = false;                        // every pass-through call fails (failErrno)
    std::vector<uint8_t> filtered;                 // opcodes refused with EPERM
    // After this many WRITE (10)s the drive is gone: every call fails with
    // failErrno, as the kernel fails them for a drive pulled mid-burn
    // (ENODEV) or one that stopped answering (EIO). -1: never.
    int failAfterWrites = -1;
    int failErrno = EIO;
    // This many WRITE (10)s are answered as a busy adapter answers (the
    // kernel's DID_BUS_BUSY, DID_REQUEUE, ...): they never reach the recorder.
    std::atomic<int> transientWrites{0};

    // What happened to this node, for tests.
    std::atomic<int> opens{0};
    std::atomic<int> openHandles{0};
    std::atomic<int> calls{0};
    std::atomic<int> writes{0};        // WRITE (10)s the recorder carried out
    std::atomic<int> failedCalls{0};   // calls failed as a gone drive's
    std::atomic<int> active{0};
    std::atomic<int> mostActive{0};  // most calls seen at one time
};

class VirtualOpticalDrives : public platform::OpticalDrives {
public:
    // A drive at the recorder's configured address, named /dev/vsrN.
    VirtualDriveSlot& Add(std::shared_ptr<VirtualRecorder> recorder);
    // A node that exists but will not open.
    VirtualDriveSlot& AddUnopenable(std::error_code why);

    // How long each call takes (through platform::Timing), so that
    // overlapping calls would show.
    void SetCallMs(uint32_t ms) { callMs_.store(ms); }

    std::vector<std::string> Enumerate() override;
    std::unique_ptr<platform::OpticalDrive> Open(const std::string& node, std::error_code& why) override;

private:
    VirtualDriveSlot& NewSlot();

    std::mutex lock_;
    std::vector<std::unique_ptr<VirtualDriveSlot>> slots_;
    std::atomic<uint32_t> callMs_{0};
};

}  // namespace vrec
