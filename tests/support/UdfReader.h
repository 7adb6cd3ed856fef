#pragma once
// A small reader of UDF written for the tests from ECMA-167 alone (it
// shares nothing with the writer): it checks every descriptor's tag,
// checksum, CRC and location on its way from the anchors to the last file
// entry, and lists the tree with what each entry says.
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
    int64_t mtime = 0;  // seconds since 1970, UTC
    uint32_t uid = 0, gid = 0, permissions = 0;
    uint16_t links = 0;
    uint64_t uniqueId = 0;
    uint32_t entryBlock = 0;  // the file entry's sector
    std::vector<std::pair<uint32_t, uint32_t>> extents;  // sector, bytes
    std::string target;  // of a link
};

struct Volume {
    std::string error;  // empty when every check held
    std::string label;
    int64_t recorded = 0;  // the primary descriptor's date
    uint32_t files = 0, folders = 0;
    uint64_t nextUniqueId = 0;
    uint32_t partitionStart = 0, partitionLength = 0;
    std::map<std::string, Entry> entries;  // by path from the root ("" is the root)
};

// Reads one sector of the image into out (2048 bytes); false past its end.
using SectorReader = std::function<bool(uint64_t sector, uint8_t* out)>;

namespace detail {

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t* p) { return Le16(p) | uint32_t{Le16(p + 2)} << 16; }
inline uint64_t Le64(const uint8_t* p) { return Le32(p) | uint64_t{Le32(p + 4)} << 32; }

inline uint16_t Crc16(const uint8_t* p, size_t n) {
    uint16_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= static_cast<uint16_t>(p[i] << 8);
        for (int b = 0; b < 8; ++b) crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

inline void Utf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// OSTA compressed Unicode to UTF-8; false when the form is none of the two.
inline bool Cs0(const uint8_t* p, size_t n, std::string& out) {
    out.clear();
    if (n == 0) return true;
    if (p[0] == 8) {
        for (size_t i = 1; i < n; ++i) Utf8(out, p[i]);
        return true;
    }
    if (p[0] != 16 || n % 2 == 0) return false;
    for (size_t i = 1; i + 1 < n; i += 2) {
        uint32_t u = static_cast<uint32_t>(p[i] << 8 | p[i + 1]);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < n) {
            const uint32_t low = static_cast<uint32_t>(p[i + 2] << 8 | p[i + 3]);
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        Utf8(out, u);
    }
    return true;
}

inline int64_t Timestamp(const uint8_t* p) {
    int tz = Le16(p) & 0xFFF;
    if (tz == 0x801) tz = 0;  // not specified
    else if (tz & 0x800) tz -= 0x1000;
    const int64_t y = static_cast<int16_t>(Le16(p + 2)), m = p[4], d = p[5];
    const int64_t yy = y - (m <= 2), era = (yy >= 0 ? yy : yy - 399) / 400, yoe = yy - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
    return days * 86400 + p[6] * 3600 + p[7] * 60 + p[8] - tz * 60;
}

class Reader {
public:
    // last: the image's last sector, which holds the second anchor (0: not checked).
    Reader(SectorReader read, uint64_t last) : read_(std::move(read)), last_(last) {}

    Volume Run() {
        if (Anchor() && Sequence() && Integrity()) FileSet();
        if (!volume_.error.empty()) return volume_;
        if (volume_.folders != folders_ || volume_.files != files_)
            Fail("integrity counts " + std::to_string(volume_.folders) + "/" + std::to_string(volume_.files) +
                 ", tree " + std::to_string(folders_) + "/" + std::to_string(files_));
        return volume_;
    }

private:
    bool Fail(const std::string& why) {
        if (volume_.error.empty()) volume_.error = why;
        return false;
    }
    bool Sector(uint64_t sector, std::vector<uint8_t>& out) {
        out.resize(kBlock);
        return read_(sector, out.data()) || Fail("sector " + std::to_string(sector) + " unreadable");
    }
    // A descriptor of `id` at `at`, its tag whole and naming `location`.
    bool Tag(const uint8_t* d, size_t room, uint16_t id, uint32_t location, const char* what) {
        uint8_t sum = 0;
        for (int i = 0; i < 16; ++i) sum = static_cast<uint8_t>(sum + (i == 4 ? 0 : d[i]));
        const size_t length = Le16(d + 10);
        if (Le16(d) != id) return Fail(std::string(what) + ": tag " + std::to_string(Le16(d)));
        if (sum != d[4]) return Fail(std::string(what) + ": checksum");
        if (16 + length > room || Crc16(d + 16, length) != Le16(d + 8)) return Fail(std::string(what) + ": CRC");
        if (Le32(d + 12) != location) return Fail(std::string(what) + ": location " + std::to_string(Le32(d + 12)));
        return true;
    }
    bool Anchor() {
        std::vector<uint8_t> s;
        bool nsr = false;
        for (uint64_t at = 16; at < 32 && Sector(at, s) && s[1] != 0; ++at) nsr |= std::string(s.begin() + 1, s.begin() + 6) == "NSR02";
        if (!nsr) return Fail("no NSR02 in the recognition sequence");
        if (last_ && (!Sector(last_, s) || !Tag(s.data(), kBlock, 2, static_cast<uint32_t>(last_), "last anchor")))
            return false;
        if (!Sector(256, s) || !Tag(s.data(), kBlock, 2, 256, "anchor")) return false;
        mainAt_ = Le32(&s[20]);
        mainBlocks_ = Le32(&s[16]) / kBlock;
        return true;
    }
    bool Sequence() {
        std::vector<uint8_t> s;
        for (uint32_t i = 0; i < mainBlocks_; ++i) {
            if (!Sector(mainAt_ + i, s)) return false;
            const uint16_t id = Le16(s.data());
            if (!Tag(s.data(), kBlock, id, mainAt_ + i, "volume descriptor")) return false;
            if (id == 8) return (partition_ && fileSetFound_) || Fail("no partition or logical volume");
            if (id == 1) volume_.recorded = Timestamp(&s[376]);
            if (id == 5) {
                volume_.partitionStart = Le32(&s[188]);
                volume_.partitionLength = Le32(&s[192]);
                partition_ = true;
            }
            if (id == 6) {
                if (Le32(&s[212]) != kBlock) return Fail("block size");
                Cs0(&s[84], s[84 + 127], volume_.label);
                fileSet_ = Le32(&s[248 + 4]);
                integrityAt_ = Le32(&s[436]);
                fileSetFound_ = true;
            }
        }
        return Fail("no terminating descriptor");
    }
    bool Integrity() {
        std::vector<uint8_t> s;
        if (!Sector(integrityAt_, s) || !Tag(s.data(), kBlock, 9, integrityAt_, "integrity")) return false;
        if (Le32(&s[28]) != 1) return Fail("integrity not closed");
        volume_.nextUniqueId = Le64(&s[40]);
        const uint32_t partitions = Le32(&s[72]);
        const size_t iu = 80 + 8 * size_t{partitions};
        if (iu + 46 > kBlock) return Fail("integrity too long");
        volume_.files = Le32(&s[iu + 32]);
        volume_.folders = Le32(&s[iu + 36]);
        return true;
    }
    bool FileSet() {
        std::vector<uint8_t> s;
        if (!Sector(uint64_t{volume_.partitionStart} + fileSet_, s) || !Tag(s.data(), kBlock, 256, fileSet_, "file set"))
            return false;
        return Walk(Le32(&s[400 + 4]), "", 0);
    }
    bool Walk(uint32_t lbn, const std::string& path, uint32_t fidUniqueId);
    bool Identifiers(const Entry& folder, const std::string& path);

    SectorReader read_;
    uint64_t last_;
    Volume volume_;
    uint32_t mainAt_ = 0, mainBlocks_ = 0, integrityAt_ = 0, fileSet_ = 0;
    bool partition_ = false, fileSetFound_ = false;
    uint32_t folders_ = 0, files_ = 0;
    std::set<uint32_t> seen_;  // file entries read: a second folder entry is a loop
};

// A file entry: its fields, its extents, a folder's identifiers.
inline bool Reader::Walk(uint32_t lbn, const std::string& path, uint32_t fidUniqueId) {
    std::vector<uint8_t> s;
    const uint64_t sector = uint64_t{volume_.partitionStart} + lbn;
    if (lbn >= volume_.partitionLength) return Fail(path + ": entry outside the partition");
    if (!Sector(sector, s)) return false;
    const size_t ea = Le32(&s[168]), ad = Le32(&s[172]);
    if (176 + ea + ad > kBlock) return Fail(path + ": entry too long");
    if (!Tag(s.data(), 176 + ea + ad, 261, lbn, path.empty() ? "root" : path.c_str())) return false;
    Entry e;
    e.type = s[27];
    e.uid = Le32(&s[36]);
    e.gid = Le32(&s[40]);
    e.permissions = Le32(&s[44]);
    e.links = Le16(&s[48]);
    e.size = Le64(&s[56]);
    e.mtime = Timestamp(&s[84]);
    e.uniqueId = Le64(&s[160]);
    e.entryBlock = static_cast<uint32_t>(sector);
    if (e.uniqueId >= volume_.nextUniqueId || static_cast<uint32_t>(e.uniqueId) != fidUniqueId)
        return Fail(path + ": unique id " + std::to_string(e.uniqueId));
    if ((Le16(&s[34]) & 7) != 0) return Fail(path + ": not short allocation descriptors");
    uint64_t total = 0;
    for (size_t at = 176 + ea; at + 8 <= 176 + ea + ad; at += 8) {
        const uint32_t length = Le32(&s[at]) & 0x3FFFFFFF, block = Le32(&s[at + 4]);
        if (uint64_t{block} + (length + kBlock - 1) / kBlock > volume_.partitionLength)
            return Fail(path + ": extent outside the partition");
        e.extents.emplace_back(volume_.partitionStart + block, length);
        total += length;
    }
    if (total != e.size) return Fail(path + ": extents hold " + std::to_string(total));
    if (e.type == 4) {
        if (!seen_.insert(lbn).second) return Fail(path + ": folder reached twice");
        ++folders_;
    } else if (seen_.insert(lbn).second) {
        ++files_;
    }
    if (e.type == 12) {
        std::string bytes;
        for (auto [at, length] : e.extents)
            for (uint32_t k = 0; k * kBlock < length; ++k) {
                if (!Sector(at + k, s)) return false;
                bytes.append(s.begin(), s.begin() + std::min<uint32_t>(kBlock, length - k * kBlock));
            }
        for (size_t at = 0; at + 4 <= bytes.size();) {
            const auto* c = reinterpret_cast<const uint8_t*>(bytes.data() + at);
            std::string name;
            if (at + 4 + c[1] > bytes.size() || !Cs0(c + 4, c[1], name)) return Fail(path + ": bad path component");
            const std::string part = c[0] == 2 ? "" : c[0] == 3 ? ".." : c[0] == 4 ? "." : name;
            e.target += (at == 0 || e.target == "/" ? "" : "/") + (c[0] == 2 ? std::string("/") : part);
            at += 4 + c[1];
        }
    }
    volume_.entries[path] = e;
    return e.type != 4 || Identifiers(e, path);
}

inline bool Reader::Identifiers(const Entry& folder, const std::string& path) {
    std::string bytes;
    std::vector<uint8_t> s;
    for (auto [at, length] : folder.extents)
        for (uint32_t k = 0; k * kBlock < length; ++k) {
            if (!Sector(at + k, s)) return false;
            bytes.append(s.begin(), s.begin() + std::min<uint32_t>(kBlock, length - k * kBlock));
        }
    const uint32_t firstLbn = folder.extents.empty() ? 0 : folder.extents[0].first - volume_.partitionStart;
    bool parent = false;
    for (size_t at = 0; at < bytes.size();) {
        const auto* f = reinterpret_cast<const uint8_t*>(bytes.data() + at);
        if (at + 38 > bytes.size()) return Fail(path + ": identifier cut");
        const size_t nameLength = f[19], iu = Le16(f + 36);
        const size_t size = (38 + iu + nameLength + 3) / 4 * 4;
        if (at + size > bytes.size()) return Fail(path + ": identifier cut");
        if (!Tag(f, size, 257, firstLbn + static_cast<uint32_t>(at / kBlock), (path + "/ identifier").c_str())) return false;
        at += size;
        if (f[18] & 8) {
            if (parent) return Fail(path + ": two parent identifiers");
            parent = true;
            continue;
        }
        std::string name;
        if (!Cs0(f + 38 + iu, nameLength, name) || name.empty() || name.find('/') != std::string::npos)
            return Fail(path + ": bad name");
        const std::string child = path + "/" + name;
        if (volume_.entries.count(child)) return Fail(child + ": listed twice");
        if (Le32(f + 20) != kBlock) return Fail(child + ": entry length");
        if (!Walk(Le32(f + 24), child, Le32(f + 32))) return false;
        if (((f[18] & 2) != 0) != (volume_.entries[child].type == 4)) return Fail(child + ": folder flag");
    }
    return parent || Fail(path + ": no parent identifier");
}

}  // namespace detail

inline Volume ReadUdf(SectorReader read, uint64_t last = 0) { return detail::Reader(std::move(read), last).Run(); }

// Over the bytes of the header and the sectors a trailer makes (Count()
// of them, by Put(index, out)), which end the image at `total`.
template <typename Trailer>
Volume ReadUdf(const std::vector<uint8_t>& header, const Trailer& trailer, uint64_t total) {
    return ReadUdf(
        [&](uint64_t sector, uint8_t* out) {
            const uint64_t trailerAt = total - trailer.Count();
            if ((sector + 1) * kBlock <= header.size()) std::copy_n(header.data() + sector * kBlock, kBlock, out);
            else if (sector >= trailerAt && sector < total) trailer.Put(static_cast<uint32_t>(sector - trailerAt), out);
            else return false;
            return true;
        },
        total - 1);
}

}  // namespace udftest
