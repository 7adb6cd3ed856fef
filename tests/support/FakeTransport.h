#pragma once
// A scripted transport layer for tests: each execute request goes to the
// answering function the test installs; waits go to a fake clock that
// records what was asked and returns at once.
#include "drive/TSCSIDevice.h"
#include "platform/Event.h"
#include "platform/Timing.h"
#include "transport/kqASPI.h"

#include <atomic>
#include <cstring>
#include <functional>
#include <vector>

namespace kqtest {

class FakeTransport {
public:
    using Answer = std::function<void(kq::SRB_ExecSCSICmd&)>;

    explicit FakeTransport(Answer answer = Complete(kq::SS_COMP)) {
        Current() = this;
        answer_ = std::move(answer);
        kq::InstallTransport(&Send, &Info, "FAKE");
    }
    ~FakeTransport() {
        kq::ReleaseTransport();
        Current() = nullptr;
    }
    void SetAnswer(Answer answer) { answer_ = std::move(answer); }
    int Calls() const { return calls_.load(); }

    // Answers that complete before returning.
    static Answer Complete(uint8_t status) {
        return [status](kq::SRB_ExecSCSICmd& srb) { srb.SRB_Status = status; };
    }
    static Answer CheckCondition(uint8_t key, uint8_t asc, uint8_t ascq, uint8_t addLength = 10) {
        return [=](kq::SRB_ExecSCSICmd& srb) {
            srb.SRB_TargStat = 0x02;
            srb.SenseArea[0] = 0x70;
            srb.SenseArea[2] = key;
            srb.SenseArea[7] = addLength;
            srb.SenseArea[12] = asc;
            srb.SenseArea[13] = ascq;
            srb.SRB_Status = kq::SS_ERR;
        };
    }
    // Leaves the request pending; the block is remembered for the test.
    static Answer Pending(std::vector<kq::SRB_ExecSCSICmd*>& held) {
        return [&held](kq::SRB_ExecSCSICmd& srb) { held.push_back(&srb); };
    }
    // Called by an answer that hands the request to a thread of its own:
    // Send then returns SS_PENDING, as a layer does, however fast that
    // thread completes.
    static void Deferred() { Current()->deferred_ = true; }

private:
    static FakeTransport*& Current() {
        static FakeTransport* current = nullptr;
        return current;
    }
    static uint32_t Send(void* block) {
        // Only execute requests are scripted; a device object's adapter
        // inquiry finds no adapter here, so it sweeps nothing.
        auto& header = *static_cast<kq::SRB_Header*>(block);
        if (header.SRB_Cmd != kq::SC_EXEC_SCSI_CMD) {
            kq::StoreSrbStatus(header.SRB_Status, kq::SS_INVALID_HA);
            return kq::SS_INVALID_HA;
        }
        auto& srb = *static_cast<kq::SRB_ExecSCSICmd*>(block);
        FakeTransport* self = Current();
        ++self->calls_;
        self->answer_(srb);
        // Answered like a layer: SS_PENDING when the answer deferred the
        // request (it left the status alone), whoever completes it later.
        return self->deferred_.exchange(false) ? kq::SS_PENDING : kq::LoadSrbStatus(srb.SRB_Status);
    }
    static uint32_t Info() { return 0x0101; }

    Answer answer_;
    std::atomic<int> calls_{0};
    std::atomic<bool> deferred_{false};
};

// Completes a held request the way a layer does from its own thread.
inline void CompleteLate(kq::SRB_ExecSCSICmd& srb, uint8_t status) {
    kq::StoreSrbStatus(srb.SRB_Status, status);
    if (srb.SRB_Flags & kq::SRB_EVENT_NOTIFY) (void)platform::SignalEvent(kq::PostProcHandle(srb));
}

class FakeTiming : public platform::Timing {
public:
    uint64_t NowMs() override { return now_; }
    void SleepMs(uint32_t ms) override { now_ += ms; }
    bool WaitEvent(const platform::Event& event, uint32_t ms) override {
        waits.push_back(ms);
        if (event.IsSet()) return true;
        now_ += ms;
        return false;
    }
    std::vector<uint32_t> waits;

private:
    uint64_t now_ = 0;
};

// A device selected at 1:0:0 whose wrappers the tests may call.
class TestDevice : public kq::TSCSIDevice {
public:
    TestDevice() {
        HaId = 1;
        Target = 0;
        Lun = 0;
    }
    using TSCSIDevice::RunCommand;
    using TSCSIDevice::RunRequest;
    std::vector<std::pair<std::string, uint8_t>> lines;
    void Record() {
        OnDebugMessage = [this](kq::TSCSIDevice&, const std::string& m, uint8_t k) {
            lines.emplace_back(m, k);
        };
    }
};

}  // namespace kqtest
