#include "jobs/DiscState.h"

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
