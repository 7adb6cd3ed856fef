#include "app/ImageFolder.h"

#include "drive/MediaTypes.h"
#include "platform/FileHandle.h"
#include "platform/Process.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace kq {

namespace {

std::string WithDelimiter(std::string folder) {
    if (!folder.empty() && folder.back() == '/') return folder;
#ifdef _WIN32
    if (!folder.empty() && folder.back() == '\\') return folder;  // either delimiter counts there
#endif
    folder += '/';
    return folder;
}

bool HasIsoExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".iso";
}

}  // namespace

std::string ProgramFolder() {
    std::string self = platform::SelfExecutable();
    if (self.empty()) return "./";
    return WithDelimiter(fs::path(self).parent_path().string());
}

std::string ImageFolderFromArguments(int argc, const char* const* argv) {
    if (argc > 1 && argv[1] && argv[1][0] != '\0') return WithDelimiter(argv[1]);
    return ProgramFolder();
}

ImageChoice ImageChoiceFromArguments(int argc, const char* const* argv) {
    if (argc > 1 && argv[1] && ImageFileExists(argv[1])) {
        fs::path file(argv[1]);
        std::string folder = file.parent_path().string();
        return {WithDelimiter(folder.empty() ? "." : folder), file.filename().string()};
    }
    return {ImageFolderFromArguments(argc, argv), {}};
}

std::vector<std::string> ListImageFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(folder.empty() ? "." : folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::string name = it->path().filename().string();
        if (HasIsoExtension(name)) names.push_back(name);
    }
    return names;
}

bool ImageFileExists(const std::string& path) {
    return platform::FileKindAt(path) == platform::FileKind::Regular;
}

std::optional<int64_t> ImageFileSectors(const std::string& path) {
    std::error_code error;
    using platform::FileAccess, platform::FileLock;
    platform::FileHandle file(platform::FileOpen(path, FileAccess::Read, false, FileLock::None, error));
    if (!file.IsOpen()) return std::nullopt;
    const int64_t bytes = platform::FileSize(file.Get());
    if (bytes < 0) return std::nullopt;
    return (bytes + kSectorSize - 1) / kSectorSize;
}

}  // namespace kq
