#pragma once
// The "Check a disc" page: the drive's data track against an image or a
// checksum companion (.md5, .sha256, SHA256SUMS), as --check-disc.
#include "app/JobWorkflow.h"

#include <string>

namespace kq {

class CheckWorkflow : public JobWorkflow {
public:
    CheckWorkflow(CheckView& view, TQCDBurner& burner);

    void SetReference(const std::string& path) { reference_ = path; }
    const std::string& Reference() const { return reference_; }

    void CheckClick();

private:
    JobResult CheckJob(const std::string& named, const std::string& drive);

    std::string reference_;
};

}  // namespace kq
