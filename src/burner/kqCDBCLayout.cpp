// The component's side of building a disc from folders: adding entries
// with the host's events, and the layout with the component's settings.
#include "burner/ImageLayout.h"
#include "burner/IsoStructures.h"
#include "burner/kqCDBC.h"
#include "drive/DriveMessages.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace kq {

namespace {

constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 in days since 1899-12-30

TDateTimeValue DateOf(int64_t seconds) { return kUnixEpochDays + static_cast<double>(seconds) / 86400.0; }

// To the nearest second, before 1970 too.
int64_t SecondsOf(TDateTimeValue days) { return std::llround((days - kUnixEpochDays) * 86400.0); }

// From sector 16 to the terminator, whole sectors.
std::vector<uint8_t> DescriptorSectors(const std::vector<uint8_t>& header) {
    size_t end = size_t{iso::vd::kFirstSector} * kSectorSize;
    const size_t first = end;
    while (end + kSectorSize <= header.size()) {
        end += kSectorSize;
        if (header[end - kSectorSize + iso::vd::kTypeByte] == iso::vd::kTerminator) break;
    }
    return {header.begin() + static_cast<std::ptrdiff_t>(std::min(first, end)), header.begin() + static_cast<std::ptrdiff_t>(end)};
}

std::optional<int64_t> SecondsIfSet(TDateTimeValue days) {
    return days == 0 ? std::nullopt : std::optional<int64_t>(SecondsOf(days));
}

}  // namespace

AddHooks TQCDBurner::MakeAddHooks() {
    AddHooks hooks;
    hooks.replaceFile = ReplaceFile();
    if (OnAddFile)
        hooks.file = [this](const std::string& localPath, TFEntry& entry) {
            bool skip = false;
            const TDateTimeValue given = DateOf(entry.ModTime);
            TDateTimeValue date = given;
            OnAddFile(*this, localPath, entry.LongName, entry.ShortName, date, static_cast<int32_t>(entry.Attributes),
                      entry.Size, skip);
            if (date != given) entry.ModTime = SecondsOf(date);
            return !skip;
        };
    if (OnAddDir)
        hooks.dir = [this](TDEntry& entry) {
            bool skip = false;
            OnAddDir(*this, entry.LongName, entry.ShortName, skip);
            return !skip;
        };
    return hooks;
}

// The tree a burn reads stays as it is until the burn is over.
bool TQCDBurner::RefuseChange(TAddReport& report) {
    if (!Burning()) return false;
    report.Error = DriveMessage(Msg::TreeInUse);
    return true;
}

// Special files left out are named in the trace as well as in the report.
// A file replaced in place changes the tree as much as one added.
bool TQCDBurner::AddThrough(TreeAdd add, const std::string& discPath, const std::string& localPath,
                            TAddReport& report) {
    if (RefuseChange(report)) return false;
    tree_.Changed();
    const size_t before = report.Skipped.size();
    TreeBuilder builder(tree_, MakeAddHooks());
    const bool added = (builder.*add)(discPath, localPath, report);
    TraceSkipped(report, before);
    return added;
}

bool TQCDBurner::AddFolder(const std::string& discPath, const std::string& localPath, TAddReport& report) {
    return AddThrough(&TreeBuilder::AddFolder, discPath, localPath, report);
}

bool TQCDBurner::AddPath(const std::string& discPath, const std::string& localPath, TAddReport& report) {
    return AddThrough(&TreeBuilder::AddPath, discPath, localPath, report);
}

void TQCDBurner::TraceSkipped(const TAddReport& report, size_t from) {
    for (size_t i = from; i < report.Skipped.size(); ++i)
        SendDebugMessage(">>> " + FormatDriveMessage(Msg::SkippedSpecialFile, {report.Skipped[i]}), 3);
}

int64_t TQCDBurner::BuildImageLayout(std::string& error) {
    if (Burning()) {
        error = DriveMessage(Msg::TreeInUse);
        SetLastErrorText(error);
        return -1;
    }
    return LayOut(error);
}

int64_t TQCDBurner::MeasureImageLayout(std::string& error) {
    if (Burning()) {
        error = DriveMessage(Msg::TreeInUse);
        return -1;
    }
    LayoutOptions options = CurrentLayoutOptions();
    options.sizeOnly = true;
    const ImageLayout layout = kq::BuildImageLayout(tree_, options);
    for (const std::string& warning : layout.warnings) SendDebugMessage(">>> " + warning, 3);
    error = layout.error;
    return layout.error.empty() ? layout.totalSectors : -1;
}

LayoutOptions TQCDBurner::CurrentLayoutOptions() const {
    LayoutOptions options;
    options.joliet = JolietFileSystem();
    options.rockRidge = RockRidge();
    options.relocateDeep = RelocateDeep();
    options.udf = UDFFileSystem();
    options.ids = {IdVolume, IdSystem, IdVolumeSet, IdPublisher, IdPreparer, IdApplication,
                   FileCopyright, FileAbstract, FileBibliographic};
    options.creation = SecondsIfSet(DateCreation);
    options.modification = SecondsIfSet(DateModification);
    options.expiration = SecondsIfSet(DateExpiration);
    options.effective = SecondsIfSet(DateEffective);
    options.buildTime = buildTime_.value_or(std::chrono::duration_cast<std::chrono::seconds>(
                                                std::chrono::system_clock::now().time_since_epoch()).count());
    if (clampDates_) options.clampTime = options.buildTime;
    options.headerLimit = kHeaderStreamLimit;
    options.sessionStart = sessionStart_;
    return options;
}

// Fresh while the header holds the last layout and nothing it was made
// from changed; the moment it was made is no reason to make it again.
bool TQCDBurner::LayoutFresh() const {
    if (!laidOutWith_ || headerStream_.Size() == 0 || tree_.Revision() != laidOutRevision_) return false;
    LayoutOptions now = CurrentLayoutOptions();
    if (!buildTime_) now.buildTime = laidOutWith_->buildTime;  // "now" moved on, nothing else
    return now == *laidOutWith_;
}

int64_t TQCDBurner::LayOut(std::string& error) {
    const LayoutOptions options = CurrentLayoutOptions();
    ImageLayout layout = kq::BuildImageLayout(tree_, options);
    for (const std::string& warning : layout.warnings) SendDebugMessage(">>> " + warning, 3);
    if (!layout.error.empty()) {
        error = layout.error;
        SetLastErrorText(error);
        return -1;
    }
    volumeDescriptors_ = DescriptorSectors(layout.header);
    headerStream_.Assign(std::move(layout.header));
    tree_.SetTrailer(std::move(layout.trailer));
    laidOutWith_ = options;
    laidOutRevision_ = tree_.Revision();
    laidOutSectors_ = layout.totalSectors;
    return layout.totalSectors;
}

}  // namespace kq
