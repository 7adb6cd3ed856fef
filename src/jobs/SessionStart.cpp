#include "jobs/SessionStart.h"

#include "drive/DiscReplies.h"
#include "drive/TSCSIDevice.h"

#include <array>

namespace kq::jobs {

namespace {

std::optional<TrackSummary> Track(TSCSIDevice& drive, int number) {
    alignas(4) std::array<uint8_t, kTrackInformationLength> reply{};
    if (!drive.ReadTrackInformation(kByTrackNumber, static_cast<uint32_t>(number), reply, kTrackInformationLength))
        return std::nullopt;
    return DecodeTrackInformation(reply);
}

}  // namespace

// From the last track down: the wanted session's tracks are met last to
// first, so the last one met is the session's first.
SessionFinding FindSessionStart(TSCSIDevice& drive, std::optional<int> number) {
    SessionFinding found;
    auto lock = drive.LockCommands();
    alignas(4) std::array<uint8_t, kDiscInformationLength> info{};
    std::optional<DiscSummary> disc;
    if (drive.ReadDiscInformation(info, kDiscInformationLength)) disc = DecodeDiscInformation(info);
    if (!disc) {
        found.error = "the drive cannot describe the disc [" + drive.LastErrorText() + "]";
        return found;
    }
    int wanted = number.value_or(0), last = 0;
    for (int n = disc->lastTrack; n >= std::max(1, disc->firstTrack); --n) {
        const auto track = Track(drive, n);
        if (!track) {
            found.error = "the drive cannot describe track " + std::to_string(n) + " [" + drive.LastErrorText() + "]";
            return found;
        }
        last = std::max(last, track->session);
        if (track->blank || !track->data) continue;
        if (wanted == 0) wanted = track->session;
        if (track->session < wanted) break;
        if (track->session == wanted) found.start = track->start, found.session = wanted;
    }
    if (!found.start)
        found.error = number ? "the disc has no data in session " + std::to_string(*number) + " (sessions 1 to " +
                                   std::to_string(last) + ")"
                             : "the disc holds no data track";
    return found;
}

}  // namespace kq::jobs
