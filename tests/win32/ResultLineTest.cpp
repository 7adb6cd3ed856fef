// The dialog's result line with the longest texts it can show: each is
// whole inside the window, at the line's own look when it fits.
#include "app/win32/MainDialog.h"
#include "drive/DriveMessages.h"
#include "support/FakeBurner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using kq::Control;
using kq::Msg;

namespace {

RECT PlaceOf(const TMainForm& form, Control c) {
    RECT r{};
    GetWindowRect(form.Widget(c), &r);
    MapWindowPoints(nullptr, form.Window(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The text's extent as the static control draws it in its own font, style and width.
SIZE Drawn(HWND label, int width) {
    char text[512] = {};
    int length = GetWindowTextA(label, text, sizeof text);
    LONG style = GetWindowLongA(label, GWL_STYLE);
    UINT flags = DT_CALCRECT | DT_NOPREFIX;
    if ((style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP) flags |= DT_SINGLELINE;
    else flags |= DT_WORDBREAK | ((style & SS_EDITCONTROL) ? DT_EDITCONTROL : 0);
    HDC dc = GetDC(label);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT extent{0, 0, width, 0};
    DrawTextA(dc, text, length, &extent, flags);
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    return {extent.right, extent.bottom};
}

int FontHeight(HWND label) {
    LOGFONTA look{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)), sizeof look, &look);
    return -look.lfHeight;
}

class ResultLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("x.iso", "image");
        form = std::make_unique<TMainForm>(std::make_unique<kqtest::FakeBurner>(), dir.Path().string() + "/");
        form->Show();
        SendMessageA(form->Window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form->Widget(Control::Burn)), BN_CLICKED),
                     reinterpret_cast<LPARAM>(form->Widget(Control::Burn)));
    }
    void TearDown() override {
        form.reset();
        MSG quit;
        while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    HWND Result() const { return form->Widget(Control::Label4); }

    TempDir dir;
    std::unique_ptr<TMainForm> form;
};

TEST_F(ResultLineTest, TextThatFitsKeepsTheLinesFontAndPlace) {
    for (const char* text : {"Success", "Aborted", "CD-R Error", "WRITER ERROR [MEDIUM ERROR]"}) {
        form->Workflow().BWriteDone(text);
        RECT place = PlaceOf(*form, Control::Label4);
        EXPECT_EQ(FontHeight(Result()), 21) << text;
        EXPECT_EQ(place.left, 114) << text;
        EXPECT_EQ(place.top, 99) << text;
        EXPECT_EQ(GetWindowLongA(Result(), GWL_STYLE) & SS_TYPEMASK, SS_LEFTNOWORDWRAP) << text;
    }
}

TEST_F(ResultLineTest, LongestResultsShowWholeInsideTheWindow) {
    const std::string texts[] = {
        kq::DriveMessage(Msg::OperationAborted),
        kq::DriveMessage(Msg::WriterBusyBufferFull),
        kq::DriveMessage(Msg::BurnAlreadyRunning),
        kq::FormatDriveMessage(Msg::CantReadFile, {dir / "x.iso"}),
        kq::FormatDriveMessage(Msg::CantOpenFile, {dir / "x.iso"}),
        kq::FormatDriveMessage(Msg::CantOpenFile, {"C:\\Users\\someone\\Downloads\\release-candidate-2026-12-08.iso"}),
    };
    const RECT button = PlaceOf(*form, Control::Cancel);
    for (const std::string& text : texts) {
        form->Workflow().BWriteDone(text);
        char shown[512] = {};
        GetWindowTextA(Result(), shown, sizeof shown);
        ASSERT_EQ(std::string(shown), text);
        RECT place = PlaceOf(*form, Control::Label4);
        EXPECT_GE(place.left, 0) << text;
        EXPECT_LE(place.right, 327) << text;
        EXPECT_LE(place.bottom, button.top) << text;
        EXPECT_GE(FontHeight(Result()), 12) << text;
        EXPECT_LT(FontHeight(Result()), 21) << text;
        SIZE drawn = Drawn(Result(), place.right - place.left);
        EXPECT_LE(drawn.cx, place.right - place.left) << text;
        EXPECT_LE(drawn.cy, place.bottom - place.top) << text;
    }
}

}  // namespace
