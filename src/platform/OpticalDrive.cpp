#include "platform/OpticalDrive.h"
#include "platform/SystemError.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>

namespace platform {

namespace {
std::atomic<OpticalDrives*> installed{nullptr};

}  // namespace

OpticalDrives& CurrentOpticalDrives() {
    OpticalDrives* drives = installed.load();
    return drives ? *drives : MachineOpticalDrives();
}

OpticalDrives* SetOpticalDrives(OpticalDrives* drives) { return installed.exchange(drives); }

uint8_t DriveIndexOfNode(const std::string& node, size_t position) {
    constexpr size_t kFirst = 2;  // C
    if (node.size() == 6 && node.compare(0, 4, "\\\\.\\") == 0 && node[5] == ':') {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(node[4])));
        if (letter >= 'A' && letter <= 'Z') return static_cast<uint8_t>(letter - 'A');
    }
    return static_cast<uint8_t>(std::min<size_t>(kFirst + position, 255));
}

PassFailure FailureOf(std::span<const FailureCode> table, uint32_t code, PassFailure otherwise) {
    for (const FailureCode& row : table)
        if (row.code == code) return row.failure;
    return otherwise;
}

PassThroughOutcome FailedCallOutcome(int callErrno) {
    // The kernel filters commands for users without CAP_SYS_RAWIO before
    // they reach the drive: not the drive's error.
    static constexpr FailureCode kCallErrors[] = {
        {EPERM, PassFailure::Filtered}, {ENODEV, PassFailure::NoDevice}, {ENXIO, PassFailure::NoDevice}};
    PassThroughOutcome out;
    out.systemError = callErrno;
    out.failure = FailureOf(kCallErrors, static_cast<uint32_t>(callErrno), PassFailure::CallFailed);
    return out;
}

std::string UnopenableHint(const std::error_code& reason) {
    if (reason == std::errc::permission_denied || reason == std::errc::operation_not_permitted)
        return "add the user to the cdrom group";
    if (reason == std::errc::device_or_resource_busy) return "another program holds the drive";
    return {};
}

std::string PassFailureText(const PassThroughOutcome& outcome) {
    if (outcome.systemError != 0) return SystemErrorText(outcome.systemError);
    switch (outcome.failure) {
        case PassFailure::TimedOut: return "the adapter reported a time-out";
        case PassFailure::NoDevice: return "no device answers at its address";
        case PassFailure::BusReset: return "the bus was reset";
        case PassFailure::Transient: return "the adapter was busy";
        case PassFailure::Filtered: return "the system refused the command";
        case PassFailure::ShortWrite: return "the transfer was cut short";
        default: return "the adapter reported an error";
    }
}

std::string UnopenableText(const UnopenableDrive& drive) {
    if (!drive.step.empty()) return drive.node + " is there but " + drive.step + ": " + drive.failure;
    std::string why = drive.reason.message();
    if (!why.empty()) why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
    std::string text = drive.node + " is there but cannot be opened: " + why;
    const std::string hint = UnopenableHint(drive.reason);
    if (!hint.empty()) text += " (" + hint + ")";
    return text;
}

std::vector<UnopenableDrive> FindUnopenableDrives(OpticalDrives& drives) {
    std::vector<UnopenableDrive> found;
    for (const std::string& node : drives.Enumerate()) {
        std::error_code why;
        if (!drives.Open(node, why)) found.push_back({node, why, {}, {}});
    }
    return found;
}

}  // namespace platform
