#pragma once
// The answer of one command: SCSI status, fixed-format sense, bytes moved,
// and how the transport hands it over.
#include "transport/kqASPI.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace vrec {

using kq::kTargetStatusBusy, kq::kTargetStatusCheckCondition, kq::kTargetStatusGood,
    kq::kTargetStatusReservationConflict;

struct Sense {
    uint8_t key = 0, asc = 0, ascq = 0;
    friend bool operator==(const Sense&, const Sense&) = default;
};

// The sense codes this drive gives, named as MMC names them.
namespace sense {
inline constexpr Sense NoSense{0x00, 0x00, 0x00};
inline constexpr Sense LongWriteInProgress{0x02, 0x04, 0x08};
inline constexpr Sense BecomingReady{0x02, 0x04, 0x01};
inline constexpr Sense OperationInProgress{0x02, 0x04, 0x07};
inline constexpr Sense FormatInProgress{0x02, 0x04, 0x04};
inline constexpr Sense MediumNotFormatted{0x02, 0x30, 0x10};
inline constexpr Sense MediumNotPresent{0x02, 0x3A, 0x00};
inline constexpr Sense CannotReadMedium{0x02, 0x30, 0x01};  // unknown format
inline constexpr Sense WriteError{0x03, 0x0C, 0x00};
inline constexpr Sense LossOfStreaming{0x03, 0x0C, 0x09};
inline constexpr Sense UnrecoveredReadError{0x03, 0x11, 0x00};
inline constexpr Sense ParameterListLength{0x05, 0x1A, 0x00};
inline constexpr Sense InvalidOpcode{0x05, 0x20, 0x00};
inline constexpr Sense LbaOutOfRange{0x05, 0x21, 0x00};
inline constexpr Sense InvalidAddressForWrite{0x05, 0x21, 0x02};
inline constexpr Sense InvalidFieldInCdb{0x05, 0x24, 0x00};
inline constexpr Sense InvalidFieldInParameterList{0x05, 0x26, 0x00};
inline constexpr Sense CommandSequenceError{0x05, 0x2C, 0x00};
inline constexpr Sense IncompatibleFormat{0x05, 0x30, 0x02};  // e.g. READ CD of a DVD
inline constexpr Sense IncompatibleMediumForWrite{0x05, 0x30, 0x05};
inline constexpr Sense SavingParametersNotSupported{0x05, 0x39, 0x00};
inline constexpr Sense MediumRemovalPrevented{0x05, 0x53, 0x02};
inline constexpr Sense EndOfUserArea{0x05, 0x63, 0x00};
inline constexpr Sense IllegalModeForTrack{0x05, 0x64, 0x00};
inline constexpr Sense MediumChanged{0x06, 0x28, 0x00};
inline constexpr Sense WriteProtected{0x07, 0x27, 0x00};
}  // namespace sense

// How the answer reaches the host. Everything but Normal is a transport
// event that a fault rule or a malformed request produces.
enum class Delivery {
    Normal,
    Late,          // completes after delayMs
    Never,         // the request stays pending
    Vanished,      // the drive no longer answers selection
    PhaseError,    // data direction or command length disagrees with the command
    DataOverrun,   // the drive had more (or wanted more) data than the buffer holds
};

inline constexpr size_t kFixedSenseLength = 18;

struct CommandResult {
    uint8_t status = kTargetStatusGood;
    std::array<uint8_t, kFixedSenseLength> sense{};  // valid with CHECK CONDITION
    size_t transferred = 0;
    Delivery delivery = Delivery::Normal;
    uint32_t delayMs = 0;

    bool Good() const { return status == kTargetStatusGood && delivery != Delivery::PhaseError &&
                               delivery != Delivery::DataOverrun && delivery != Delivery::Vanished; }
    Sense Code() const { return {static_cast<uint8_t>(sense[2] & 0x0F), sense[12], sense[13]}; }
};

// Fixed-format sense: response code 70h, additional length 10.
std::array<uint8_t, kFixedSenseLength> FixedSense(Sense code);
CommandResult Check(Sense code);
CommandResult Busy();
// Another initiator (here: another process) holds the disc.
CommandResult ReservationConflict();

}  // namespace vrec
