#pragma once
// Which companion file holds an image's checksum, and what it says.
// Read in this order, the first that holds a digest deciding:
//   IMAGE without its extension + ".md5", IMAGE + ".md5",
//   IMAGE without its extension + ".sha256", IMAGE + ".sha256",
//   "SHA256SUMS" in the image's folder, only when it names the image.
// A blank companion is passed over for the next, as is a SHA256SUMS
// that does not name the image.
#include "digest/ChecksumList.h"

#include <functional>
#include <optional>
#include <string>

namespace kq {

enum class CompanionOutcome {
    None,        // no companion: nothing to compare
    Digest,      // expected holds the digest to compare
    Blank,       // the first companion found holds only blanks, and no later one a digest
    NoDigest,    // holds no digest of its kind
    NotListed,   // a list that does not name the image
    Unreadable,  // exists but cannot be read (only when asked to stop there)
};

struct CompanionFinding {
    CompanionOutcome outcome = CompanionOutcome::None;
    std::string path;  // the companion the outcome is about
    DigestKind kind = DigestKind::MD5;
    bool folderList = false;  // the folder's SHA256SUMS rather than the image's own companion
    std::string expected;  // lower-case hex digest
    std::string why;       // Unreadable: the system's reason
};

// With stopAtUnreadable a companion that exists but cannot be read ends
// the search; otherwise it counts as missing, as the window has it.
CompanionFinding FindImageCompanion(const std::string& imagePath, bool stopAtUnreadable);

// True for a name that only a companion has: ending in .md5 or .sha256
// (any case), or SHA256SUMS / MD5SUMS.
bool LooksLikeCompanion(const std::string& path);
// A companion the user names, without its image: MD5 for ".md5" and
// MD5SUMS, SHA-256 otherwise; the digest of the image it is named after
// (the name without that extension), or its one digest whatever it names.
CompanionFinding ReadNamedCompanion(const std::string& companionPath);

// The print of the image's digest of that kind: lower-case hex, all zeros
// when the image cannot be read.
std::string ImageDigestPrint(DigestKind kind, const std::string& imagePath);
// The same, asking `stop` every few megabytes; nullopt once it says yes.
[[nodiscard]] std::optional<std::string> ImageDigestPrintUntil(DigestKind kind, const std::string& imagePath,
                                                 const std::function<bool()>& stop);

}  // namespace kq
