#include "app/qt/QCDBurnerPort.h"

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

QCDBurnerPort::QCDBurnerPort() { ApplyWindowSettings(B); }

bool QCDBurnerPort::InitASPI(bool preferPassThrough, const std::string& libraryPath) {
    return B.InitASPI(preferPassThrough, libraryPath);
}

std::vector<std::string> QCDBurnerPort::Devices() {
    const auto& devices = B.Devices();
    return std::vector<std::string>(devices.begin(), devices.end());
}

bool QCDBurnerPort::SelectDevice(const std::string& entry) { return B.SelectDevice(entry); }

bool QCDBurnerPort::CanWriteCDR() {
    return B.Capabilities().Contains(TDeviceCapability::CanWriteCDR);
}

bool QCDBurnerPort::TestUnitReady(int timeoutMs) { return B.TestUnitReady(timeoutMs); }

int QCDBurnerPort::GetMediaType() { return B.GetMediaType(); }

bool QCDBurnerPort::WaitUntilReady(int totalMs, int intervalMs) {
    return B.WaitUntilReady(totalMs, intervalMs);
}

bool QCDBurnerPort::BurnISOImage(const std::string& fileName) { return B.BurnISOImage(fileName); }

void QCDBurnerPort::AbortWrite() { B.AbortWrite(); }

int64_t QCDBurnerPort::TotalSectors() { return B.TotalSectors(); }

int64_t QCDBurnerPort::BytesWritten() { return B.BytesWritten(); }

void QCDBurnerPort::BindEvents(WriteDone onWriteDone, FinalizingTrack onFinalizingTrack) {
    B.OnWriteDone = [done = std::move(onWriteDone)](TQCDBurner&, const std::string& error) {
        done(error);
    };
    B.OnFinalizingTrack = [finalizing = std::move(onFinalizingTrack)](TQCDBurner&) { finalizing(); };
}

void QCDBurnerPort::InstallHandOver(HandOverHook hook) { B.Synchronize = std::move(hook); }

}  // namespace kq
