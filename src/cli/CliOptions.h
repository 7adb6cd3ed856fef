#pragma once
// The command line: what the user asked for, or one line saying what is wrong.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kq::cli {

// What one command line does; the parser decides it once.
enum class CliMode {
    Help, Version, List, Info, ReadImage, CheckDisc, Blank, Format,
    BurnImage, BurnFolder, WriteImage, PrintSize, ListFiles,
};

// The modes that lay a folder tree out.
constexpr bool BuildsTree(CliMode m) { return m == CliMode::BurnFolder || m == CliMode::WriteImage || m == CliMode::PrintSize; }

// Every option the line can carry (and the image, and a second drive), so
// that what a mode accepts is a set of them.
enum class Opt : uint8_t {
    Image, ManyDrives, Help, Version, List, Info, Device, AllRecorders, AspiLibrary, PassThrough,
    AnyMedium, NoChecksum, WriteSpeed, ReadSpeed, TestWrite, NoUnderrunProtection, FinalizeDisc,
    NoClose, Opc, CacheSize, NoPostGap, Verify, Eject, Debug, TraceAll, ReportFd, ImageDigest,
    Blank, Format, ReadImage, CheckDisc, Track, Md5, KeepGoing, Force,
    Folder, Add, VolumeId, NoJoliet, NoRockRidge, RelocateDeep, PrintSize, SkipUnreadable, WriteImage,
    BuildTime, Udf, ListFiles, Session, Append, Remove,
};

using OptionSet = uint64_t;
constexpr OptionSet Bit(Opt o) { return OptionSet{1} << static_cast<int>(o); }
constexpr OptionSet Options(std::initializer_list<Opt> list) {
    OptionSet set = 0;
    for (Opt o : list) set |= Bit(o);
    return set;
}

struct CliOptions {
    CliMode mode = CliMode::BurnImage;
    OptionSet given = 0;  // what the line named
    bool help = false;
    bool list = false;
    bool info = false;
    bool version = false;
    std::vector<std::string> devices;  // --device, in the order given
    bool allRecorders = false;
    std::string aspiLibrary;
    bool passThrough = false;
    bool anyMedium = false;
    bool noChecksum = false;
    std::optional<uint16_t> writeSpeed, readSpeed;  // kB/s
    // A speed given as a multiple ("16x", "2.4x"); the medium in the drive decides its kB/s.
    std::optional<double> writeMultiple, readMultiple;
    bool testWrite = false;
    bool noUnderrunProtection = false;
    bool finalizeDisc = false;
    bool noClose = false;
    bool opc = false;
    std::optional<int32_t> cacheSize;
    bool noPostGap = false;
    bool verify = false;
    bool eject = false;
    bool debug = false;
    bool traceAll = false;
    int reportFd = -1;  // a child of a burn onto several drives reports here
    // "md5:<hex>" or "sha256:<hex>": the digest the parent checked the image
    // against; the child burns against it instead of reading a companion.
    std::string imageDigest;
    std::optional<uint8_t> blankType;  // --blank: 1 fast (minimal), 0 all
    bool format = false;               // --format: (re)format the BD-RE first
    std::string image;
    // Reading a disc: into an image, or to check it against one.
    std::string readImage;             // --read-image OUT
    std::string checkDisc;             // --check-disc IMAGE|COMPANION
    std::optional<int> track;          // --track N: the data track to read
    bool md5 = false;                  // --md5: an .md5 companion too
    bool keepGoing = false;            // zero-fill unreadable sectors and go on
    bool force = false;                // replace an existing image
    bool listFiles = false;            // --list-files: the files of a session on the disc
    std::optional<int> session;        // --session N: that session's, not the last one's

    // A folder's contents (and more paths) burnt as a file system instead of an image.
    std::string folder;                                        // --folder: the disc's root
    std::vector<std::pair<std::string, std::string>> adds;     // --add DISC/PATH=LOCAL/PATH
    std::string volumeId;                                      // --volume-id; empty: from the folder's name
    bool noJoliet = false;
    bool noRockRidge = false;
    bool append = false;                // --append: a new session that keeps the disc's files
    std::vector<std::string> removes;  // --remove DISC/PATH: an old file or folder left out
    bool relocateDeep = false;  // --relocate-deep: folders past 8 levels under a hidden relocation folder
    bool udf = false;           // --udf: UDF beside ISO 9660
    bool printSize = false;
    bool skipUnreadable = false;
    std::string writeImage;  // --write-image: into this file instead of onto a disc; "-" standard output
    // When the disc is made (seconds since 1970): SOURCE_DATE_EPOCH, which
    // also clamps later file dates to it, or --build-time, the parent's
    // time handed to each child burn of several recorders.
    std::optional<int64_t> sourceDateEpoch;
    std::optional<int64_t> buildTime;

    bool Given(Opt o) const { return (given & Bit(o)) != 0; }

    // More than one drive: the parent runs one child per drive.
    bool ManyDrives() const { return allRecorders || devices.size() > 1; }
};

struct ParseResult {
    CliOptions options;
    std::string error;  // one line for the user; empty when the line is good
};

ParseResult ParseCommandLine(const std::vector<std::string>& args);

// How the user types an option ("--verify"), "image", or "more than one drive".
std::string OptionName(Opt id);

// The arguments a child burn gets: the same options, one device, the
// report descriptor; never --all-recorders.
std::vector<std::string> ChildArguments(const CliOptions& options, const std::string& device,
                                        int reportFd);

const char* HelpText();

}  // namespace kq::cli
