#include "platform/Library.h"
#include "platform/SystemError.h"

#include <windows.h>

namespace platform {

QuietCriticalErrors::QuietCriticalErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
QuietCriticalErrors::~QuietCriticalErrors() { SetErrorMode(previous_); }

std::optional<Library> Library::Open(const std::string& path, std::string* error) {
    HMODULE module;
    DWORD code;
    {
        QuietCriticalErrors quiet;
        module = LoadLibraryA(path.c_str());
        code = GetLastError();
    }
    if (!module) {
        if (error) *error = "cannot load " + path + ": " + SystemErrorText(static_cast<int>(code));
        return std::nullopt;
    }
    return Library(module);
}

void Library::Close(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }

void* Library::Symbol(const char* name) const {
    if (!handle_.Get()) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_.Get()), name));
}

bool KeepLoadedUntilExit(const void* address) {
    HMODULE module;
    return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                              static_cast<const char*>(address), &module) != 0;
}

}  // namespace platform
