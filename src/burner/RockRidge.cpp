#include "burner/RockRidge.h"

#include "burner/IsoFields.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kq::rr {

namespace {

constexpr size_t kMaxEntry = 255;
constexpr std::string_view kErId = "IEEE_P1282";
constexpr std::string_view kErDescriptor = "THE IEEE P1282 PROTOCOL PROVIDES SUPPORT FOR POSIX FILE SYSTEM SEMANTICS.";
constexpr std::string_view kErSource =
    "PLEASE CONTACT THE IEEE STANDARDS DEPARTMENT, PISCATAWAY, NJ, USA FOR THE P1282 SPECIFICATION.";

void Header(std::string& out, const char* signature, size_t length) {
    out += signature[0];
    out += signature[1];
    out += static_cast<char>(length);
    out += '\1';
}

void Both32(std::string& out, uint32_t v) {
    std::array<uint8_t, 8> bytes{};
    iso::PutBoth32(bytes, v);
    out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Pieces of a long text, each at most `max` bytes.
template <typename Each>
void InPieces(std::string_view text, size_t max, Each each) {
    do {
        const std::string_view piece = text.substr(0, max);
        text.remove_prefix(piece.size());
        each(piece, !text.empty());
    } while (!text.empty());
}

}  // namespace

void AppendSP(std::string& out) {
    Header(out, "SP", 7);
    out += '\xBE';
    out += '\xEF';
    out += '\0';  // no bytes skipped before the entries
}

void AppendER(std::string& out) {
    Header(out, "ER", 8 + kErId.size() + kErDescriptor.size() + kErSource.size());
    out += static_cast<char>(kErId.size());
    out += static_cast<char>(kErDescriptor.size());
    out += static_cast<char>(kErSource.size());
    out += '\1';
    out.append(kErId).append(kErDescriptor).append(kErSource);
}

void AppendPX(std::string& out, const Posix& posix) {
    Header(out, "PX", 44);
    for (uint32_t v : {posix.mode, posix.links, posix.owner, posix.group, posix.serial}) Both32(out, v);
}

void AppendTF(std::string& out, int64_t time) {
    Header(out, "TF", 5 + 7);
    out += '\x02';  // the modification time alone, seven-byte form
    const auto date = iso::RecordDate(time);
    out.append(reinterpret_cast<const char*>(date.data()), date.size());
}

void AppendNM(std::string& out, std::string_view name) {
    InPieces(name, kMaxEntry - 5, [&](std::string_view piece, bool more) {
        Header(out, "NM", 5 + piece.size());
        out += static_cast<char>(more ? 1 : 0);
        out.append(piece);
    });
}

// Components: "/" at the front is the root, "." and ".." themselves; a
// component too long for one entry goes on in the next with its continue flag.
void AppendSL(std::string& out, std::string_view target) {
    constexpr size_t kRoom = kMaxEntry - 5;
    std::string records;  // the current entry's component records
    std::vector<std::string> entries;
    const auto add = [&](uint8_t flags, std::string_view content) {
        if (records.size() + 2 + content.size() > kRoom) entries.push_back(std::exchange(records, {}));
        records += static_cast<char>(flags);
        records += static_cast<char>(content.size());
        records.append(content);
    };
    if (!target.empty() && target.front() == '/') add(0x08, {});
    while (!target.empty()) {
        const size_t slash = target.find('/');
        const std::string_view part = target.substr(0, slash);
        target = slash == std::string_view::npos ? std::string_view{} : target.substr(slash + 1);
        if (part.empty()) continue;
        if (part == ".") add(0x02, {});
        else if (part == "..") add(0x04, {});
        else InPieces(part, kRoom - 2, [&](std::string_view piece, bool more) { add(more ? 1 : 0, piece); });
    }
    entries.push_back(std::move(records));
    for (size_t i = 0; i < entries.size(); ++i) {
        Header(out, "SL", 5 + entries[i].size());
        out += static_cast<char>(i + 1 < entries.size() ? 1 : 0);
        out.append(entries[i]);
    }
}

void AppendRE(std::string& out) { Header(out, "RE", 4); }

void AppendCL(std::string& out, uint32_t childExtent) {
    Header(out, "CL", 12);
    Both32(out, childExtent);
}

void AppendPL(std::string& out, uint32_t parentExtent) {
    Header(out, "PL", 12);
    Both32(out, parentExtent);
}

// Built as the other entries are, then copied into the record.
void PutCE(uint8_t* at, uint32_t block, uint32_t offset, uint32_t length) {
    std::string ce;
    Header(ce, "CE", kContinuationEntry);
    Both32(ce, block);
    Both32(ce, offset);
    Both32(ce, length);
    std::copy(ce.begin(), ce.end(), at);
}

std::vector<size_t> SplitEntries(std::string_view entries, size_t room) {
    std::vector<size_t> pieces;
    while (entries.size() > room) {
        // As many whole entries as leave room for the CE.
        size_t taken = 0;
        while (taken < entries.size()) {
            const size_t length = static_cast<uint8_t>(entries[taken + 2]);
            if (taken + length + kContinuationEntry > room) break;
            taken += length;
        }
        pieces.push_back(taken);
        entries.remove_prefix(taken);
        room = kBlock;
    }
    pieces.push_back(entries.size());
    return pieces;
}

std::pair<uint32_t, uint32_t> ContinuationSpace::Take(size_t length) {
    if (used_ + length > kBlock) {
        ++block_;
        used_ = 0;
    }
    const std::pair<uint32_t, uint32_t> at{block_, static_cast<uint32_t>(used_)};
    used_ += length;
    return at;
}

}  // namespace kq::rr
