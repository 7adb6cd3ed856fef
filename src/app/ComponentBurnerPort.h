#pragma once
// The window's burner B: the burner component with the window's settings,
// seen through the narrow interface the workflow uses.
#include "app/BurnerPort.h"
#include "burner/kqCDBC.h"

namespace kq {

// The settings the window gives its burner; every other property keeps
// the component's default.
void ApplyWindowSettings(TQCDBurner& burner);

class ComponentBurnerPort : public BurnerPort {
public:
    ComponentBurnerPort();

    bool InitASPI(bool preferPassThrough, const std::string& libraryPath) override;
    std::vector<std::string> Devices() override;
    bool SelectDevice(const std::string& entry) override;
    bool CanWriteCDR() override;
    bool TestUnitReady(int timeoutMs) override;
    int GetMediaType() override;
    bool WaitUntilReady(int totalMs, int intervalMs) override;
    bool BurnISOImage(const std::string& fileName) override;
    void AbortWrite() override;
    int64_t TotalSectors() override;
    int64_t BytesWritten() override;
    void BindEvents(WriteDone onWriteDone, FinalizingTrack onFinalizingTrack) override;
    void InstallHandOver(HandOverHook hook) override;

    TQCDBurner& Component() { return B; }

private:
    TQCDBurner B;
};

}  // namespace kq
