#include "platform/DirectoryWalk.h"

namespace platform {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return IsFolderSeparator(folder.back()) ? folder + name : folder + FolderSeparator() + name;
}

}  // namespace platform
