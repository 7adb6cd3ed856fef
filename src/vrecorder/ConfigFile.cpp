// The configuration file: "[recorder]" sections of "key = value" lines,
// "#" comments. Every value is checked; the first fault ends the reading
// with the file and line named.
#include "vrecorder/RecorderConfig.h"

#include "drive/MediaTypes.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace vrec {

namespace {

using Setter = std::function<bool(RecorderConfig&, const std::string&)>;

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

template <typename T>
bool Unsigned(const std::string& v, T& out, uint64_t max) {
    uint64_t n = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || end != v.data() + v.size() || v.empty() || n > max) return false;
    out = static_cast<T>(n);
    return true;
}

bool Flag(const std::string& v, bool& out) {
    if (v == "yes" || v == "on" || v == "true" || v == "1") return out = true, true;
    if (v == "no" || v == "off" || v == "false" || v == "0") return out = false, true;
    return false;
}

bool Text(const std::string& v, std::string& out, size_t max) {
    if (v.size() > max) return false;
    for (char c : v)
        if (c < 0x20 || c > 0x7E) return false;
    out = v;
    return true;
}

bool MediaList(const std::string& v, std::vector<MediumKind>& out) {
    std::istringstream in(v);
    std::string name;
    out.clear();
    while (in >> name) {
        auto kind = MediumByName(name);
        if (!kind || *kind == MediumKind::None) return false;
        out.push_back(*kind);
    }
    return true;
}

bool Address(const std::string& v, RecorderConfig& c) {
    unsigned a, t, l;
    char x, y, end;
    std::istringstream in(v);
    if (!(in >> a >> x >> t >> y >> l) || x != ':' || y != ':' || (in >> end)) return false;
    if (a > 255 || t > 15 || l > 7) return false;
    c.adapter = static_cast<uint8_t>(a), c.target = static_cast<uint8_t>(t), c.lun = static_cast<uint8_t>(l);
    return true;
}

bool DriveLetter(const std::string& v, uint8_t& out) {
    if (v.size() == 1 && std::isalpha(static_cast<unsigned char>(v[0]))) {
        out = static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(v[0])) - 'A');
        return true;
    }
    return Unsigned(v, out, 25);
}

bool WriteTypes(const std::string& v, WriteAbilities& w) {
    std::istringstream in(v);
    std::string t;
    w.packet = w.tao = w.sao = w.raw = false;
    while (in >> t) {
        if (t == "packet") w.packet = true;
        else if (t == "tao") w.tao = true;
        else if (t == "sao") w.sao = true;
        else if (t == "raw") w.raw = true;
        else return false;
    }
    return true;
}

bool State(const std::string& v, DiscState& out) {
    if (v == "blank") out = DiscState::Blank;
    else if (v == "appendable") out = DiscState::Appendable;
    else if (v == "closed" || v == "formatted") out = DiscState::Closed;  // a BD-RE: formatted
    else return false;
    return true;
}

const std::map<std::string, Setter>& Setters() {
    static const std::map<std::string, Setter> setters{
        {"address", [](auto& c, auto& v) { return Address(v, c); }},
        {"drive_letter", [](auto& c, auto& v) { return DriveLetter(v, c.driveLetter); }},
        {"vendor", [](auto& c, auto& v) { return Text(v, c.vendor, 8); }},
        {"product", [](auto& c, auto& v) { return Text(v, c.product, 16); }},
        {"revision", [](auto& c, auto& v) { return Text(v, c.revision, 4); }},
        {"device_type", [](auto& c, auto& v) { return Unsigned(v, c.deviceType, 0x1F); }},
        {"reads", [](auto& c, auto& v) { return MediaList(v, c.reads); }},
        {"writes", [](auto& c, auto& v) { return MediaList(v, c.writes); }},
        {"test_write", [](auto& c, auto& v) { return Flag(v, c.write.testWrite); }},
        {"underrun_protection", [](auto& c, auto& v) { return Flag(v, c.write.bufe); }},
        {"vendor_page_30", [](auto& c, auto& v) { return Flag(v, c.vendorPage30); }},
        {"write_types", [](auto& c, auto& v) { return WriteTypes(v, c.write); }},
        {"max_read_speed", [](auto& c, auto& v) { return Unsigned(v, c.maxReadSpeed, 0xFFFF); }},
        {"max_write_speed", [](auto& c, auto& v) { return Unsigned(v, c.maxWriteSpeed, 1000000); }},
        {"current_read_speed", [](auto& c, auto& v) { uint16_t s; return Unsigned(v, s, 0xFFFF) && (c.currentReadSpeed = s, true); }},
        {"current_write_speed", [](auto& c, auto& v) { uint32_t s; return Unsigned(v, s, 1000000) && (c.currentWriteSpeed = s, true); }},
        {"buffer_size", [](auto& c, auto& v) { return Unsigned(v, c.bufferSize, 1u << 30) && c.bufferSize >= kq::kSectorSize; }},
        {"block_descriptor", [](auto& c, auto& v) { return Flag(v, c.blockDescriptor); }},
        {"feature_2a", [](auto& c, auto& v) { return Flag(v, c.feature2A); }},
        {"feature_2f", [](auto& c, auto& v) { return Flag(v, c.feature2F); }},
        {"feature_2b", [](auto& c, auto& v) { return Flag(v, c.feature2B); }},
        {"feature_33", [](auto& c, auto& v) { return Flag(v, c.feature33); }},
        {"feature_3b", [](auto& c, auto& v) { return Flag(v, c.feature3B); }},
        {"feature_40", [](auto& c, auto& v) { return Flag(v, c.feature40); }},
        {"feature_41", [](auto& c, auto& v) { return Flag(v, c.feature41); }},
        {"layers", [](auto& c, auto& v) { return Unsigned(v, c.layers, 2) && c.layers >= 1; }},
        // A media name; "dvd-rw-ro" is a DVD-RW formatted for restricted overwrite.
        {"medium", [](auto& c, auto& v) { auto k = MediumByName(v); return k && (c.medium = *k, true); }},
        {"medium_state", [](auto& c, auto& v) { return State(v, c.state); }},
        {"capacity", [](auto& c, auto& v) { return Unsigned(v, c.capacity, 0x7FFFFFFF); }},
        {"recorded", [](auto& c, auto& v) { return Unsigned(v, c.recorded, 0x7FFFFFFF); }},
        {"backing", [](auto& c, auto& v) { return !v.empty() && Text(v, c.backing, 4096); }},
        {"write_speed", [](auto& c, auto& v) { return Unsigned(v, c.writeSpeedKBps, 1000000); }},
        {"calibrate_ms", [](auto& c, auto& v) { return Unsigned(v, c.calibrateMs, 600000); }},
        {"flush_ms", [](auto& c, auto& v) { return Unsigned(v, c.flushMs, 600000); }},
        {"close_ms", [](auto& c, auto& v) { return Unsigned(v, c.closeMs, 600000); }},
        {"blank_ms", [](auto& c, auto& v) { return Unsigned(v, c.blankMs, 3600000); }},
        {"format_ms", [](auto& c, auto& v) { return Unsigned(v, c.formatMs, 3600000); }},
        {"unit_attention", [](auto& c, auto& v) { return Flag(v, c.unitAttentionOnChange); }},
        {"track_information", [](auto& c, auto& v) { return Flag(v, c.trackInformation); }},
    };
    return setters;
}

}  // namespace

namespace {

std::string Where(const std::string& file, int line, const std::string& what) {
    return file + ":" + std::to_string(line) + ": " + what;
}

// One "key = value" line into the current section; an error text or "".
std::string ApplyLine(RecorderConfig& c, const std::string& key, const std::string& value) {
    if (key == "fault") {
        std::string error;
        auto rule = ParseFaultRule(value, error);
        if (!rule) return error;
        c.faults.push_back(*rule);
        return {};
    }
    auto it = Setters().find(key);
    if (it == Setters().end()) return "unknown key '" + key + "'";
    if (!it->second(c, value)) return "bad value '" + value + "' for " + key;
    return {};
}

// A backing file must be one the recorder can write when the disc is
// burnt: caught here, not as a write error in the middle of a burn.
std::string BackingProblem(const std::string& value, const std::string& baseDir) {
    namespace fs = std::filesystem;
    fs::path file(value);
    if (file.is_relative() && !baseDir.empty()) file = fs::path(baseDir) / file;
    fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::error_code ec;
    if (fs::exists(file, ec)) {
        if (!fs::is_regular_file(file, ec)) return "backing '" + value + "' is not a file";
        std::fstream probe(file, std::ios::binary | std::ios::in | std::ios::out);  // opens, changes nothing
        return probe.is_open() ? "" : "backing '" + value + "' cannot be written";
    }
    if (!fs::is_directory(folder, ec)) return "backing '" + value + "': the folder does not exist";
    auto perms = fs::status(folder, ec).permissions();
    using P = fs::perms;
    if (ec || (perms & (P::owner_write | P::group_write | P::others_write)) == P::none)
        return "backing '" + value + "': the folder cannot be written";
    return {};
}

std::string Finish(std::vector<RecorderConfig>& all, const std::string& baseDir) {
    RecorderConfig& c = all.back();
    for (size_t i = 0; i + 1 < all.size(); ++i)
        if (all[i].adapter == c.adapter && all[i].target == c.target && all[i].lun == c.lun)
            return "two recorders at the same address";
    if (c.medium != MediumKind::None && c.recorded > c.CapacityOrDefault()) return "recorded exceeds capacity";
    if (c.layers != 1 && !InfoOf(c.medium).bd) return "layers is for a BD medium (dvd+r-dl and dvd-r-dl have two)";
    if (!c.backing.empty() && std::filesystem::path(c.backing).is_relative() && !baseDir.empty())
        c.backing = (std::filesystem::path(baseDir) / c.backing).string();
    return {};
}

}  // namespace

namespace {

// The text's recorders; with `checkFiles` (a file on this machine, not a
// text on its own) the backing files are checked where they would be.
ConfigResult Parse(const std::string& text, const std::string& fileName, const std::string& baseDir,
                   bool checkFiles) {
    ConfigResult result;
    std::istringstream lines(text);
    std::string raw;
    int number = 0, sectionLine = 0;
    auto fail = [&](int line, const std::string& what) {
        result.recorders.clear();
        result.error = Where(fileName, line, what);
        return result;
    };
    while (std::getline(lines, raw)) {
        ++number;
        std::string line = Trim(raw.substr(0, raw.find('#')));
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line != "[recorder]") return fail(number, "unknown section " + line);
            if (!result.recorders.empty())
                if (auto e = Finish(result.recorders, baseDir); !e.empty()) return fail(sectionLine, e);
            result.recorders.emplace_back();
            sectionLine = number;
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) return fail(number, "expected key = value");
        if (result.recorders.empty()) return fail(number, "key outside a [recorder] section");
        std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
        std::string error = ApplyLine(result.recorders.back(), key, value);
        if (error.empty() && checkFiles && key == "backing") error = BackingProblem(value, baseDir);
        if (!error.empty()) return fail(number, error);
    }
    if (result.recorders.empty()) return fail(number ? number : 1, "no [recorder] section");
    if (auto e = Finish(result.recorders, baseDir); !e.empty()) return fail(sectionLine, e);
    return result;
}

}  // namespace

ConfigResult ParseRecorderConfig(const std::string& text, const std::string& fileName, const std::string& baseDir) {
    return Parse(text, fileName, baseDir, false);
}

ConfigResult LoadRecorderConfig(const std::string& path) {
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    std::ifstream in(path);
    if (ec || !in) return {{}, path + ":0: cannot read the configuration file"};
    if (size > 1024 * 1024) return {{}, path + ":0: configuration file too large"};
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str(), path, std::filesystem::path(path).parent_path().string(), true);
}

}  // namespace vrec
