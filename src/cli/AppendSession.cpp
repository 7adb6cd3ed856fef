#include "cli/AppendSession.h"

#include "burner/DriveSectors.h"
#include "burner/SessionImport.h"
#include "burner/kqCDBC.h"
#include "cli/DiscState.h"
#include "cli/DriveTable.h"
#include "cli/ExitCode.h"
#include "cli/SessionStart.h"
#include "drive/DiscReplies.h"
#include "drive/MediaTypes.h"

#include <array>

namespace kq::cli {

namespace {

std::optional<uint32_t> NextWritable(TQCDBurner& burner) {
    alignas(4) std::array<uint8_t, kTrackInformationLength> reply{};
    auto lock = burner.LockCommands();
    if (!burner.ReadTrackInformation(kByTrackNumber, kInvisibleTrack, reply, kTrackInformationLength))
        return std::nullopt;
    const auto track = DecodeTrackInformation(reply);
    return track ? track->nextWritable : std::nullopt;
}

struct Refused {
    int code;
    std::string why;
};

// The last session's tree in the burner's, and where the new one starts.
std::optional<Refused> ImportLastSession(TQCDBurner& burner, const CliOptions& o, Console& console) {
    const auto next = NextWritable(burner);
    if (!next) return Refused{kExitNoRecorder, "the drive gives no next writable address [" + burner.LastErrorText() + "]"};
    const SessionFinding last = FindSessionStart(burner, std::nullopt);
    if (!last.start) return Refused{kExitNoRecorder, last.error};
    const iso::DiscTree old = iso::ReadDiscTree(iso::DriveSectors(burner), *last.start);
    if (!old.error.empty())
        return Refused{kExitNoRecorder, "the file system of session " + std::to_string(last.session) + " (from sector " +
                                            std::to_string(*last.start) + ") cannot be read: " + old.error};
    if (std::string why = ImportSession(burner.ImageTree(), old, o.removes); !why.empty())
        return Refused{why.starts_with("--remove") ? kExitUsage : kExitNoRecorder, why};
    burner.ImageTree().Changed();
    if (!o.Given(Opt::VolumeId) && !old.volumeId.empty()) burner.IdVolume = old.volumeId;
    burner.SetSessionStart(*next);
    console.Line("appending session " + std::to_string(last.session + 1) + " at sector " + std::to_string(*next) +
                 ", keeping " + std::to_string(old.entries.size() - 1) + " entries of session " +
                 std::to_string(last.session));
    return std::nullopt;
}

}  // namespace

int PrepareAppend(TQCDBurner& burner, const CliOptions& o, int mediaType, const std::string& entry, Console& console,
                  std::string& refusal) {
    std::optional<Refused> refused;
    const DiscState state = burner.RefreshDiscInformation() ? DecodeDiscState(burner.DiscInformationStatus())
                                                            : DiscState::Blank;
    if (RecordingOf(mediaType) == MediaRecording::Overwritable)
        refused = Refused{kExitNoRecorder, "--append takes write-once and blankable media; the " +
                                               MediaName(mediaType) + " is overwritten from its start"};
    else if (state == DiscState::Appendable)
        refused = ImportLastSession(burner, o, console);
    if (!refused) return kExitSuccess;
    refusal = refused->why + "; nothing was written";
    console.Error(ShortEntry(entry) + ": " + refusal);
    return refused->code;
}

}  // namespace kq::cli
