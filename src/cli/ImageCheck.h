#pragma once
// The image before any drive is touched: it can be read, and it matches
// its checksum companion.
#include "cli/Console.h"
#include "digest/ChecksumList.h"

#include <optional>
#include <string>

namespace kq::cli {

// The digest an image matched: the burn compares the bytes it sends with it.
struct CheckedDigest {
    DigestKind kind = DigestKind::MD5;
    std::string digest;  // lower-case hex
};

// "md5:<32 hex digits>" or "sha256:<64 hex digits>", as a parent burn hands
// its checked digest to its children; nullopt for anything else.
[[nodiscard]] std::optional<CheckedDigest> ParseCheckedDigest(const std::string& text);
std::string CheckedDigestText(const CheckedDigest& checked);

// 0 when the image may be burnt; otherwise the exit code, with one line
// on the console saying why (2: unreadable or empty image; 3: the digests
// differ, or a companion exists that cannot be read or holds no digest for
// the image; 130: Ctrl-C stopped the check). With `skipChecksum` only the
// image itself is checked. A digest that matched goes to `checked`.
int CheckImage(const std::string& image, bool skipChecksum, Console& console,
               std::optional<CheckedDigest>* checked = nullptr);

}  // namespace kq::cli
