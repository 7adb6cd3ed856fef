#include "burner/ImageWriter.h"

#include "drive/DriveMessages.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

namespace kq {

namespace {

constexpr int32_t kPiece = 1 << 20;

// Size bytes of the file, then zeros to the sector's end.
std::string CopyFile(const TFEntry& f, std::vector<uint8_t>& buffer, const ImageSink& sink,
                     const std::string& sinkError) {
    std::unique_ptr<TFileStreamEx> file;
    try {
        file = std::make_unique<TFileStreamEx>(f.SourcePath, kOpenRead | kShareDenyNone);
    } catch (const std::system_error&) {
        return FormatDriveMessage(Msg::CantOpenFile, {f.SourcePath});
    }
    if (file->GetSize() != f.Size) return FormatDriveMessage(Msg::CantReadFile, {f.SourcePath});
    int64_t left = SectorsOf(f.Size) * kSectorSize, data = f.Size;
    while (left > 0) {
        const auto n = static_cast<int32_t>(std::min<int64_t>(left, kPiece));
        const auto want = static_cast<int32_t>(std::clamp<int64_t>(data, 0, n));
        int32_t got = 0;
        while (got < want) {
            const int32_t k = file->Read(buffer.data() + got, want - got);
            if (k <= 0) return FormatDriveMessage(Msg::CantReadFile, {f.SourcePath});
            got += k;
        }
        std::memset(buffer.data() + want, 0, static_cast<size_t>(n - want));
        if (!sink(buffer.data(), static_cast<size_t>(n))) return sinkError;
        left -= n;
        data -= want;
    }
    return {};
}

}  // namespace

std::string WriteImage(TMemoryStreamEx& header, const TImageTree& tree, const ImageSink& sink,
                       const std::string& sinkError) {
    std::vector<uint8_t> buffer(kPiece);
    header.Seek(0, 0);
    for (int64_t left = header.Size(); left > 0;) {
        const int32_t n = header.Read(buffer.data(), static_cast<int32_t>(std::min<int64_t>(left, kPiece)));
        if (n <= 0 || !sink(buffer.data(), static_cast<size_t>(n))) return sinkError;
        left -= n;
    }
    for (const auto& f : tree.FileEntries()) {
        if (f->Attributes & (kAttrDirectory | kAttrNoData)) continue;
        if (std::string why = CopyFile(*f, buffer, sink, sinkError); !why.empty()) return why;
    }
    return {};
}

}  // namespace kq
