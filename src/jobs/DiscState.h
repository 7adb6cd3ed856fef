#pragma once
// The disc's state as READ DISC INFORMATION byte 2 tells it.
#include "drive/DiscStatus.h"

#include <optional>
#include <string>

namespace kq {
class TSCSIDevice;
}

namespace kq::jobs {

enum class DiscState { Blank, Appendable, Incomplete, Closed, Overwritable };

// An appendable disc whose last session is itself incomplete holds an
// open track: a burn that never closed it.
DiscState DecodeDiscState(DiscStatusFields status);

// The state READ DISC INFORMATION gives now; none when the drive does
// not tell. The drive keeps the reply for the session counts.
std::optional<DiscState> DiscStateNow(TSCSIDevice& drive);

// "blank", "appendable", "incomplete", "closed" or "overwritable".
std::string DiscStateName(DiscState state);

}  // namespace kq::jobs
