#pragma once
// Whether the image fits the disc, asked before the checksum is computed
// so that a disc too small is named at once.
#include <string>

namespace kq {
class TQCDBurner;
}

namespace kq::cli {

struct CliOptions;

// Why the image cannot go onto the disc in the selected drive (it holds
// fewer free sectors than the track needs); empty when it fits or the
// drive does not say.
std::string ImageFitRefusal(TQCDBurner& burner, const CliOptions& options, int mediaType);

}  // namespace kq::cli
