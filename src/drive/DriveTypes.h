#pragma once
// Value types of the drive class: capability and write-type sets, media
// type codes and the date-time of the DVD-R time stamp.
#include "drive/MediaTypes.h"

#include <cstdint>
#include <optional>

namespace kq {

// Bit positions are fixed: the set is shown to users as a 32-bit number.
enum class TDeviceCapability : uint8_t {
    CanReadCDR = 0,
    CanReadCDRW = 1,
    CanReadMethod2 = 2,
    CanReadDVDROM = 3,
    CanReadDVDR = 4,
    CanReadDVDRW = 5,
    CanReadDVDRAM = 6,
    CanReadDVDPlusR = 7,
    CanReadDVDPlusRW = 8,
    CanWriteCDR = 9,
    CanWriteCDRW = 10,
    CanTestWrite = 11,
    CanWriteDVDR = 12,
    CanWriteDVDRW = 13,
    CanWriteDVDRAM = 14,
    CanWriteDVDPlusR = 15,
    CanWriteDVDPlusRW = 16,
    // bit 17 is never set
    CanUnderrunProtect = 18,
    CanReadBD = 19,
    CanWriteBDR = 20,
    CanWriteBDRE = 21,
    CanReadDVDPlusRDL = 22,
    CanWriteDVDPlusRDL = 23,
    CanWriteDVDRDL = 24,
    CanLayerJump = 25,
};

struct TDeviceCapabilities {
    uint32_t bits = 0;

    bool Contains(TDeviceCapability c) const { return (bits >> static_cast<uint8_t>(c)) & 1u; }
    void Include(TDeviceCapability c) { bits |= 1u << static_cast<uint8_t>(c); }
    bool Empty() const { return bits == 0; }
    friend bool operator==(TDeviceCapabilities, TDeviceCapabilities) = default;
};

enum class TWriteType : uint8_t { CanWriteRaw = 0, CanWriteSAO = 1, CanWriteTAO = 2 };

struct TWriteTypes {
    uint8_t bits = 0;

    bool Contains(TWriteType t) const { return (bits >> static_cast<uint8_t>(t)) & 1u; }
    void Include(TWriteType t) { bits = static_cast<uint8_t>(bits | 1u << static_cast<uint8_t>(t)); }
    friend bool operator==(TWriteTypes, TWriteTypes) = default;
};

// One way to format a disc, as READ FORMAT CAPACITIES lists it.
struct FormatDescriptor {
    uint32_t blocks = 0;
    uint8_t type = 0;        // format type (6 bits)
    uint32_t parameter = 0;  // type dependent (24 bits)
};

// The disc's capacity descriptor, and a full format the drive offers.
struct FormatCapacities {
    bool unformatted = false;
    uint32_t blocks = 0;
    std::optional<FormatDescriptor> full;
};

// Local date and time of the DVD-R time stamp (month and day from 1).
struct TDateTime {
    int year = 0, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
};

}  // namespace kq
