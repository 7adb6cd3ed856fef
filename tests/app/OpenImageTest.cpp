// What the window opens on: the argument a file manager or a user gives,
// turned into a folder and the image selected in it.
#include "support/FakeBurner.h"
#include "ScriptedView.h"
#include "app/BurnWorkflow.h"
#include "app/ImageFolder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using kq::Control;

namespace {

class OpenImageTest : public ::testing::Test {
protected:
    OpenImageTest() {
        dir.Write("a.iso", "a");
        dir.Write("b.iso", "b");
        dir.Write("disc.iso9660", "c");
        std::filesystem::create_directory(dir / "folder.iso");
    }
    // Runs the window's start with argument as the only argument.
    std::string SelectedFor(const std::string& argument) {
        const char* argv[] = {"cdburner", argument.c_str(), nullptr};
        kq::ImageChoice choice = kq::ImageChoiceFromArguments(2, argv);
        kq::BurnWorkflow workflow(view, burner, choice.folder);
        workflow.PreferImage(choice.image);
        workflow.FormShow();
        return view.SelectedItem(Control::ISO);
    }

    TempDir dir;
    kqtest::ScriptedView view;
    kqtest::FakeBurner burner;
};

TEST_F(OpenImageTest, ArgumentsBecomeFolderAndImage) {
    const std::string folder = dir.Path().string() + "/";
    struct Row {
        std::string argument, folder, image;
    } rows[] = {
        {dir / "b.iso", folder, "b.iso"},
        {dir.Path().string(), folder, ""},                       // a folder keeps its meaning
        {dir / "folder.iso", dir / "folder.iso" + "/", ""},      // a folder named like an image
        {dir / "missing.iso", dir / "missing.iso" + "/", ""},    // nothing there: taken as before
    };
    for (const Row& row : rows) {
        const char* argv[] = {"cdburner", row.argument.c_str(), nullptr};
        kq::ImageChoice choice = kq::ImageChoiceFromArguments(2, argv);
        EXPECT_EQ(choice.folder, row.folder) << row.argument;
        EXPECT_EQ(choice.image, row.image) << row.argument;
    }
}

TEST_F(OpenImageTest, RelativeImageOpensTheCurrentFolder) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const char* argv[] = {"cdburner", "a.iso", nullptr};
    kq::ImageChoice choice = kq::ImageChoiceFromArguments(2, argv);
    std::filesystem::current_path(previous);
    EXPECT_EQ(choice.folder, "./");
    EXPECT_EQ(choice.image, "a.iso");
}

TEST_F(OpenImageTest, TheNamedImageIsSelected) {
    EXPECT_EQ(SelectedFor(dir / "b.iso"), "b.iso");
    EXPECT_EQ(view.ItemCount(Control::ISO), 3);  // a.iso, b.iso, folder.iso: nothing added
}

TEST_F(OpenImageTest, AnImageWithAnotherExtensionIsListedAndSelected) {
    EXPECT_EQ(SelectedFor(dir / "disc.iso9660"), "disc.iso9660");
    EXPECT_EQ(view.ItemCount(Control::ISO), 4);
    EXPECT_EQ(burner.initCalls, 1);  // the recorders are looked for as usual
}

}  // namespace
