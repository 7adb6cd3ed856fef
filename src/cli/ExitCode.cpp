#include "cli/ExitCode.h"

namespace kq::cli {

int ExitCodeOf(BurnOutcome outcome) {
    if (outcome == BurnOutcome::Success) return kExitSuccess;
    return outcome == BurnOutcome::Aborted ? kExitAborted : kExitBurnFailed;
}

int ExitSeverity(int code) {
    switch (code) {
        case 0: return 0;
        case 4: return 1;
        case 3: return 2;
        case 1: return 3;
        case kExitHangUp:
        case kExitAborted:
        case kExitTerminated: return 5;
        default: return 4;
    }
}

}  // namespace kq::cli
