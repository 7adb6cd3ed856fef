#pragma once
// What a folder holds and what each entry is, without following symbolic
// links: the facts a file system image keeps of every file (kind, size,
// time, owner, permissions, link target) and the identity that tells hard
// links to one file apart from copies.
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace platform {

enum class EntryKind { File, Directory, SymbolicLink, Special };

struct EntryFacts {
    EntryKind kind = EntryKind::Special;
    int64_t size = 0;
    int64_t modified = 0;  // seconds since 1970, UTC
    // Nanoseconds since 1970 of the last write and the last change; 0 where unknown.
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    uint32_t mode = 0;     // POSIX permission and type bits
    uint32_t owner = 0;
    uint32_t group = 0;
    uint32_t links = 1;
    // Together name one file: equal for hard links, 0 where the system has none.
    uint64_t device = 0;
    uint64_t inode = 0;
};

// The entry at path itself (a link is described, not followed); false with
// the system's reason.
[[nodiscard]] bool DescribeEntry(const std::string& path, EntryFacts& facts, std::error_code& error);

// The names in a folder, "." and ".." left out, in the system's order.
[[nodiscard]] bool ListFolder(const std::string& path, std::vector<std::string>& names, std::error_code& error);

// The text a symbolic link holds.
[[nodiscard]] bool ReadLinkTarget(const std::string& path, std::string& target, std::error_code& error);

// Whether the file can be opened for reading now.
[[nodiscard]] bool CanReadFile(const std::string& path, std::error_code& error);

// The separator this system writes between a folder and a name ("/";
// "\" on Windows), and whether c ends a folder as one ("/", and on
// Windows "\" too).
char FolderSeparator();
bool IsFolderSeparator(char c);

// Joins a folder and a name, with the system's separator unless the
// folder already ends with one.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace platform
