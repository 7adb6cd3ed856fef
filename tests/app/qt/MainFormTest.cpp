// The Qt window under the offscreen platform: its layout and look, the
// message boxes, the hand-over from the write thread, and the result line
// with the longest texts it can show.
#include "WindowTestApp.h"
#include "app/WindowLayout.h"
#include "app/qt/MainForm.h"
#include "app/qt/ProgressPanel.h"
#include "app/qt/SpeedGraph.h"
#include "app/qt/ResultLabel.h"
#include "drive/DriveMessages.h"
#include "support/FakeBurner.h"
#include "support/LongestResults.h"
#include "support/TempDir.h"
#include "support/WriteThread.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <thread>

using kq::Control;

namespace {

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        kqtest::EnsureApplication();
        auto fake = std::make_unique<kqtest::FakeBurner>();
        burner = fake.get();
        form = std::make_unique<TMainForm>(std::move(fake), dir.Path().string() + "/");
    }
    QLabel* Label(Control c) { return qobject_cast<QLabel*>(form->Widget(c)); }
    QPushButton* Button(Control c) { return qobject_cast<QPushButton*>(form->Widget(c)); }
    QComboBox* List(Control c) { return qobject_cast<QComboBox*>(form->Widget(c)); }
    static QColor ColourOf(kq::Rgb c) { return QColor(c.r, c.g, c.b); }

    TempDir dir;
    kqtest::FakeBurner* burner = nullptr;
    std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormTest, WindowAsTheLayoutTableSays) {
    EXPECT_EQ(form->windowTitle(), kq::window::kTitle);
    EXPECT_EQ(form->ImagePage()->size(), QSize(kq::window::kClientWidth, kq::window::kClientHeight));
    EXPECT_EQ(form->ImagePage()->minimumSize(), form->ImagePage()->maximumSize());
    EXPECT_EQ(form->Tabs()->currentIndex(), 0);
    EXPECT_EQ(form->palette().color(QPalette::Window), ColourOf(kq::window::kBackground));
    EXPECT_EQ(QFontInfo(form->font()).family(), "Liberation Sans");  // Arial's metric twin
    EXPECT_EQ(form->Timer()->interval(), kq::window::kTimerIntervalMs);
    EXPECT_FALSE(form->Timer()->isActive());
    EXPECT_TRUE(Button(kq::window::kDefaultButton)->isDefault());
    EXPECT_FALSE(List(Control::ISO)->isEditable());
    EXPECT_TRUE(Label(Control::Label1)->wordWrap());
    EXPECT_TRUE(Label(Control::Label5)->alignment() & Qt::AlignRight);
}

TEST_F(MainFormTest, ControlsAsTheLayoutTableSays) {
    for (const kq::window::ControlLook& look : kq::window::kControls) {
        QWidget* widget = form->Widget(look.control);
        SCOPED_TRACE(static_cast<int>(look.control));
        EXPECT_EQ(widget->pos(), QPoint(look.left, look.top));
        if (look.width) {
            EXPECT_EQ(widget->size(), QSize(look.width, look.height));
        }
        EXPECT_EQ(widget->font().family(), kq::window::kFontFace);
        EXPECT_EQ(widget->font().pixelSize(), look.font.pixels);
        EXPECT_EQ(widget->font().bold(), look.font.bold);
        EXPECT_EQ(widget->font().italic(), look.font.italic);
        EXPECT_EQ(widget->palette().color(QPalette::WindowText), ColourOf(look.colour));
        EXPECT_EQ(widget->isHidden(), !look.visible);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text(), look.text);
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), look.text);
        }
    }
}

TEST_F(MainFormTest, TabGoesAsTheLayoutTableSays) {
    std::vector<QWidget*> expected, order;
    for (Control c : kq::window::kTabOrder) expected.push_back(form->Widget(c));
    QWidget* focus = expected.front();
    for (size_t i = 0; i < expected.size(); ++i, focus = focus->nextInFocusChain()) {
        while (focus->focusPolicy() == Qt::NoFocus) focus = focus->nextInFocusChain();
        order.push_back(focus);
    }
    EXPECT_EQ(order, expected);
}

TEST_F(MainFormTest, BurnItSwapsThePromptsForTheStatus) {
    dir.Write("x.iso", "image");
    form->show();
    EXPECT_EQ(List(Control::ISO)->currentText(), "x.iso");
    EXPECT_EQ(List(Control::Recorder)->count(), 1);
    Button(Control::Burn)->click();
    for (Control gone :
         {Control::Label1, Control::Label2, Control::Burn, Control::ISO, Control::Recorder, Control::Browse})
        EXPECT_FALSE(form->Widget(gone)->isVisible());
    for (Control shown : {Control::Label3, Control::Label4, Control::Cancel, Control::Label5})
        EXPECT_TRUE(form->Widget(shown)->isVisible());
    EXPECT_EQ(Label(Control::Label3)->text(), "Burning...");
    EXPECT_GT(Label(Control::Label3)->width(), 0);  // auto-sized to its text
    EXPECT_TRUE(form->Timer()->isActive());

    burner->totalSectors = 300;
    burner->bytesWritten = 300 * 2048 / 2;
    QTest_WaitUntil([&] { return Label(Control::Label4)->text() == "50%"; }, 2500);
    EXPECT_EQ(Label(Control::Label4)->text(), "50%");
    // Under the page, as every page shows it: the bar, the MB and the graph.
    EXPECT_EQ(form->ImageProgress()->Bar()->value(), 50);
    EXPECT_TRUE(form->ImageProgress()->Line()->text().contains(" MB"));
    EXPECT_TRUE(form->ImageProgress()->Graph()->isVisible());
}

TEST_F(MainFormTest, BrowsePicksAnImageFromAnotherFolder) {
    dir.Write("x.iso", "image");
    TempDir elsewhere;
    elsewhere.Write("far.img", "far");
    form->show();
    kqtest::AnswerFileDialog(elsewhere / "far.img");
    Button(Control::Browse)->click();
    EXPECT_EQ(List(Control::ISO)->currentText().toStdString(), elsewhere / "far.img");
    Button(Control::Burn)->click();
    EXPECT_EQ(burner->burns, std::vector<std::string>{elsewhere / "far.img"});
}

TEST_F(MainFormTest, MessageBoxesCarryTheirTextButtonsAndIcon) {
    dir.Write("x.iso", "image");
    dir.Write("x.md5", "0123456789abcdef0123456789abcdef");
    std::vector<std::tuple<QString, QMessageBox::Icon, QMessageBox::StandardButtons>> seen;
    kqtest::AnswerMessageBoxes(seen, 1);
    form->show();
    Button(Control::Burn)->click();
    ASSERT_EQ(seen.size(), 1u);
    QString path = QString::fromStdString(dir / "x.iso");
    EXPECT_EQ(std::get<0>(seen[0]), "Error in md5-checksum...\n\n" + path +
                                        "\nis corrupted.\nPlease download it again.");
    EXPECT_EQ(std::get<1>(seen[0]), QMessageBox::Critical);
    EXPECT_EQ(std::get<2>(seen[0]), QMessageBox::Ok);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainFormTest, InsertDiscQuestionOffersYesNoCancel) {
    dir.Write("x.iso", "image");
    burner->mediaType = 0;
    std::vector<std::tuple<QString, QMessageBox::Icon, QMessageBox::StandardButtons>> seen;
    kqtest::AnswerMessageBoxes(seen, 1, QMessageBox::No);
    form->show();
    Button(Control::Burn)->click();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(std::get<0>(seen[0]), QString::fromStdString("Please insert a blank CD-R in\n" + burner->devices[0]));
    EXPECT_EQ(std::get<1>(seen[0]), QMessageBox::NoIcon);
    EXPECT_EQ(std::get<2>(seen[0]), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainFormTest, WriteThreadReportRunsOnTheWindowThreadWhileItWaits) {
    dir.Write("x.iso", "image");
    form->show();
    Button(Control::Burn)->click();
    std::thread::id ranOn = kqtest::ReportFromWriteThread(*burner, "WRITER ERROR [MEDIUM ERROR]", [](auto done) {
        QTest_WaitUntil(done, 20000);
    });
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(Label(Control::Label4)->text(), "WRITER ERROR ");
    EXPECT_EQ(Label(Control::Label1)->text(), "MEDIUM ERROR");
    EXPECT_EQ(Label(Control::Label1)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(Label(Control::Label1)->font().bold());
    EXPECT_TRUE(Label(Control::Label1)->isVisible());
    EXPECT_EQ(Button(Control::Cancel)->text(), "Quit");
    EXPECT_TRUE(Button(Control::Cancel)->isDefault());
    EXPECT_FALSE(Button(Control::Burn)->isDefault());
}

TEST_F(MainFormTest, FinalizingFromTheWriteThreadReachesTheLabel) {
    dir.Write("x.iso", "image");
    form->show();
    Button(Control::Burn)->click();
    std::thread writer([&] { burner->onFinalizingTrack(); });
    writer.join();
    QTest_WaitUntil([&] { return Label(Control::Label3)->text() == "Finalizing"; }, 2000);
    EXPECT_EQ(Label(Control::Label3)->text(), "Finalizing");
}

TEST_F(MainFormTest, ClosingDuringABurnAbortsAndLetsTheWriteThreadGo) {
    dir.Write("x.iso", "image");
    form->show();
    Button(Control::Burn)->click();
    form->close();
    EXPECT_EQ(burner->aborts, 1);
    EXPECT_FALSE(form->Timer()->isActive());
    kqtest::LetALateReportGo(*burner);
    form.reset();
}

}  // namespace

namespace {

class ResultLineTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        dir.Write("x.iso", "image");
        form->show();
        Button(Control::Burn)->click();
    }
    ResultLabel* Result() { return static_cast<ResultLabel*>(form->Widget(Control::Label4)); }
};

TEST_F(ResultLineTest, TextThatFitsKeepsTheLinesFontAndPlace) {
    for (const char* text : {"Success", "Aborted", "CD-R Error", "WRITER ERROR [MEDIUM ERROR]"}) {
        form->Workflow().BWriteDone({kq::BurnOutcome::Failed, text});
        EXPECT_EQ(Result()->font().pixelSize(), kq::resultline::kPixelSize) << text;
        EXPECT_EQ(Result()->pos(), QPoint(kq::resultline::kLeft, kq::resultline::kTop)) << text;
        EXPECT_FALSE(Result()->wordWrap()) << text;
    }
}

TEST_F(ResultLineTest, LongestResultsShowWholeInsideTheWindow) {
    const auto texts = kqtest::LongestResults(dir / "x.iso", "/home/someone/Downloads/release-2026-12-08-amd64.iso");
    const QRect button = form->Widget(Control::Cancel)->geometry();
    for (const std::string& text : texts) {
        form->Workflow().BWriteDone({kq::BurnOutcome::Failed, text});
        ASSERT_EQ(Result()->text().toStdString(), text);
        const QRect place = Result()->geometry();
        EXPECT_TRUE(QRect(0, 0, kq::window::kClientWidth, button.top()).contains(place)) << text;
        const kq::ResultFit& fit = Result()->Fit();
        EXPECT_TRUE(fit.whole) << text;
        EXPECT_GE(fit.pixelSize, kq::window::kFontPixels) << text;
        EXPECT_LT(fit.pixelSize, kq::resultline::kPixelSize) << text;
        kq::TextExtent drawn = Result()->Measure(text, fit.pixelSize, fit.wrap, place.width());
        EXPECT_LE(drawn.width, place.width()) << text;
        EXPECT_LE(drawn.height, place.height()) << text;
    }
}

// Wrapped text is painted on its lines, not cut to the first.
TEST_F(ResultLineTest, WrappedTextIsPaintedOnItsLines) {
    form->Workflow().BWriteDone({kq::BurnOutcome::Failed, kq::FormatDriveMessage(kq::Msg::CantOpenFile, {dir / "x.iso"})});
    ASSERT_NE(Result()->Fit().wrap, kq::TextWrap::None);
    QImage picture = Result()->grab().toImage();
    int inkedRows = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            QColor c = picture.pixelColor(x, y);
            if (c.blue() > 60 && c.red() < 100 && c.green() < 100) {
                ++inkedRows;
                break;
            }
        }
    }
    EXPECT_GT(inkedRows, QFontMetrics(Result()->font()).height());
}

}  // namespace
