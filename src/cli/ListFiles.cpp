#include "cli/ListFiles.h"

#include "burner/DriveSectors.h"
#include "burner/kqCDBC.h"
#include "cli/DiscReading.h"
#include "cli/DriveTable.h"
#include "cli/ExitCode.h"
#include "jobs/SessionStart.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>

namespace kq::cli {

namespace {

std::string ModeText(const iso::DiscEntry& e) {
    const uint32_t type = e.mode & 0170000;
    std::string text = type == 040000 ? "d" : type == 0120000 ? "l" : type == 0100000 || type == 0 ? "-" : "?";
    const char* const kLetters = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit) text += e.mode & (0400 >> bit) ? kLetters[bit] : '-';
    return text;
}

std::string DateText(int64_t seconds) {
    using namespace std::chrono;
    const sys_seconds at{std::chrono::seconds{seconds}};
    const sys_days day = floor<days>(at);
    const year_month_day ymd{day};
    const hh_mm_ss hms{at - day};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld", int(ymd.year()), unsigned(ymd.month()),
                  unsigned(ymd.day()), long(hms.hours().count()), long(hms.minutes().count()));
    return text;
}

}  // namespace

std::string FileLine(const iso::DiscTree& tree, size_t at) {
    const iso::DiscEntry& e = tree.entries[at];
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " %3u %5u %5u %12llu ", e.links, e.owner, e.group,
                  static_cast<unsigned long long>(e.size));
    std::string line = ModeText(e) + numbers + DateText(e.time) + " " + tree.PathOf(at);
    if (!e.linkTarget.empty()) line += " -> " + e.linkTarget;
    return line;
}

int RunListFiles(const CliOptions& options, Console& console) {
    TQCDBurner burner;
    int code = kExitSuccess;
    const auto reading = PrepareReading(burner, options, console, code);
    if (!reading) return code;
    const std::string who = ShortEntry(reading->entry);
    uint32_t start = reading->track.start;
    if (!options.track) {
        const jobs::SessionFinding found = jobs::FindSessionStart(burner, options.session);
        if (!found.start) {
            console.Error(who + ": " + found.error);
            return kExitNoRecorder;
        }
        start = *found.start;
    }
    const iso::DiscTree tree = iso::ReadDiscTree(iso::DriveSectors(burner), start);
    if (!tree.error.empty()) {
        console.Error(who + ": the file system of the session at sector " + std::to_string(start) +
                      " cannot be read: " + tree.error);
        return kExitNoRecorder;
    }
    std::vector<size_t> order(tree.entries.size() - 1);
    std::iota(order.begin(), order.end(), size_t{1});
    std::vector<std::string> paths(tree.entries.size());
    for (size_t i : order) paths[i] = tree.PathOf(i);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return paths[a] < paths[b]; });
    for (size_t i : order) console.Line(FileLine(tree, i));
    return kExitSuccess;
}

}  // namespace kq::cli
