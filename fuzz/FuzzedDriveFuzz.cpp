// A drive whose every answer comes from the fuzzer. The transport below a
// real TQCDBurner answers each request block with the status, adapter and
// target status, sense and reply bytes the input gives; a request may also
// stay pending and complete at the next one, or never. Discovery and
// selection, the capability and media queries, the waiting loop (on a fake
// clock), the write parameters and a short burn must all come through it:
// no crash, no read or write out of bounds, no hang, one report per burn.
// Past the input's end every request completes with no reply bytes.
#include "FuzzInput.h"
#include "FuzzTarget.h"

#include "burner/kqCDBC.h"
#include "platform/Event.h"
#include "platform/Timing.h"
#include "transport/InFlightRequest.h"
#include "transport/kqASPI.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using fuzz::FuzzInput;
using namespace kq;

// Time passes only when asked; a wait for a completion looks once.
class FuzzClock : public platform::Timing {
public:
    uint64_t NowMs() override { return now_.load(); }
    void SleepMs(uint32_t ms) override {
        now_ += ms;
        std::this_thread::yield();  // the reader thread gets its turn
    }
    bool WaitEvent(const platform::Event& event, uint32_t ms) override {
        if (event.Wait(0)) return true;
        now_ += ms;
        return false;
    }

private:
    std::atomic<uint64_t> now_{1'000'000};
};

// The transport. Only one thread sends at a time (the host, then the
// write thread), but the lock keeps the input whole regardless.
class FuzzedLayer {
public:
    explicit FuzzedLayer(FuzzInput& in) : in_(in) {}

    uint32_t Send(void* srb) {
        std::lock_guard hold(lock_);
        CompleteLate();
        switch (static_cast<uint8_t*>(srb)[0]) {
        case SC_HA_INQUIRY: return HaInquiry(*static_cast<SRB_HAInquiry*>(srb));
        case SC_GET_DEV_TYPE: return DeviceType(*static_cast<SRB_GDEVBlock*>(srb));
        case SC_EXEC_SCSI_CMD: return Execute(*static_cast<SRB_ExecSCSICmd*>(srb));
        case SC_ABORT_SRB: return Abort(*static_cast<SRB_Abort*>(srb));
        case SC_GET_DISK_INFO: return DiskInfo(*static_cast<SRB_GetDiskInfo*>(srb));
        default: return Answer(static_cast<uint8_t*>(srb)[1], SS_INVALID_CMD);
        }
    }
    uint32_t SupportInfo() {
        std::lock_guard hold(lock_);
        return uint32_t{PickStatus()} << 8 | in_.Byte() % 4;
    }
    // Ends what is still pending, so the requests parked on it are freed.
    void Finish() {
        std::lock_guard hold(lock_);
        for (SRB_ExecSCSICmd* srb : never_) Complete(*srb, SS_ABORTED);
        never_.clear();
        CompleteLate();
    }

private:
    static uint32_t Answer(uint8_t& field, uint8_t status) {
        StoreSrbStatus(field, status);
        return status;
    }
    // Mostly "done", as a drive mostly is; 0 (the input's end) is done.
    uint8_t PickStatus() {
        static constexpr uint8_t kStatus[] = {SS_COMP, SS_ERR, SS_COMP, SS_ABORTED, SS_INVALID_HA, SS_NO_DEVICE,
                                              SS_INVALID_SRB, SS_ABORT_FAIL, SS_NO_ADAPTERS, SS_INVALID_CMD};
        const uint8_t b = in_.Byte();
        return b < 0xF0 ? kStatus[b % std::size(kStatus)] : b;  // now and then any byte at all
    }

    uint32_t HaInquiry(SRB_HAInquiry& srb) {
        srb.HA_Count = in_.Byte() % 3;
        srb.HA_SCSI_ID = in_.Byte();
        auto text = in_.Bytes(sizeof srb.HA_ManagerId + sizeof srb.HA_Identifier);
        std::copy(text.begin(), text.end(), srb.HA_ManagerId);
        return Answer(srb.SRB_Status, PickStatus());
    }
    uint32_t DeviceType(SRB_GDEVBlock& srb) {
        srb.SRB_DeviceType = in_.Byte();
        return Answer(srb.SRB_Status, PickStatus());
    }
    uint32_t DiskInfo(SRB_GetDiskInfo& srb) {
        srb.SRB_Int13HDriveInfo = in_.Byte();
        return Answer(srb.SRB_Status, PickStatus());
    }
    uint32_t Abort(SRB_Abort& srb) {
        auto* target = static_cast<SRB_ExecSCSICmd*>(srb.SRB_ToAbort);
        auto it = std::find(never_.begin(), never_.end(), target);
        if (it == never_.end()) return Answer(srb.SRB_Status, SS_ABORT_FAIL);
        never_.erase(it);
        Complete(*target, SS_ABORTED);
        return Answer(srb.SRB_Status, SS_COMP);
    }

    // Mode byte: low bits how it completes (0 now, 1 at the next request,
    // 2 never, 3 now but answered as pending), then the status bytes, the
    // sense and the reply.
    uint32_t Execute(SRB_ExecSCSICmd& srb) {
        const uint8_t mode = in_.Byte();
        FillOutcome(srb, mode);
        switch (mode & 0x03) {
        case 1: late_.push_back({&srb, status_}); return Answer(srb.SRB_Status, SS_PENDING);
        case 2: never_.push_back(&srb); return Answer(srb.SRB_Status, SS_PENDING);
        case 3: Complete(srb, status_); return SS_PENDING;
        default: Complete(srb, status_); return status_;
        }
    }
    void FillOutcome(SRB_ExecSCSICmd& srb, uint8_t mode) {
        static constexpr uint8_t kHaStat[] = {HASTAT_OK, HASTAT_SEL_TO, HASTAT_DO_DU,
                                              HASTAT_PHASE_ERR, HASTAT_TIMEOUT, HASTAT_BUS_FREE};
        static constexpr uint8_t kTargStat[] = {kTargetStatusGood, kTargetStatusCheckCondition, kTargetStatusBusy,
                                                kTargetStatusReservationConflict, kTargetStatusQueueFull};
        status_ = PickStatus();
        srb.SRB_HaStat = (mode & 0x04) ? kHaStat[in_.Byte() % std::size(kHaStat)] : 0;
        srb.SRB_TargStat = (mode & 0x08) ? in_.Byte() : kTargStat[in_.Byte() % std::size(kTargStat)];
        // The layer copies no more sense than the block has room for.
        auto sense = in_.Bytes(std::min<size_t>({in_.Byte(), srb.SRB_SenseLen, SENSE_LEN}));
        std::copy(sense.begin(), sense.end(), srb.SenseArea);
        if ((srb.SRB_Flags & SRB_DIR_IN) && srb.SRB_BufPointer && srb.SRB_BufLen > 0) {
            auto reply = in_.Bytes(std::min<size_t>(in_.BE16(), srb.SRB_BufLen));
            std::copy(reply.begin(), reply.end(), srb.SRB_BufPointer);
        }
    }
    // The status goes in last, then the event is signalled, as a layer does.
    static void Complete(SRB_ExecSCSICmd& srb, uint8_t status) {
        const bool notify = srb.SRB_Flags & SRB_EVENT_NOTIFY;
        const auto event = PostProcHandle(srb);
        StoreSrbStatus(srb.SRB_Status, status);
        if (notify) (void)platform::SignalEvent(event);  // the status is set either way
    }
    void CompleteLate() {
        for (auto [srb, status] : late_) Complete(*srb, status);
        late_.clear();
    }

    FuzzInput& in_;
    std::mutex lock_;
    uint8_t status_ = SS_COMP;
    std::vector<std::pair<SRB_ExecSCSICmd*, uint8_t>> late_;
    std::vector<SRB_ExecSCSICmd*> never_;
};

FuzzedLayer* current = nullptr;
uint32_t Send(void* srb) { return current->Send(srb); }
uint32_t Info() { return current->SupportInfo(); }

// A small image, written once per process and removed at exit.
class ImageFile {
public:
    ImageFile() : folder_(fs::temp_directory_path() / ("kq-fuzz-drive-" + std::to_string(getpid()))) {
        fs::create_directories(folder_);
        std::string bytes(30 * 2048 + 100, '\0');
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + i / 2048);
        std::ofstream(path()) << bytes;
    }
    ~ImageFile() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string path() const { return (folder_ / "image.iso").string(); }

private:
    fs::path folder_;
};

// The drive as a host meets it: selection, then what the window asks.
void Query(TQCDBurner& burner, FuzzInput& in) {
    const auto& devices = burner.Devices();
    if (!devices.empty()) burner.SelectDevice(devices[in.Pick(devices.size())]);
    if (burner.HaId == NoAddress) burner.HaId = burner.Target = burner.Lun = 0;
    // Any answer will do: what is fuzzed is that none of them breaks the host.
    (void)burner.ReadCapabilities();
    (void)burner.ProbeWriteTypes();
    const uint16_t media = burner.GetMediaType();
    TSCSIDevice::SetMediaType(media);
    FUZZ_CHECK(burner.RecordedSessionCount() >= 0);
    (void)burner.WaitUntilReady(in.BE16() * 10, in.Byte() * 50 + 1);
    (void)burner.SetWriteParameters(in.Flag(), in.Flag(), in.Flag() ? media : in.Byte() % 15);
}

// One burn: it ends, and says so exactly once.
void Burn(TQCDBurner& burner, FuzzInput& in, const std::string& image) {
    int reports = 0;
    burner.OnWriteDone = [&](TQCDBurner&, const std::string&) { ++reports; };
    burner.SetTestWrite(in.Flag());
    burner.SetPerformOPC(in.Flag());
    const bool started = burner.BurnISOImage(image);
    while (burner.Burning()) std::this_thread::sleep_for(std::chrono::microseconds(100));
    FUZZ_CHECK(reports == 1);
    FUZZ_CHECK(started || !burner.Burning());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ImageFile image;
    FuzzInput in(data, size);
    FuzzClock clock;
    platform::ScopedTiming timing(clock);
    FuzzedLayer layer(in);
    current = &layer;
    InstallTransport(&Send, &Info, kAspiLibraryName);
    {
        TQCDBurner burner;  // sweeps the adapters at once: the transport is loaded
        Query(burner, in);
        Burn(burner, in, image.path());
    }
    layer.Finish();
    ReleaseTransport();
    ReapParkedRequests();
    current = nullptr;
    return 0;
}
