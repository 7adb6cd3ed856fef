#include "app/JobTexts.h"

#include "drive/MediaTypes.h"

#include <cstdio>

namespace kq {

std::string MegaBytesOf(int64_t sectors) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(sectors) * kSectorSize / (1024.0 * 1024.0));
    return text;
}

std::string LastError(const jobs::TextLog& log) {
    const std::vector<std::string> errors = log.Errors();
    if (errors.empty()) return {};
    std::string text = errors.back();
    for (const char* prefix : {"read-image: ", "check: "})
        if (text.starts_with(prefix)) return text.substr(std::char_traits<char>::length(prefix));
    return text;
}

JobResult FailedResult(jobs::JobEnd end, const std::string& headline, const std::string& detail,
                       const std::string& next) {
    if (end == jobs::JobEnd::Stopped) return {JobOutcome::Aborted, "Aborted", detail, "", {}};
    return {JobOutcome::Failed, headline, detail, next, {}};
}

}  // namespace kq
