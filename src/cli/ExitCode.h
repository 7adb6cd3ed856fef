#pragma once
// The command line's exit codes: scripts branch on them.
#include "burner/BurnOutcome.h"
#include "jobs/DiscJob.h"

namespace kq::cli {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitBurnFailed = 1,
    kExitUsage = 2,
    kExitChecksumMismatch = 3,
    kExitNoRecorder = 4,  // no recorder, or no usable medium in it
    kExitHangUp = 129,    // 128 + SIGHUP: the terminal closed; aborted as with Ctrl-C
    kExitAborted = 130,   // 128 + SIGINT, as shells report an interrupted program
    kExitTerminated = 143,  // 128 + SIGTERM; aborted as with Ctrl-C
};

int ExitCodeOf(BurnOutcome outcome);
// How a read or a check of a disc ended, as its exit code.
int ExitCodeOf(jobs::JobEnd end);

// How bad a result is, for the overall code of several burns: an abort
// outranks a failure, which outranks a missing medium.
int ExitSeverity(int code);

}  // namespace kq::cli
