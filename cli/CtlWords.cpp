#include "CtlWords.h"

#include "MessageText.h"
#include "PinNames.h"
#include "PinTable.h"

#include <algorithm>
#include <cctype>

std::string QuotedWord(std::string_view text)
{
    return QuotedForMessage(text, 40);
}

bool SameWord(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

const ConnectorPin *FindPinNamed(std::string_view name)
{
    if (const ConnectorPin *pin = FindPinByAnyName(name))
        return pin;
    for (const ConnectorPin &pin : kConnectorPins)
        if (pin.group == PinGroup::Ground && (SameWord(name, pin.label) || SameWord(name, "GND")))
            return &pin;
    return nullptr;
}

const ConnectorPin &SignalPinNamed(const std::string &name, const std::string &of)
{
    const ConnectorPin *pin = FindPinNamed(name);
    if (!pin)
        throw UsageError{of + ": " + QuotedWord(name) +
                         " is not a pin (D0-D7, C0-C3, S3-S7, pin1-pin25 or a signal name; "
                         "see 'zelvanectl pins')"};
    if (!pin->reg)
        throw UsageError{of + ": " + QuotedWord(name) + " is a ground pin"};
    return *pin;
}

const ConnectorPin &OutputNamed(const std::string &name, const std::string &of)
{
    const ConnectorPin &pin = SignalPinNamed(name, of);
    if (!pin.clickable)
        throw UsageError{of + ": " + std::string(pin.label) +
                         " is an input; outputs are D0-D7 and C0-C3"};
    return pin;
}

const ConnectorPin &InputNamed(const std::string &name, const std::string &of)
{
    const ConnectorPin &pin = SignalPinNamed(name, of);
    if (pin.group != PinGroup::Status && pin.group != PinGroup::Data)
        throw UsageError{of + ": " + std::string(pin.label) +
                         " is not an input (S3-S7, or D0-D7 after data-direction in)"};
    return pin;
}

std::vector<const ConnectorPin *> PinListNamed(const std::string &text, const std::string &of,
                                               const ConnectorPin &(*pinNamed)(const std::string &,
                                                                               const std::string &))
{
    std::vector<const ConnectorPin *> pins;
    for (std::size_t from = 0; from <= text.size();) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        const ConnectorPin &pin = pinNamed(text.substr(from, comma - from), of);
        if (std::find(pins.begin(), pins.end(), &pin) != pins.end())
            throw UsageError{of + ": " + std::string(pin.label) + " is given twice"};
        pins.push_back(&pin);
        from = comma + 1;
    }
    return pins;
}

std::optional<unsigned> LevelNamed(std::string_view text)
{
    for (const char *high : {"1", "on", "high"})
        if (SameWord(text, high))
            return 1;
    for (const char *low : {"0", "off", "low"})
        if (SameWord(text, low))
            return 0;
    return std::nullopt;
}

std::size_t KeywordIndex(const std::string &text, std::span<const char *const> choices,
                         const std::string &of)
{
    std::size_t index = 0;
    std::string named;
    for (const char *choice : choices) {
        if (SameWord(text, choice))
            return index;
        named += std::string(index == 0                    ? ""
                             : index + 1 == choices.size() ? " or "
                                                           : ", ") +
                 choice;
        ++index;
    }
    throw UsageError{of + ": " + QuotedWord(text) + " is not " + named};
}
