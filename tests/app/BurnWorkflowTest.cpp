// The window's behaviour against a scripted window and a scripted burner:
// each row of the failure table, the companion rules and the result display.
#include "support/FakeBurner.h"
#include "ScriptedView.h"
#include "app/BurnWorkflow.h"
#include "app/ImageFolder.h"
#include "digest/MD5.h"
#include "digest/SHA256.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

using kq::Control;
using kq::MessageAnswer;
using kq::WorkflowState;

namespace {

const std::string kImage = std::string(5000, 'x') + "image bytes";
const std::string kRecorder = "0:0:0,C: VIRTUAL RECORDER        1.00";

std::string DigestOf(const std::string& bytes) {
    return kq::MD5Print(kq::MD5Buffer(bytes.data(), bytes.size()));
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return std::toupper(c); });
    return text;
}

class BurnWorkflowTest : public ::testing::Test {
protected:
    std::string Folder() const { return dir.Path().string() + "/"; }
    // The folder as given to the workflow and the name appended to it.
    std::string ImagePath() const { return Folder() + "x.iso"; }

    void Show() {
        workflow.emplace(view, burner, Folder());
        workflow->FormShow();
    }
    void ShowAndBurn() {
        Show();
        workflow->BurnClick();
    }
    // Shows the window on x.iso and starts a burn that runs.
    void StartBurning() {
        dir.Write("x.iso", kImage);
        ShowAndBurn();
        ASSERT_EQ(workflow->State(), WorkflowState::Burning);
    }
    void ExpectClosedSilently() {
        EXPECT_EQ(view.closes, 1);
        EXPECT_EQ(workflow->State(), WorkflowState::Closed);
        EXPECT_TRUE(view.messages.empty());
        EXPECT_TRUE(burner.burns.empty());
    }
    void ExpectResult(const std::string& label4, const std::string& button) {
        EXPECT_EQ(workflow->State(), WorkflowState::Result);
        EXPECT_EQ(view.Caption(Control::Label4), label4);
        EXPECT_EQ(view.Caption(Control::Cancel), button);
        EXPECT_EQ(view.Caption(Control::Label3), "");
        EXPECT_EQ(view.defaultButton, Control::Cancel);
        EXPECT_FALSE(view.timerEnabled);
    }

    TempDir dir;
    kqtest::ScriptedView view;
    kqtest::FakeBurner burner;
    std::optional<kq::BurnWorkflow> workflow;
};

TEST_F(BurnWorkflowTest, ListsImagesInFolderOrderAndOnlyCdrWriters) {
    dir.Write("b.iso", "b");
    dir.Write("a.ISO", "a");
    dir.Write("notes.txt", "n");
    std::filesystem::create_directory(dir / "dir.iso");
    burner.devices = {"1:0:0,D: READER", kRecorder, "2:0:0,E: OTHER WRITER"};
    burner.cdWriters = {kRecorder, "2:0:0,E: OTHER WRITER"};
    Show();

    std::vector<std::string> expected = kq::ListImageFiles(Folder());
    EXPECT_EQ(view.Items(Control::ISO), expected);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, (std::vector<std::string>{"a.ISO", "b.iso", "dir.iso"}));
    EXPECT_EQ(view.SelectedItem(Control::ISO), view.Items(Control::ISO)[0]);
    EXPECT_EQ(burner.initArguments, (std::pair<bool, std::string>{false, ""}));
    EXPECT_EQ(burner.selections, burner.devices);
    EXPECT_EQ(view.Items(Control::Recorder),
              (std::vector<std::string>{kRecorder, "2:0:0,E: OTHER WRITER"}));
    EXPECT_EQ(view.SelectedItem(Control::Recorder), kRecorder);
    EXPECT_EQ(workflow->ImagePath(), Folder());
    EXPECT_EQ(workflow->State(), WorkflowState::Choosing);
}

TEST_F(BurnWorkflowTest, NoImageLeavesBothListsEmptyAndBurnCloses) {
    Show();
    EXPECT_EQ(burner.initCalls, 0);
    EXPECT_TRUE(view.Items(Control::ISO).empty());
    EXPECT_TRUE(view.Items(Control::Recorder).empty());
    workflow->BurnClick();
    ExpectClosedSilently();
}

TEST_F(BurnWorkflowTest, DriveLayerFailingSaysAspiInitErrorAndBurnCloses) {
    dir.Write("x.iso", kImage);
    burner.initResult = false;
    Show();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "ASPI init error");
    EXPECT_EQ(view.messages[0].buttons, kq::MessageButtons::Ok);
    EXPECT_EQ(view.messages[0].icon, kq::MessageIcon::None);
    EXPECT_TRUE(view.Items(Control::Recorder).empty());
    view.messages.clear();
    workflow->BurnClick();
    ExpectClosedSilently();
}

TEST_F(BurnWorkflowTest, NoCdrWriterLeavesRecorderEmptyAndBurnCloses) {
    dir.Write("x.iso", kImage);
    burner.cdWriters.clear();
    Show();
    EXPECT_TRUE(view.Items(Control::Recorder).empty());
    EXPECT_TRUE(view.messages.empty());
    workflow->BurnClick();
    ExpectClosedSilently();
}

TEST_F(BurnWorkflowTest, VanishedImageOrDirectoryNamedIsoClosesAtOnce) {
    dir.Write("x.iso", kImage);
    Show();
    std::filesystem::remove(ImagePath());
    std::filesystem::create_directory(ImagePath());
    workflow->BurnClick();
    ExpectClosedSilently();
    EXPECT_EQ(workflow->ImagePath(), ImagePath());
    EXPECT_FALSE(view.Visible(Control::Burn));
    EXPECT_TRUE(view.Visible(Control::Cancel));
}

TEST_F(BurnWorkflowTest, DigestDifferentShowsTheExactMessageAndCloses) {
    dir.Write("x.iso", kImage);
    dir.Write("x.md5", DigestOf("another image"));
    std::pair<std::string, std::string> shownWhileChecking;
    view.onProcessMessages = [&] {
        shownWhileChecking = {view.Caption(Control::Label3), view.Caption(Control::Label4)};
    };
    ShowAndBurn();
    EXPECT_EQ(shownWhileChecking, (std::pair<std::string, std::string>{"File integrity", "check..."}));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Error in md5-checksum...\r\r" + ImagePath() +
                                         "\ris corrupted.\rPlease download it again.");
    EXPECT_EQ(view.messages[0].buttons, kq::MessageButtons::Ok);
    EXPECT_EQ(view.messages[0].icon, kq::MessageIcon::Error);
    EXPECT_EQ(view.closes, 1);
    EXPECT_TRUE(burner.burns.empty());
    EXPECT_TRUE(burner.selections.size() == 1);  // only the listing's
}

TEST_F(BurnWorkflowTest, CompanionTextsThatMatch) {
    const std::string digest = DigestOf(kImage);
    struct Case {
        std::string md5, isoMd5;
    } cases[] = {
        {" \t\r\n ", digest},             // blank x.md5: x.iso.md5 is read
        {Upper(digest) + "\n", ""},       // upper-case digest
        {digest + " *x.iso\n", ""},       // digest followed by the name
        {"", "  " + digest + "  "},       // only the appended companion
    };
    for (const Case& c : cases) {
        TempDir fresh;
        fresh.Write("x.iso", kImage);
        if (!c.md5.empty()) fresh.Write("x.md5", c.md5);
        if (!c.isoMd5.empty()) fresh.Write("x.iso.md5", c.isoMd5);
        kqtest::ScriptedView v;
        kqtest::FakeBurner b;
        kq::BurnWorkflow w(v, b, fresh.Path().string() + "/");
        w.FormShow();
        w.BurnClick();
        EXPECT_TRUE(v.messages.empty()) << c.md5 << "|" << c.isoMd5;
        EXPECT_EQ(b.burns, std::vector<std::string>{fresh.Path().string() + "/x.iso"});
        EXPECT_EQ(v.Caption(Control::Label4), "");  // "check..." cleared
        EXPECT_EQ(w.State(), WorkflowState::Burning);
    }
}

// Lists are searched for the image; without an .md5 companion the SHA-256
// ones are read, and their mismatch is told in the MD5 message's words.
TEST_F(BurnWorkflowTest, ListsAndSha256Companions) {
    const std::string md5 = DigestOf(kImage);
    const std::string sha = kq::SHA256Print(kq::SHA256Buffer(kImage.data(), kImage.size()));
    const std::string otherSha(64, 'e');
    struct Case {
        std::string file, text, message;
        std::string burnt;  // the digest the burn must send: the one checked
    } cases[] = {
        {"x.md5", std::string(32, 'e') + "  y.iso\n" + md5 + "  x.iso\n", "", md5},
        {"x.sha256", sha + " *x.iso\n", "", sha},
        {"x.iso.sha256", Upper(sha), "", sha},
        {"SHA256SUMS", otherSha + "  y.iso\n" + sha + "  x.iso\n", "", sha},
        {"SHA256SUMS", otherSha + "  y.iso\n", "", ""},  // not about this image: no check
        {"x.sha256", otherSha + "  x.iso\n", "Error in sha256-checksum...\r\r{}\ris corrupted.\rPlease download it again.", ""},
        {"SHA256SUMS", otherSha + "  x.iso\n", "Error in sha256-checksum...\r\r{}\ris corrupted.\rPlease download it again.", ""},
    };
    for (const Case& c : cases) {
        TempDir fresh;
        fresh.Write("x.iso", kImage);
        fresh.Write(c.file, c.text);
        const std::string image = fresh.Path().string() + "/x.iso";  // as the window names it
        kqtest::ScriptedView v;
        kqtest::FakeBurner b;
        kq::BurnWorkflow w(v, b, fresh.Path().string() + "/");
        w.FormShow();
        w.BurnClick();
        if (c.message.empty()) {
            EXPECT_TRUE(v.messages.empty()) << c.file << ": " << c.text;
            EXPECT_EQ(b.burns, std::vector<std::string>{image}) << c.file << ": " << c.text;
            EXPECT_EQ(b.expectedDigest, c.burnt) << c.file << ": " << c.text;
        } else {
            std::string expected = c.message;
            expected.replace(expected.find("{}"), 2, image);
            ASSERT_EQ(v.messages.size(), 1u) << c.file;
            EXPECT_EQ(v.messages[0].text, expected);
            EXPECT_TRUE(b.burns.empty());
        }
    }
}

TEST_F(BurnWorkflowTest, ShortChecksumNeverMatches) {
    dir.Write("x.iso", kImage);
    dir.Write("x.md5", DigestOf(kImage).substr(0, 31));
    ShowAndBurn();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].icon, kq::MessageIcon::Error);
    EXPECT_TRUE(burner.burns.empty());
}

TEST_F(BurnWorkflowTest, WithoutCompanionTheCheckIsSkipped) {
    dir.Write("x.iso", kImage);
    std::vector<std::string> captionsSeen;
    view.onProcessMessages = [&] { captionsSeen.push_back(view.Caption(Control::Label3)); };
    ShowAndBurn();
    EXPECT_EQ(captionsSeen, std::vector<std::string>{"Init recorder..."});
    EXPECT_EQ(view.Caption(Control::Label3), "Burning...");
    EXPECT_TRUE(view.timerEnabled);
    EXPECT_EQ(burner.readyTimeouts, std::vector<int>{5000});
    EXPECT_EQ(burner.selections.back(), kRecorder);
}

TEST_F(BurnWorkflowTest, NoMediumAsksAgainUntilYesFindsACdr) {
    dir.Write("x.iso", kImage);
    burner.readyAnswers = {false, false};
    view.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    ShowAndBurn();
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[0].text, "Please insert a blank CD-R in\r" + kRecorder);
    EXPECT_EQ(view.messages[0].buttons, kq::MessageButtons::YesNoCancel);
    EXPECT_EQ(view.messages[0].icon, kq::MessageIcon::None);
    EXPECT_EQ(burner.readyTimeouts.size(), 3u);
    EXPECT_EQ(workflow->State(), WorkflowState::Burning);
}

TEST_F(BurnWorkflowTest, ADiscOfAnotherKindIsNamedAtThePrompt) {
    dir.Write("x.iso", kImage);
    burner.mediaType = kq::media::BdRom;
    view.answers = {MessageAnswer::No};
    ShowAndBurn();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "Please insert a blank CD-R in\r" + kRecorder + "\r(it holds a BD-ROM)");
    EXPECT_TRUE(burner.burns.empty());
}

TEST_F(BurnWorkflowTest, NoOrCancelAtTheInsertPromptCloses) {
    for (MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Cancel}) {
        TempDir fresh;
        fresh.Write("x.iso", kImage);
        kqtest::ScriptedView v;
        kqtest::FakeBurner b;
        b.mediaType = 3;  // CD-RW is not taken
        v.answers = {answer};
        kq::BurnWorkflow w(v, b, fresh.Path().string() + "/");
        w.FormShow();
        w.BurnClick();
        EXPECT_EQ(v.messages.size(), 1u);
        EXPECT_EQ(v.closes, 1);
        EXPECT_TRUE(b.burns.empty());
    }
}

TEST_F(BurnWorkflowTest, BurnIsoImageFalseEndsInCdrError) {
    dir.Write("x.iso", kImage);
    burner.burnResult = false;
    burner.failureReport = "CAN'T OPEN FILE \"x\" OR FILE IS IN USES BY OTHER SOFTWARE";
    ShowAndBurn();
    ExpectResult("CD-R Error", "Quit");
    EXPECT_EQ(burner.settles, 2);  // the component's report, then the window's
    EXPECT_FALSE(view.Visible(Control::Label1));
    workflow->CancelClick();
    EXPECT_EQ(view.closes, 1);
}

TEST_F(BurnWorkflowTest, ProgressIsCappedAndWaitsForTheTotal) {
    StartBurning();
    view.captions[Control::Label4] = "unchanged";
    burner.bytesWritten = 4096;
    workflow->TimerTimer();
    EXPECT_EQ(view.Caption(Control::Label4), "unchanged");
    burner.totalSectors = 300;
    burner.bytesWritten = 300 * 2048 * 37 / 100 + 100;
    workflow->TimerTimer();
    EXPECT_EQ(view.Caption(Control::Label4), "37%");
    burner.bytesWritten = 400 * 2048;
    workflow->TimerTimer();
    EXPECT_EQ(view.Caption(Control::Label4), "100%");
    EXPECT_EQ(kq::ProgressPercent(int64_t(1) << 52, int64_t(1) << 40), 100);
}

TEST_F(BurnWorkflowTest, SuccessShowsDoneThenSuccessAndOkCloses) {
    StartBurning();
    std::thread writer([&] { burner.onFinalizingTrack(); });
    writer.join();
    EXPECT_EQ(view.Caption(Control::Label3), "Burning...");  // not touched off its thread
    view.RunPosted();
    EXPECT_EQ(view.Caption(Control::Label3), "Finalizing");

    std::string whilePainting;
    view.onProcessMessages = [&] { whilePainting = view.Caption(Control::Label3) + "/" + view.Caption(Control::Label4); };
    burner.onWriteDone({});
    EXPECT_EQ(whilePainting, "Done/wait...");
    EXPECT_EQ(burner.settleArguments, (std::pair<int, int>{10000, 5000}));
    ExpectResult("Success", "OK");
    workflow->CancelClick();
    EXPECT_EQ(view.closes, 1);
    EXPECT_EQ(burner.aborts, 0);
}

TEST_F(BurnWorkflowTest, WriteFailureShowsTheDriveDetailInRed) {
    StartBurning();
    burner.onWriteDone({kq::BurnOutcome::Failed, "WRITER ERROR [MEDIUM ERROR (WRITE ERROR)]"});
    ExpectResult("WRITER ERROR ", "Quit");
    EXPECT_EQ(view.Caption(Control::Label1), "MEDIUM ERROR (WRITE ERROR)");
    EXPECT_TRUE(view.Visible(Control::Label1));
    EXPECT_EQ(view.fonts[Control::Label1], (std::pair<kq::Rgb, bool>{kq::kRed, true}));
}

TEST_F(BurnWorkflowTest, ErrorTextWithoutBracketLeavesLabel1Hidden) {
    StartBurning();
    burner.onWriteDone({kq::BurnOutcome::Failed, "WRITER BUSY/BUFFER FULL"});
    ExpectResult("WRITER BUSY/BUFFER FULL", "Quit");
    EXPECT_FALSE(view.Visible(Control::Label1));
    EXPECT_EQ(view.fonts.count(Control::Label1), 0u);
}

TEST(SplitErrorText, CutsAtTheFirstBracketAndDropsTheLastCharacter) {
    EXPECT_EQ(kq::SplitErrorText("A [B] [C]").head, "A ");
    EXPECT_EQ(kq::SplitErrorText("A [B] [C]").detail, "B] [C");
    EXPECT_EQ(kq::SplitErrorText("A [").detail, "");
    EXPECT_EQ(kq::SplitErrorText("[x").detail, "");
    EXPECT_EQ(kq::SplitErrorText("plain").detail, std::nullopt);
}

TEST_F(BurnWorkflowTest, AbortShowsAbortedThenTheWriteThreadsOwnText) {
    StartBurning();
    workflow->CancelClick();
    EXPECT_EQ(burner.aborts, 1);
    ExpectResult("Aborted", "Quit");
    burner.onWriteDone({kq::BurnOutcome::Aborted, "OPERATION ABORTED BY USER"});
    ExpectResult("OPERATION ABORTED BY USER", "Quit");
    workflow->CancelClick();
    EXPECT_EQ(view.closes, 1);
    EXPECT_EQ(burner.aborts, 1);
}

TEST_F(BurnWorkflowTest, WriteThreadsReportArrivingWhileAbortedPaintsStaysLast) {
    StartBurning();
    view.onProcessMessages = [&] { burner.onWriteDone({kq::BurnOutcome::Aborted, "OPERATION ABORTED BY USER"}); };
    workflow->CancelClick();
    ExpectResult("OPERATION ABORTED BY USER", "Quit");
    EXPECT_EQ(burner.settles, 2);
}

// The drive held after an abort: what the window's thread is asked to do
// meanwhile runs at once, a repaint or the close box.
TEST_F(BurnWorkflowTest, WindowStaysAliveWhileTheDriveIsAwaitedAfterAbort) {
    for (bool closeMidWait : {true, false}) {
        SCOPED_TRACE(closeMidWait);
        StartBurning();
        std::atomic<bool> handled{false};
        burner.duringSettle = [&] {
            view.Post([&] {
                if (closeMidWait) workflow->FormClose();
                handled = true;
            });
            for (int ms = 0; ms < 2000 && !handled.load(); ++ms)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        workflow->CancelClick();
        EXPECT_TRUE(handled.load()) << "the window's thread was blocked by the wait";
        if (closeMidWait) {
            EXPECT_EQ(workflow->State(), WorkflowState::Closed);
            EXPECT_NE(view.Caption(Control::Cancel), "Quit");
        } else {
            ExpectResult("Aborted", "Quit");
        }
        burner.duringSettle = nullptr;
    }
}

TEST_F(BurnWorkflowTest, CancelDuringInitialisationDoesNothing) {
    dir.Write("x.iso", kImage);
    Show();
    view.onProcessMessages = [&] {
        EXPECT_EQ(workflow->State(), WorkflowState::Initialising);
        workflow->CancelClick();
    };
    workflow->BurnClick();
    EXPECT_EQ(burner.aborts, 0);
    EXPECT_EQ(view.closes, 0);
    EXPECT_EQ(workflow->State(), WorkflowState::Burning);
}

TEST_F(BurnWorkflowTest, ClosingDuringABurnAbortsItAndIgnoresLateReports) {
    StartBurning();
    workflow->FormClose();
    EXPECT_EQ(burner.aborts, 1);
    EXPECT_FALSE(view.timerEnabled);
    burner.onWriteDone({kq::BurnOutcome::Aborted, "OPERATION ABORTED BY USER"});
    EXPECT_EQ(workflow->State(), WorkflowState::Closed);
    EXPECT_EQ(burner.settles, 0);
}

TEST_F(BurnWorkflowTest, ClosingWhileTheChecksumPaintsStopsTheBurn) {
    dir.Write("x.iso", kImage);
    dir.Write("x.md5", DigestOf(kImage));
    view.onProcessMessages = [&] { workflow->FormClose(); };
    ShowAndBurn();
    EXPECT_TRUE(burner.burns.empty());
    EXPECT_TRUE(view.messages.empty());
}

}  // namespace
