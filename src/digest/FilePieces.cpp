#include "digest/FilePieces.h"

#include "platform/FileHandle.h"
#include "platform/MappedView.h"

#include <algorithm>

namespace kq {

namespace {

// A whole number of 64-byte blocks and of pages, so any size works on any
// address space; a few milliseconds of hashing between stop questions.
constexpr size_t kHashWindow = size_t{64} << 20;
constexpr size_t kStopCheckBytes = size_t{4} << 20;

}  // namespace

FileWalk ForEachFilePiece(const std::string& fileName, const std::function<bool()>& stop,
                          const std::function<void(const uint8_t*, size_t)>& consume) {
    if (platform::FileKindAt(fileName) != platform::FileKind::Regular) return FileWalk::Failed;  // a FIFO would block
    std::error_code error;
    platform::FileHandle file(platform::FileOpen(fileName, platform::FileAccess::Read, false,
                                                 platform::FileLock::Shared, error));
    if (!file.IsOpen()) return FileWalk::Failed;
    const int64_t size = platform::FileSize(file.Get());
    if (size <= 0) return FileWalk::Failed;
    for (uint64_t offset = 0; offset < static_cast<uint64_t>(size); offset += kHashWindow) {
        const size_t length = static_cast<size_t>(std::min<uint64_t>(kHashWindow, size - offset));
        auto view = platform::MappedView::Map(file.Get(), offset, length);
        if (!view) return FileWalk::Failed;
        for (size_t done = 0; done < length; done += kStopCheckBytes) {
            if (stop()) return FileWalk::Stopped;
            consume(view->Data() + done, std::min(kStopCheckBytes, length - done));
        }
    }
    return FileWalk::Done;
}

}  // namespace kq
