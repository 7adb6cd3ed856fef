#include "platform/Library.h"

#include <windows.h>

namespace platform {

namespace {

// The system's text for an error code, without its line end.
std::string SystemText(DWORD code) {
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = n && text ? std::string(text, n) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result;
}

}  // namespace

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
        if (error) *error = "cannot load " + path + ": " + SystemText(code);
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
