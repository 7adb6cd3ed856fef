#pragma once
// Where the disc lives between runs: the user data in the backing file
// (block n at byte n * 2048) and the recording state in "<backing>.state".
// With no backing path the data stays in memory.
#include "vrecorder/Disc.h"

#include "drive/MediaTypes.h"

#include "platform/FileHandle.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace vrec {

inline constexpr uint32_t kBlockSize = kq::kSectorSize;

// What a state file held: nothing (no file), a disc, or text that does not
// parse, with "file:line: what" to report.
struct SavedState {
    std::optional<Disc> disc;
    std::string damage;
    bool Damaged() const { return !damage.empty(); }
};

class DiscStore {
public:
    explicit DiscStore(std::string backingPath);

    std::string StatePath() const { return path_.empty() ? std::string() : path_ + ".state"; }

    // False when the backing file cannot be opened or written.
    bool Write(uint32_t lba, std::span<const uint8_t> blocks);
    // Blocks never written read as zeros. False on an I/O failure.
    bool Read(uint32_t lba, std::span<uint8_t> blocks);
    // Drops everything from block `blocks` on. Called only when a blank
    // disc is started (its first track, or blanking): nothing else ever
    // shortens the backing file, so a disc is never lost by reading it.
    void Truncate(uint32_t blocks);

    // The saved disc, with an open track brought up to what reached the
    // backing file (its writer may have died mid-track). Reads only.
    SavedState LoadState() const;
    // Whether the state file changed since this store last loaded or
    // saved it (another process saved its disc). One stat.
    bool StateChanged() const;
    // Takes `disc` as what is saved, without writing: a disc that is only
    // looked at leaves its files as they are.
    void SetBaseline(const Disc& disc) const;
    // Writes the state only when it differs from what this store last
    // loaded, saved or took as baseline: several processes may hold the
    // same recorder, and one that never changed the disc must not put back
    // an old state. False when the file system refuses it (full, read
    // only): the last whole state stays, and the reason is printed once.
    bool SaveState(const Disc& disc) const;

    // One writer per disc: true when this process holds the backing file's
    // claim (taken now if free; held until the store goes), false while
    // another process holds it. Stores of one process on the same backing
    // share the claim. Without a backing file, or where the claim cannot
    // be taken for other reasons, there is nothing to contend for: true.
    bool Claim();
    bool Claimed() const { return path_.empty() || claim_ != nullptr; }

private:
    bool Open();
    uint64_t BackedBlocks() const;
    // "<backing>: <the system's reason>" on standard error, the first time only.
    void ReportFailure(const std::error_code& why) const;

    std::string path_;
    std::fstream file_;
    std::map<uint32_t, std::vector<uint8_t>> memory_;
    mutable std::optional<std::string> known_;  // the state as last loaded or saved
    struct Stamp {
        std::filesystem::file_time_type time{};
        uintmax_t size = 0;
        bool operator==(const Stamp&) const = default;
    };
    std::optional<Stamp> StateStamp() const;
    mutable std::optional<Stamp> stamp_;  // of the state file as last loaded or saved
    std::shared_ptr<platform::FileHandle> claim_;
    mutable std::atomic<bool> reported_{false};
};

}  // namespace vrec
