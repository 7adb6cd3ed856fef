#pragma once
// The fuzzer's bytes taken from the front, one value at a time. Past the
// end every value reads as zero and every byte run as empty, so a target
// never has to check the length itself and never reads beyond the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : rest_(data, size) {}

    bool Empty() const { return rest_.empty(); }
    size_t Remaining() const { return rest_.size(); }

    uint8_t Byte() {
        if (rest_.empty()) return 0;
        uint8_t b = rest_.front();
        rest_ = rest_.subspan(1);
        return b;
    }
    uint16_t BE16() { return static_cast<uint16_t>(Byte() << 8 | Byte()); }
    bool Flag() { return Byte() & 1; }
    // A value in [0, n); n must not be 0.
    size_t Pick(size_t n) { return Byte() % n; }

    // Up to `count` bytes, fewer when the input runs out.
    std::span<const uint8_t> Bytes(size_t count) {
        auto taken = rest_.first(std::min(count, rest_.size()));
        rest_ = rest_.subspan(taken.size());
        return taken;
    }
    std::span<const uint8_t> Rest() { return Bytes(rest_.size()); }
    std::string RestAsText() {
        auto bytes = Rest();
        return std::string(bytes.begin(), bytes.end());
    }

private:
    std::span<const uint8_t> rest_;
};

}  // namespace fuzz
