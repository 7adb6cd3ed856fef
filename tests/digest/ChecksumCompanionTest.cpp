#include "support/TempDir.h"
#include "digest/ChecksumCompanion.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cctype>
#include <filesystem>
#include <map>

using namespace kq;

namespace {

// The digests of the image's bytes, "abc".
const std::string kMd5 = "900150983cd24fb0d6963f7d28e17f72";
const std::string kSha = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const std::string kOtherMd5(32, 'e');
const std::string kOtherSha(64, 'e');
// A name for a folder standing in for a companion that cannot be read.
const std::string kFolder = "<folder>";
const std::string kFifo = "<fifo>";  // one that would block an open() for reading

struct Case {
    const char* what;
    std::map<std::string, std::string> files;  // beside disc.iso
    CompanionOutcome outcome;
    std::string companion;  // file name of the companion decided on
    std::string expected;   // the digest found
};

const Case kCases[] = {
    {"no companion", {}, CompanionOutcome::None, "", ""},
    {"lone digest", {{"disc.md5", kMd5 + "\n"}}, CompanionOutcome::Digest, "disc.md5", kMd5},
    {"blank lines before it", {{"disc.md5", "\r\n\r\n  900150983CD24FB0D6963F7D28E17F72\n"}}, CompanionOutcome::Digest,
     "disc.md5", kMd5},
    {"replaced extension before appended", {{"disc.md5", kOtherMd5}, {"disc.iso.md5", kMd5}}, CompanionOutcome::Digest,
     "disc.md5", kOtherMd5},
    {"appended extension alone", {{"disc.iso.md5", kMd5}}, CompanionOutcome::Digest, "disc.iso.md5", kMd5},
    {"list, the image on line 2", {{"disc.md5", kOtherMd5 + "  a.iso\n" + kMd5 + "  disc.iso\n"}},
     CompanionOutcome::Digest, "disc.md5", kMd5},
    {"binary-mode name, capitals, CRLF", {{"disc.md5", kOtherMd5 + " *a.iso\r\n" + "900150983CD24FB0D6963F7D28E17F72 *disc.iso\r\n"}},
     CompanionOutcome::Digest, "disc.md5", kMd5},
    {"./name", {{"disc.md5", kOtherMd5 + "  a.iso\n" + kMd5 + "  ./disc.iso\n"}}, CompanionOutcome::Digest, "disc.md5", kMd5},
    {"one line for an older name", {{"disc.md5", kOtherMd5 + "  disc-rc1.iso\n"}}, CompanionOutcome::Digest,
     "disc.md5", kOtherMd5},
    {"list without the image", {{"disc.md5", kMd5 + "  a.iso\n" + kMd5 + "  b.iso\n"}}, CompanionOutcome::NotListed,
     "disc.md5", ""},
    {"garbage", {{"disc.md5", "<html>not found</html>\n"}}, CompanionOutcome::NoDigest, "disc.md5", ""},
    {"digest too short", {{"disc.md5", kMd5.substr(0, 31)}}, CompanionOutcome::NoDigest, "disc.md5", ""},
    {"SHA-256 in an .md5", {{"disc.md5", kSha}}, CompanionOutcome::NoDigest, "disc.md5", ""},
    {"blank", {{"disc.md5", " \r\n\t"}}, CompanionOutcome::Blank, "disc.md5", ""},
    {"blank first, appended name read", {{"disc.md5", "\n"}, {"disc.iso.md5", kMd5}}, CompanionOutcome::Digest,
     "disc.iso.md5", kMd5},
    {"garbage first decides", {{"disc.md5", "x"}, {"disc.sha256", kSha}}, CompanionOutcome::NoDigest, "disc.md5", ""},
    {"unreadable", {{"disc.md5", kFolder}}, CompanionOutcome::Unreadable, "disc.md5", ""},
    {".sha256", {{"disc.sha256", kSha + "  disc.iso\n"}}, CompanionOutcome::Digest, "disc.sha256", kSha},
    {"appended .sha256", {{"disc.iso.sha256", kSha}}, CompanionOutcome::Digest, "disc.iso.sha256", kSha},
    {".md5 before .sha256", {{"disc.md5", kMd5}, {"disc.sha256", kOtherSha}}, CompanionOutcome::Digest, "disc.md5", kMd5},
    {"blank .md5, then .sha256", {{"disc.md5", ""}, {"disc.sha256", kSha}}, CompanionOutcome::Digest, "disc.sha256", kSha},
    {"SHA256SUMS naming the image", {{"SHA256SUMS", kOtherSha + "  a.iso\r\n" + kSha + " *disc.iso\r\n"}},
     CompanionOutcome::Digest, "SHA256SUMS", kSha},
    {"SHA256SUMS about other images", {{"SHA256SUMS", kSha + "  a.iso\n" + kSha + "  b.iso\n"}},
     CompanionOutcome::None, "", ""},
    {"SHA256SUMS of one other image", {{"SHA256SUMS", kSha + "  a.iso\n"}}, CompanionOutcome::None, "", ""},
    {"tagged .md5", {{"disc.md5", "MD5 (disc.iso) = " + kMd5 + "\n"}}, CompanionOutcome::Digest, "disc.md5", kMd5},
    {"tagged SHA256SUMS", {{"SHA256SUMS", "SHA256 (a.iso) = " + kOtherSha + "\nSHA256 (disc.iso) = " + kSha}},
     CompanionOutcome::Digest, "SHA256SUMS", kSha},
    {"tagged without blanks", {{"disc.sha256", "SHA2-256(disc.iso)= " + kSha}}, CompanionOutcome::Digest,
     "disc.sha256", kSha},
    {"tag of the other kind", {{"disc.md5", "SHA256 (disc.iso) = " + kSha}}, CompanionOutcome::NoDigest, "disc.md5", ""},
    {"byte-order mark", {{"disc.md5", "\xEF\xBB\xBF" + kMd5 + "  disc.iso\r\n"}}, CompanionOutcome::Digest,
     "disc.md5", kMd5},
    {"escaped lone line", {{"disc.md5", "\\" + kMd5 + "  disc\\n.iso\n"}}, CompanionOutcome::Digest, "disc.md5", kMd5},
    {"byte-order mark alone", {{"disc.md5", "\xEF\xBB\xBF\r\n"}}, CompanionOutcome::Blank, "disc.md5", ""},
    {"escaped names", {{"SHA256SUMS", "\\" + kOtherSha + "  a\\nb.iso\n\\SHA256 (disc.iso) = " + kSha}},
     CompanionOutcome::Digest, "SHA256SUMS", kSha},
#ifndef _WIN32
    {"named pipe", {{"disc.md5", kFifo}}, CompanionOutcome::Unreadable, "disc.md5", ""},
#endif
};

class CompanionCases : public ::testing::TestWithParam<Case> {
protected:
    std::string Prepare() {
        for (const auto& [name, text] : GetParam().files) {
            if (text == kFolder) std::filesystem::create_directory(dir / name);
#ifndef _WIN32
            else if (text == kFifo) mkfifo((dir / name).c_str(), 0600);
#endif
            else dir.Write(name, text);
        }
        return dir.Write("disc.iso", "abc");
    }
    TempDir dir;
};

TEST_P(CompanionCases, FindsWhatTheCompanionSays) {
    const Case& c = GetParam();
    CompanionFinding found = FindImageCompanion(Prepare(), true);
    EXPECT_EQ(found.outcome, c.outcome);
    EXPECT_EQ(found.expected, c.expected);
    if (!c.companion.empty()) {
        EXPECT_EQ(found.path, dir / c.companion);
    }
    if (found.outcome == CompanionOutcome::Digest) {
        EXPECT_EQ(found.kind, c.expected.size() == 64 ? DigestKind::SHA256 : DigestKind::MD5);
    }
}

INSTANTIATE_TEST_SUITE_P(Companions, CompanionCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                             std::string name = info.param.what;
                             for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return name;
                         });

// The window reads past a companion it cannot open, as if it were missing.
TEST(CompanionSearch, UnreadableCountsAsMissingWhenAskedTo) {
    TempDir dir;
    std::string image = dir.Write("disc.iso", "abc");
    std::filesystem::create_directory(dir / "disc.md5");
    EXPECT_EQ(FindImageCompanion(image, false).outcome, CompanionOutcome::None);
    dir.Write("disc.sha256", kSha);
    CompanionFinding found = FindImageCompanion(image, false);
    EXPECT_EQ(found.outcome, CompanionOutcome::Digest);
    EXPECT_EQ(ImageDigestPrint(found.kind, image), found.expected);
}

// The extension replaced is the file name's, not a dot in a folder's name.
TEST(CompanionSearch, NameWithoutExtensionGetsOneAdded) {
    TempDir dir;
    std::filesystem::create_directory(dir / "v1.0");
    std::string image = dir.Write("v1.0/disc", "abc");
    dir.Write("v1.0/disc.md5", kMd5);
    CompanionFinding found = FindImageCompanion(image, true);
    EXPECT_EQ(found.path, dir / "v1.0/disc.md5");
    EXPECT_EQ(found.expected, kMd5);
}

// An image that cannot be read has the all-zero print: it never matches a
// real digest.
TEST(CompanionSearch, UnreadableImageHasTheZeroPrint) {
    TempDir dir;
    for (const std::string& image : {dir.Write("empty.iso", ""), dir / "missing.iso"}) {
        EXPECT_EQ(ImageDigestPrint(DigestKind::MD5, image), std::string(32, '0')) << image;
        EXPECT_EQ(ImageDigestPrint(DigestKind::SHA256, image), std::string(64, '0')) << image;
    }
}

// Names as md5sum and sha256sum escape them, and the lines they never write.
TEST(ChecksumLines, EscapedNamesAreReadAsTheToolsWriteThem) {
    const struct {
        std::string line, name;
        bool found;
    } cases[] = {
        {"\\" + kMd5 + "  a\\nb.iso", "a\nb.iso", true},
        {"\\" + kMd5 + " *back\\\\slash.iso", "back\\slash.iso", true},
        {"\\MD5 (cr\\r.iso) = " + kMd5, "cr\r.iso", true},
        {"\\" + kMd5 + "  a\\tb.iso", "", false},  // no such escape
        {"\\" + kMd5 + "  trailing\\", "", false},
        {kMd5 + "  a\\nb.iso", "a\\nb.iso", true},  // without the leading backslash, as it stands
    };
    for (const auto& c : cases) {
        ListedDigest listed = DigestForImage(c.line + "\n" + kOtherMd5 + "  z.iso\n", c.name, DigestKind::MD5, false);
        EXPECT_EQ(listed.reading == ListReading::Digest, c.found) << c.line;
    }
}

}  // namespace
