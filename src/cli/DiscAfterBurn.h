#pragma once
// After a burn that reported success: is the disc as the user asked
// (appendable, closed, or its track left open)?
#include <string>

namespace kq {
class TQCDBurner;
}

namespace kq::cli {

struct CliOptions;

// What the disc has become, as a warning line, when it differs from what
// was asked; empty when it is as asked or cannot be told (overwritable
// media, a test write, a drive that does not answer).
std::string DiscStateWarning(TQCDBurner& burner, const CliOptions& options, int mediaType);

}  // namespace kq::cli
