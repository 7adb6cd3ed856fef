#include "cli/DeviceChoice.h"

#include "app/PrintableName.h"
#include "cli/Console.h"
#include "cli/DeviceNode.h"
#include "cli/DriveTable.h"

#include <charconv>

namespace kq::cli {

namespace {

std::optional<size_t> ListNumber(const std::string& spec) {
    size_t n = 0;
    auto [end, ec] = std::from_chars(spec.data(), spec.data() + spec.size(), n);
    if (ec != std::errc() || end != spec.data() + spec.size()) return std::nullopt;
    return n;
}

std::string AddressOf(const std::string& entry) { return entry.substr(0, entry.find(',')); }

}  // namespace

std::optional<std::string> ResolveDevice(const std::vector<std::string>& devices, const std::string& given) {
    std::string spec = given;
    if (IsDeviceNode(given)) {
        auto address = NodeAddress(given);
        if (!address) return std::nullopt;
        spec = *address;
    }
    if (auto n = ListNumber(spec)) {
        if (*n >= 1 && *n <= devices.size()) return devices[*n - 1];
        return std::nullopt;
    }
    for (const std::string& entry : devices)
        if (entry == spec || AddressOf(entry) == spec || ShortEntry(entry) == ShortEntry(spec)) return entry;
    return std::nullopt;
}

std::optional<std::vector<std::string>> ResolveDevices(const std::vector<std::string>& devices,
                                                       const std::vector<std::string>& names, Console& console) {
    std::vector<std::string> entries;
    for (const std::string& name : names) {
        auto entry = ResolveDevice(devices, name);
        if (!entry) {
            console.Error("no drive \"" + PrintableName(name) + "\" (--list shows them)");
            return std::nullopt;
        }
        entries.push_back(*entry);
    }
    return entries;
}

}  // namespace kq::cli
