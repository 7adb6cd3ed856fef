#include "cli/DiscAfterBurn.h"

#include "burner/kqCDBC.h"
#include "cli/CliOptions.h"
#include "cli/DiscState.h"

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
