#include "app/CheckWorkflow.h"
#include "app/FilesWorkflow.h"
#include "app/JobProgress.h"
#include "app/ReadWorkflow.h"

namespace kq {

std::string ProgressText(const JobProgress&) { return {}; }
const JobProgress& ProgressTracker::Tick(uint64_t, int64_t, int64_t, int) { return progress_; }

struct JobWorkflow::Job {};
JobWorkflow::JobWorkflow(JobView& view, TQCDBurner& burner) : view_(view), B(burner) {}
JobWorkflow::~JobWorkflow() = default;
void JobWorkflow::FormShow() {}
void JobWorkflow::SelectDrive(int) {}
void JobWorkflow::TimerTick() {}
void JobWorkflow::AbortClick() {}
void JobWorkflow::FormClose() {}

FilesWorkflow::FilesWorkflow(FilesView& view, TQCDBurner& burner) : JobWorkflow(view, burner), files_(view) {}
void FilesWorkflow::AddEntries(const std::vector<std::string>&) {}
void FilesWorkflow::RemoveEntry(int) {}
void FilesWorkflow::SetVolumeId(const std::string&) {}
std::string FilesWorkflow::VolumeId() const { return volumeId_; }
void FilesWorkflow::SetJoliet(bool) {}
void FilesWorkflow::SetRockRidge(bool) {}
void FilesWorkflow::UpdateFit() {}
void FilesWorkflow::BurnClick() {}
void FilesWorkflow::WriteImageClick(const std::string&) {}
bool FilesWorkflow::Wanted(const std::string&) { return false; }

ReadWorkflow::ReadWorkflow(ReadView& view, TQCDBurner& burner) : JobWorkflow(view, burner) {}
void ReadWorkflow::ReadClick() {}

CheckWorkflow::CheckWorkflow(CheckView& view, TQCDBurner& burner) : JobWorkflow(view, burner) {}
void CheckWorkflow::CheckClick() {}

}  // namespace kq
