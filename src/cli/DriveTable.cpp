#include "cli/DriveTable.h"

#include "cli/ExitCode.h"
#include "jobs/ProgressLine.h"

#include <algorithm>
#include <cstdio>

namespace kq::cli {

using namespace jobs;
namespace {

std::string Pad(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string StateOf(const DriveRow& row) {
    if (row.skipped) return "skipped";
    if (!row.result) return row.status.state;
    return row.result->exitCode == kExitSuccess ? "done" : "failed";
}

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

}  // namespace

std::string ShortEntry(const std::string& entry) {
    std::string shortened;
    for (char c : entry) {
        if (c == ' ' && !shortened.empty() && shortened.back() == ' ') continue;
        shortened += c;
    }
    return TrimRight(shortened);
}

std::string DriveLine(const DriveRow& row, size_t width) {
    std::string line = Pad(ShortEntry(row.entry), width);
    if (row.skipped || row.result) {
        return TrimRight(line + "  " + StateOf(row) + ": " + (row.result ? row.result->text : std::string()));
    }
    char numbers[80];
    std::snprintf(numbers, sizeof numbers, "  %3d%%  %5.0f kB/s  ", row.status.percent, row.status.kBps);
    line += numbers;
    line += row.status.bufferFill < 0 ? std::string("buffer --  ")
                                      : "buffer " + std::to_string(row.status.bufferFill) + "%  ";
    return line + row.status.state;
}

std::vector<std::string> SummaryTable(const std::vector<DriveRow>& rows, bool verify) {
    std::vector<std::vector<std::string>> cells{{"Drive", "Result", "Time"}};
    if (verify) cells[0].push_back("Verify");
    for (const DriveRow& row : rows) {
        std::string text = row.result ? row.result->text : std::string("no report");
        if (row.skipped) text = "skipped: " + text;
        std::string time = row.result && !row.skipped ? FormatDuration(row.result->elapsedMs) : "-";
        std::vector<std::string> line{ShortEntry(row.entry), text, time};
        if (verify) line.push_back(row.result && !row.skipped ? row.result->verify : "-");
        cells.push_back(line);
    }
    std::vector<size_t> widths(cells[0].size(), 0);
    for (const auto& line : cells)
        for (size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
    std::vector<std::string> table;
    for (const auto& line : cells) {
        std::string text;
        for (size_t i = 0; i < line.size(); ++i) text += (i ? "  " : "") + Pad(line[i], widths[i]);
        table.push_back(TrimRight(text));
    }
    const auto excused = std::count_if(rows.begin(), rows.end(), [](const DriveRow& row) { return row.excused; });
    if (excused > 0)
        table.push_back(std::to_string(excused) + (excused == 1 ? " drive" : " drives") +
                        " without a disc skipped: --all-recorders burns the drives that hold one");
    return table;
}

}  // namespace kq::cli
