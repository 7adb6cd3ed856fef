#pragma once
// The disc's state as READ DISC INFORMATION byte 2 tells it.
#include <cstdint>
#include <string>

namespace kq::cli {

enum class DiscState { Blank, Appendable, Incomplete, Closed, Overwritable };

// Bits 0-1 are the disc status, bits 2-3 the state of its last session.
// An appendable disc whose last session is itself incomplete holds an
// open track: a burn that never closed it.
DiscState DecodeDiscState(uint8_t statusByte);

// "blank", "appendable", "incomplete", "closed" or "overwritable".
std::string DiscStateName(DiscState state);

}  // namespace kq::cli
