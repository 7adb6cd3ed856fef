#pragma once
// An in-memory stream whose size can run ahead of its contents: bytes never
// written read as zeros and cost no memory. The burner sizes its header
// buffer to 64 MiB this way without holding 64 MiB while it is unused.
#include "burner/StreamEx.h"

#include <vector>

namespace kq {

class TMemoryStreamEx : public TStreamEx {
public:
    // Cuts or extends the stream; extension reads as zeros. A position
    // past the new end moves back to it.
    void SetSize(int64_t NewSize) override;
    int32_t Read(void* Buffer, int32_t Count) override;
    // Writes at the position, extending the stream as needed.
    int32_t Write(const void* Buffer, int32_t Count) override;
    int64_t Seek(int64_t Offset, uint16_t Origin) override;

    // Takes bytes as the whole content: size theirs, position 0.
    void Assign(std::vector<uint8_t>&& bytes);
    // Size and position 0, memory returned.
    void Clear();
    int64_t Size() const { return size_; }
    // Bytes actually held, for tests of the memory cost.
    size_t HeldBytes() const { return data_.capacity(); }

private:
    std::vector<uint8_t> data_;  // the written prefix; the rest is zeros
    int64_t size_ = 0;
    int64_t position_ = 0;
};

}  // namespace kq
