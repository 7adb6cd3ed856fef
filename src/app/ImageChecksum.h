#pragma once
// The check of an image against the checksum in its ".md5" companion.
#include "digest/MD5.h"

#include <string>

namespace kq {

// The companion's text with characters of code 32 and below trimmed from
// both ends: first "<image without extension>.md5", and when that is
// missing or blank, "<image>.md5". Empty when the image has no checksum.
// A byte-order mark is passed over, and a tagged or escaped first line
// ("MD5 (disc.iso) = digest") gives its digest as the text.
std::string ReadImageChecksum(const std::string& imagePath);

// True when the first 32 characters of the checksum text, lower-cased,
// are the digest's print. A shorter text never matches.
bool ChecksumMatches(const std::string& checksumText, const TMD5Digest& digest);

// True when the image has no checksum, or its digest matches it. An image
// that cannot be read has the all-zero digest and so fails a real checksum.
bool ImageChecksumGood(const std::string& imagePath);

}  // namespace kq
