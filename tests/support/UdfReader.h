#pragma once
// A small UDF reader written for the tests from ECMA-167 alone (it shares
// nothing with the writer): every descriptor's tag, checksum, CRC and
// location are checked on the way from the anchors to the last file
// entry, and the tree is listed with what each entry says.
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace udftest {

constexpr uint32_t kBlock = 2048;

struct Entry {
    int type = 0;  // 4 folder, 5 file, 12 symbolic link
    uint64_t size = 0;
    int64_t mtime = 0;                         // seconds since 1970, UTC
    uint32_t permissions = 0, links = 0, entryBlock = 0;  // entryBlock: the file entry's sector
    std::vector<std::pair<uint32_t, uint32_t>> extents;  // sector, bytes
    std::string target;  // of a link
};

struct Volume {
    std::string error;  // empty when every check held
    std::string label;
    int64_t recorded = 0;  // the primary descriptor's date
    uint32_t files = 0, folders = 0;  // as the integrity descriptor counts them
    std::map<std::string, Entry> entries;  // by path ("" is the root)
};

// Reads one sector of the image into out (2048 bytes); false past its end.
using SectorReader = std::function<bool(uint64_t sector, uint8_t* out)>;

namespace detail {

inline uint32_t Le(const uint8_t* p, int bytes) {
    return bytes == 2 ? p[0] | p[1] << 8 : p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24;
}

// OSTA compressed Unicode (8- or 16-bit, no surrogates) to UTF-8; false when it is neither.
inline bool Cs0(const uint8_t* p, size_t n, std::string& out) {
    out.clear();
    if (n > 0 && p[0] != 8 && (p[0] != 16 || n % 2 == 0)) return false;
    for (size_t i = 1; i < n; i += p[0] / 8) {
        const uint32_t u = p[0] == 8 ? p[i] : uint32_t{p[i]} << 8 | p[i + 1];
        if (u < 0x80) out += static_cast<char>(u);
        else if (u < 0x800) out += {static_cast<char>(0xC0 | u >> 6), static_cast<char>(0x80 | (u & 0x3F))};
        else out += {static_cast<char>(0xE0 | u >> 12), static_cast<char>(0x80 | (u >> 6 & 0x3F)), static_cast<char>(0x80 | (u & 0x3F))};
    }
    return true;
}

inline int64_t Timestamp(const uint8_t* p) {
    int64_t tz = Le(p, 2) & 0xFFF;
    tz = tz == 0x801 ? 0 : tz >= 0x800 ? tz - 0x1000 : tz;
    const int64_t m = p[4], y = static_cast<int16_t>(Le(p + 2, 2)) - (m <= 2);
    const int64_t era = (y >= 0 ? y : y - 399) / 400, yoe = y - era * 400;
    const int64_t days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + p[5] - 1 - 719468;
    return days * 86400 + p[6] * 3600 + p[7] * 60 + p[8] - tz * 60;
}

class Reader {
public:
    Reader(SectorReader read, uint64_t last) : read_(std::move(read)), last_(last) {}

    Volume Run() {
        if (Descriptors()) Walk(fileSet_, "", 0);
        if (v_.error.empty() && (v_.folders != folders_ || v_.files != files_)) Fail("integrity counts");
        return v_;
    }

private:
    bool Fail(const std::string& why) {
        if (v_.error.empty()) v_.error = why;
        return false;
    }
    const uint8_t* Sector(uint64_t sector) {
        return read_(sector, s_) ? s_ : (Fail("sector " + std::to_string(sector) + " unreadable"), nullptr);
    }
    // The tag at d: whole, of `id`, naming `location`.
    bool Tag(const uint8_t* d, size_t room, uint32_t id, uint32_t location, const std::string& what) {
        uint8_t sum = 0;
        for (int i = 0; i < 16; ++i) sum = static_cast<uint8_t>(sum + (i == 4 ? 0 : d[i]));
        const size_t length = Le(d + 10, 2);
        uint16_t crc = 0;
        for (size_t i = 16; i < 16 + length && 16 + length <= room; ++i) {
            crc ^= static_cast<uint16_t>(d[i] << 8);
            for (int b = 0; b < 8; ++b) crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        }
        if (Le(d, 2) != id || sum != d[4] || 16 + length > room || crc != Le(d + 8, 2)) return Fail(what + ": bad tag");
        return Le(d + 12, 4) == location || Fail(what + ": location");
    }
    bool Descriptors() {
        bool nsr = false;
        for (uint64_t at = 16; at < 32 && Sector(at) && s_[1]; ++at) nsr |= std::string(s_ + 1, s_ + 6) == "NSR02";
        if (!nsr) return Fail("no NSR02");
        if (last_ && !(Sector(last_) && Tag(s_, kBlock, 2, static_cast<uint32_t>(last_), "last anchor"))) return false;
        if (!Sector(256) || !Tag(s_, kBlock, 2, 256, "anchor")) return false;
        const uint32_t main = Le(s_ + 20, 4), count = Le(s_ + 16, 4) / kBlock;
        uint32_t integrity = 0;
        for (uint32_t i = 0; i < count && Sector(main + i) && Tag(s_, kBlock, Le(s_, 2), main + i, "sequence"); ++i) {
            const uint32_t id = Le(s_, 2);
            if (id == 1) v_.recorded = Timestamp(s_ + 376);
            if (id == 5) partition_ = Le(s_ + 188, 4), length_ = Le(s_ + 192, 4);
            if (id == 6) Cs0(s_ + 84, s_[211], v_.label), fileSet_ = Le(s_ + 252, 4), integrity = Le(s_ + 436, 4);
            if (id != 8) continue;
            if (!integrity || !Sector(integrity) || !Tag(s_, kBlock, 9, integrity, "integrity")) return false;
            if (Le(s_ + 28, 4) != 1) return Fail("integrity not closed");
            nextId_ = Le(s_ + 40, 4) | uint64_t{Le(s_ + 44, 4)} << 32;
            const size_t iu = 80 + 8 * size_t{Le(s_ + 72, 4)};
            v_.files = Le(s_ + iu + 32, 4);
            v_.folders = Le(s_ + iu + 36, 4);
            return Sector(partition_ + fileSet_) && Tag(s_, kBlock, 256, fileSet_, "file set") &&
                   (fileSet_ = Le(s_ + 404, 4), true);
        }
        return Fail("no terminating descriptor");
    }
    std::string Bytes(const Entry& e) {
        std::string bytes;
        for (auto [at, length] : e.extents)
            for (uint32_t k = 0; k * kBlock < length && Sector(at + k); ++k)
                bytes.append(s_, s_ + std::min<uint32_t>(kBlock, length - k * kBlock));
        return bytes;
    }
    bool Walk(uint32_t lbn, const std::string& path, uint32_t fidId);
    bool Identifiers(const Entry& folder, const std::string& path);
    bool Target(const std::string& bytes, Entry& e, const std::string& path);

    SectorReader read_;
    uint64_t last_;
    uint8_t s_[kBlock];
    Volume v_;
    uint32_t partition_ = 0, length_ = 0, fileSet_ = 0, folders_ = 0, files_ = 0;
    uint64_t nextId_ = 0;
    std::set<uint32_t> seen_;  // entries read: a folder's twice is a loop
};

inline bool Reader::Walk(uint32_t lbn, const std::string& path, uint32_t fidId) {
    const std::string what = path.empty() ? "/" : path;
    if (lbn >= length_ || !Sector(uint64_t{partition_} + lbn)) return Fail(what + ": entry outside the partition");
    const size_t ea = Le(s_ + 168, 4), ad = Le(s_ + 172, 4);
    if (176 + ea + ad > kBlock || !Tag(s_, 176 + ea + ad, 261, lbn, what)) return Fail(what + ": bad entry");
    Entry e{s_[27], Le(s_ + 56, 4) | uint64_t{Le(s_ + 60, 4)} << 32, Timestamp(s_ + 84), Le(s_ + 44, 4), Le(s_ + 48, 2),
            partition_ + lbn, {}, {}};
    const uint64_t id = Le(s_ + 160, 4) | uint64_t{Le(s_ + 164, 4)} << 32;
    if (id >= nextId_ || static_cast<uint32_t>(id) != fidId || (Le(s_ + 34, 2) & 7) != 0) return Fail(what + ": id or form");
    uint64_t total = 0;
    for (size_t at = 176 + ea; at + 8 <= 176 + ea + ad; at += 8) {
        const uint32_t length = Le(s_ + at, 4) & 0x3FFFFFFF, block = Le(s_ + at + 4, 4);
        if (uint64_t{block} + (length + kBlock - 1) / kBlock > length_) return Fail(what + ": extent outside");
        e.extents.emplace_back(partition_ + block, length);
        total += length;
    }
    if (total != e.size) return Fail(what + ": extents hold another size");
    const bool fresh = seen_.insert(lbn).second;
    if (e.type == 4 && !fresh) return Fail(what + ": folder reached twice");
    (e.type == 4 ? folders_ : files_) += fresh ? 1 : 0;
    if (e.type == 12 && !Target(Bytes(e), e, what)) return false;
    v_.entries[path] = e;
    return e.type != 4 || Identifiers(e, path);
}

// Path components: the root, "..", ".", names.
inline bool Reader::Target(const std::string& bytes, Entry& e, const std::string& path) {
    for (size_t at = 0; at + 4 <= bytes.size();) {
        const auto* c = reinterpret_cast<const uint8_t*>(bytes.data() + at);
        std::string name;
        if (at + 4 + c[1] > bytes.size() || !Cs0(c + 4, c[1], name)) return Fail(path + ": bad path component");
        if (c[0] == 3 || c[0] == 4) name = c[0] == 3 ? ".." : ".";
        e.target += c[0] == 2 ? "/" : (at == 0 || e.target == "/" ? "" : "/") + name;
        at += 4 + c[1];
    }
    return true;
}

inline bool Reader::Identifiers(const Entry& folder, const std::string& path) {
    const std::string bytes = Bytes(folder);
    const uint32_t first = folder.extents.empty() ? 0 : folder.extents[0].first - partition_;
    bool parent = false;
    for (size_t at = 0; at < bytes.size();) {
        const auto* f = reinterpret_cast<const uint8_t*>(bytes.data() + at);
        const size_t size = at + 38 > bytes.size() ? 0 : (38 + Le(f + 36, 2) + f[19] + 3) / 4 * 4;
        if (!size || at + size > bytes.size()) return Fail(path + "/: identifier cut");
        if (!Tag(f, size, 257, first + static_cast<uint32_t>(at / kBlock), path + "/: identifier")) return false;
        at += size;
        if ((parent |= (f[18] & 8) != 0) && (f[18] & 8)) continue;
        std::string name;
        if (!Cs0(f + 38 + Le(f + 36, 2), f[19], name) || name.empty() || name.find('/') != std::string::npos)
            return Fail(path + "/: bad name");
        const std::string child = path + "/" + name;
        if (v_.entries.count(child) || Le(f + 20, 4) != kBlock) return Fail(child + ": listed twice or bad length");
        if (!Walk(Le(f + 24, 4), child, Le(f + 32, 4))) return false;
        if (((f[18] & 2) != 0) != (v_.entries[child].type == 4)) return Fail(child + ": folder flag");
    }
    return parent || Fail(path + "/: no parent identifier");
}

}  // namespace detail

// last: the image's last sector, which holds the second anchor (0: not checked).
inline Volume ReadUdf(SectorReader read, uint64_t last = 0) { return detail::Reader(std::move(read), last).Run(); }

// Over the header's bytes and the sectors a trailer makes (Count() of
// them, by Put(index, out)), which end the image at `total`.
template <typename Trailer>
Volume ReadUdf(const std::vector<uint8_t>& header, const Trailer& trailer, uint64_t total) {
    return ReadUdf(
        [&](uint64_t sector, uint8_t* out) {
            const uint64_t from = total - trailer.Count();
            if ((sector + 1) * kBlock <= header.size()) std::copy_n(header.data() + sector * kBlock, kBlock, out);
            else if (sector >= from && sector < total) trailer.Put(static_cast<uint32_t>(sector - from), out);
            return (sector + 1) * kBlock <= header.size() || (sector >= from && sector < total);
        },
        total - 1);
}

}  // namespace udftest
