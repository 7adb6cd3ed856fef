#pragma once
// The part of the burner component that the window uses: the drive layer
// (start, device list, selection, readiness, medium) and the burn itself.
#include "burner/BurnOutcome.h"
#include "digest/ChecksumList.h"
#include "drive/DriveTypes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kq {

// How a burn ended, and its text for people (empty after a success).
struct BurnReport {
    BurnOutcome outcome = BurnOutcome::Success;
    std::string text;
};

class BurnerPort {
public:
    using WriteDone = std::function<void(const BurnReport& report)>;
    using FinalizingTrack = std::function<void()>;

    virtual ~BurnerPort() = default;

    [[nodiscard]] virtual bool InitASPI(bool preferPassThrough, const std::string& libraryPath) = 0;
    virtual std::vector<std::string> Devices() = 0;
    // True in every case; a drive not taken has no capabilities.
    virtual bool SelectDevice(const std::string& entry) = 0;
    // What the selected drive says it reads and writes.
    virtual TDeviceCapabilities Capabilities() = 0;
    [[nodiscard]] virtual bool TestUnitReady(int timeoutMs) = 0;
    virtual int GetMediaType() = 0;
    // The room left on the disc for a track; nothing when the drive does not tell.
    virtual std::optional<int64_t> FreeSectors(int mediaType) = 0;
    [[nodiscard]] virtual bool WaitUntilReady(int totalMs, int intervalMs) = 0;

    // The digest the image was checked against (empty: not checked); the
    // burn fails rather than close a session over other bytes.
    virtual void SetExpectedDigest(DigestKind kind, const std::string& digest) = 0;
    // True when the burn runs; its outcome arrives through the bound
    // OnWriteDone. False after reporting why through OnWriteDone.
    [[nodiscard]] virtual bool BurnISOImage(const std::string& fileName) = 0;
    virtual void AbortWrite() = 0;
    virtual int64_t TotalSectors() = 0;
    virtual int64_t BytesWritten() = 0;
    // The drive's buffer fill in percent while it is fed; -1 when not known.
    virtual int BufferPercent() { return -1; }

    // OnWriteDone runs on the window's thread (the end of a burn is handed
    // over to it); OnFinalizingTrack runs on the write thread.
    virtual void BindEvents(WriteDone onWriteDone, FinalizingTrack onFinalizingTrack) = 0;

    // How the write thread's report gets onto the window's thread: the hook
    // queues the call there; the burner waits until it has run, or until
    // the burner itself is being destroyed.
    using HandOverHook = std::function<void(std::function<void()> call)>;
    virtual void InstallHandOver(HandOverHook hook) = 0;
};

}  // namespace kq
