#include "digest/ChecksumList.h"

#include <algorithm>
#include <vector>

namespace kq {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool AllHex(std::string_view text) { return std::all_of(text.begin(), text.end(), IsHex); }

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

struct DigestLine {
    std::string digest;  // lower case
    std::string name;    // empty for a lone digest
};

// "digest", "digest  name" or "digest *name".
std::optional<DigestLine> ParsePlainLine(std::string_view line, size_t digits) {
    if (line.size() < digits || !AllHex(line.substr(0, digits))) return std::nullopt;
    if (line.size() > digits && !IsBlank(line[digits])) return std::nullopt;
    std::string_view rest = line.substr(digits);
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
    if (!rest.empty() && rest.front() == '*') rest.remove_prefix(1);
    return DigestLine{LowerAscii(line.substr(0, digits)), std::string(rest)};
}

// The tags the tools write for each kind; the second is the OpenSSL 3 name.
std::vector<std::string_view> Tags(DigestKind kind) {
    if (kind == DigestKind::MD5) return {"MD5"};
    return {"SHA256", "SHA2-256"};
}

// "TAG (name) = digest", or "TAG(name)= digest" as OpenSSL writes it. The
// name runs to the last ")" before the digest, so it may hold one itself.
std::optional<DigestLine> ParseTaggedLine(std::string_view line, DigestKind kind) {
    const size_t digits = DigestDigits(kind);
    if (line.size() < digits || !AllHex(line.substr(line.size() - digits))) return std::nullopt;
    const std::string_view digest = line.substr(line.size() - digits);
    std::string_view head = line.substr(0, line.size() - digits);
    auto dropTrailing = [&head](char c) {
        const bool there = !head.empty() && head.back() == c;
        if (there) head.remove_suffix(1);
        return there;
    };
    while (dropTrailing(' ')) {
    }
    if (!dropTrailing('=')) return std::nullopt;
    dropTrailing(' ');
    if (!dropTrailing(')')) return std::nullopt;
    for (std::string_view tag : Tags(kind)) {
        if (!head.starts_with(tag)) continue;
        std::string_view rest = head.substr(tag.size());
        if (rest.starts_with(' ')) rest.remove_prefix(1);
        if (rest.starts_with('(')) return DigestLine{LowerAscii(digest), std::string(rest.substr(1))};
    }
    return std::nullopt;
}

// A name as the tools escape it on a line that starts with a backslash;
// nullopt for an escape they never write.
std::optional<std::string> Unescaped(std::string_view name) {
    std::string plain;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '\\') {
            plain += name[i];
            continue;
        }
        if (++i == name.size()) return std::nullopt;
        switch (name[i]) {
        case '\\': plain += '\\'; break;
        case 'n': plain += '\n'; break;
        case 'r': plain += '\r'; break;
        default: return std::nullopt;
        }
    }
    return plain;
}

// Blanks around a line are passed over (a list written on Windows ends its
// lines in CR).
std::optional<DigestLine> ParseLine(std::string_view line, DigestKind kind) {
    line = TrimBlanks(line);
    const bool escaped = line.starts_with('\\');
    if (escaped) line.remove_prefix(1);
    std::optional<DigestLine> parsed = ParsePlainLine(line, DigestDigits(kind));
    if (!parsed) parsed = ParseTaggedLine(line, kind);
    if (!parsed) return std::nullopt;
    if (escaped) {
        std::optional<std::string> name = Unescaped(parsed->name);
        if (!name) return std::nullopt;
        parsed->name = std::move(*name);
    }
    if (parsed->name.starts_with("./")) parsed->name.erase(0, 2);
    return parsed;
}

std::vector<DigestLine> DigestLines(std::string_view text, DigestKind kind) {
    std::vector<DigestLine> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (auto line = ParseLine(text.substr(start, end - start), kind)) lines.push_back(std::move(*line));
        start = end + 1;
    }
    return lines;
}

}  // namespace

const char* DigestName(DigestKind kind) { return kind == DigestKind::MD5 ? "MD5" : "SHA-256"; }

const char* DigestTag(DigestKind kind) { return kind == DigestKind::MD5 ? "md5" : "sha256"; }

size_t DigestDigits(DigestKind kind) { return kind == DigestKind::MD5 ? 32 : 64; }

std::string_view WithoutByteOrderMark(std::string_view text) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (text.starts_with(kMark)) text.remove_prefix(kMark.size());
    return text;
}

std::optional<std::string> LineDigest(std::string_view line, DigestKind kind) {
    std::optional<DigestLine> parsed = ParseLine(line, kind);
    return parsed ? std::optional(std::move(parsed->digest)) : std::nullopt;
}

ListedDigest DigestForImage(const std::string& whole, const std::string& imageName, DigestKind kind,
                            bool loneDigestCounts) {
    const std::string_view text = WithoutByteOrderMark(whole);
    if (std::all_of(text.begin(), text.end(), IsBlank)) return {ListReading::Blank, {}};
    std::vector<DigestLine> lines = DigestLines(text, kind);
    for (const DigestLine& line : lines)
        if (line.name == imageName) return {ListReading::Digest, line.digest};
    if (loneDigestCounts && lines.size() == 1) return {ListReading::Digest, lines.front().digest};
    return {lines.empty() ? ListReading::NoDigest : ListReading::NotListed, {}};
}

}  // namespace kq
