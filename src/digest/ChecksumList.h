#pragma once
// The digest a companion's text gives for one image: either a single
// digest line, or a list searched for the image's file name. A line is
// written as md5sum and sha256sum write it ("digest  name", "digest *name"),
// or tagged ("MD5 (name) = digest", "SHA256 (name) = digest"); a line that
// starts with a backslash has its name escaped as those tools escape it
// ("\\" a backslash, "\n" a line break, "\r" a carriage return). A UTF-8
// byte-order mark before the first line is passed over.
#include <optional>
#include <string>
#include <string_view>

namespace kq {

enum class DigestKind { MD5, SHA256 };

// "MD5" or "SHA-256", as messages name them.
const char* DigestName(DigestKind kind);
// "md5" or "sha256": the companion's extension and the tag of the
// mismatch messages.
const char* DigestTag(DigestKind kind);
// Hex digits in one digest: 32 or 64.
size_t DigestDigits(DigestKind kind);

enum class ListReading {
    Digest,     // the image's digest was found
    Blank,      // nothing but blanks (characters of code 32 and below)
    NoDigest,   // not one line starts with a digest of this kind
    NotListed,  // digests for other files only
};

struct ListedDigest {
    ListReading reading = ListReading::Blank;
    std::string digest;  // lower-case hex when reading is Digest
};

// The text after a UTF-8 byte-order mark, if it starts with one.
std::string_view WithoutByteOrderMark(std::string_view text);

// The lower-case digest of one line in any of the forms above; nullopt
// when the line is in none of them.
[[nodiscard]] std::optional<std::string> LineDigest(std::string_view line, DigestKind kind);

// The line naming imageName (optionally as "./name") wins. Failing that,
// and only with loneDigestCounts, a text holding exactly one digest line
// gives that digest whatever name follows it, so a lone digest, or one
// written for the image under an older name, is still checked.
ListedDigest DigestForImage(const std::string& text, const std::string& imageName, DigestKind kind,
                            bool loneDigestCounts);

}  // namespace kq
