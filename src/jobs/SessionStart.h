#pragma once
// Where a session's file system starts: the first data track of the
// session, from READ DISC INFORMATION and READ TRACK INFORMATION.
#include <cstdint>
#include <optional>
#include <string>

namespace kq {
class TSCSIDevice;
}

namespace kq::jobs {

struct SessionFinding {
    std::optional<uint32_t> start;
    int session = 0;
    std::string error;  // why there is none
};

// Session `number`, or the last session that holds data.
SessionFinding FindSessionStart(TSCSIDevice& drive, std::optional<int> number);

}  // namespace kq::jobs
