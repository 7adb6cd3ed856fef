#include "app/ResultFit.h"

namespace kq {

namespace {

using namespace resultline;

// The first size, from the line's own down to the form's, at which the
// text fits in width within the box and in at most maxLines lines.
std::optional<ResultFit> Largest(const std::string& text, const MeasureText& measure, TextWrap wrap, int left,
                                 int maxLines) {
    const int width = kRight - left;
    for (int size = kPixelSize; size >= kSmallestPixelSize; --size) {
        TextExtent line = measure(text, size, TextWrap::None, 0);
        TextExtent extent = wrap == TextWrap::None ? line : measure(text, size, wrap, width);
        const int lines = line.height > 0 ? (extent.height + line.height - 1) / line.height : 1;
        if (extent.width <= width && lines <= maxLines && kTop + extent.height <= kBottom)
            return ResultFit{size, wrap, {left, kTop, wrap == TextWrap::None ? extent.width : width, extent.height}};
    }
    return std::nullopt;
}

}  // namespace

ResultFit FitResultText(const std::string& text, const MeasureText& measure) {
    constexpr int kAnyLines = 1000;
    if (auto fit = Largest(text, measure, TextWrap::None, kLeft, 1)) return *fit;
    if (auto fit = Largest(text, measure, TextWrap::Words, kLeft, 2)) return *fit;
    // A long file name: the whole width of the window, broken at blanks,
    // then anywhere.
    if (auto fit = Largest(text, measure, TextWrap::Words, kWideLeft, kAnyLines)) return *fit;
    if (auto fit = Largest(text, measure, TextWrap::Anywhere, kWideLeft, kAnyLines)) return *fit;
    return {kSmallestPixelSize, TextWrap::Anywhere, {kWideLeft, kTop, kRight - kWideLeft, kBottom - kTop}, false};
}

}  // namespace kq
