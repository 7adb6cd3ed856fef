#pragma once
// Where the window looks for images, and what it finds there.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kq {

// The folder of the running program, with its trailing "/".
std::string ProgramFolder();

// The folder to list: the optional first argument when given (a trailing
// "/" added), else the program's own folder.
std::string ImageFolderFromArguments(int argc, const char* const* argv);

// What the window opens on: a folder (with its trailing "/") and the
// image to select there (empty: the first listed).
struct ImageChoice {
    std::string folder;
    std::string image;
};

// From the optional first argument: an existing file opens its folder
// with that file selected (as a file manager's "Open with" passes it); a
// folder, or anything else, keeps ImageFolderFromArguments' meaning.
ImageChoice ImageChoiceFromArguments(int argc, const char* const* argv);

// Names (no folder) of the entries matching "*.iso" in the order the file
// system returns them. Directories match too, as the wildcard does; the
// extension is compared without regard to case, as on the system the
// window was designed for. Empty when the folder cannot be read.
std::vector<std::string> ListImageFiles(const std::string& folder);

// True when a regular file exists at the path (not a folder, nor a FIFO
// that would keep the window waiting for a writer).
bool ImageFileExists(const std::string& path);

// The sectors the image file fills (the last one partly); nothing when it
// cannot be opened.
std::optional<int64_t> ImageFileSectors(const std::string& path);

}  // namespace kq
