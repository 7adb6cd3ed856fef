#pragma once
// Two ways to stand a drive behind a device: the virtual recorder through
// its ASPI layer, configured per case, and a scripted layer that answers
// each opcode with bytes the test chooses (for replies no drive should
// give).
#include "drive/ByteOrder.h"
#include "drive/DriveUnitState.h"
#include "drive/TSCSIDevice.h"
#include "support/FakeTransport.h"
#include "vrecorder/VirtualAspi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace dtest {

using Bytes = std::vector<uint8_t>;

class Device : public kq::TSCSIDevice {
public:
    // A new device object selects nothing (254:254:254); these tests talk
    // to 0:0:0 directly.
    Device() {
        HaId = 0;
        Target = 0;
        Lun = 0;
    }
    using TSCSIDevice::RunCommand;
};

// Puts the unit-wide state back as a fresh process has it.
inline void ResetDriveUnit() {
    auto& u = kq::DriveUnit();
    u.SlowReadyQuirk = false;
    u.CloseImmediate = true;
    u.ForceUnderrunProtection = false;
    u.MediaType = 0;
}

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest() { ResetDriveUnit(); }
    ~RecorderTest() override {
        kq::ReleaseTransport();
        layer.reset();
        Layer() = nullptr;
        ResetDriveUnit();
    }
    void Start(vrec::RecorderConfig config) {
        if (config.capacity == 0) config.capacity = 20000;
        recorder = std::make_shared<vrec::VirtualRecorder>(std::move(config));
        layer = std::make_unique<vrec::VirtualAspi>(std::vector{recorder});
        Layer() = layer.get();
        kq::InstallTransport(&Send, &Info, kq::kAspiLibraryName);
    }
    // The command blocks of one opcode the recorder received, in order.
    std::vector<vrec::LogEntry> Sent(uint8_t opcode) const {
        std::vector<vrec::LogEntry> out;
        for (auto& e : recorder->Log())
            if (e.Opcode() == opcode) out.push_back(e);
        return out;
    }
    // Next writable address of track `track`, as READ TRACK INFORMATION says.
    uint32_t Nwa(uint8_t track) {
        std::array<uint8_t, 10> cdb{0x52, 0x01, 0, 0, 0, track, 0, 0, 36, 0};
        std::array<uint8_t, 36> info{};
        EXPECT_TRUE(dev.RunCommand(cdb, kq::DataIn(info), 5000));
        return kq::GetBE32(std::span(info).subspan(12));
    }
    bool WriteBlocks(uint32_t lba, uint16_t blocks) {
        Bytes data(size_t{blocks} * 2048, 0x5A);
        return dev.Write10(lba, blocks, 0x50, data);
    }

    std::shared_ptr<vrec::VirtualRecorder> recorder;
    std::unique_ptr<vrec::VirtualAspi> layer;
    Device dev;

private:
    static vrec::VirtualAspi*& Layer() {
        static vrec::VirtualAspi* layer = nullptr;
        return layer;
    }
    static uint32_t Send(void* srb) { return Layer()->Send(srb); }
    static uint32_t Info() { return Layer()->SupportInfo(); }
};

// Answers by opcode; an opcode without an answer is refused as a drive
// refuses an unknown command (05/20/00). Every block sent is kept.
class ScriptedTest : public ::testing::Test {
protected:
    using Answer = kqtest::FakeTransport::Answer;

    ScriptedTest() { ResetDriveUnit(); }
    ~ScriptedTest() override { ResetDriveUnit(); }

    static Answer Reply(Bytes bytes) {
        return [bytes](kq::SRB_ExecSCSICmd& srb) {
            std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), srb.SRB_BufLen), srb.SRB_BufPointer);
            srb.SRB_Status = kq::SS_COMP;
        };
    }
    static Answer Refuse() { return kqtest::FakeTransport::CheckCondition(0x05, 0x20, 0x00); }
    static Answer NotReady() { return kqtest::FakeTransport::CheckCondition(0x02, 0x04, 0x01); }
    static Answer Good() { return kqtest::FakeTransport::Complete(kq::SS_COMP); }

    std::vector<Bytes> SentCdbs(uint8_t opcode) const {
        std::vector<Bytes> out;
        for (auto& c : sent)
            if (c[0] == opcode) out.push_back(c);
        return out;
    }

    std::map<uint8_t, Answer> answers;
    std::vector<Bytes> sent;        // CDBs
    std::vector<Bytes> sentData;    // data of out-going commands
    kqtest::FakeTransport transport{[this](kq::SRB_ExecSCSICmd& srb) {
        sent.emplace_back(srb.CDBByte, srb.CDBByte + srb.SRB_CDBLen);
        sentData.emplace_back();
        if ((srb.SRB_Flags & kq::SRB_DIR_OUT) && srb.SRB_BufPointer)
            sentData.back().assign(srb.SRB_BufPointer, srb.SRB_BufPointer + srb.SRB_BufLen);
        auto it = answers.find(srb.CDBByte[0]);
        (it == answers.end() ? Refuse() : it->second)(srb);
    }};
    Device dev;
};

// A MODE SENSE (10) reply: header (optionally with a block descriptor),
// then the page; the mode data length counts what follows it.
inline Bytes ModeReply(const Bytes& page, bool blockDescriptor = false) {
    Bytes r(blockDescriptor ? 16 : 8, 0);
    if (blockDescriptor) r[7] = 8;
    r.insert(r.end(), page.begin(), page.end());
    kq::PutBE16(r, static_cast<uint16_t>(r.size() - 2));
    return r;
}

}  // namespace dtest
