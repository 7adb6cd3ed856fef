#include "cli/Recorders.h"

#include "app/PrintableName.h"
#include "burner/kqCDBC.h"
#include "cli/DeviceChoice.h"
#include "cli/DriveFacts.h"
#include "cli/DriveTable.h"
#include "cli/ExitCode.h"
#include "cli/TransportHelp.h"
#include "drive/DriveListing.h"
#include "platform/OpticalDrive.h"
#include "transport/kqASPI.h"

namespace kq::cli {

namespace {

std::vector<std::string> EntryLines(size_t number, const DriveFacts& facts) {
    std::vector<std::string> lines{std::to_string(number) + ") " + ShortEntry(facts.entry)};
    if (!facts.selected) {
        lines.push_back("     does not answer as a CD or DVD drive");
        return lines;
    }
    std::string writes;
    for (const std::string& name : facts.writes) writes += (writes.empty() ? "" : " ") + name;
    lines.push_back("     " + facts.description);
    lines.push_back("     writes: " + (writes.empty() ? std::string("nothing (a reader)") : writes));
    if (!facts.ready && facts.mediaType == 0)
        lines.push_back("     medium: none or not ready" +
                        (facts.notReadyReason.empty() ? "" : " [" + facts.notReadyReason + "]"));
    else
        lines.push_back("     medium: " + MediaName(facts.mediaType) + ", " + DiscStatusText(facts));
    return lines;
}

bool CanTake(const DriveFacts& facts, bool anyMedium) {
    return anyMedium ? !facts.writes.empty() : facts.canWriteCDR;
}

}  // namespace

bool StartTransport(TQCDBurner& burner, const CliOptions& options) {
    return burner.InitASPI(options.passThrough, options.aspiLibrary);
}

std::vector<std::string> DriveListing(TQCDBurner& burner, bool transportLoaded) {
    std::vector<std::string> lines;
    if (transportLoaded && burner.Devices().empty())
        lines.push_back("No CD or DVD drive found through " + PrintableName(ASPILayerName()) + ".");
    size_t number = 0;
    for (const std::string& entry : std::vector<std::string>(burner.Devices())) {
        for (std::string& line : EntryLines(++number, ExamineDrive(burner, entry))) lines.push_back(std::move(line));
    }
    auto unopenable = ListDrives(burner).unopenable;
    if (!unopenable.empty()) lines.push_back("Present but not usable:");
    for (const auto& drive : unopenable) lines.push_back("  " + platform::UnopenableText(drive));
    return lines;
}

int CheckNamedDrives(const CliOptions& options, Console& console) {
    if (options.devices.empty()) return kExitSuccess;
    TQCDBurner burner;
    if (!StartTransport(burner, options)) {
        for (const std::string& line : NoTransportLines(options)) console.Error(line);
        return kExitNoRecorder;
    }
    return ResolveDevices(burner.Devices(), options.devices, console) ? kExitSuccess : kExitUsage;
}

std::optional<std::vector<std::string>> ChooseRecorders(TQCDBurner& burner, const CliOptions& options,
                                                        Console& console, int& exitCode) {
    const std::vector<std::string> devices = burner.Devices();
    const auto named = ResolveDevices(devices, options.devices, console);
    if (!named) {
        exitCode = kExitUsage;
        return std::nullopt;
    }
    std::vector<std::string> chosen;
    for (const std::string& entry : *named)
        if (std::find(chosen.begin(), chosen.end(), entry) == chosen.end()) chosen.push_back(entry);
    if (options.devices.empty()) {
        for (const std::string& entry : devices) {
            if (!CanTake(ExamineDrive(burner, entry), options.anyMedium)) continue;
            chosen.push_back(entry);
            if (!options.allRecorders) break;
        }
    }
    if (chosen.empty()) {
        console.Error("no recorder can be used");
        for (const std::string& line : DriveListing(burner, true)) console.Line(line);
        exitCode = kExitNoRecorder;
        return std::nullopt;
    }
    return chosen;
}

}  // namespace kq::cli
