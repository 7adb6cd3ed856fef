#pragma once
// Which entry of the device list the user means by --device.
#include <optional>
#include <string>
#include <vector>

namespace kq::cli {

class Console;

// N (its number in --list, from 1), H:T:L (the entry's address), a
// pass-through device node (/dev/sr0) or the entry itself, exactly or
// with its padding blanks cut. nullopt when no entry matches.
[[nodiscard]] std::optional<std::string> ResolveDevice(const std::vector<std::string>& devices, const std::string& spec);

// The entry of each name given with --device, in their order; nullopt
// after an error line naming the first that matches no entry.
[[nodiscard]] std::optional<std::vector<std::string>> ResolveDevices(const std::vector<std::string>& devices,
                                                       const std::vector<std::string>& names, Console& console);

}  // namespace kq::cli
