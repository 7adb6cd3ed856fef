#include "burner/TreeBuilder.h"

#include "drive/DriveMessages.h"
#include "platform/DirectoryWalk.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace kq {

namespace {

// The parts of a disc path, empty ones dropped.
std::vector<std::string> PathParts(const std::string& path) {
    std::vector<std::string> parts;
    size_t from = 0;
    while (from <= path.size()) {
        size_t slash = path.find_first_of("/\\", from);
        if (slash == std::string::npos) slash = path.size();
        if (slash > from) parts.push_back(path.substr(from, slash - from));
        from = slash + 1;
    }
    return parts;
}

std::string LocalName(const std::string& local) {
    const std::vector<std::string> parts = PathParts(local);
    return parts.empty() ? local : parts.back();
}

std::string Why(const std::string& path, const std::error_code& error) { return path + ": " + error.message(); }

}  // namespace

TDEntry* TreeBuilder::FindFolder(const TDEntry* parent, const std::string& name) const {
    for (const auto& d : tree_.DirEntries())
        if (d->Parent == parent && d.get() != parent && d->LongName == name) return d.get();
    return nullptr;
}

TFEntry* TreeBuilder::FindFile(const TDEntry* parent, const std::string& name) const {
    for (const auto& f : tree_.FileEntries())
        if ((f->Parent ? f->Parent : tree_.RootDir()) == parent && f->LongName == name) return f.get();
    return nullptr;
}

TDEntry* TreeBuilder::NewFolder(TDEntry* parent, const std::string& name, TAddReport& report) {
    TDEntry* dir = tree_.NewDirectory();
    if (!dir) {
        report.Error = FormatDriveMessage(Msg::MaximumDirectories, {std::to_string(tree_.DirCapacity())});
        return nullptr;
    }
    dir->LongName = name;
    dir->Parent = parent;
    dir->Level = static_cast<uint8_t>(std::min(parent->Level + 1, 255));
    dir->Path = parent->Path + name + "\\";
    dir->ModTime = kVolumeTime;  // made up until a source folder gives its own
    return dir;
}

// The folders of a disc path, made where missing.
TDEntry* TreeBuilder::DiscFolder(const std::string& discPath, TAddReport& report) {
    TDEntry* dir = tree_.RootDir();
    for (const std::string& part : PathParts(discPath)) {
        if (!dir) break;
        TDEntry* next = FindFolder(dir, part);
        dir = next ? next : NewFolder(dir, part, report);
    }
    return dir;
}

bool TreeBuilder::AddFolder(const std::string& discPath, const std::string& localPath, TAddReport& report) {
    if (!IsDiscPath(discPath)) return Refuse(discPath, report);
    TDEntry* dir = DiscFolder(discPath, report);
    if (!dir) return false;
    // The folder stands for the disc's folder: its time, owner and mode.
    platform::EntryFacts facts;
    std::error_code error;
    if (platform::DescribeEntry(localPath, facts, error) && facts.kind == platform::EntryKind::Directory) {
        dir->ModTime = facts.modified;
        dir->Mode = facts.mode;
        dir->Owner = facts.owner;
        dir->Group = facts.group;
    }
    std::vector<std::string> names;
    return !Listed(localPath, names, report) || AddContents(dir, localPath, std::move(names), true, report);
}

bool TreeBuilder::AddPath(const std::string& discPath, const std::string& localPath, TAddReport& report) {
    if (!IsDiscPath(discPath)) return Refuse(discPath, report);
    std::vector<std::string> parts = PathParts(discPath);
    const std::string name = parts.empty() ? LocalName(localPath) : parts.back();
    if (!parts.empty()) parts.pop_back();
    std::string parentPath;
    for (const std::string& part : parts) parentPath += "/" + part;
    TDEntry* parent = DiscFolder(parentPath, report);
    return parent && AddEntry(parent, name, localPath, true, report);
}

// merge: the parent existed before this walk, so a folder of the same
// name is looked for (a fresh parent holds nothing to merge with).
bool TreeBuilder::AddEntry(TDEntry* parent, const std::string& name, const std::string& local, bool merge,
                           TAddReport& report) {
    platform::EntryFacts facts;
    std::error_code error;
    if (!platform::DescribeEntry(local, facts, error)) {
        report.Unreadable.push_back(Why(local, error));
        return true;
    }
    if (facts.kind == platform::EntryKind::Special) {
        report.Skipped.push_back(local);
        return true;
    }
    if (facts.kind == platform::EntryKind::Directory) {
        TDEntry* existing = merge ? FindFolder(parent, name) : nullptr;
        TDEntry probe;
        probe.LongName = name;
        if (!existing && hooks_.dir && !hooks_.dir(probe)) return true;
        // An unreadable folder is left out, as an unreadable file is.
        std::vector<std::string> names;
        if (!Listed(local, names, report)) return true;
        TDEntry* dir = existing ? existing : NewFolder(parent, probe.LongName, report);
        if (!dir) return false;
        dir->ShortName = existing ? dir->ShortName : probe.ShortName;
        dir->ModTime = facts.modified;
        dir->Mode = facts.mode;
        dir->Owner = facts.owner;
        dir->Group = facts.group;
        return AddContents(dir, local, std::move(names), existing != nullptr, report);
    }
    TFEntry file;
    file.LongName = name;
    file.SourcePath = local;
    file.Size = facts.size;
    file.ModTime = facts.modified;
    file.Parent = parent;
    file.Mode = facts.mode;
    file.Owner = facts.owner;
    file.Group = facts.group;
    file.Device = facts.device;
    file.Inode = facts.inode;
    file.SourceModifiedNs = facts.modifiedNs;
    file.SourceChangedNs = facts.changedNs;
    if (facts.kind == platform::EntryKind::SymbolicLink) {
        if (!platform::ReadLinkTarget(local, file.LinkTarget, error)) {
            report.Unreadable.push_back(Why(local, error));
            return true;
        }
        file.Attributes = kAttrSymbolicLink | kAttrNoData;
        file.Size = 0;
    } else if (!platform::CanReadFile(local, error)) {
        report.Unreadable.push_back(Why(local, error));
        return true;
    }
    if (hooks_.file && !hooks_.file(local, file)) return true;
    TFEntry* slot = merge ? FindFile(parent, file.LongName) : nullptr;
    if (slot && !hooks_.replaceFile) {
        const std::string folder = DiscPath(parent);
        report.Error = FormatDriveMessage(Msg::DuplicateName, {(folder == "/" ? "" : folder) + "/" + file.LongName});
        return false;
    }
    if (!slot) slot = tree_.NewFile();
    if (!slot) {
        report.Error = FormatDriveMessage(Msg::MaximumFiles, {std::to_string(tree_.FileCapacity())});
        return false;
    }
    *slot = std::move(file);
    return true;
}

bool TreeBuilder::Listed(const std::string& local, std::vector<std::string>& names, TAddReport& report) {
    std::error_code error;
    if (platform::ListFolder(local, names, error)) return true;
    report.Unreadable.push_back(Why(local, error));
    return false;
}

bool TreeBuilder::Refuse(const std::string& discPath, TAddReport& report) {
    report.Error = FormatDriveMessage(Msg::BadDiscPath, {discPath});
    return false;
}

bool TreeBuilder::AddContents(TDEntry* dir, const std::string& local, std::vector<std::string> names, bool merge,
                              TAddReport& report) {
    std::sort(names.begin(), names.end());  // the same tree, the same image
    // Names already there, looked up once: a folder added onto a full one
    // stays linear.
    std::unordered_set<std::string> present;
    if (merge) {
        for (const auto& d : tree_.DirEntries())
            if (d->Parent == dir && d.get() != dir) present.insert(d->LongName);
        for (const auto& f : tree_.FileEntries())
            if ((f->Parent ? f->Parent : tree_.RootDir()) == dir) present.insert(f->LongName);
    }
    for (const std::string& name : names)
        if (!AddEntry(dir, name, platform::JoinPath(local, name), present.count(name) > 0, report)) return false;
    return true;
}

bool IsDiscPath(const std::string& path) {
    const size_t from = !path.empty() && (path[0] == '/' || path[0] == '\\') ? 1 : 0;
    if (from == path.size()) return true;  // the root
    for (size_t at = from; at <= path.size();) {
        size_t end = path.find_first_of("/\\", at);
        if (end == std::string::npos) end = path.size();
        const std::string_view part(path.data() + at, end - at);
        if (part.empty() || part == "." || part == "..") return false;
        at = end + 1;
    }
    return true;
}

bool SplitGraftPoint(const std::string& spec, std::string& discPath, std::string& localPath) {
    discPath.clear();
    for (size_t i = 0; i < spec.size(); ++i) {
        if (spec[i] == '\\' && i + 1 < spec.size() && spec[i + 1] == '=') {
            discPath += '=';
            ++i;
        } else if (spec[i] == '=') {
            localPath = spec.substr(i + 1);
            return true;
        } else {
            discPath += spec[i];
        }
    }
    return false;
}

}  // namespace kq
