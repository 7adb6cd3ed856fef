#include "digest/DigestFeed.h"

namespace kq {

TDigestFeed::TDigestFeed(const std::vector<DigestKind>& kinds, BlockCheck beforeDigest)
    : digests_(kinds, kBlockBytes, kBlocks), beforeDigest_(std::move(beforeDigest)) {}

std::span<uint8_t> TDigestFeed::Room(size_t bytes) {
    if (block_.size() - filled_ < bytes && !Flush()) return {};
    if (block_.empty()) block_ = digests_.NextBlock();
    return block_.subspan(filled_);
}

bool TDigestFeed::Took(size_t bytes) {
    filled_ += bytes;
    return filled_ < block_.size() ? !refused_ : Flush();
}

bool TDigestFeed::Flush() {
    if (filled_ > 0 && !refused_) {
        refused_ = beforeDigest_ && !beforeDigest_(block_.first(filled_));
        if (!refused_) digests_.Queue(filled_);
    }
    block_ = {};
    filled_ = 0;
    return !refused_;
}

std::vector<std::string> TDigestFeed::Finish() {
    Flush();
    return digests_.Finish();
}

}  // namespace kq
