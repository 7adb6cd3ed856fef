#pragma once
// What one directory record's system use entries say, read back: the
// Rock Ridge entries the reader of a disc's tree needs, and where a
// continuation area lies. Every entry's length is checked against its area.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kq::rr {

struct Continuation {
    uint32_t sector = 0, offset = 0, length = 0;
};

struct SystemUse {
    bool sharingProtocol = false;  // SP: in the root's "." record
    uint8_t skip = 0;              // SP: bytes before every record's entries
    bool rockRidge = false;        // any Rock Ridge entry met
    std::optional<std::string> name;
    bool nameGoesOn = false;  // the last NM's continue flag
    std::optional<uint32_t> mode;
    uint32_t links = 1, owner = 0, group = 0;
    std::optional<int64_t> time;
    std::optional<std::string> linkTarget;
    bool linkComponentGoesOn = false;
    bool relocatedAway = false;            // RE: listed where CL points from
    std::optional<uint32_t> childFolder;   // CL: a folder moved away, at this sector
    std::optional<Continuation> next;      // CE
    bool stop = false;                     // ST
};

// Reads the entries of `area` into `into`; an empty text, or why the area
// is malformed.
std::string ReadSystemUse(std::span<const uint8_t> area, SystemUse& into);

}  // namespace kq::rr

namespace kq::iso {

// Seconds since 1970 of a seven-byte record date and of a seventeen-byte
// volume date; nullopt when the date is not set or not a date.
std::optional<int64_t> RecordTime(std::span<const uint8_t> date);
std::optional<int64_t> VolumeTime(std::span<const uint8_t> date);

}  // namespace kq::iso
