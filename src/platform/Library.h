#pragma once
// A shared library loaded at run time, unloaded when its holder goes.
#include "platform/OwnedHandle.h"

#include <optional>
#include <string>

namespace platform {

class Library {
public:
    // nullopt when the library cannot be loaded; error then says why.
    [[nodiscard]] static std::optional<Library> Open(const std::string& path, std::string* error = nullptr);

    // The address of an exported symbol, or nullptr.
    void* Symbol(const char* name) const;
    // The system's module handle, for callers that judge it.
    void* NativeHandle() const { return handle_.Get(); }

private:
    explicit Library(void* handle) : handle_(handle) {}
    static void Close(void* handle);

    OwnedHandle<void*, nullptr, Close> handle_;
};

// Keeps the system's critical-error boxes ("insert a disk in drive E:")
// away while it lives, and restores the previous mode when it goes, also
// when it goes by an exception. Windows only; nothing to do on Linux.
class QuietCriticalErrors {
public:
    QuietCriticalErrors();
    ~QuietCriticalErrors();
    QuietCriticalErrors(const QuietCriticalErrors&) = delete;
    QuietCriticalErrors& operator=(const QuietCriticalErrors&) = delete;

private:
    unsigned previous_ = 0;
};

// Keeps the library holding address loaded until the process ends; false
// when the system refuses. Windows needs it for a library with threads of
// its own: unloading it would join them under the loader lock, which a
// thread needs in order to end, so FreeLibrary would never return. Linux
// joins them at dlclose without trouble: nothing to do there.
[[nodiscard]] bool KeepLoadedUntilExit(const void* address);

}  // namespace platform
