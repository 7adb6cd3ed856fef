#include "transport/kqASPI.h"

#include "platform/Library.h"
#include "transport/InFlightRequest.h"
#include "transport/PassThrough.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <optional>

namespace kq {

namespace {
std::atomic<SendASPI32CommandFn> sendEntry{nullptr};
std::atomic<GetASPI32SupportInfoFn> infoEntry{nullptr};
std::atomic<bool> loaded{false};
std::mutex nameLock;
std::string layerName;
std::atomic<decltype(DriveClaimFns::claim)> claimEntry{nullptr};
std::atomic<decltype(DriveClaimFns::release)> releaseEntry{nullptr};
std::mutex libraryLock;
std::optional<platform::Library> ASPILibHandle;
}  // namespace

void InstallTransport(SendASPI32CommandFn send, GetASPI32SupportInfoFn info, std::string name,
                      DriveClaimFns claim) {
    sendEntry.store(send);
    infoEntry.store(info);
    claimEntry.store(claim.claim);
    releaseEntry.store(claim.release);
    {
        std::lock_guard lock(nameLock);
        layerName = std::move(name);
    }
    loaded.store(send != nullptr && info != nullptr);
}

void ReleaseTransport() {
    loaded.store(false);
    AbandonParkedRequests();
    sendEntry.store(nullptr);
    infoEntry.store(nullptr);
    claimEntry.store(nullptr);
    releaseEntry.store(nullptr);
    std::lock_guard lock(nameLock);
    layerName.clear();
}

bool ASPILoaded() { return loaded.load(); }

std::string ASPILayerName() {
    std::lock_guard lock(nameLock);
    return layerName;
}

uint32_t SendASPI32Command(void* srb) {
    SendASPI32CommandFn send = sendEntry.load();
    if (!send || !loaded.load()) return SS_INVALID_HA;
    return send(srb);
}

uint32_t GetASPI32SupportInfo() {
    GetASPI32SupportInfoFn info = infoEntry.load();
    return info && loaded.load() ? info() : 0;
}

bool ClaimTransportDrive(uint8_t HaId, uint8_t Target, uint8_t Lun, std::error_code& why) {
    const auto claim = claimEntry.load();
    return !claim || claim(HaId, Target, Lun, why);
}

void ReleaseTransportDrive(uint8_t HaId, uint8_t Target, uint8_t Lun) {
    if (const auto release = releaseEntry.load()) release(HaId, Target, Lun);
}

// ---- Loader ----

namespace {

constexpr int kSupportInfoLine = 477;
constexpr int kCommandLine = 478;
// Module handles up to 31 are error codes on the system the layout comes
// from; dlopen never returns them, but the rule costs nothing.
constexpr std::uintptr_t kLowestModuleHandle = 32;

bool UsePassThrough() {
    if (SPTIInit() == 0) return false;
    InstallTransport(&SPTISendCommand, &SPTIGetSupportInfo, kPassThroughLayerName,
                     {&SPTIClaimDrive, &SPTIReleaseDrive});
    return true;
}

std::optional<platform::Library> OpenFirstLibrary(const std::string& dllPath) {
    std::vector<std::string> tries;
    if (!dllPath.empty()) tries.push_back(dllPath);
    tries.push_back(kAspiLibraryHere);
    tries.push_back(kAspiLibraryName);
    for (const std::string& path : tries) {
        try {
            auto lib = platform::Library::Open(path);
            if (lib && reinterpret_cast<std::uintptr_t>(lib->NativeHandle()) >= kLowestModuleHandle) return lib;
        } catch (...) {
            // a failed attempt leaves no handle; the next one is tried
        }
    }
    return std::nullopt;
}

// Installs the library's entry points; throws when one is missing, and the
// library then stays held but unused until the program ends.
void UseLibrary(platform::Library lib) {
    auto info = reinterpret_cast<GetASPI32SupportInfoFn>(lib.Symbol("GetASPI32SupportInfo"));
    auto send = reinterpret_cast<SendASPI32CommandFn>(lib.Symbol("SendASPI32Command"));
    ASPILibHandle = std::move(lib);
    if (!info) throw EAssertionFailed("kqASPI", kSupportInfoLine);
    if (!send) throw EAssertionFailed("kqASPI", kCommandLine);
    InstallTransport(send, info, kAspiLibraryName);
}

}  // namespace

EAssertionFailed::EAssertionFailed(const char* unit, int line)
    : std::runtime_error(std::string("Echec de l'assert (") + unit + ", line " + std::to_string(line) + ")"),
      unit_(unit),
      line_(line) {}

// Critical-error boxes are kept away for the whole of it: the library
// search, and the pass-through scan that opens every CD-ROM letter, empty
// drives included.
bool LoadASPI(bool PreferSPTI, const std::string& DllPath) {
    // Program end: registered now, after every unit-wide object exists, so
    // it runs while they all still do.
    static const bool finalization = std::atexit([] { ReleaseASPI(); }) == 0;
    (void)finalization;
    std::lock_guard guard(libraryLock);
    platform::QuietCriticalErrors quiet;
    if (PreferSPTI) UsePassThrough();
    if (!ASPILoaded()) {
        if (auto lib = OpenFirstLibrary(DllPath)) UseLibrary(std::move(*lib));
    }
    if (!ASPILoaded()) UsePassThrough();
    if (ASPILoaded()) GetASPI32SupportInfo();
    return ASPILoaded();
}

void ReleaseASPI() {
    std::lock_guard guard(libraryLock);
    ReleaseTransport();
    ASPILibHandle.reset();
}

bool ASPILibraryLoaded() {
    std::lock_guard guard(libraryLock);
    return ASPILibHandle.has_value();
}

}  // namespace kq
