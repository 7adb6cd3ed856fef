#pragma once
// A digest of either kind the companions carry, fed piece by piece: the
// burn digests the image's bytes on their way to the drive, the verify
// the bytes read back from the disc.
#include "digest/ChecksumList.h"
#include "digest/MD5.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class Sha256;
}

namespace kq {

class TRunningDigest {
public:
    explicit TRunningDigest(DigestKind kind);
    ~TRunningDigest();
    TRunningDigest(const TRunningDigest&) = delete;
    TRunningDigest& operator=(const TRunningDigest&) = delete;

    DigestKind Kind() const { return kind_; }
    // Feeds bytes; any number of calls, of any length.
    void Update(const void* bytes, size_t length);
    // Lower-case hex of everything fed; empty when the system's SHA-256
    // service failed. Call once.
    std::string FinalPrint();

private:
    DigestKind kind_;
    TMD5Context md5_{};
    std::unique_ptr<platform::Sha256> sha256_;
};

}  // namespace kq
