#pragma once
// Ctrl-C (SIGINT), SIGHUP and SIGTERM: noted, never acted on inside the
// handler. Each aborts the run the same way; only the exit status tells
// which one it was.
namespace kq::cli {

// Installs the handlers; the previous disposition is not kept.
void InstallInterruptHandler();
// True once an interrupt has arrived.
bool InterruptRequested();
// 128 + the signal that asked to stop: 129 hang-up, 130 Ctrl-C, 143
// SIGTERM; 130 when none did (an abort asked for otherwise).
int InterruptExitCode();

}  // namespace kq::cli
