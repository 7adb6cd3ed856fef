#pragma once
// The "Read a disc" page: the drive's data track into an image file with
// its .sha256, as the command line's --read-image (and --keep-going).
#include "app/JobWorkflow.h"
#include "jobs/ImageRead.h"

#include <string>

namespace kq {

class ReadWorkflow : public JobWorkflow {
public:
    ReadWorkflow(ReadView& view, TQCDBurner& burner);

    // The image file. One that exists is replaced when a save dialog has
    // asked already (`replaceAsked`); otherwise the read asks first.
    void SetOutput(const std::string& path, bool replaceAsked = false) {
        output_ = path;
        replaceAsked_ = replaceAsked;
    }
    const std::string& Output() const { return output_; }
    // Unreadable sectors become zeros, listed in OUT.bad, instead of
    // ending the read.
    void SetKeepGoing(bool on) { keepGoing_ = on; }

    void ReadClick();

private:
    JobResult ReadJob(const jobs::ReadImageOptions& options, const std::string& drive);

    std::string output_;
    bool replaceAsked_ = false;
    bool keepGoing_ = false;
};

}  // namespace kq
