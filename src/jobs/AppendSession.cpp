#include "jobs/AppendSession.h"

#include "burner/DriveSectors.h"
#include "burner/SessionImport.h"
#include "burner/kqCDBC.h"
#include "drive/DiscReplies.h"
#include "drive/MediaTypes.h"
#include "jobs/DataTrack.h"
#include "jobs/DiscState.h"
#include "jobs/SessionStart.h"

#include <array>

namespace kq::jobs {

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

// The session's tree in the burner's, the new one to start at `next`.
std::optional<AppendRefusal> Import(TQCDBurner& burner, const AppendChoices& choices, JobLog& log,
                                    const SessionFinding& last, uint32_t next) {
    const iso::DiscTree old = iso::ReadDiscTree(iso::DriveSectors(burner), *last.start);
    if (!old.error.empty())
        return AppendRefusal{false, "the file system of session " + std::to_string(last.session) + " (from sector " +
                                            std::to_string(*last.start) + ") cannot be read: " + old.error};
    if (std::string why = ImportSession(burner.ImageTree(), old, choices.removes); !why.empty())
        return AppendRefusal{why.starts_with("--remove"), why};
    burner.ImageTree().Changed();
    if (!choices.volumeIdGiven && !old.volumeId.empty()) burner.IdVolume = old.volumeId;
    // On an overwritable disc the old volume ends where its size says.
    if (burner.DescriptorsLast()) next = (old.volumeSectors + kBlockSectors - 1) / kBlockSectors * kBlockSectors;
    burner.SetSessionStart(next);
    log.Line("appending session " + std::to_string(last.session + 1) + " at sector " + std::to_string(next) +
                 ", keeping " + std::to_string(old.entries.size() - 1) + " entries of session " +
                 std::to_string(last.session));
    return std::nullopt;
}

std::optional<AppendRefusal> ImportLastSession(TQCDBurner& burner, const AppendChoices& choices, JobLog& log) {
    const auto next = NextWritable(burner);
    if (!next) return AppendRefusal{false, "the drive gives no next writable address [" + burner.LastErrorText() + "]"};
    const SessionFinding last = FindSessionStart(burner, std::nullopt);
    if (!last.start) return AppendRefusal{false, last.error};
    return Import(burner, choices, log, last, *next);
}

// An overwritable disc holds one volume from sector 0; one without a
// volume (blank, or never formatted) takes a first session.
std::optional<AppendRefusal> ImportVolume(TQCDBurner& burner, const AppendChoices& choices, JobLog& log) {
    if (!IsoVolumeSectors(burner, 0)) return std::nullopt;
    burner.SetDescriptorsLast(true);
    return Import(burner, choices, log, SessionFinding{0, 1, {}}, 0);
}

// A disc whose state the drive does not tell takes a first session.
DiscState StateOf(TQCDBurner& burner) { return DiscStateNow(burner).value_or(DiscState::Blank); }

}  // namespace

std::optional<AppendRefusal> PrepareAppend(TQCDBurner& burner, int mediaType, const AppendChoices& choices,
                                           JobLog& log) {
    std::optional<AppendRefusal> refused;
    if (RecordingOf(mediaType) == MediaRecording::Overwritable)
        refused = ImportVolume(burner, choices, log);
    else if (StateOf(burner) == DiscState::Appendable)
        refused = ImportLastSession(burner, choices, log);
    if (refused) refused->why += "; nothing was written";
    return refused;
}

bool TakesAnotherSession(TQCDBurner& burner, int mediaType) {
    if (RecordingOf(mediaType) == MediaRecording::Overwritable) return IsoVolumeSectors(burner, 0).has_value();
    return StateOf(burner) == DiscState::Appendable;
}

}  // namespace kq::jobs
