#pragma once
// Fills the image tree from local folders and files: a folder's contents
// under a folder of the disc, or one entry at a path of the disc (a graft
// point). Links are kept as links, hard links keep their identity, special
// files are left out and named, unreadable entries are listed.
#include "burner/kqISOLib.h"

#include <functional>
#include <string>
#include <vector>

namespace kq {

struct TAddReport {
    std::vector<std::string> Skipped;     // sockets, FIFOs, devices: not on the disc
    std::vector<std::string> Unreadable;  // "path: reason"; files and folders left out
    std::string Error;                    // why adding stopped (a full tree, a name taken)
};

// The host's say over each entry before it is added: it may rename it,
// change its time, or skip it (return false).
struct AddHooks {
    std::function<bool(const std::string& localPath, TFEntry& entry)> file;
    std::function<bool(TDEntry& entry)> dir;
    bool replaceFile = false;  // a graft onto a file's name replaces that file
};

class TreeBuilder {
public:
    TreeBuilder(TImageTree& tree, AddHooks hooks) : tree_(tree), hooks_(std::move(hooks)) {}

    // The contents of localPath (recursively) under discPath ("" or "/":
    // the root). False with report.Error when the tree is full or discPath
    // is not one (see IsDiscPath). Folders the disc path makes are dated
    // with the volume (kVolumeTime); the last takes localPath's date.
    [[nodiscard]] bool AddFolder(const std::string& discPath, const std::string& localPath, TAddReport& report);
    // localPath (file, link or folder) as discPath; a folder merges with
    // one of the same name there.
    [[nodiscard]] bool AddPath(const std::string& discPath, const std::string& localPath, TAddReport& report);

private:
    TDEntry* DiscFolder(const std::string& discPath, TAddReport& report);
    TDEntry* FindFolder(const TDEntry* parent, const std::string& name) const;
    TFEntry* FindFile(const TDEntry* parent, const std::string& name) const;
    [[nodiscard]] bool AddEntry(TDEntry* parent, const std::string& name, const std::string& local, bool merge, TAddReport& report);
    [[nodiscard]] bool AddContents(TDEntry* dir, const std::string& local, std::vector<std::string> names, bool merge,
                                   TAddReport& report);
    // The names in a local folder; false with the folder listed as unreadable.
    [[nodiscard]] bool Listed(const std::string& local, std::vector<std::string>& names, TAddReport& report);
    bool Refuse(const std::string& discPath, TAddReport& report);
    TDEntry* NewFolder(TDEntry* parent, const std::string& name, TAddReport& report);

    TImageTree& tree_;
    AddHooks hooks_;
};

// Whether every name of a disc path is a name: none empty, "." or ".."
// (which would lead a reader out of the disc or round in circles). A
// leading "/" stands for the root; "" and "/" are the root itself.
[[nodiscard]] bool IsDiscPath(const std::string& path);

// Splits "on/disc/path=local/path"; a "\=" stays an "=" of the disc path.
// False when there is no unescaped "=".
[[nodiscard]] bool SplitGraftPoint(const std::string& spec, std::string& discPath, std::string& localPath);

}  // namespace kq
