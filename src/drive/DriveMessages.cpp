#include "drive/DriveMessages.h"

#include <memory>
#include <mutex>

namespace kq {

namespace {

DriveMessageTable BuiltIn() {
    DriveMessageTable t;
    auto set = [&t](Msg id, const char* text) { t[static_cast<size_t>(id)] = text; };
    set(Msg::NoError, "");
    set(Msg::Unknown, "UNKNOWN");
    set(Msg::OperationAborted, "OPERATION ABORTED BY USER");
    set(Msg::InvalidRequest, "INVALID REQUEST");
    set(Msg::InvalidHostAdapter, "INVALID HOST ADAPTER");
    set(Msg::NoDevice, "NO DEVICE");
    set(Msg::InvalidSrb, "INVALID SRB");
    set(Msg::BufferAlignment, "BUFFER ALIGNMENT");
    set(Msg::AspiIsBusy, "ASPI IS BUSY");
    set(Msg::BufferTooBig, "BUFFER TOO BIG");
    set(Msg::CommandTimeout, "COMMAND TIMEOUT");
    set(Msg::SrbTimeout, "SRB TIMEOUT");
    set(Msg::MessageReject, "MESSAGE REJECT");
    set(Msg::BusReset, "BUS RESET");
    set(Msg::ParityError, "PARITY ERROR");
    set(Msg::RequestSenseFailed, "REQUEST SENSE FAILED");
    set(Msg::SelectionTimeout, "SELECTION TIMEOUT");
    set(Msg::DataOverrun, "DATA OVERRUN");
    set(Msg::UnexpectedBusFree, "UNEXPECTED BUS FREE");
    set(Msg::CheckCondition, "CHECK CONDITION");
    set(Msg::TargetBusy, "TARGET BUSY");
    set(Msg::TargetReservationConflict, "TARGET RESERVATION CONFLICT");
    set(Msg::TargetQueueFull, "TARGET QUEUE FULL");
    set(Msg::Filemark, "FILEMARK");
    set(Msg::EndOfMedia, "END OF MEDIA");
    set(Msg::IllegalLength, "ILLEGAL LENGTH");
    set(Msg::IncorrectLength, "INCORRECT LENGTH");
    set(Msg::NoAdditionalSense, "NO ADDITIONAL SENSE INFORMATION");
    set(Msg::RecoveredError, "RECOVERED ERROR");
    set(Msg::NotReady, "NOT READY");
    set(Msg::MediumError, "MEDIUM ERROR");
    set(Msg::HardwareError, "HARDWARE ERROR");
    set(Msg::IllegalRequest, "ILLEGAL REQUEST");
    set(Msg::UnitAttention, "UNIT ATTENTION");
    set(Msg::DataProtect, "DATA PROTECT");
    set(Msg::EraseCheck, "ERASE CHECK");
    set(Msg::CopyAborted, "COPYABORTED");
    set(Msg::AbortedCommand, "ABORTED COMMAND");
    set(Msg::VolumeOverflow, "VOLUME OVERFLOW");
    set(Msg::Miscompare, "MISCOMPARE");
    set(Msg::Reserved, "RESERVED");
    set(Msg::TestDummyWrite, "TEST/DUMMY WRITE");
    set(Msg::CantOpenFile, "CAN'T OPEN FILE \"%s\" OR FILE IS IN USES BY OTHER SOFTWARE");
    set(Msg::CantReadFile, "CAN'T READ FILE \"%s\"");
    set(Msg::CantCreateFile, "CAN'T CREATE FILE \"%s\"");
    set(Msg::WriterBusyBufferFull, "WRITER BUSY/BUFFER FULL");
    set(Msg::WriterError, "WRITER ERROR");
    set(Msg::InvalidDeviceId, "INVALID DEVICE ID / NOT A CD OR DVD DRIVE");
    set(Msg::TooMuchData, "TOO MUCH DATA FOR THIS MODE");
    set(Msg::MaximumDirectories, "MAXIMUM DIRECTORIES CAN BE %d");
    set(Msg::InternalError0004, "INTERNAL ERROR 0004");
    set(Msg::InternalError0005, "INTERNAL ERROR 0005");
    set(Msg::SendCueSheetFailed, "SEND CUE SHEET FAILED");
    set(Msg::StartingWriteProcess, "STARTING WRITE PROCESS ON %s AT %s");
    set(Msg::NoDriveSelected, "NO DRIVE SELECTED");
    set(Msg::ParameterListTooLong, "PARAMETER LIST TOO LONG");
    set(Msg::BurnAlreadyRunning, "A BURN IS ALREADY RUNNING");
    set(Msg::ImageTooLarge, "IMAGE TOO LARGE: %d SECTORS, THE DISC HAS %d FREE");
    set(Msg::ImageEmpty, "THE IMAGE \"%s\" IS EMPTY");
    set(Msg::ImageChangedDuringBurn, "IMAGE CHANGED DURING BURN");
    set(Msg::DriveInUse, "THE DRIVE IS IN USE BY ANOTHER PROGRAM");
    set(Msg::MediumNotWritten, "THIS %s IS NOT WRITTEN: %s");
    set(Msg::NoFullFormat, "THE DISC OFFERS NO FULL FORMAT");
    set(Msg::SystemError, "SYSTEM ERROR (%s)");
    set(Msg::DriveAccessDenied, "NO PERMISSION TO USE THE DRIVE");
    set(Msg::DriveGone, "THE DRIVE IS GONE");
    set(Msg::MaximumFiles, "MAXIMUM FILES CAN BE %d");
    set(Msg::TreeTooDeep, "FOLDER \"%s\" LIES DEEPER THAN 8 LEVELS: RELOCATING IT NEEDS ROCK RIDGE");
    set(Msg::NameTooLong, "THE NAME OF \"%s\" IS LONGER THAN 255 BYTES");
    set(Msg::DuplicateName, "TWO ENTRIES ON THE DISC ARE NAMED \"%s\"");
    set(Msg::HeaderTooLarge, "THE FILE SYSTEM NEEDS %d BYTES OF HEADER, MORE THAN THE %d IT MAY TAKE");
    set(Msg::TooManyDirectories, "TOO MANY FOLDERS: %d, BUT A PATH TABLE NUMBERS AT MOST 65535");
    set(Msg::DiscTooLarge, "THE FILE SYSTEM WOULD NEED %d SECTORS, MORE THAN ISO 9660 CAN ADDRESS");
    set(Msg::SkippedSpecialFile, "SKIPPED \"%s\": NOT A FILE, FOLDER OR LINK");
    set(Msg::LinkNeedsRockRidge, "LEFT OUT \"%s\": A SYMBOLIC LINK NEEDS ROCK RIDGE");
    set(Msg::BadDiscPath, "THE DISC PATH \"%s\" HOLDS AN EMPTY NAME, \".\" OR \"..\"");
    set(Msg::UdfFolderTooLarge, "FOLDER \"%s\" HOLDS MORE NAMES THAN ONE UDF EXTENT OF 1 GIB TAKES");
    set(Msg::UdfFileTooLarge, "\"%s\" IS LARGER THAN ONE UDF FILE ENTRY DESCRIBES");
    set(Msg::UdfLinkTooLong, "THE LINK \"%s\" NAMES A PART LONGER THAN UDF HOLDS");
    set(Msg::UdfTooManyEntries, "TOO MANY ENTRIES FOR UDF: %d");
    set(Msg::UdfNotAppendable, "UDF IS WRITTEN ONLY IN A DISC'S FIRST SESSION");
    set(Msg::FileChangedDuringBurn, "FILE CHANGED DURING BURN: \"%s\"");
    set(Msg::FileVanishedDuringBurn, "FILE VANISHED DURING BURN: \"%s\"");
    set(Msg::TreeEmpty, "NOTHING TO BURN: THE IMAGE TREE IS EMPTY");
    set(Msg::LayoutMismatch, "THE IMAGE LAYOUT DOES NOT PLACE \"%s\" WHERE ITS DATA FOLLOWS");
    set(Msg::CantWriteFile, "CAN'T WRITE FILE \"%s\"");
    set(Msg::TreeInUse, "THE IMAGE TREE CANNOT CHANGE WHILE A BURN RUNS");
    return t;
}

std::mutex tableLock;
std::shared_ptr<const DriveMessageTable> current;

std::shared_ptr<const DriveMessageTable> Current() {
    std::lock_guard lock(tableLock);
    if (!current) current = std::make_shared<const DriveMessageTable>(DefaultDriveMessages());
    return current;
}

}  // namespace

const DriveMessageTable& DefaultDriveMessages() {
    static const DriveMessageTable table = BuiltIn();
    return table;
}

void SetDriveMessages(DriveMessageTable table) {
    auto replacement = std::make_shared<const DriveMessageTable>(std::move(table));
    std::lock_guard lock(tableLock);
    current = std::move(replacement);
}

std::string DriveMessage(Msg id) { return (*Current())[static_cast<size_t>(id)]; }

std::string FormatDriveMessage(Msg id, std::initializer_list<std::string_view> args) {
    const std::string text = DriveMessage(id);
    std::string out;
    auto next = args.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        bool placeholder = text[i] == '%' && i + 1 < text.size() &&
                           (text[i + 1] == 's' || text[i + 1] == 'd');
        if (placeholder && next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace kq
