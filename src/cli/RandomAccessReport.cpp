// --info of a disc written in place: no sessions to tell, only how much it
// takes once formatted and how much of it the file system on it uses.
#include "jobs/DataTrack.h"
#include "cli/DiscReport.h"
#include "drive/MediaTypes.h"
#include "drive/TSCSIDevice.h"

#include <cstdio>

namespace kq::cli {
namespace {

std::string Sectors(uint64_t sectors) {
    char text[64];
    std::snprintf(text, sizeof text, "%llu sectors (%.1f MB)", static_cast<unsigned long long>(sectors),
                  static_cast<double>(sectors) * kSectorSize / (1024.0 * 1024.0));
    return text;
}

std::string StateOf(int mediaType, bool unformatted) {
    if (mediaType == media::BdRRandom) return "random recording";
    return unformatted ? "unformatted" : "overwritable";
}

// The formatted capacity: READ CAPACITY's last block, else what READ
// FORMAT CAPACITIES says formatting gives.
std::optional<uint64_t> Capacity(TSCSIDevice& device, const std::optional<FormatCapacities>& formats,
                                 bool unformatted) {
    uint32_t last = 0;
    if (!unformatted && device.ReadCapacity(last)) return uint64_t{last} + 1;
    if (formats && formats->blocks > 0) return formats->blocks;
    return std::nullopt;
}

}  // namespace

bool RandomAccess(int mediaType) {
    return RecordingOf(mediaType) == MediaRecording::Overwritable || mediaType == media::BdRRandom;
}

DiscReport ReadRandomAccessReport(TSCSIDevice& device, int mediaType) {
    DiscReport report;
    auto lock = device.LockCommands();
    const std::optional<FormatCapacities> formats = device.ReadFormatCapacities();
    const bool unformatted = mediaType == media::BdRe && formats && formats->unformatted;
    report.state = StateOf(mediaType, unformatted);
    const auto capacity = Capacity(device, formats, unformatted);
    if (!capacity) {
        report.error = "the drive does not tell the disc's capacity [" + device.LastErrorText() + "]";
        return report;
    }
    report.lines.push_back("  capacity: " + Sectors(*capacity) + (unformatted ? " once formatted" : ""));
    if (const int layers = LayersOf(mediaType, *capacity); layers > 1)
        report.lines.push_back("  layers: " + std::to_string(layers) + ", " +
                               Sectors(*capacity / static_cast<uint64_t>(layers)) + " each");
    const auto volume = unformatted ? std::nullopt : IsoVolumeSectors(device, 0);
    if (!volume || *volume > *capacity) {
        report.lines.push_back("  used: no ISO 9660 volume on it");
        return report;
    }
    report.lines.push_back("  used: " + Sectors(*volume) + " (its ISO 9660 volume)");
    report.lines.push_back("  free: " + Sectors(*capacity - *volume));
    return report;
}

}  // namespace kq::cli
