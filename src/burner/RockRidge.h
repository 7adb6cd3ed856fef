#pragma once
// Rock Ridge (RRIP 1.12) entries of the system use areas, over SUSP 1.12:
// what a POSIX reader needs to see the files as they were (whole names,
// permissions, owners, times, symbolic links, folders deeper than ISO 9660
// allows). Entries are appended to one byte string; each carries its own
// length, so the string is read back entry by entry.
#include "drive/MediaTypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kq::rr {

inline constexpr size_t kContinuationEntry = 28;  // CE
inline constexpr size_t kBlock = kSectorSize;

struct Posix {
    uint32_t mode = 0;
    uint32_t links = 1;
    uint32_t owner = 0;
    uint32_t group = 0;
    uint32_t serial = 0;
};

void AppendSP(std::string& out);
void AppendER(std::string& out);
void AppendPX(std::string& out, const Posix& posix);
// The modification time.
void AppendTF(std::string& out, int64_t time);
void AppendNM(std::string& out, std::string_view name);
void AppendSL(std::string& out, std::string_view target);
void AppendRE(std::string& out);
void AppendCL(std::string& out, uint32_t childExtent);
void AppendPL(std::string& out, uint32_t parentExtent);
// The CE entry: where the rest of a record's entries lie.
void PutCE(uint8_t* at, uint32_t block, uint32_t offset, uint32_t length);

// How a record's entries are cut: the first piece stays in the record (of
// `room` bytes), each later one is a continuation area of at most one
// block; every piece but the last ends in a CE that leads to the next.
// Lengths of the pieces' entries, CE not counted; entries are never split.
std::vector<size_t> SplitEntries(std::string_view entries, size_t room);

// Continuation areas packed into whole blocks, none crossing a boundary.
class ContinuationSpace {
public:
    // Block (counted from the first) and offset for `length` bytes.
    std::pair<uint32_t, uint32_t> Take(size_t length);
    uint32_t Blocks() const { return used_ == 0 && block_ == 0 ? 0 : block_ + (used_ > 0 ? 1 : 0); }

private:
    uint32_t block_ = 0;
    size_t used_ = 0;
};

}  // namespace kq::rr
