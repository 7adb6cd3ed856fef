#include "cli/ChildReport.h"

#include "platform/Process.h"

#include <cstdio>
#include <sstream>

namespace kq::cli {

namespace {

// Texts travel on one line.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    return line;
}

std::string Rest(std::istringstream& in) {
    std::string rest;
    std::getline(in >> std::ws, rest);
    return rest;
}

}  // namespace

std::string ProgressReportLine(const DriveStatus& s) {
    char text[96];
    std::snprintf(text, sizeof text, "progress %d %.0f %d ", s.percent, s.kBps, s.bufferFill);
    return text + OneLine(s.state) + "\n";
}

std::string NoteReportLine(std::string_view text) { return "note " + OneLine(text) + "\n"; }

std::string ResultReportLine(const DriveResult& r) {
    return "result " + std::to_string(r.exitCode) + " " + OneLine(r.verify) + " " + std::to_string(r.elapsedMs) +
           " " + std::to_string(r.lowestFill) + " " + OneLine(r.text) + "\n";
}

ReportLine ParseReportLine(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::string kind;
    in >> kind;
    ReportLine line;
    if (kind == "progress") {
        in >> line.status.percent >> line.status.kBps >> line.status.bufferFill >> line.status.state;
        if (in) line.kind = ReportLine::Progress;
    } else if (kind == "note") {
        line.note = Rest(in);
        line.kind = ReportLine::Note;
    } else if (kind == "result") {
        in >> line.result.exitCode >> line.result.verify >> line.result.elapsedMs >> line.result.lowestFill;
        if (in) {
            line.result.text = Rest(in);
            line.kind = ReportLine::Result;
        }
    }
    return line;
}

bool WriteReportLine(int fd, const std::string& line) { return platform::WriteReport(fd, line); }

}  // namespace kq::cli
