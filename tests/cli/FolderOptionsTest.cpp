// The options of a folder burn: what each takes, what goes with what, and
// what a child burn of several recorders is given.
#include "cli/BuildTime.h"
#include "cli/CliOptions.h"
#include "jobs/VolumeId.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace kq::cli;
using kq::jobs::DefaultVolumeId;

namespace {

TEST(FolderOptions, MistakesGetOneLine) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{"--folder", "a", "b.iso"}, "give either an image or --folder/--add, not both"},
        {{"--folder", "a", "--folder", "b"}, "one --folder at a time (--add adds more)"},
        {{"--folder="}, "--folder needs a folder"},
        {{"--add", "docs"}, "--add takes DISC/PATH=LOCAL/PATH, not \"docs\""},
        {{"--add", "=docs"}, "--add takes DISC/PATH=LOCAL/PATH, not \"=docs\""},
        {{"--add", "docs="}, "--add takes DISC/PATH=LOCAL/PATH, not \"docs=\""},
        {{"--folder", "a", "--volume-id", "My Photos"}, "--volume-id takes 1 to 32 letters, digits and _, not \"My Photos\""},
        {{"--folder", "a", "--volume-id", std::string(33, 'A')},
         "--volume-id takes 1 to 32 letters, digits and _, not \"" + std::string(33, 'A') + "\""},
        {{"--folder", "a", "--write-image="}, "--write-image needs a file name"},
        {{"--folder", "a", "--write-image", "x.iso", "--device", "1"}, "--write-image writes a file: it takes no recorder"},
        {{"--folder", "a", "--write-image", "x.iso", "--verify"}, "--write-image writes no disc to verify"},
        {{"--folder", "a", "--all-recorders", "--device", "1"}, "give either --device or --all-recorders, not both"},
        {{"--no-joliet", "a.iso"}, "--no-joliet needs --folder or --add"},
        {{"--print-size"}, "--print-size needs --folder or --add"},
        {{"--write-image", "x.iso", "a.iso"}, "--write-image needs --folder or --add"},
        {{"--skip-unreadable", "a.iso"}, "--skip-unreadable needs --folder or --add"},
        {{"--add", "../escaped.txt=payload"},
         "--add \"../escaped.txt=payload\": a disc path holds no empty name, \".\" or \"..\""},
        {{"--add=a//b=f"}, "--add \"a//b=f\": a disc path holds no empty name, \".\" or \"..\""},
        {{"--folder", "a", "--build-time", "-1"}, "--build-time takes seconds since 1970"},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseCommandLine(c.args).error, c.error);
}

TEST(FolderOptions, EveryOptionLandsAndChildrenBuildTheSameTree) {
    auto r = ParseCommandLine({"--folder", "photos", "--add", "docs/a=/tmp/a=b", "--add", "b=c", "--volume-id",
                               "holiday_2026", "--no-joliet", "--no-rock-ridge", "--skip-unreadable", "--device",
                               "1", "--device", "2", "--verify"});
    ASSERT_EQ(r.error, "");
    const CliOptions& o = r.options;
    EXPECT_TRUE(o.mode == CliMode::BurnFolder && o.noJoliet && o.noRockRidge && o.skipUnreadable && !o.printSize);
    EXPECT_EQ(o.adds, (std::vector<std::pair<std::string, std::string>>{{"docs/a", "/tmp/a=b"}, {"b", "c"}}));
    EXPECT_EQ(o.volumeId, "HOLIDAY_2026");
    const auto child = ChildArguments(o, "0:2:0", 3);
    const std::vector<std::string> expected{"--device", "0:2:0", "--report-fd", "3", "--verify", "--no-joliet",
                                            "--no-rock-ridge", "--skip-unreadable", "--folder", "photos",
                                            "--add", "docs/a=/tmp/a=b", "--add", "b=c", "--volume-id",
                                            "HOLIDAY_2026"};
    EXPECT_EQ(child, expected);
    EXPECT_EQ(ParseCommandLine(child).error, "");
    EXPECT_TRUE(ParseCommandLine({"--add", "/top/x=y"}).error.empty());  // a leading "/" is the root
}

// Reproducible builds' convention: whole seconds since 1970; empty is unset.
TEST(FolderOptions, SourceDateEpochIsWholeSecondsUpToTheYear9999) {
    const std::string notWhole = "is not a whole number of seconds since 1970";
    const std::string past = "is past the year 9999, the last a volume's date holds";
    const std::tuple<const char*, std::optional<int64_t>, std::string> cases[] = {
        {nullptr, {}, ""}, {"", {}, ""}, {"0017", 17, ""}, {"253402300799", 253402300799, ""},
        {"abc", {}, notWhole}, {"1e9", {}, notWhole}, {" 17", {}, notWhole}, {"-5", {}, "is before 1970"},
        {"253402300800", {}, past}, {"99999999999999999999999", {}, past}};
    for (const auto& [value, seconds, why] : cases) {
        CliOptions o;
        EXPECT_EQ(TakeSourceDateEpoch(value, o), why.empty() ? why : "SOURCE_DATE_EPOCH=\"" + std::string(value) + "\" " + why);
        EXPECT_EQ(o.sourceDateEpoch, seconds);
    }
}

// "\=" is an "=" of the disc path, and reaches a child burn as it was typed.
TEST(FolderOptions, AnEqualsSignInADiscPath) {
    auto r = ParseCommandLine({"--add", "docs/a\\=b.txt=/tmp/n=1", "--device", "1", "--device", "2"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.adds, (std::vector<std::pair<std::string, std::string>>{{"docs/a=b.txt", "/tmp/n=1"}}));
    auto child = ParseCommandLine(ChildArguments(r.options, "0:1:0", 3));
    ASSERT_EQ(child.error, "");
    EXPECT_EQ(child.options.adds, r.options.adds);
}

TEST(FolderOptions, DefaultVolumeIdIsTheFoldersNameMadeValid) {
    const std::pair<std::string, std::string> cases[] = {
        {"photos", "PHOTOS"},
        {"/data/My Photos 2026/", "MY_PHOTOS_2026"},
        {"été.d", "_T__D"},
        {"a_folder_whose_name_is_longer_than_32", "A_FOLDER_WHOSE_NAME_IS_LONGER_TH"},
        {"/", "CDROM"},
    };
    for (const auto& [folder, id] : cases) EXPECT_EQ(DefaultVolumeId(folder), id) << folder;
}

}  // namespace
