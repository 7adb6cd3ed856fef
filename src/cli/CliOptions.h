#pragma once
// The command line: what the user asked for, or one line saying what is wrong.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kq::cli {

struct CliOptions {
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
    // A speed given as a multiple ("16x"); the medium in the drive decides its kB/s.
    std::optional<uint16_t> writeMultiple, readMultiple;
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
    std::optional<uint8_t> blankType;  // --blank: 1 fast (minimal), 0 all
    std::string image;
    // Reading a disc: into an image, or to check it against one.
    std::string readImage;             // --read-image OUT
    std::string checkDisc;             // --check-disc IMAGE|COMPANION
    std::optional<int> track;          // --track N: the data track to read
    bool md5 = false;                  // --md5: an .md5 companion too
    bool keepGoing = false;            // zero-fill unreadable sectors and go on
    bool force = false;                // replace an existing image

    // More than one drive: the parent runs one child per drive.
    bool ManyDrives() const { return allRecorders || devices.size() > 1; }
};

struct ParseResult {
    CliOptions options;
    std::string error;  // one line for the user; empty when the line is good
};

ParseResult ParseCommandLine(const std::vector<std::string>& args);

// The arguments a child burn gets: the same options, one device, the
// report descriptor; never --all-recorders.
std::vector<std::string> ChildArguments(const CliOptions& options, const std::string& device,
                                        int reportFd);

const char* HelpText();

}  // namespace kq::cli
