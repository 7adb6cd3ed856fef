#include "cli/ImageCheck.h"

#include "app/ImageChecksum.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"

#include "platform/FileHandle.h"

#include <filesystem>

namespace kq::cli {

namespace {

namespace fs = std::filesystem;

// Empty when the file opens for reading; the reason otherwise.
std::string WhyUnreadable(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return "it is a folder";
    std::error_code why;
    platform::FileHandle file(platform::FileOpen(path, platform::FileAccess::Read, false, platform::FileLock::None, why));
    return file.IsOpen() ? std::string() : why.message();
}

std::string ReplacedExtension(const std::string& image) {
    return fs::path(image).replace_extension(".md5").string();
}

}  // namespace

std::string UnreadableCompanion(const std::string& image) {
    for (const std::string& companion : {ReplacedExtension(image), image + ".md5"}) {
        std::error_code ec;
        if (!fs::exists(companion, ec)) continue;
        std::string why = WhyUnreadable(companion);
        if (!why.empty()) return companion + ": " + why;
    }
    return {};
}

int CheckImage(const std::string& image, bool skipChecksum, Console& console) {
    std::error_code ec;
    if (!fs::exists(image, ec)) {
        console.Error("cannot read the image " + image + ": no such file");
        return kExitUsage;
    }
    if (std::string why = WhyUnreadable(image); !why.empty()) {
        console.Error("cannot read the image " + image + ": " + why);
        return kExitUsage;
    }
    if (fs::file_size(image, ec) == 0 && !ec) {
        console.Error("cannot burn " + image + ": the image is empty");
        return kExitUsage;
    }
    if (skipChecksum) return kExitSuccess;
    if (std::string bad = UnreadableCompanion(image); !bad.empty()) {
        console.Error("cannot read the checksum file " + bad + " (--no-checksum skips the check)");
        return kExitUsage;
    }
    std::string checksum = ReadImageChecksum(image);
    if (checksum.empty()) return kExitSuccess;
    console.Line("checking " + image + " against its .md5 companion...");
    const std::optional<TMD5Digest> digest = MD5FileUntil(image, InterruptRequested);
    if (!digest) {
        console.Error("checksum: aborted");
        return kExitAborted;
    }
    if (!ChecksumMatches(checksum, *digest)) {
        console.Error("Error in md5-checksum: " + image + " is corrupted. Please download it again.");
        return kExitChecksumMismatch;
    }
    console.Line("checksum: good");
    return kExitSuccess;
}

}  // namespace kq::cli
