// The media the window burns onto: which the recorder takes, how the
// insert prompt names them, a disc with too little room, and images
// picked from outside the window's folder.
#include "support/FakeBurner.h"
#include "ScriptedView.h"
#include "app/BurnWorkflow.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using kq::Control;
using kq::MessageAnswer;
using kq::TDeviceCapability;
using kq::WorkflowState;

namespace {

const std::string kRecorder = "0:0:0,C: VIRTUAL RECORDER        1.00";

kq::TDeviceCapabilities Writes(std::initializer_list<TDeviceCapability> abilities) {
    kq::TDeviceCapabilities capabilities;
    for (TDeviceCapability ability : abilities) capabilities.Include(ability);
    return capabilities;
}

using C = TDeviceCapability;
const kq::TDeviceCapabilities kCdOnly = Writes({C::CanWriteCDR, C::CanWriteCDRW});
const kq::TDeviceCapabilities kDvd = Writes({C::CanWriteCDR, C::CanWriteCDRW, C::CanWriteDVDR, C::CanWriteDVDRW,
                                             C::CanWriteDVDPlusR, C::CanWriteDVDPlusRW, C::CanWriteDVDRAM,
                                             C::CanWriteDVDPlusRDL, C::CanWriteDVDRDL});
const kq::TDeviceCapabilities kBd{kDvd.bits | Writes({C::CanWriteBDR, C::CanWriteBDRE}).bits};

class MediaWorkflowTest : public ::testing::Test {
protected:
    MediaWorkflowTest() { dir.Write("x.iso", std::string(5000, 'x')); }  // three sectors

    // Shows the window and presses "Burn it"; the prompt is answered No.
    void Burn(kq::TDeviceCapabilities capabilities, int mediaType) {
        burner.writerCapabilities = capabilities;
        burner.mediaType = mediaType;
        view->answers = {MessageAnswer::No};
        workflow.emplace(*view, burner, dir.Path().string() + "/");
        workflow->FormShow();
        workflow->BurnClick();
    }

    // A new window for the next row of a table.
    void Fresh() {
        workflow.reset();
        view.emplace();
        burner.burns.clear();
    }

    TempDir dir;
    std::optional<kqtest::ScriptedView> view{std::in_place};
    kqtest::FakeBurner burner;
    std::optional<kq::BurnWorkflow> workflow;
};

TEST_F(MediaWorkflowTest, EveryMediumTheRecorderWritesIsTaken) {
    namespace m = kq::media;
    struct Row {
        kq::TDeviceCapabilities capabilities;
        int mediaType;
        bool taken;
    } rows[] = {
        {kCdOnly, m::CdRw, true},        {kCdOnly, m::DvdR, false},       {kCdOnly, m::CdRom, false},
        {kDvd, m::DvdPlusR, true},       {kDvd, m::DvdRwRestricted, true}, {kDvd, m::DvdRam, true},
        {kDvd, m::DvdRDl, true},         {kDvd, m::DvdRom, false},        {kDvd, m::BdR, false},
        {kDvd, m::DvdRDlJump, false},    {kBd, m::BdRe, true},            {kBd, m::BdRRandom, false},
        {kBd, m::None, false},           {kBd, m::DdcdR, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(kq::MediaName(row.mediaType) + " " + std::to_string(row.capabilities.bits));
        Fresh();
        Burn(row.capabilities, row.mediaType);
        EXPECT_EQ(burner.burns.size(), row.taken ? 1u : 0u);
        EXPECT_EQ(view->messages.size(), row.taken ? 0u : 1u);  // the insert prompt
        EXPECT_EQ(workflow->State(), row.taken ? WorkflowState::Burning : WorkflowState::Closed);
    }
}

TEST_F(MediaWorkflowTest, ThePromptNamesWhatTheRecorderWrites) {
    struct Row {
        kq::TDeviceCapabilities capabilities;
        std::string media;
    } rows[] = {
        {kCdOnly, "CD-R"},
        {Writes({C::CanWriteCDR, C::CanWriteDVDR}), "CD-R or DVD-R"},
        {Writes({C::CanWriteCDR, C::CanWriteDVDPlusR, C::CanWriteDVDPlusRDL}), "CD-R or DVD+R"},
        {kDvd, "CD-R or DVD\xC2\xB1R"},
        {kBd, "CD-R, DVD\xC2\xB1R or BD-R"},
        {Writes({C::CanWriteCDRW, C::CanWriteBDRE}), "CD-RW or BD-RE"},  // rewritables only
    };
    for (const Row& row : rows) {
        Fresh();
        Burn(row.capabilities, kq::media::None);
        ASSERT_EQ(view->messages.size(), 1u) << row.media;
        EXPECT_EQ(view->messages[0].text, "Please insert a blank " + row.media + " in\r" + kRecorder);
    }
}

TEST_F(MediaWorkflowTest, AnImageTheDiscHasNoRoomForIsRefusedWithBothSizes) {
    struct Row {
        std::optional<int64_t> free;
        bool burnt;
    } rows[] = {{2, false}, {3, true}, {std::nullopt, true}};  // the image fills three sectors
    for (const Row& row : rows) {
        Fresh();
        burner.freeSectors = row.free;
        Burn(kBd, kq::media::BdR);
        EXPECT_EQ(burner.burns.size(), row.burnt ? 1u : 0u);
        if (row.burnt) continue;
        EXPECT_EQ(workflow->State(), WorkflowState::Result);
        EXPECT_EQ(view->Caption(Control::Label4), "IMAGE TOO LARGE: 3 SECTORS, THE DISC HAS 2 FREE");
        EXPECT_EQ(view->Caption(Control::Cancel), "Quit");
    }
}

TEST_F(MediaWorkflowTest, AnImagePickedFromAnywhereIsListedSelectedAndBurnt) {
    TempDir elsewhere;
    elsewhere.Write("far.img", "far");
    const std::string folder = dir.Path().string() + "/";
    struct Row {
        std::string picked, listed, burnt;
    } rows[] = {
        {elsewhere / "far.img", elsewhere / "far.img", elsewhere / "far.img"},
        {folder + "x.iso", "x.iso", folder + "x.iso"},  // already listed: selected, not added again
    };
    for (const Row& row : rows) {
        Fresh();
        workflow.emplace(*view, burner, folder);
        workflow->FormShow();
        workflow->AddImage(row.picked);
        workflow->AddImage(row.picked);
        EXPECT_EQ(view->SelectedItem(Control::ISO), row.listed);
        EXPECT_EQ(view->ItemCount(Control::ISO), row.listed == "x.iso" ? 1 : 2);
        workflow->BurnClick();
        EXPECT_EQ(burner.burns, std::vector<std::string>{row.burnt});
    }
}

TEST_F(MediaWorkflowTest, AnImagePickedIntoAnEmptyFolderFindsTheRecorders) {
    TempDir empty;
    workflow.emplace(*view, burner, empty.Path().string() + "/");
    workflow->FormShow();
    EXPECT_EQ(burner.initCalls, 0);
    workflow->AddImage(dir / "x.iso");
    EXPECT_EQ(view->SelectedItem(Control::Recorder), kRecorder);
    workflow->BurnClick();
    EXPECT_EQ(burner.burns, std::vector<std::string>{dir / "x.iso"});
}

}  // namespace
