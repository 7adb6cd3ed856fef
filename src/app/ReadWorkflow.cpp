#include "app/ReadWorkflow.h"

#include "app/JobTexts.h"
#include "burner/kqCDBC.h"
#include "jobs/ImageRead.h"

#include <filesystem>

namespace kq {

ReadWorkflow::ReadWorkflow(ReadView& view, TQCDBurner& burner) : JobWorkflow(view, burner) {}

void ReadWorkflow::ReadClick() {
    if (!MayStart(output_, "No image file", "Choose where the image goes.")) return;
    // A name typed rather than chosen in the save dialog has not been asked about.
    std::error_code ec;
    if (!replaceAsked_ && std::filesystem::exists(output_, ec) &&
        view_.ShowMessage(output_ + " already exists.\rReplace it?", MessageButtons::YesNoCancel, MessageIcon::None) !=
            MessageAnswer::Yes)
        return;
    Run([this, options = jobs::ReadImageOptions{output_, true, false, keepGoing_}, drive = Drive()] {
        return ReadJob(options, drive);
    });
}

JobResult ReadWorkflow::ReadJob(const jobs::ReadImageOptions& options, const std::string& drive) {
    jobs::TextLog log;
    if (!jobs::CheckReadTarget(options, log))
        return FailedResult(jobs::JobEnd::Refused, "The image cannot be written there", LastError(log),
                            "Choose another file.");
    std::string why;
    const auto reading = PrepareReading(drive, why);
    if (!reading) return FailedResult(jobs::JobEnd::Refused, "Nothing to read", why, "Insert a disc that holds data.");
    SetStage("Reading...");
    const jobs::ImageReadResult read =
        jobs::ReadImageFile(B, *reading, options, log, ReadOnThisThread(), [this] { return StopRequested(); });
    const jobs::ReadTarget target(options.out);
    if (read.end == jobs::JobEnd::Success)
        return {JobOutcome::Success, "Success", target.image + " and " + target.sha256, "", {target.image, target.sha256}};
    if (!read.bad.empty())
        return {JobOutcome::Failed, std::to_string(read.bad.size()) + " sectors could not be read", LastError(log),
                "The image holds zeros in their place: it is no true copy of the disc.", {target.image, target.bad}};
    if (read.failedSector)
        return FailedResult(read.end, "The disc cannot be read", LastError(log),
                            "Clean the disc and read it again, or tick \"Keep going\" to read around the bad sectors.");
    return FailedResult(read.end, "The image was not read", LastError(log), "");
}

}  // namespace kq
