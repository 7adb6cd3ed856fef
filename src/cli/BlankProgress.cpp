#include "cli/BlankProgress.h"

#include "jobs/ProgressLine.h"

#include <algorithm>
#include <cstdio>

namespace kq::cli {

using namespace jobs;
std::string FormatBlankLine(int progress, uint64_t elapsedMs, const std::string& doing) {
    std::string elapsed = FormatDuration(elapsedMs) + " elapsed";
    if (progress <= 0) {
        return (progress < 0 ? std::string(" --%") : std::string("  0%")) + "  " + doing + "  " + elapsed + "  --:-- left";
    }
    uint64_t done = std::min<uint64_t>(65536, static_cast<uint64_t>(progress));
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(done * 100 / 65536));
    uint64_t leftMs = elapsedMs * (65536 - done) / done;
    return std::string(percent) + "  " + doing + "  " + elapsed + "  " + FormatDuration(leftMs) + " left";
}

}  // namespace kq::cli
