#pragma once
// The image of a laid-out tree as one byte stream: the header, then each
// file's data from its extent, padded to whole sectors, in the tree's
// order. Serves an image file written instead of a disc, and checks.
#include "burner/MemoryStreamEx.h"
#include "burner/kqISOLib.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kq {

// Takes the next bytes of the image; false stops the writing.
using ImageSink = std::function<bool(const uint8_t* data, size_t size)>;

// Empty on success; otherwise why it stopped: the file that cannot be
// opened or no longer has the size it was added with, or "" replaced by
// sinkError when the sink refused.
std::string WriteImage(TMemoryStreamEx& header, const TImageTree& tree, const ImageSink& sink,
                       const std::string& sinkError);

}  // namespace kq
