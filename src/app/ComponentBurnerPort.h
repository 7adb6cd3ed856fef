#pragma once
// The window's burner B: the burner component with the window's settings,
// seen through the narrow interface the workflow uses. Both toolkits'
// windows use it; it needs none.
#include "app/BurnerPort.h"
#include "burner/kqCDBC.h"
#include "jobs/ProgressLine.h"

namespace kq {

class ComponentBurnerPort : public BurnerPort {
public:
    ComponentBurnerPort();

    bool InitASPI(bool preferPassThrough, const std::string& libraryPath) override {
        return B.InitASPI(preferPassThrough, libraryPath);
    }
    std::vector<std::string> Devices() override { return B.Devices(); }
    bool SelectDevice(const std::string& entry) override { return B.SelectDevice(entry); }
    TDeviceCapabilities Capabilities() override { return B.Capabilities(); }
    bool TestUnitReady(int timeoutMs) override { return B.TestUnitReady(timeoutMs); }
    int GetMediaType() override { return B.GetMediaType(); }
    std::optional<int64_t> FreeSectors(int mediaType) override {
        return B.FreeSectors(static_cast<uint16_t>(mediaType));
    }
    bool WaitUntilReady(int totalMs, int intervalMs) override { return B.WaitUntilReady(totalMs, intervalMs); }
    void SetExpectedDigest(DigestKind kind, const std::string& digest) override {
        B.SetExpectedDigest(kind, digest);
    }
    bool BurnISOImage(const std::string& fileName) override { return B.BurnISOImage(fileName); }
    void AbortWrite() override { B.AbortWrite(); }
    int64_t TotalSectors() override { return B.TotalSectors(); }
    int64_t BytesWritten() override { return B.BytesWritten(); }
    int BufferPercent() override { return jobs::BufferFillPercent(B.DeviceBufferSize(), B.DeviceFreeBufferSize()); }
    void BindEvents(WriteDone onWriteDone, FinalizingTrack onFinalizingTrack) override;
    void InstallHandOver(HandOverHook hook) override { B.Synchronize = std::move(hook); }

    TQCDBurner& Component() { return B; }

private:
    TQCDBurner B;
};

}  // namespace kq
