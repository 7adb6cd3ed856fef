#pragma once
// Where a job's lines go: the command line's console, or the texts a
// window shows in its result.
#include <mutex>
#include <string>
#include <vector>

namespace kq::jobs {

class JobLog {
public:
    virtual ~JobLog() = default;
    virtual void Line(const std::string& text) = 0;
    virtual void Error(const std::string& text) = 0;
};

// Keeps the lines for a window to show; a job thread may write them.
class TextLog : public JobLog {
public:
    void Line(const std::string& text) override {
        std::lock_guard guard(lock_);
        lines_.push_back(text);
    }
    void Error(const std::string& text) override {
        std::lock_guard guard(lock_);
        errors_.push_back(text);
    }
    std::vector<std::string> Lines() const {
        std::lock_guard guard(lock_);
        return lines_;
    }
    std::vector<std::string> Errors() const {
        std::lock_guard guard(lock_);
        return errors_;
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
    std::vector<std::string> errors_;
};

}  // namespace kq::jobs
