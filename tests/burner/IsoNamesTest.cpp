#include "burner/IsoNames.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace kq::iso;

namespace {

// One folder's entries and the ISO 9660 names they must get.
struct ShortCase {
    const char* what;
    std::vector<NameRequest> requests;
    std::vector<std::string> names;
};

const ShortCase kShortCases[] = {
    {"valid names keep themselves, upper-cased", {{"readme.txt"}, {"Makefile"}, {"docs", true}},
     {"README.TXT;1", "MAKEFILE.;1", "DOCS"}},
    {"cut names are numbered per stem", {{"longname1.txt"}, {"longname2.txt"}, {"longname.txt"}},
     {"LONGNAM1.TXT;1", "LONGNAM2.TXT;1", "LONGNAME.TXT;1"}},
    {"a valid name wins over an earlier cut one", {{"LongNameX.txt"}, {"LONGNAM1.TXT"}},
     {"LONGNAM2.TXT;1", "LONGNAM1.TXT;1"}},
    {"case twins", {{"a.txt"}, {"A.TXT"}}, {"A.TXT;1", "A1.TXT;1"}},
    {"forbidden and non-ASCII characters", {{"café menu.html"}, {".bashrc"}, {"a.b.c", true}},
     {"CAF__ME1.HTM;1", "_BASHRC1.;1", "A_B_C1"}},
    {"folder and file of one name are distinct", {{"x", true}, {"x"}}, {"X", "X.;1"}},
    {"an earlier layout's name stands", {{"LONGNAM1.TXT;1"}}, {"LONGNAM1.TXT;1"}},
    {"\"~\" is no d-character", {{"x~1.txt"}, {"X_1.TXT"}}, {"X_11.TXT;1", "X_1.TXT;1"}},
    {"numbers that outgrow the stem", {{"abcdefghij.t"}, {"abcdefghik.t"}}, {"ABCDEFG1.T;1", "ABCDEFG2.T;1"}},
};

TEST(ShortNames, UniqueAndValidInTheirFolder) {
    for (const ShortCase& c : kShortCases) EXPECT_EQ(UniqueShortNames(c.requests), c.names) << c.what;
    // Many alike names: each is tried once, and all are distinct.
    std::vector<std::string> many;
    std::vector<NameRequest> requests;
    for (int i = 0; i < 20000; ++i) many.push_back("photograph" + std::to_string(i) + ".jpeg");
    for (const auto& name : many) requests.push_back({name});
    const auto names = UniqueShortNames(requests);
    EXPECT_EQ(names[0], "PHOTOGR1.JPE;1");
    EXPECT_EQ(names[11], "PHOTOG12.JPE;1");
    EXPECT_EQ(names[19999], "PHO20000.JPE;1");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
}

std::string Be(std::u16string text) {
    std::string out;
    for (char16_t c : text) {
        out += static_cast<char>(c >> 8);
        out += static_cast<char>(c & 0xFF);
    }
    return out;
}

struct JolietCase {
    const char* what;
    std::vector<std::string> names;
    std::vector<std::u16string> expected;
};

const std::string k70(70, 'x');
const std::u16string k70cut(58, u'x');
const std::string kPairAtTheCut = std::string(61, 'e') + "\xF0\x9F\x98\x80" + "ee";  // 65 units

const JolietCase kJolietCases[] = {
    {"kept as written", {"Photo 2024.JPG", "été"}, {u"Photo 2024.JPG", u"été"}},
    {"forbidden characters replaced", {"a*b/c:d;e?f\\g"}, {u"a_b_c_d_e_f_g"}},
    {"cut names made unique, extension kept", {k70 + "a.txt", k70 + "b.txt"},
     {k70cut + u"~1.txt", k70cut + u"~2.txt"}},
    {"a surrogate pair is never halved", {kPairAtTheCut}, {std::u16string(61, u'e') + u"~1"}},
    {"a cut name meets a written one", {std::string(62, 'x') + "~1", std::string(65, 'x')},
     {std::u16string(62, u'x') + u"~1", std::u16string(62, u'x') + u"~2"}},
};

TEST(JolietNames, AtMost64UnitsAndUnique) {
    for (const JolietCase& c : kJolietCases) {
        std::vector<std::string> expected;
        for (const auto& e : c.expected) expected.push_back(Be(e));
        const std::vector<std::string_view> names(c.names.begin(), c.names.end());
        EXPECT_EQ(UniqueJolietNames(names), expected) << c.what;
    }
}

TEST(Identifiers, SortInEcma119Order) {
    const std::vector<std::string> sorted = {"A", "A.B;1", "A0.;1", "AB.;1", "AB.C;2", "AB.C;1", "B"};
    for (size_t i = 0; i + 1 < sorted.size(); ++i) {
        EXPECT_TRUE(IdentifierLess(sorted[i], sorted[i + 1])) << sorted[i] << " < " << sorted[i + 1];
        EXPECT_FALSE(IdentifierLess(sorted[i + 1], sorted[i])) << sorted[i + 1];
    }
}

}  // namespace
