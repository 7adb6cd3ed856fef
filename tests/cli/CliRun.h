#pragma once
// Runs the built cdburner-cli against virtual recorders: a folder with a
// recorder configuration, images, and the program's output and exit code.
#include "platform/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace clitest {

struct Outcome {
    int code = -1;
    std::string output;  // standard output and error together
    std::string errors;  // standard error alone, with RunApart
};

// A recorder section: a blank CD-R at 0:<target>:0 backed by disc<target>.img.
inline std::string Recorder(int target, const std::string& extra = "") {
    return "[recorder]\naddress = 0:" + std::to_string(target) + ":0\nmedium = cd-r\ncapacity = 20000\n" +
           "backing = disc" + std::to_string(target) + ".img\n" + extra + "\n";
}

class CliBench {
public:
    explicit CliBench(const std::string& config) { dir.Write("vrec.conf", config); }

    std::string Image(const std::string& name, size_t bytes, uint8_t seed = 7) {
        std::string data(bytes, '\0');
        std::mt19937 random(seed);
        for (char& c : data) c = static_cast<char>(random());
        return dir.Write(name, data);
    }

#ifdef _WIN32
    // The program runs in the bench's folder with its configuration in the
    // environment; both are set here and inherited, as no shell is at hand.
    Outcome Run(const std::vector<std::string>& args) const {
        Outcome outcome;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        if (!CreatePipe(&read, &write, &inherit, 0)) return outcome;
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA start{};
        start.cb = sizeof start;
        start.dwFlags = STARTF_USESTDHANDLES;
        start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        start.hStdOutput = start.hStdError = write;
        std::string line = CommandLine(args);
        SetEnvironmentVariableA("VRECORDER_CONFIG", dir.File("vrec.conf").c_str());
        PROCESS_INFORMATION info{};
        BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      dir.Path().string().c_str(), &start, &info);
        CloseHandle(write);
        if (started) {
            char chunk[4096];
            for (DWORD n; ReadFile(read, chunk, sizeof chunk, &n, nullptr) && n > 0;) outcome.output.append(chunk, n);
            WaitForSingleObject(info.hProcess, INFINITE);
            DWORD code = 0;
            GetExitCodeProcess(info.hProcess, &code);
            outcome.code = static_cast<int>(code);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
        CloseHandle(read);
        // The program writes text lines, which end in CR LF here.
        for (size_t at; (at = outcome.output.find("\r\n")) != std::string::npos;) outcome.output.erase(at, 1);
        return outcome;
    }

    std::string CommandLine(const std::vector<std::string>& args) const {
        std::string line = "\"" KQ_CLI_PATH "\" --aspi-library \"" KQ_VRECORDER_ASPI_PATH "\"";
        for (const std::string& arg : args) line += " \"" + arg + "\"";
        return line;
    }

    // The program started without waiting, for tests that interrupt it.
    platform::ChildProcess Start(const std::vector<std::string>& args) const {
        std::error_code why;
        SetEnvironmentVariableA("VRECORDER_CONFIG", dir.File("vrec.conf").c_str());
        std::vector<std::string> all{"--aspi-library", KQ_VRECORDER_ASPI_PATH};
        all.insert(all.end(), args.begin(), args.end());
        char here[MAX_PATH];
        GetCurrentDirectoryA(sizeof here, here);
        SetCurrentDirectoryA(dir.Path().string().c_str());
        auto child = platform::ChildProcess::Spawn(KQ_CLI_PATH, all, 9, true, why);
        SetCurrentDirectoryA(here);
        EXPECT_TRUE(child) << why.message();
        return std::move(*child);
    }
#else
    std::string Quote(const std::string& arg) const { return "'" + arg + "'"; }

    // `errors`: where standard error goes ("&1": with standard output).
    std::string CommandLine(const std::vector<std::string>& args, const std::string& errors = "&1") const {
        std::string line = "cd " + Quote(dir.Path().string()) + " && VRECORDER_CONFIG=vrec.conf exec " +
                           Quote(KQ_CLI_PATH) + " --aspi-library " + Quote(KQ_VRECORDER_ASPI_PATH);
        for (const std::string& arg : args) line += " " + Quote(arg);
        return line + " 2>" + errors;
    }

    // Standard output in `output`, standard error in `errors`.
    Outcome RunApart(const std::vector<std::string>& args) const {
        std::string file = dir.File("stderr.txt");
        Outcome outcome = Run(args, Quote(file));
        std::ifstream in(file, std::ios::binary);
        outcome.errors.assign(std::istreambuf_iterator<char>(in), {});
        return outcome;
    }

    Outcome Run(const std::vector<std::string>& args, const std::string& errors = "&1") const {
        Outcome outcome;
        FILE* pipe = popen(CommandLine(args, errors).c_str(), "r");
        if (!pipe) return outcome;
        char chunk[4096];
        for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) outcome.output.append(chunk, n);
        int status = pclose(pipe);
        outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }

    // The program started without waiting, for tests that interrupt it;
    // what it prints goes to Output().
    platform::ChildProcess Start(const std::vector<std::string>& args) const {
        std::error_code why;
        std::vector<std::string> shellArgs{"-c", CommandLine(args, Quote(Output()) + " >&2")};
        auto child = platform::ChildProcess::Spawn("/bin/sh", shellArgs, 9, true, why);
        EXPECT_TRUE(child) << why.message();
        return std::move(*child);
    }

#endif

    std::string Disc(int target) const { return dir.File("disc" + std::to_string(target) + ".img"); }
    std::string Output() const { return dir.File("out.txt"); }

    TempDir dir;
};

#ifndef _WIN32
// What a shell command prints on its standard output (its errors dropped).
inline std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
    return out;
}

#endif

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The disc's first bytes are the image.
inline bool DiscBeginsWith(const std::string& disc, const std::string& image) {
    std::string d = ReadAll(disc), i = ReadAll(image);
    return d.size() >= i.size() && d.compare(0, i.size(), i) == 0;
}

// Random sectors with an ISO 9660 primary volume descriptor saying how
// many there are, as an overwritable disc needs to tell where it ends.
inline std::string IsoImage(CliBench& bench, const std::string& name, uint32_t sectors, uint8_t seed = 3) {
    std::string data = ReadAll(bench.Image(name, size_t{sectors} * 2048, seed));
    std::string pvd(2048, '\0');
    pvd.replace(0, 7, "\x01" "CD001\x01");
    for (int i = 0; i < 4; ++i) {
        pvd[80 + i] = static_cast<char>(sectors >> (8 * i));
        pvd[87 - i] = static_cast<char>(sectors >> (8 * i));
    }
    data.replace(16 * 2048, 2048, pvd);
    return bench.dir.Write(name, data);
}

}  // namespace clitest
