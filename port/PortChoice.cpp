#include "PortChoice.h"

#include <cstdlib>
#include <string_view>

std::optional<PortChoice> ParsePortChoice(const char *value)
{
    const std::string_view text = value ? value : "";
    if (text.empty() || text == "auto")
        return PortChoice::Auto;
    if (text == "direct")
        return PortChoice::Direct;
    if (text == "ppdev")
        return PortChoice::Ppdev;
    if (text == "sim")
        return PortChoice::Simulated;
    if (text == "none")
        return PortChoice::None;
    return std::nullopt;
}

const char *PortChoiceFromEnvironment()
{
    return std::getenv("ZELVANE_PORT");
}
