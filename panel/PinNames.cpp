#include "PinNames.h"

#include <array>
#include <cctype>

namespace {

struct SignalName {
    std::string_view label;
    std::string_view name;
};

// The first name of each pin is the one listed; the others are only understood.
constexpr std::array<SignalName, 11> kSignalNames{{
    {"C0", "STROBE"},
    {"C1", "AUTOFD"},
    {"C2", "INIT"},
    {"C3", "SELECTIN"},
    {"S6", "ACK"},
    {"S7", "BUSY"},
    {"S5", "PAPEROUT"},
    {"S5", "PE"},
    {"S4", "SELECT"},
    {"S3", "ERROR"},
    {"S3", "FAULT"},
}};

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

const ConnectorPin *byDb25Number(std::string_view name)
{
    if (name.size() < 4 || name.size() > 5 || !sameIgnoringCase(name.substr(0, 3), "pin") ||
        name[3] == '0')
        return nullptr;
    unsigned number = 0;
    for (const char c : name.substr(3)) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return nullptr;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    return findPinByNumber(number);
}

} // namespace

std::string_view PinSignalName(const ConnectorPin &pin)
{
    for (const SignalName &signal : kSignalNames)
        if (signal.label == pin.label)
            return signal.name;
    return pin.group == PinGroup::Ground ? "GND" : pin.label;
}

const ConnectorPin *FindPinByAnyName(std::string_view name)
{
    if (const ConnectorPin *pin = byDb25Number(name))
        return pin;
    for (const ConnectorPin &pin : kConnectorPins)
        if (pin.group != PinGroup::Ground && sameIgnoringCase(name, pin.label))
            return &pin;
    for (const SignalName &signal : kSignalNames)
        if (sameIgnoringCase(name, signal.name))
            return findPinByLabel(signal.label);
    return nullptr;
}

std::string_view PinDirection(const ConnectorPin &pin, bool dataIn)
{
    switch (pin.group) {
    case PinGroup::Data:
        return dataIn ? "in" : "out";
    case PinGroup::Control:
        return "out";
    case PinGroup::Status:
        return "in";
    case PinGroup::Ground:
        break;
    }
    return "ground";
}
