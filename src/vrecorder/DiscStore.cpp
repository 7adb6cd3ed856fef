#include "vrecorder/DiscStore.h"

#include "platform/FileClaim.h"
#include "platform/Process.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <system_error>

namespace vrec {

DiscStore::DiscStore(std::string backingPath) : path_(std::move(backingPath)) {}

bool DiscStore::Open() {
    if (file_.is_open()) return true;
    if (!std::filesystem::exists(path_)) std::ofstream(path_, std::ios::binary);
    file_.open(path_, std::ios::binary | std::ios::in | std::ios::out);
    return file_.is_open();
}

bool DiscStore::Write(uint32_t lba, std::span<const uint8_t> blocks) {
    if (path_.empty()) {
        for (size_t at = 0; at < blocks.size(); at += kBlockSize) {
            auto block = blocks.subspan(at, std::min<size_t>(kBlockSize, blocks.size() - at));
            memory_[lba + static_cast<uint32_t>(at / kBlockSize)].assign(block.begin(), block.end());
        }
        return true;
    }
    if (!Open()) return false;
    file_.clear();
    file_.seekp(static_cast<std::streamoff>(lba) * kBlockSize);
    file_.write(reinterpret_cast<const char*>(blocks.data()), static_cast<std::streamsize>(blocks.size()));
    file_.flush();
    if (file_.good()) return true;
    // The stream keeps no reason; the C library's last error is the write's.
    ReportFailure(std::error_code(errno, std::generic_category()));
    return false;
}

bool DiscStore::Read(uint32_t lba, std::span<uint8_t> blocks) {
    if (path_.empty()) {
        std::fill(blocks.begin(), blocks.end(), uint8_t{0});
        for (size_t at = 0; at < blocks.size(); at += kBlockSize) {
            auto it = memory_.find(lba + static_cast<uint32_t>(at / kBlockSize));
            if (it == memory_.end()) continue;
            std::copy_n(it->second.begin(), std::min(it->second.size(), blocks.size() - at), blocks.begin() + at);
        }
        return true;
    }
    if (!Open()) return false;
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(lba) * kBlockSize);
    file_.read(reinterpret_cast<char*>(blocks.data()), static_cast<std::streamsize>(blocks.size()));
    // A short read past the end is zeros; only what did not arrive is
    // cleared, so a long read passes over the bytes once.
    const auto got = std::clamp<std::streamsize>(file_.gcount(), 0, static_cast<std::streamsize>(blocks.size()));
    std::fill(blocks.begin() + got, blocks.end(), uint8_t{0});
    bool ok = !file_.bad();
    file_.clear();
    return ok;
}

void DiscStore::Truncate(uint32_t blocks) {
    if (path_.empty()) {
        memory_.erase(memory_.lower_bound(blocks), memory_.end());
        return;
    }
    file_.close();
    std::error_code ec;
    if (std::filesystem::exists(path_, ec) &&
        std::filesystem::file_size(path_, ec) > uint64_t{blocks} * kBlockSize)
        std::filesystem::resize_file(path_, uint64_t{blocks} * kBlockSize, ec);
}

uint64_t DiscStore::BackedBlocks() const {
    std::error_code ec;
    auto size = std::filesystem::file_size(path_, ec);
    return ec ? 0 : size / kBlockSize;  // a block cut short by a crash did not arrive
}

std::optional<DiscStore::Stamp> DiscStore::StateStamp() const {
    std::error_code ec;
    Stamp stamp{std::filesystem::last_write_time(StatePath(), ec), 0};
    if (!ec) stamp.size = std::filesystem::file_size(StatePath(), ec);
    return ec ? std::nullopt : std::optional(stamp);
}

bool DiscStore::StateChanged() const { return !path_.empty() && StateStamp() != stamp_; }

SavedState DiscStore::LoadState() const {
    SavedState saved;
    if (path_.empty()) return saved;
    stamp_ = StateStamp();
    std::error_code ec;
    if (!std::filesystem::exists(StatePath(), ec)) return saved;
    auto size = std::filesystem::file_size(StatePath(), ec);
    std::ifstream in(StatePath());
    if (ec || !in) {
        saved.damage = StatePath() + ":0: cannot be read";
        return saved;
    }
    if (size > 64 * 1024) {  // 99 tracks take a few kilobytes
        saved.damage = StatePath() + ":0: too large for a state file";
        return saved;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string why;
    saved.disc = Disc::Parse(text.str(), &why);
    if (!saved.disc) {
        saved.damage = StatePath() + ":" + why;
        return saved;
    }
    saved.disc->RecoverOpenTrack(BackedBlocks());
    known_ = saved.disc->Serialize();
    return saved;
}

void DiscStore::SetBaseline(const Disc& disc) const {
    if (!path_.empty()) known_ = disc.Serialize();
}

namespace {

// The whole text in a new file, on the storage; the system's reason if not.
std::error_code WriteWholeFile(const std::string& path, const std::string& text) {
    std::error_code why;
    platform::FileHandle file(platform::FileOpen(path, platform::FileAccess::Write, true, platform::FileLock::None, why));
    if (!file.IsOpen()) return why;
    if ((why = platform::FileWriteAll(file.Get(), text.data(), text.size()))) return why;
    return platform::FileSync(file.Get());
}

}  // namespace

// Written beside, flushed and checked, and only then renamed over: a crash
// or a full file system leaves the last whole state, never an empty one.
bool DiscStore::SaveState(const Disc& disc) const {
    if (path_.empty()) return true;
    std::string state = disc.Serialize();
    if (known_ == state) return true;
    std::string temp = StatePath() + ".tmp." + std::to_string(platform::CurrentProcessId());
    std::error_code why = WriteWholeFile(temp, state);
    if (!why) std::filesystem::rename(temp, StatePath(), why);
    if (why) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        ReportFailure(why);
        return false;
    }
    known_ = state;
    stamp_ = StateStamp();
    return true;
}

// The drive itself can only answer MEDIUM ERROR; the person running the
// test device is told the real cause, once, not at every command.
void DiscStore::ReportFailure(const std::error_code& why) const {
    if (reported_.exchange(true)) return;
    std::fprintf(stderr, "%s: %s\n", path_.c_str(), why.message().c_str());
    std::fflush(stderr);
}

namespace {
// The claims this process holds, by backing file, so that its recorder
// objects on one disc share one claim instead of refusing each other.
struct ClaimRegistry {
    std::mutex lock;
    std::map<std::string, std::weak_ptr<platform::FileHandle>> held;
};
ClaimRegistry& Claims() {
    static ClaimRegistry registry;
    return registry;
}
}  // namespace

bool DiscStore::Claim() {
    if (Claimed()) return true;
    std::error_code ec;
    std::string key = std::filesystem::weakly_canonical(path_, ec).string();
    if (ec) key = path_;
    ClaimRegistry& claims = Claims();
    std::lock_guard guard(claims.lock);
    if ((claim_ = claims.held[key].lock())) return true;
    if (!std::filesystem::exists(path_, ec)) std::ofstream(path_, std::ios::binary);
    platform::FileHandle handle = platform::ClaimFile(path_, ec);
    if (ec == std::errc::device_or_resource_busy) return false;
    claim_ = std::make_shared<platform::FileHandle>(std::move(handle));
    claims.held[key] = claim_;
    return true;
}

}  // namespace vrec
