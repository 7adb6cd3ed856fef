#pragma once
// A digest of either kind fed piece by piece, for data that arrives in
// pieces (a disc being read) rather than as a file.
#include "app/ChecksumList.h"
#include "app/MD5.h"

#include "platform/Sha256.h"

#include <memory>
#include <string>

namespace kq {

class RunningDigest {
public:
    explicit RunningDigest(DigestKind kind);

    DigestKind Kind() const { return kind_; }
    void Update(const void* bytes, size_t length);
    // The lower-case hex print of everything fed; all zeros when the
    // system's SHA-256 failed. The digest cannot be fed afterwards.
    std::string Print();

private:
    DigestKind kind_;
    TMD5Context md5_{};
    std::unique_ptr<platform::Sha256> sha256_;
};

}  // namespace kq
