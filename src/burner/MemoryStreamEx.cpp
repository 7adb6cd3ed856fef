#include "burner/MemoryStreamEx.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kq {

void TMemoryStreamEx::SetSize(int64_t NewSize) {
    size_ = std::max<int64_t>(NewSize, 0);
    if (static_cast<int64_t>(data_.size()) > size_) data_.resize(static_cast<size_t>(size_));
    position_ = std::min(position_, size_);
}

int32_t TMemoryStreamEx::Read(void* Buffer, int32_t Count) {
    if (Count <= 0 || position_ >= size_) return 0;
    const int64_t n = std::min<int64_t>(Count, size_ - position_);
    const int64_t held = static_cast<int64_t>(data_.size());
    const int64_t fromData = std::clamp<int64_t>(held - position_, 0, n);
    auto* out = static_cast<uint8_t*>(Buffer);
    if (fromData > 0) std::memcpy(out, data_.data() + position_, static_cast<size_t>(fromData));
    std::memset(out + fromData, 0, static_cast<size_t>(n - fromData));
    position_ += n;
    return static_cast<int32_t>(n);
}

int32_t TMemoryStreamEx::Write(const void* Buffer, int32_t Count) {
    if (Count <= 0) return 0;
    const int64_t end = position_ + Count;
    if (static_cast<uint64_t>(end) > data_.max_size()) return 0;
    if (static_cast<int64_t>(data_.size()) < end) data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position_, Buffer, static_cast<size_t>(Count));
    position_ = end;
    size_ = std::max(size_, end);
    return Count;
}

int64_t TMemoryStreamEx::Seek(int64_t Offset, uint16_t Origin) {
    int64_t base = 0;
    switch (Origin) {
        case 0: base = 0; break;
        case 1: base = position_; break;
        case 2: base = size_; break;
        default: return -1;
    }
    if ((Offset > 0 && base > std::numeric_limits<int64_t>::max() - Offset) || base + Offset < 0) return -1;
    position_ = base + Offset;
    return position_;
}

void TMemoryStreamEx::Assign(std::vector<uint8_t>&& bytes) {
    data_ = std::move(bytes);
    size_ = static_cast<int64_t>(data_.size());
    position_ = 0;
}

void TMemoryStreamEx::Clear() {
    std::vector<uint8_t>().swap(data_);
    size_ = 0;
    position_ = 0;
}

}  // namespace kq
