#pragma once
// The machine's optical drives and the one call that reaches them: a
// command block with its data, direction, time-out and sense, carried out
// synchronously. The pass-through layer works only through this interface,
// so virtual recorders can stand exactly where a real drive would.
#include "platform/ScopedReplacement.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace platform {

// Where the system's SCSI layer puts a drive: host adapter (port), channel
// (path), target and LUN.
struct ScsiAddress {
    uint32_t host = 0;
    uint8_t channel = 0;
    uint8_t target = 0;
    uint8_t lun = 0;
};

enum class PassDirection { None, In, Out };

struct PassThroughRequest {
    std::span<const uint8_t> cdb;
    PassDirection direction = PassDirection::None;
    std::span<uint8_t> data;
    uint32_t timeoutSeconds = 0;
    std::span<uint8_t> sense;  // room for the sense bytes; its size is the length asked for
};

// Why a call brought no answer of the drive. Only with None did the drive
// carry the command out (successfully or with a SCSI status).
enum class PassFailure : uint8_t {
    None,
    CallFailed,      // the system call failed: no status, no sense
    Filtered,        // the system would not pass this command on (EPERM)
    TimedOut,        // the drive did not finish in time
    NoDevice,        // the drive no longer answers selection
    BusReset,        // the bus was reset under the command
    TransportError,  // any other adapter or driver failure
    ShortWrite,      // the drive took fewer bytes than it was sent
    // The adapter could not carry the command this time (bus busy, asked
    // to requeue, transport disrupted for a moment): it never reached the
    // drive, and the same command may be sent again.
    Transient,
};

struct PassThroughOutcome {
    PassFailure failure = PassFailure::None;
    int systemError = 0;     // errno (Windows: the Win32 error) of a failed call
    uint8_t scsiStatus = 0;  // the SCSI status byte (02h CHECK CONDITION)
    size_t senseLength = 0;  // bytes written into the request's sense room
    size_t transferred = 0;  // data bytes that actually moved
};

// One row of a system's table of the codes that mean a failure below the drive.
struct FailureCode {
    uint32_t code;
    PassFailure failure;
};

// The failure of `code`'s row in `table`, or `otherwise` when it has none.
PassFailure FailureOf(std::span<const FailureCode> table, uint32_t code, PassFailure otherwise);

// A pass-through call that the system failed with `callErrno`: a filtered
// command (EPERM), a drive that is gone (ENODEV, ENXIO: unplugged or taken
// off the bus), or any other failure of the call.
PassThroughOutcome FailedCallOutcome(int callErrno);

// One open drive; destroying it closes the drive.
class OpticalDrive {
public:
    virtual ~OpticalDrive() = default;
    // nullopt when the system cannot say where the drive sits.
    virtual std::optional<ScsiAddress> Address() = 0;
    virtual PassThroughOutcome PassThrough(const PassThroughRequest& request) = 0;
};

// The drive letter a node stands for, 0 = A: a Windows device path
// "\\.\E:" is its own letter; any other node (/dev/srN) takes its place
// in the enumerated list, the first being C.
uint8_t DriveIndexOfNode(const std::string& node, size_t position);

class OpticalDrives {
public:
    virtual ~OpticalDrives() = default;
    // Device nodes of the optical drives in letter order (DriveIndexOfNode).
    virtual std::vector<std::string> Enumerate() = 0;
    // Opens read-write, falling back to read-only. nullptr when neither
    // works, with `why` the system's reason.
    virtual std::unique_ptr<OpticalDrive> Open(const std::string& node, std::error_code& why) = 0;
    // Opens read-write for this process alone, for the length of a burn:
    // refused (EBUSY) while the disc is mounted or another program holds
    // it so. Drives that know no such claim open as Open does.
    virtual std::unique_ptr<OpticalDrive> OpenExclusive(const std::string& node, std::error_code& why) {
        return Open(node, why);
    }
};

// The machine's own drives: /dev/sr* on Linux, the CD-ROM drive letters
// on Windows.
OpticalDrives& MachineOpticalDrives();
// The drives of this machine (its own unless a test put others in).
OpticalDrives& CurrentOpticalDrives();
// Installs a replacement (nullptr: the machine's own); returns the previous.
OpticalDrives* SetOpticalDrives(OpticalDrives* drives);

using ScopedOpticalDrives = ScopedReplacement<OpticalDrives, SetOpticalDrives>;

// A drive node that exists but cannot be used: it will not open (the
// system's reason), or it opened and the scan's INQUIRY brought no answer
// (`step` says so, `failure` why).
struct UnopenableDrive {
    std::string node;
    std::error_code reason;
    std::string step;     // empty: the open failed
    std::string failure;  // why the step brought no answer
};

// Why a call brought no answer, in words: the system's own for a failed
// call, else what the adapter reported.
std::string PassFailureText(const PassThroughOutcome& outcome);

// What the user can do about it ("add the user to the cdrom group"), or "".
std::string UnopenableHint(const std::error_code& reason);
// "/dev/sr0 is there but cannot be opened: permission denied (add the user
// to the cdrom group)", or "/dev/sr1 is there but did not answer INQUIRY:
// the adapter reported a time-out".
std::string UnopenableText(const UnopenableDrive& drive);
// Tries each enumerated node once and keeps those that would not open.
std::vector<UnopenableDrive> FindUnopenableDrives(OpticalDrives& drives);

}  // namespace platform
