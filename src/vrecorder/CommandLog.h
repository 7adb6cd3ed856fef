#pragma once
// Every command the recorder was sent and what it answered, for tests to
// read. Keeps the most recent entries only, so a long burn stays small.
#include "vrecorder/Sense.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace vrec {

struct LogEntry {
    std::vector<uint8_t> cdb;
    uint8_t status = 0;
    Sense code;            // with CHECK CONDITION
    size_t transferred = 0;
    Delivery delivery = Delivery::Normal;

    uint8_t Opcode() const { return cdb.empty() ? 0 : cdb[0]; }
};

class CommandLog {
public:
    static constexpr size_t kMaxEntries = 100000;

    void Add(LogEntry entry) {
        if (entries_.size() == kMaxEntries) entries_.pop_front();
        entries_.push_back(std::move(entry));
    }
    const std::deque<LogEntry>& Entries() const { return entries_; }
    void Clear() { entries_.clear(); }

private:
    std::deque<LogEntry> entries_;
};

}  // namespace vrec
