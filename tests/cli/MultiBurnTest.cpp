// One image onto three virtual recorders at once, each burnt by a child
// process of the program.
#include "CliRun.h"

#include <chrono>
#ifdef _WIN32
#include <windows.h>
#include <tlhelp32.h>
#else
#include <dirent.h>
#endif
#include <set>
#include <sstream>
#include <thread>

using namespace clitest;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The summary's row of a drive: the line that starts with its entry.
std::string SummaryRow(const std::string& output, const std::string& address) {
    size_t header = output.rfind("\nDrive ");
    if (header == std::string::npos) return {};
    size_t at = output.find("\n" + address, header + 1);
    if (at == std::string::npos) return {};
    return output.substr(at + 1, output.find('\n', at + 1) - at - 1);
}

#ifdef _WIN32
// The program `parent` and the copies of it that it started.
int ProgramProcesses(const platform::ChildProcess& parent, const std::string&) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    auto root = static_cast<DWORD>(parent.Id());
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (Contains(entry.szExeFile, "cdburner-cli") && (entry.th32ProcessID == root || entry.th32ParentProcessID == root))
            ++count;
    CloseHandle(snapshot);
    return count;
}
#else
// Processes whose command line names `marker` (the test's own folder).
int ProgramProcesses(const platform::ChildProcess&, const std::string& marker) {
    int count = 0;
    DIR* proc = opendir("/proc");
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
        std::string cmdline = ReadAll(std::string("/proc/") + entry->d_name + "/cmdline");
        if (Contains(cmdline, "cdburner-cli") && Contains(cmdline, marker)) ++count;
    }
    if (proc) closedir(proc);
    return count;
}
#endif

}  // namespace

TEST(SeveralDrives, AllGoodEachDiscIdentical) {
    CliBench bench(Recorder(0) + Recorder(1) + Recorder(2));
    std::string image = bench.Image("a.iso", 700 * 2048 + 5);
    auto run = bench.Run({"--all-recorders", "--verify", "a.iso"});
    EXPECT_EQ(run.code, 0) << run.output;
    for (int target = 0; target < 3; ++target) {
        EXPECT_TRUE(DiscBeginsWith(bench.Disc(target), image)) << target;
        std::string row = SummaryRow(run.output, "0:" + std::to_string(target) + ":0");
        EXPECT_TRUE(Contains(row, "Success")) << run.output;
        EXPECT_TRUE(row.ends_with("ok")) << row;
    }
    EXPECT_TRUE(Contains(run.output, "\nDrive ")) << run.output;
    EXPECT_TRUE(Contains(run.output, "Verify")) << run.output;
}

// A drive named with --device that cannot burn fails the run (exit 4);
// --all-recorders may find drives empty, and says it left them out.
TEST(SeveralDrives, ADriveWithoutADiscIsSkipped) {
    const struct {
        std::vector<std::string> args;
        int code;
        bool excusedLine;
    } cases[] = {
        {{"--device", "0:0:0", "--device", "2", "--device", "0:2:0", "a.iso"}, 4, false},
        {{"--all-recorders", "a.iso"}, 0, true},
    };
    for (const auto& c : cases) {
        CliBench bench(Recorder(0) + Recorder(1) + "[recorder]\naddress = 0:2:0\nmedium = none\nbacking = disc2.img\n");
        std::string image = bench.Image("a.iso", 400 * 2048);
        auto run = bench.Run(c.args);
        EXPECT_EQ(run.code, c.code) << run.output;
        EXPECT_TRUE(DiscBeginsWith(bench.Disc(0), image));
        EXPECT_TRUE(DiscBeginsWith(bench.Disc(1), image));
        EXPECT_TRUE(Contains(run.output, "0:2:0,E: VIRTUAL CD-RW RECORDER 1.00: skipped: not ready [")) << run.output;
        EXPECT_TRUE(Contains(SummaryRow(run.output, "0:2:0"), "skipped")) << run.output;
        EXPECT_EQ(Contains(run.output, "1 drive without a disc skipped"), c.excusedLine) << run.output;
    }
}

TEST(SeveralDrives, AWriteErrorShowsOnlyOnItsDrive) {
    CliBench bench(Recorder(0) + Recorder(1, "fault = write lba>=100 check 3/0C/00\n") + Recorder(2));
    std::string image = bench.Image("a.iso", 400 * 2048);
    auto run = bench.Run({"--all-recorders", "a.iso"});
    EXPECT_EQ(run.code, 1) << run.output;
    EXPECT_TRUE(Contains(SummaryRow(run.output, "0:1:0"), "WRITER ERROR [")) << run.output;
    EXPECT_TRUE(Contains(SummaryRow(run.output, "0:0:0"), "Success"));
    EXPECT_TRUE(Contains(SummaryRow(run.output, "0:2:0"), "Success"));
    // Its own drive line and its summary row, each once, nothing else.
    std::istringstream lines(run.output);
    int shown = 0;
    std::set<std::string> seen, described;
    for (std::string line; std::getline(lines, line);) {
        // Each drive's lines in the order they happened: its medium before its first state.
        std::string drive = line.substr(0, 5);
        if (Contains(line, ": medium: ")) described.insert(drive);
        else if (Contains(line, "%  ") && !seen.count(drive)) {
            seen.insert(drive);
            EXPECT_TRUE(described.count(drive)) << line << "\n" << run.output;
        }
        if (!Contains(line, "WRITER ERROR")) continue;
        ++shown;
        EXPECT_TRUE(line.starts_with("0:1:0,") || line.starts_with("cdburner-cli: 0:1:0,")) << line;
    }
    EXPECT_EQ(shown, 3) << run.output;  // and once more on standard error
    EXPECT_TRUE(DiscBeginsWith(bench.Disc(0), image));
    EXPECT_TRUE(DiscBeginsWith(bench.Disc(2), image));
}

TEST(SeveralDrives, CtrlCLeavesNoChildRunning) {
    std::string slow = "write_speed = 353\n";
    CliBench bench(Recorder(0, slow) + Recorder(1, slow) + Recorder(2, slow));
    std::string image = bench.Image("a.iso", 2000 * 2048);  // by its full name, which marks the processes
    auto parent = bench.Start({"--all-recorders", image});
    for (int i = 0; i < 200 && ReadAll(bench.Disc(2)).size() < 2 * 55296; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ProgramProcesses(parent, bench.dir.Path().string()), 4);  // the parent and three children
    parent.Interrupt();
    EXPECT_EQ(parent.Wait(), 130);
    EXPECT_EQ(ProgramProcesses(parent, bench.dir.Path().string()), 0);
}
