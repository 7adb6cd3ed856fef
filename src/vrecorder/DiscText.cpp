// The state file: a few "key value" lines and one line per track. It is
// read back with every value checked, since the file may be damaged or
// edited by hand.
#include "vrecorder/Disc.h"

#include <sstream>

namespace vrec {

std::string Disc::Serialize() const {
    std::ostringstream out;
    out << "medium " << Info().name << "\n"
        << "capacity " << capacity_ << "\n"
        << "closed_sessions " << closedSessions_ << "\n"
        << "finalized " << (finalized_ ? 1 : 0) << "\n"
        << "next_start " << nextStart_ << "\n";
    for (const Track& t : tracks_) {
        out << "track " << t.number << ' ' << t.session << ' ' << t.start << ' ' << t.recorded << ' ' << t.reserved
            << ' ' << (t.closed ? 1 : 0) << ' ' << (t.damaged ? 1 : 0) << ' ' << unsigned{t.mode} << ' ' << unsigned{t.runOut} << "\n";
    }
    return out.str();
}

namespace {
bool ReadTrack(std::istringstream& in, Track& t) {
    unsigned number, session, closed, damaged, mode;
    if (!(in >> number >> session >> t.start >> t.recorded >> t.reserved >> closed >> damaged >> mode)) return false;
    if (number == 0 || number > 99 || session == 0 || session > 99 || closed > 1 || damaged > 1 || mode > 15)
        return false;
    t.number = static_cast<uint16_t>(number);
    t.session = static_cast<uint16_t>(session);
    t.closed = closed;
    t.damaged = damaged;
    t.mode = static_cast<uint8_t>(mode);
    // Files saved before run-out blocks were kept have no such field.
    unsigned runOut = 0;
    if (in >> runOut && runOut > 2) return false;
    t.runOut = static_cast<uint8_t>(runOut);
    return true;
}
}  // namespace

std::optional<Disc> Disc::Parse(const std::string& text, std::string* why) {
    Disc d;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::istringstream in(line);
        std::string key;
        if (!(in >> key)) continue;
        bool ok = true;
        if (key == "medium") {
            std::string name;
            auto kind = (in >> name) ? MediumByName(name) : std::nullopt;
            ok = kind.has_value();
            if (ok) d.kind_ = *kind;
        } else if (key == "capacity") {
            ok = static_cast<bool>(in >> d.capacity_);
        } else if (key == "closed_sessions") {
            ok = static_cast<bool>(in >> d.closedSessions_) && d.closedSessions_ <= 99;
        } else if (key == "finalized") {
            int f = 0;
            ok = (in >> f) && (f == 0 || f == 1);
            d.finalized_ = f == 1;
        } else if (key == "next_start") {
            ok = static_cast<bool>(in >> d.nextStart_);
        } else if (key == "track") {
            Track t;
            ok = ReadTrack(in, t);
            d.tracks_.push_back(t);
        } else {
            ok = false;
        }
        if (!ok) {
            if (why) *why = std::to_string(number) + ": cannot read '" + line + "'";
            return std::nullopt;
        }
    }
    if (!d.Consistent()) {
        if (why) *why = "0: its tracks and sessions do not agree with each other";
        return std::nullopt;
    }
    return d;
}

// Tracks numbered from 1, in order, inside the capacity, sessions rising;
// only the last track may be open.
bool Disc::Consistent() const {
    if (kind_ == MediumKind::None || capacity_ == 0) return false;
    uint64_t previousEnd = 0;
    uint16_t previousSession = 1;
    for (size_t i = 0; i < tracks_.size(); ++i) {
        const Track& t = tracks_[i];
        if (t.number != i + 1 || t.session < previousSession || t.session > closedSessions_ + 1) return false;
        if (t.start < previousEnd || uint64_t{t.start} + t.recorded > capacity_) return false;
        if (t.reserved && (t.recorded > t.reserved || uint64_t{t.start} + t.reserved > capacity_)) return false;
        if (!t.closed && i + 1 != tracks_.size()) return false;
        previousEnd = t.End();
        previousSession = t.session;
    }
    // A growing track keeps the next start at its own start until it closes.
    const Track* open = OpenTrack();
    if (open && !open->reserved) return nextStart_ == open->start;
    return nextStart_ >= previousEnd;
}

}  // namespace vrec
