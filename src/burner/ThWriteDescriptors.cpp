// A session added to an overwritable disc: its data and tree went after the
// old volume's end; only now, with all of it flushed, do its descriptors
// replace the old ones, so a burn cut off before leaves the old volume.
#include "burner/IsoStructures.h"
#include "burner/ThWrite.h"
#include "burner/kqCDBC.h"
#include "drive/DriveMessages.h"

#include <vector>

namespace kq {

using namespace write_timing;

void TThWrite::WriteDescriptorsLast() {
    std::vector<uint8_t> descriptors = burner_.VolumeDescriptors();
    if (descriptors.empty()) return;
    const auto blocks = static_cast<uint16_t>(descriptors.size() / kSectorSize);
    auto hold = burner_.LockCommands();
    if (!burner_.Write10(iso::vd::kFirstSector, blocks, kWriteFlags, descriptors) ||
        !burner_.SynchronizeCache(kFlushTimeoutMs, false))
        Fail(DriveMessage(Msg::WriterError) + " [" + DriveText() + "]");
}

}  // namespace kq
