#include "app/SHA256.h"

#include "platform/FileHandle.h"
#include "platform/MappedView.h"
#include "platform/Sha256.h"

#include <algorithm>

namespace kq {

namespace {

// The same sliding view as MD5File: memory stays bounded for images of
// any size, and the window is a whole number of pages.
constexpr size_t kHashWindow = size_t{64} << 20;
constexpr size_t kStopCheckBytes = size_t{4} << 20;

platform::FileHandle OpenForReading(const std::string& fileName) {
    std::error_code error;
    return platform::FileHandle(platform::FileOpen(fileName, platform::FileAccess::Read, false,
                                                   platform::FileLock::Shared, error));
}

}  // namespace

TSHA256Digest SHA256Buffer(const void* bytes, size_t length) {
    platform::Sha256 hash;
    hash.Update(bytes, length);
    return hash.Final().value_or(TSHA256Digest{});
}

TSHA256Digest SHA256File(const std::string& fileName) {
    return SHA256FileUntil(fileName, [] { return false; }).value_or(TSHA256Digest{});
}

std::optional<TSHA256Digest> SHA256FileUntil(const std::string& fileName, const std::function<bool()>& stop) {
    platform::FileHandle file = OpenForReading(fileName);
    if (!file.IsOpen()) return TSHA256Digest{};
    const int64_t size = platform::FileSize(file.Get());
    if (size <= 0) return TSHA256Digest{};

    platform::Sha256 hash;
    for (uint64_t offset = 0; offset < static_cast<uint64_t>(size); offset += kHashWindow) {
        size_t length = static_cast<size_t>(std::min<uint64_t>(kHashWindow, size - offset));
        auto view = platform::MappedView::Map(file.Get(), offset, length);
        if (!view) return TSHA256Digest{};
        // A few milliseconds of hashing between questions: an abort is heard at once.
        for (size_t done = 0; done < length; done += kStopCheckBytes) {
            if (stop()) return std::nullopt;
            const size_t piece = std::min(kStopCheckBytes, length - done);
            hash.Update(view->Data() + done, piece);
        }
    }
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
