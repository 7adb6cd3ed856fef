#pragma once
// TQCDBurner: the burner component. A drive (TSCSIDevice) with burn
// settings, progress counters, events and one entry, BurnISOImage, which
// writes an image file Track-At-Once through a reader thread (the cache)
// and a write thread. The outcome arrives once, through OnWriteDone.
#include "burner/BurnOutcome.h"
#include "burner/HandOver.h"
#include "burner/ImageLayout.h"
#include "burner/MemoryStreamEx.h"
#include "burner/ShortTrack.h"
#include "burner/TreeBuilder.h"
#include "burner/kqISOLib.h"
#include "digest/ChecksumList.h"
#include "drive/TSCSIDevice.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kq {

class TQCDBurner;
class TCacheThread;
class TThWrite;

using TWriteDoneEvent = std::function<void(TQCDBurner& Sender, const std::string& Error)>;
using TEraseDoneEvent = std::function<void(TQCDBurner& Sender, bool WithError)>;
using TNotifyEvent = std::function<void(TQCDBurner& Sender)>;
// Dates are days since 1899-12-30, as a double.
using TDateTimeValue = double;
using TAddFileEvent =
    std::function<void(TQCDBurner& Sender, const std::string& FullPath, std::string& LongFileName,
                       std::string& ShortFileName, TDateTimeValue& DateTime, int32_t Attr, int64_t FileSize,
                       bool& Skip)>;
using TAddDirEvent =
    std::function<void(TQCDBurner& Sender, std::string& LongName, std::string& ShortName, bool& Skip)>;

inline constexpr int32_t kDefaultCacheSize = 4194304;
inline constexpr int32_t kMinimumCacheSize = 2097152;
// The default cache on BD. 4 MiB is half a second of CD at 48x but only
// 58 ms at 16x BD (71,920 kB/s); 32 MiB holds the same half second there.
inline constexpr int32_t kBdCacheSize = 33554432;
inline constexpr int64_t kHeaderStreamSize = 67108864;
// How far the header stream grows for a file system that needs more.
inline constexpr int64_t kHeaderStreamLimit = int64_t{256} << 20;
inline constexpr const char* kLibraryVersion = "1.21";
// The ISOFileName that sends the image to standard output.
inline constexpr const char* kStandardOutputName = "-";

class TQCDBurner : public TSCSIDevice {
public:
    TQCDBurner();
    // A burn still sending data is aborted: the write thread flushes the
    // drive (bounded by the flush time-outs), skips closing, and is joined
    // with the reader before anything goes. One whose data has all gone out
    // is waited for until its session is closed and the drive restored
    // (bounded by the close's retries and waits): a program that quits
    // then leaves a readable disc. OnWriteDone is not raised either way.
    ~TQCDBurner() override;

    // ---- Published settings (getter, SetX) ----
    bool UnderrunProtection() const { return underrunProtection_; }
    void SetUnderrunProtection(bool v) { underrunProtection_ = v; }
    bool TestWrite() const { return testWrite_; }
    void SetTestWrite(bool v) { testWrite_ = v; }
    bool Erasing() const { return false; }  // nothing erases in this system
    bool ReplaceFile() const { return replaceFile_; }
    void SetReplaceFile(bool v) { replaceFile_ = v; }
    bool FinalizeTrack() const { return finalizeTrack_; }
    void SetFinalizeTrack(bool v) { finalizeTrack_ = v; }
    bool PerformOPC() const { return performOPC_; }
    void SetPerformOPC(bool v) { performOPC_ = v; }
    bool JolietFileSystem() const { return jolietFileSystem_; }
    void SetJolietFileSystem(bool v) { jolietFileSystem_ = v; }
    bool WritePostGap() const { return writePostGap_; }
    void SetWritePostGap(bool v) { writePostGap_ = v; }
    int32_t CacheSize() const { return cacheSize_; }
    // Stores max(value, 2 MiB), cut to whole sectors.
    void SetCacheSize(int32_t value);
    // The cache a burn onto the medium gets: CacheSize, except that the
    // default grows to kBdCacheSize on BD.
    int32_t CacheSizeFor(uint16_t mediaType) const;
    const std::string& Version() const { return version_; }
    void SetVersion(const std::string&) {}  // always the library's own
    const std::string& ISOFileName() const { return isoFileName_; }
    void SetISOFileName(const std::string& v) {
        isoFileName_ = v;
        isoFileNameSet_ = !v.empty();
    }
    // The digest the image was checked against (lower-case hex of
    // ImageDigestKind), or empty. A burn whose bytes digest otherwise fails
    // before its session is closed. Set before BurnISOImage.
    DigestKind ImageDigestKind() const;
    std::string ExpectedDigest() const;
    void SetExpectedDigest(DigestKind kind, const std::string& digest);

    // Rock Ridge in the file system built from the tree (default on).
    bool RockRidge() const { return rockRidge_; }
    void SetRockRidge(bool v) { rockRidge_ = v; }
    // Folders past 8 levels under a relocation folder (default off: in place).
    bool RelocateDeep() const { return relocateDeep_; }
    void SetRelocateDeep(bool v) { relocateDeep_ = v; }
    // UDF beside ISO 9660 and Joliet (default off).
    bool UDFFileSystem() const { return udfFileSystem_; }
    void SetUDFFileSystem(bool v) { udfFileSystem_ = v; }
    // Where the burn starts on the disc: 0, or the next writable address
    // of an appendable disc, for a folder's tree laid out as a later session.
    uint32_t SessionStart() const { return sessionStart_; }
    void SetSessionStart(uint32_t sector) { sessionStart_ = sector; }
    // On an overwritable disc: once the session is on the disc, its volume
    // descriptors are written again over sector 16 on, where readers look;
    // until then the old volume stays whole.
    bool DescriptorsLast() const { return descriptorsLast_; }
    void SetDescriptorsLast(bool v) { descriptorsLast_ = v; }
    // The last layout's volume descriptors, terminator included: the
    // header itself is let go of once it is sent.
    const std::vector<uint8_t>& VolumeDescriptors() const { return volumeDescriptors_; }

    // Volume identification and dates of the file system built from the tree.
    std::string IdVolume, IdSystem, IdVolumeSet, IdPublisher, IdPreparer, IdApplication;
    std::string FileCopyright, FileAbstract, FileBibliographic;
    TDateTimeValue DateCreation = 0, DateModification = 0, DateEffective = 0, DateExpiration = 0;
    // When the disc is made, in seconds since 1970: the creation and
    // modification dates where DateCreation and DateModification are 0,
    // and the date of folders made up for the disc. Unset: the time of the
    // layout. With ClampDates no file or folder is dated later: a newer
    // date becomes BuildTime, an older one stays (SOURCE_DATE_EPOCH).
    std::optional<int64_t> BuildTime() const { return buildTime_; }
    void SetBuildTime(std::optional<int64_t> seconds) { buildTime_ = seconds; }
    bool ClampDates() const { return clampDates_; }
    void SetClampDates(bool v) { clampDates_ = v; }

    // Whether the host's layout streamer stores the property: not when it
    // holds its stored default (DoDebug and UDFFileSystem False,
    // FinalizeTrack and JolietFileSystem True); every other property is
    // always stored.
    bool IsStored(std::string_view property) const;

    // ---- Events ----
    TEraseDoneEvent OnEraseDone;  // never raised in this system
    TAddFileEvent OnAddFile;
    TAddDirEvent OnAddDir;
    // Once per burn: on the host's thread through Synchronize after the
    // write thread started, on the caller's thread when BurnISOImage fails.
    TWriteDoneEvent OnWriteDone;
    // On the write thread: the data phase is over, the drive flushes.
    TNotifyEvent OnFinalizingTrack;
    // How OnWriteDone reaches the host's user-interface thread (see HandOver.h).
    TSynchronizeHook Synchronize;

    // ---- Burning ----
    // Starts burning FileName onto the selected drive. True when both
    // threads run (the outcome follows through OnWriteDone); false after
    // OnWriteDone reported why, on this thread: the file cannot be opened,
    // the reader failed while priming, an abort came while it primed, or
    // another burn is running.
    // An empty FileName burns the image tree: its header stream, then its
    // files' data. With ISOFileName set the same bytes go into that file
    // (whole or not at all, with a .sha256 companion) and no drive is used;
    // an ISOFileName of kStandardOutputName streams them to standard output,
    // with no companion (SentDigest holds their digest).
    [[nodiscard]] bool BurnISOImage(const std::string& FileName);
    // The image tree's size in sectors. A tree laid out by
    // BuildImageLayout is laid out again when it or a property the layout
    // reads changed since; otherwise its size is the layout's, read, not
    // counted again. A header written by the caller is followed by each
    // file the cache sends, which must start where it was placed (its
    // Extent). -1 with the reason when the tree cannot be burnt as it is
    // (or a burn runs).
    int64_t TreeSectors(std::string& error);
    // The refusal of a track of `sectors` that the disc in the selected
    // drive has no room for; empty when it fits or the drive does not tell.
    std::string ImageTooLargeText(uint16_t mediaType, int64_t sectors);
    // Asks the running burn to stop; returns at once. A command the drive
    // has not answered yet gets one more second (see GiveUpWaiting).
    void AbortWrite();
    // A burn of this component is running (until its OnWriteDone is done).
    bool Burning() const;

    int64_t ImageSectors() const { return imageSectors_.load(); }
    // The image's sectors, at least 300 with WritePostGap unless
    // ISOFileName is set: the file is not padded.
    int64_t TotalSectors() const;
    // Bytes handed to the drive in this burn; readable from any thread.
    int64_t BytesWritten() const { return bytesWritten_.load(); }
    // What the last OnWriteDone reported: its text, and how the burn ended.
    std::string WriteDoneText() const;
    BurnOutcome WriteDoneOutcome() const;
    // The last burn's digest (of ImageDigestKind) of the bytes handed to
    // the drive or the image file, and their count: the image's own bytes,
    // or every byte of a tree's layout (SHA-256 then). Empty and 0 until it
    // has reported, and for a burn that did not send them all.
    std::string SentDigest() const;
    int64_t SentBytes() const;

    // ---- Building a file system from the image tree ----
    // Builds the file system of the image tree into the header stream and
    // gives every file its extent. Returns the whole layout's size in
    // sectors (header + data), or -1 with error (and LastErrorText) set
    // when the tree cannot be laid out (a folder too deep without Rock
    // Ridge, a name too long or taken twice, a header past
    // kHeaderStreamLimit, ...); the header stream is then left as it was.
    // Nothing is written to a drive. Warnings go to OnDebugMessage.
    // Refused while Burning(), as are AddFolder, AddPath and ResetTree.
    int64_t BuildImageLayout(std::string& error);
    // The size BuildImageLayout gives, and the names and extents it sets,
    // without making the header (the header stream stays as it was).
    int64_t MeasureImageLayout(std::string& error);
    // Adds the contents of a local folder (recursively) under discPath
    // ("" or "/" = root), raising OnAddDir and OnAddFile for each entry.
    // Skipped special files and unreadable entries are reported through
    // the two lists; false with report.Error when the tree is full.
    [[nodiscard]] bool AddFolder(const std::string& discPath, const std::string& localPath, TAddReport& report);
    // Adds one file or folder at discPath (a graft point "on/disc/path=local/path").
    [[nodiscard]] bool AddPath(const std::string& discPath, const std::string& localPath, TAddReport& report);

    TMemoryStreamEx& HeaderStream() { return headerStream_; }
    TImageTree& ImageTree() { return tree_; }
    TDEntry* RootDir() const { return tree_.RootDir(); }

protected:
    // After an abort, a command is given a second to answer, not its whole
    // time-out: a drive that answers at all does so well within it, and
    // one that stopped answering must not hold the user for half an hour.
    bool GiveUpWaiting() const override;

private:
    friend class TThWrite;

    [[nodiscard]] bool StartWriteThread();
    // The image file's sectors; -1 with the reason when it cannot be burnt.
    int64_t ImageFileSectors(const std::string& fileName, std::string& error);
    // Holds the drive, reads the medium and checks that it is written and
    // that the image fits; the reason when not.
    std::string PrepareDrive(uint16_t& media);
    void RecordWriteDone(const std::string& text, BurnOutcome outcome);
    void ReportFailure(const std::string& text, BurnOutcome outcome = BurnOutcome::Failed);
    // Reports why the burn does not start; false.
    bool RefuseBurn(const std::string& text);
    // Why the drive cannot be had for this burn; empty once it is held.
    std::string ClaimDrive();
    void ReleaseDrive();
    void StopCache();
    // The write thread's last steps.
    void AddBytesWritten(int64_t n);
    void DeliverWriteDone(const std::string& text, BurnOutcome outcome);
    void RecordSent(std::string digest, int64_t bytes);
    DigestKind SentDigestKind(bool treeMode);
    void EndBurn();
    bool Closing() const { return closing_.load(); }
    AddHooks MakeAddHooks();
    LayoutOptions CurrentLayoutOptions() const;
    int64_t LayOut(std::string& error);
    bool LayoutFresh() const;
    int64_t FreshTreeSectors(std::string& error);
    bool RefuseChange(TAddReport& report);
    using TreeAdd = bool (TreeBuilder::*)(const std::string&, const std::string&, TAddReport&);
    bool AddThrough(TreeAdd add, const std::string& discPath, const std::string& localPath, TAddReport& report);
    void TraceSkipped(const TAddReport& report, size_t from);

    TMemoryStreamEx headerStream_;
    TImageTree tree_{this};
    // The last layout: what it was made from, and its size.
    std::optional<LayoutOptions> laidOutWith_;
    uint64_t laidOutRevision_ = 0;
    int64_t laidOutSectors_ = 0;
    std::atomic<bool> underrunProtection_{true}, testWrite_{false}, replaceFile_{false},
        finalizeTrack_{true}, performOPC_{false}, jolietFileSystem_{true}, writePostGap_{true},
        rockRidge_{true}, relocateDeep_{false}, udfFileSystem_{false};
    std::atomic<int32_t> cacheSize_{kDefaultCacheSize};
    std::atomic<uint32_t> sessionStart_{0};
    std::atomic<bool> descriptorsLast_{false};
    std::vector<uint8_t> volumeDescriptors_;
    std::string version_ = kLibraryVersion;
    std::string isoFileName_;
    std::atomic<bool> isoFileNameSet_{false};  // for TotalSectors, read on any thread
    std::optional<int64_t> buildTime_;
    bool clampDates_ = false;

    std::atomic<int64_t> imageSectors_{0};
    std::atomic<int64_t> bytesWritten_{0};
    mutable std::mutex textLock_;
    std::string writeDoneText_;
    BurnOutcome writeDoneOutcome_ = BurnOutcome::Success;
    // The image file of the running burn (ISOFileName when it started), or
    // empty for a disc; set before the threads start, read by the writer.
    std::string imageOutput_;
    std::atomic<bool> toImageFile_{false};
    DigestKind digestKind_ = DigestKind::MD5;  // under textLock_, with the three below
    std::string expectedDigest_;
    std::string sentDigest_;
    int64_t sentBytes_ = 0;
    std::atomic<bool> burning_{false};
    std::atomic<bool> closing_{false};  // being destroyed mid-data: end the burn quickly
    UiHandOver handOver_;
    std::unique_ptr<TCacheThread> cache_;
    std::unique_ptr<TThWrite> writer_;
    std::optional<std::array<uint8_t, 3>> claimed_;  // the address held for the burn
};

// One burn per process: the component whose burn runs, its cache thread,
// and the abort request the write thread polls.
extern std::atomic<TQCDBurner*> ActiveBurner;
extern std::atomic<TCacheThread*> ActiveCacheThread;
extern std::atomic<bool> AbortRequested;

}  // namespace kq
