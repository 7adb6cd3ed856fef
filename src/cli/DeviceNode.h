#pragma once
// A drive named by its device node (/dev/sr0), found through the
// pass-through layer's table.
#include <optional>
#include <string>

namespace kq::cli {

bool IsDeviceNode(const std::string& spec);

// "H:T:L" of the present pass-through drive at that node (links such as
// /dev/cdrom followed); nullopt when none is there.
[[nodiscard]] std::optional<std::string> NodeAddress(const std::string& node);

}  // namespace kq::cli
