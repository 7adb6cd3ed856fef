#pragma once
// What one virtual recorder is: its address, identity, abilities, medium,
// backing file, timing and faults. Filled from the configuration file or
// by a test directly.
#include "vrecorder/FaultRules.h"
#include "vrecorder/Medium.h"
#include "vrecorder/WriteParameters.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vrec {

enum class DiscState { Blank, Appendable, Closed };

struct RecorderConfig {
    // Address behind the ASPI layer.
    uint8_t adapter = 0, target = 0, lun = 0;
    uint8_t driveLetter = 4;  // 0 = A; E by default

    // INQUIRY identity, blank-padded to 8, 16 and 4 characters.
    std::string vendor = "VIRTUAL";
    std::string product = "CD-RW RECORDER";
    std::string revision = "1.00";
    uint8_t deviceType = 0x05;

    // Abilities.
    std::vector<MediumKind> reads{MediumKind::CdRom, MediumKind::CdR, MediumKind::CdRw};
    std::vector<MediumKind> writes{MediumKind::CdR, MediumKind::CdRw};
    WriteAbilities write;          // test write, BUF, accepted write types
    bool vendorPage30 = false;
    uint16_t maxReadSpeed = 7056;  // kB/s (40x)
    uint32_t maxWriteSpeed = 8467; // kB/s (48x); BD drives go past the 16 bits of page 2Ah
    std::optional<uint16_t> currentReadSpeed;  // default: the maximum
    std::optional<uint32_t> currentWriteSpeed;
    uint32_t bufferSize = 2 * 1024 * 1024;
    bool blockDescriptor = false;  // MODE SENSE replies carry an 8-byte block descriptor
    bool feature2A = false;        // DVD+RW feature in GET CONFIGURATION
    bool feature2B = false;        // DVD+R feature
    bool feature2F = false;        // DVD-R/-RW write feature
    // Listed when the media ask for them (BD read and write, DVD+R DL,
    // layer jump); false takes one away, as on a drive that lacks it.
    bool feature33 = true, feature3B = true, feature40 = true, feature41 = true;
    // False: READ TRACK INFORMATION is an unknown command (05/20/00), as
    // on many drives that only read.
    bool trackInformation = true;

    // Medium. A drive that reads or writes dvd-rw also takes dvd-rw-ro, the
    // same disc formatted for restricted overwrite (profile 0013h).
    MediumKind medium = MediumKind::CdR;
    DiscState state = DiscState::Blank;
    uint32_t capacity = 0;         // sectors; 0 = the medium's usual size
    uint8_t layers = 1;            // of a BD medium (its usual size is per layer)
    uint32_t recorded = 0;         // sectors on an appendable, closed or pressed disc
    std::string backing;           // empty: kept in memory

    // Timing (0 = at once).
    uint32_t writeSpeedKBps = 0;   // drain rate of the buffer, kB/s
    uint32_t calibrateMs = 0, flushMs = 0, closeMs = 0;
    uint32_t blankMs = 0;          // a whole blank; a minimal one takes a tenth
    uint32_t formatMs = 0;         // FORMAT UNIT of a BD-RE

    bool unitAttentionOnChange = false;
    std::vector<FaultRule> faults;

    bool Reads(MediumKind kind) const;
    bool Writes(MediumKind kind) const;
    uint32_t CapacityOrDefault() const;
};

// The recorder of a machine without a configuration: a blank 80-minute
// CD-R at 0:0:0 backed by ./virtual-disc.img.
RecorderConfig DefaultRecorderConfig();

struct ConfigResult {
    std::vector<RecorderConfig> recorders;
    std::string error;  // "<file>:<line>: <what>" when not empty
};

// Parses the text of a configuration file; relative backing paths are
// taken from `baseDir`.
ConfigResult ParseRecorderConfig(const std::string& text, const std::string& fileName,
                                 const std::string& baseDir);
// Reads and parses a configuration file, and checks that each backing
// file's folder exists and can be written.
ConfigResult LoadRecorderConfig(const std::string& path);

}  // namespace vrec
