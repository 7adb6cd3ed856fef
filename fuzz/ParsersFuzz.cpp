// The parsers of what the user's files say: the recorder's configuration
// file, and the companion ".md5" file found beside an image and read for
// its digest. The first input byte picks the parser.
#include "FuzzInput.h"
#include "FuzzTarget.h"

#include "digest/ChecksumCompanion.h"
#include "digest/ChecksumList.h"
#include "digest/MD5.h"
#include "platform/Timing.h"
#include "vrecorder/RecorderConfig.h"
#include "vrecorder/VirtualRecorder.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using fuzz::FuzzInput;

// Frozen time: fault rules that delay answers only report the delay.
class StillClock : public platform::Timing {
public:
    uint64_t NowMs() override { return 1'000'000; }
    void SleepMs(uint32_t) override {}
};

// INQUIRY of a recorder built from the parsed configuration answers with
// the configured identity, whatever fault rules it carries.
void CheckRecorder(vrec::RecorderConfig config) {
    config.backing.clear();  // in memory: the input names no file of ours
    config.faults.clear();   // they may refuse INQUIRY; their matching runs below
    StillClock clock;
    platform::ScopedTiming timing(clock);
    vrec::VirtualRecorder rec(config);
    std::array<uint8_t, 10> cdb{0x12, 0, 0, 0, 36, 0};
    std::array<uint8_t, 36> reply{};
    auto r = rec.Execute(cdb.data(), 6, vrec::DataDirection::In, reply.data(), reply.size());
    FUZZ_CHECK(r.Good() && r.transferred == reply.size());
    std::string vendor(reply.begin() + 8, reply.begin() + 16);
    FUZZ_CHECK(vendor == (config.vendor + std::string(8, ' ')).substr(0, 8));
}

void CheckFaultMatching(std::vector<vrec::FaultRule> rules) {
    static constexpr std::array<uint8_t, 10> kCommands[] = {
        {0x00}, {0x2A, 0, 0, 0, 0x10, 0, 0, 0, 1, 0}, {0x35}, {0x5B, 0, 2}, {0x28, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 1}};
    for (int round = 0; round < 3; ++round)
        for (const auto& cdb : kCommands) {
            auto length = cdb[0] == 0x00 ? 6 : 10;
            const vrec::FaultRule* rule = vrec::MatchFault(rules, std::span(cdb).first(length));
            FUZZ_CHECK(!rule || rule->opcode < 0 || rule->opcode == cdb[0]);
        }
}

void FuzzConfig(FuzzInput& in) {
    auto result = vrec::ParseRecorderConfig(in.RestAsText(), "fuzz.conf", "base");
    FUZZ_CHECK(result.error.empty() != result.recorders.empty());
    if (!result.error.empty()) {
        FUZZ_CHECK(result.error.rfind("fuzz.conf:", 0) == 0);
        return;
    }
    for (const auto& c : result.recorders) {
        FUZZ_CHECK(c.vendor.size() <= 8 && c.product.size() <= 16 && c.revision.size() <= 4);
        FUZZ_CHECK(c.medium == vrec::MediumKind::None || c.recorded <= c.CapacityOrDefault());
        FUZZ_CHECK(c.bufferSize >= 2048);
        CheckFaultMatching(c.faults);
    }
    CheckRecorder(result.recorders.front());
}

// One folder for this process's image and companions, made once and
// removed at exit.
class WorkFolder {
public:
    WorkFolder() : path_(fs::temp_directory_path() / ("kq-fuzz-" + std::to_string(getpid()))) {
        fs::create_directories(path_);
    }
    ~WorkFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    fs::path operator/(const char* name) const { return path_ / name; }

private:
    fs::path path_;
};

void WriteFile(const fs::path& path, std::span<const uint8_t> bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Layout: flags, image length, image bytes, then the companion's text.
// The flags put the companion beside the image as "<name>.md5" or as
// "<name>.iso.md5", and may start it with the image's own digest; flag 8
// escapes the tagged line put before the list.
void FuzzCompanion(FuzzInput& in) {
    uint8_t flags = in.Byte();
    auto image = in.Bytes(in.Byte());
    std::string companion = in.RestAsText();
    kq::TMD5Digest digest = kq::MD5Buffer(image.data(), image.size());
    if (flags & 4) companion = kq::MD5Print(digest) + companion;

    static const WorkFolder folder;
    const fs::path imagePath = folder / "image.iso";
    for (const char* name : {"image.md5", "image.iso.md5"}) fs::remove(folder / name);
    WriteFile(imagePath, image);
    WriteFile(folder / (flags & 1 ? "image.iso.md5" : "image.md5"),
              std::span(reinterpret_cast<const uint8_t*>(companion.data()), companion.size()));

    // The search beside the image finds what a reading of that one file
    // finds, and a companion that is the image's digest alone matches it.
    kq::CompanionFinding found = kq::FindImageCompanion(imagePath.string(), true);
    FUZZ_CHECK(found.kind == kq::DigestKind::MD5 && !found.folderList);
    kq::ListedDigest alone = kq::DigestForImage(companion, "image.iso", kq::DigestKind::MD5, true);
    FUZZ_CHECK(found.path == (folder / (flags & 1 ? "image.iso.md5" : "image.md5")).string());
    FUZZ_CHECK(found.expected == alone.digest);
    FUZZ_CHECK((found.outcome == kq::CompanionOutcome::Digest) == (alone.reading == kq::ListReading::Digest));
    const std::string rest = companion.substr(std::min<size_t>(companion.size(), 32));
    if ((flags & 4) && rest.find_first_not_of(" \t\r\n") == std::string::npos)
        FUZZ_CHECK(found.outcome == kq::CompanionOutcome::Digest && found.expected == kq::MD5Print(digest));

    // The same text read as a list: a digest found is always a whole one,
    // and a byte-order mark before it changes nothing.
    for (kq::DigestKind kind : {kq::DigestKind::MD5, kq::DigestKind::SHA256}) {
        kq::ListedDigest listed = kq::DigestForImage(companion, "image.iso", kind, flags & 2);
        FUZZ_CHECK((listed.reading == kq::ListReading::Digest) == (listed.digest.size() == kq::DigestDigits(kind)));
        FUZZ_CHECK(listed.digest.find_first_not_of("0123456789abcdef") == std::string::npos);
        if (!companion.starts_with("\xEF\xBB\xBF")) {
            kq::ListedDigest marked = kq::DigestForImage("\xEF\xBB\xBF" + companion, "image.iso", kind, flags & 2);
            FUZZ_CHECK(marked.reading == listed.reading && marked.digest == listed.digest);
        }
    }
    // A tagged line naming the image, plain or escaped, is found before
    // whatever follows it.
    const std::string tagged = std::string(flags & 8 ? "\\" : "") + "MD5 (image.iso) = " + kq::MD5Print(digest) + "\n";
    kq::ListedDigest first = kq::DigestForImage(tagged + companion, "image.iso", kq::DigestKind::MD5, false);
    FUZZ_CHECK(first.reading == kq::ListReading::Digest && first.digest == kq::MD5Print(digest));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    if (in.Byte() & 1) FuzzConfig(in);
    else FuzzCompanion(in);
    return 0;
}
