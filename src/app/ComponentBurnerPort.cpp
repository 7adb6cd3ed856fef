#include "app/ComponentBurnerPort.h"

namespace kq {

void ApplyWindowSettings(TQCDBurner& burner) {
    burner.SetUnderrunProtection(true);
    burner.ReadSpeed = 0;
    burner.SetWriteSpeed(0);  // no drive is selected yet: nothing is sent
    burner.SetFinalizeDisc(false);
    burner.SetTestWrite(false);
    burner.SetReplaceFile(false);
    burner.SetPerformOPC(false);
    burner.SetCacheSize(4194304);
    burner.SetWritePostGap(true);
    burner.SetDeviceBufferSize(0);
    burner.SetDeviceFreeBufferSize(0);
}

ComponentBurnerPort::ComponentBurnerPort() { ApplyWindowSettings(B); }

bool ComponentBurnerPort::InitASPI(bool preferPassThrough, const std::string& libraryPath) {
    return B.InitASPI(preferPassThrough, libraryPath);
}

std::vector<std::string> ComponentBurnerPort::Devices() {
    const auto& devices = B.Devices();
    return std::vector<std::string>(devices.begin(), devices.end());
}

bool ComponentBurnerPort::SelectDevice(const std::string& entry) { return B.SelectDevice(entry); }

bool ComponentBurnerPort::CanWriteCDR() {
    return B.Capabilities().Contains(TDeviceCapability::CanWriteCDR);
}

bool ComponentBurnerPort::TestUnitReady(int timeoutMs) { return B.TestUnitReady(timeoutMs); }

int ComponentBurnerPort::GetMediaType() { return B.GetMediaType(); }

bool ComponentBurnerPort::WaitUntilReady(int totalMs, int intervalMs) {
    return B.WaitUntilReady(totalMs, intervalMs);
}

bool ComponentBurnerPort::BurnISOImage(const std::string& fileName) { return B.BurnISOImage(fileName); }

void ComponentBurnerPort::AbortWrite() { B.AbortWrite(); }

int64_t ComponentBurnerPort::TotalSectors() { return B.TotalSectors(); }

int64_t ComponentBurnerPort::BytesWritten() { return B.BytesWritten(); }

void ComponentBurnerPort::BindEvents(WriteDone onWriteDone, FinalizingTrack onFinalizingTrack) {
    B.OnWriteDone = [done = std::move(onWriteDone)](TQCDBurner&, const std::string& error) {
        done(error);
    };
    B.OnFinalizingTrack = [finalizing = std::move(onFinalizingTrack)](TQCDBurner&) { finalizing(); };
}

void ComponentBurnerPort::InstallHandOver(HandOverHook hook) { B.Synchronize = std::move(hook); }

}  // namespace kq
