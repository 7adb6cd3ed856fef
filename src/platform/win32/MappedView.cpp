#include "platform/MappedView.h"

#include <windows.h>

namespace platform {

std::optional<MappedView> MappedView::Map(FileDescriptor fd, uint64_t offset, size_t length) {
    if (length == 0 || offset % MapGranularity() != 0) return std::nullopt;
    HANDLE mapping = CreateFileMappingA(reinterpret_cast<HANDLE>(fd), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) return std::nullopt;
    void* address = MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(offset >> 32),
                                  static_cast<DWORD>(offset & 0xFFFFFFFFu), length);
    // The view keeps the mapping object alive; its handle is not needed.
    CloseHandle(mapping);
    if (!address) return std::nullopt;
    return MappedView(address, length);
}

void MappedView::Unmap::operator()(void* address) const { UnmapViewOfFile(address); }

size_t MapGranularity() {
    static const size_t granularity = [] {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return static_cast<size_t>(info.dwAllocationGranularity);
    }();
    return granularity;
}

}  // namespace platform
