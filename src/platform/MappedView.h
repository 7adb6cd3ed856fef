#pragma once
// A read-only, private view of part of a file, unmapped when its holder goes.
#include "platform/FileHandle.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace platform {

class MappedView {
public:
    // Maps length bytes of the file from offset, which must be a multiple
    // of MapGranularity(), advised for one sequential pass. nullopt when the
    // system refuses (an empty view included).
    [[nodiscard]] static std::optional<MappedView> Map(FileDescriptor fd, uint64_t offset, size_t length);

    const uint8_t* Data() const { return static_cast<const uint8_t*>(view_.get()); }
    size_t Size() const { return view_ ? view_.get_deleter().length : 0; }

private:
    // Gives the view back to the system; each system defines it.
    struct Unmap {
        size_t length = 0;
        void operator()(void* address) const;
    };

    MappedView(void* address, size_t length) : view_(address, Unmap{length}) {}

    std::unique_ptr<void, Unmap> view_;
};

// The alignment a view's offset needs: the page size.
size_t MapGranularity();

}  // namespace platform
