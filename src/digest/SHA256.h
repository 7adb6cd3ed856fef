#pragma once
// SHA-256 of memory blocks and whole files, for images published with
// SHA-256 lists instead of an .md5 companion.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kq {

using TSHA256Digest = std::array<uint8_t, 32>;

// Digest of one memory block of any size; 32 zero bytes if the system's
// crypto service fails.
TSHA256Digest SHA256Buffer(const void* bytes, size_t length);
// Digest of a whole file, read through a sliding view; 32 zero bytes when
// it cannot be opened or read, an empty file included (as MD5File does).
TSHA256Digest SHA256File(const std::string& fileName);
// The same, asking `stop` every few megabytes; nullopt once it says yes.
[[nodiscard]] std::optional<TSHA256Digest> SHA256FileUntil(const std::string& fileName, const std::function<bool()>& stop);
// 64 lower-case hex digits.
std::string SHA256Print(const TSHA256Digest& digest);

}  // namespace kq
