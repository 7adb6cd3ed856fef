// The real window with its real burner: the image is checked, burnt onto
// the virtual recorder (loaded as ./libwnaspi32.so, as on a user's machine)
// and the window ends in "Success"; and a write fault shows in red.
#include "WindowTestApp.h"
#include "app/qt/MainForm.h"
#include "app/ComponentBurnerPort.h"
#include "digest/MD5.h"
#include "support/TempDir.h"
#include "transport/kqASPI.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using kq::Control;
namespace fs = std::filesystem;

namespace {

std::string ImageBytes(size_t sectors) {
    std::string bytes(sectors * 2048, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + i / 2048) & 0xFF);
    return bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class WholeBurn : public ::testing::Test {
protected:
    WholeBurn() : previous_(fs::current_path()) {
        kqtest::EnsureApplication();
        fs::current_path(dir.Path());
        fs::copy_file(KQ_VRECORDER_ASPI_PATH, dir / "libwnaspi32.so");
    }
    ~WholeBurn() override {
        form.reset();
        kq::ReleaseASPI();
        unsetenv("VRECORDER_CONFIG");
        fs::current_path(previous_);
    }
    void Open(const std::string& recorderConfig) {
        dir.Write("vrec.conf", recorderConfig);
        setenv("VRECORDER_CONFIG", (dir / "vrec.conf").c_str(), 1);
        auto port = std::make_unique<kq::ComponentBurnerPort>();
        burner = &port->Component();
        form = std::make_unique<TMainForm>(std::move(port), dir.Path().string() + "/");
        form->show();
    }
    QString Text(Control c) const {
        if (auto* label = qobject_cast<QLabel*>(form->Widget(c))) return label->text();
        return qobject_cast<QPushButton*>(form->Widget(c))->text();
    }
    void BurnAndWaitForResult() {
        qobject_cast<QPushButton*>(form->Widget(Control::Burn))->click();
        QTest_WaitUntil([&] { return form->Workflow().State() == kq::WorkflowState::Result &&
                                     Text(Control::Label3).isEmpty(); }, 120000);
    }

    TempDir dir;
    kq::TQCDBurner* burner = nullptr;
    std::unique_ptr<TMainForm> form;

private:
    fs::path previous_;
};

TEST_F(WholeBurn, ImageOntoABlankCdrEndsInSuccess) {
    const std::string image = ImageBytes(400);
    dir.Write("x.iso", image);
    dir.Write("x.md5", kq::MD5Print(kq::MD5Buffer(image.data(), image.size())) + "  x.iso\n");
    Open("[recorder]\naddress = 0:0:0\nmedium = cd-r\nbacking = disc.img\n");

    EXPECT_TRUE(burner->UnderrunProtection());
    EXPECT_FALSE(burner->FinalizeDisc());
    EXPECT_EQ(burner->CacheSize(), 4194304);
    EXPECT_TRUE(burner->WritePostGap());
    auto* recorders = qobject_cast<QComboBox*>(form->Widget(Control::Recorder));
    ASSERT_EQ(recorders->count(), 1);
    EXPECT_TRUE(recorders->currentText().startsWith("0:0:0,"));

    BurnAndWaitForResult();
    EXPECT_EQ(Text(Control::Label4), "Success");
    EXPECT_EQ(Text(Control::Cancel), "OK");
    EXPECT_FALSE(form->Widget(Control::Label1)->isVisible());
    EXPECT_EQ(ReadFile(dir / "disc.img").substr(0, image.size()), image);
}

TEST_F(WholeBurn, WriteErrorShowsTheDrivesTextInRed) {
    dir.Write("x.iso", ImageBytes(400));
    Open("[recorder]\naddress = 0:0:0\nmedium = cd-r\nbacking = disc.img\n"
         "fault = write lba>=100 check 3/0C/00\n");
    BurnAndWaitForResult();
    EXPECT_EQ(Text(Control::Label4), "WRITER ERROR ");
    EXPECT_EQ(Text(Control::Cancel), "Quit");
    EXPECT_TRUE(form->Widget(Control::Label1)->isVisible());
    EXPECT_FALSE(Text(Control::Label1).isEmpty());
    EXPECT_EQ(form->Widget(Control::Label1)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
}

// Abort while the drive takes its time to flush: the window waits for the
// drive yet keeps painting, with the aborted state on show.
TEST_F(WholeBurn, WindowStaysAliveWhileTheDriveIsAwaitedAfterAbort) {
    // Far more than the drive's buffer holds, so the abort always meets a burn.
    dir.Write("x.iso", ImageBytes(20000));
    Open("[recorder]\naddress = 0:0:0\nmedium = cd-r\nbacking = disc.img\nwrite_speed = 353\nflush_ms = 1500\n");
    qobject_cast<QPushButton*>(form->Widget(Control::Burn))->click();
    QTest_WaitUntil([&] { return burner->BytesWritten() > 0; }, 30000);
    ASSERT_GT(burner->BytesWritten(), 0);

    // One pass of the event loop before the wait would see a tick or two;
    // a window alive through the wait sees one every 50 ms of it.
    int ticksWhileWaiting = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ticksWhileWaiting += Text(Control::Label4) == "wait..."; });
    ticker.start(50);
    qobject_cast<QPushButton*>(form->Widget(Control::Cancel))->click();  // returns once the wait is over
    ticker.stop();
    EXPECT_GE(ticksWhileWaiting, 5) << "the window froze while the drive was awaited";
    QTest_WaitUntil([&] { return !burner->Burning(); }, 30000);
    EXPECT_EQ(Text(Control::Cancel), "Quit");
}

}  // namespace
