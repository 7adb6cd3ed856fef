#pragma once
// Standard output shared by the main loop and the burner's threads: the
// updating progress line on a terminal, whole lines everywhere else.
#include "jobs/JobLog.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace kq::cli {

using namespace jobs;
class Console : public jobs::JobLog {
public:
    explicit Console(FILE* out = stdout, FILE* err = stderr);

    bool Terminal() const { return terminal_; }
    // A whole line; on a terminal the progress line is cleared first.
    void Line(const std::string& text) override;
    void Error(const std::string& text) override;
    // Replaces the progress line on a terminal; a plain line otherwise.
    void Progress(const std::string& text);
    // Ends a progress line left on the terminal.
    void EndProgress();

private:
    void ClearProgress();
    // Flushes standard output; once a write to it has failed (its reader
    // has gone), nothing more goes there, and standard error says so once.
    void FlushOut();

    FILE* out_;
    FILE* err_;
    bool terminal_;
    bool progressShown_ = false;
    bool outGone_ = false;
    std::mutex lock_;
};

}  // namespace kq::cli
