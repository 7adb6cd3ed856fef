#pragma once
// Ctrl-C (SIGINT) and SIGTERM: noted, never acted on inside the handler.
namespace kq::cli {

// Installs the handlers; the previous disposition is not kept.
void InstallInterruptHandler();
// True once an interrupt has arrived.
bool InterruptRequested();

}  // namespace kq::cli
