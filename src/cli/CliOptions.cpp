#include "cli/CliOptions.h"

#include "burner/TreeBuilder.h"
#include "cli/BuildTime.h"
#include "cli/ImageCheck.h"
#include "app/PrintableName.h"
#include "cli/SpeedMultiple.h"

#include <algorithm>
#include "cli/VolumeId.h"

#include <charconv>
#include <limits>

namespace kq::cli {

namespace {

struct Flag {
    const char* name;
    bool CliOptions::*member;
};

constexpr Flag kFlags[] = {
    {"--help", &CliOptions::help},
    {"--list", &CliOptions::list},
    {"--info", &CliOptions::info},
    {"--version", &CliOptions::version},
    {"--all-recorders", &CliOptions::allRecorders},
    {"--pass-through", &CliOptions::passThrough},
    {"--any-medium", &CliOptions::anyMedium},
    {"--no-checksum", &CliOptions::noChecksum},
    {"--test-write", &CliOptions::testWrite},
    {"--no-underrun-protection", &CliOptions::noUnderrunProtection},
    {"--finalize-disc", &CliOptions::finalizeDisc},
    {"--no-close", &CliOptions::noClose},
    {"--opc", &CliOptions::opc},
    {"--no-post-gap", &CliOptions::noPostGap},
    {"--verify", &CliOptions::verify},
    {"--eject", &CliOptions::eject},
    {"--debug", &CliOptions::debug},
    {"--trace-all", &CliOptions::traceAll},
    {"--format", &CliOptions::format},
    {"--no-joliet", &CliOptions::noJoliet},
    {"--no-rock-ridge", &CliOptions::noRockRidge},
    {"--relocate-deep", &CliOptions::relocateDeep},
    {"--print-size", &CliOptions::printSize},
    {"--skip-unreadable", &CliOptions::skipUnreadable},
    {"--md5", &CliOptions::md5},
    {"--keep-going", &CliOptions::keepGoing},
    {"--force", &CliOptions::force},
};

// 1x on CD media, rounded as drives report it: a bare number below it is
// a multiple typed without its x far more often than a wish for a crawl.
constexpr int64_t kOneXKBps = 176;

constexpr const char* kValueOptions[] = {"--device", "--aspi-library", "--write-speed", "--read-speed",
                                         "--cache-size", "--report-fd", "--blank", "--folder",
                                         "--add", "--volume-id", "--write-image", "--image-digest",
                                         "--read-image", "--check-disc", "--track", "--build-time"};

std::optional<int64_t> WholeNumber(const std::string& text, int64_t low, int64_t high) {
    int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

std::string MultipleRefusal(const std::string& name, const std::string& value) {
    return name + " takes a multiple from 0x to " + std::to_string(HighestMultiple(MediaFamily::Cd)) + "x on CD media (" +
           std::to_string(HighestMultiple(MediaFamily::Dvd)) + "x on DVD media), such as 16x or 2.4x, not \"" + value + "\"";
}

// "16x" or "2.4x" (a multiple of the medium's 1x) or kB/s.
std::string TakeSpeed(CliOptions& o, const std::string& name, const std::string& value) {
    bool write = name == "--write-speed";
    if (!value.empty() && (value.back() == 'x' || value.back() == 'X')) {
        auto multiple = ParseMultiple(value);
        if (!multiple || *multiple > HighestMultiple(MediaFamily::Cd)) return MultipleRefusal(name, value);
        (write ? o.writeMultiple : o.readMultiple) = *multiple;
        (write ? o.writeSpeed : o.readSpeed).reset();
        return {};
    }
    auto speed = WholeNumber(value, 0, 65535);
    if (!speed)
        return name + " takes a speed in kB/s from 0 to 65535, or a multiple such as 16x, not \"" + value + "\"";
    if (*speed > 0 && *speed < kOneXKBps)
        return name + " " + value + " would be " + value + " kB/s, below 1x (176 kB/s): did you mean " + value + "x?";
    (write ? o.writeSpeed : o.readSpeed) = static_cast<uint16_t>(*speed);
    (write ? o.writeMultiple : o.readMultiple).reset();
    return {};
}

// The options of a folder burn.
std::string TakeTreeValue(CliOptions& o, const std::string& name, const std::string& value) {
    if (name == "--folder") {
        if (value.empty()) return "--folder needs a folder";
        if (!o.folder.empty()) return "one --folder at a time (--add adds more)";
        o.folder = value;
    } else if (name == "--add") {
        const size_t equals = value.find('=');
        if (equals == std::string::npos || equals == 0 || equals + 1 == value.size())
            return "--add takes DISC/PATH=LOCAL/PATH, not \"" + value + "\"";
        if (!IsDiscPath(value.substr(0, equals)))
            return "--add \"" + value + "\": a disc path holds no empty name, \".\" or \"..\"";
        o.adds.emplace_back(value.substr(0, equals), value.substr(equals + 1));
    } else if (name == "--volume-id") {
        o.volumeId = VolumeIdOf(value);
        if (value.empty() || value.size() > kVolumeIdLength || o.volumeId != UpperAscii(value))
            return "--volume-id takes 1 to 32 letters, digits and _, not \"" + value + "\"";
    } else if (value.empty()) {
        return "--write-image needs a file name";
    } else {
        o.writeImage = value;
    }
    return {};
}

bool IsValueOption(const std::string& name) {
    for (const char* option : kValueOptions)
        if (name == option) return true;
    return false;
}

// Stores one option's value; an error line when the value is unfit.
std::string TakeValue(CliOptions& o, const std::string& name, const std::string& value) {
    if (name == "--device") {
        if (value.empty()) return "--device needs a drive: a number, H:T:L or an entry of --list";
        o.devices.push_back(value);
        if (value.starts_with("/dev/")) o.passThrough = true;  // a node is reached through the pass-through layer
    } else if (name == "--aspi-library") {
        o.aspiLibrary = value;
    } else if (name == "--write-speed" || name == "--read-speed") {
        return TakeSpeed(o, name, value);
    } else if (name == "--cache-size") {
        auto bytes = WholeNumber(value, 1, std::numeric_limits<int32_t>::max());
        if (!bytes) return "--cache-size takes a number of bytes, not \"" + value + "\"";
        o.cacheSize = static_cast<int32_t>(*bytes);
    } else if (name == "--blank") {
        if (value != "fast" && value != "all") return "--blank takes fast or all, not \"" + value + "\"";
        o.blankType = value == "fast" ? 1 : 0;
    } else if (name == "--folder" || name == "--add" || name == "--volume-id" || name == "--write-image") {
        return TakeTreeValue(o, name, value);
    } else if (name == "--read-image" || name == "--check-disc") {
        if (value.empty()) return name + " needs a file name";
        (name == "--read-image" ? o.readImage : o.checkDisc) = value;
    } else if (name == "--track") {
        auto track = WholeNumber(value, 1, 99);
        if (!track) return "--track takes a track number from 1 to 99, not \"" + value + "\"";
        o.track = static_cast<int>(*track);
    } else if (name == "--report-fd") {
        auto fd = WholeNumber(value, 0, std::numeric_limits<int>::max());
        if (!fd) return "--report-fd takes a file descriptor number";
        o.reportFd = static_cast<int>(*fd);
    } else if (name == "--build-time") {
        auto seconds = WholeNumber(value, 0, kLastVolumeSecond);
        if (!seconds) return "--build-time takes seconds since 1970";
        o.buildTime = *seconds;
    } else if (name == "--image-digest") {
        if (!ParseCheckedDigest(value)) return "--image-digest takes md5:<32 hex digits> or sha256:<64 hex digits>";
        o.imageDigest = value;
    }
    return {};
}

std::string TakeFlag(CliOptions& o, const std::string& name) {
    for (const Flag& flag : kFlags) {
        if (name == flag.name) {
            o.*flag.member = true;
            return {};
        }
    }
    return "unknown option " + name + " (see --help)";
}

// A folder burn takes no image, and writing an image file takes no drive.
std::string CheckTreeCombination(const CliOptions& o) {
    if (!o.TreeMode()) {
        const std::pair<bool, const char*> treeOnly[] = {
            {!o.volumeId.empty(), "--volume-id"}, {o.noJoliet, "--no-joliet"}, {o.noRockRidge, "--no-rock-ridge"},
            {o.relocateDeep, "--relocate-deep"},
            {!o.writeImage.empty(), "--write-image"}, {o.printSize, "--print-size"},
            {o.skipUnreadable, "--skip-unreadable"}};
        for (const auto& [given, name] : treeOnly)
            if (given) return std::string(name) + " needs --folder or --add";
        return {};
    }
    if (!o.image.empty()) return "give either an image or --folder/--add, not both";
    if (o.allRecorders && !o.devices.empty()) return "give either --device or --all-recorders, not both";
    if (o.writeImage.empty() || o.printSize) return {};
    if (!o.devices.empty() || o.allRecorders || o.blankType) return "--write-image writes a file: it takes no recorder";
    if (o.verify) return "--write-image writes no disc to verify";
    return {};
}

// Reading a disc writes nothing to it: none of the burn's choices apply.
std::string CheckReading(const CliOptions& o) {
    if (!o.readImage.empty() && !o.checkDisc.empty()) return "give either --read-image or --check-disc, not both";
    if (!o.image.empty()) return (o.readImage.empty() ? "--check-disc" : "--read-image") + std::string(" takes no image to burn");
    if (o.ManyDrives()) return "a disc is read from one drive at a time";
    if (o.list || o.info || o.blankType || o.verify || o.testWrite || o.finalizeDisc || o.noClose || o.opc ||
        o.writeSpeed || o.writeMultiple || o.cacheSize)
        return "--read-image and --check-disc take no burn or listing option";
    if (!o.checkDisc.empty() && (o.md5 || o.keepGoing || o.force)) return "--md5, --keep-going and --force are for --read-image";
    return {};
}

std::string CheckCombination(const CliOptions& o) {
    if (o.help || o.version) return {};
    if (!o.readImage.empty() || !o.checkDisc.empty()) return CheckReading(o);
    if (o.track || o.md5 || o.keepGoing || o.force) return "--track, --md5, --keep-going and --force are for reading a disc";
    if (std::string error = CheckTreeCombination(o); !error.empty()) return error;
    if (o.list) return o.image.empty() ? std::string() : "--list takes no image";
    if (o.info) {
        if (!o.image.empty()) return "--info takes no image";
        return o.allRecorders && !o.devices.empty() ? "give either --device or --all-recorders, not both" : "";
    }
    if (o.blankType && o.ManyDrives()) return "--blank takes one recorder at a time";
    if (o.format && o.ManyDrives()) return "--format takes one recorder at a time";
    if (o.format && o.blankType) return "give either --blank or --format, not both";
    if (o.image == "-") return "the image cannot come from standard input: give its file name";
    if (o.noClose && o.finalizeDisc) return "--no-close and --finalize-disc contradict each other: give one of them";
    if (o.image.empty() && !o.blankType && !o.format && !o.TreeMode()) return "no image given (see --help)";
    if (o.allRecorders && !o.devices.empty()) return "give either --device or --all-recorders, not both";
    return {};
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
    ParseResult result;
    CliOptions& o = result.options;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size() && result.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!o.image.empty()) result.error = "one image at a time: \"" + PrintableName(arg) + "\" is one too many";
            else o.image = arg;
            continue;
        }
        if (arg == "--") { optionsEnded = true; continue; }
        if (arg == "-h") { o.help = true; continue; }
        auto equals = arg.find('=');
        std::string name = arg.substr(0, equals);
        if (!IsValueOption(name)) {
            result.error = equals == std::string::npos ? TakeFlag(o, name) : name + " takes no value";
            continue;
        }
        std::string value;
        if (equals != std::string::npos) value = arg.substr(equals + 1);
        else if (i + 1 < args.size()) value = args[++i];
        else { result.error = name + " needs a value"; continue; }
        result.error = TakeValue(o, name, value);
    }
    if (result.error.empty()) result.error = CheckCombination(o);
    if (o.traceAll) o.debug = true;  // the traced commands are debug lines
    return result;
}

std::vector<std::string> ChildArguments(const CliOptions& o, const std::string& device, int reportFd) {
    std::vector<std::string> args{"--device", device, "--report-fd", std::to_string(reportFd)};
    for (const Flag& flag : kFlags) {
        std::string name = flag.name;
        if (name == "--all-recorders" || name == "--help" || name == "--list" || name == "--info" ||
            name == "--version")
            continue;
        if (o.*flag.member) args.push_back(name);
    }
    if (!o.aspiLibrary.empty()) args.insert(args.end(), {"--aspi-library", o.aspiLibrary});
    if (o.writeSpeed) args.insert(args.end(), {"--write-speed", std::to_string(*o.writeSpeed)});
    if (o.readSpeed) args.insert(args.end(), {"--read-speed", std::to_string(*o.readSpeed)});
    // Each child's own medium turns a multiple into kB/s.
    if (o.writeMultiple) args.insert(args.end(), {"--write-speed", MultipleText(*o.writeMultiple) + "x"});
    if (o.readMultiple) args.insert(args.end(), {"--read-speed", MultipleText(*o.readMultiple) + "x"});
    if (o.cacheSize) args.insert(args.end(), {"--cache-size", std::to_string(*o.cacheSize)});
    if (o.TreeMode()) {
        if (!o.folder.empty()) args.insert(args.end(), {"--folder", o.folder});
        for (const auto& [disc, local] : o.adds) args.insert(args.end(), {"--add", disc + "=" + local});
        if (!o.volumeId.empty()) args.insert(args.end(), {"--volume-id", o.volumeId});
        if (o.buildTime) args.insert(args.end(), {"--build-time", std::to_string(*o.buildTime)});
        return args;
    }
    // The parent has checked the image once; the children burn against the
    // digest it found rather than hash the image again.
    if (!o.imageDigest.empty()) args.insert(args.end(), {"--image-digest", o.imageDigest});
    else if (std::find(args.begin(), args.end(), "--no-checksum") == args.end()) args.push_back("--no-checksum");
    args.push_back("--");
    args.push_back(o.image);
    return args;
}

}  // namespace kq::cli
