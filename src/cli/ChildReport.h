#pragma once
// What a child burn tells its parent, one line at a time, on the
// descriptor of --report-fd:
//   progress <percent> <kB/s> <buffer fill, -1 unknown> <state>
//   note <text>
//   result <exit code> <verify: - ok differs failed> <elapsed ms> <lowest buffer fill> <result text>
#include <cstdint>
#include <string>
#include <string_view>

namespace kq::cli {

struct DriveStatus {
    int percent = 0;
    double kBps = 0;
    int bufferFill = -1;
    std::string state = "starting";  // one word
};

struct DriveResult {
    int exitCode = 0;
    std::string verify = "-";
    uint64_t elapsedMs = 0;
    std::string text;  // the burner's result text; "Success" on success
    int lowestFill = -1;  // the drive buffer's lowest fill while fed; -1 unknown
};

std::string ProgressReportLine(const DriveStatus& status);
std::string NoteReportLine(std::string_view text);
std::string ResultReportLine(const DriveResult& result);

struct ReportLine {
    enum Kind { Progress, Note, Result, Unknown } kind = Unknown;
    DriveStatus status;
    DriveResult result;
    std::string note;
};

// A line without its newline; a malformed one is Unknown.
ReportLine ParseReportLine(std::string_view line);

// Writes one whole line; false when the reader has gone.
bool WriteReportLine(int fd, const std::string& line);

}  // namespace kq::cli
