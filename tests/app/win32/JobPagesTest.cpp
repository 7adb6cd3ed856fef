// The dialog's tabbed pages: one page shows at a time, a running job keeps
// its page with Abort in sight, drops land whole (names outside the ANSI
// code page included), the fit bar gates "Burn it", the live graph draws
// each line where it belongs, the size and page last used come back, and
// a dropped folder is burnt, read back and checked through the pages.
#include "app/FilesWorkflow.h"
#include "app/CheckWorkflow.h"
#include "app/ReadWorkflow.h"
#include "app/win32/DialogText.h"
#include "app/win32/DiscPages.h"
#include "app/win32/FilesPage.h"
#include "app/win32/MainDialog.h"
#include "app/win32/SpeedGraph.h"
#include "platform/win32/UserSettings.h"
#include "support/FakeBurner.h"
#include "support/TempDir.h"
#include "transport/kqASPI.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <map>
#include <random>

using kq::Control;

namespace {

bool Shown(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

std::wstring ListText(HWND list, int index) {
    auto length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    std::wstring text(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
    text.resize(static_cast<size_t>(SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

// A drop from the file manager as the shell hands it over: wide names,
// each ended by a zero, the list by another.
HGLOBAL DropOf(const std::vector<std::wstring>& paths) {
    size_t chars = 1;
    for (const auto& path : paths) chars += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(drop + 1);
    for (const auto& path : paths) {
        std::memcpy(names, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        names += path.size() + 1;
    }
    GlobalUnlock(memory);
    return memory;
}

class JobPagesTest : public ::testing::Test {
protected:
    void SetUp() override { Open(); }
    void TearDown() override {
        form.reset();
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    void Open(const std::string& settingsApp = {}) {
        form.reset();
        form = std::make_unique<TMainForm>(std::make_unique<kqtest::FakeBurner>(), dir.Path().string() + "/", true,
                                           settingsApp);
        ASSERT_TRUE(form->Window()) << "no window could be opened: no desktop or display driver";
    }
    kq::JobView& ViewOf(int page) { return *dynamic_cast<kq::JobView*>(form->JobPageAt(page)); }
    void Click(HWND button) {
        SendMessageW(form->Window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
    }

    TempDir dir;
    std::unique_ptr<TMainForm> form;
};

}  // namespace

TEST_F(JobPagesTest, OneTabPerJobAndOnlyItsPageShows) {
    ASSERT_EQ(SendMessageW(form->Tabs(), TCM_GETITEMCOUNT, 0, 0), 4);
    form->ShowProgress({});  // the image page's panel shows from its first burn on
    for (int page : {TMainForm::kFilesPage, TMainForm::kReadPage, TMainForm::kCheckPage, TMainForm::kImagePage}) {
        SCOPED_TRACE(page);
        ASSERT_TRUE(form->SelectPage(page));
        EXPECT_EQ(SendMessageW(form->Tabs(), TCM_GETCURSEL, 0, 0), page);
        for (const kq::window::ControlLook& look : kq::window::kControls)
            EXPECT_EQ(Shown(form->Widget(look.control)), page == TMainForm::kImagePage && look.visible);
        EXPECT_EQ(Shown(form->ImageProgress().Graph()), page == TMainForm::kImagePage);
        for (int other = TMainForm::kFilesPage; other < form->PageCount(); ++other) {
            EXPECT_EQ(Shown(form->JobPageAt(other)->Widget(JobPage::kDrive)), other == page);
            EXPECT_FALSE(Shown(form->JobPageAt(other)->Widget(JobPage::kAbort)));
        }
    }
}

// A command goes to the one control it came from, never to another page's.
TEST_F(JobPagesTest, EveryControlHasAnIdOfItsOwn) {
    std::map<int, int> seen;
    for (HWND child = GetWindow(form->Window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++seen[GetDlgCtrlID(child)];
    EXPECT_GT(seen.size(), 40u);
    for (const auto& [id, count] : seen) EXPECT_EQ(count, 1) << id;
}

TEST_F(JobPagesTest, RunningJobKeepsItsPageWithAbortThenShowsItsResult) {
    for (int page : {TMainForm::kFilesPage, TMainForm::kReadPage, TMainForm::kCheckPage}) {
        SCOPED_TRACE(page);
        JobPage& shown = *form->JobPageAt(page);
        ASSERT_TRUE(form->SelectPage(page));
        ViewOf(page).ShowRunning(true);
        EXPECT_FALSE(form->SelectPage(TMainForm::kImagePage));
        SendMessageW(form->Window(), WM_APP + 2, 1, 0);  // Ctrl+Tab
        EXPECT_EQ(form->CurrentPage(), page);
        EXPECT_TRUE(Shown(shown.Widget(JobPage::kAbort)));
        EXPECT_TRUE(Shown(shown.Widget(JobPage::kGraph)));
        EXPECT_FALSE(Shown(shown.Widget(JobPage::kDrive))) << "the choices are locked away";

        ViewOf(page).ShowResult({kq::JobOutcome::Failed, "Read error", "MEDIUM ERROR", "Clean the disc", {}});
        ViewOf(page).ShowRunning(false);
        EXPECT_FALSE(Shown(shown.Widget(JobPage::kAbort)));
        EXPECT_TRUE(Shown(shown.Widget(JobPage::kResult)));
        EXPECT_EQ(shown.TextColour(shown.Widget(JobPage::kResult)), RGB(255, 0, 0));
        Click(shown.Widget(JobPage::kBack));
        EXPECT_TRUE(Shown(shown.Widget(JobPage::kDrive)));
        EXPECT_FALSE(Shown(shown.Widget(JobPage::kResult)));
        EXPECT_TRUE(form->SelectPage(TMainForm::kImagePage));
    }
}

// Names outside the ANSI code page survive the drop, the lists and the
// workflows' UTF-8. The image lies outside the listed folder, so it is
// listed by its whole path.
TEST_F(JobPagesTest, DropsLandWholeOnThePageTheyBelongTo) {
    TempDir elsewhere;
    const std::wstring folder = std::filesystem::path(elsewhere.Path()).wstring();
    const std::wstring image = folder + L"\\\u0393\u03b5\u03b9\u03ac-\u65e5\u672c.iso";
    const std::wstring photos = folder + L"\\\u0424\u043e\u0442\u043e";
    CreateDirectoryW(photos.c_str(), nullptr);
    CloseHandle(CreateFileW(image.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const std::string imageUtf8 = reinterpret_cast<const char*>(std::filesystem::path(image).u8string().c_str());
    const std::string photosUtf8 = reinterpret_cast<const char*>(std::filesystem::path(photos).u8string().c_str());

    SendMessageW(form->Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({image})), 0);
    EXPECT_EQ(form->CurrentPage(), TMainForm::kImagePage) << "one image dropped on the image page is to burn";
    EXPECT_EQ(form->SelectedItem(Control::ISO), imageUtf8);

    SendMessageW(form->Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({photos})), 0);
    ASSERT_EQ(form->CurrentPage(), TMainForm::kFilesPage);
    EXPECT_EQ(form->Files()->Flow().Entries(), std::vector<std::string>{photosUtf8});
    HWND list = form->Files()->Widget(FilesPage::kList);
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
    EXPECT_NE(ListText(list, 0).find(L"\u0424\u043e\u0442\u043e"), std::wstring::npos);
}

TEST_F(JobPagesTest, FitBarLetsBurnItAndAddToTheDiscOnlyWhenTheLayoutFits) {
    struct Case {
        bool fits, appendable;
        int percent, bar;
        const char* text;
        const char* note;
        bool add;
    } cases[] = {{true, false, 35, 35, "245.1 of 700.0 MB", "", false},
                 {true, true, 35, 35, "245.1 of 700.0 MB", "", true},
                 {false, true, 140, 100, "980.0 of 700.0 MB: too large", "", false},
                 {false, false, 0, 0, "No disc in the recorder", "", false},
                 {true, false, 98, 98, "4390.2 of 4482.0 MB", "Files of 4 GiB and more need UDF (More)", false}};
    FilesPage& page = *form->Files();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        kq::DiscFit fit;
        fit.fits = c.fits;
        fit.appendable = c.appendable;
        fit.percent = c.percent;
        fit.text = c.text;
        fit.note = c.note;
        page.ShowFit(fit);
        EXPECT_EQ(IsWindowEnabled(page.Widget(FilesPage::kBurn)) != FALSE, c.fits);
        EXPECT_EQ(IsWindowEnabled(page.Widget(FilesPage::kAddToDisc)) != FALSE, c.add);
        EXPECT_EQ(SendMessageW(page.Widget(FilesPage::kFitBar), PBM_GETPOS, 0, 0), c.bar);
        EXPECT_EQ(GetWindowTextLengthW(page.Widget(FilesPage::kFitText)), static_cast<int>(std::strlen(c.text)));
        EXPECT_EQ(dialogtext::TextOf(page.Widget(FilesPage::kNote)), c.note);
    }
}

// Every choice of the files page in the keyboard's order, the switches
// under "More", UDF off at first.
TEST_F(JobPagesTest, FilesPageChoicesInTabOrderWithUdfOffAtFirst) {
    FilesPage& page = *form->Files();
    ASSERT_TRUE(form->SelectPage(TMainForm::kFilesPage));
    page.ShowEntries({"photos"});
    kq::DiscFit fit;
    fit.fits = fit.appendable = true;
    fit.imageSectors = 1000;
    page.ShowFit(fit);
    EXPECT_FALSE(Shown(page.Widget(FilesPage::kUdf))) << "under More";
    Click(page.Widget(FilesPage::kMore));
    EXPECT_EQ(SendMessageW(page.Widget(FilesPage::kUdf), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    std::vector<HWND> expected, order;
    for (int slot : {FilesPage::kList, FilesPage::kAddFiles, FilesPage::kAddFolder, FilesPage::kDelete,
                     FilesPage::kName, FilesPage::kMore, FilesPage::kJoliet, FilesPage::kRockRidge, FilesPage::kUdf,
                     FilesPage::kBurn, FilesPage::kAddToDisc, FilesPage::kWriteImage})
        expected.push_back(page.Widget(slot));
    order.push_back(expected.front());
    while (order.size() < expected.size()) order.push_back(GetNextDlgTabItem(form->Window(), order.back(), FALSE));
    EXPECT_EQ(order, expected);
}

// Speed rises from nothing to its fastest; the buffer is full, then the
// drive stops telling: the buffer's line ends there.
TEST(SpeedGraphTest, EachLineWhereItsValuesPutIt) {
    const std::vector<kq::ProgressPoint> samples{{0, 0, 100}, {10, 1000, 100}, {20, 1000, -1}};
    const RECT box{0, 0, 101, 51}, inside{1, 1, 100, 50};
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), box.right, -box.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    DrawSpeedGraph(dc, box, samples);
    auto at = [&](double seconds, double value, double top) {
        POINT p = GraphPoint(inside, seconds, 0, 20, value, top);
        return GetPixel(dc, p.x, p.y);
    };
    EXPECT_EQ(at(5, 100, 100), kBufferColour) << "full buffer along the top";
    EXPECT_EQ(at(15, 100, 100), RGB(255, 255, 255)) << "no line where the drive did not tell";
    EXPECT_EQ(at(15, 1000, 1100), kSpeedColour) << "the fastest speed near the top";
    EXPECT_EQ(at(0, 0, 1100), kSpeedColour) << "no speed at the bottom";
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_F(JobPagesTest, SizeAndPageComeBackAndASizeTooSmallDoesNot) {
    const std::string app = "CD Burner test " + std::to_string(std::random_device{}());
    Open(app);
    RECT frame{0, 0, 500, 420};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(form->Window(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(form->Window(), GWL_EXSTYLE)));
    SetWindowPos(form->Window(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE);
    ASSERT_TRUE(form->SelectPage(TMainForm::kReadPage));
    Open(app);
    RECT client{};
    GetClientRect(form->Window(), &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(500L, 420L));
    EXPECT_EQ(form->CurrentPage(), TMainForm::kReadPage);

    form.reset();
    ASSERT_TRUE(platform::WriteUserNumber(app, "Width", 10));
    Open(app);
    GetClientRect(form->Window(), &client);
    EXPECT_EQ(std::pair(client.right, client.bottom),
              std::pair(long{TMainForm::kJobPagesWidth}, long{TMainForm::kJobPagesHeight}));
    form.reset();
    RegDeleteKeyW(HKEY_CURRENT_USER, (L"Software\\" + std::filesystem::path(app).wstring()).c_str());
}

TEST_F(JobPagesTest, CtrlTabTurnsThePagesBothWays) {
    struct Case {
        bool shift;
        int page;
    } cases[] = {{false, TMainForm::kFilesPage}, {false, TMainForm::kReadPage}, {true, TMainForm::kFilesPage},
                 {true, TMainForm::kImagePage}, {true, TMainForm::kCheckPage}};
    BYTE keys[256] = {};
    for (const Case& c : cases) {
        keys[VK_CONTROL] = 0x80;
        keys[VK_SHIFT] = c.shift ? 0x80 : 0;
        SetKeyboardState(keys);
        PostMessageW(form->Window(), WM_KEYDOWN, VK_TAB, 0);
        form->ProcessMessages();
        EXPECT_EQ(form->CurrentPage(), c.page) << (c.shift ? "Ctrl+Shift+Tab" : "Ctrl+Tab");
    }
    BYTE released[256] = {};
    SetKeyboardState(released);
}

TEST(DialogTextTest, OpenDialogNamesBecomeWholeUtf8Paths) {
    using namespace std::string_literals;
    struct Case {
        std::wstring names;
        std::vector<std::string> paths;
    } cases[] = {
        {L"C:\\d\\a.iso\0\0"s, {"C:\\d\\a.iso"}},
        {L"C:\\d\0a.txt\0\u0424.txt\0\0"s, {"C:\\d\\a.txt", "C:\\d\\\xD0\xA4.txt"}},
        {L"C:\\\0a\0b\0\0"s, {"C:\\a", "C:\\b"}},  // a root folder ends with its backslash already
        {L"\0\0"s, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(dialogtext::PathsOfNames(c.names), c.paths);
}

namespace {

// The dialog's job pages on the virtual recorder, with a blank DVD-R.
class RecorderPagesTest : public JobPagesTest {
protected:
    void SetUp() override {
        dir.Write("vrec.conf", "[recorder]\naddress = 0:0:0\nreads = cd-rom dvd-rom cd-r dvd-r bd-r\n"
                               "writes = cd-r dvd-r bd-r\nfeature_2a = yes\nfeature_2f = yes\nmedium = dvd-r\n"
                               "capacity = 40000\nbacking = " +
                                   dir.File("disc.img") + "\n");
        _putenv_s("VRECORDER_CONFIG", dir.File("vrec.conf").c_str());
        JobPagesTest::SetUp();
        for (int page = TMainForm::kFilesPage; page < form->PageCount(); ++page)
            form->JobPageAt(page)->Flow().SetAspiLibrary(KQ_VRECORDER_ASPI_PATH);
        form->Show();
    }
    void TearDown() override {
        JobPagesTest::TearDown();
        kq::ReleaseASPI();
        _putenv_s("VRECORDER_CONFIG", "");
    }
    // Clicks the page's button and lets the job run until its result shows.
    std::string RunJob(int page, int button) {
        JobPage& shown = *form->JobPageAt(page);
        EXPECT_TRUE(form->SelectPage(page));
        Click(shown.Widget(button));
        for (int waited = 0; shown.Flow().Running() && waited < 120000; waited += 10) {
            form->ProcessMessages();
            Sleep(10);
        }
        form->ProcessMessages();
        EXPECT_TRUE(Shown(shown.Widget(JobPage::kResult)));
        return dialogtext::TextOf(shown.Widget(JobPage::kResult));
    }
};

}  // namespace

TEST_F(RecorderPagesTest, FolderDroppedBurntReadBackAndChecked) {
    std::filesystem::create_directories(dir.Path() / "photos");
    dir.Write("photos/a.jpg", std::string(300000, 'a'));
    const std::wstring photos = std::filesystem::path(dir.Path() / "photos").wstring();
    SendMessageW(form->Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({photos})), 0);
    form->Files()->Flow().WaitForFit();
    ASSERT_TRUE(IsWindowEnabled(form->Files()->Widget(FilesPage::kBurn))) << "the folder fits the DVD-R";
    EXPECT_EQ(RunJob(TMainForm::kFilesPage, FilesPage::kBurn).rfind("Success", 0), 0u);

    auto& read = static_cast<kq::ReadWorkflow&>(form->JobPageAt(TMainForm::kReadPage)->Flow());
    read.SetOutput(dir.File("out.iso"));
    EXPECT_EQ(RunJob(TMainForm::kReadPage, FilePickPage::kStart).rfind("Success", 0), 0u);

    auto& check = static_cast<kq::CheckWorkflow&>(form->JobPageAt(TMainForm::kCheckPage)->Flow());
    check.SetReference(dir.File("out.iso.sha256"));
    EXPECT_EQ(RunJob(TMainForm::kCheckPage, FilePickPage::kStart).rfind("The disc matches", 0), 0u);
}
