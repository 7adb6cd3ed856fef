#include "burner/kqISOLib.h"

#include "drive/DriveMessages.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>

namespace kq {

bool TImageTree::ResetTree(int FileCapacity, int DirCapacity) {
    if (Locked && Locked()) {
        if (device_) device_->SendDebugMessage(">>> " + DriveMessage(Msg::TreeInUse), 3);
        return false;
    }
    ++revision_;
    rootDir_ = nullptr;
    dirEntries_.clear();
    fileEntries_.clear();
    trailer_.reset();
    if (OnReset) OnReset();
    fileCapacity_ = std::max(FileCapacity, 0);
    dirCapacity_ = std::max(DirCapacity, 0);
    dirEntries_.reserve(std::min(dirCapacity_, 64));

    TDEntry* root = NewDirectory();
    if (!root) return false;
    root->ShortName = "CD_ROOT";
    root->LongName = "CD Root Directory";
    root->Path = "\\";
    root->Level = 1;
    root->Parent = root;
    rootDir_ = root;
    return true;
}

namespace {

// A new entry at the end of `entries`, or null with the table's message
// once it holds `capacity` entries.
template <class Entry>
Entry* Append(std::vector<std::unique_ptr<Entry>>& entries, int capacity, Msg full, TSCSIDevice* device) {
    if (static_cast<int>(entries.size()) >= capacity) {
        if (device) device->SendDebugMessage(">>> " + FormatDriveMessage(full, {std::to_string(capacity)}), 3);
        return nullptr;
    }
    entries.push_back(std::make_unique<Entry>());
    return entries.back().get();
}

}  // namespace

TDEntry* TImageTree::NewDirectory() {
    if (Locked && Locked()) return nullptr;
    ++revision_;
    return Append(dirEntries_, dirCapacity_, Msg::MaximumDirectories, device_);
}

TFEntry* TImageTree::NewFile() {
    if (Locked && Locked()) return nullptr;
    ++revision_;
    return Append(fileEntries_, fileCapacity_, Msg::MaximumFiles, device_);
}

void TImageTree::OrderFiles(const std::vector<TFEntry*>& order) {
    std::vector<std::unique_ptr<TFEntry>> owned(fileEntries_.size());
    for (auto& entry : fileEntries_) entry.release();
    for (size_t i = 0; i < order.size() && i < owned.size(); ++i) owned[i].reset(order[i]);
    fileEntries_ = std::move(owned);
}

std::string DiscPath(const TDEntry* dir, const TDEntry* root) {
    std::string path;
    for (; dir && dir != root && dir->Parent != dir; dir = dir->Parent) path = "/" + dir->LongName + path;
    return path.empty() ? "/" : path;
}

}  // namespace kq
