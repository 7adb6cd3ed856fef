#pragma once
// A read-only, private view of part of a file, unmapped when its holder goes.
#include "platform/FileHandle.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

class MappedView {
public:
    // Maps length bytes of the file from offset, which must be a multiple
    // of MapGranularity(), advised for one sequential pass. nullopt when the
    // system refuses (an empty view included).
    static std::optional<MappedView> Map(FileDescriptor fd, uint64_t offset, size_t length);

    MappedView(MappedView&& other) noexcept;
    MappedView& operator=(MappedView&& other) noexcept;
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    ~MappedView();

    const uint8_t* Data() const { return static_cast<const uint8_t*>(address_); }
    size_t Size() const { return length_; }

private:
    MappedView(void* address, size_t length) : address_(address), length_(length) {}
    void Unmap();

    void* address_ = nullptr;
    size_t length_ = 0;
};

// The alignment a view's offset needs: the page size.
size_t MapGranularity();

}  // namespace platform
