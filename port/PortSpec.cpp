#include "PortSpec.h"

#include "MessageText.h"

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

// Hexadecimal with 0x, or decimal; a port base leaves room for its three registers.
std::optional<unsigned> parseBase(std::string_view text)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const auto value = hex ? parseNumber(text.substr(2), 16) : parseNumber(text, 10);
    if (!value || *value > 0xFFFD)
        return std::nullopt;
    return value;
}

std::optional<PortSpec> parse(std::string_view text)
{
    if (text.empty() || text == "auto")
        return PortSpec{};
    if (text == "direct")
        return PortSpec{PortMethod::Direct, std::nullopt, {}};
    if (text == "ppdev")
        return PortSpec{PortMethod::Ppdev, std::nullopt, {}};
    if (text == "sim")
        return PortSpec{PortMethod::Simulated, std::nullopt, {}};
    if (text == "none")
        return PortSpec{PortMethod::None, std::nullopt, {}};
    if (text.substr(0, 7) == "direct:") {
        if (const auto base = parseBase(text.substr(7)))
            return PortSpec{PortMethod::Direct, base, {}};
        return std::nullopt;
    }
    if (text.substr(0, 6) == "ppdev:") {
        const std::string_view node = text.substr(6);
        if (const auto number = parseNumber(node, 10); number && *number < 256)
            return PortSpec{PortMethod::Ppdev, std::nullopt,
                            "/dev/parport" + std::to_string(*number)};
        if (node.size() > 1 && node[0] == '/')
            return PortSpec{PortMethod::Ppdev, std::nullopt, std::string(node)};
    }
    return std::nullopt;
}

ParsedPortSpec &selected()
{
    static ParsedPortSpec spec = ParsePortSpec(std::getenv("ZELVANE_PORT"));
    return spec;
}

} // namespace

ParsedPortSpec ParsePortSpec(const char *text, std::string_view source)
{
    const std::string_view value = text ? text : "";
    if (auto spec = parse(value))
        return {std::move(spec), {}};
    return {std::nullopt, std::string(source) + "=" + QuotedForMessage(value) +
                              " is not known; use " + std::string(kPortSpecForms)};
}

const ParsedPortSpec &SelectedPortSpec()
{
    return selected();
}

void SelectPortSpec(ParsedPortSpec parsed)
{
    selected() = std::move(parsed);
}
