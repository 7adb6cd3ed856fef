// The result line with the longest texts the window can show: each is
// whole inside the window, at the line's own look when it fits.
#include "WindowTestApp.h"
#include "app/qt/MainForm.h"
#include "app/qt/ResultLabel.h"
#include "drive/DriveMessages.h"
#include "support/FakeBurner.h"
#include "support/TempDir.h"

#include <QImage>
#include <QPushButton>
#include <gtest/gtest.h>

using kq::Control;
using kq::Msg;

namespace {

class ResultLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        kqtest::EnsureApplication();
        dir.Write("x.iso", "image");
        form = std::make_unique<TMainForm>(std::make_unique<kqtest::FakeBurner>(), dir.Path().string() + "/");
        form->show();
        qobject_cast<QPushButton*>(form->Widget(Control::Burn))->click();
    }
    ResultLabel* Result() const { return static_cast<ResultLabel*>(form->Widget(Control::Label4)); }

    // Rows of navy text in the label's own picture.
    int InkedRows() const {
        QImage picture = Result()->grab().toImage();
        int rows = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                QColor c = picture.pixelColor(x, y);
                if (c.blue() > 60 && c.red() < 100 && c.green() < 100) {
                    ++rows;
                    break;
                }
            }
        }
        return rows;
    }

    TempDir dir;
    std::unique_ptr<TMainForm> form;
};

TEST_F(ResultLineTest, TextThatFitsKeepsTheLinesFontAndPlace) {
    for (const char* text : {"Success", "Aborted", "CD-R Error", "WRITER ERROR [MEDIUM ERROR]"}) {
        form->Workflow().BWriteDone(text);
        EXPECT_EQ(Result()->font().pixelSize(), 21) << text;
        EXPECT_EQ(Result()->pos(), QPoint(114, 99)) << text;
        EXPECT_FALSE(Result()->wordWrap()) << text;
    }
}

TEST_F(ResultLineTest, LongestResultsShowWholeInsideTheWindow) {
    const std::string image = dir / "x.iso";
    const std::string texts[] = {
        kq::DriveMessage(Msg::OperationAborted),
        kq::DriveMessage(Msg::WriterBusyBufferFull),
        kq::DriveMessage(Msg::BurnAlreadyRunning),
        kq::FormatDriveMessage(Msg::CantReadFile, {image}),
        kq::FormatDriveMessage(Msg::CantOpenFile, {image}),
        kq::FormatDriveMessage(Msg::CantOpenFile, {"/home/someone/Downloads/release-candidate-2026-12-08-amd64.iso"}),
    };
    const QRect button = form->Widget(Control::Cancel)->geometry();
    for (const std::string& text : texts) {
        form->Workflow().BWriteDone(text);
        ResultLabel* label = Result();
        ASSERT_EQ(label->text().toStdString(), text);
        const QRect place = label->geometry();
        EXPECT_GE(place.left(), 0) << text;
        EXPECT_LE(place.right(), 327 - 1) << text;
        EXPECT_LT(place.bottom(), button.top()) << text;
        const kq::ResultFit& fit = label->Fit();
        EXPECT_TRUE(fit.whole) << text;
        EXPECT_GE(fit.pixelSize, 12) << text;
        EXPECT_LT(fit.pixelSize, 21) << text;  // each would run past the window at 21 px on one line
        kq::TextExtent drawn = label->Measure(text, fit.pixelSize, fit.wrap, place.width());
        EXPECT_LE(drawn.width, place.width()) << text;
        EXPECT_LE(drawn.height, place.height()) << text;
    }
}

TEST_F(ResultLineTest, WrappedTextIsPaintedOnItsLines) {
    form->Workflow().BWriteDone(kq::FormatDriveMessage(Msg::CantOpenFile, {dir / "x.iso"}));
    ASSERT_NE(Result()->Fit().wrap, kq::TextWrap::None);
    const int lineHeight = QFontMetrics(Result()->font()).height();
    EXPECT_GT(InkedRows(), lineHeight);  // more than one line of ink
}

}  // namespace
