#include "cli/CliOptions.h"

#include <algorithm>
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
    {"--md5", &CliOptions::md5},
    {"--keep-going", &CliOptions::keepGoing},
    {"--force", &CliOptions::force},
};

// 371x is the most a kB/s field holds on CD media.
constexpr int64_t kMaxSpeedMultiple = 371;

constexpr const char* kValueOptions[] = {"--device", "--aspi-library", "--write-speed",
                                         "--read-speed", "--cache-size", "--report-fd", "--blank",
                                         "--read-image", "--check-disc", "--track"};

std::optional<int64_t> WholeNumber(const std::string& text, int64_t low, int64_t high) {
    int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

// "16x" (a multiple of the medium's 1x) or kB/s.
std::string TakeSpeed(CliOptions& o, const std::string& name, const std::string& value) {
    bool write = name == "--write-speed";
    if (!value.empty() && (value.back() == 'x' || value.back() == 'X')) {
        auto multiple = WholeNumber(value.substr(0, value.size() - 1), 0, kMaxSpeedMultiple);
        if (!multiple)
            return name + " takes a multiple from 0x to " + std::to_string(kMaxSpeedMultiple) + "x, not \"" + value +
                   "\"";
        (write ? o.writeMultiple : o.readMultiple) = static_cast<uint16_t>(*multiple);
        (write ? o.writeSpeed : o.readSpeed).reset();
        return {};
    }
    auto speed = WholeNumber(value, 0, 65535);
    if (!speed)
        return name + " takes a speed in kB/s from 0 to 65535, or a multiple such as 16x, not \"" + value + "\"";
    (write ? o.writeSpeed : o.readSpeed) = static_cast<uint16_t>(*speed);
    (write ? o.writeMultiple : o.readMultiple).reset();
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
    if (o.list) return o.image.empty() ? std::string() : "--list takes no image";
    if (o.info) {
        if (!o.image.empty()) return "--info takes no image";
        return o.allRecorders && !o.devices.empty() ? "give either --device or --all-recorders, not both" : "";
    }
    if (o.blankType && o.ManyDrives()) return "--blank takes one recorder at a time";
    if (o.image.empty() && !o.blankType) return "no image given (see --help)";
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
            if (!o.image.empty()) result.error = "one image at a time: \"" + arg + "\" is one too many";
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
    if (o.writeMultiple) args.insert(args.end(), {"--write-speed", std::to_string(*o.writeMultiple) + "x"});
    if (o.readMultiple) args.insert(args.end(), {"--read-speed", std::to_string(*o.readMultiple) + "x"});
    if (o.cacheSize) args.insert(args.end(), {"--cache-size", std::to_string(*o.cacheSize)});
    // The parent has checked the image once; the children need not again.
    if (std::find(args.begin(), args.end(), "--no-checksum") == args.end()) args.push_back("--no-checksum");
    args.push_back("--");
    args.push_back(o.image);
    return args;
}

}  // namespace kq::cli
