#pragma once
// The pass-through layer's drive table, writable, for the layer's own files.
#include "transport/PassThrough.h"

namespace kq::spti {
SPTIDriveTable& Table();
}  // namespace kq::spti
