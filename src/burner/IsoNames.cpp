#include "burner/IsoNames.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace kq::iso {

namespace {

bool IsDChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Upper-case d-characters; lossy when anything beyond the case changed.
std::string Clean(std::string_view text, size_t max, bool& lossy) {
    std::string out;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;  // one "_" per UTF-8 character
        const char u = Upper(c);
        if (out.size() == max) {
            lossy = true;
            break;
        }
        if (IsDChar(u)) {
            out += u;
        } else {
            out += '_';
            lossy = true;
        }
    }
    return out;
}

struct Candidate {
    std::string base, ext;
    bool lossy = false;
};

Candidate CandidateFor(const NameRequest& request) {
    std::string_view name = request.name;
    if (const size_t semicolon = name.rfind(';'); semicolon != std::string_view::npos) name = name.substr(0, semicolon);
    Candidate c;
    const size_t dot = request.directory ? std::string_view::npos : name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        c.base = Clean(name, 8, c.lossy);
    } else {
        c.base = Clean(name.substr(0, dot), 8, c.lossy);
        c.ext = Clean(name.substr(dot + 1), 3, c.lossy);
    }
    if (c.base.empty()) {
        c.base.push_back('_');
        c.lossy = true;
    }
    return c;
}

std::string Identifier(const std::string& base, const std::string& ext, bool directory) {
    return directory ? base : base + "." + ext + ";1";
}

}  // namespace

std::vector<std::string> UniqueShortNames(const std::vector<NameRequest>& requests) {
    std::vector<std::string> names(requests.size());
    std::vector<Candidate> candidates;
    candidates.reserve(requests.size());
    std::unordered_set<std::string> taken;
    for (size_t i = 0; i < requests.size(); ++i) {
        candidates.push_back(CandidateFor(requests[i]));
        const Candidate& c = candidates.back();
        if (c.lossy) continue;
        std::string id = Identifier(c.base, c.ext, requests[i].directory);
        if (taken.insert(id).second) names[i] = std::move(id);
    }
    // Made-up names count on from where the same stem stopped, so a folder
    // of many alike names costs one try each.
    std::unordered_map<std::string, unsigned> next;
    for (size_t i = 0; i < requests.size(); ++i) {
        if (!names[i].empty()) continue;
        const Candidate& c = candidates[i];
        unsigned& n = next.try_emplace(c.base + "." + c.ext, 1).first->second;
        for (;; ++n) {
            // Digits, not "~": a made-up name holds d-characters only.
            const std::string tail = std::to_string(n);
            std::string base(c.base, 0, tail.size() < 8 ? 8 - tail.size() : 0);
            base.append(tail);
            std::string id = Identifier(base, c.ext, requests[i].directory);
            if (taken.insert(id).second) {
                names[i] = std::move(id);
                ++n;
                break;
            }
        }
    }
    return names;
}

namespace {

// One code point from the front of text; '_' for a byte that starts none.
char32_t NextCodePoint(std::string_view& text) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = b(0);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    char32_t cp = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool valid = length != 0 && length <= text.size();
    for (size_t i = 1; valid && i < length; ++i) {
        valid = (b(i) & 0xC0) == 0x80;
        cp = cp << 6 | (b(i) & 0x3F);
    }
    if (!valid || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        text.remove_prefix(1);
        return U'_';
    }
    text.remove_prefix(length);
    return cp;
}

bool JolietForbidden(char32_t c) {
    return c < 0x20 || c == U'*' || c == U'/' || c == U':' || c == U';' || c == U'?' || c == U'\\';
}

std::u16string Utf16(std::string_view utf8, bool joliet = true) {
    std::u16string out;
    while (!utf8.empty()) {
        char32_t cp = NextCodePoint(utf8);
        if (joliet && JolietForbidden(cp)) cp = U'_';
        if (cp < 0x10000) {
            out += static_cast<char16_t>(cp);
        } else {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        }
    }
    return out;
}

// At most max units, never half a surrogate pair.
std::u16string Cut(std::u16string text, size_t max) {
    if (text.size() <= max) return text;
    size_t keep = max;
    if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
    text.resize(keep);
    return text;
}

std::string BigEndian(const std::u16string& units) {
    std::string out;
    out.reserve(units.size() * 2);
    for (char16_t u : units) {
        out += static_cast<char>(u >> 8);
        out += static_cast<char>(u & 0xFF);
    }
    return out;
}

// name~N.ext within max units, the extension kept when it is short.
std::u16string Numbered(const std::u16string& whole, unsigned n, size_t max = kJolietUnits) {
    const std::u16string tail = [&] {
        std::u16string t = u"~";
        for (char c : std::to_string(n)) t += static_cast<char16_t>(c);
        return t;
    }();
    size_t dot = whole.rfind(u'.');
    if (dot == std::u16string::npos || dot == 0 || whole.size() - dot > 16) dot = whole.size();
    const std::u16string ext = whole.substr(dot);
    return Cut(whole.substr(0, dot), max - tail.size() - ext.size()) + tail + ext;
}

}  // namespace

std::string Utf16BigEndian(std::string_view utf8, size_t maxUnits) { return BigEndian(Cut(Utf16(utf8), maxUnits)); }

std::vector<std::string> UniqueJolietNames(const std::vector<std::string_view>& names) {
    std::vector<std::u16string> whole(names.size());
    std::vector<std::string> out(names.size());
    std::unordered_set<std::string> taken;
    for (size_t i = 0; i < names.size(); ++i) {
        whole[i] = Utf16(names[i]);
        if (whole[i].size() > kJolietUnits) continue;
        std::string id = BigEndian(whole[i]);
        if (taken.insert(id).second) out[i] = std::move(id);
    }
    for (size_t i = 0; i < names.size(); ++i) {
        for (unsigned n = 1; out[i].empty(); ++n) {
            std::string id = BigEndian(Numbered(whole[i], n));
            if (taken.insert(id).second) out[i] = std::move(id);
        }
    }
    return out;
}

std::u16string Utf16Units(std::string_view utf8) { return Utf16(utf8, false); }

size_t UdfUnits(const std::u16string& name) {
    return std::all_of(name.begin(), name.end(), [](char16_t u) { return u < 0x100; }) ? 254 : 127;
}

// As Joliet's: whole names first, so a numbered one never takes a name
// another entry has as it stands.
std::vector<std::u16string> UniqueUdfNames(const std::vector<std::string_view>& names) {
    std::vector<std::u16string> whole(names.size()), out(names.size());
    std::unordered_set<std::u16string> taken;
    for (size_t i = 0; i < names.size(); ++i) {
        whole[i] = Utf16(names[i], false);
        if (whole[i].size() <= UdfUnits(whole[i]) && taken.insert(whole[i]).second) out[i] = whole[i];
    }
    for (size_t i = 0; i < names.size(); ++i)
        for (unsigned n = 1; out[i].empty(); ++n) {
            std::u16string id = Numbered(whole[i], n, UdfUnits(whole[i]));
            if (taken.insert(id).second) out[i] = std::move(id);
        }
    return out;
}

std::string DCharacters(std::string_view text, size_t max) {
    std::string out;
    for (char c : text.substr(0, max)) out += IsDChar(Upper(c)) ? Upper(c) : '_';
    return out;
}

std::string ACharacters(std::string_view text, size_t max) {
    static constexpr std::string_view kPunctuation = " !\"%&'()*+,-./:;<=>?";
    std::string out;
    for (char c : text.substr(0, max)) {
        const char u = Upper(c);
        out += IsDChar(u) || kPunctuation.find(u) != std::string_view::npos ? u : '_';
    }
    return out;
}

bool IdentifierLess(std::string_view a, std::string_view b) {
    const auto split = [](std::string_view id, std::string_view& name, std::string_view& ext, std::string_view& ver) {
        const size_t semicolon = id.find(';');
        ver = semicolon == std::string_view::npos ? std::string_view{} : id.substr(semicolon + 1);
        id = id.substr(0, semicolon);
        const size_t dot = id.find('.');
        name = id.substr(0, dot);
        ext = dot == std::string_view::npos ? std::string_view{} : id.substr(dot + 1);
    };
    // Padding with spaces sorts a prefix first: every character allowed
    // here lies above the space.
    std::string_view an, ae, av, bn, be, bv;
    split(a, an, ae, av);
    split(b, bn, be, bv);
    if (an != bn) return an < bn;
    if (ae != be) return ae < be;
    return av > bv;  // higher versions first
}

}  // namespace kq::iso
