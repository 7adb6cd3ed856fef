#pragma once
// An earlier session's files carried into the tree of the next one: they
// keep their extents (their data stays where it is on the disc), and what
// the new tree names itself wins.
#include "burner/IsoReader.h"
#include "burner/kqISOLib.h"

#include <string>
#include <vector>

namespace kq {

// Adds to `tree` every entry of `old` that the tree does not name: an old
// file or folder whose path the tree holds is replaced by the tree's, a
// folder in both takes the old folder's other entries, and the paths in
// `removed` ("/a/b") are left out with all they hold. An error when a
// removed path is not in `old` or an old file cannot be listed again (the
// tree is then untouched), or when the tree is full (it then holds part
// of the old entries and is to be dropped).
std::string ImportSession(TImageTree& tree, const iso::DiscTree& old, const std::vector<std::string>& removed);

}  // namespace kq
