// The image tree as a burn sees it: its header stream, then the data of
// each file in tree order, each from a sector boundary.
#include "burner/kqCDBC.h"

#include "drive/DriveMessages.h"

namespace kq {

int64_t TQCDBurner::TreeSectors(std::string& error) {
    if (Burning()) {
        error = DriveMessage(Msg::TreeInUse);
        return -1;
    }
    return FreshTreeSectors(error);
}

int64_t TQCDBurner::FreshTreeSectors(std::string& error) {
    if (LayoutFresh()) return laidOutSectors_;
    // Laid out before and changed since (or sent already: the burn empties
    // the header stream), or never laid out: laid out now.
    if (laidOutWith_ || headerStream_.Size() == 0) return LayOut(error);
    // A header of the caller's own: each file must follow where it was placed.
    int64_t next = SectorsOf(headerStream_.Size());
    for (const auto& entry : tree_.FileEntries()) {
        if (!entry) {
            error = DriveMessage(Msg::InternalError0005);
            return -1;
        }
        // What the cache thread skips takes no room.
        if (!CarriesData(*entry)) continue;
        // A file placed elsewhere than where its data will land would be
        // read back as another file's bytes.
        if (entry->Extent != next) {
            error = FormatDriveMessage(Msg::LayoutMismatch, {entry->SourcePath});
            return -1;
        }
        next += SectorsOf(entry->Size);
    }
    if (next == 0) error = DriveMessage(Msg::TreeEmpty);
    return next == 0 ? -1 : next;
}

}  // namespace kq
