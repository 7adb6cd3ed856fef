#include "burner/kqISOLib.h"

#include "drive/TSCSIDevice.h"

#include <algorithm>

namespace kq {

const char* const kMaxDirectoriesText = "MAXIMUM DIRECTORIES CAN BE %d";

namespace {

std::string WithNumber(std::string text, int number) {
    size_t at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(number));
    return text;
}

}  // namespace

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
        if (device_) device_->SendDebugMessage(">>> " + WithNumber(kMaxDirectoriesText, dirCapacity_), 3);
        return nullptr;
    }
    dirEntries_.push_back(std::make_unique<TDEntry>());
    return dirEntries_.back().get();
}

}  // namespace kq
