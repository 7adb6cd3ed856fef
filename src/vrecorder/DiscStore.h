#pragma once
// Where the disc lives between runs: the user data in the backing file
// (block n at byte n * 2048) and the recording state in "<backing>.state".
// With no backing path the data stays in memory.
#include "vrecorder/Disc.h"

#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vrec {

inline constexpr uint32_t kBlockSize = 2048;

class DiscStore {
public:
    explicit DiscStore(std::string backingPath);

    const std::string& BackingPath() const { return path_; }
    std::string StatePath() const { return path_.empty() ? std::string() : path_ + ".state"; }

    // False when the backing file cannot be opened or written.
    bool Write(uint32_t lba, std::span<const uint8_t> blocks);
    // Blocks never written read as zeros. False on an I/O failure.
    bool Read(uint32_t lba, std::span<uint8_t> blocks);
    // Drops everything from block `blocks` on (a blank disc keeps nothing).
    void Truncate(uint32_t blocks);

    std::optional<Disc> LoadState() const;
    // Writes the state only when it differs from what this store last
    // loaded or saved: several processes may hold the same recorder, and
    // one that never changed the disc must not put back an old state.
    bool SaveState(const Disc& disc) const;

private:
    bool Open();

    std::string path_;
    std::fstream file_;
    std::map<uint32_t, std::vector<uint8_t>> memory_;
    mutable std::optional<std::string> known_;  // the state as last loaded or saved
};

}  // namespace vrec
