#pragma once
// The result texts the job pages share.
#include "app/JobView.h"
#include "jobs/DiscJob.h"
#include "jobs/JobLog.h"

#include <cstdint>
#include <string>

namespace kq {

// The last error of the log without the job's "read-image: " or
// "check: " prefix: the drive's own words stay in "[...]".
std::string LastError(const jobs::TextLog& log);

// "245.1": the sectors' size in MB, one decimal.
std::string MegaBytesOf(int64_t sectors);

// A job that did not run or did not end well: the headline by how it
// ended, the detail from the log.
JobResult FailedResult(jobs::JobEnd end, const std::string& headline, const std::string& detail,
                       const std::string& next);

}  // namespace kq
