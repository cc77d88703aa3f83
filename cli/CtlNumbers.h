#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

// The one grammar of numbers on zelvanectl's command line: decimal, or hexadecimal after 0x.
// A leading zero is refused rather than read as octal, and so is an exponent.
std::optional<std::uint64_t> ParseWholeNumber(std::string_view text);

using Microseconds = std::chrono::microseconds;

// A decimal number with an optional fraction and a unit (us, ms, s, in any case); a bare
// number is in bareUnit. Up to a day, read to the microsecond.
std::optional<Microseconds> ParseDuration(std::string_view text, Microseconds bareUnit);

inline constexpr Microseconds kLongestDuration = std::chrono::hours(24);
