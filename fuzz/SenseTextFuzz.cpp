// Status and sense texts from arbitrary request blocks: every byte of the
// block but its pointers comes from the input, the sense area included.
#include "FuzzInput.h"
#include "FuzzTarget.h"

#include "drive/DriveMessages.h"
#include "drive/SenseCodeTexts.h"
#include "drive/TSCSIDevice.h"

#include <cstring>
#include <string>

namespace {

using namespace kq;

bool IsTableText(const std::string& text) {
    for (size_t id = 0; id < static_cast<size_t>(Msg::Count); ++id)
        if (text == DriveMessage(static_cast<Msg>(id))) return true;
    return false;
}

// A table text, or one of the two that name a detail in parentheses: the
// command that timed out, the system's words for its error.
bool IsErrorText(const std::string& text) {
    if (IsTableText(text)) return true;
    const std::string system = DriveMessage(Msg::SystemError);
    const std::string prefixes[] = {DriveMessage(Msg::CommandTimeout) + " (", system.substr(0, system.find("%s"))};
    for (const std::string& prefix : prefixes)
        if (text.starts_with(prefix) && text.ends_with(")")) return true;
    return false;
}

SRB_ExecSCSICmd BlockFrom(fuzz::FuzzInput& in) {
    SRB_ExecSCSICmd request{};
    auto bytes = in.Bytes(sizeof request);
    std::memcpy(&request, bytes.data(), bytes.size());
    // Only a block that was sent carries pointers, and nothing here sends it.
    request.SRB_BufPointer = nullptr;
    request.SRB_PostProc = nullptr;
    return request;
}

// The text of the additional sense code, as it is appended.
std::string SenseCodePart(const uint8_t* sense) {
    if (auto known = FindSenseCodeText(sense[12], sense[13])) return std::string(*known);
    return std::to_string(sense[12]) + "," + std::to_string(sense[13]);
}

void CheckStatusText(TSCSIDevice& dev, uint8_t status, uint8_t haStat, uint8_t targStat) {
    std::string text = dev.GetStatusText(status, haStat, targStat);
    FUZZ_CHECK(IsTableText(text));
    FUZZ_CHECK(dev.TargetBusy() == (status == SS_ERR && haStat == HASTAT_OK && targStat == 0x08));
}

void CheckErrorText(TSCSIDevice& dev, const SRB_ExecSCSICmd& request) {
    std::string text = dev.BuildErrorText(request);
    FUZZ_CHECK(text.empty() || IsErrorText(text));
    auto sense = dev.LastSense();
    FUZZ_CHECK(std::memcmp(sense.data(), request.SenseArea, SENSE_LEN) == 0);
    std::string expected = text;
    if (request.SenseArea[7] != 0) expected += " (" + SenseCodePart(request.SenseArea) + ")";
    FUZZ_CHECK(dev.LastErrorText() == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    TSCSIDevice dev;
    while (!in.Empty()) {
        SRB_ExecSCSICmd request = BlockFrom(in);
        CheckStatusText(dev, request.SRB_Status, request.SRB_HaStat, request.SRB_TargStat);
        CheckErrorText(dev, request);
    }
    return 0;
}
