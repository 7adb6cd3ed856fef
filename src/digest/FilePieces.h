#pragma once
// Reads a whole file in pieces through a sliding view, for the digests of
// images of any size: memory stays bounded, and a stop request is heard
// every few megabytes.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kq {

enum class FileWalk { Done, Stopped, Failed };

// Hands every byte of the file, in order, to `consume`, asking `stop`
// before each piece. Failed when the file cannot be opened, mapped or is
// empty; Stopped as soon as `stop` says yes.
FileWalk ForEachFilePiece(const std::string& fileName, const std::function<bool()>& stop,
                          const std::function<void(const uint8_t*, size_t)>& consume);

}  // namespace kq
