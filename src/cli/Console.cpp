#include "cli/Console.h"

#include "platform/Process.h"

namespace kq::cli {

Console::Console(FILE* out, FILE* err) : out_(out), err_(err), terminal_(platform::IsTerminal(out)) {}

void Console::ClearProgress() {
    if (!progressShown_) return;
    std::fputs("\r\x1b[K", out_);
    progressShown_ = false;
}

void Console::Line(const std::string& text) {
    std::lock_guard guard(lock_);
    ClearProgress();
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

void Console::Error(const std::string& text) {
    std::lock_guard guard(lock_);
    ClearProgress();
    std::fflush(out_);
    std::fprintf(err_, "cdburner-cli: %s\n", text.c_str());
    std::fflush(err_);
}

void Console::Progress(const std::string& text) {
    std::lock_guard guard(lock_);
    if (terminal_) {
        std::fprintf(out_, "\r%s\x1b[K", text.c_str());
        progressShown_ = true;
    } else {
        std::fprintf(out_, "%s\n", text.c_str());
    }
    std::fflush(out_);
}

void Console::EndProgress() {
    std::lock_guard guard(lock_);
    if (progressShown_) std::fputs("\n", out_);
    progressShown_ = false;
    std::fflush(out_);
}

}  // namespace kq::cli
