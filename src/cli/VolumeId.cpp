#include "cli/VolumeId.h"

#include <filesystem>

namespace kq::cli {

std::string UpperAscii(const std::string& text) {
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string VolumeIdOf(const std::string& text) {
    std::string id = UpperAscii(text).substr(0, kVolumeIdLength);
    for (char& c : id)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) c = '_';
    return id;
}

std::string DefaultVolumeId(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // "." and "photos/" name a folder too.
    fs::path path = fs::absolute(fs::path(folder), ec).lexically_normal();
    if (!path.has_filename()) path = path.parent_path();
    const std::string id = VolumeIdOf(path.filename().string());
    return id.empty() ? "CDROM" : id;
}

}  // namespace kq::cli
