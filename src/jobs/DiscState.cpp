#include "jobs/DiscState.h"

#include "drive/TSCSIDevice.h"

namespace kq::jobs {

DiscState DecodeDiscState(DiscStatusFields status) {
    switch (status.DiscStatus()) {
        case kDiscEmpty: return DiscState::Blank;
        case kDiscIncomplete:
            return status.LastSessionState() == kSessionIncomplete ? DiscState::Incomplete : DiscState::Appendable;
        case kDiscComplete: return DiscState::Closed;
        default: return DiscState::Overwritable;  // random-access media have no sessions to close
    }
}

std::optional<DiscState> DiscStateNow(TSCSIDevice& drive) {
    if (!drive.RefreshDiscInformation()) return std::nullopt;
    return DecodeDiscState(drive.DiscInformationStatus());
}

std::string DiscStateName(DiscState state) {
    switch (state) {
        case DiscState::Blank: return "blank";
        case DiscState::Appendable: return "appendable";
        case DiscState::Incomplete: return "incomplete";
        case DiscState::Closed: return "closed";
        case DiscState::Overwritable: return "overwritable";
    }
    return "unknown";
}

}  // namespace kq::jobs
