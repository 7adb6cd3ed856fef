#pragma once
// The system's own words for one of its error numbers: errno on Linux
// (as strerror gives them), a Win32 error on Windows (as FormatMessage
// gives them), without a line end or closing full stop.
#include <string>

namespace platform {

std::string SystemErrorText(int code);

}  // namespace platform
