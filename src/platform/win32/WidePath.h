#pragma once
// Paths are UTF-8 inside the program and UTF-16 at the system's wide
// calls, so a name outside the ANSI code page survives a walk of a folder.
#include <string>

namespace platform {

// The path for a wide call: read as UTF-8, or, when it is not valid UTF-8
// (a name from an ANSI call), in the ANSI code page.
std::wstring WidePath(const std::string& path);

// A name the system gave in UTF-16, as UTF-8.
std::string Utf8Of(const wchar_t* name);

}  // namespace platform
