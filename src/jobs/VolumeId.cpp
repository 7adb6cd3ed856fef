#include "jobs/VolumeId.h"

#include <filesystem>

namespace kq::jobs {

std::string UpperAscii(const std::string& text) {
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string VolumeIdOf(const std::string& text) {
    std::string id;
    for (const char c : UpperAscii(text)) {
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;  // one _ for a whole UTF-8 character
        const bool valid = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        id += valid ? c : '_';
    }
    return id.substr(0, kVolumeIdLength);
}

std::string DefaultVolumeId(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // "." and "photos/" name a folder too. The name is UTF-8 on every
    // system: a path from a narrow string would be read in Windows' code page.
    fs::path path = fs::absolute(fs::path(std::u8string(folder.begin(), folder.end())), ec).lexically_normal();
    if (!path.has_filename()) path = path.parent_path();
    const std::u8string name = path.filename().u8string();
    const std::string id = VolumeIdOf(std::string(name.begin(), name.end()));
    return id.empty() ? "CDROM" : id;
}

}  // namespace kq::jobs
