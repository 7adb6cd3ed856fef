#include "platform/Library.h"

#include <dlfcn.h>

namespace platform {

QuietCriticalErrors::QuietCriticalErrors() = default;
QuietCriticalErrors::~QuietCriticalErrors() = default;

std::optional<Library> Library::Open(const std::string& path, std::string* error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error) {
            const char* why = dlerror();
            *error = why ? why : "cannot load " + path;
        }
        return std::nullopt;
    }
    return Library(handle);
}

void Library::Close(void* handle) { dlclose(handle); }

void* Library::Symbol(const char* name) const { return handle_.Get() ? dlsym(handle_.Get(), name) : nullptr; }

bool KeepLoadedUntilExit(const void*) { return true; }

}  // namespace platform
