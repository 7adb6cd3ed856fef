#pragma once
// Texts of the additional sense codes (ASC, ASCQ) that drives report.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kq {

struct SenseCodeText {
    uint8_t asc;
    uint8_t ascq;
    std::string_view text;
};

// The whole table, sorted by (ASC, ASCQ).
std::span<const SenseCodeText> SenseCodeTexts();

// The text of a pair, or nullopt when the pair has none.
std::optional<std::string_view> FindSenseCodeText(uint8_t asc, uint8_t ascq);

}  // namespace kq
