#include "app/MD5.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace kq {

namespace {

// Large files are hashed through a sliding view, so memory stays bounded
// and any size works on any address space. A whole number of 64-byte
// blocks and of pages.
constexpr size_t kHashWindow = size_t{64} << 20;
constexpr size_t kStopCheckBytes = size_t{4} << 20;

// The file open for reading; others may read it too (see FileHandle.h for
// what sharing means on this system).
platform::FileHandle OpenForReading(const std::string& fileName) {
    std::error_code error;
    return platform::FileHandle(platform::FileOpen(fileName, platform::FileAccess::Read, false,
                                                   platform::FileLock::Shared, error));
}

}  // namespace

bool MapFile(TMappedFile& mapped, const std::string& fileName) {
    UnmapFile(mapped);
    mapped.File = OpenForReading(fileName);
    if (!mapped.File.IsOpen()) return false;
    mapped.Size = platform::FileSize(mapped.File.Get());
    if (mapped.Size > 0 && static_cast<uint64_t>(mapped.Size) <= std::numeric_limits<size_t>::max())
        mapped.View = platform::MappedView::Map(mapped.File.Get(), 0, static_cast<size_t>(mapped.Size));
    if (mapped.View) return true;
    UnmapFile(mapped);
    return false;
}

void UnmapFile(TMappedFile& mapped) {
    mapped.View.reset();
    mapped.File = platform::FileHandle();
    mapped.Size = 0;
}

std::string ReadTextFile(const std::string& fileName) {
    TMappedFile mapped;
    if (!MapFile(mapped, fileName)) return {};
    return std::string(reinterpret_cast<const char*>(mapped.Address()), static_cast<size_t>(mapped.Size));
}

TMD5Digest MD5File(const std::string& fileName) {
    return MD5FileUntil(fileName, [] { return false; }).value_or(TMD5Digest{});
}

std::optional<TMD5Digest> MD5FileUntil(const std::string& fileName, const std::function<bool()>& stop) {
    platform::FileHandle file = OpenForReading(fileName);
    if (!file.IsOpen()) return TMD5Digest{};
    const int64_t size = platform::FileSize(file.Get());
    if (size <= 0) return TMD5Digest{};

    TMD5Context context;
    MD5Init(context);
    for (uint64_t offset = 0; offset < static_cast<uint64_t>(size); offset += kHashWindow) {
        size_t length = static_cast<size_t>(std::min<uint64_t>(kHashWindow, size - offset));
        auto view = platform::MappedView::Map(file.Get(), offset, length);
        if (!view) return TMD5Digest{};
        // A few milliseconds of hashing between questions: an abort is heard at once.
        for (size_t done = 0; done < length; done += kStopCheckBytes) {
            if (stop()) return std::nullopt;
            const size_t piece = std::min(kStopCheckBytes, length - done);
            MD5Update(context, view->Data() + done, static_cast<uint32_t>(piece));
        }
    }
    return MD5Final(context);
}

}  // namespace kq
