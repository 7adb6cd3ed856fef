#pragma once
// A drive as a source of sectors for the file system's reader.
#include "burner/IsoReader.h"

namespace kq {
class TSCSIDevice;
}

namespace kq::iso {

// READ (10) in runs the drive takes; the drive must outlive the source.
SectorSource DriveSectors(TSCSIDevice& drive);

}  // namespace kq::iso
