#include "cli/CliOptions.h"

#include "app/PrintableName.h"
#include "burner/TreeBuilder.h"
#include "cli/BuildTime.h"
#include "cli/CliModes.h"
#include "cli/ImageCheck.h"
#include "cli/SpeedMultiple.h"
#include "jobs/VolumeId.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace kq::cli {
namespace {

using Args = std::vector<std::string>;

struct Flag {
    const char* name;
    bool CliOptions::*member;
    Opt id;
    bool child;  // a child burn of several recorders gets it too
};

constexpr Flag kFlags[] = {
    {"--help", &CliOptions::help, Opt::Help, false},
    {"--list", &CliOptions::list, Opt::List, false},
    {"--info", &CliOptions::info, Opt::Info, false},
    {"--version", &CliOptions::version, Opt::Version, false},
    {"--all-recorders", &CliOptions::allRecorders, Opt::AllRecorders, false},
    {"--pass-through", &CliOptions::passThrough, Opt::PassThrough, true},
    {"--any-medium", &CliOptions::anyMedium, Opt::AnyMedium, true},
    {"--no-checksum", &CliOptions::noChecksum, Opt::NoChecksum, true},
    {"--test-write", &CliOptions::testWrite, Opt::TestWrite, true},
    {"--no-underrun-protection", &CliOptions::noUnderrunProtection, Opt::NoUnderrunProtection, true},
    {"--finalize-disc", &CliOptions::finalizeDisc, Opt::FinalizeDisc, true},
    {"--no-close", &CliOptions::noClose, Opt::NoClose, true},
    {"--opc", &CliOptions::opc, Opt::Opc, true},
    {"--no-post-gap", &CliOptions::noPostGap, Opt::NoPostGap, true},
    {"--verify", &CliOptions::verify, Opt::Verify, true},
    {"--eject", &CliOptions::eject, Opt::Eject, true},
    {"--debug", &CliOptions::debug, Opt::Debug, true},
    {"--trace-all", &CliOptions::traceAll, Opt::TraceAll, true},
    {"--format", &CliOptions::format, Opt::Format, true},
    {"--no-joliet", &CliOptions::noJoliet, Opt::NoJoliet, true},
    {"--no-rock-ridge", &CliOptions::noRockRidge, Opt::NoRockRidge, true},
    {"--relocate-deep", &CliOptions::relocateDeep, Opt::RelocateDeep, true},
    {"--print-size", &CliOptions::printSize, Opt::PrintSize, false},
    {"--skip-unreadable", &CliOptions::skipUnreadable, Opt::SkipUnreadable, true},
    {"--md5", &CliOptions::md5, Opt::Md5, false},
    {"--keep-going", &CliOptions::keepGoing, Opt::KeepGoing, false},
    {"--force", &CliOptions::force, Opt::Force, false},
};

// 1x on CD media, rounded as drives report it: a bare number below it is
// a multiple typed without its x far more often than a wish for a crawl.
constexpr int64_t kOneXKBps = 176;

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
std::string TakeSpeed(CliOptions& o, bool write, const std::string& value) {
    const std::string name = write ? "--write-speed" : "--read-speed";
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

std::string TakeDevice(CliOptions& o, const std::string& value) {
    if (value.empty()) return "--device needs a drive: a number, H:T:L or an entry of --list";
    o.devices.push_back(value);
    // A node is reached through the pass-through layer.
    if (value.starts_with("/dev/")) o.passThrough = true, o.given |= Bit(Opt::PassThrough);
    return {};
}

std::string TakeAspiLibrary(CliOptions& o, const std::string& value) {
    o.aspiLibrary = value;
    return {};
}

std::string TakeWriteSpeed(CliOptions& o, const std::string& value) { return TakeSpeed(o, true, value); }
std::string TakeReadSpeed(CliOptions& o, const std::string& value) { return TakeSpeed(o, false, value); }

std::string TakeCacheSize(CliOptions& o, const std::string& value) {
    auto bytes = WholeNumber(value, 1, std::numeric_limits<int32_t>::max());
    if (!bytes) return "--cache-size takes a number of bytes, not \"" + value + "\"";
    o.cacheSize = static_cast<int32_t>(*bytes);
    return {};
}

std::string TakeReportFd(CliOptions& o, const std::string& value) {
    auto fd = WholeNumber(value, 0, std::numeric_limits<int>::max());
    if (!fd) return "--report-fd takes a file descriptor number";
    o.reportFd = static_cast<int>(*fd);
    return {};
}

std::string TakeBlank(CliOptions& o, const std::string& value) {
    if (value != "fast" && value != "all") return "--blank takes fast or all, not \"" + value + "\"";
    o.blankType = value == "fast" ? 1 : 0;
    return {};
}

std::string TakeFolder(CliOptions& o, const std::string& value) {
    if (value.empty()) return "--folder needs a folder";
    if (!o.folder.empty()) return "one --folder at a time (--add adds more)";
    o.folder = value;
    return {};
}

// DISC/PATH=LOCAL/PATH, a "\=" standing for an "=" of the disc path.
std::string TakeAdd(CliOptions& o, const std::string& value) {
    std::string disc, local;
    if (!SplitGraftPoint(value, disc, local) || disc.empty() || local.empty())
        return "--add takes DISC/PATH=LOCAL/PATH, not \"" + value + "\"";
    if (!IsDiscPath(disc)) return "--add \"" + value + "\": a disc path holds no empty name, \".\" or \"..\"";
    o.adds.emplace_back(disc, local);
    return {};
}

std::string TakeVolumeId(CliOptions& o, const std::string& value) {
    o.volumeId = VolumeIdOf(value);
    if (value.empty() || value.size() > kVolumeIdLength || o.volumeId != UpperAscii(value))
        return "--volume-id takes 1 to 32 letters, digits and _, not \"" + value + "\"";
    return {};
}

std::string TakeFileName(std::string& field, const char* option, const std::string& value) {
    if (value.empty()) return option + std::string(" needs a file name");
    field = value;
    return {};
}

std::string TakeWriteImage(CliOptions& o, const std::string& value) { return TakeFileName(o.writeImage, "--write-image", value); }

std::string TakeImageDigest(CliOptions& o, const std::string& value) {
    if (!ParseCheckedDigest(value)) return "--image-digest takes md5:<32 hex digits> or sha256:<64 hex digits>";
    o.imageDigest = value;
    return {};
}

std::string TakeReadImage(CliOptions& o, const std::string& value) { return TakeFileName(o.readImage, "--read-image", value); }

std::string TakeCheckDisc(CliOptions& o, const std::string& value) { return TakeFileName(o.checkDisc, "--check-disc", value); }

// The parent's build time, handed to each child burn of several recorders.
std::string TakeBuildTime(CliOptions& o, const std::string& value) {
    auto seconds = WholeNumber(value, 0, kLastVolumeSecond);
    if (!seconds) return "--build-time takes seconds since 1970";
    o.buildTime = *seconds;
    return {};
}

std::string TakeTrack(CliOptions& o, const std::string& value) {
    auto track = WholeNumber(value, 1, 99);
    if (!track) return "--track takes a track number from 1 to 99, not \"" + value + "\"";
    o.track = static_cast<int>(*track);
    return {};
}

void GiveAspiLibrary(const CliOptions& o, Args& args) {
    if (!o.aspiLibrary.empty()) args.insert(args.end(), {"--aspi-library", o.aspiLibrary});
}

// Each child's own medium turns a multiple into kB/s.
void GiveSpeed(Args& args, const char* name, std::optional<uint16_t> kBps, std::optional<double> multiple) {
    if (kBps) args.insert(args.end(), {name, std::to_string(*kBps)});
    if (multiple) args.insert(args.end(), {name, MultipleText(*multiple) + "x"});
}

void GiveWriteSpeed(const CliOptions& o, Args& args) {
    GiveSpeed(args, "--write-speed", o.writeSpeed, o.writeMultiple);
}

void GiveReadSpeed(const CliOptions& o, Args& args) { GiveSpeed(args, "--read-speed", o.readSpeed, o.readMultiple); }

void GiveCacheSize(const CliOptions& o, Args& args) {
    if (o.cacheSize) args.insert(args.end(), {"--cache-size", std::to_string(*o.cacheSize)});
}

void GiveFolder(const CliOptions& o, Args& args) {
    if (!o.folder.empty()) args.insert(args.end(), {"--folder", o.folder});
}

void GiveAdds(const CliOptions& o, Args& args) {
    for (const auto& [disc, local] : o.adds) {
        std::string escaped;
        for (char c : disc) escaped += c == '=' ? std::string("\\=") : std::string(1, c);
        args.insert(args.end(), {"--add", escaped + "=" + local});
    }
}

void GiveVolumeId(const CliOptions& o, Args& args) {
    if (!o.volumeId.empty()) args.insert(args.end(), {"--volume-id", o.volumeId});
}

// The parent has checked the image once; the children burn against the
// digest it found rather than hash the image again.
void GiveImageDigest(const CliOptions& o, Args& args) {
    if (!o.imageDigest.empty()) args.insert(args.end(), {"--image-digest", o.imageDigest});
}

void GiveBuildTime(const CliOptions& o, Args& args) {
    if (o.buildTime) args.insert(args.end(), {"--build-time", std::to_string(*o.buildTime)});
}

struct ValueOption {
    const char* name;
    Opt id;
    const char* needs;  // what the value is, for a value that looks like an option
    std::string (*take)(CliOptions&, const std::string& value);  // an error line when the value is unfit
    void (*give)(const CliOptions&, Args&);  // what a child burn gets; null: nothing
};

// A child gets its own --device and --report-fd.
constexpr ValueOption kValues[] = {
    {"--device", Opt::Device, "a drive", TakeDevice, nullptr},
    {"--aspi-library", Opt::AspiLibrary, "a library file", TakeAspiLibrary, GiveAspiLibrary},
    {"--write-speed", Opt::WriteSpeed, "a speed", TakeWriteSpeed, GiveWriteSpeed},
    {"--read-speed", Opt::ReadSpeed, "a speed", TakeReadSpeed, GiveReadSpeed},
    {"--cache-size", Opt::CacheSize, "a number of bytes", TakeCacheSize, GiveCacheSize},
    {"--report-fd", Opt::ReportFd, "a file descriptor number", TakeReportFd, nullptr},
    {"--blank", Opt::Blank, "fast or all", TakeBlank, nullptr},
    {"--folder", Opt::Folder, "a folder", TakeFolder, GiveFolder},
    {"--add", Opt::Add, "DISC/PATH=LOCAL/PATH", TakeAdd, GiveAdds},
    {"--volume-id", Opt::VolumeId, "a volume name", TakeVolumeId, GiveVolumeId},
    {"--write-image", Opt::WriteImage, "a file name", TakeWriteImage, nullptr},
    {"--image-digest", Opt::ImageDigest, "a digest", TakeImageDigest, GiveImageDigest},
    {"--read-image", Opt::ReadImage, "a file name", TakeReadImage, nullptr},
    {"--check-disc", Opt::CheckDisc, "a file name", TakeCheckDisc, nullptr},
    {"--track", Opt::Track, "a track number", TakeTrack, nullptr},
    {"--build-time", Opt::BuildTime, "seconds since 1970", TakeBuildTime, GiveBuildTime},
};

const Flag* FindFlag(const std::string& name) {
    for (const Flag& flag : kFlags)
        if (name == flag.name) return &flag;
    return nullptr;
}

const ValueOption* FindValue(const std::string& name) {
    for (const ValueOption& option : kValues)
        if (name == option.name) return &option;
    return nullptr;
}

size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// A typing slip (a letter too many, too few or wrong, twice at most) is
// named back with the option it nearly is.
std::string UnknownOption(const std::string& name) {
    constexpr size_t kNear = 2;
    std::string nearest;
    size_t best = kNear + 1;
    auto consider = [&](const char* known) {
        const size_t distance = EditDistance(name, known);
        if (distance < best) best = distance, nearest = known;
    };
    for (const Flag& flag : kFlags) consider(flag.name);
    for (const ValueOption& option : kValues) consider(option.name);
    if (nearest.empty() || best * 4 > name.size()) return "unknown option " + name + " (see --help)";
    return "unknown option " + name + ": did you mean " + nearest + "?";
}

// A value that is itself an option means the value was left out.
bool LooksLikeOption(const std::string& value) { return value.starts_with("--") || value == "-h"; }

// The option at args[i] (and its value, which may be the next argument).
std::string TakeOption(CliOptions& o, const Args& args, size_t& i) {
    const std::string arg = args[i] == "-h" ? std::string("--help") : args[i];
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (const Flag* flag = FindFlag(name)) {
        if (equals != std::string::npos) return name + " takes no value";
        o.*flag->member = true;
        o.given |= Bit(flag->id);
        return {};
    }
    const ValueOption* option = FindValue(name);
    if (!option) return UnknownOption(name);
    std::string value;
    if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
        value = args[++i];
        if (LooksLikeOption(value)) return name + " needs " + option->needs + ", not " + value;
    } else {
        return name + " needs a value";
    }
    o.given |= Bit(option->id);
    return option->take(o, value);
}

std::string TakeImage(CliOptions& o, const std::string& arg) {
    if (!o.image.empty()) return "one image at a time: \"" + PrintableName(arg) + "\" is one too many";
    o.image = arg;
    o.given |= Bit(Opt::Image);
    return {};
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
    ParseResult result;
    CliOptions& o = result.options;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size() && result.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') result.error = TakeImage(o, arg);
        else if (arg == "--") optionsEnded = true;
        else result.error = TakeOption(o, args, i);
    }
    if (o.ManyDrives()) o.given |= Bit(Opt::ManyDrives);
    if (result.error.empty()) result.error = DecideMode(o);
    if (o.traceAll) o.debug = true;  // the traced commands are debug lines
    return result;
}

std::string OptionName(Opt id) {
    if (id == Opt::Image) return "image";
    if (id == Opt::ManyDrives) return "more than one drive";
    for (const Flag& flag : kFlags)
        if (flag.id == id) return flag.name;
    for (const ValueOption& option : kValues)
        if (option.id == id) return option.name;
    return {};
}

std::vector<std::string> ChildArguments(const CliOptions& o, const std::string& device, int reportFd) {
    Args args{"--device", device, "--report-fd", std::to_string(reportFd)};
    for (const Flag& flag : kFlags)
        if (flag.child && o.*flag.member) args.push_back(flag.name);
    for (const ValueOption& option : kValues)
        if (option.give) option.give(o, args);
    if (o.mode != CliMode::BurnImage) return args;
    if (o.imageDigest.empty() && !o.noChecksum) args.push_back("--no-checksum");
    args.push_back("--");
    args.push_back(o.image);
    return args;
}

}  // namespace kq::cli
