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

void ComponentBurnerPort::BindEvents(WriteDone onWriteDone, FinalizingTrack onFinalizingTrack) {
    B.OnWriteDone = [done = std::move(onWriteDone)](TQCDBurner&, const std::string& error) { done(error); };
    B.OnFinalizingTrack = [finalizing = std::move(onFinalizingTrack)](TQCDBurner&) { finalizing(); };
}

}  // namespace kq
