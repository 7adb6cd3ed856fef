#include "platform/SystemError.h"

#include <system_error>

namespace platform {

std::string SystemErrorText(int code) { return std::generic_category().message(code); }

}  // namespace platform
