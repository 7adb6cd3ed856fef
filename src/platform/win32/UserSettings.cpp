#include "platform/win32/UserSettings.h"

#include "platform/win32/WidePath.h"

#include <windows.h>

namespace platform {

namespace {

std::wstring KeyOf(const std::string& app) { return L"Software\\" + WidePath(app); }

}  // namespace

std::optional<uint32_t> ReadUserNumber(const std::string& app, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyOf(app).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG status = RegQueryValueExW(key, WidePath(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                   &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return value;
}

bool WriteUserNumber(const std::string& app, const std::string& name, uint32_t value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, KeyOf(app).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    DWORD number = value;
    LONG status = RegSetValueExW(key, WidePath(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                 sizeof number);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace platform
