#include "platform/DirectoryWalk.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace platform {

namespace {

EntryKind KindOf(mode_t mode) {
    if (S_ISREG(mode)) return EntryKind::File;
    if (S_ISDIR(mode)) return EntryKind::Directory;
    if (S_ISLNK(mode)) return EntryKind::SymbolicLink;
    return EntryKind::Special;
}

std::error_code LastError() { return std::error_code(errno, std::system_category()); }

}  // namespace

char FolderSeparator() { return '/'; }
bool IsFolderSeparator(char c) { return c == '/'; }

bool DescribeEntry(const std::string& path, EntryFacts& facts, std::error_code& error) {
    struct stat st{};
    if (lstat(path.c_str(), &st) != 0) {
        error = LastError();
        return false;
    }
    facts.kind = KindOf(st.st_mode);
    facts.size = facts.kind == EntryKind::File ? static_cast<int64_t>(st.st_size) : 0;
    facts.modified = static_cast<int64_t>(st.st_mtime);
    facts.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    facts.changedNs = static_cast<int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
    facts.mode = static_cast<uint32_t>(st.st_mode);
    facts.owner = st.st_uid;
    facts.group = st.st_gid;
    facts.links = static_cast<uint32_t>(st.st_nlink);
    facts.device = static_cast<uint64_t>(st.st_dev);
    facts.inode = static_cast<uint64_t>(st.st_ino);
    return true;
}

bool ListFolder(const std::string& path, std::vector<std::string>& names, std::error_code& error) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(path.c_str()), closedir);
    if (!dir) {
        error = LastError();
        return false;
    }
    names.clear();
    errno = 0;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
        errno = 0;
    }
    if (errno != 0) {
        error = LastError();
        return false;
    }
    return true;
}

bool ReadLinkTarget(const std::string& path, std::string& target, std::error_code& error) {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0) {
            error = LastError();
            return false;
        }
        if (static_cast<size_t>(n) < buffer.size()) {
            target.assign(buffer.data(), static_cast<size_t>(n));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool CanReadFile(const std::string& path, std::error_code& error) {
    // Opening tells what access() cannot: a lock or a file system's refusal.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        error = LastError();
        return false;
    }
    close(fd);
    return true;
}

}  // namespace platform
