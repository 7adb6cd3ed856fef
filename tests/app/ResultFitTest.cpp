// The result line's fitting rule, with text measured as a fixed-pitch font
// would be: each character 0.6 of the pixel size wide.
#include "app/ResultFit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

using kq::TextWrap;

namespace {

int CharWidth(int size) { return size * 6 / 10; }
int LineHeight(int size) { return size + size / 5; }

// Greedy breaking: at blanks, or at any character; a word wider than the
// line overflows it, as the toolkits draw it.
kq::TextExtent Measure(const std::string& text, int size, TextWrap wrap, int wrapWidth) {
    const int perLine = std::max(1, wrapWidth / CharWidth(size));
    std::vector<size_t> lines;
    if (wrap == TextWrap::None) {
        lines.push_back(text.size());
    } else if (wrap == TextWrap::Anywhere) {
        for (size_t at = 0; at < text.size(); at += perLine) lines.push_back(std::min<size_t>(perLine, text.size() - at));
    } else {
        std::istringstream words(text);
        std::string word;
        size_t current = 0;
        while (words >> word) {
            if (current && current + 1 + word.size() > static_cast<size_t>(perLine)) {
                lines.push_back(current);
                current = word.size();
            } else {
                current += (current ? 1 : 0) + word.size();
            }
        }
        lines.push_back(current);
    }
    const size_t widest = *std::max_element(lines.begin(), lines.end());
    return {static_cast<int>(widest) * CharWidth(size), static_cast<int>(lines.size()) * LineHeight(size)};
}

TEST(ResultFit, EachTextGetsTheLargestSizeAndFewestLinesThatShowItWhole) {
    const std::string path = "/home/someone/Downloads/images/release-candidate-2026-12-08-amd64.iso";
    struct Row {
        std::string text;
        int size;
        TextWrap wrap;
        int left;
    } rows[] = {
        {"Success", 21, TextWrap::None, 114},                      // as laid out
        {"100%", 21, TextWrap::None, 114},
        {"WRITER ERROR ", 21, TextWrap::None, 114},
        {"OPERATION ABORTED BY USER", 14, TextWrap::None, 114},    // smaller, one line
        {"WRITER BUSY/BUFFER FULL", 14, TextWrap::None, 114},
        {"CAN'T READ FILE \"/home/me/release.iso\"", 16, TextWrap::Words, 114},  // two lines
        {"CAN'T OPEN FILE \"/srv/iso/r.iso\" OR FILE IS IN USES BY OTHER SOFTWARE", 16, TextWrap::Words, 10},
        {"CAN'T READ FILE \"" + path + "\"", 16, TextWrap::Anywhere, 10},  // a name wider than the window
    };
    for (const Row& row : rows) {
        kq::ResultFit fit = kq::FitResultText(row.text, Measure);
        EXPECT_EQ(fit.pixelSize, row.size) << row.text;
        EXPECT_EQ(fit.wrap, row.wrap) << row.text;
        EXPECT_EQ(fit.box.left, row.left) << row.text;
        EXPECT_EQ(fit.box.top, 99) << row.text;
        EXPECT_TRUE(fit.whole) << row.text;
        // Whole: the measured text lies inside the box, the box inside the window.
        kq::TextExtent extent = Measure(row.text, fit.pixelSize, fit.wrap, fit.box.width);
        EXPECT_LE(extent.width, fit.box.width) << row.text;
        EXPECT_LE(extent.height, fit.box.height) << row.text;
        EXPECT_LE(fit.box.left + fit.box.width, 317) << row.text;
        EXPECT_LE(fit.box.top + fit.box.height, 158) << row.text;
    }
}

TEST(ResultFit, TextTooLongForTheWholeWindowIsSaidToBeCut) {
    kq::ResultFit fit = kq::FitResultText(std::string(400, 'X'), Measure);
    EXPECT_FALSE(fit.whole);
    EXPECT_EQ(fit.pixelSize, 12);
    EXPECT_EQ(fit.box, (kq::TextBox{10, 99, 307, 59}));
}

}  // namespace
