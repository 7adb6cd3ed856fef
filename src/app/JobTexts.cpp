#include "app/JobTexts.h"

namespace kq {

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
