#pragma once
// The lines of a burn onto several drives: one per drive while they burn,
// and the summary table at the end.
#include "cli/ChildReport.h"

#include <optional>
#include <string>
#include <vector>

namespace kq::cli {

struct DriveRow {
    std::string entry;                  // as --list shows it
    DriveStatus status;
    std::optional<DriveResult> result;  // set once the child has reported
    bool skipped = false;               // not burnt; result->text says why
    bool excused = false;               // skipped for want of a disc, and not counted
};

// A device list entry with its runs of padding blanks cut to one.
std::string ShortEntry(const std::string& entry);

// "<entry>  37%  7056 kB/s  buffer 95%  writing", the entry padded to `width`.
std::string DriveLine(const DriveRow& row, size_t width);

// The summary: a header and one row per drive with its entry, result text,
// time taken and, when `verify` is set, the verify outcome; a line below
// it when drives without a disc were left out of the exit code.
std::vector<std::string> SummaryTable(const std::vector<DriveRow>& rows, bool verify);

}  // namespace kq::cli
