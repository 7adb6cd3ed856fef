#include "platform/Library.h"

#include <dlfcn.h>

#include <utility>

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

Library::Library(Library&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        if (handle_) dlclose(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Library::~Library() {
    if (handle_) dlclose(handle_);
}

void* Library::Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

bool KeepLoadedUntilExit(const void*) { return true; }

}  // namespace platform
