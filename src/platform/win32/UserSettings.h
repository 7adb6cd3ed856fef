#pragma once
// Numbers kept for the user between runs (a window's size, its last page),
// in the registry under HKEY_CURRENT_USER\Software\<app>.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Nothing when the app's key or the value is missing or not a number.
std::optional<uint32_t> ReadUserNumber(const std::string& app, const std::string& name);
// False when the key cannot be made or written (a locked-down profile).
bool WriteUserNumber(const std::string& app, const std::string& name, uint32_t value);

}  // namespace platform
