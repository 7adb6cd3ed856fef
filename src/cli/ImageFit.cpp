#include "cli/ImageFit.h"

#include "burner/kqCDBC.h"
#include "cli/CliOptions.h"

#include <filesystem>

namespace kq::cli {

std::string ImageFitRefusal(TQCDBurner& burner, const CliOptions& options, int mediaType) {
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(options.image, ec);
    if (ec) return {};
    int64_t sectors = SectorsOf(static_cast<int64_t>(bytes));
    if (!options.noPostGap) sectors = std::max(sectors, kPostGapSectors);
    return burner.ImageTooLargeText(static_cast<uint16_t>(mediaType), sectors);
}

}  // namespace kq::cli
