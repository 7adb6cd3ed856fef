#include "cli/ImageCheck.h"

#include "app/PrintableName.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "digest/ChecksumCompanion.h"
#include "digest/RegularFile.h"

#include "platform/FileHandle.h"

#include <filesystem>

namespace kq::cli {

namespace {

namespace fs = std::filesystem;

// Empty when the file opens for reading; the reason otherwise. Its kind
// is asked first: a FIFO is refused before open() could wait on it.
std::string WhyUnreadable(const std::string& path) {
    if (std::string kind = NotARegularFile(path); !kind.empty()) return kind;
    std::error_code why;
    platform::FileHandle file(platform::FileOpen(path, platform::FileAccess::Read, false, platform::FileLock::None, why));
    return file.IsOpen() ? std::string() : why.message();
}

// A companion is there but gives nothing to compare with: the image is
// not burnt unchecked.
int RefuseCompanion(const CompanionFinding& found, const std::string& image, Console& console) {
    const std::string skip = " (--no-checksum skips the check)";
    switch (found.outcome) {
    case CompanionOutcome::Unreadable:
        console.Error("cannot read the checksum file " + PrintableName(found.path) + ": " + found.why + skip);
        break;
    case CompanionOutcome::NotListed:
        console.Error(PrintableName(found.path) + " does not list " + PrintableName(fs::path(image).filename().string()) +
                      skip);
        break;
    default:
        console.Error(PrintableName(found.path) + " holds no " + DigestName(found.kind) + " digest" + skip);
        break;
    }
    return kExitChecksumMismatch;
}

std::string CompanionDescription(const CompanionFinding& found) {
    if (found.folderList) return PrintableName(fs::path(found.path).filename().string());
    return std::string("its .") + DigestTag(found.kind) + " companion";
}

int CompareWithCompanion(const std::string& image, Console& console, std::optional<CheckedDigest>* checked) {
    CompanionFinding found = FindImageCompanion(image, true);
    if (found.outcome == CompanionOutcome::None) return kExitSuccess;
    if (found.outcome != CompanionOutcome::Digest) return RefuseCompanion(found, image, console);
    console.Line("checking " + PrintableName(image) + " against " + CompanionDescription(found) + "...");
    const std::optional<std::string> digest = ImageDigestPrintUntil(found.kind, image, InterruptRequested);
    if (!digest) {
        console.Error("checksum: aborted");
        return kExitAborted;
    }
    if (*digest != found.expected) {
        console.Error(std::string("Error in ") + DigestTag(found.kind) + "-checksum: " + PrintableName(image) +
                      " is corrupted. Please download it again.");
        return kExitChecksumMismatch;
    }
    console.Line("checksum: good");
    if (checked) *checked = CheckedDigest{found.kind, found.expected};
    return kExitSuccess;
}

}  // namespace

std::optional<CheckedDigest> ParseCheckedDigest(const std::string& text) {
    for (DigestKind kind : {DigestKind::MD5, DigestKind::SHA256}) {
        const std::string tag = std::string(DigestTag(kind)) + ":";
        if (!text.starts_with(tag)) continue;
        std::string digest = text.substr(tag.size());
        if (digest.size() != DigestDigits(kind)) return std::nullopt;
        for (char& c : digest) {
            if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return std::nullopt;
        }
        return CheckedDigest{kind, digest};
    }
    return std::nullopt;
}

std::string CheckedDigestText(const CheckedDigest& checked) {
    return std::string(DigestTag(checked.kind)) + ":" + checked.digest;
}

int CheckImage(const std::string& image, bool skipChecksum, Console& console,
               std::optional<CheckedDigest>* checked) {
    std::error_code ec;
    if (platform::FileKindAt(image) == platform::FileKind::Missing) {
        console.Error("cannot read the image " + PrintableName(image) + ": no such file");
        return kExitUsage;
    }
    if (std::string why = WhyUnreadable(image); !why.empty()) {
        console.Error("cannot read the image " + PrintableName(image) + ": " + why);
        return kExitUsage;
    }
    if (fs::file_size(image, ec) == 0 && !ec) {
        console.Error("cannot burn " + PrintableName(image) + ": the image is empty");
        return kExitUsage;
    }
    if (skipChecksum) return kExitSuccess;
    return CompareWithCompanion(image, console, checked);
}

}  // namespace kq::cli
