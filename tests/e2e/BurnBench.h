#pragma once
// Whole burns through the burner component onto the virtual recorder,
// reached through its ASPI layer as a real library would be. Time is a
// fast fake: sleeps advance the clock at once, so 10000 busy retries or a
// four-minute wait take moments, yet the threads still take turns.
#include "burner/kqCDBC.h"
#include "platform/Event.h"
#include "platform/Timing.h"
#include "support/TempDir.h"
#include "transport/kqASPI.h"
#include "vrecorder/FaultRules.h"
#include "vrecorder/VirtualAspi.h"
#include "vrecorder/VirtualRecorder.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <tlhelp32.h>
#else
#include <dirent.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

using Bytes = std::vector<uint8_t>;

class FastClock : public platform::Timing {
public:
    uint64_t NowMs() override { return now_.load(); }
    void SleepMs(uint32_t ms) override {
        now_ += ms;
        // Polling loops get a sliver of real time so the other threads run.
        if (ms < 100) std::this_thread::sleep_for(std::chrono::microseconds(50));
        else std::this_thread::yield();
    }
    bool WaitEvent(const platform::Event& event, uint32_t ms) override {
        if (event.Wait(std::min<uint32_t>(ms, realWaitMs.load()))) return true;
        now_ += ms;
        return false;
    }

    // Real time given to a completion that is signalled late; a request
    // that never completes costs this much.
    std::atomic<uint32_t> realWaitMs{2000};

private:
    std::atomic<uint64_t> now_{1'000'000};
};

inline Bytes Pattern(size_t size, uint8_t seed = 7) {
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 31 + seed + i / 2048);
    return data;
}

// Threads of this process, from /proc.
#ifdef _WIN32
inline int ThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int n = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        n += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return n;
}
#else
inline int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}
#endif

// The thread count once it has settled at `expected`, or after two seconds:
// a joined thread can stay listed by the system for a moment after its
// join has returned.
inline int SettledThreadCount(int expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int n = ThreadCount();
    while (n != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        n = ThreadCount();
    }
    return n;
}

inline vrec::FaultRule Rule(const char* text) {
    std::string error;
    auto rule = vrec::ParseFaultRule(text, error);
    EXPECT_TRUE(rule) << text << ": " << error;
    return rule.value_or(vrec::FaultRule{});
}

inline vrec::RecorderConfig Recorder(vrec::MediumKind medium, const std::string& backing) {
    vrec::RecorderConfig c;
    c.medium = medium;
    c.capacity = 20000;
    c.backing = backing;
    using vrec::MediumKind;
    c.reads = {MediumKind::CdRom, MediumKind::CdR, MediumKind::CdRw, MediumKind::DvdRom, MediumKind::DvdR,
               MediumKind::DvdRw, MediumKind::DvdPlusR, MediumKind::DvdPlusRw, MediumKind::DvdRam};
    c.writes = {MediumKind::CdR,       MediumKind::CdRw,   MediumKind::DvdR, MediumKind::DvdRw,
                MediumKind::DvdPlusR,  MediumKind::DvdPlusRw, MediumKind::DvdRam, MediumKind::BdR,
                MediumKind::BdRe,      MediumKind::DvdPlusRDl, MediumKind::DvdRDl};
    return c;
}

class BurnBench : public ::testing::Test {
protected:
    ~BurnBench() override {
        burner.reset();
        kq::ReleaseTransport();
        layer.reset();
        Layer() = nullptr;
    }

    void Start(vrec::MediumKind medium = vrec::MediumKind::CdR,
               const std::vector<const char*>& faults = {}) {
        vrec::RecorderConfig config = Recorder(medium, dir / "disc.img");
        for (const char* f : faults) config.faults.push_back(Rule(f));
        Start(std::move(config));
    }
    void Start(vrec::RecorderConfig config) {
        recorder = std::make_shared<vrec::VirtualRecorder>(std::move(config));
        layer = std::make_unique<vrec::VirtualAspi>(std::vector{recorder});
        Layer() = layer.get();
        kq::InstallTransport(&Send, &Info, kq::kAspiLibraryName);
        burner = std::make_unique<kq::TQCDBurner>();
        burner->HaId = burner->Target = burner->Lun = 0;  // the recorder at 0:0:0
        burner->OnWriteDone = [this](kq::TQCDBurner&, const std::string& error) {
            std::lock_guard hold(lock);
            reports.push_back(error);
        };
        burner->OnDebugMessage = [this](kq::TSCSIDevice&, const std::string& line, uint8_t kind) {
            std::lock_guard hold(lock);
            if (kind == 1) lines.push_back(line);
        };
    }

    std::string Image(const Bytes& data, const std::string& name = "image.iso") {
        image = data;
        return dir.Write(name, std::string(data.begin(), data.end()));
    }

    // Burns and waits for the write thread's report; true when started.
    bool Burn(const std::string& path) {
        if (!burner->BurnISOImage(path)) return false;
        WaitForReport();
        return true;
    }
    void WaitForReport() {
        ASSERT_TRUE(WaitUntil([&] { return !burner->Burning(); }, std::chrono::seconds(120))) << "the burn never ended";
    }
    // Waits in real time for what the burn's threads do; false when the
    // deadline came first.
    static bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(60)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    std::vector<std::string> Reports() {
        std::lock_guard hold(lock);
        return reports;
    }
    std::vector<std::string> Lines() {
        std::lock_guard hold(lock);
        return lines;
    }

    // The command log.
    std::vector<vrec::LogEntry> Sent(uint8_t opcode) const {
        std::vector<vrec::LogEntry> out;
        for (const auto& e : recorder->Log())
            if (e.Opcode() == opcode) out.push_back(e);
        return out;
    }
    // Position of the first (or last) command with this opcode; -1 if none.
    long First(uint8_t opcode) const {
        const auto log = recorder->Log();
        for (size_t i = 0; i < log.size(); ++i)
            if (log[i].Opcode() == opcode) return static_cast<long>(i);
        return -1;
    }
    long Last(uint8_t opcode) const {
        const auto log = recorder->Log();
        for (size_t i = log.size(); i-- > 0;)
            if (log[i].Opcode() == opcode) return static_cast<long>(i);
        return -1;
    }
    // Sector counts of the WRITE (10) commands the drive accepted.
    std::vector<uint32_t> GoodWriteLengths() const {
        std::vector<uint32_t> out;
        for (const auto& e : Sent(0x2A))
            if (e.status == 0) out.push_back(uint32_t{e.cdb[7]} << 8 | e.cdb[8]);
        return out;
    }
    bool DiscStartsWithImage(size_t sectors) {
        Bytes disc = recorder->RecordedBytes(0, static_cast<uint32_t>(sectors));
        if (disc.size() != sectors * 2048 || disc.size() < image.size()) return false;
        return std::equal(image.begin(), image.end(), disc.begin()) &&
               std::all_of(disc.begin() + image.size(), disc.end(), [](uint8_t b) { return b == 0; });
    }

    static vrec::VirtualAspi*& Layer() {
        static vrec::VirtualAspi* current = nullptr;
        return current;
    }
    static uint32_t Send(void* srb) { return Layer()->Send(srb); }
    static uint32_t Info() { return Layer()->SupportInfo(); }

    FastClock clock;
    platform::ScopedTiming timing{clock};
    TempDir dir;
    Bytes image;
    std::shared_ptr<vrec::VirtualRecorder> recorder;
    std::unique_ptr<vrec::VirtualAspi> layer;
    std::unique_ptr<kq::TQCDBurner> burner;
    std::mutex lock;
    std::vector<std::string> reports, lines;
};

inline constexpr uint8_t kWrite = 0x2A, kSync = 0x35, kClose = 0x5B, kSendOpc = 0x54, kSetSpeed = 0xBB,
                         kPreventAllow = 0x1E, kReserve = 0x53, kModeSelect = 0x55;

}  // namespace e2e
