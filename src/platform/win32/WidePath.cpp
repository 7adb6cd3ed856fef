#include "platform/win32/WidePath.h"

#include <windows.h>

namespace platform {

namespace {

std::wstring Decode(UINT codePage, DWORD flags, const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), units);
    return wide;
}

}  // namespace

std::wstring WidePath(const std::string& path) {
    std::wstring wide = Decode(CP_UTF8, MB_ERR_INVALID_CHARS, path);
    return wide.empty() && !path.empty() ? Decode(CP_ACP, 0, path) : wide;
}

std::string Utf8Of(const wchar_t* name) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, name, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return {};
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, name, -1, out.data(), bytes, nullptr, nullptr);
    out.pop_back();  // the terminating zero
    return out;
}

}  // namespace platform
