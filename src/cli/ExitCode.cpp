#include "cli/ExitCode.h"

namespace kq::cli {

int ExitCodeOf(BurnOutcome outcome) {
    switch (outcome) {
        case BurnOutcome::Success: return kExitSuccess;
        case BurnOutcome::Aborted: return kExitAborted;
        case BurnOutcome::Failed: break;
    }
    return kExitBurnFailed;
}

int ExitSeverity(int code) {
    switch (code) {
        case 0: return 0;
        case 4: return 1;
        case 3: return 2;
        case 1: return 3;
        case 130: return 5;
        default: return 4;
    }
}

}  // namespace kq::cli
