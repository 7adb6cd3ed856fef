#include "cli/ExitCode.h"

namespace kq::cli {

int ExitCodeOf(BurnOutcome outcome) {
    if (outcome == BurnOutcome::Success) return kExitSuccess;
    return outcome == BurnOutcome::Aborted ? kExitAborted : kExitBurnFailed;
}

int ExitCodeOf(jobs::JobEnd end) {
    switch (end) {
    case jobs::JobEnd::Success: return kExitSuccess;
    case jobs::JobEnd::Refused: return kExitUsage;
    case jobs::JobEnd::Stopped: return kExitAborted;
    default: return kExitBurnFailed;
    }
}

int ExitSeverity(int code) {
    switch (code) {
        case kExitSuccess: return 0;
        case kExitNoRecorder: return 1;
        case kExitChecksumMismatch: return 2;
        case kExitBurnFailed: return 3;
        case kExitHangUp:
        case kExitAborted:
        case kExitTerminated: return 5;
        default: return 4;
    }
}

}  // namespace kq::cli
