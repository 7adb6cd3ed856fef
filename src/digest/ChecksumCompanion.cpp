#include "digest/ChecksumCompanion.h"

#include "digest/MD5.h"
#include "digest/RegularFile.h"
#include "digest/SHA256.h"

#include "platform/FileHandle.h"

#include <filesystem>
#include <vector>

namespace kq {

namespace {

namespace fs = std::filesystem;

// Far beyond any list of checksums; a bigger "companion" is not one, and
// is never read into memory.
constexpr int64_t kLargestCompanion = int64_t{16} << 20;

struct Candidate {
    std::string path;
    DigestKind kind;
    bool folderList;  // SHA256SUMS: about the folder, not this image alone
};

std::vector<Candidate> Candidates(const std::string& imagePath) {
    auto replaced = [&](const char* extension) { return fs::path(imagePath).replace_extension(extension).string(); };
    return {
        {replaced(".md5"), DigestKind::MD5, false},
        {imagePath + ".md5", DigestKind::MD5, false},
        {replaced(".sha256"), DigestKind::SHA256, false},
        {imagePath + ".sha256", DigestKind::SHA256, false},
        {(fs::path(imagePath).parent_path() / "SHA256SUMS").string(), DigestKind::SHA256, true},
    };
}

struct CompanionText {
    bool exists = false;
    std::string text;
    std::string why;  // set when it exists but cannot be read
};

CompanionText ReadCompanion(const std::string& path) {
    const platform::FileKind kind = platform::FileKindAt(path);
    if (kind == platform::FileKind::Missing) return {};
    if (std::string why = NotARegularFile(kind); !why.empty()) return {true, {}, why};
    std::error_code why;
    platform::FileHandle file(
        platform::FileOpen(path, platform::FileAccess::Read, false, platform::FileLock::Shared, why));
    if (!file.IsOpen()) return {true, {}, why.message()};
    const int64_t size = platform::FileSize(file.Get());
    if (size < 0) return {true, {}, "its size cannot be read"};
    if (size > kLargestCompanion) return {true, {}, "too large for a checksum file"};
    std::string text(static_cast<size_t>(size), '\0');
    for (size_t done = 0; done < text.size();) {
        int64_t n = platform::FileRead(file.Get(), text.data() + done, text.size() - done);
        if (n < 0) return {true, {}, "read error"};
        if (n == 0) {  // shrank meanwhile
            text.resize(done);
            break;
        }
        done += static_cast<size_t>(n);
    }
    return {true, std::move(text), {}};
}

CompanionOutcome OutcomeOf(ListReading reading) {
    switch (reading) {
    case ListReading::Digest: return CompanionOutcome::Digest;
    case ListReading::Blank: return CompanionOutcome::Blank;
    case ListReading::NoDigest: return CompanionOutcome::NoDigest;
    case ListReading::NotListed: break;
    }
    return CompanionOutcome::NotListed;
}

}  // namespace

CompanionFinding FindImageCompanion(const std::string& imagePath, bool stopAtUnreadable) {
    const std::string imageName = fs::path(imagePath).filename().string();
    CompanionFinding firstBlank;
    for (const Candidate& candidate : Candidates(imagePath)) {
        CompanionText companion = ReadCompanion(candidate.path);
        if (!companion.exists) continue;
        if (!companion.why.empty()) {
            if (stopAtUnreadable)
                return {CompanionOutcome::Unreadable, candidate.path, candidate.kind, candidate.folderList, {},
                        companion.why};
            continue;
        }
        ListedDigest listed = DigestForImage(companion.text, imageName, candidate.kind, !candidate.folderList);
        CompanionFinding finding{OutcomeOf(listed.reading), candidate.path, candidate.kind, candidate.folderList,
                                 listed.digest, {}};
        if (finding.outcome == CompanionOutcome::Digest) return finding;
        if (candidate.folderList) continue;
        if (finding.outcome != CompanionOutcome::Blank) return finding;
        if (firstBlank.outcome == CompanionOutcome::None) firstBlank = finding;
    }
    return firstBlank;
}

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

bool LooksLikeCompanion(const std::string& path) {
    const std::string name = LowerAscii(fs::path(path).filename().string());
    const std::string extension = LowerAscii(fs::path(path).extension().string());
    return extension == ".md5" || extension == ".sha256" || name == "sha256sums" || name == "md5sums";
}

CompanionFinding ReadNamedCompanion(const std::string& companionPath) {
    const fs::path path(companionPath);
    const std::string extension = LowerAscii(path.extension().string());
    const bool list = extension != ".md5" && extension != ".sha256";
    const bool md5 = extension == ".md5" || LowerAscii(path.filename().string()) == "md5sums";
    CompanionFinding finding{CompanionOutcome::None, companionPath, md5 ? DigestKind::MD5 : DigestKind::SHA256, list,
                             {}, {}};
    CompanionText companion = ReadCompanion(companionPath);
    if (!companion.exists) return finding;
    if (!companion.why.empty()) {
        finding.outcome = CompanionOutcome::Unreadable;
        finding.why = companion.why;
        return finding;
    }
    const std::string imageName = list ? std::string() : path.stem().string();
    ListedDigest listed = DigestForImage(companion.text, imageName, finding.kind, true);
    finding.outcome = OutcomeOf(listed.reading);
    finding.expected = listed.digest;
    return finding;
}

std::string ImageDigestPrint(DigestKind kind, const std::string& imagePath) {
    return ImageDigestPrintUntil(kind, imagePath, [] { return false; }).value_or(std::string());
}

std::optional<std::string> ImageDigestPrintUntil(DigestKind kind, const std::string& imagePath,
                                                 const std::function<bool()>& stop) {
    if (kind == DigestKind::MD5) {
        const auto digest = MD5FileUntil(imagePath, stop);
        return digest ? std::optional(MD5Print(*digest)) : std::nullopt;
    }
    const auto digest = SHA256FileUntil(imagePath, stop);
    return digest ? std::optional(SHA256Print(*digest)) : std::nullopt;
}

}  // namespace kq
