#include "app/ComponentBurnerPort.h"

namespace kq {

// The settings the window gives its burner; every other property keeps
// the component's default.
ComponentBurnerPort::ComponentBurnerPort() {
    B.SetUnderrunProtection(true);
    B.ReadSpeed = 0;
    B.SetWriteSpeed(0);  // no drive is selected yet: nothing is sent
    B.SetFinalizeDisc(false);
    B.SetTestWrite(false);
    B.SetReplaceFile(false);
    B.SetPerformOPC(false);
    B.SetCacheSize(4194304);
    B.SetWritePostGap(true);
    B.SetDeviceBufferSize(0);
    B.SetDeviceFreeBufferSize(0);
}

void ComponentBurnerPort::BindEvents(WriteDone onWriteDone, FinalizingTrack onFinalizingTrack) {
    // The outcome is recorded with the text before the event is raised.
    B.OnWriteDone = [done = std::move(onWriteDone)](TQCDBurner& sender, const std::string& error) {
        done({sender.WriteDoneOutcome(), error});
    };
    B.OnFinalizingTrack = [finalizing = std::move(onFinalizingTrack)](TQCDBurner&) { finalizing(); };
}

}  // namespace kq
