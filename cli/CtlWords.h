#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct ConnectorPin;

// A word of the command line that is not understood; what says why, for the user.
struct UsageError {
    std::string what;
};

// The words a user types for pins, levels and keywords. Every name 'zelvanectl pins' prints
// is understood, and case never matters, as for pin names.

// What a user typed, safe to echo.
std::string QuotedWord(std::string_view text);
bool SameWord(std::string_view a, std::string_view b);

// Any pin by any of its names, the ground pins (G0-G7, GND) included; null for none.
const ConnectorPin *FindPinNamed(std::string_view name);
// Each throws UsageError, naming of, where the name is not such a pin.
const ConnectorPin &SignalPinNamed(const std::string &name, const std::string &of);
const ConnectorPin &OutputNamed(const std::string &name, const std::string &of);
const ConnectorPin &InputNamed(const std::string &name, const std::string &of);

// "ACK,BUSY": pins that are not ground, each once, checked by pinNamed.
std::vector<const ConnectorPin *>
PinListNamed(const std::string &text, const std::string &of,
             const ConnectorPin &(*pinNamed)(const std::string &, const std::string &));

// 1 for 1, on or high; 0 for 0, off or low.
std::optional<unsigned> LevelNamed(std::string_view text);

// Which of choices text is; throws UsageError ("of: "x" is not a, b or c") for none.
std::size_t KeywordIndex(const std::string &text, std::span<const char *const> choices,
                         const std::string &of);
