#include "app/ChecksumList.h"

#include <optional>
#include <string_view>
#include <vector>

namespace kq {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

struct DigestLine {
    std::string digest;  // lower case
    std::string name;    // empty for a lone digest
};

// "digest", "digest  name" or "digest *name", blanks around it allowed
// (a list written on Windows ends its lines in CR).
std::optional<DigestLine> ParseLine(std::string_view line, size_t digits) {
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    if (line.size() < digits) return std::nullopt;
    for (size_t i = 0; i < digits; ++i)
        if (!IsHex(line[i])) return std::nullopt;
    if (line.size() > digits && !IsBlank(line[digits])) return std::nullopt;
    DigestLine parsed;
    for (char c : line.substr(0, digits)) parsed.digest += LowerAscii(c);
    std::string_view rest = line.substr(digits);
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
    if (!rest.empty() && rest.front() == '*') rest.remove_prefix(1);
    if (rest.starts_with("./")) rest.remove_prefix(2);
    parsed.name = rest;
    return parsed;
}

std::vector<DigestLine> DigestLines(const std::string& text, size_t digits) {
    std::vector<DigestLine> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (auto line = ParseLine(std::string_view(text).substr(start, end - start), digits))
            lines.push_back(std::move(*line));
        start = end + 1;
    }
    return lines;
}

}  // namespace

const char* DigestName(DigestKind kind) { return kind == DigestKind::MD5 ? "MD5" : "SHA-256"; }

const char* DigestTag(DigestKind kind) { return kind == DigestKind::MD5 ? "md5" : "sha256"; }

size_t DigestDigits(DigestKind kind) { return kind == DigestKind::MD5 ? 32 : 64; }

ListedDigest DigestForImage(const std::string& text, const std::string& imageName, DigestKind kind,
                            bool loneDigestCounts) {
    bool blank = true;
    for (char c : text) blank = blank && IsBlank(c);
    if (blank) return {ListReading::Blank, {}};
    std::vector<DigestLine> lines = DigestLines(text, DigestDigits(kind));
    for (const DigestLine& line : lines)
        if (line.name == imageName) return {ListReading::Digest, line.digest};
    if (loneDigestCounts && lines.size() == 1) return {ListReading::Digest, lines.front().digest};
    return {lines.empty() ? ListReading::NoDigest : ListReading::NotListed, {}};
}

}  // namespace kq
