// The whole window with its real burners on the virtual recorder, driven
// by keys alone: a folder burnt onto a DVD-R, read back through the Read
// page and checked through the Check page; an image onto a BD-R from the
// first page.
#include "WindowTestApp.h"
#include "app/ComponentBurnerPort.h"
#include "app/qt/DiscPages.h"
#include "app/qt/FileList.h"
#include "app/qt/FilesPage.h"
#include "app/qt/MainForm.h"
#include "digest/MD5.h"
#include "RecorderFolder.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string Bytes(size_t size, int seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + seed + i / 2048) & 0xFF);
    return bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool Contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

class JobPagesBurn : public ::testing::Test {
protected:
    JobPagesBurn() { kqtest::EnsureApplication(); }
    ~JobPagesBurn() override { form.reset(); }
    void Open(const std::string& medium) {
        recorder.Configure("[recorder]\naddress = 0:0:0\nbacking = disc.img\nmedium = " + medium +
                           "\nreads = cd-r dvd-r bd-r\nwrites = cd-r dvd-r bd-r\n");
        form = std::make_unique<TMainForm>(std::make_unique<kq::ComponentBurnerPort>(), dir.Path().string() + "/");
        form->AddJobPages();
        form->show();
        Activate();
    }
    // The offscreen platform gives the window back no focus after a dialog.
    void Activate() {
        form->activateWindow();
        QTest_WaitUntil([&] { return form->isActiveWindow(); }, 2000);
    }
    void Keys(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }
    // Alt+digit chooses a page; the page's drive list fills when it shows.
    JobPageBase* Page(int number) {
        Keys(Qt::Key_0 + number, Qt::AltModifier);
        EXPECT_EQ(form->Tabs()->currentIndex(), number - 1);
        JobPageBase* page = form->JobPages()[number - 2];
        QTest_WaitUntil([&] { return page->Drives()->count() > 0; }, 10000);
        return page;
    }
    static std::string WaitForResult(JobPageBase* page) {
        QTest_WaitUntil([&] { return page->Work().State() == kq::JobState::Result; }, 120000);
        return page->Result()->text().toStdString();
    }

    kqtest::RecorderFolder recorder;
    const TempDir& dir = recorder.dir;
    std::unique_ptr<TMainForm> form;
};

TEST_F(JobPagesBurn, FolderOntoADvdRIsReadBackAndChecked) {
    fs::create_directories(dir.Path() / "photos" / "trip");
    const std::string picture = Bytes(300000, 1), note = Bytes(5000, 2);
    dir.Write("photos/trip/beach.jpg", picture);
    dir.Write("photos/note.txt", note);
    Open("dvd-r");

    auto* files = static_cast<FilesPage*>(Page(2));
    kqtest::AnswerFileDialog(dir / "photos");
    Keys(Qt::Key_O, Qt::AltModifier);  // Add folder…
    QTest_WaitUntil([&] { return files->DefaultButton()->isEnabled(); }, 30000);
    ASSERT_EQ(files->List()->count(), 1);
    Activate();
    EXPECT_EQ(files->VolumeId()->text(), "PHOTOS");
    Keys(Qt::Key_B, Qt::AltModifier);  // Burn it
    const std::string burnt = WaitForResult(files);
    ASSERT_TRUE(Contains(burnt, "Success")) << burnt;
    const std::string disc = ReadFile(dir / "disc.img");
    EXPECT_TRUE(Contains(disc, picture)) << "the file's bytes are on the disc";
    EXPECT_TRUE(Contains(disc, note));

    auto* read = static_cast<ReadPage*>(Page(3));
    Keys(Qt::Key_I, Qt::AltModifier);  // the image file's field
    QTest::keyClicks(read->Path(), QString::fromStdString(dir / "copy.iso"));
    Keys(Qt::Key_R, Qt::AltModifier);  // Read
    const std::string copied = WaitForResult(read);
    ASSERT_TRUE(fs::exists(dir / "copy.iso")) << copied;
    EXPECT_TRUE(fs::exists(dir / "copy.iso.sha256")) << copied;
    const std::string copy = ReadFile(dir / "copy.iso");
    EXPECT_TRUE(Contains(copy, picture));
    EXPECT_EQ(disc.substr(0, copy.size()), copy);

    auto* check = static_cast<CheckPage*>(Page(4));
    Keys(Qt::Key_C, Qt::AltModifier);  // Compare with
    QTest::keyClicks(check->Path(), QString::fromStdString(dir / "copy.iso"));
    Keys(Qt::Key_K, Qt::AltModifier);  // Check
    const std::string checked = WaitForResult(check);
    EXPECT_TRUE(Contains(checked, "The disc matches")) << checked;
}

TEST_F(JobPagesBurn, ImageOntoABdRFromTheFirstPage) {
    const std::string image = Bytes(600 * 2048, 3);
    dir.Write("x.iso", image);
    dir.Write("x.md5", kq::MD5Print(kq::MD5Buffer(image.data(), image.size())) + "  x.iso\n");
    Open("bd-r");
    ASSERT_EQ(form->Tabs()->currentIndex(), 0);
    form->Widget(kq::Control::ISO)->setFocus();
    Keys(Qt::Key_Return);  // Burn it, the default button
    QTest_WaitUntil([&] { return form->Workflow().State() == kq::WorkflowState::Result &&
                                 qobject_cast<QLabel*>(form->Widget(kq::Control::Label3))->text().isEmpty(); },
                    120000);
    EXPECT_EQ(qobject_cast<QLabel*>(form->Widget(kq::Control::Label4))->text(), "Success");
    EXPECT_EQ(ReadFile(dir / "disc.img").substr(0, image.size()), image);
}

}  // namespace
