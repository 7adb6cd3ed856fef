#pragma once
// What the recorder's tests share: a temporary folder, a fake clock, and
// a drive driven through raw command blocks.
#include "platform/Timing.h"
#include "support/TempDir.h"
#include "vrecorder/Bytes.h"
#include "vrecorder/VirtualRecorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

namespace vtest {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

using ::TempDir;

// Time moves only when something sleeps or the test advances it.
class FakeClock : public platform::Timing {
public:
    uint64_t NowMs() override { return now_.load(); }
    void SleepMs(uint32_t ms) override {
        now_ += ms;
        slept_ += ms;
    }
    void Advance(uint64_t ms) { now_ += ms; }
    uint64_t Slept() const { return slept_.load(); }

private:
    std::atomic<uint64_t> now_{1'000'000};
    std::atomic<uint64_t> slept_{0};
};

inline Bytes Pattern(uint32_t blocks, uint8_t seed) {
    Bytes data(size_t{blocks} * 2048);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + seed + i / 2048);
    return data;
}

inline Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Command blocks.
inline Bytes Write10(uint32_t lba, uint16_t blocks) {
    Bytes c(10);
    c[0] = 0x2A;
    vrec::PutBE32(c, 2, lba);
    vrec::PutBE16(c, 7, blocks);
    return c;
}
inline Bytes Read10(uint32_t lba, uint16_t blocks) {
    Bytes c = Write10(lba, blocks);
    c[0] = 0x28;
    return c;
}
inline Bytes Alloc10(uint8_t op, uint16_t allocation, uint8_t b1 = 0, uint8_t b2 = 0) {
    Bytes c{op, b1, b2, 0, 0, 0, 0, 0, 0, 0};
    vrec::PutBE16(c, 7, allocation);
    return c;
}
inline Bytes CloseCdb(uint8_t function, uint16_t track = 0, bool immediate = false) {
    Bytes c{0x5B, static_cast<uint8_t>(immediate ? 1 : 0), function, 0, 0, 0, 0, 0, 0, 0};
    vrec::PutBE16(c, 4, track);
    return c;
}
inline Bytes SyncCdb(bool immediate = false) {
    return {0x35, static_cast<uint8_t>(immediate ? 2 : 0), 0, 0, 0, 0, 0, 0, 0, 0};
}

struct PageOptions {
    uint8_t writeType = 1;   // TAO
    uint8_t multiSession = 3;
    uint8_t trackMode = 4;
    uint8_t blockType = 8;
    bool testWrite = false;
    bool bufe = false;
};

// MODE SELECT (10) parameter list: header, then page 05h of 52 bytes.
inline Bytes WriteParameterList(const PageOptions& o) {
    Bytes list(60, 0);
    list[8] = 0x05;
    list[9] = 0x32;
    list[10] = static_cast<uint8_t>(o.writeType | (o.testWrite ? 0x10 : 0) | (o.bufe ? 0x40 : 0));
    list[11] = static_cast<uint8_t>(o.multiSession << 6 | o.trackMode);
    list[12] = o.blockType;
    list[23] = 150;
    return list;
}

class Drive {
public:
    explicit Drive(vrec::RecorderConfig config) : rec(std::make_unique<vrec::VirtualRecorder>(std::move(config))) {}

    vrec::CommandResult Run(const Bytes& cdb) {
        return rec->Execute(cdb.data(), cdb.size(), vrec::DataDirection::None, nullptr, 0);
    }
    vrec::CommandResult In(const Bytes& cdb, Bytes& reply) {
        return rec->Execute(cdb.data(), cdb.size(), vrec::DataDirection::In, reply.data(), reply.size());
    }
    vrec::CommandResult Out(const Bytes& cdb, Bytes data) {
        return rec->Execute(cdb.data(), cdb.size(), vrec::DataDirection::Out, data.data(), data.size());
    }
    vrec::CommandResult SelectPage(const PageOptions& o) {
        Bytes cdb{0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0};
        return Out(cdb, WriteParameterList(o));
    }
    vrec::CommandResult Write(uint32_t lba, uint32_t blocks, uint8_t seed = 1) {
        return Out(Write10(lba, static_cast<uint16_t>(blocks)), Pattern(blocks, seed));
    }
    // Reply bytes of a data-in command, sized by `length`.
    Bytes Ask(const Bytes& cdb, size_t length) {
        Bytes reply(length);
        auto r = In(cdb, reply);
        EXPECT_TRUE(r.Good()) << "opcode " << int(cdb[0]);
        reply.resize(r.transferred);
        return reply;
    }
    Bytes DiscInfo() { return Ask(Alloc10(0x51, 34), 34); }
    Bytes TrackInfo(uint8_t number) {
        Bytes c = Alloc10(0x52, 36, 0x01);
        c[5] = number;
        return Ask(c, 36);
    }
    uint32_t Nwa(uint8_t track) { return vrec::GetBE32(TrackInfo(track), 12); }

    std::unique_ptr<vrec::VirtualRecorder> rec;
};

inline vrec::RecorderConfig BlankCdR(const std::string& backing, uint32_t capacity = 20000) {
    vrec::RecorderConfig c;
    c.capacity = capacity;
    c.backing = backing;
    return c;
}

}  // namespace vtest

#define EXPECT_SENSE(result, k, a, q)                                                     \
    do {                                                                                  \
        auto r_ = (result);                                                               \
        EXPECT_EQ(r_.status, vrec::kTargetStatusCheckCondition);                                \
        EXPECT_EQ(r_.Code(), (vrec::Sense{k, a, q}))                                      \
            << std::hex << int(r_.Code().key) << "/" << int(r_.Code().asc) << "/" << int(r_.Code().ascq); \
    } while (0)
