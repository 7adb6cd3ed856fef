// The virtual recorder under arbitrary command blocks and parameter lists,
// in any order, on every medium. The input first shapes the recorder and
// its medium, then is read as a list of commands (and clock advances).
// Everything stays in memory, and the clock is a fake one, so a run
// repeats exactly and never waits.
#include "FuzzInput.h"
#include "FuzzTarget.h"

#include "platform/Timing.h"
#include "vrecorder/VirtualRecorder.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using fuzz::FuzzInput;
using vrec::MediumKind;

// Bounds one input's work: commands, and bytes per data phase (32 blocks).
constexpr size_t kMaxCommands = 64;
constexpr size_t kMaxData = 65536;

class FuzzClock : public platform::Timing {
public:
    uint64_t NowMs() override { return now_; }
    void SleepMs(uint32_t ms) override { now_ += ms; }
    void Advance(uint32_t ms) { now_ += ms; }

private:
    std::atomic<uint64_t> now_{1'000'000};
};

MediumKind PickMedium(FuzzInput& in) {
    static constexpr MediumKind kMedia[] = {MediumKind::None,   MediumKind::CdRom,     MediumKind::CdR,
                                            MediumKind::CdRw,   MediumKind::DvdRom,    MediumKind::DvdR,
                                            MediumKind::DvdRw,  MediumKind::DvdPlusR,  MediumKind::DvdPlusRw,
                                            MediumKind::DvdRam};
    return kMedia[in.Pick(std::size(kMedia))];
}

void PickAbilities(FuzzInput& in, vrec::RecorderConfig& c) {
    uint8_t bits = in.Byte();
    c.write.testWrite = bits & 0x01;
    c.write.bufe = bits & 0x02;
    c.write.packet = bits & 0x04;
    c.write.tao = !(bits & 0x08);
    c.write.sao = !(bits & 0x10);
    c.write.raw = bits & 0x20;
    c.blockDescriptor = bits & 0x40;
    c.vendorPage30 = bits & 0x80;
    // Either a CD recorder, or one that writes every recordable medium.
    if (in.Flag())
        c.writes = {MediumKind::CdR,   MediumKind::CdRw,     MediumKind::DvdR,      MediumKind::DvdRw,
                    MediumKind::DvdPlusR, MediumKind::DvdPlusRw, MediumKind::DvdRam};
    c.feature2A = in.Flag();
    c.feature2F = in.Flag();
}

void PickMediumAndTiming(FuzzInput& in, vrec::RecorderConfig& c) {
    static constexpr uint32_t kCapacities[] = {0, 1, 2, 150, 1000, 6750, 100000};
    static constexpr uint32_t kBuffers[] = {2048, 65536, 2 * 1024 * 1024};
    static constexpr uint32_t kSpeeds[] = {0, 1, 176, 1764, 8467};
    c.medium = PickMedium(in);
    c.state = static_cast<vrec::DiscState>(in.Pick(3));
    c.capacity = kCapacities[in.Pick(std::size(kCapacities))];
    c.recorded = c.medium == MediumKind::None ? 0 : in.BE16() % (c.CapacityOrDefault() + 1);
    c.bufferSize = kBuffers[in.Pick(std::size(kBuffers))];
    c.writeSpeedKBps = kSpeeds[in.Pick(std::size(kSpeeds))];
    c.calibrateMs = in.Byte() * 10;
    c.flushMs = in.Byte() * 10;
    c.closeMs = in.Byte() * 10;
    c.unitAttentionOnChange = in.Flag();
}

uint8_t PickCdbLength(FuzzInput& in) {
    static constexpr uint8_t kLengths[] = {6, 10, 10, 10, 12, 16, 10, 0};
    uint8_t choice = in.Byte();
    uint8_t length = kLengths[choice % std::size(kLengths)];
    return length ? length : static_cast<uint8_t>(choice >> 3);  // odd lengths: 0..31
}

// What a finished command may answer, whatever it was sent.
void CheckResult(const vrec::CommandResult& r, size_t bufferLength) {
    FUZZ_CHECK(r.transferred <= bufferLength);
    FUZZ_CHECK(r.status == vrec::kTargetStatusGood || r.status == vrec::kTargetStatusCheckCondition ||
               r.status == vrec::kTargetStatusBusy);
    // Without fault rules nothing is late, lost or gone.
    FUZZ_CHECK(r.delivery != vrec::Delivery::Late && r.delivery != vrec::Delivery::Never &&
               r.delivery != vrec::Delivery::Vanished);
    if (r.status == vrec::kTargetStatusCheckCondition) {
        FUZZ_CHECK(r.sense[0] == 0x70 && r.sense[7] == 10);
        FUZZ_CHECK(r.Code().key != 0);
    }
}

// The disc stays one that the state file can hold and read back.
void CheckDisc(const vrec::Disc& disc, const vrec::RecorderConfig& c) {
    if (c.medium == MediumKind::None) return;
    FUZZ_CHECK(disc.Kind() == c.medium);
    FUZZ_CHECK(disc.Capacity() == c.CapacityOrDefault());
    for (const auto& track : disc.Tracks()) FUZZ_CHECK(uint64_t{track.start} + track.recorded <= disc.Capacity());
    std::string state = disc.Serialize();
    if (!vrec::Disc::Parse(state)) std::fputs(state.c_str(), stderr);
    FUZZ_CHECK(vrec::Disc::Parse(state).has_value());
}

void RunCommand(vrec::VirtualRecorder& rec, FuzzInput& in) {
    std::array<uint8_t, 32> cdb{};
    uint8_t cdbLength = PickCdbLength(in);
    auto direction = static_cast<vrec::DataDirection>(in.Pick(3));
    size_t bufferLength = in.BE16() % (kMaxData + 1);
    auto cdbBytes = in.Bytes(cdbLength);
    std::copy(cdbBytes.begin(), cdbBytes.end(), cdb.begin());

    // Exactly the announced size, so the sanitizer sees any byte beyond it.
    std::vector<uint8_t> buffer(bufferLength);
    if (direction == vrec::DataDirection::Out) {
        auto list = in.Bytes(in.BE16() % (bufferLength + 1));
        std::copy(list.begin(), list.end(), buffer.begin());
    }
    uint8_t* data = bufferLength == 0 && in.Flag() ? nullptr : buffer.data();
    auto result = rec.Execute(cdb.data(), cdbLength, direction, data, bufferLength);
    CheckResult(result, bufferLength);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    FuzzClock clock;
    platform::ScopedTiming timing(clock);

    vrec::RecorderConfig config;
    PickAbilities(in, config);
    PickMediumAndTiming(in, config);
    vrec::VirtualRecorder rec(config);

    for (size_t n = 0; n < kMaxCommands && !in.Empty(); ++n) {
        if (in.Byte() == 0xFF) clock.Advance(in.BE16() * 10u);  // time passes between commands
        else RunCommand(rec, in);
        CheckDisc(rec.DiscState(), config);
    }
    return 0;
}
