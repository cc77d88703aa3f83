#include "PortChoice.h"

#include "MessageText.h"
#include "SharedSimFile.h"

#include <charconv>
#include <cstdlib>

namespace {

std::optional<unsigned> parseNumber(std::string_view text, int base)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The control register, base + 2, is the last of the 16-bit I/O space.
constexpr unsigned kLastPortBase = 0xFFFD;

bool isHex(std::string_view text)
{
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// Hexadecimal with 0x, or decimal; a port base leaves room for its three registers.
std::optional<unsigned> parseBase(std::string_view text)
{
    const auto value = isHex(text) ? parseNumber(text.substr(2), 16) : parseNumber(text, 10);
    if (!value || *value > kLastPortBase)
        return std::nullopt;
    return value;
}

// A number, however large, where a base was asked for.
bool isNumber(std::string_view text)
{
    const std::string_view digits = isHex(text) ? text.substr(2) : text;
    const std::string_view allowed = isHex(text) ? "0123456789abcdefABCDEF" : "0123456789";
    return !digits.empty() && digits.find_first_not_of(allowed) == std::string_view::npos;
}

std::optional<PortChoice> parse(std::string_view text)
{
    if (text.empty() || text == "auto")
        return PortChoice{};
    if (text == "direct")
        return PortChoice{PortMethod::Direct, std::nullopt, {}};
    if (text == "ppdev")
        return PortChoice{PortMethod::Ppdev, std::nullopt, {}};
    if (text == "sim")
        return PortChoice{PortMethod::Simulated, std::nullopt, {}};
    if (text == "none")
        return PortChoice{PortMethod::None, std::nullopt, {}};
    if (text.substr(0, 4) == "sim:" && IsSimName(text.substr(4))) {
        PortChoice choice{PortMethod::Simulated, std::nullopt, {}};
        choice.simName = std::string(text.substr(4));
        return choice;
    }
    if (text.substr(0, 7) == "direct:") {
        if (const auto base = parseBase(text.substr(7)))
            return PortChoice{PortMethod::Direct, base, {}};
        return std::nullopt;
    }
    if (text.substr(0, 17) == "direct-unchecked:") {
        if (const auto base = parseBase(text.substr(17)))
            return PortChoice{PortMethod::Direct, base, {}, true};
        return std::nullopt;
    }
    if (text.substr(0, 6) == "ppdev:") {
        const std::string_view node = text.substr(6);
        if (const auto number = parseNumber(node, 10); number && *number < 256)
            return PortChoice{PortMethod::Ppdev, std::nullopt,
                              "/dev/parport" + std::to_string(*number)};
        if (node.size() > 1 && node[0] == '/')
            return PortChoice{PortMethod::Ppdev, std::nullopt, std::string(node)};
    }
    return std::nullopt;
}

ParsedPortChoice &selected()
{
    static ParsedPortChoice choice = ParsePortChoice(std::getenv("ZELVANE_PORT"));
    return choice;
}

} // namespace

ParsedPortChoice ParsePortChoice(const char *text, std::string_view source)
{
    const std::string_view value = text ? text : "";
    if (auto choice = parse(value))
        return {std::move(choice), {}, std::string(source)};
    if (value.substr(0, 4) == "sim:")
        return {std::nullopt,
                std::string(source) + "=" + QuotedForMessage(value) +
                    ": a simulated port's name is 1 to 64 letters, digits, - or _",
                std::string(source)};
    for (const std::string_view direct : {"direct:", "direct-unchecked:"})
        if (value.substr(0, direct.size()) == direct && isNumber(value.substr(direct.size())))
            return {std::nullopt,
                    std::string(source) + "=" + QuotedForMessage(value) +
                        " is out of range: a port's three registers must fit below 0x10000, so "
                        "its base is at most 0xFFFD",
                    std::string(source)};
    return {std::nullopt,
            std::string(source) + "=" + QuotedForMessage(value) + " is not known; use " +
                std::string(kPortChoiceForms),
            std::string(source)};
}

const ParsedPortChoice &SelectedPortChoice()
{
    return selected();
}

void SelectPortChoice(ParsedPortChoice parsed)
{
    selected() = std::move(parsed);
}
