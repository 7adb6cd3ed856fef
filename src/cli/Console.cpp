#include "cli/Console.h"

#include "platform/Process.h"

namespace kq::cli {

Console::Console(FILE* out, FILE* err) : out_(out), err_(err), terminal_(platform::IsTerminal(out)) {}

void Console::FlushOut() {
    if (outGone_) return;
    if (std::fflush(out_) == 0 && !std::ferror(out_)) return;
    outGone_ = true;
    std::fputs("cdburner-cli: standard output is closed; the run goes on without it\n", err_);
    std::fflush(err_);
}

void Console::ClearProgress() {
    if (!progressShown_ || outGone_) return;
    std::fputs("\r\x1b[K", out_);
    progressShown_ = false;
}

void Console::Line(const std::string& text) {
    std::lock_guard guard(lock_);
    if (outGone_) return;
    ClearProgress();
    std::fprintf(out_, "%s\n", text.c_str());
    FlushOut();
}

void Console::Error(const std::string& text) {
    std::lock_guard guard(lock_);
    ClearProgress();
    FlushOut();
    std::fprintf(err_, "cdburner-cli: %s\n", text.c_str());
    std::fflush(err_);
}

void Console::Progress(const std::string& text) {
    std::lock_guard guard(lock_);
    if (outGone_) return;
    if (terminal_) {
        std::fprintf(out_, "\r%s\x1b[K", text.c_str());
        progressShown_ = true;
    } else {
        std::fprintf(out_, "%s\n", text.c_str());
    }
    FlushOut();
}

void Console::EndProgress() {
    std::lock_guard guard(lock_);
    if (outGone_) return;
    if (progressShown_) std::fputs("\n", out_);
    progressShown_ = false;
    FlushOut();
}

}  // namespace kq::cli
