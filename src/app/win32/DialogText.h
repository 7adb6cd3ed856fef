#pragma once
// Text in and out of the dialog's controls: UTF-8 inside the program,
// UTF-16 at the system's wide calls, so names outside the ANSI code page
// show and come back whole.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace dialogtext {

std::wstring Wide(const std::string& text);
std::string TextOf(HWND window);
void SetText(HWND window, const std::string& text);

// A child control of parent, numbered id, in font.
HWND MakeChild(HWND parent, const wchar_t* kind, DWORD style, const std::string& text, int id, HFONT font);

// The system's file dialogs; empty when the user cancels. The current
// folder stays where it was: a relative image folder is read from it.
std::vector<std::string> OpenFiles(HWND owner, const wchar_t* filter, const wchar_t* title, bool many);
std::string SaveFile(HWND owner, const wchar_t* filter, const wchar_t* extension, const wchar_t* title);
std::string PickFolder(HWND owner, const wchar_t* title);
// What an open dialog hands back: one name is a whole path; several
// come as their folder, then each name, every one ended by a zero.
std::vector<std::string> PathsOfNames(const std::wstring& names);

// The paths of a drop from the file manager; the drop is released.
std::vector<std::string> DroppedPaths(HDROP drop);

}  // namespace dialogtext
