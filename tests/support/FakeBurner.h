#pragma once
// A burner whose drive layer answers from the test's settings, so each
// branch of the workflow can be reached on purpose.
#include "app/BurnerPort.h"

#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kqtest {

class FakeBurner : public kq::BurnerPort {
public:
    bool initResult = true;
    std::vector<std::string> devices{"0:0:0,C: VIRTUAL RECORDER        1.00"};
    std::set<std::string> cdWriters{"0:0:0,C: VIRTUAL RECORDER        1.00"};
    kq::TDeviceCapabilities writerCapabilities{1u << static_cast<int>(kq::TDeviceCapability::CanWriteCDR)};
    std::optional<int64_t> freeSectors;  // the room the disc tells; nothing: not told
    std::deque<bool> readyAnswers;  // TEST UNIT READY, then true
    int mediaType = kq::media::CdR;
    bool burnResult = true;
    std::string failureReport;      // OnWriteDone raised by a failing BurnISOImage
    int64_t totalSectors = 0;
    int64_t bytesWritten = 0;

    std::string expectedDigest;  // as the workflow handed it over
    int initCalls = 0, aborts = 0, settles = 0;
    std::vector<std::string> selections, burns;
    WriteDone onWriteDone;
    FinalizingTrack onFinalizingTrack;

    bool InitASPI(bool preferPassThrough, const std::string& libraryPath) override {
        ++initCalls;
        initArguments = {preferPassThrough, libraryPath};
        return initResult;
    }
    std::vector<std::string> Devices() override { return devices; }
    bool SelectDevice(const std::string& entry) override {
        selections.push_back(entry);
        selected_ = entry;
        return true;
    }
    kq::TDeviceCapabilities Capabilities() override {
        return cdWriters.count(selected_) > 0 ? writerCapabilities : kq::TDeviceCapabilities{};
    }
    bool TestUnitReady(int timeoutMs) override {
        readyTimeouts.push_back(timeoutMs);
        if (readyAnswers.empty()) return true;
        bool answer = readyAnswers.front();
        readyAnswers.pop_front();
        return answer;
    }
    int GetMediaType() override { return mediaType; }
    std::optional<int64_t> FreeSectors(int) override { return freeSectors; }
    bool WaitUntilReady(int totalMs, int intervalMs) override {
        ++settles;
        settleArguments = {totalMs, intervalMs};
        if (duringSettle) duringSettle();
        return true;
    }
    // Runs inside WaitUntilReady, for tests that hold the drive.
    std::function<void()> duringSettle;
    void SetExpectedDigest(kq::DigestKind, const std::string& digest) override { expectedDigest = digest; }
    bool BurnISOImage(const std::string& fileName) override {
        burns.push_back(fileName);
        if (!burnResult && !failureReport.empty() && onWriteDone) onWriteDone({kq::BurnOutcome::Failed, failureReport});
        return burnResult;
    }
    void AbortWrite() override { ++aborts; }
    int64_t TotalSectors() override { return totalSectors; }
    int64_t BytesWritten() override { return bytesWritten; }
    void BindEvents(WriteDone done, FinalizingTrack finalizing) override {
        onWriteDone = std::move(done);
        onFinalizingTrack = std::move(finalizing);
    }

    void InstallHandOver(HandOverHook hook) override { handOver = std::move(hook); }

    HandOverHook handOver;
    std::pair<bool, std::string> initArguments;
    std::pair<int, int> settleArguments;
    std::vector<int> readyTimeouts;

private:
    std::string selected_;
};

}  // namespace kqtest
