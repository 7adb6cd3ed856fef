#include "cli/DiscChecks.h"

#include "burner/kqCDBC.h"
#include "cli/CliOptions.h"
#include "cli/DiscState.h"

#include <filesystem>

namespace kq::cli {

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

}  // namespace

std::string ImageFitRefusal(TQCDBurner& burner, const CliOptions& options, int mediaType) {
    std::error_code ec;
    std::string why;
    const auto bytes = options.TreeMode() ? 0 : std::filesystem::file_size(options.image, ec);
    if (ec) return {};
    // A tree that cannot be burnt is refused by the burn, with its reason.
    int64_t sectors = options.TreeMode() ? burner.TreeSectors(why) : SectorsOf(static_cast<int64_t>(bytes));
    if (sectors < 0) return {};
    if (!options.noPostGap) sectors = std::max(sectors, kPostGapSectors);
    return burner.ImageTooLargeText(static_cast<uint16_t>(mediaType), sectors);
}

std::string DiscStateWarning(TQCDBurner& burner, const CliOptions& options, int mediaType) {
    if (options.testWrite || RecordingOf(mediaType) == MediaRecording::Overwritable) return {};
    if (!burner.RefreshDiscInformation()) return {};
    const DiscState asked = options.noClose       ? DiscState::Incomplete
                            : options.finalizeDisc ? DiscState::Closed
                                                   : DiscState::Appendable;
    const DiscState now = DecodeDiscState(burner.DiscInformationStatus());
    if (now == asked) return {};
    return std::string("warning: the disc is now ") + Describe(now) + ", not " + Describe(asked) + " as asked";
}

}  // namespace kq::cli
