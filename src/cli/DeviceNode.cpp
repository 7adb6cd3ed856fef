#include "cli/DeviceNode.h"

#include "transport/PassThrough.h"

#include <filesystem>

namespace kq::cli {

namespace {

std::string Resolved(const std::string& node) {
    std::error_code ignored;
    auto path = std::filesystem::weakly_canonical(node, ignored);
    return path.empty() ? node : path.string();
}

}  // namespace

bool IsDeviceNode(const std::string& spec) { return spec.starts_with("/dev/"); }

std::optional<std::string> NodeAddress(const std::string& node) {
    const std::string wanted = Resolved(node);
    for (const TSPTIDrive& drive : SPTIDrives()) {
        if (!drive.Present || drive.Node.empty() || Resolved(drive.Node) != wanted) continue;
        return std::to_string(drive.HaId) + ":" + std::to_string(drive.Target) + ":" + std::to_string(drive.Lun);
    }
    return std::nullopt;
}

}  // namespace kq::cli
