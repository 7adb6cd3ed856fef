#include "cli/DiscState.h"

namespace kq::cli {

namespace {
constexpr uint8_t kSessionIncomplete = 1;
}  // namespace

DiscState DecodeDiscState(uint8_t statusByte) {
    switch (statusByte & 0x03) {
        case 0: return DiscState::Blank;
        case 1:
            return ((statusByte >> 2) & 0x03) == kSessionIncomplete ? DiscState::Incomplete
                                                                    : DiscState::Appendable;
        case 2: return DiscState::Closed;
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

}  // namespace kq::cli
