// The window as a native dialog under the same workflow as the Qt one: its
// layout and look, the message boxes with their buttons and icon, the timer,
// and the hand-over from the write thread.
#include "app/win32/MainDialog.h"
#include "support/FakeBurner.h"
#include "support/LongestResults.h"
#include "support/TempDir.h"
#include "support/WriteThread.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <thread>
#include <utility>

using kq::Control;

namespace {

struct SeenBox {
    std::string text;
    std::vector<int> buttons;
    bool icon = false;
};

// Answers the message boxes of this thread: records each one's text, its
// buttons and whether it shows an icon, then presses `answer`. A box is
// looked at a moment after it is activated, once it has filled itself in.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int answer) {
        current = this;
        answer_ = answer;
        hook_ = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
    }
    ~BoxAnswerer() {
        UnhookWindowsHookEx(hook_);
        current = nullptr;
    }
    std::vector<SeenBox> seen;

private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
        char kind[32] = {};
        if (code == HCBT_ACTIVATE && current && GetClassNameA(reinterpret_cast<HWND>(wParam), kind, sizeof kind) &&
            std::string(kind) == "#32770") {
            current->box_ = reinterpret_cast<HWND>(wParam);
            SetTimer(nullptr, 0, 50, OnTimer);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        if (current && current->box_ && IsWindow(current->box_)) current->Record(current->box_);
    }
    static bool Visible(HWND w) { return w && (GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE); }
    void Record(HWND box) {
        box_ = nullptr;
        SeenBox s;
        for (int id : {IDOK, IDYES, IDNO, IDCANCEL})
            if (Visible(GetDlgItem(box, id))) s.buttons.push_back(id);
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char kind[32] = {}, text[1024] = {};
            GetClassNameA(child, kind, sizeof kind);
            if (!Visible(child) || _stricmp(kind, "Static") != 0) continue;
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                s.icon = s.icon || SendMessageA(child, STM_GETICON, 0, 0) != 0;
            } else if (GetWindowTextA(child, text, sizeof text) > 0) {
                s.text = text;
            }
        }
        seen.push_back(s);
        PostMessageA(box, WM_COMMAND, answer_, 0);
    }

    static inline BoxAnswerer* current = nullptr;
    static inline int answer_ = IDOK;
    HHOOK hook_;
    HWND box_ = nullptr;
};

RECT PlaceOf(const TMainForm& form, HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, form.Window(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT PlaceOf(const TMainForm& form, Control c) { return PlaceOf(form, form.Widget(c)); }

std::string Text(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

LOGFONTA FontOf(HWND window) {
    LOGFONTA look{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof look, &look);
    return look;
}

bool Shown(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0; }

// Lets the dialog handle what has been posted to it until `done` or `ms`.
template <class Done>
void PumpUntil(TMainForm& form, Done done, int ms) {
    for (int waited = 0; !done() && waited < ms; waited += 10) {
        form.ProcessMessages();
        Sleep(10);
    }
}

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto fake = std::make_unique<kqtest::FakeBurner>();
        burner = fake.get();
        form = std::make_unique<TMainForm>(std::move(fake), dir.Path().string() + "/");
        ASSERT_TRUE(form->Window()) << "no window could be opened: no desktop or display driver";
    }
    // A closed window ends the program's message loop; here the next test
    // goes on.
    void TearDown() override {
        form.reset();
        MSG quit;
        while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    void StartBurn() {
        dir.Write("x.iso", "image");
        form->Show();
        SendMessageA(form->Window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form->Widget(Control::Burn)), BN_CLICKED),
                     reinterpret_cast<LPARAM>(form->Widget(Control::Burn)));
    }

    TempDir dir;
    kqtest::FakeBurner* burner = nullptr;
    std::unique_ptr<TMainForm> form;
};

}  // namespace

TEST_F(MainDialogTest, WindowAsTheLayoutTableSays) {
    EXPECT_EQ(Text(form->Window()), kq::window::kTitle);
    RECT client{};
    GetClientRect(form->Window(), &client);
    EXPECT_EQ(client.right, kq::window::kClientWidth);
    EXPECT_EQ(client.bottom, kq::window::kClientHeight);
    EXPECT_TRUE(GetWindowLongA(form->Window(), GWL_STYLE) & WS_THICKFRAME) << "resizable";
    SetWindowPos(form->Window(), nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(form->Window(), &client);
    EXPECT_EQ(std::pair(client.right, client.bottom),
              std::pair(long{kq::window::kClientWidth}, long{kq::window::kClientHeight})) << "never smaller";
    EXPECT_EQ(LOWORD(SendMessageA(form->Window(), DM_GETDEFID, 0, 0)),
              GetDlgCtrlID(form->Widget(kq::window::kDefaultButton)));
    EXPECT_FALSE(form->TimerEnabled());
    EXPECT_EQ(GetWindowLongA(form->Widget(Control::ISO), GWL_STYLE) & 3, CBS_DROPDOWNLIST) << "no free text";
    EXPECT_EQ(GetWindowLongA(form->Widget(Control::Label5), GWL_STYLE) & SS_TYPEMASK, SS_RIGHT);
    EXPECT_GT(PlaceOf(*form, Control::Label2).right, kq::window::LookOf(Control::Label2).left + 100) << "auto-sized";
}

TEST_F(MainDialogTest, ControlsAsTheLayoutTableSays) {
    for (const kq::window::ControlLook& look : kq::window::kControls) {
        HWND control = form->Widget(look.control);
        SCOPED_TRACE(static_cast<int>(look.control));
        RECT r = PlaceOf(*form, look.control);
        EXPECT_EQ(std::pair(r.left, r.top), std::pair(long{look.left}, long{look.top}));
        if (look.width) {
            EXPECT_EQ(std::pair(r.right - r.left, r.bottom - r.top), std::pair(long{look.width}, long{look.height}));
        }
        if (look.kind != kq::window::Kind::List) {
            EXPECT_EQ(Text(control), look.text);
        }
        LOGFONTA font = FontOf(control);
        EXPECT_STREQ(font.lfFaceName, kq::window::kFontFace);
        EXPECT_EQ(font.lfHeight, -look.font.pixels);
        EXPECT_EQ(font.lfWeight, look.font.bold ? FW_BOLD : FW_NORMAL);
        EXPECT_EQ(font.lfItalic != 0, look.font.italic);
        EXPECT_EQ(form->TextColour(look.control), ColourRef(look.colour));
        EXPECT_EQ(Shown(control), look.visible);
    }
}

// Tab goes through the table's order, past the controls that are hidden.
TEST_F(MainDialogTest, TabGoesAsTheLayoutTableSays) {
    std::vector<HWND> expected, order;
    for (Control c : kq::window::kTabOrder)
        if (kq::window::LookOf(c).visible) expected.push_back(form->Widget(c));
    order.push_back(expected.front());
    while (order.size() < expected.size()) order.push_back(GetNextDlgTabItem(form->Window(), order.back(), FALSE));
    EXPECT_EQ(order, expected);
}

TEST_F(MainDialogTest, BurnItSwapsThePromptsForTheStatusAndTheTimerShowsProgress) {
    StartBurn();
    EXPECT_EQ(form->SelectedItem(Control::ISO), "x.iso");
    EXPECT_EQ(form->ItemCount(Control::Recorder), 1);
    for (Control gone : {Control::Label1, Control::Label2, Control::Burn, Control::ISO, Control::Recorder,
                         Control::Browse})
        EXPECT_FALSE(Shown(form->Widget(gone)));
    for (Control shown : {Control::Label3, Control::Label4, Control::Cancel, Control::Label5})
        EXPECT_TRUE(Shown(form->Widget(shown)));
    EXPECT_EQ(Text(form->Widget(Control::Label3)), "Burning...");
    EXPECT_GT(PlaceOf(*form, Control::Label3).right, 114) << "auto-sized to its text";
    EXPECT_TRUE(form->TimerEnabled());

    burner->totalSectors = 300;
    burner->bytesWritten = 300 * 2048 / 2;
    PumpUntil(*form, [&] { return Text(form->Widget(Control::Label4)) == "50%"; }, 3000);
    EXPECT_EQ(Text(form->Widget(Control::Label4)), "50%") << "the 1000 ms timer ticked";

    // The job pages' panel, under the table, with the room it needs.
    const ProgressPanel& panel = form->ImageProgress();
    for (HWND part : {panel.Bar(), panel.Line(), panel.Graph()}) EXPECT_TRUE(Shown(part));
    EXPECT_EQ(SendMessageA(panel.Bar(), PBM_GETPOS, 0, 0), 50);
    EXPECT_EQ(Text(panel.Line()).rfind(" 50%  0.3 of 0.6 MB", 0), 0u) << Text(panel.Line());
    RECT client{}, graph = PlaceOf(*form, panel.Graph());
    GetClientRect(form->Window(), &client);
    EXPECT_GE(PlaceOf(*form, panel.Bar()).top, PlaceOf(*form, Control::Label5).bottom);
    EXPECT_GE(graph.bottom - graph.top, 60);
    EXPECT_LE(graph.bottom, client.bottom);
    SetWindowPos(form->Window(), nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(PlaceOf(*form, panel.Graph()).bottom, graph.bottom) << "never smaller than the graph needs";
}

TEST_F(MainDialogTest, CorruptImageBoxHasTheErrorIconAndOk) {
    dir.Write("x.iso", "image");
    dir.Write("x.md5", "0123456789abcdef0123456789abcdef");
    BoxAnswerer answerer(IDOK);
    form->Show();
    SendMessageA(form->Window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form->Widget(Control::Burn)), BN_CLICKED), 0);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].text,
              "Error in md5-checksum...\r\r" + dir.Path().string() + "/x.iso" + "\ris corrupted.\rPlease download it again.");
    EXPECT_EQ(answerer.seen[0].buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(answerer.seen[0].icon);
    EXPECT_FALSE(IsWindow(form->Window())) << "the window closed";
}

TEST_F(MainDialogTest, InsertDiscQuestionOffersYesNoCancelWithoutIcon) {
    dir.Write("x.iso", "image");
    burner->mediaType = 0;
    BoxAnswerer answerer(IDNO);
    form->Show();
    SendMessageA(form->Window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form->Widget(Control::Burn)), BN_CLICKED), 0);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].text, "Please insert a blank CD-R in\r" + burner->devices[0]);
    EXPECT_EQ(answerer.seen[0].buttons, (std::vector<int>{IDYES, IDNO, IDCANCEL}));
    EXPECT_FALSE(answerer.seen[0].icon);
    EXPECT_FALSE(IsWindow(form->Window()));
}

TEST_F(MainDialogTest, WriteThreadReportRunsOnTheWindowThreadWhileItWaits) {
    StartBurn();
    std::thread::id ranOn = kqtest::ReportFromWriteThread(*burner, "WRITER ERROR [MEDIUM ERROR]", [&](auto done) {
        PumpUntil(*form, done, 20000);
    });
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(Text(form->Widget(Control::Label4)), "WRITER ERROR ");
    EXPECT_EQ(Text(form->Widget(Control::Label1)), "MEDIUM ERROR");
    EXPECT_EQ(form->TextColour(Control::Label1), RGB(255, 0, 0));
    EXPECT_EQ(FontOf(form->Widget(Control::Label1)).lfWeight, FW_BOLD);
    EXPECT_TRUE(Shown(form->Widget(Control::Label1)));
    EXPECT_EQ(Text(form->Widget(Control::Cancel)), "Quit");
    EXPECT_EQ(LOWORD(SendMessageA(form->Window(), DM_GETDEFID, 0, 0)), GetDlgCtrlID(form->Widget(Control::Cancel)));
    EXPECT_FALSE(GetWindowLongA(form->Widget(Control::Burn), GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_FALSE(form->TimerEnabled());
}

TEST_F(MainDialogTest, CloseBoxDuringABurnAbortsAndLetsTheWriteThreadGo) {
    StartBurn();
    SendMessageA(form->Window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(burner->aborts, 1);
    EXPECT_FALSE(form->TimerEnabled());
    EXPECT_FALSE(IsWindow(form->Window()));
    kqtest::LetALateReportGo(*burner);
    form.reset();
}

namespace {

// The label's text as the static control draws it in its font, style and width.
SIZE Drawn(HWND label, int width) {
    std::string text = Text(label);
    LONG style = GetWindowLongA(label, GWL_STYLE);
    UINT flags = DT_CALCRECT | DT_NOPREFIX;
    if ((style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP) flags |= DT_SINGLELINE;
    else flags |= DT_WORDBREAK | ((style & SS_EDITCONTROL) ? DT_EDITCONTROL : 0);
    HDC dc = GetDC(label);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT extent{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &extent, flags);
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    return {extent.right, extent.bottom};
}

}  // namespace

TEST_F(MainDialogTest, ResultThatFitsKeepsTheLinesFontAndPlace) {
    StartBurn();
    for (const char* text : {"Success", "Aborted", "CD-R Error", "WRITER ERROR [MEDIUM ERROR]"}) {
        form->Workflow().BWriteDone({kq::BurnOutcome::Failed, text});
        RECT place = PlaceOf(*form, Control::Label4);
        EXPECT_EQ(FontOf(form->Widget(Control::Label4)).lfHeight, -kq::resultline::kPixelSize) << text;
        EXPECT_EQ(std::pair(place.left, place.top), std::pair(long{kq::resultline::kLeft}, long{kq::resultline::kTop}))
            << text;
        EXPECT_EQ(GetWindowLongA(form->Widget(Control::Label4), GWL_STYLE) & SS_TYPEMASK, SS_LEFTNOWORDWRAP) << text;
    }
}

TEST_F(MainDialogTest, LongestResultsShowWholeInsideTheWindow) {
    StartBurn();
    const auto texts = kqtest::LongestResults(dir / "x.iso", "C:\\Users\\someone\\Downloads\\release-2026-12-08.iso");
    const RECT button = PlaceOf(*form, Control::Cancel);
    HWND result = form->Widget(Control::Label4);
    for (const std::string& text : texts) {
        form->Workflow().BWriteDone({kq::BurnOutcome::Failed, text});
        ASSERT_EQ(Text(result), text);
        RECT place = PlaceOf(*form, Control::Label4);
        EXPECT_GE(place.left, 0) << text;
        EXPECT_LE(place.right, kq::window::kClientWidth) << text;
        EXPECT_LE(place.bottom, button.top) << text;
        EXPECT_GE(-FontOf(result).lfHeight, kq::window::kFontPixels) << text;
        EXPECT_LT(-FontOf(result).lfHeight, kq::resultline::kPixelSize) << text;
        SIZE drawn = Drawn(result, place.right - place.left);
        EXPECT_LE(drawn.cx, place.right - place.left) << text;
        EXPECT_LE(drawn.cy, place.bottom - place.top) << text;
    }
}
