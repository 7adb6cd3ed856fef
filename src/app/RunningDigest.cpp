#include "app/RunningDigest.h"

#include "app/SHA256.h"

#include <algorithm>
#include <limits>

namespace kq {

RunningDigest::RunningDigest(DigestKind kind) : kind_(kind) {
    if (kind == DigestKind::MD5) MD5Init(md5_);
    else sha256_ = std::make_unique<platform::Sha256>();
}

void RunningDigest::Update(const void* bytes, size_t length) {
    if (sha256_) {
        sha256_->Update(bytes, length);
        return;
    }
    // MD5Update counts in 32 bits per call.
    const auto* at = static_cast<const uint8_t*>(bytes);
    while (length > 0) {
        const auto piece = static_cast<uint32_t>(std::min<size_t>(length, std::numeric_limits<uint32_t>::max()));
        MD5Update(md5_, at, piece);
        at += piece;
        length -= piece;
    }
}

std::string RunningDigest::Print() {
    if (sha256_) return SHA256Print(sha256_->Final().value_or(TSHA256Digest{}));
    return MD5Print(MD5Final(md5_));
}

}  // namespace kq
