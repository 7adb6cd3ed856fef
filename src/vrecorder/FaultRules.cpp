#include "vrecorder/FaultRules.h"

#include "vrecorder/Bytes.h"

#include <array>
#include <charconv>
#include <sstream>
#include <utility>

namespace vrec {

namespace {

constexpr std::array<std::pair<std::string_view, uint8_t>, 30> kNames{{
    {"test-unit-ready", 0x00}, {"request-sense", 0x03},     {"inquiry", 0x12},
    {"start-stop", 0x1B},      {"prevent-allow", 0x1E},     {"read-capacity", 0x25},
    {"read", 0x28},            {"write", 0x2A},             {"sync-cache", 0x35},
    {"read-toc", 0x43},        {"get-configuration", 0x46}, {"get-event-status", 0x4A},
    {"read-disc-info", 0x51},  {"read-track-info", 0x52},   {"reserve-track", 0x53},
    {"send-opc", 0x54},        {"mode-select", 0x55},       {"mode-sense", 0x5A},
    {"close", 0x5B},           {"read-buffer-capacity", 0x5C}, {"send-cue-sheet", 0x5D},
    {"set-streaming", 0xB6},   {"set-cd-speed", 0xBB},      {"mechanism-status", 0xBD},
    {"send-dvd-structure", 0xBF}, {"rewind", 0x01},       {"blank", 0xA1},
    {"format-unit", 0x04},     {"read-format-capacities", 0x23},
    {"read-cd", 0xBE},
}};

std::optional<uint32_t> Number(std::string_view s, int base = 10) {
    uint32_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

std::optional<int> Opcode(std::string_view s) {
    if (s == "any" || s == "*") return -1;
    for (auto [name, code] : kNames)
        if (name == s) return code;
    if (s.starts_with("0x") || s.starts_with("0X")) s.remove_prefix(2);
    if (s.ends_with('h') || s.ends_with('H')) s.remove_suffix(1);
    auto v = Number(s, 16);
    if (!v || *v > 0xFF || s.size() > 2) return std::nullopt;
    return static_cast<int>(*v);
}

std::optional<Sense> SenseTriple(std::string_view s) {
    size_t a = s.find('/'), b = s.rfind('/');
    if (a == std::string_view::npos || a == b) return std::nullopt;
    auto key = Number(s.substr(0, a), 16), asc = Number(s.substr(a + 1, b - a - 1), 16),
         ascq = Number(s.substr(b + 1), 16);
    if (!key || !asc || !ascq || *key > 0x0F || *asc > 0xFF || *ascq > 0xFF) return std::nullopt;
    return Sense{static_cast<uint8_t>(*key), static_cast<uint8_t>(*asc), static_cast<uint8_t>(*ascq)};
}

// The action and its argument, if it takes one.
bool ParseAction(const std::string& word, std::istringstream& in, FaultRule& rule) {
    std::string arg;
    if (word == "busy") rule.action = FaultAction::Busy;
    else if (word == "never") rule.action = FaultAction::Never;
    else if (word == "vanish") rule.action = FaultAction::Vanish;
    else if (word == "remove-medium") rule.action = FaultAction::RemoveMedium;
    else if (word == "corrupt") rule.action = FaultAction::Corrupt;
    else if (word == "not-ready") rule.code = sense::LongWriteInProgress;
    else if (word == "check") {
        auto code = (in >> arg) ? SenseTriple(arg) : std::nullopt;
        if (!code) return false;
        rule.code = *code;
    } else if (word == "late") {
        auto ms = (in >> arg) ? Number(arg) : std::nullopt;
        if (!ms) return false;
        rule.action = FaultAction::Late;
        rule.delayMs = *ms;
    } else {
        return false;
    }
    return true;
}

bool ParseCondition(const std::string& word, FaultRule& rule) {
    std::optional<uint32_t> v;
    if (word.starts_with("nth=") && (v = Number(std::string_view(word).substr(4))) && *v > 0) rule.nth = *v;
    else if (word.starts_with("lba>=") && (v = Number(std::string_view(word).substr(5)))) rule.minLba = *v;
    else if (word.starts_with("lba<=") && (v = Number(std::string_view(word).substr(5)))) rule.maxLba = *v;
    else if (word.starts_with("times=") && (v = Number(std::string_view(word).substr(6))) && *v > 0) rule.times = *v;
    else return false;
    return true;
}

}  // namespace

std::optional<FaultRule> ParseFaultRule(std::string_view text, std::string& error) {
    std::istringstream in{std::string(text)};
    std::string word;
    FaultRule rule;
    auto opcode = (in >> word) ? Opcode(word) : std::nullopt;
    if (!opcode) {
        error = "unknown command '" + word + "' in fault rule";
        return std::nullopt;
    }
    rule.opcode = *opcode;
    while (in >> word) {
        if (word.find('=') != std::string::npos) {
            if (!ParseCondition(word, rule)) break;
            continue;
        }
        if (!ParseAction(word, in, rule) || (in >> word)) break;
        if (rule.nth && !rule.times) rule.times = 1;  // "the n-th time" is once
        return rule;
    }
    error = "fault rule needs: <command> [nth=N] [lba>=Y] [lba<=Z] [times=K] <action>";
    return std::nullopt;
}

std::optional<uint32_t> AddressedLba(std::span<const uint8_t> cdb) {
    if (cdb.size() < 6) return std::nullopt;
    switch (cdb[0]) {
    case 0x28: case 0x2A: case 0x2E: case 0xA8: case 0xAA: case 0xBE:
        return GetBE32(cdb, 2);
    default:
        return std::nullopt;
    }
}

uint32_t AddressedBlocks(std::span<const uint8_t> cdb) {
    uint32_t count = 1;
    if (cdb.size() >= 10 && (cdb[0] == 0x28 || cdb[0] == 0x2A)) count = GetBE16(cdb, 7);
    if (cdb.size() >= 12 && cdb[0] == 0xBE) count = GetBE24(cdb, 6);
    return count ? count : 1;
}

const FaultRule* MatchFault(std::vector<FaultRule>& rules, std::span<const uint8_t> cdb) {
    const FaultRule* hit = nullptr;
    auto lba = AddressedLba(cdb);
    // The last block the command touches decides "at LBA >= y", its first "at LBA <= z".
    uint64_t last = lba ? uint64_t{*lba} + AddressedBlocks(cdb) - 1 : 0;
    for (FaultRule& r : rules) {
        if (r.opcode >= 0 && r.opcode != cdb[0]) continue;
        if (r.minLba && (!lba || last < *r.minLba)) continue;
        if (r.maxLba && (!lba || *lba > *r.maxLba)) continue;
        ++r.seen;
        if (hit || (r.nth && r.seen < r.nth) || (r.times && r.fired >= r.times)) continue;
        ++r.fired;
        hit = &r;
    }
    return hit;
}

}  // namespace vrec
