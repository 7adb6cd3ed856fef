#include "cli/CliModes.h"

#include "burner/kqCDBC.h"
#include "cli/CheckDisc.h"
#include "cli/ExitCode.h"
#include "cli/FolderBurn.h"
#include "cli/ImageCheck.h"
#include "cli/InfoCommand.h"
#include "cli/ListFiles.h"
#include "cli/MultiBurn.h"
#include "cli/ReadImage.h"
#include "cli/Recorders.h"
#include "cli/SingleBurn.h"
#include "cli/TransportHelp.h"

#include <cstdio>

namespace kq::cli {

namespace {

using enum Opt;

constexpr OptionSet kEvery = ~OptionSet{0};
constexpr OptionSet kAnywhere = Options({AspiLibrary, PassThrough, Debug, TraceAll});
constexpr OptionSet kDrives = Options({Device, AllRecorders, ManyDrives});
constexpr OptionSet kBurn =
    kAnywhere | kDrives |
    Options({AnyMedium, NoChecksum, WriteSpeed, ReadSpeed, TestWrite, NoUnderrunProtection, FinalizeDisc, NoClose,
             Opc, CacheSize, NoPostGap, Verify, Eject, ReportFd, Blank, Format});
constexpr OptionSet kTree =
    Options({Folder, Add, VolumeId, NoJoliet, NoRockRidge, RelocateDeep, SkipUnreadable, BuildTime, Udf});
constexpr OptionSet kReading = kAnywhere | Options({Device, ReadSpeed, Track});
constexpr OptionSet kErasing = kAnywhere | Options({Device, AnyMedium});

int PrintHelp(const std::string&, const CliOptions&, Console&) {
    std::fputs(HelpText(), stdout);
    return kExitSuccess;
}

int PrintVersion(const std::string&, const CliOptions&, Console&) {
    std::printf("cdburner-cli %s\n", KQ_CLI_VERSION);
    return kExitSuccess;
}

int ListDrives(const std::string&, const CliOptions& options, Console& console) {
    TQCDBurner burner;
    bool loaded = StartTransport(burner, options);
    if (!loaded)
        for (const std::string& line : NoTransportLines(options)) console.Error(line);
    for (const std::string& line : DriveListing(burner, loaded)) console.Line(line);
    return loaded && !burner.Devices().empty() ? kExitSuccess : kExitNoRecorder;
}

int DescribeDisc(const std::string&, const CliOptions& o, Console& console) { return ShowDiscInfo(o, console); }
int Read(const std::string&, const CliOptions& o, Console& console) { return RunReadImage(o, console); }
int Check(const std::string&, const CliOptions& o, Console& console) { return RunCheckDisc(o, console); }
int Files(const std::string&, const CliOptions& o, Console& console) { return RunListFiles(o, console); }
int Write(const std::string&, const CliOptions& o, Console& console) { return RunWriteImage(o, console); }
int Size(const std::string&, const CliOptions& o, Console& console) { return RunPrintSize(o, console); }

// A mistyped drive is told at once, not after reading the whole image.
int Erase(const std::string&, const CliOptions& o, Console& console) {
    const int code = CheckNamedDrives(o, console);
    return code != kExitSuccess ? code : RunSingleBurn(o, console);
}

int BurnFolder(const std::string& self, const CliOptions& o, Console& console) {
    const int code = CheckNamedDrives(o, console);
    return code != kExitSuccess ? code : RunFolderBurn(self, o, console);
}

// One drive: the checksum waits until the disc is known to take the image.
// Several: it is checked once here, and the children burn against it.
int BurnImage(const std::string& self, const CliOptions& o, Console& console) {
    int code = CheckNamedDrives(o, console);
    if (code != kExitSuccess) return code;
    std::optional<CheckedDigest> checked;
    code = CheckImage(o.image, o.noChecksum || !o.ManyDrives(), console, &checked);
    if (code != kExitSuccess) return code;
    if (!o.ManyDrives()) return RunSingleBurn(o, console);
    CliOptions forChildren = o;
    if (checked) forChildren.imageDigest = CheckedDigestText(*checked);
    return RunMultiBurn(self, forChildren, console);
}

struct Mode {
    CliMode mode;
    const char* name;  // as a refusal names it: "--info takes no image"
    OptionSet accepts;
    int (*run)(const std::string& self, const CliOptions&, Console&);
};

constexpr Mode kModes[] = {
    {CliMode::Help, "--help", kEvery, PrintHelp},
    {CliMode::Version, "--version", kEvery, PrintVersion},
    {CliMode::List, "--list", kAnywhere | Options({List}), ListDrives},
    {CliMode::Info, "--info", kAnywhere | kDrives | Options({Info}), DescribeDisc},
    {CliMode::ReadImage, "--read-image", kReading | Options({ReadImage, Md5, KeepGoing, Force}), Read},
    {CliMode::CheckDisc, "--check-disc", kReading | Options({CheckDisc}), Check},
    {CliMode::ListFiles, "--list-files", kReading | Options({ListFiles, Session}), Files},
    {CliMode::Blank, "--blank", kErasing | Options({Blank}), Erase},
    {CliMode::Format, "--format", kErasing | Options({Format}), Erase},
    {CliMode::BurnImage, "a burn", kBurn | Options({Image, ImageDigest}), BurnImage},
    {CliMode::BurnFolder, "--folder", kBurn | kTree | Options({Append, Remove}), BurnFolder},
    {CliMode::WriteImage, "--write-image", kAnywhere | kTree | Options({WriteImage, Force}), Write},
    {CliMode::PrintSize, "--print-size", kBurn | kTree | Options({PrintSize}), Size},
};

const Mode& RowOf(CliMode mode) {
    for (const Mode& row : kModes)
        if (row.mode == mode) return row;
    return kModes[0];
}

using ModeSet = uint32_t;
constexpr ModeSet Modes(std::initializer_list<CliMode> list) {
    ModeSet set = 0;
    for (CliMode m : list) set |= ModeSet{1} << static_cast<int>(m);
    return set;
}

constexpr ModeSet kEveryMode = ~ModeSet{0};
constexpr ModeSet kReadModes = Modes({CliMode::ReadImage, CliMode::CheckDisc, CliMode::ListFiles});
constexpr ModeSet kTreeModes = Modes({CliMode::BurnFolder, CliMode::WriteImage, CliMode::PrintSize});

// A refusal worded for some modes and options, where the plain "%m takes
// no %o" would say less; %m is the mode, %o the option. The first row that
// matches an option its mode does not accept speaks.
struct Refusal {
    ModeSet modes;
    OptionSet options;
    const char* text;
};

constexpr Refusal kRefusals[] = {
    {kReadModes, Bit(Image), "%m takes no image to burn"},
    {kReadModes, Options({AllRecorders, ManyDrives}), "a disc is read from one drive at a time"},
    {kReadModes, (kBurn | Options({List, Info})) & ~kReading & ~kDrives,
     "--read-image, --check-disc and --list-files take no burn or listing option"},
    {Modes({CliMode::CheckDisc}), Options({Md5, KeepGoing, Force}),
     "--md5, --keep-going and --force are for --read-image"},
    {kEveryMode, Options({Track, Md5, KeepGoing}), "--track, --md5 and --keep-going are for reading a disc"},
    {kEveryMode, Bit(Session), "--session is for --list-files"},
    {kEveryMode, Options({Append, Remove}), "%o is for burning --folder or --add onto a disc"},
    {kEveryMode, Bit(Force), "--force is for --read-image and --write-image"},
    {kEveryMode & ~kTreeModes & ~kReadModes, kTree | Options({PrintSize, WriteImage}), "%o needs --folder or --add"},
    {kTreeModes, Bit(Image), "give either an image or --folder/--add, not both"},
    {Modes({CliMode::WriteImage}), kDrives, "--write-image writes a file: it takes no recorder"},
    {Modes({CliMode::WriteImage}), Bit(Verify), "--write-image writes no disc to verify"},
};

// Options that contradict each other whatever the mode.
struct Clash {
    Opt first, second;
    const char* text;
};

constexpr Clash kClashes[] = {
    {Device, AllRecorders, "give either --device or --all-recorders, not both"},
    {Blank, ManyDrives, "--blank takes one recorder at a time"},
    {Format, ManyDrives, "--format takes one recorder at a time"},
    {Blank, Format, "give either --blank or --format, not both"},
    {Track, Session, "give either --track or --session, not both"},
    {NoClose, FinalizeDisc, "--no-close and --finalize-disc contradict each other: give one of them"},
};

std::string Worded(const char* text, const Mode& mode, Opt option) {
    std::string out = text;
    for (auto [mark, word] : {std::pair{"%m", std::string(mode.name)}, std::pair{"%o", OptionName(option)}})
        if (size_t at = out.find(mark); at != std::string::npos) out.replace(at, 2, word);
    return out;
}

std::string RefusalOf(const Mode& mode, Opt option) {
    const ModeSet bit = ModeSet{1} << static_cast<int>(mode.mode);
    for (const Refusal& row : kRefusals)
        if ((row.modes & bit) && (row.options & Bit(option))) return Worded(row.text, mode, option);
    return Worded("%m takes no %o", mode, option);
}

// The first option the line named that pulls in another direction.
CliMode ModeAskedFor(const CliOptions& o) {
    if (o.help) return CliMode::Help;
    if (o.version) return CliMode::Version;
    if (!o.readImage.empty()) return CliMode::ReadImage;
    if (!o.checkDisc.empty()) return CliMode::CheckDisc;
    if (o.listFiles) return CliMode::ListFiles;
    if (o.list) return CliMode::List;
    if (o.info) return CliMode::Info;
    if (o.Given(Folder) || o.Given(Add)) {
        if (o.printSize) return CliMode::PrintSize;
        return o.writeImage.empty() ? CliMode::BurnFolder : CliMode::WriteImage;
    }
    if (!o.image.empty()) return CliMode::BurnImage;
    if (o.blankType) return CliMode::Blank;
    return o.format ? CliMode::Format : CliMode::BurnImage;
}

}  // namespace

std::string DecideMode(CliOptions& o) {
    o.mode = ModeAskedFor(o);
    if (o.mode == CliMode::Help || o.mode == CliMode::Version) return {};
    if (o.Given(ReadImage) && o.Given(CheckDisc)) return "give either --read-image or --check-disc, not both";
    for (const Clash& clash : kClashes)
        if (o.Given(clash.first) && o.Given(clash.second)) return clash.text;
    const Mode& mode = RowOf(o.mode);
    for (size_t i = 0; i < sizeof(OptionSet) * 8; ++i) {
        const Opt option = static_cast<Opt>(i);
        if (o.Given(option) && !(mode.accepts & Bit(option))) return RefusalOf(mode, option);
    }
    if (o.Given(Remove) && !o.append) return "--remove needs --append";
    if (o.mode != CliMode::BurnImage) return {};
    if (o.image == "-") return "the image cannot come from standard input: give its file name";
    return o.image.empty() ? "no image given (see --help)" : "";
}

int RunMode(const std::string& self, const CliOptions& options, Console& console) {
    return RowOf(options.mode).run(self, options, console);
}

}  // namespace kq::cli
