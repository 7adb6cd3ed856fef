#include "app/ImageChecksum.h"

#include "digest/ChecksumList.h"

namespace kq {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string Trim(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// The path with its extension (after the last dot of the file name)
// replaced; a name without one gets the extension added.
std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] == '/') return path + extension;
    return path.substr(0, dot) + extension;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The companion's text as its first 32 characters are read: without a
// byte-order mark, and a first line that does not start with the digest
// (tagged "MD5 (disc.iso) = ...", or escaped with a backslash) given as
// the digest it holds.
std::string CompanionText(const std::string& path) {
    std::string text = Trim(std::string(WithoutByteOrderMark(ReadTextFile(path))));
    if (text.empty() || IsHex(text.front())) return text;
    return LineDigest(std::string_view(text).substr(0, text.find('\n')), DigestKind::MD5).value_or(text);
}

}  // namespace

std::string ReadImageChecksum(const std::string& imagePath) {
    std::string text = CompanionText(ReplaceExtension(imagePath, ".md5"));
    if (text.empty()) text = CompanionText(imagePath + ".md5");
    return text;
}

bool ChecksumMatches(const std::string& checksumText, const TMD5Digest& digest) {
    std::string expected = checksumText.substr(0, 32);
    for (char& c : expected) c = LowerAscii(c);
    return expected == MD5Print(digest);
}

bool ImageChecksumGood(const std::string& imagePath) {
    std::string checksum = ReadImageChecksum(imagePath);
    return checksum.empty() || ChecksumMatches(checksum, MD5File(imagePath));
}

}  // namespace kq
