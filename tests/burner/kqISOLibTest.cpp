#include "burner/kqISOLib.h"

#include "drive/TSCSIDevice.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace kq;

namespace {

TEST(SectorsOf, WholeSectorsRoundedUp) {
    EXPECT_EQ(SectorsOf(0), 0);
    EXPECT_EQ(SectorsOf(1), 1);
    EXPECT_EQ(SectorsOf(2047), 1);
    EXPECT_EQ(SectorsOf(2048), 1);
    EXPECT_EQ(SectorsOf(2049), 2);
    EXPECT_EQ(SectorsOf(5'000'000'000), 2'441'407);
    EXPECT_EQ(SectorsOf(int64_t{1} << 42), int64_t{1} << 31);
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(SectorsOf(kMax), kMax / 2048 + 1);
}

struct Line {
    std::string text;
    uint8_t kind;
};

class ImageTree : public ::testing::Test {
protected:
    ImageTree() {
        device.OnDebugMessage = [this](TSCSIDevice&, const std::string& text, uint8_t kind) {
            lines.push_back({text, kind});
        };
    }
    TSCSIDevice device;
    std::vector<Line> lines;
    TImageTree tree{&device};
};

TEST_F(ImageTree, ResetMakesJustTheRoot) {
    int resets = 0;
    tree.OnReset = [&] { ++resets; };
    ASSERT_TRUE(tree.ResetTree(65535, 8191));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(tree.DirCount(), 1);
    EXPECT_EQ(tree.FileCount(), 0);
    EXPECT_EQ(tree.DirCapacity(), 8191);
    EXPECT_EQ(tree.FileCapacity(), 65535);
    TDEntry* root = tree.RootDir();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(tree.DirEntries()[0].get(), root);
    EXPECT_EQ(root->ShortName, "CD_ROOT");
    EXPECT_EQ(root->LongName, "CD Root Directory");
    EXPECT_EQ(root->Path, "\\");
    EXPECT_EQ(root->Level, 1);
    EXPECT_EQ(root->Parent, root);
    EXPECT_EQ(root->Flag, 0);
    EXPECT_EQ(root->Value1, 0u);
    EXPECT_EQ(root->Value2, 0u);
}

TEST_F(ImageTree, SecondResetReplacesTheTree) {
    ASSERT_TRUE(tree.ResetTree(10, 5));
    TDEntry* child = tree.NewDirectory();
    ASSERT_NE(child, nullptr);
    child->Parent = tree.RootDir();
    ASSERT_TRUE(tree.ResetTree(10, 5));
    EXPECT_EQ(tree.DirCount(), 1);
    EXPECT_EQ(tree.RootDir()->Parent, tree.RootDir());
    EXPECT_EQ(tree.RootDir()->ShortName, "CD_ROOT");
    EXPECT_TRUE(lines.empty());
}

TEST_F(ImageTree, FullDirectoryListSendsTheLimit) {
    ASSERT_TRUE(tree.ResetTree(65535, 3));
    EXPECT_NE(tree.NewDirectory(), nullptr);
    EXPECT_NE(tree.NewDirectory(), nullptr);
    EXPECT_EQ(tree.NewDirectory(), nullptr);
    EXPECT_EQ(tree.DirCount(), 3);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, ">>> MAXIMUM DIRECTORIES CAN BE 3");
    EXPECT_EQ(lines[0].kind, 3);
}

// A caller's capacities hold; past them the tree says so and takes nothing.
TEST_F(ImageTree, FullFileListSendsTheLimit) {
    ASSERT_TRUE(tree.ResetTree(70000, 9000));
    EXPECT_EQ(tree.FileCapacity(), 70000);
    ASSERT_TRUE(tree.ResetTree(2, 9000));
    EXPECT_NE(tree.NewFile(), nullptr);
    EXPECT_NE(tree.NewFile(), nullptr);
    EXPECT_EQ(tree.NewFile(), nullptr);
    EXPECT_EQ(tree.FileCount(), 2);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, ">>> MAXIMUM FILES CAN BE 2");
}

// No room for the root: a failed reset, not a root written through null.
TEST_F(ImageTree, ResetWithoutRoomForTheRootFails) {
    EXPECT_FALSE(tree.ResetTree(10, 0));
    EXPECT_EQ(tree.RootDir(), nullptr);
    EXPECT_EQ(tree.DirCount(), 0);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, ">>> MAXIMUM DIRECTORIES CAN BE 0");
}

}  // namespace
