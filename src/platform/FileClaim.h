#pragma once
// A claim on a file among processes: held while the returned handle is
// open, and gone with the process however it ends. Reads and writes of the
// file through other handles are not hindered, by this process or others;
// only a second claim is refused.
//
// Linux: an exclusive flock on a descriptor of its own (two descriptors
// conflict even in one process). Windows: an exclusive lock on one byte
// far past any data the file will hold, as a share mode would shut out
// the claimer's own other handles.
#include "platform/FileHandle.h"

#include <string>
#include <system_error>

namespace platform {

// The held claim on an existing file, or a closed handle with error set:
// device_or_resource_busy while another handle holds it, else the
// system's reason.
[[nodiscard]] FileHandle ClaimFile(const std::string& path, std::error_code& error);

}  // namespace platform
