#include "cli/DiscChecks.h"

#include "burner/ShortTrack.h"
#include "burner/kqCDBC.h"
#include "cli/CliOptions.h"
#include "jobs/DiscState.h"
#include "drive/DriveMessages.h"

#include <filesystem>

namespace kq::cli {

using namespace jobs;
namespace {

const char* Describe(DiscState state) {
    switch (state) {
        case DiscState::Blank: return "blank";
        case DiscState::Appendable: return "appendable";
        case DiscState::Incomplete: return "left with its track open";
        case DiscState::Closed: return "closed";
        default: return "in a state it does not name";
    }
}

// The sectors the track will take; nullopt when the image cannot be sized
// (a tree that cannot be burnt is refused by the burn, with its reason).
std::optional<int64_t> TrackSectors(TQCDBurner& burner, const CliOptions& options) {
    int64_t sectors = 0;
    if (options.mode == CliMode::BurnFolder) {
        std::string why;
        sectors = burner.TreeSectors(why);
        if (sectors < 0) return std::nullopt;
    } else {
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(options.image, ec);
        if (ec) return std::nullopt;
        sectors = SectorsOf(static_cast<int64_t>(bytes));
    }
    return PaddedSectors(sectors, !options.noPostGap);
}

}  // namespace

std::string ImageFitRefusal(TQCDBurner& burner, const CliOptions& options, int mediaType) {
    const auto sectors = TrackSectors(burner, options);
    return sectors ? burner.ImageTooLargeText(static_cast<uint16_t>(mediaType), *sectors) : std::string();
}

std::string BlankFitRefusal(TQCDBurner& burner, const CliOptions& options, int mediaType) {
    const auto sectors = TrackSectors(burner, options);
    if (!sectors) return {};
    const bool cd = TraitsOf(static_cast<uint16_t>(mediaType)).family == MediaFamily::Cd;
    const auto capacity = burner.DiscCapacity(cd);
    if (!capacity || *sectors <= *capacity) return {};
    return FormatDriveMessage(Msg::ImageTooLarge, {std::to_string(*sectors), std::to_string(*capacity)});
}

std::string DiscStateWarning(TQCDBurner& burner, const CliOptions& options, int mediaType) {
    if (options.testWrite || RecordingOf(mediaType) == MediaRecording::Overwritable) return {};
    const std::optional<DiscState> now = DiscStateNow(burner);
    if (!now) return {};
    const DiscState asked = options.noClose       ? DiscState::Incomplete
                            : options.finalizeDisc ? DiscState::Closed
                                                   : DiscState::Appendable;
    if (*now == asked) return {};
    return std::string("warning: the disc is now ") + Describe(*now) + ", not " + Describe(asked) + " as asked";
}

}  // namespace kq::cli
