#include "cli/AppendSession.h"

#include "burner/DriveSectors.h"
#include "burner/SessionImport.h"
#include "burner/kqCDBC.h"
#include "cli/DriveTable.h"
#include "cli/ExitCode.h"
#include "cli/SessionStart.h"
#include "drive/DiscReplies.h"
#include "drive/MediaTypes.h"
#include "jobs/DataTrack.h"
#include "jobs/DiscState.h"

#include <array>

namespace kq::cli {

using namespace jobs;

namespace {

constexpr uint32_t kBlockSectors = 32;  // a BD cluster, two DVD ECC blocks: no block is shared with the old volume

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

// The session's tree in the burner's, the new one to start at `next`.
std::optional<Refused> Import(TQCDBurner& burner, const CliOptions& o, Console& console, const SessionFinding& last,
                              uint32_t next) {
    const iso::DiscTree old = iso::ReadDiscTree(iso::DriveSectors(burner), *last.start);
    if (!old.error.empty())
        return Refused{kExitNoRecorder, "the file system of session " + std::to_string(last.session) + " (from sector " +
                                            std::to_string(*last.start) + ") cannot be read: " + old.error};
    if (std::string why = ImportSession(burner.ImageTree(), old, o.removes); !why.empty())
        return Refused{why.starts_with("--remove") ? kExitUsage : kExitNoRecorder, why};
    burner.ImageTree().Changed();
    if (!o.Given(Opt::VolumeId) && !old.volumeId.empty()) burner.IdVolume = old.volumeId;
    // On an overwritable disc the old volume ends where its size says.
    if (burner.DescriptorsLast()) next = (old.volumeSectors + kBlockSectors - 1) / kBlockSectors * kBlockSectors;
    burner.SetSessionStart(next);
    console.Line("appending session " + std::to_string(last.session + 1) + " at sector " + std::to_string(next) +
                 ", keeping " + std::to_string(old.entries.size() - 1) + " entries of session " +
                 std::to_string(last.session));
    return std::nullopt;
}

std::optional<Refused> ImportLastSession(TQCDBurner& burner, const CliOptions& o, Console& console) {
    const auto next = NextWritable(burner);
    if (!next) return Refused{kExitNoRecorder, "the drive gives no next writable address [" + burner.LastErrorText() + "]"};
    const SessionFinding last = FindSessionStart(burner, std::nullopt);
    if (!last.start) return Refused{kExitNoRecorder, last.error};
    return Import(burner, o, console, last, *next);
}

// An overwritable disc holds one volume from sector 0; one without a
// volume (blank, or never formatted) takes a first session.
std::optional<Refused> ImportVolume(TQCDBurner& burner, const CliOptions& o, Console& console) {
    if (!IsoVolumeSectors(burner, 0)) return std::nullopt;
    burner.SetDescriptorsLast(true);
    return Import(burner, o, console, SessionFinding{0, 1, {}}, 0);
}

}  // namespace

int PrepareAppend(TQCDBurner& burner, const CliOptions& o, int mediaType, const std::string& entry, Console& console,
                  std::string& refusal) {
    std::optional<Refused> refused;
    const DiscState state = burner.RefreshDiscInformation() ? DecodeDiscState(burner.DiscInformationStatus())
                                                            : DiscState::Blank;
    if (RecordingOf(mediaType) == MediaRecording::Overwritable)
        refused = ImportVolume(burner, o, console);
    else if (state == DiscState::Appendable)
        refused = ImportLastSession(burner, o, console);
    if (!refused) return kExitSuccess;
    refusal = refused->why + "; nothing was written";
    console.Error(ShortEntry(entry) + ": " + refusal);
    return refused->code;
}

}  // namespace kq::cli
