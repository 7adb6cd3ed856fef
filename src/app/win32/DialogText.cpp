#include "app/win32/DialogText.h"

#include "platform/win32/WidePath.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

namespace dialogtext {

namespace {

// Room for many names from one multi-select open dialog.
constexpr size_t kNamesRoom = 32768;

OPENFILENAMEW FileDialog(HWND owner, const wchar_t* filter, const wchar_t* title, std::wstring& names) {
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = names.data();
    dialog.nMaxFile = static_cast<DWORD>(names.size());
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    return dialog;
}

}  // namespace

std::vector<std::string> PathsOfNames(const std::wstring& names) {
    std::vector<std::wstring> parts;
    for (size_t at = 0; at < names.size() && names[at] != L'\0';) {
        size_t end = names.find(L'\0', at);
        if (end == std::wstring::npos) end = names.size();
        parts.push_back(names.substr(at, end - at));
        at = end + 1;
    }
    std::vector<std::string> paths;
    if (parts.size() == 1) paths.push_back(platform::Utf8Of(parts[0].c_str()));
    for (size_t i = 1; i < parts.size(); ++i) {
        std::wstring folder = parts[0];
        if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
        paths.push_back(platform::Utf8Of((folder + parts[i]).c_str()));
    }
    return paths;
}

std::wstring Wide(const std::string& text) { return platform::WidePath(text); }

std::string TextOf(HWND window) {
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return platform::Utf8Of(text.c_str());
}

void SetText(HWND window, const std::string& text) { SetWindowTextW(window, Wide(text).c_str()); }

HWND MakeChild(HWND parent, const wchar_t* kind, DWORD style, const std::string& text, int id, HFONT font) {
    HWND child = CreateWindowExW(0, kind, Wide(text).c_str(), WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

std::vector<std::string> OpenFiles(HWND owner, const wchar_t* filter, const wchar_t* title, bool many) {
    std::wstring names(many ? kNamesRoom : MAX_PATH, L'\0');
    OPENFILENAMEW dialog = FileDialog(owner, filter, title, names);
    dialog.Flags |= OFN_FILEMUSTEXIST | (many ? OFN_ALLOWMULTISELECT : 0);
    if (!GetOpenFileNameW(&dialog)) return {};
    return PathsOfNames(names);
}

std::string SaveFile(HWND owner, const wchar_t* filter, const wchar_t* extension, const wchar_t* title) {
    std::wstring name(MAX_PATH, L'\0');
    OPENFILENAMEW dialog = FileDialog(owner, filter, title, name);
    dialog.lpstrDefExt = extension;
    dialog.Flags |= OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameW(&dialog)) return {};
    return platform::Utf8Of(name.c_str());
}

std::string PickFolder(HWND owner, const wchar_t* title) {
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (!chosen) return {};
    wchar_t path[MAX_PATH] = {};
    BOOL found = SHGetPathFromIDListW(chosen, path);
    ILFree(chosen);
    return found ? platform::Utf8Of(path) : std::string();
}

std::vector<std::string> DroppedPaths(HDROP drop) {
    std::vector<std::string> paths;
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(static_cast<size_t>(length) + 1, L'\0');
        if (DragQueryFileW(drop, i, path.data(), length + 1) == length) paths.push_back(platform::Utf8Of(path.c_str()));
    }
    DragFinish(drop);
    return paths;
}

}  // namespace dialogtext
