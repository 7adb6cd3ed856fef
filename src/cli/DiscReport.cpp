#include "cli/DiscReport.h"

#include "jobs/DiscState.h"
#include "jobs/TocTrack.h"
#include "drive/ReplyLength.h"
#include "drive/TSCSIDevice.h"

#include <array>
#include <cstdio>

namespace kq::cli {
namespace {

constexpr double kSectorsPerSecond = 75.0;  // CD at 1x
constexpr double kMB = 1024.0 * 1024.0;

std::string Sectors(uint64_t sectors, bool cd) {
    char text[96];
    double mb = static_cast<double>(sectors) * kSectorSize / kMB;
    if (cd) {
        auto seconds = static_cast<uint64_t>(static_cast<double>(sectors) / kSectorsPerSecond);
        std::snprintf(text, sizeof text, "%llu sectors (%.1f MB, %llu:%02llu min)",
                      static_cast<unsigned long long>(sectors), mb, static_cast<unsigned long long>(seconds / 60),
                      static_cast<unsigned long long>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%llu sectors (%.1f MB)", static_cast<unsigned long long>(sectors), mb);
    }
    return text;
}

std::string TrackLine(const TrackSummary& t, bool cd) {
    std::string head = "  session " + std::to_string(t.session) + ", track " + std::to_string(t.number) + ": ";
    std::string start = "start " + std::to_string(t.start) + ", ";
    if (t.blank) return head + start + "blank, " + Sectors(t.freeBlocks, cd) + " free";
    if (t.nextWritable && *t.nextWritable >= t.start)
        return head + start + "open, " + Sectors(*t.nextWritable - t.start, cd) + " written";
    return head + start + Sectors(t.size, cd);
}

std::string TocLine(const TocSummary& toc) {
    std::string line = "  toc: tracks " + std::to_string(toc.firstTrack) + "-" + std::to_string(toc.lastTrack);
    for (const auto& [track, start] : toc.starts)
        line += ", " + std::to_string(track) + " at " + std::to_string(start);
    if (toc.leadOut) line += ", lead-out at " + std::to_string(*toc.leadOut);
    return line;
}

std::string Failure(TSCSIDevice& device, const std::string& what) {
    std::string why = device.LastErrorText();
    return "the drive cannot describe " + what + (why.empty() ? "" : " [" + why + "]");
}

std::string TooShort(const std::string& what, size_t received) {
    return "the drive's " + what + " is too short (" + std::to_string(received) + " bytes)";
}

std::optional<TocSummary> ReadToc(TSCSIDevice& device) {
    alignas(4) std::array<uint8_t, kTocLength> reply{};
    // A blank disc has no TOC; the drive refuses the command.
    if (!device.ReadTocPmaAtip(kTocFormat, reply, false, 0, 0, kTocLength)) return std::nullopt;
    return DecodeToc(reply);
}

}  // namespace

std::string StateText(const DiscSummary& disc) {
    const DiscState state = DecodeDiscState(disc.status);
    std::string name = DiscStateName(state);
    if (state == DiscState::Blank || state == DiscState::Overwritable) return name;
    int sessions = disc.sessions;
    if (disc.status.LastSessionState() == kSessionEmpty && sessions > 0) --sessions;
    return name + ", " + std::to_string(sessions) + (sessions == 1 ? " session" : " sessions");
}

std::vector<std::string> DescribeDisc(const std::vector<TrackSummary>& tracks, const std::optional<TocSummary>& toc,
                                      std::optional<int64_t> capacity, bool cd, int mediaType) {
    DiscSpace space = SpaceOf(tracks, toc);
    const uint64_t total = capacity ? static_cast<uint64_t>(*capacity) : space.used + space.free;
    std::vector<std::string> lines{"  capacity: " + Sectors(total, cd)};
    // Without the drive's own figure a closed disc tells only what it
    // holds, not what its layers held.
    if (const int layers = LayersOf(mediaType, total); layers > 1 && (capacity || space.free > 0))
        lines.push_back("  layers: " + std::to_string(layers) + ", " + Sectors(total / static_cast<uint64_t>(layers), cd) +
                        " each");
    lines.push_back("  used: " + Sectors(space.used, cd));
    lines.push_back("  free: " + Sectors(space.free, cd));
    for (const TrackSummary& t : tracks) lines.push_back(TrackLine(t, cd));
    if (toc) lines.push_back(TocLine(*toc));
    return lines;
}

DiscReport ReadDiscReport(TSCSIDevice& device, bool cd, int mediaType) {
    if (RandomAccess(mediaType)) return ReadRandomAccessReport(device, mediaType);
    DiscReport report;
    auto lock = device.LockCommands();  // the error texts belong to these commands
    alignas(4) std::array<uint8_t, kDiscInformationLength> info{};
    if (!device.ReadDiscInformation(info, kDiscInformationLength)) {
        report.error = Failure(device, "the disc");
        return report;
    }
    size_t received = Length16Reply(info, info.size());
    auto disc = DecodeDiscInformation(info);
    if (!disc) {
        report.error = TooShort("disc information", received);
        return report;
    }
    report.state = StateText(*disc);
    std::vector<TrackSummary> tracks;
    for (int n = std::max(1, disc->firstTrack); n <= disc->lastTrack; ++n) {
        alignas(4) std::array<uint8_t, kTrackInformationLength> reply{};
        if (!device.ReadTrackInformation(kByTrackNumber, static_cast<uint32_t>(n), reply,
                                         kTrackInformationLength)) {
            if (RefusedAsUnknown(device)) break;  // a drive that only reads: the TOC tells the rest
            report.error = Failure(device, "track " + std::to_string(n));
            return report;
        }
        received = Length16Reply(reply, reply.size());
        auto track = DecodeTrackInformation(reply);
        if (!track) {
            report.error = TooShort("information on track " + std::to_string(n), received);
            return report;
        }
        tracks.push_back(*track);
    }
    const auto toc = ReadToc(device);
    report.lines = DescribeDisc(tracks, toc, device.DiscCapacity(cd), cd, mediaType);
    return report;
}

}  // namespace kq::cli
