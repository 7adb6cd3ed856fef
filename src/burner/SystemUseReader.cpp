#include "burner/SystemUseReader.h"

#include "burner/IsoFields.h"

#include <chrono>
#include <string_view>

namespace kq::iso {

namespace {

std::optional<int64_t> CivilTime(int year, int month, int day, int hour, int minute, int second, int8_t offset) {
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / month / day};
    // The offset counts quarters of an hour east of UTC.
    return int64_t{date.time_since_epoch().count()} * 86400 + hour * 3600 + minute * 60 + second - offset * 900;
}

int Digits(std::span<const uint8_t> at, size_t from, size_t count) {
    int v = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (at[i] < '0' || at[i] > '9') return -1;
        v = v * 10 + (at[i] - '0');
    }
    return v;
}

}  // namespace

std::optional<int64_t> RecordTime(std::span<const uint8_t> d) {
    if (d.size() < 7 || d[1] == 0) return std::nullopt;
    return CivilTime(1900 + d[0], d[1], d[2], d[3], d[4], d[5], static_cast<int8_t>(d[6]));
}

std::optional<int64_t> VolumeTime(std::span<const uint8_t> d) {
    if (d.size() < 17) return std::nullopt;
    const int year = Digits(d, 0, 4), month = Digits(d, 4, 2), day = Digits(d, 6, 2);
    const int hour = Digits(d, 8, 2), minute = Digits(d, 10, 2), second = Digits(d, 12, 2);
    if (year <= 0 || hour < 0 || minute < 0 || second < 0) return std::nullopt;
    return CivilTime(year, month, day, hour, minute, second, static_cast<int8_t>(d[16]));
}

}  // namespace kq::iso

namespace kq::rr {

namespace {

std::optional<uint32_t> Both32At(std::span<const uint8_t> entry, size_t at) {
    return at + 8 <= entry.size() ? iso::GetBoth32(entry.subspan(at, 8)) : std::nullopt;
}

// TF: the stamps present follow in the order of their flag bits; the
// modification time is the second.
bool ReadTF(std::span<const uint8_t> e, SystemUse& into) {
    if (e.size() < 5) return false;
    const uint8_t flags = e[4];
    const size_t size = flags & 0x80 ? 17 : 7;
    size_t at = 5;
    for (int bit = 0; bit < 7; ++bit) {
        if (!(flags & (1 << bit))) continue;
        if (at + size > e.size()) return false;
        if (bit == 1) into.time = size == 7 ? iso::RecordTime(e.subspan(at, 7)) : iso::VolumeTime(e.subspan(at, 17));
        at += size;
    }
    return true;
}

// SL: component records of flags, length and text; "/" for the root.
bool ReadSL(std::span<const uint8_t> e, SystemUse& into) {
    std::string& target = into.linkTarget ? *into.linkTarget : into.linkTarget.emplace();
    for (size_t at = 5; at < e.size();) {
        if (at + 2 > e.size() || at + 2 + e[at + 1] > e.size()) return false;
        const uint8_t flags = e[at];
        const std::string_view text(reinterpret_cast<const char*>(&e[at + 2]), e[at + 1]);
        at += 2 + text.size();
        if (flags & 0x08) {
            target = "/";
            into.linkComponentGoesOn = false;
            continue;
        }
        if (!target.empty() && target.back() != '/' && !into.linkComponentGoesOn) target += '/';
        target += flags & 0x02 ? "." : flags & 0x04 ? ".." : text;
        into.linkComponentGoesOn = flags & 0x01;
    }
    return true;
}

bool ReadPX(std::span<const uint8_t> e, SystemUse& into) {
    const auto mode = Both32At(e, 4), links = Both32At(e, 12), owner = Both32At(e, 20), group = Both32At(e, 28);
    if (!mode || !links || !owner || !group) return false;
    into.mode = *mode;
    into.links = *links;
    into.owner = *owner;
    into.group = *group;
    return true;
}

bool ReadNM(std::span<const uint8_t> e, SystemUse& into) {
    if (e.size() < 5) return false;
    // The current and parent flags name "." and ".."; no record is renamed so.
    if (e[4] & 0x06) return true;
    std::string& name = into.name && into.nameGoesOn ? *into.name : into.name.emplace();
    name.append(reinterpret_cast<const char*>(e.data() + 5), e.size() - 5);
    into.nameGoesOn = e[4] & 0x01;
    return true;
}

bool ReadCE(std::span<const uint8_t> e, SystemUse& into) {
    const auto sector = Both32At(e, 4), offset = Both32At(e, 12), length = Both32At(e, 20);
    if (!sector || !offset || !length) return false;
    into.next = Continuation{*sector, *offset, *length};
    return true;
}

bool ReadEntry(std::string_view signature, std::span<const uint8_t> e, SystemUse& into) {
    if (signature == "SP") {
        if (e.size() < 7 || e[4] != 0xBE || e[5] != 0xEF) return false;
        into.sharingProtocol = true;
        into.skip = e[6];
        return true;
    }
    if (signature == "CE") return ReadCE(e, into);
    if (signature == "ST") return into.stop = true;
    const bool rockRidge = signature == "NM" || signature == "PX" || signature == "TF" || signature == "SL" ||
                           signature == "RE" || signature == "CL" || signature == "PL";
    into.rockRidge = into.rockRidge || rockRidge;
    if (signature == "NM") return ReadNM(e, into);
    if (signature == "PX") return ReadPX(e, into);
    if (signature == "TF") return ReadTF(e, into);
    if (signature == "SL") return ReadSL(e, into);
    if (signature == "RE") return into.relocatedAway = true;
    if (signature == "CL") return (into.childFolder = Both32At(e, 4)).has_value();
    return true;  // others (RR, PL, ER, PN, ...) change nothing the tree shows
}

}  // namespace

std::string ReadSystemUse(std::span<const uint8_t> area, SystemUse& into) {
    size_t at = 0;
    // Padding of zeros may follow the last entry.
    while (at + 4 <= area.size() && area[at] != 0 && !into.stop) {
        const size_t length = area[at + 2];
        if (length < 4 || length > area.size() - at) return "a system use entry runs past its record";
        const std::string_view signature(reinterpret_cast<const char*>(&area[at]), 2);
        if (!ReadEntry(signature, area.subspan(at, length), into))
            return "a malformed " + std::string(signature) + " entry";
        at += length;
    }
    return {};
}

}  // namespace kq::rr
