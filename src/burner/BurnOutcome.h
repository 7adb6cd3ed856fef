#pragma once
// How a burn ended, as a value to decide on; its text is for people.
#include <cstdint>

namespace kq {

enum class BurnOutcome : uint8_t { Success, Aborted, Failed };

}  // namespace kq
