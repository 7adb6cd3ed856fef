#pragma once
// What the disc in the selected drive says of the burn the options ask
// for: before it, whether the image fits; after it, whether the disc
// became what was asked (appendable, closed, or its track left open).
#include <string>

namespace kq {
class TQCDBurner;
}

namespace kq::cli {

struct CliOptions;

// Why the image cannot go onto the disc (it holds fewer free sectors than
// the track needs); empty when it fits or the drive does not say. Asked
// before the checksum is computed, so that a disc too small is named at once.
std::string ImageFitRefusal(TQCDBurner& burner, const CliOptions& options, int mediaType);
// The same against the room the disc will have once blanked (all of it),
// asked before the blank; empty when it fits or the drive does not say.
std::string BlankFitRefusal(TQCDBurner& burner, const CliOptions& options, int mediaType);

// After a burn that reported success: what the disc has become, as a
// warning line, when it differs from what was asked; empty when it is as
// asked or cannot be told (overwritable media, a test write, a drive that
// does not answer).
std::string DiscStateWarning(TQCDBurner& burner, const CliOptions& options, int mediaType);

}  // namespace kq::cli
