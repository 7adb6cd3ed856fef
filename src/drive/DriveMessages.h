#pragma once
// The library's message table: every text the drive and burner code shows.
// A translation replaces the whole table; code asks for texts by id.
#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kq {

enum class Msg : size_t {
    NoError,
    // request status
    Unknown, OperationAborted, InvalidRequest, InvalidHostAdapter, NoDevice, InvalidSrb,
    BufferAlignment, AspiIsBusy, BufferTooBig,
    // host adapter status
    CommandTimeout, SrbTimeout, MessageReject, BusReset, ParityError, RequestSenseFailed,
    SelectionTimeout, DataOverrun, UnexpectedBusFree,
    // target status
    CheckCondition, TargetBusy, TargetReservationConflict, TargetQueueFull,
    // sense keys
    Filemark, EndOfMedia, IllegalLength, IncorrectLength, NoAdditionalSense, RecoveredError,
    NotReady, MediumError, HardwareError, IllegalRequest, UnitAttention, DataProtect,
    EraseCheck, CopyAborted, AbortedCommand, VolumeOverflow, Miscompare, Reserved,
    // the rest of the library
    TestDummyWrite, CantOpenFile, CantReadFile, CantCreateFile, WriterBusyBufferFull, WriterError,
    InvalidDeviceId, TooMuchData, MaximumDirectories, InternalError0004, InternalError0005,
    SendCueSheetFailed, StartingWriteProcess, NoDriveSelected, ParameterListTooLong,
    BurnAlreadyRunning,
    ImageTooLarge, ImageEmpty, DriveInUse,
    MediumNotWritten, NoFullFormat,
    // a system call's own error, and why a drive cannot be claimed
    SystemError, DriveAccessDenied, DriveGone,
    // building a file system from folders
    MaximumFiles, TreeTooDeep, NameTooLong, DuplicateName, HeaderTooLarge, TooManyDirectories, DiscTooLarge,
    SkippedSpecialFile, LinkNeedsRockRidge, BadDiscPath,
    UdfFolderTooLarge, UdfFileTooLarge, UdfLinkTooLong, UdfTooManyEntries, UdfNotAppendable,
    // burning an image tree, and writing an image file
    FileChangedDuringBurn, FileVanishedDuringBurn, TreeEmpty, LayoutMismatch, CantWriteFile,
    ImageChangedDuringBurn, TreeInUse,
    Count
};

using DriveMessageTable = std::array<std::string, static_cast<size_t>(Msg::Count)>;

// The built-in English table.
const DriveMessageTable& DefaultDriveMessages();
// Replaces the table as a whole (for a translation).
void SetDriveMessages(DriveMessageTable table);

std::string DriveMessage(Msg id);
// The text with each "%s" or "%d" replaced by the next argument in turn.
std::string FormatDriveMessage(Msg id, std::initializer_list<std::string_view> args);

}  // namespace kq
