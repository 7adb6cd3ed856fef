// The files page's fit: the tree measured on a thread of its own, against
// the room on the disc in the chosen recorder.
#include "app/FilesWorkflow.h"

#include "app/JobTexts.h"
#include "burner/kqCDBC.h"
#include "jobs/AppendSession.h"

#include <algorithm>

namespace kq {

namespace {

// What the user should know before burning: entries left out, and a file
// that only UDF gives every system.
std::string FitNote(const jobs::FolderLayout& layout) {
    std::string note;
    if (!layout.unreadable.empty())
        note = std::to_string(layout.unreadable.size()) + " cannot be read: they are listed before anything is written. ";
    if (!layout.largeFile.empty()) note += jobs::LargeFileHint(layout.largeFile, "UDF, under \"More\",") + ".";
    return note;
}

}  // namespace

// The job and the measuring end before what they use does.
FilesWorkflow::~FilesWorkflow() { FormClose(); }

// The tree is measured with a burner of its own, one measure at a time.
// The drive is asked here, when the user changes something on this page,
// never while another page's job may be using it.
void FilesWorkflow::UpdateFit() {
    if (Running()) return;
    room_.free = FreeOnDisc(Drive(), room_.appendable);
    if (measure_) {
        fitWanted_ = true;
        return;
    }
    StartMeasure();
}

void FilesWorkflow::StartMeasure() {
    fitWanted_ = false;
    jobs::TreeOptions o = Options();
    o.sizeOnly = true;
    o.skipUnreadable = true;
    const uint64_t generation = ++fitGeneration_;
    measure_ = std::make_unique<Measure>([this, o, generation](platform::Thread&) {
        measure_->fit = MeasureTree(o);
        PostHere([this, generation] { FitMeasured(generation); });
    });
    measure_->generation = generation;
    measure_->thread.Start();
}

// A result already taken by WaitForFit is not taken again.
void FilesWorkflow::FitMeasured(uint64_t generation) {
    if (measure_ && measure_->generation == generation) FinishMeasure(true);
}

void FilesWorkflow::FinishMeasure(bool show) {
    measure_->thread.WaitFor();
    fit_ = measure_->fit;
    measure_.reset();
    if (show) {
        AgainstTheDisc(fit_);
        files_.ShowFit(fit_);
    }
    if (fitWanted_) StartMeasure();
}

void FilesWorkflow::WaitForFit(bool show) {
    while (measure_) FinishMeasure(show);
}

// On the measuring thread. Entries that cannot be read are left out of
// the fit, and listed when the tree is built for writing; the header is
// measured, not built.
DiscFit FilesWorkflow::MeasureTree(const jobs::TreeOptions& o) {
    DiscFit fit;
    jobs::TextLog log;
    const bool empty = o.folder.empty() && o.adds.empty();
    TQCDBurner sizer;
    const jobs::FolderLayout layout = empty ? jobs::FolderLayout{} : jobs::BuildFolderTree(sizer, o, log);
    fit.text = empty ? "Add files and folders" : layout.ok ? "" : LastError(log);
    if (layout.ok) fit.imageSectors = layout.sectors;
    fit.note = FitNote(layout);
    return fit;
}

// The measured size against the room on the disc.
void FilesWorkflow::AgainstTheDisc(DiscFit& fit) const {
    if (!fit.imageSectors) return;
    const int64_t sectors = *fit.imageSectors;
    fit.freeSectors = room_.free;
    fit.appendable = room_.appendable;
    const std::optional<int64_t> free = fit.freeSectors;
    fit.fits = !free || sectors <= *free;
    if (free && *free > 0) fit.percent = static_cast<int>(std::min<int64_t>(sectors * 100 / *free, 1000));
    if (free && *free == 0) fit.percent = 100;
    fit.text = free ? MegaBytesOf(sectors) + " of " + MegaBytesOf(*free) + " MB" + (fit.fits ? "" : ": does not fit")
                    : MegaBytesOf(sectors) + " MB";
}

std::optional<int64_t> FilesWorkflow::FreeOnDisc(const std::string& drive, bool& appendable) {
    const std::optional<int> mediaType = WritableMedium(drive);
    appendable = mediaType && jobs::TakesAnotherSession(B, *mediaType);
    if (!mediaType) return std::nullopt;
    return B.FreeSectors(static_cast<uint16_t>(*mediaType));
}

}  // namespace kq
