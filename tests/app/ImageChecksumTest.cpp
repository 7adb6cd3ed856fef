#include "app/ImageChecksum.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kq;

namespace {

// MD5 of "abc".
constexpr const char* kAbc = "900150983cd24fb0d6963f7d28e17f72";

class ImageChecksum : public ::testing::Test {
protected:
    TempDir dir;
    std::string image = dir.Write("disc.iso", "abc");
};

TEST_F(ImageChecksum, NoCompanionMeansGood) {
    EXPECT_EQ(ReadImageChecksum(image), "");
    EXPECT_TRUE(ImageChecksumGood(image));
    dir.Write("disc.md5", " \r\n\t ");  // blank counts as none
    EXPECT_TRUE(ImageChecksumGood(image));
}

TEST_F(ImageChecksum, AcceptsTheUsualWritingsOfTheDigest) {
    for (std::string text : {std::string(kAbc), std::string("900150983CD24FB0D6963F7D28E17F72"),
                             std::string(kAbc) + " *disc.iso\n", "\r\n\r\n  " + std::string(kAbc) + "\n",
                             "\xEF\xBB\xBF" + std::string(kAbc) + "\r\n", "MD5 (disc.iso) = " + std::string(kAbc) + "\n",
                             "\\" + std::string(kAbc) + "  disc\\n.iso\n"}) {
        dir.Write("disc.md5", text);
        EXPECT_TRUE(ImageChecksumGood(image)) << text;
    }
}

TEST_F(ImageChecksum, RejectsWrongOrShortDigests) {
    dir.Write("disc.md5", "900150983cd24fb0d6963f7d28e17f7");  // 31 characters
    EXPECT_FALSE(ImageChecksumGood(image));
    dir.Write("disc.md5", "900150983cd24fb0d6963f7d28e17f70");
    EXPECT_FALSE(ImageChecksumGood(image));
}

TEST_F(ImageChecksum, ReplacedExtensionComesFirst) {
    dir.Write("disc.iso.md5", kAbc);
    EXPECT_EQ(ReadImageChecksum(image), kAbc);  // only the appended one
    dir.Write("disc.md5", "ffffffffffffffffffffffffffffffff");
    EXPECT_EQ(ReadImageChecksum(image), "ffffffffffffffffffffffffffffffff");
    EXPECT_FALSE(ImageChecksumGood(image));
}

// The extension is the file name's, not a dot in a folder name.
TEST(ImageChecksumPaths, NameWithoutExtension) {
    TempDir dir;
    std::filesystem::create_directory(dir / "v1.0");
    std::string image = dir.Write("v1.0/disc", "abc");
    dir.Write("v1.0/disc.md5", kAbc);
    EXPECT_EQ(ReadImageChecksum(image), kAbc);
}

// An unreadable image has the zero digest: it fails a real checksum.
TEST_F(ImageChecksum, EmptyImageFailsARealChecksum) {
    std::string empty = dir.Write("blank.iso", "");
    dir.Write("blank.md5", kAbc);
    EXPECT_FALSE(ImageChecksumGood(empty));
    dir.Write("blank.md5", std::string(32, '0'));
    EXPECT_TRUE(ImageChecksumGood(empty));
}

}  // namespace
