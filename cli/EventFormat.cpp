#include "EventFormat.h"

#include "CtlWords.h"
#include "PinNames.h"
#include "PinTable.h"

#include <string_view>

namespace {

constexpr std::string_view kConversions = "pseltT%";

} // namespace

std::string EventFormatError(std::string_view format)
{
    for (std::size_t at = format.find('%'); at != std::string_view::npos;
         at = format.find('%', at + 2))
        if (at + 1 == format.size() || kConversions.find(format[at + 1]) == std::string_view::npos)
            return QuotedWord(format.substr(at, 2)) +
                   " is not %p, %s, %e, %l, %t, %T or %% (pin, signal, edge, level, seconds, "
                   "UTC time, a percent sign)";
    return {};
}

std::string FormatEvent(std::string_view format, const ConnectorPin &pin, unsigned level,
                        const EventTime &at)
{
    std::string line;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            line += format[i];
            continue;
        }
        switch (format[++i]) {
        case 'p':
            line += pin.label;
            break;
        case 's':
            line += PinSignalName(pin);
            break;
        case 'e':
            line += level ? "rising" : "falling";
            break;
        case 'l':
            line += level ? '1' : '0';
            break;
        case 't':
            line += MonotonicSeconds(at);
            break;
        case 'T':
            line += UtcTime(at);
            break;
        default:
            line += format[i];
        }
    }
    return line;
}
