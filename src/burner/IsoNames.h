#pragma once
// Names on the disc: the ISO 9660 name (8.3 upper-case d-characters, made
// unique in its folder as LONGNAM1.TXT), the Joliet name (up to 64 UCS-2
// characters, big-endian, without the characters Joliet forbids) and the
// identifiers of the volume descriptors.
#include <string>
#include <string_view>
#include <vector>

namespace kq::iso {

inline constexpr size_t kJolietUnits = 64;

struct NameRequest {
    std::string_view name;  // the short name asked for, or the long name
    bool directory = false;
};

// The unique ISO 9660 identifiers of one folder's entries, in the order
// asked: "NAME.EXT;1" for files, "NAME" for folders. A name that is valid
// as it stands (bar its case) keeps it; one cut or changed, or taken by an
// earlier one, ends in a number.
std::vector<std::string> UniqueShortNames(const std::vector<NameRequest>& requests);

// The unique Joliet identifiers (UTF-16 big-endian bytes) of one folder's
// entries, from their UTF-8 names.
std::vector<std::string> UniqueJolietNames(const std::vector<std::string_view>& names);

// UTF-8 to UTF-16 big-endian, at most maxUnits code units, never cutting a
// pair; undecodable bytes become "_".
std::string Utf16BigEndian(std::string_view utf8, size_t maxUnits);

// UTF-8 to UTF-16 as it stands (undecodable bytes become "_"), and the
// unique UDF names of one folder's entries: at most 254 units when every
// one is below 256 (8-bit compressed Unicode), else 127; a longer name is
// cut and numbered as a Joliet name is.
std::u16string Utf16Units(std::string_view utf8);
std::vector<std::u16string> UniqueUdfNames(const std::vector<std::string_view>& names);

// Upper-case d-characters (A-Z, 0-9, "_"), others turned to "_", cut to max.
std::string DCharacters(std::string_view text, size_t max);
// The same for a-characters, which also allow space and punctuation.
std::string ACharacters(std::string_view text, size_t max);

// ECMA-119 order of identifiers: the name, then the extension, each
// compared as if padded with spaces, then the version.
bool IdentifierLess(std::string_view a, std::string_view b);

}  // namespace kq::iso
