#include "digest/MD5.h"

#include "digest/FilePieces.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace kq {

namespace {

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
    if (platform::FileKindAt(fileName) != platform::FileKind::Regular) return false;  // a FIFO would block
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
    TMD5Context context;
    MD5Init(context);
    const FileWalk walk = ForEachFilePiece(fileName, stop, [&context](const uint8_t* bytes, size_t length) {
        MD5Update(context, bytes, static_cast<uint32_t>(length));
    });
    if (walk == FileWalk::Stopped) return std::nullopt;
    if (walk == FileWalk::Failed) return TMD5Digest{};
    return MD5Final(context);
}

}  // namespace kq
