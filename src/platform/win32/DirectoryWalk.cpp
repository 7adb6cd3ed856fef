#include "platform/DirectoryWalk.h"

#include "platform/win32/WidePath.h"
#include "platform/win32/Win32Error.h"

#include <windows.h>

namespace platform {

namespace {

// 100 ns ticks since 1601 to seconds since 1970.
int64_t UnixSeconds(const FILETIME& time) {
    const uint64_t ticks = (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

}  // namespace

char FolderSeparator() { return '\\'; }
bool IsFolderSeparator(char c) { return c == '\\' || c == '/'; }

// Windows keeps no POSIX owner or mode: files read as 0644, folders as
// 0755, read-only ones without the write bits; reparse points (links and
// junctions) are left out as special entries. Paths and names are UTF-8,
// read and given through the wide calls (see WidePath.h).
bool DescribeEntry(const std::string& path, EntryFacts& facts, std::error_code& error) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
        error = Win32Error();
        return false;
    }
    const DWORD attributes = data.dwFileAttributes;
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts = EntryFacts{};
    facts.kind = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? EntryKind::Special
                 : folder                                   ? EntryKind::Directory
                                                            : EntryKind::File;
    facts.size = folder ? 0 : static_cast<int64_t>((uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
    facts.modified = UnixSeconds(data.ftLastWriteTime);
    facts.mode = folder ? 040755 : 0100644;
    if (attributes & FILE_ATTRIBUTE_READONLY) facts.mode &= ~0222u;
    return true;
}

bool ListFolder(const std::string& path, std::vector<std::string>& names, std::error_code& error) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(WidePath(JoinPath(path, "*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        error = Win32Error();
        return false;
    }
    names.clear();
    do {
        const std::string name = Utf8Of(found.cFileName);
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    const DWORD why = GetLastError();
    FindClose(search);
    if (why != ERROR_NO_MORE_FILES) {
        error = Win32Error(why);
        return false;
    }
    return true;
}

bool ReadLinkTarget(const std::string&, std::string&, std::error_code& error) {
    error = std::make_error_code(std::errc::operation_not_supported);
    return false;
}

bool CanReadFile(const std::string& path, std::error_code& error) {
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = Win32Error();
        return false;
    }
    CloseHandle(file);
    return true;
}

}  // namespace platform
