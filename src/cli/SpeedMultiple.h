#pragma once
// Speeds given as multiples: 1x is 176.4 kB/s on CD media, 1385 kB/s on
// DVD media and 4495 kB/s on BD media. Discs and drives are labelled with
// fractions too (2.4x).
#include "drive/MediaTypes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kq::cli {

// The largest whole multiple whose kB/s fits the 16-bit speed field:
// 371x on CD media, 47x on DVD media.
int HighestMultiple(MediaFamily family);

// The kB/s of `multiple` on the medium, at most 65535 on CD and DVD (the
// field's limit, which drives take as their maximum; BD speeds go past
// it); 0x stays 0, the drive's maximum.
uint16_t MultipleToKBps(double multiple, MediaFamily family);
uint32_t MultipleToKBpsOn(double multiple, int mediaType);

// The kB/s to ask for: the plain figure, or the multiple on this medium.
std::optional<uint32_t> ChosenSpeed(std::optional<uint16_t> kBps, std::optional<double> multiple, int mediaType);

// "16", "2.4": as typed, without the x; the same in every locale.
std::string MultipleText(double multiple);
// "16x", "2.4x" or "4.5x" (digits, at most two after the point) as a
// number; nullopt for anything else.
[[nodiscard]] std::optional<double> ParseMultiple(const std::string& text);

// Empty when `multiple` fits the medium; otherwise the line that refuses it
// with the range the medium allows. `option` names the option.
std::string MultipleRangeRefusal(const std::string& option, std::optional<double> multiple, int mediaType);

}  // namespace kq::cli
