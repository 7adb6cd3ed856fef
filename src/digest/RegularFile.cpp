#include "digest/RegularFile.h"

namespace kq {

std::string NotARegularFile(platform::FileKind kind) {
    using platform::FileKind;
    switch (kind) {
    case FileKind::Missing:
    case FileKind::Regular: return {};
    case FileKind::Folder: return "it is a folder";
    case FileKind::Fifo: return "it is a named pipe (FIFO), not a file";
    case FileKind::Socket: return "it is a socket, not a file";
    case FileKind::CharacterDevice: return "it is a character device, not a file";
    case FileKind::BlockDevice: return "it is a block device, not a file";
    case FileKind::Other: break;
    }
    return "it is not a regular file";
}

std::string NotARegularFile(const std::string& path) { return NotARegularFile(platform::FileKindAt(path)); }

}  // namespace kq
