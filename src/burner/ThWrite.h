#pragma once
// TThWrite: the drive side of one burn. Prepares the recorder, announces
// the write, sends the cache's blocks with one WRITE (10) each (retrying
// while the drive is busy), flushes, closes the session, restores the
// drive and reports the outcome once through the component's OnWriteDone.
#include "burner/BurnOutcome.h"
#include "drive/MediaTypes.h"
#include "platform/FileHandle.h"
#include "platform/Thread.h"

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <cstdint>
#include <locale>
#include <memory>
#include <string>

namespace kq {

class TQCDBurner;
class TCacheThread;

namespace write_timing {
inline constexpr uint32_t kBusySleepMs = 600;
inline constexpr int kBusyAttempts = 10000;
// An adapter that stays busy this long (600 ms apart) has lost the drive.
inline constexpr int kAdapterBusyAttempts = 100;
inline constexpr uint32_t kNoBlockSleepMs = 1;
inline constexpr int kBufferPollBlocks = 5;
inline constexpr uint32_t kCloseRetrySleepMs = 1000;
inline constexpr int kCloseSends = 1000;
inline constexpr int kFlushTimeoutMs = 120000;
inline constexpr int kDvdFlushTimeoutMs = 1800000;
inline constexpr uint32_t kDrainStepDivisor = 960;
inline constexpr uint32_t kDrainStepMs = 1000;
inline constexpr int kFinalWaitMs = 240000, kFinalWaitStepMs = 5000;
inline constexpr int kPrepareWaitMs = 10000, kPrepareWaitStepMs = 1000;
inline constexpr int kReadyTimeoutMs = 5000;
inline constexpr uint8_t kWriteFlags = 0x50;  // event notify, data out
inline constexpr uint8_t kCloseFinalizeDvdPlusR = 5;  // close the session and the disc
inline constexpr uint8_t kCloseFinalizeBdR = 6;       // BD-R: finalize the disc
}  // namespace write_timing

// "40X (7,056 KB/s)": the speed as a multiple of the family's 1x (one
// decimal on DVD and BD), then in kB/s, with the locale's decimal and
// thousands signs.
std::string SpeedText(uint32_t kBps, MediaFamily family, const std::locale& locale);
// The family whose multiple the announcement shows: that of a recordable
// DVD or BD; a pressed DVD and a disc not known are shown in CD multiples.
MediaFamily AnnouncedFamily(int mediaType);

class TThWrite {
public:
    TThWrite(TQCDBurner& burner, TCacheThread& cache);
    // Waits for the thread; the owner aborts the burn first.
    ~TThWrite();
    TThWrite(const TThWrite&) = delete;
    TThWrite& operator=(const TThWrite&) = delete;

    // Runs the body at time-critical priority.
    void Start();
    // The owner is going away: true while data is still being sent (the
    // owner then aborts the burn, which leaves the session open as any
    // abort does); false once it has all gone out, when the flush, the
    // close and the restore go on and the owner waits for them.
    [[nodiscard]] bool AbandonUnlessDataSent();

private:
    void Execute();
    // Past the data phase; false when the owner abandoned the burn first.
    [[nodiscard]] bool EnterFinish();
    // The data into the image file instead of a drive (ThWriteImage.cpp).
    void WriteImageFile();
    void StreamImage();
    std::string CopyBlocksInto(platform::FileDescriptor file, const std::string& part, bool writeback);
    std::string PublishImage(platform::FileHandle& file, const std::string& part);
    [[nodiscard]] bool Prepare();
    [[nodiscard]] bool AbortedBeforeDiscChange();
    void SetSpeed();
    void FormatIfNeeded();
    [[nodiscard]] bool ReserveDvdRTrack();
    uint32_t DvdREnd();
    uint32_t LastBurnSector() const;
    void Announce();
    void DataPhase();
    [[nodiscard]] bool WriteBlock(int32_t n);
    [[nodiscard]] bool EndWrite(bool reached, const std::string& driveText);
    int32_t NextBlock();
    void CompareSentDigest();
    void Flush();
    [[nodiscard]] bool SendPastBusyAdapter(std::unique_lock<std::recursive_mutex>& hold, const std::function<bool()>& send);
    void FlushDvdMinusR();
    void Close();
    void SendClosingPage();
    void CloseDvd();
    [[nodiscard]] bool SessionClosed();
    void CloseCd();
    void Restore();
    void WriteDescriptorsLast();
    void Complete();
    void Fail(const std::string& text, BurnOutcome outcome = BurnOutcome::Failed);
    void WriterErrorUnlessSet(const std::string& driveText);
    bool HardFailure() const;
    bool BusyOrNotReady() const;
    bool FlushFailed() const;
    std::string DriveText() const;
    void RaiseFinalizingTrack();
    [[nodiscard]] bool CloseRaw(bool immediate, uint8_t function, int track);

    TQCDBurner& burner_;
    TCacheThread& cache_;
    uint16_t mediaType_ = 0;
    uint32_t sectorsWritten_ = 0;
    int pollCountdown_ = write_timing::kBufferPollBlocks;
    bool capacityKnown_ = false;
    bool driveLost_ = false;  // the failed WRITE never reached the drive
    bool discTouched_ = false;  // a reservation, OPC or WRITE has been sent
    int firstTrack_ = 1;
    uint32_t writeSpeed_ = 0;
    uint16_t kin_ = 0;  // the medium whose write path this one takes
    enum class Stage : uint8_t { Sending, Finishing, Abandoned };
    std::atomic<Stage> stage_{Stage::Sending};
    std::unique_ptr<std::array<uint8_t, 65536>> block_;
    platform::Thread thread_;  // last: joined before the fields above go
};

}  // namespace kq
