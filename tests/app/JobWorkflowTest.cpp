// The files, read and check pages' workflows with a real burner on the
// virtual recorder: the fit, burns onto each medium read back and
// checked, unreadable entries, read faults, a disc that differs, and
// Abort at each stage.
#include "ScriptedJobView.h"
#include "app/CheckWorkflow.h"
#include "app/ComponentBurnerPort.h"
#include "app/FilesWorkflow.h"
#include "app/ReadWorkflow.h"
#include "burner/DriveSectors.h"
#include "burner/IsoReader.h"
#include "burner/kqCDBC.h"
#include "digest/SHA256.h"
#include "jobs/SessionStart.h"
#include "support/TempDir.h"
#include "transport/kqASPI.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

using kq::JobOutcome;

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string Recorder(const std::string& medium, const std::string& extra = "") {
    return "[recorder]\naddress = 0:0:0\nreads = cd-rom dvd-rom cd-r dvd-r bd-r dvd+rw\nwrites = cd-r dvd-r bd-r dvd+rw\n"
           "feature_2a = yes\nfeature_2f = yes\nmedium = " + medium + "\n" + extra + "\n";
}

// A closed CD-R whose one track is the backing file's `sectors`.
std::string RecordedCd(const std::string& extra, uint32_t sectors) {
    return "[recorder]\naddress = 0:0:0\nmedium = cd-r\ncapacity = 20000\nmedium_state = closed\nrecorded = " +
           std::to_string(sectors) + "\n" + extra + "\n";
}

class JobBench : public ::testing::Test {
protected:
    ~JobBench() override {
        Close();
        unsetenv("VRECORDER_CONFIG");
    }

    // The pages and their burner go, their jobs and threads with them,
    // before the recorder library does: the next Open starts afresh.
    void Close() {
        files.reset();
        read.reset();
        check.reset();
        port.reset();
        kq::ReleaseASPI();
    }

    // The recorder with its disc backed by disc.img; the pages shown.
    void Open(const std::string& config) {
        dir.Write("vrec.conf", config + "backing = " + dir.File("disc.img") + "\n");
        setenv("VRECORDER_CONFIG", dir.File("vrec.conf").c_str(), 1);
        port.emplace();
        files.emplace(filesView, port->Component());
        read.emplace(readView, port->Component());
        check.emplace(checkView, port->Component());
        for (kq::JobWorkflow* w : {static_cast<kq::JobWorkflow*>(&*files), static_cast<kq::JobWorkflow*>(&*read),
                                   static_cast<kq::JobWorkflow*>(&*check)}) {
            w->SetAspiLibrary(KQ_VRECORDER_ASPI_PATH);
            w->FormShow();
        }
    }
    std::string Folder(size_t bytes) {
        fs::create_directories(dir.Path() / "photos" / "raw");
        dir.Write("photos/a.jpg", std::string(bytes, 'a'));
        dir.Write("photos/raw/b.raw", std::string(bytes / 2 + 1, 'b'));
        return dir.File("photos");
    }
    // Lets the job run, its ticks and posts through, until its result;
    // `during` runs at each tick.
    const kq::JobResult& Wait(kq::JobWorkflow& w, kqtest::ScriptedJobView& view,
                              const std::function<void()>& during = {}) {
        for (int i = 0; i < 6000 && w.Running(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            w.TimerTick();
            if (during) during();
            view.RunPosted();
        }
        EXPECT_FALSE(w.Running());
        return view.Result();
    }

    TempDir dir;
    std::optional<kq::ComponentBurnerPort> port;
    kqtest::ScriptedJobView filesView, readView, checkView;
    std::optional<kq::FilesWorkflow> files;
    std::optional<kq::ReadWorkflow> read;
    std::optional<kq::CheckWorkflow> check;
};

// Burn it is refused while the files do not fit; without a disc to
// measure against it asks for one.
TEST_F(JobBench, TheFitBarComparesTheLayoutWithTheDiscsRoom) {
    struct Row {
        std::string config;
        bool fits;
        const char* says;
        const char* burnt;  // the burn's headline
    } rows[] = {
        {Recorder("dvd-r", "capacity = 40000"), true, " of 78.1 MB", "Success"},
        {Recorder("cd-r", "capacity = 300"), false, "does not fit", "no result"},
        {Recorder("none"), true, " MB", "No disc to burn onto"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.config);
        Open(row.config);
        files->AddEntries({Folder(1 << 20)});
        EXPECT_EQ(filesView.volumeId, "PHOTOS");
        EXPECT_EQ(files->Fit().fits, row.fits);
        EXPECT_NE(filesView.fit.text.find(row.says), std::string::npos) << filesView.fit.text;
        EXPECT_GT(*filesView.fit.imageSectors, 768);
        filesView.results.clear();
        files->BurnClick();
        EXPECT_EQ(files->Running(), row.fits);
        EXPECT_EQ(Wait(*files, filesView).headline, row.burnt);
        Close();
    }
}

// Burnt, read back into an image whose .sha256 the disc then matches; a
// changed sector of the image is named as the first that differs.
TEST_F(JobBench, AFolderBurntOntoEachMediumReadsBackAndChecks) {
    for (const char* medium : {"cd-r", "dvd-r", "bd-r"}) {
        SCOPED_TRACE(medium);
        for (const char* old : {"disc.img", "out.iso"}) fs::remove(dir.File(old));
        Open(Recorder(medium, "capacity = 40000"));
        files->AddEntries({Folder(300000)});
        files->BurnClick();
        ASSERT_EQ(Wait(*files, filesView).outcome, JobOutcome::Success) << filesView.Result().headline;
        EXPECT_FALSE(filesView.shown.empty());

        read->SetOutput(dir.File("out.iso"));
        read->ReadClick();
        ASSERT_EQ(Wait(*read, readView).outcome, JobOutcome::Success) << readView.Result().detail;
        const std::string image = ReadAll(dir.File("out.iso"));
        const std::string digest = kq::SHA256Print(kq::SHA256Buffer(image.data(), image.size()));
        EXPECT_EQ(ReadAll(dir.File("out.iso.sha256")), digest + "  out.iso\n");

        check->SetReference(dir.File("out.iso.sha256"));
        check->CheckClick();
        EXPECT_EQ(Wait(*check, checkView).headline, "The disc matches") << checkView.Result().detail;
        std::string changed = image;
        changed[20 * 2048 + 5] ^= 1;
        dir.Write("changed.iso", changed);
        check->SetReference(dir.File("changed.iso"));
        check->CheckClick();
        EXPECT_EQ(Wait(*check, checkView).headline, "The disc differs");
        EXPECT_NE(checkView.Result().detail.find("Sector 20 is the first"), std::string::npos);
        Close();
    }
}

// The files of the disc's last session, as a reader other than the
// burner's layout sees them.
std::vector<std::string> LastSessionFiles(kq::TQCDBurner& drive) {
    const kq::jobs::SessionFinding last = kq::jobs::FindSessionStart(drive, std::nullopt);
    if (!last.start) return {last.error};
    const kq::iso::DiscTree tree = kq::iso::ReadDiscTree(kq::iso::DriveSectors(drive), *last.start);
    std::vector<std::string> paths{tree.volumeId};
    for (size_t i = 1; i < tree.entries.size(); ++i) paths.push_back(tree.PathOf(i));
    std::sort(paths.begin() + 1, paths.end());
    return paths;
}

// A disc that holds files takes more in a new session that keeps them,
// and keeps its name; "Burn it" does not start over on a write-once disc.
TEST_F(JobBench, AddToTheDiscKeepsTheFilesOnIt) {
    struct Row {
        const char* medium;
        const char* burnRefused;  // none: an overwritable disc takes "Burn it" too
    } rows[] = {{"cd-r", "The CD-R already holds files"}, {"dvd+rw", nullptr}};
    for (const auto& [medium, burnRefused] : rows) {
        SCOPED_TRACE(medium);
        fs::remove(dir.File("disc.img")), fs::remove(dir.File("disc.img.state"));
        Open(Recorder(medium, "capacity = 40000"));
        files->AddEntries({Folder(3000)});
        EXPECT_FALSE(filesView.fit.appendable);
        files->BurnClick();
        ASSERT_EQ(Wait(*files, filesView).outcome, JobOutcome::Success) << filesView.Result().detail;
        Close();

        Open(Recorder(medium, "capacity = 40000"));
        fs::create_directories(dir.Path() / "more");
        dir.Write("more/c.txt", "c");
        files->AddEntries({dir.File("more")});
        EXPECT_TRUE(filesView.fit.appendable) << filesView.fit.text;
        if (burnRefused) {
            files->BurnClick();
            EXPECT_EQ(Wait(*files, filesView).detail, burnRefused);
        }
        files->AddToDiscClick();
        ASSERT_EQ(Wait(*files, filesView).headline, "Success") << filesView.Result().detail;
        EXPECT_EQ(LastSessionFiles(port->Component()),
                  (std::vector<std::string>{"PHOTOS", "/a.jpg", "/c.txt", "/raw", "/raw/b.raw"}));
        Close();
    }
}

#ifndef _WIN32
// Listed before anything is written, then skipped or stopped at; run as
// someone who cannot list a folder of mode 000, as root can.
TEST_F(JobBench, UnreadableEntriesAreListedFirstThenSkippedOrStoppedAt) {
    const std::string photos = Folder(1000);
    fs::create_directories(dir.Path() / "photos" / "locked" / "inside");
    fs::create_directories(dir.Path() / "out");
    fs::permissions(dir.Path(), fs::perms(0755));
    fs::permissions(dir.Path() / "out", fs::perms::all);
    fs::permissions(dir.Path() / "photos" / "locked", fs::perms::none);
    const auto writeImage = [&](bool skip) {
        kqtest::ScriptedJobView view;
        view.skipUnreadable = skip;
        kq::ComponentBurnerPort own;  // gone, its write thread joined, before the child ends
        kq::FilesWorkflow page(view, own.Component());
        page.AddEntries({photos});
        const std::string image = dir.File("out/" + std::to_string(skip) + ".iso");
        page.WriteImageClick(image);
        const std::string headline = Wait(page, view).headline;
        return view.unreadable.size() == 1 && headline == (skip ? "Success" : "Nothing was written") &&
               fs::exists(image) == skip;
    };
    for (bool skip : {false, true}) {
        const pid_t child = geteuid() == 0 ? fork() : -1;
        if (child == 0) _exit(setgid(65534) == 0 && setuid(65534) == 0 && writeImage(skip) ? 0 : 1);
        int status = 0;
        EXPECT_TRUE(child < 0 ? writeImage(skip)
                              : waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << skip;
    }
    fs::permissions(dir.Path() / "photos" / "locked", fs::perms(0755));
}
#endif

// A sector the disc cannot give ends the read, or is zeros with Keep
// going; a drive that vanishes ends it at once, Keep going or not.
TEST_F(JobBench, AReadFaultEndsTheReadOrLeavesZerosWithKeepGoing) {
    struct Row {
        const char* fault;
        bool keepGoing;
        const char* headline;
        const char* file;  // written beside the image
    } rows[] = {{"read lba>=100 lba<=101 check 03/11/00", false, "The disc cannot be read", "out.iso.part"},
                {"read lba>=100 lba<=101 check 03/11/00", true, "2 sectors could not be read", "out.iso.bad"},
                {"read lba>=100 vanish", true, "The disc cannot be read", "out.iso.part"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        for (const char* old : {"out.iso", "out.iso.part", "out.iso.bad"}) fs::remove(dir.File(old));
        dir.Write("disc.img", std::string(400 * 2048, 'd'));
        Open(RecordedCd(std::string("fault = ") + row.fault, 400));
        read->SetOutput(dir.File("out.iso"));
        read->SetKeepGoing(row.keepGoing);
        read->ReadClick();
        const kq::JobResult& result = Wait(*read, readView);
        EXPECT_EQ(result.headline, row.headline);
        EXPECT_NE(result.detail.find("sector"), std::string::npos) << result.detail;
        EXPECT_TRUE(fs::exists(dir.File(row.file)));
        EXPECT_FALSE(fs::exists(dir.File("out.iso.sha256")));
        Close();
    }
}

// A typed name of a file that exists is asked about before the read
// replaces it; a name from the save dialog, which asked, is not.
TEST_F(JobBench, AReadReplacesAnExistingFileOnlyWhenAsked) {
    dir.Write("disc.img", std::string(400 * 2048, 'd'));
    Open(RecordedCd("", 400));
    struct Row {
        bool dialog;
        kq::MessageAnswer answer;
        bool replaced;
    } rows[] = {{false, kq::MessageAnswer::No, false}, {false, kq::MessageAnswer::Yes, true}, {true, kq::MessageAnswer::No, true}};
    for (const Row& row : rows) {
        dir.Write("out.iso", "keep me");
        readView.messages.clear();
        readView.answer = row.answer;
        read->SetOutput(dir.File("out.iso"), row.dialog);
        read->ReadClick();
        if (row.replaced) {
            EXPECT_EQ(Wait(*read, readView).outcome, JobOutcome::Success);
        }
        EXPECT_EQ(readView.messages.size(), row.dialog ? 0u : 1u);
        EXPECT_EQ(ReadAll(dir.File("out.iso")) == "keep me", !row.replaced);
    }
}

// Abort while writing, reading and checking: the job ends aborted, once
// the drive is done, and the page can start again. One stage a test, so
// that each has a recorder of its own.
class AbortBench : public JobBench, public ::testing::WithParamInterface<int> {};

TEST_P(AbortBench, AbortEndsTheJobOnceTheDriveIsDone) {
    const int stage = GetParam();
    dir.Write("disc.img", std::string(3000 * 2048, 'd'));
    dir.Write("disc.img.sha256", std::string(64, '0') + "  disc.img\n");
    const std::function<void()> start[] = {
        [&] { files->AddEntries({Folder(4 << 20)}), files->BurnClick(); },
        [&] { read->SetOutput(dir.File("out.iso")), read->ReadClick(); },
        [&] { check->SetReference(dir.File("disc.img.sha256")), check->CheckClick(); },
    };
    const std::string configs[] = {Recorder("cd-r", "capacity = 20000\nwrite_speed = 600"),
                                   RecordedCd("fault = read late 40", 3000), RecordedCd("fault = read late 40", 3000)};
    Open(configs[stage]);
    kq::JobWorkflow* job[] = {&*files, &*read, &*check};
    kqtest::ScriptedJobView* view[] = {&filesView, &readView, &checkView};
    start[stage]();
    ASSERT_TRUE(job[stage]->Running());
    const auto abortOnceMoving = [&] {
        if (!view[stage]->shown.empty() && view[stage]->shown.back().bytesDone > 0) job[stage]->AbortClick();
    };
    const kq::JobResult& result = Wait(*job[stage], *view[stage], abortOnceMoving);
    EXPECT_EQ(result.outcome, JobOutcome::Aborted)
        << result.headline << ": " << result.detail << " after " << view[stage]->shown.size() << " ticks";
    EXPECT_EQ(job[stage]->State(), kq::JobState::Result);
    EXPECT_FALSE(view[stage]->running || view[stage]->timer);
}

INSTANTIATE_TEST_SUITE_P(WritingReadingChecking, AbortBench, ::testing::Values(0, 1, 2));

}  // namespace
