#include "app/CheckWorkflow.h"

#include "app/JobTexts.h"
#include "burner/kqCDBC.h"
#include "jobs/DiscCheck.h"

namespace kq {

namespace {
constexpr const char* kChooseReference = "Choose the image, or its .md5, .sha256 or SHA256SUMS file.";
}

CheckWorkflow::CheckWorkflow(CheckView& view, TQCDBurner& burner) : JobWorkflow(view, burner) {}

void CheckWorkflow::CheckClick() {
    if (!MayStart(reference_, "Nothing to check against", kChooseReference)) return;
    Run([this, reference = reference_, drive = Drive()] { return CheckJob(reference, drive); });
}

JobResult CheckWorkflow::CheckJob(const std::string& named, const std::string& drive) {
    jobs::TextLog log;
    const auto reference = jobs::FindReference(named, log);
    if (!reference)
        return FailedResult(jobs::JobEnd::Refused, "Nothing to check against", LastError(log), kChooseReference);
    std::string why;
    const auto reading = PrepareReading(drive, why);
    if (!reading) return FailedResult(jobs::JobEnd::Refused, "Nothing to check", why, "Insert the disc to check.");
    SetStage("Checking...");
    const jobs::DiscCheckResult check =
        jobs::CheckDisc(B, *reading, *reference, log, ReadOnThisThread(), [this] { return StopRequested(); });
    if (check.end == jobs::JobEnd::Success)
        return {JobOutcome::Success, "The disc matches", "It holds what " + reference->source + " says.", "", {}};
    if (check.firstDiffering)
        return FailedResult(check.end, "The disc differs",
                            "Sector " + std::to_string(*check.firstDiffering) + " is the first that differs from " +
                                reference->source + ".",
                            "Burn the image again onto a new disc.");
    if (check.text.starts_with("unreadable"))
        return FailedResult(check.end, "The disc cannot be read", check.text, "Clean the disc and check it again.");
    return FailedResult(check.end, "The disc differs", check.text.empty() ? LastError(log) : check.text,
                        check.end == jobs::JobEnd::Refused ? "Check it against the image itself."
                                                           : "Burn the image again onto a new disc.");
}

}  // namespace kq
