#include "transport/ReleaseHandle.h"

#include <atomic>

namespace kq {

namespace {
std::atomic<bool> releaseHandle{true};
}  // namespace

bool ReleaseHandleAfterCommand() { return releaseHandle.load(); }
void StoreReleaseHandleAfterCommand(bool value) { releaseHandle.store(value); }

}  // namespace kq
