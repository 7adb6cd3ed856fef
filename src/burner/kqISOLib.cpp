#include "burner/kqISOLib.h"

#include "drive/DriveMessages.h"
#include "drive/TSCSIDevice.h"

#include <algorithm>

namespace kq {

bool TImageTree::ResetTree(int FileCapacity, int DirCapacity) {
    rootDir_ = nullptr;
    dirEntries_.clear();
    fileEntries_.clear();
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

TDEntry* TImageTree::NewDirectory() {
    if (DirCount() >= dirCapacity_) {
        if (device_) {
            const std::string capacity = std::to_string(dirCapacity_);
            device_->SendDebugMessage(">>> " + FormatDriveMessage(Msg::MaximumDirectories, {capacity}), 3);
        }
        return nullptr;
    }
    dirEntries_.push_back(std::make_unique<TDEntry>());
    return dirEntries_.back().get();
}

TFEntry* TImageTree::NewFile() {
    if (FileCount() >= fileCapacity_) return nullptr;
    fileEntries_.push_back(std::make_unique<TFEntry>());
    return fileEntries_.back().get();
}

}  // namespace kq
