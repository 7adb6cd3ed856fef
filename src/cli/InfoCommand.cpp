#include "cli/InfoCommand.h"

#include "app/PrintableName.h"
#include "burner/kqCDBC.h"
#include "cli/DeviceChoice.h"
#include "cli/DiscReport.h"
#include "cli/DriveFacts.h"
#include "cli/DriveTable.h"
#include "cli/ExitCode.h"
#include "cli/Recorders.h"
#include "cli/TransportHelp.h"
#include "transport/kqASPI.h"

namespace kq::cli {

namespace {

// The named drives, every drive, or the first one.
std::optional<std::vector<std::string>> InfoDrives(TQCDBurner& burner, const CliOptions& options,
                                                   Console& console) {
    const std::vector<std::string> devices = burner.Devices();
    if (options.devices.empty()) {
        if (options.allRecorders || devices.empty()) return devices;
        return std::vector<std::string>{devices.front()};
    }
    return ResolveDevices(devices, options.devices, console);
}

int ShowOne(TQCDBurner& burner, const std::string& entry, Console& console) {
    console.Line(ShortEntry(entry));
    DriveFacts facts = ExamineDrive(burner, entry);
    std::string why;
    if (!facts.selected) why = "it does not answer as a CD or DVD drive";
    else if (!facts.ready || facts.mediaType == 0)
        why = "no disc, or not ready" + (facts.notReadyReason.empty() ? "" : " [" + facts.notReadyReason + "]");
    if (!why.empty()) {
        console.Error(ShortEntry(entry) + ": " + why);
        return kExitNoRecorder;
    }
    DiscReport report = ReadDiscReport(burner, TraitsOf(facts.mediaType).family == MediaFamily::Cd, facts.mediaType);
    console.Line("  medium: " + MediaName(facts.mediaType) + (report.state.empty() ? "" : ", " + report.state));
    for (const std::string& line : report.lines) console.Line(line);
    if (report.error.empty()) return kExitSuccess;
    console.Error(ShortEntry(entry) + ": " + report.error);
    return kExitNoRecorder;
}

}  // namespace

int ShowDiscInfo(const CliOptions& options, Console& console) {
    TQCDBurner burner;
    if (!StartTransport(burner, options)) {
        for (const std::string& line : NoTransportLines(options)) console.Error(line);
        return kExitNoRecorder;
    }
    auto chosen = InfoDrives(burner, options, console);
    if (!chosen) return kExitUsage;
    if (chosen->empty()) {
        console.Error("no CD or DVD drive found through " + PrintableName(ASPILayerName()));
        return kExitNoRecorder;
    }
    int worst = kExitSuccess;
    for (const std::string& entry : *chosen) {
        int code = ShowOne(burner, entry, console);
        if (ExitSeverity(code) > ExitSeverity(worst)) worst = code;
    }
    return worst;
}

}  // namespace kq::cli
