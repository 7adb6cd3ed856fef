#include "digest/SHA256.h"

#include "digest/FilePieces.h"
#include "platform/Sha256.h"

#include <algorithm>

namespace kq {

TSHA256Digest SHA256Buffer(const void* bytes, size_t length) {
    platform::Sha256 hash;
    hash.Update(bytes, length);
    return hash.Final().value_or(TSHA256Digest{});
}

TSHA256Digest SHA256File(const std::string& fileName) {
    return SHA256FileUntil(fileName, [] { return false; }).value_or(TSHA256Digest{});
}

std::optional<TSHA256Digest> SHA256FileUntil(const std::string& fileName, const std::function<bool()>& stop) {
    platform::Sha256 hash;
    const FileWalk walk = ForEachFilePiece(fileName, stop, [&hash](const uint8_t* bytes, size_t length) {
        hash.Update(bytes, length);
    });
    if (walk == FileWalk::Stopped) return std::nullopt;
    if (walk == FileWalk::Failed) return TSHA256Digest{};
    return hash.Final().value_or(TSHA256Digest{});
}

std::string SHA256Print(const TSHA256Digest& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * digest.size());
    for (uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

}  // namespace kq
