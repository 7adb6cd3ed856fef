#include "drive/CommandTrace.h"
#include "drive/DriveMessages.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace kq {

namespace {

struct NamedOpcode {
    uint8_t opcode;
    const char* name;
};

constexpr NamedOpcode kNames[] = {
    {0x00, "TEST UNIT READY"}, {0x01, "REWIND UNIT"}, {0x03, "REQUEST SENSE"},
    {0x04, "FORMAT UNIT"}, {0x12, "INQUIRY"}, {0x1B, "START STOP UNIT"},
    {0x1E, "PREVENT/ALLOW REMOVAL"}, {0x23, "READ FORMAT CAPACITIES"},
    {0x25, "READ CAPACITY"}, {0x28, "READ (10)"}, {0x2A, "WRITE (10)"}, {0x2B, "SEEK (10)"},
    {0x2E, "WRITE AND VERIFY (10)"}, {0x2F, "VERIFY (10)"}, {0x35, "SYNCHRONIZE CACHE"},
    {0x42, "READ SUB-CHANNEL"}, {0x43, "READ TOC/PMA/ATIP"}, {0x45, "PLAY AUDIO (10)"},
    {0x46, "GET CONFIGURATION"}, {0x47, "PLAY AUDIO MSF"}, {0x4A, "GET EVENT/STATUS NOTIF"},
    {0x4B, "PAUSE/RESUME"}, {0x4E, "STOP PLAY/SCAN"}, {0x51, "READ DISC INFORMATION"},
    {0x52, "READ TRACK INFORMATION"}, {0x53, "RESERVE TRACK"}, {0x54, "SEND OPC INFORMATION"},
    {0x55, "MODE SELECT (10)"}, {0x58, "REPAIR TRACK"}, {0x5A, "MODE SENSE (10)"},
    {0x5B, "CLOSE TRACK/SESSION"}, {0x5C, "READ BUFFER CAPACITY"}, {0x5D, "SEND CUE SHEET"},
    {0xA1, "BLANK"}, {0xA2, "SEND EVENT"}, {0xA3, "SEND KEY"}, {0xA4, "REPORT KEY"},
    {0xA5, "PLAY AUDIO (12)"}, {0xA6, "LOAD/UNLOAD CD/DVD"}, {0xA7, "SET READ AHEAD"},
    {0xA8, "READ (12)"}, {0xAA, "WRITE (12)"}, {0xAC, "GET PERFORMANCE"},
    {0xAD, "READ DVD STRUCTURE"}, {0xB6, "SET STREAMING"}, {0xB9, "READ CD MSF"},
    {0xBA, "SCAN"}, {0xBB, "SET CD SPEED"}, {0xBD, "MECHANISM STATUS"}, {0xBE, "READ CD"},
    {0xBF, "SEND DVD STRUCTURE"},
};

constexpr uint8_t kQuiet[] = {0x00, 0x01, 0x04, 0x12, 0x1B, 0x1E, 0x23, 0x35, 0x43,
                              0x46, 0x51, 0x52, 0x55, 0x5A, 0x5C, 0xB6, 0xBB};

std::atomic<bool> traceAll{false};

std::array<std::string, 256> BuildNames() {
    std::array<std::string, 256> names;
    char hex[3];
    for (int op = 0; op < 256; ++op) {
        std::snprintf(hex, sizeof hex, "%02X", op);
        names[op] = hex;
    }
    for (const auto& n : kNames) {
        std::string name = n.name;
        name.resize(std::max<size_t>(name.size(), 22), ' ');
        names[n.opcode] = name;
    }
    return names;
}

void AppendHex(std::string& out, unsigned value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", width, value);
    out += buf;
}

}  // namespace

const std::array<std::string, 256>& CommandNames() {
    static const std::array<std::string, 256> names = BuildNames();
    return names;
}

std::string CommandTimeoutText(uint8_t opcode) {
    std::string name = CommandNames()[opcode];
    name.erase(name.find_last_not_of(' ') + 1);
    return DriveMessage(Msg::CommandTimeout) + " (" + name + ")";
}

bool TraceAllCommands() { return traceAll.load(); }
void SetTraceAllCommands(bool on) { traceAll.store(on); }

bool IsQuietOpcode(uint8_t opcode) {
    return std::find(std::begin(kQuiet), std::end(kQuiet), opcode) != std::end(kQuiet);
}

std::string TraceLine(const SRB_ExecSCSICmd& r, std::string_view lastErrorText,
                      std::optional<platform::TimeOfDay> stamp) {
    std::string line = "<<< ";
    if (stamp) {
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d:%03d ", stamp->minutes, stamp->seconds,
                      stamp->milliseconds);
        line += time;
    }
    line += CommandNames()[r.CDBByte[0]] + " (";
    AppendHex(line, r.CDBByte[0], 2);
    line += ") {";
    AppendHex(line, r.SRB_Flags, 2);
    line += "|";
    AppendHex(line, r.SRB_CDBLen, 2);
    line += "} - " + std::to_string(r.SRB_HaId) + ":";
    AppendHex(line, r.SRB_Target, 1);
    line += ":" + std::to_string(r.SRB_Lun) + " <";
    AppendHex(line, r.SRB_Status, 2);
    line += "> [";
    AppendHex(line, r.SRB_BufLen, 5);
    line += "] ";
    for (int i = 1; i < 16; ++i) {
        AppendHex(line, r.CDBByte[i], 2);
        line += ' ';
    }
    line += " |";
    if (r.SRB_BufPointer) {
        const uint32_t shown = std::min<uint32_t>(r.SRB_BufLen, 257);
        for (uint32_t i = 0; i < shown; ++i) {
            AppendHex(line, r.SRB_BufPointer[i], 2);
            line += ' ';
        }
    }
    line += "= ";
    for (uint8_t b : {r.SRB_HaStat, r.SRB_TargStat, r.SenseArea[0], r.SenseArea[2]}) {
        AppendHex(line, b, 2);
        line += ' ';
    }
    line += "ASC:";
    AppendHex(line, r.SenseArea[12], 2);
    line += ",ASQ:";
    AppendHex(line, r.SenseArea[13], 2);
    line += ' ';
    line += lastErrorText;
    return line;
}

}  // namespace kq
