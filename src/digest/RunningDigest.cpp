#include "digest/RunningDigest.h"

#include "digest/SHA256.h"
#include "platform/Sha256.h"

#include <algorithm>
#include <limits>

namespace kq {

TRunningDigest::TRunningDigest(DigestKind kind) : kind_(kind) {
    if (kind_ == DigestKind::MD5) MD5Init(md5_);
    else sha256_ = std::make_unique<platform::Sha256>();
}

TRunningDigest::~TRunningDigest() = default;

void TRunningDigest::Update(const void* data, size_t length) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (sha256_) return sha256_->Update(bytes, length);
    // MD5Update counts in 32 bits per call.
    constexpr size_t kMost = std::numeric_limits<uint32_t>::max();
    for (size_t done = 0; done < length;) {
        const size_t n = std::min(kMost, length - done);
        MD5Update(md5_, bytes + done, static_cast<uint32_t>(n));
        done += n;
    }
}

std::string TRunningDigest::FinalPrint() {
    if (!sha256_) return MD5Print(MD5Final(md5_));
    const auto digest = sha256_->Final();
    return digest ? SHA256Print(*digest) : std::string();
}

}  // namespace kq
