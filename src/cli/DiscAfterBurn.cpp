#include "cli/DiscAfterBurn.h"

#include "burner/kqCDBC.h"
#include "cli/CliOptions.h"

namespace kq::cli {

namespace {

enum class DiscState { Blank, Appendable, TrackOpen, Closed, Other };

DiscState StateOf(uint8_t status) {
    const uint8_t disc = status & 0x03, lastSession = (status >> 2) & 0x03;
    if (disc == 0) return DiscState::Blank;
    if (disc == 2) return DiscState::Closed;
    if (disc != 1) return DiscState::Other;
    return lastSession == 1 ? DiscState::TrackOpen : DiscState::Appendable;
}

const char* Describe(DiscState state) {
    switch (state) {
        case DiscState::Blank: return "blank";
        case DiscState::Appendable: return "appendable";
        case DiscState::TrackOpen: return "left with its track open";
        case DiscState::Closed: return "closed";
        default: return "in a state it does not name";
    }
}

bool Overwritable(int mediaType) {
    return mediaType == media::DvdRam || mediaType == media::DvdRwRestricted || mediaType == media::DvdPlusRw;
}

}  // namespace

std::string DiscStateWarning(TQCDBurner& burner, const CliOptions& options, int mediaType) {
    if (options.testWrite || Overwritable(mediaType)) return {};
    if (!burner.RefreshDiscInformation()) return {};
    const DiscState asked = options.noClose       ? DiscState::TrackOpen
                            : options.finalizeDisc ? DiscState::Closed
                                                   : DiscState::Appendable;
    const DiscState now = StateOf(burner.DiscInformationBlock()[2]);
    if (now == asked) return {};
    return std::string("warning: the disc is now ") + Describe(now) + ", not " + Describe(asked) + " as asked";
}

}  // namespace kq::cli
