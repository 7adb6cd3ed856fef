#pragma once
// Where the result line (Label4) goes when its text would run past the
// window: smaller, then on two lines, then across the window's width.
// Text that fits keeps the line's own font and place. Toolkit-free: each
// window measures text its own way.
#include <functional>
#include <optional>
#include <string>

namespace kq {

enum class TextWrap { None, Words, Anywhere };

struct TextBox {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const TextBox&, const TextBox&) = default;
};

struct ResultFit {
    int pixelSize = 0;
    TextWrap wrap = TextWrap::None;
    TextBox box;
    bool whole = true;  // false: not even the last resort holds all of it
};

struct TextExtent {
    int width = 0, height = 0;
};

// The extent of text in the result line's bold font at pixelSize; with a
// wrap, broken into lines no wider than wrapWidth where the toolkit can.
using MeasureText = std::function<TextExtent(const std::string& text, int pixelSize, TextWrap wrap, int wrapWidth)>;

namespace resultline {
inline constexpr int kLeft = 114;
inline constexpr int kTop = 99;
inline constexpr int kPixelSize = 21;
inline constexpr int kSmallestPixelSize = 12;  // the form's font
inline constexpr int kRight = 317;             // the credit line's right edge
inline constexpr int kBottom = 158;            // above the button below it
inline constexpr int kWideLeft = 10;
}  // namespace resultline

// The largest size, down to the form font's, and the fewest lines that
// show the whole text between the line's place and the window's edge.
ResultFit FitResultText(const std::string& text, const MeasureText& measure);

}  // namespace kq
