#include "vrecorder/DiscStore.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
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
    return file_.good();
}

bool DiscStore::Read(uint32_t lba, std::span<uint8_t> blocks) {
    std::fill(blocks.begin(), blocks.end(), uint8_t{0});
    if (path_.empty()) {
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
    bool ok = !file_.bad();  // a short read past the end is zeros
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

std::optional<Disc> DiscStore::LoadState() const {
    if (path_.empty()) return std::nullopt;
    std::error_code ec;
    auto size = std::filesystem::file_size(StatePath(), ec);
    if (ec || size > 64 * 1024) return std::nullopt;  // 99 tracks take a few kilobytes
    std::ifstream in(StatePath());
    std::ostringstream text;
    text << in.rdbuf();
    auto disc = Disc::Parse(text.str());
    if (disc) known_ = disc->Serialize();
    return disc;
}

// Written beside and renamed over, so a crash never leaves half a file.
bool DiscStore::SaveState(const Disc& disc) const {
    if (path_.empty()) return true;
    std::string state = disc.Serialize();
    if (known_ == state) return true;
    std::string temp = StatePath() + ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::trunc);
        out << state;
        if (!out.good()) return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, StatePath(), ec);
    if (!ec) known_ = state;
    return !ec;
}

}  // namespace vrec
